#include "gfx/blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "gfx/blend_kernels.h"
#include "allegro_env.h"
#include "blend_reference.h"

namespace tessaron::test {
namespace {

const auto* const Env = ::testing::AddGlobalTestEnvironment(new AllegroEnvironment);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Thin = true;
#else
constexpr bool Thin = false;
#endif

// Every factor; under the sanitizer, which looks for reads and writes out
// of bounds (a matter of widths and placements, not of factors), one factor
// for each kernel and each shortcut of every depth.
std::vector<int> factors() {
    if (Thin) return {-1, 0, 1, 100, 124, 127, 128, 249, 254, 255, 256};
    std::vector<int> out;
    for (int f = -1; f <= 256; ++f) out.push_back(f);
    return out;
}

uint32_t pixelMask(int depth) { return depth == 15 ? 0x7FFF : depth == 16 ? 0xFFFF : 0xFFFFFFFF; }

uint32_t getPixel(BITMAP* b, int x, int y) {
    if (bitmap_color_depth(b) == 32) return reinterpret_cast<uint32_t*>(b->line[y])[x];
    return reinterpret_cast<uint16_t*>(b->line[y])[x];
}
void setPixel(BITMAP* b, int x, int y, uint32_t v) {
    if (bitmap_color_depth(b) == 32)
        reinterpret_cast<uint32_t*>(b->line[y])[x] = v;
    else
        reinterpret_cast<uint16_t*>(b->line[y])[x] = static_cast<uint16_t>(v);
}

// Random pixels, about one in five of them the mask colour.  32-bit pixels
// get random fourth bytes too, which the blends must not carry over.
void fillRandom(BITMAP* b, std::mt19937& rng, bool withMask) {
    const int depth = bitmap_color_depth(b);
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            uint32_t v = rng() & pixelMask(depth);
            if (withMask && rng() % 5 == 0) v = formatOf(depth).mask;
            setPixel(b, x, y, v);
        }
}

std::vector<uint32_t> pixels(BITMAP* b) {
    std::vector<uint32_t> out;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) out.push_back(getPixel(b, x, y));
    return out;
}

// The destination's pixels after op, placed at (x, y), by the reference.
// For the rectangle, `src` is null and w, h, colour describe it.
std::vector<uint32_t> expected(BlendOp op, BITMAP* src, BITMAP* dst, int x, int y, int fact, int w = 0, int h = 0,
                               uint32_t colour = 0) {
    const int depth = bitmap_color_depth(dst);
    if (src) {
        w = src->w;
        h = src->h;
    }
    std::vector<uint32_t> out;
    for (int dy = 0; dy < dst->h; ++dy)
        for (int dx = 0; dx < dst->w; ++dx) {
            uint32_t d = getPixel(dst, dx, dy);
            const bool inside = dx >= x && dx < x + w && dy >= y && dy < y + h;
            if (inside) d = referencePixel(op, depth, src ? getPixel(src, dx - x, dy - y) : colour, d, fact);
            out.push_back(d);
        }
    return out;
}

void apply(BlendOp op, BITMAP* src, BITMAP* dst, int x, int y, int fact, int w = 0, int h = 0, uint32_t colour = 0) {
    switch (op) {
    case BlendOp::Additive: additive_blit(src, dst, x, y, fact); break;
    case BlendOp::Translucent: translucent_blit(src, dst, x, y, fact); break;
    case BlendOp::Rect: translucent_rectfill(dst, x, y, w, h, static_cast<int>(colour), fact); break;
    }
}

const char* opName(BlendOp op) {
    return op == BlendOp::Additive ? "additive" : op == BlendOp::Translucent ? "translucent" : "rect";
}

// Makes the primitives use one kernel level for the life of a test.
class LevelScope {
public:
    explicit LevelScope(blend::Level level) : saved_(blend::activeLevel()), ok_(blend::forceLevel(level)) {}
    ~LevelScope() { blend::forceLevel(saved_); }
    bool ok() const { return ok_; }

private:
    blend::Level saved_;
    bool ok_;
};

struct Case {
    blend::Level level;
    int depth;
    BlendOp op;
};

void PrintTo(const Case& c, std::ostream* os) { *os << blend::levelName(c.level) << " " << c.depth << " " << opName(c.op); }

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(blend::levelName(info.param.level)) + "_" + std::to_string(info.param.depth) + "_" +
           opName(info.param.op);
}

std::vector<Case> allCases() {
    std::vector<Case> out;
    for (int level : {blend::LevelPortable, blend::LevelSse2, blend::LevelAvx2, blend::LevelAvx512})
        for (int depth : {15, 16, 32})
            for (BlendOp op : {BlendOp::Additive, BlendOp::Translucent, BlendOp::Rect})
                out.push_back({static_cast<blend::Level>(level), depth, op});
    return out;
}

