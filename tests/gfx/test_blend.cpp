// The blending primitives, every processor level and depth, against the
// per-channel reference of blend_reference.h: every factor at every width
// from 1 to 70 and placements clipped on every side, then the early
// returns, the destination's acquire bracket and coordinates at the ends
// of the int range.
#include "gfx/blend.h"

#include <gtest/gtest.h>

#include <cstdint>
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

// Every factor; under the sanitizer, which looks for reads and writes out
// of bounds (a matter of widths and placements, not of factors), one factor
// for each kernel and each shortcut of every depth.
#if defined(__SANITIZE_ADDRESS__)
const std::vector<int> Factors = {-1, 0, 1, 100, 124, 127, 128, 249, 254, 255, 256};
#else
const std::vector<int> Factors = [] {
    std::vector<int> out;
    for (int f = -1; f <= 256; ++f) out.push_back(f);
    return out;
}();
#endif

uint32_t pixel(BITMAP* b, int x, int y) {
    if (bitmap_color_depth(b) == 32) return reinterpret_cast<uint32_t*>(b->line[y])[x];
    return reinterpret_cast<uint16_t*>(b->line[y])[x];
}
void setPixel(BITMAP* b, int x, int y, uint32_t v) {
    if (bitmap_color_depth(b) == 32)
        reinterpret_cast<uint32_t*>(b->line[y])[x] = v;
    else
        reinterpret_cast<uint16_t*>(b->line[y])[x] = static_cast<uint16_t>(v);
}

std::vector<uint32_t> pixels(BITMAP* b) {
    std::vector<uint32_t> out;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) out.push_back(pixel(b, x, y));
    return out;
}

// Random pixels, about one in five of them the mask colour.  32-bit pixels
// get random fourth bytes too, which the blends must not carry over.
void fillRandom(BITMAP* b, std::mt19937& rng, bool withMask) {
    const int depth = bitmap_color_depth(b);
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x)
            setPixel(b, x, y, withMask && rng() % 5 == 0 ? formatOf(depth).mask
                                                         : rng() & (depth == 15 ? 0x7FFF : depth == 16 ? 0xFFFF : ~0u));
}

struct Case {
    blend::Level level;
    int depth;
    BlendOp op;
};

const char* const OpNames[] = {"additive", "translucent", "rect"};
void PrintTo(const Case& c, std::ostream* os) {
    *os << blend::levelName(c.level) << " " << c.depth << " " << OpNames[static_cast<int>(c.op)];
}

class BlendExactness : public ::testing::TestWithParam<Case> {
protected:
    // Blends a w x h source (for the rectangle: `colour`) at (x, y) onto dst
    // and compares every pixel of dst with the reference.
    void check(BITMAP* src, BITMAP* dst, int x, int y, int fact, uint32_t colour) {
        const Case c = GetParam();
        std::vector<uint32_t> want = pixels(dst);
        for (int dy = std::max(y, 0); dy < std::min(y + src->h, dst->h); ++dy)
            for (int dx = std::max(x, 0); dx < std::min(x + src->w, dst->w); ++dx) {
                const uint32_t s = c.op == BlendOp::Rect ? colour : pixel(src, dx - x, dy - y);
                want[dy * dst->w + dx] = referencePixel(c.op, c.depth, s, want[dy * dst->w + dx], fact);
            }
        if (c.op == BlendOp::Additive) additive_blit(src, dst, x, y, fact);
        if (c.op == BlendOp::Translucent) translucent_blit(src, dst, x, y, fact);
        if (c.op == BlendOp::Rect) translucent_rectfill(dst, x, y, src->w, src->h, static_cast<int>(colour), fact);
        ASSERT_EQ(pixels(dst), want) << src->w << " x " << src->h << " at " << x << "," << y << " fact " << fact;
    }
};

TEST_P(BlendExactness, MatchesTheReference) {
    const Case c = GetParam();
    const blend::Level saved = blend::activeLevel();
    if (!blend::forceLevel(c.level)) GTEST_SKIP() << "processor lacks " << blend::levelName(c.level);
    std::mt19937 rng(c.depth * 7 + static_cast<int>(c.op));
    const uint32_t colourBits = c.depth == 32 ? 0xFFFFFF : c.depth == 16 ? 0xFFFF : 0x7FFF;
    // Every width and factor, one pixel in from the left edge with room to spare.
    BITMAP* dst = create_bitmap_ex(c.depth, 72, 2);
    for (int w = 1; w <= 70 && !HasFatalFailure(); ++w) {
        BITMAP* src = create_bitmap_ex(c.depth, w, 2);
        for (int fact : Factors) {
            fillRandom(src, rng, true);
            fillRandom(dst, rng, false);
            check(src, dst, 1, 0, fact, rng() & colourBits);
        }
        destroy_bitmap(src);
    }
    destroy_bitmap(dst);
    // Placements hanging over every side and corner, and wholly outside.
    dst = create_bitmap_ex(c.depth, 40, 30);
    BITMAP* src = create_bitmap_ex(c.depth, 19, 11);
    for (int x : {-20, -19, -18, -7, 0, 5, 21, 22, 30, 39, 40})
        for (int y : {-12, -11, -10, -3, 0, 4, 18, 19, 25, 29, 30})
            for (int fact : {1, 64, 128, 200, 255}) {
                if (HasFatalFailure()) break;
                fillRandom(src, rng, true);
                fillRandom(dst, rng, false);
                check(src, dst, x, y, fact, rng() & colourBits);
            }
    destroy_bitmap(src);
    destroy_bitmap(dst);
    blend::forceLevel(saved);
}

