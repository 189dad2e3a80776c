// The blending primitives, every processor level and depth, against the
// per-channel reference of blend_reference.h: every factor at every width
// from 1 to 70, placements clipped on every side and at the ends of the int
// range; then the early returns and the destination's acquire bracket.
#include "gfx/blend.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "gfx/blend_kernels.h"
#include "blend_reference.h"

namespace tessaron::test {
namespace {

// Allegro without a display, once for the program.
[[maybe_unused]] const int AllegroStarted = install_allegro(SYSTEM_NONE, &errno, atexit);
constexpr int Big = std::numeric_limits<int>::max(), Small = std::numeric_limits<int>::min();

// Every factor; under the sanitizer, which looks for reads and writes out
// of bounds (a matter of widths and placements, not of factors), one factor
// for each kernel and each shortcut of every depth.
#if defined(__SANITIZE_ADDRESS__)
const std::vector<int> Factors = {-1, 0, 1, 100, 124, 127, 128, 249, 254, 255, 256};
#else
const std::vector<int> Factors = [] { std::vector<int> out(258); std::iota(out.begin(), out.end(), -1); return out; }();
#endif

uint32_t pixel(BITMAP* b, int x, int y) {
    return bitmap_color_depth(b) == 32 ? reinterpret_cast<uint32_t*>(b->line[y])[x] : reinterpret_cast<uint16_t*>(b->line[y])[x];
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
        for (int x = 0; x < b->w; ++x) {
            const uint32_t v = withMask && rng() % 5 == 0 ? formatOf(depth).mask : rng();
            if (depth == 32) reinterpret_cast<uint32_t*>(b->line[y])[x] = v;
            else reinterpret_cast<uint16_t*>(b->line[y])[x] = static_cast<uint16_t>(depth == 15 ? v & 0x7FFF : v);
        }
}

struct Case {
    blend::Level level;
    int depth;
    BlendOp op;
};

const char* const OpNames[] = {"additive", "translucent", "rect"};

class BlendExactness : public ::testing::TestWithParam<Case> {
protected:
    // Blends src (for the rectangle: `colour` over w x h) at (x, y) onto dst
    // and compares every pixel of dst with the reference.
    void check(BITMAP* src, BITMAP* dst, int x, int y, int fact, uint32_t colour, int w = 0, int h = 0) {
        const Case c = GetParam();
        if (c.op != BlendOp::Rect || w == 0) w = src->w, h = src->h;
        std::vector<uint32_t> want = pixels(dst);
        for (int64_t dy = std::max(y, 0); dy < std::min<int64_t>(int64_t(y) + h, dst->h); ++dy)
            for (int64_t dx = std::max(x, 0); dx < std::min<int64_t>(int64_t(x) + w, dst->w); ++dx) {
                const uint32_t s = c.op == BlendOp::Rect ? colour : pixel(src, int(dx - x), int(dy - y));
                want[dy * dst->w + dx] = referencePixel(c.op, c.depth, s, want[dy * dst->w + dx], fact);
            }
        if (c.op == BlendOp::Additive) additive_blit(src, dst, x, y, fact);
        if (c.op == BlendOp::Translucent) translucent_blit(src, dst, x, y, fact);
        if (c.op == BlendOp::Rect) translucent_rectfill(dst, x, y, w, h, static_cast<int>(colour), fact);
        ASSERT_EQ(pixels(dst), want) << w << " x " << h << " at " << x << "," << y << " fact " << fact;
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
    // Placements hanging over every side and corner, wholly outside, and
    // at the ends of the int range (where a sum would wrap round).
    dst = create_bitmap_ex(c.depth, 40, 30);
    BITMAP* src = create_bitmap_ex(c.depth, 19, 11);
    for (int x : {Small, -20, -19, -18, -7, 0, 5, 21, 22, 30, 39, 40, Big - 2})
        for (int y : {Small, -12, -11, -10, -3, 0, 4, 18, 19, 25, 29, 30, Big - 2})
            for (int fact : {1, 64, 128, 200, 255}) {
                fillRandom(src, rng, true);
                fillRandom(dst, rng, false);
                check(src, dst, x, y, fact, rng() & colourBits);
                if (HasFatalFailure()) return;
            }
    // Rectangles of sizes at the end of the int range.
    for (auto [x, y, w, h] : {std::array{10, 3, Big, 4}, {3, 5, 4, Big}, {0, 0, Big, Big}, {3, Small, 8, Big},
                              {Small, 0, Big, 8}})
        check(src, dst, x, y, 100, rng() & colourBits, w, h);
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

int Acquired = 0, Released = 0;

// Unsupported or mismatched depths leave the destination alone and
// unacquired (the reference sweep covers factors and placements); a blend
// acquires and releases the destination once.
TEST(BlendAccess, DepthsAndTheAcquireBracket) {
    struct Row { int srcDepth, dstDepth, acquires; };
    for (const Row r : {Row{16, 32, 0}, {8, 8, 0}, {24, 24, 0}, {32, 32, 3}, {16, 16, 3}}) {
        BITMAP* dst = create_bitmap_ex(r.dstDepth, 20, 20);
        BITMAP* src = create_bitmap_ex(r.srcDepth, 8, 8);
        clear_to_color(dst, makecol_depth(r.dstDepth, 10, 20, 30));
        clear_to_color(src, makecol_depth(r.srcDepth, 200, 100, 50));
        const std::vector<unsigned char> before(dst->line[0], dst->line[0] + 400 * ((r.dstDepth + 7) / 8));
        GFX_VTABLE counting = *dst->vtable;  // counts acquire and release calls
        counting.acquire = [](BITMAP*) { ++Acquired; };
        counting.release = [](BITMAP*) { ++Released; };
        dst->vtable = &counting;
        Acquired = Released = 0;
        additive_blit(src, dst, 3, 3, 100);
        translucent_blit(src, dst, 3, 3, 255);
        if (r.srcDepth == r.dstDepth) translucent_rectfill(dst, 3, 3, 8, 8, 12345, 255);
        EXPECT_TRUE(Acquired == r.acquires && Released == Acquired) << r.srcDepth << " on " << r.dstDepth;
        EXPECT_TRUE(r.acquires || std::equal(before.begin(), before.end(), dst->line[0])) << r.dstDepth;
        destroy_bitmap(src);
        destroy_bitmap(dst);
    }
}

// The stated examples, which the reference (and through the sweep, every
// kernel) must agree with: 16-bit additive red 20 onto 20 saturates at 31
// and green adds only its upper five bits; the 32-bit average of 1 and 2 is
// 1 at both 127 and 128.
TEST(BlendFormulas, StatedExamples) {
    EXPECT_EQ(referencePixel(BlendOp::Additive, 16, 20u << 11 | 7u << 5, 20u << 11 | 9u << 5, 255), 31u << 11 | 14u << 5);
    for (int fact : {127, 128}) EXPECT_EQ(referencePixel(BlendOp::Translucent, 32, 0x010101, 0x020202, fact), 0x010101u);
}

} // namespace
} // namespace tessaron::test