class BlendExactness : public ::testing::TestWithParam<Case> {};

// Every factor and every width from 1 to 70 against the reference, on random
// images with mask pixels; the source sits one pixel in from the left edge
// of a destination with room to spare.
TEST_P(BlendExactness, EveryFactorAndWidth) {
    const Case c = GetParam();
    LevelScope scope(c.level);
    if (!scope.ok()) GTEST_SKIP() << "processor lacks " << blend::levelName(c.level);
    std::mt19937 rng(c.depth * 7 + static_cast<int>(c.op));
    BITMAP* dst = create_bitmap_ex(c.depth, 72, 2);
    BITMAP* fresh = create_bitmap_ex(c.depth, 72, 2);
    for (int w = 1; w <= 70; ++w) {
        BITMAP* src = create_bitmap_ex(c.depth, w, 2);
        for (int fact : factors()) {
            fillRandom(src, rng, true);
            fillRandom(fresh, rng, false);
            blit(fresh, dst, 0, 0, 0, 0, dst->w, dst->h);
            uint32_t colour = rng() & pixelMask(c.depth) & (c.depth == 32 ? 0xFFFFFF : 0xFFFF);
            BITMAP* s = c.op == BlendOp::Rect ? nullptr : src;
            auto want = expected(c.op, s, dst, 1, 0, fact, w, 2, colour);
            apply(c.op, s, dst, 1, 0, fact, w, 2, colour);
            ASSERT_EQ(pixels(dst), want) << "width " << w << " fact " << fact;
        }
        destroy_bitmap(src);
    }
    destroy_bitmap(fresh);
    destroy_bitmap(dst);
}

// Placements hanging over every side and corner, and wholly outside.
TEST_P(BlendExactness, ClippedOnEverySide) {
    const Case c = GetParam();
    LevelScope scope(c.level);
    if (!scope.ok()) GTEST_SKIP() << "processor lacks " << blend::levelName(c.level);
    std::mt19937 rng(99 + c.depth);
    BITMAP* dst = create_bitmap_ex(c.depth, 40, 30);
    BITMAP* src = create_bitmap_ex(c.depth, 19, 11);
    const int xs[] = {-20, -19, -18, -7, 0, 5, 21, 22, 30, 39, 40};
    const int ys[] = {-12, -11, -10, -3, 0, 4, 18, 19, 25, 29, 30};
    for (int x : xs)
        for (int y : ys)
            for (int fact : {1, 64, 128, 200, 255}) {
                fillRandom(src, rng, true);
                fillRandom(dst, rng, false);
                uint32_t colour = rng() & pixelMask(c.depth) & 0xFFFFFF;
                BITMAP* s = c.op == BlendOp::Rect ? nullptr : src;
                auto want = expected(c.op, s, dst, x, y, fact, 19, 11, colour);
                apply(c.op, s, dst, x, y, fact, 19, 11, colour);
                ASSERT_EQ(pixels(dst), want) << "at " << x << "," << y << " fact " << fact;
            }
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, BlendExactness, ::testing::ValuesIn(allCases()), caseName);

// Counts acquire and release calls through a copy of the bitmap's drawing
// table.
struct AcquireCounter {
    static int acquired, released;
    GFX_VTABLE table;
    BITMAP* bitmap;
    explicit AcquireCounter(BITMAP* b) : table(*b->vtable), bitmap(b) {
        table.acquire = [](BITMAP*) { ++acquired; };
        table.release = [](BITMAP*) { ++released; };
        b->vtable = &table;
        acquired = released = 0;
    }
};
int AcquireCounter::acquired = 0;
int AcquireCounter::released = 0;