std::vector<Case> allCases() {
    std::vector<Case> out;
    for (int level = blend::LevelPortable; level < blend::LevelCount; ++level)
        for (int depth : {15, 16, 32})
            for (BlendOp op : {BlendOp::Additive, BlendOp::Translucent, BlendOp::Rect})
                out.push_back({static_cast<blend::Level>(level), depth, op});
    return out;
}

INSTANTIATE_TEST_SUITE_P(AllLevels, BlendExactness, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return std::string(blend::levelName(p.param.level)) + "_" + std::to_string(p.param.depth) +
                                    "_" + OpNames[static_cast<int>(p.param.op)];
                         });

// Counts acquire and release calls through a copy of the bitmap's drawing
// table.
struct AcquireCounter {
    static int acquired, released;
    GFX_VTABLE table;
    explicit AcquireCounter(BITMAP* b) : table(*b->vtable) {
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
        const int bytes = 20 * ((r.dstDepth + 7) / 8);
        const std::vector<unsigned char> before(dst->line[0], dst->line[0] + 20 * bytes);
        AcquireCounter counter(dst);
        additive_blit(src, dst, r.x, r.y, r.fact);
        translucent_blit(src, dst, r.x, r.y, r.fact);
        if (r.srcDepth == r.dstDepth) translucent_rectfill(dst, r.x, r.y, 8, 8, 12345, r.fact);
        EXPECT_EQ(AcquireCounter::acquired, r.acquires) << r.what;
        EXPECT_EQ(AcquireCounter::released, AcquireCounter::acquired) << r.what;
        const std::vector<unsigned char> after(dst->line[0], dst->line[0] + 20 * bytes);
        EXPECT_TRUE(r.acquires || after == before) << r.what;
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
        if (r.w <= 64 && r.h <= 64) {
            BITMAP* src = create_bitmap_ex(32, r.w, r.h);
            clear_to_color(src, 0x405060);
            additive_blit(src, dst, r.x, r.y, 100);
            translucent_blit(src, dst, r.x, r.y, 100);
            destroy_bitmap(src);
        }
        EXPECT_EQ(pixels(dst), pixels(want)) << r.what;
        destroy_bitmap(want);
        destroy_bitmap(dst);
    }
}

// The stated examples, which the reference must agree with: 16-bit additive
// red 20 onto 20 saturates at 31 and green adds only its upper five bits;
// the 32-bit average of 1 and 2 is 1 at both 127 and 128.
TEST(BlendFormulas, StatedExamples) {
    BITMAP* src = create_bitmap_ex(16, 1, 1);
    BITMAP* dst = create_bitmap_ex(16, 1, 1);
    setPixel(src, 0, 0, (20u << 11) | (7u << 5));
    setPixel(dst, 0, 0, (20u << 11) | (9u << 5));
    additive_blit(src, dst, 0, 0, 255);
    EXPECT_EQ(pixel(dst, 0, 0), (31u << 11) | (14u << 5));
    EXPECT_EQ(referencePixel(BlendOp::Additive, 16, (20u << 11) | (7u << 5), (20u << 11) | (9u << 5), 255),
              (31u << 11) | (14u << 5));
    destroy_bitmap(src);
    destroy_bitmap(dst);
    src = create_bitmap_ex(32, 1, 1);
    dst = create_bitmap_ex(32, 1, 1);
    for (int fact : {127, 128}) {
        setPixel(src, 0, 0, 0x010101);
        setPixel(dst, 0, 0, 0x020202);
        translucent_blit(src, dst, 0, 0, fact);
        EXPECT_EQ(pixel(dst, 0, 0), 0x010101u) << fact;
        EXPECT_EQ(referencePixel(BlendOp::Translucent, 32, 0x010101, 0x020202, fact), 0x010101u) << fact;
    }
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

} // namespace
} // namespace tessaron::test