// Nothing to draw (factor 0 or below, unsupported or mismatched depths,
// wholly outside) leaves the destination alone and unacquired; a blend
// acquires and releases the destination once.
TEST(BlendAccess, EarlyReturnsAndAcquireBracket) {
    struct Row { const char* what; int srcDepth, dstDepth, x, y, fact, acquires; };
    const Row rows[] = {
        {"fact 0", 32, 32, 2, 2, 0, 0},        {"fact -9", 16, 16, 2, 2, -9, 0},
        {"depth mismatch", 16, 32, 2, 2, 100, 0}, {"depth 8", 8, 8, 2, 2, 100, 0},
        {"depth 24", 24, 24, 2, 2, 100, 0},    {"left of", 32, 32, -8, 2, 100, 0},
        {"above", 15, 15, 2, -8, 100, 0},      {"right of", 32, 32, 20, 2, 100, 0},
        {"below", 16, 16, 2, 20, 100, 0},      {"drawn", 32, 32, 3, 3, 100, 3},
        {"full strength", 16, 16, 3, 3, 255, 3},
    };
    for (const Row& r : rows) {
        BITMAP* dst = create_bitmap_ex(r.dstDepth, 20, 20);
        BITMAP* src = create_bitmap_ex(r.srcDepth, 8, 8);
        clear_to_color(dst, makecol_depth(r.dstDepth, 10, 20, 30));
        clear_to_color(src, makecol_depth(r.srcDepth, 200, 100, 50));
        const std::vector<uint32_t> before = r.dstDepth == 8 || r.dstDepth == 24 ? std::vector<uint32_t>() : pixels(dst);
        AcquireCounter counter(dst);
        additive_blit(src, dst, r.x, r.y, r.fact);
        translucent_blit(src, dst, r.x, r.y, r.fact);
        if (r.srcDepth == r.dstDepth) translucent_rectfill(dst, r.x, r.y, 8, 8, 12345, r.fact);
        EXPECT_EQ(AcquireCounter::acquired, r.acquires) << r.what;
        EXPECT_EQ(AcquireCounter::released, AcquireCounter::acquired) << r.what;
        if (!r.acquires && !before.empty()) {
            EXPECT_EQ(pixels(dst), before) << r.what;
        }
        destroy_bitmap(src);
        destroy_bitmap(dst);
    }
}

// Positions and sizes at the ends of the int range are clipped like any
// other: only the part on the bitmap is touched, or nothing at all.
TEST(BlendClip, ExtremeCoordinatesStayOnTheBitmap) {
    constexpr int Big = std::numeric_limits<int>::max(), Small = std::numeric_limits<int>::min();
    struct Row { const char* what; int x, y, w, h; int visX, visY, visW, visH; };
    const Row rows[] = {
        {"huge width", 10, 3, Big, 4, 10, 3, 30, 4},
        {"huge height", 3, 5, 4, Big, 3, 5, 4, 15},
        {"huge both from the corner", 0, 0, Big, Big, 0, 0, 40, 20},
        {"far right", Big - 2, 3, 8, 8, 0, 0, 0, 0},
        {"far below", 3, Big - 2, 8, 8, 0, 0, 0, 0},
        {"far left", Small, 3, 8, 8, 0, 0, 0, 0},
        {"far above with a huge height", 3, Small, 8, Big, 0, 0, 0, 0},
        {"far left with a huge width", Small, 0, Big, 8, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        BITMAP* dst = create_bitmap_ex(32, 40, 20);
        BITMAP* want = create_bitmap_ex(32, 40, 20);
        clear_to_color(dst, 0x102030);
        clear_to_color(want, 0x102030);
        translucent_rectfill(dst, r.x, r.y, r.w, r.h, 0x405060, 100);
        if (r.visW > 0) translucent_rectfill(want, r.visX, r.visY, r.visW, r.visH, 0x405060, 100);
        EXPECT_EQ(pixels(dst), pixels(want)) << r.what;
        if (r.w <= 64 && r.h <= 64) {
            BITMAP* src = create_bitmap_ex(32, r.w, r.h);
            clear_to_color(src, 0x405060);
            additive_blit(src, dst, r.x, r.y, 100);
            translucent_blit(src, dst, r.x, r.y, 100);
            EXPECT_EQ(pixels(dst), pixels(want)) << r.what;
            destroy_bitmap(src);
        }
        destroy_bitmap(want);
        destroy_bitmap(dst);
    }
}

// The stated examples, which the reference above must agree with: 16-bit
// additive red 20 onto 20 saturates at 31 and green adds only its upper five
// bits; the 32-bit average of 1 and 2 is 1 at both 127 and 128.
TEST(BlendFormulas, StatedExamples) {
    BITMAP* src = create_bitmap_ex(16, 1, 1);
    BITMAP* dst = create_bitmap_ex(16, 1, 1);
    setPixel(src, 0, 0, (20u << 11) | (7u << 5));
    setPixel(dst, 0, 0, (20u << 11) | (9u << 5));
    additive_blit(src, dst, 0, 0, 255);
    EXPECT_EQ(getPixel(dst, 0, 0), (31u << 11) | (14u << 5));
    destroy_bitmap(src);
    destroy_bitmap(dst);
    src = create_bitmap_ex(32, 1, 1);
    dst = create_bitmap_ex(32, 1, 1);
    for (int fact : {127, 128}) {
        setPixel(src, 0, 0, 0x010101);
        setPixel(dst, 0, 0, 0x020202);
        translucent_blit(src, dst, 0, 0, fact);
        EXPECT_EQ(getPixel(dst, 0, 0), 0x010101u) << fact;
    }
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

} // namespace
} // namespace tessaron::test
