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
constexpr bool Thin = true;  // the sanitizer build runs at -O0: fewer factors
#else
constexpr bool Thin = false;
#endif

// Every factor, or under the sanitizer a spread that keeps every boundary.
std::vector<int> factors() {
    std::vector<int> out;
    for (int f = -1; f <= 256; ++f) {
        bool boundary = f <= 9 || (f >= 119 && f <= 136) || f >= 246 || f % 8 == 0 || f % 8 == 7;
        if (!Thin || boundary || f % 23 == 0) out.push_back(f);
    }
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

// Every vector kernel against the portable one: every width from 1 to 130
// and every factor its callers can give it.
TEST(BlendKernels, VectorFormsEqualPortableForms) {
    const blend::Kernels& portable = blend::portableKernels();
    std::mt19937 rng(5);
    std::vector<unsigned char> src(130 * 4), dstA(130 * 4), dstB(130 * 4);
    int levelsRun = 0;
    for (int level = blend::LevelSse2; level < blend::LevelCount; ++level) {
        if (!blend::levelSupported(static_cast<blend::Level>(level))) continue;
        ++levelsRun;
        const blend::Kernels& vec = *blend::kernelsFor(static_cast<blend::Level>(level));
        for (int depth : {15, 16, 32}) {
            const PixelFormat pf = formatOf(depth);
            const int bpp = depth == 32 ? 4 : 2;
            const int maxF = depth == 32 ? 255 : 31;
            auto pick = [depth](const blend::Kernels& k) { return depth == 32 ? k.depth32 : depth == 16 ? k.depth16 : k.depth15; };
            const blend::DepthKernels pk = pick(portable), vk = pick(vec);
            const blend::SourceRow pRows[] = {pk.addScaled, pk.addFull, pk.mix, pk.average};
            const blend::SourceRow vRows[] = {vk.addScaled, vk.addFull, vk.mix, vk.average};
            for (int f = 1; f <= maxF; f += (Thin && depth == 32) ? 3 : 1) {
                for (int w = 1; w <= 130; ++w) {
                    for (auto& b : src) b = static_cast<unsigned char>(rng());
                    for (int i = 0; i < w; i += 1 + static_cast<int>(rng() % 4))  // mask pixels, often in runs
                        std::memcpy(&src[i * bpp], &pf.mask, bpp);
                    for (auto& b : dstA) b = static_cast<unsigned char>(rng());
                    for (int k = 0; k < 5; ++k) {
                        dstB = dstA;
                        std::vector<unsigned char> ref = dstA;
                        if (k < 4) {
                            pRows[k](ref.data(), src.data(), w, f);
                            vRows[k](dstB.data(), src.data(), w, f);
                        } else {
                            uint32_t colour = static_cast<uint32_t>(rng());
                            pk.rect(ref.data(), w, colour, f);
                            vk.rect(dstB.data(), w, colour, f);
                        }
                        ASSERT_EQ(ref, dstB) << blend::levelName(static_cast<blend::Level>(level)) << " depth " << depth
                                             << " kernel " << k << " f " << f << " width " << w;
                    }
                }
            }
        }
    }
    if (levelsRun == 0) GTEST_SKIP() << "no vector level on this processor";
}

// ---- the listed edge cases -------------------------------------------------

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

struct EarlyReturn {
    const char* what;
    int srcDepth, dstDepth, x, y, fact;
};

class BlendEarlyReturn : public ::testing::TestWithParam<EarlyReturn> {};

TEST_P(BlendEarlyReturn, DrawsNothingAndAcquiresNothing) {
    const EarlyReturn e = GetParam();
    BITMAP* dst = create_bitmap_ex(e.dstDepth, 20, 20);
    BITMAP* src = create_bitmap_ex(e.srcDepth, 8, 8);
    clear_to_color(dst, makecol_depth(e.dstDepth, 10, 20, 30));
    clear_to_color(src, makecol_depth(e.srcDepth, 200, 100, 50));
    auto before = std::vector<unsigned char>(dst->line[0], dst->line[0] + 20 * 20 * ((e.dstDepth + 7) / 8));
    AcquireCounter counter(dst);
    additive_blit(src, dst, e.x, e.y, e.fact);
    translucent_blit(src, dst, e.x, e.y, e.fact);
    if (e.srcDepth == e.dstDepth) translucent_rectfill(dst, e.x, e.y, 8, 8, 12345, e.fact);
    EXPECT_EQ(AcquireCounter::acquired, 0);
    auto after = std::vector<unsigned char>(dst->line[0], dst->line[0] + 20 * 20 * ((e.dstDepth + 7) / 8));
    EXPECT_EQ(before, after);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlendEarlyReturn,
                         ::testing::Values(EarlyReturn{"fact0", 32, 32, 2, 2, 0}, EarlyReturn{"factNeg", 16, 16, 2, 2, -9},
                                           EarlyReturn{"depthMismatch", 16, 32, 2, 2, 100},
                                           EarlyReturn{"depth8", 8, 8, 2, 2, 100}, EarlyReturn{"depth24", 24, 24, 2, 2, 100},
                                           EarlyReturn{"leftOf", 32, 32, -8, 2, 100}, EarlyReturn{"above", 15, 15, 2, -8, 100},
                                           EarlyReturn{"rightOf", 32, 32, 20, 2, 100}, EarlyReturn{"below", 16, 16, 2, 20, 100}),
                         [](const ::testing::TestParamInfo<EarlyReturn>& p) { return std::string(p.param.what); });

TEST(BlendAccess, BlendingAcquiresAndReleasesOnce) {
    BITMAP* dst = create_bitmap_ex(32, 20, 20);
    BITMAP* src = create_bitmap_ex(32, 8, 8);
    clear_to_color(src, 0x102030);
    AcquireCounter counter(dst);
    additive_blit(src, dst, 3, 3, 100);
    translucent_blit(src, dst, 3, 3, 100);
    translucent_rectfill(dst, 3, 3, 5, 5, 0x405060, 100);
    EXPECT_EQ(AcquireCounter::acquired, 3);
    EXPECT_EQ(AcquireCounter::released, 3);
    // The full-strength rectangle is Allegro's rectfill inside our bracket.
    translucent_rectfill(dst, 3, 3, 5, 5, 0x405060, 255);
    EXPECT_EQ(AcquireCounter::acquired, AcquireCounter::released);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

// A 10-pixel source at x = -5 on a 100-pixel destination lands on columns
// 0..4 with its columns 5..9.
TEST(BlendClip, NegativeXUsesTheSourcesRightPart) {
    BITMAP* dst = create_bitmap_ex(32, 100, 1);
    BITMAP* src = create_bitmap_ex(32, 10, 1);
    clear_to_color(dst, 0);
    for (int x = 0; x < 10; ++x) setPixel(src, x, 0, static_cast<uint32_t>(x + 1));
    additive_blit(src, dst, -5, 0, 255);
    for (int x = 0; x < 100; ++x) EXPECT_EQ(getPixel(dst, x, 0), x < 5 ? static_cast<uint32_t>(x + 6) : 0u) << x;
    destroy_bitmap(src);
    destroy_bitmap(dst);
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

// The clip is the bitmap's extent: the clip rectangle does not stop a blend.
TEST(BlendClip, ClipRectangleDoesNotStopBlending) {
    BITMAP* dst = create_bitmap_ex(16, 20, 20);
    BITMAP* src = create_bitmap_ex(16, 10, 10);
    clear_to_color(dst, 0);
    clear_to_color(src, makecol_depth(16, 255, 255, 255));
    set_clip_rect(dst, 0, 0, 4, 4);
    translucent_blit(src, dst, 0, 0, 64);
    EXPECT_NE(getPixel(dst, 9, 9), 0u);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

struct OpaqueCase {
    int depth, fact;
};
class BlendOpaque : public ::testing::TestWithParam<OpaqueCase> {};

// Full strength equals Allegro's masked_blit and rectfill.
TEST_P(BlendOpaque, EqualsAllegrosOwn) {
    const OpaqueCase oc = GetParam();
    std::mt19937 rng(oc.depth + oc.fact);
    BITMAP* src = create_bitmap_ex(oc.depth, 13, 9);
    BITMAP* a = create_bitmap_ex(oc.depth, 30, 20);
    BITMAP* b = create_bitmap_ex(oc.depth, 30, 20);
    fillRandom(src, rng, true);
    fillRandom(a, rng, false);
    blit(a, b, 0, 0, 0, 0, 30, 20);
    translucent_blit(src, a, 4, 3, oc.fact);
    masked_blit(src, b, 0, 0, 4, 3, 13, 9);
    EXPECT_EQ(pixels(a), pixels(b));
    const int colour = makecol_depth(oc.depth, 12, 200, 99);
    translucent_rectfill(a, -3, 5, 10, 30, colour, oc.fact);
    rectfill(b, 0, 5, 6, 19, colour);
    if (oc.fact == 255) {
        EXPECT_EQ(pixels(a), pixels(b));
    }
    destroy_bitmap(src);
    destroy_bitmap(a);
    destroy_bitmap(b);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlendOpaque,
                         ::testing::Values(OpaqueCase{15, 255}, OpaqueCase{16, 255}, OpaqueCase{32, 255}, OpaqueCase{16, 250},
                                           OpaqueCase{15, 249}));

// A mask pixel leaves its destination alone in every mode, at either place of
// a packed pair and under the half-and-half average.
TEST(BlendMask, MaskPixelsKeepTheDestinationInEveryMode) {
    for (int depth : {15, 16, 32}) {
        const uint32_t mask = formatOf(depth).mask;
        BITMAP* src = create_bitmap_ex(depth, 5, 1);
        BITMAP* dst = create_bitmap_ex(depth, 5, 1);
        const uint32_t plain = makecol_depth(depth, 40, 80, 120);
        const uint32_t pattern[5] = {mask, plain, plain, mask, mask};  // pair (0,1), pair (2,3), odd last
        for (int fact : {1, 60, 121, 127, 128, 200, 254, 255}) {
            for (int x = 0; x < 5; ++x) {
                setPixel(src, x, 0, pattern[x]);
                setPixel(dst, x, 0, makecol_depth(depth, 9, 9, 9));
            }
            additive_blit(src, dst, 0, 0, fact);
            translucent_blit(src, dst, 0, 0, fact);
            for (int x : {0, 3, 4})
                EXPECT_EQ(getPixel(dst, x, 0), static_cast<uint32_t>(makecol_depth(depth, 9, 9, 9)))
                    << depth << " fact " << fact << " x " << x;
        }
        destroy_bitmap(src);
        destroy_bitmap(dst);
    }
}

TEST(BlendFormulas, ListedValues) {
    // 16-bit additive: red 20 onto red 20 saturates at 31; green's low bit is 0.
    EXPECT_EQ(referencePixel(BlendOp::Additive, 16, 20u << 11, 20u << 11, 255), 31u << 11);
    BITMAP* src = create_bitmap_ex(16, 1, 1);
    BITMAP* dst = create_bitmap_ex(16, 1, 1);
    setPixel(src, 0, 0, (20u << 11) | (7u << 5));
    setPixel(dst, 0, 0, (20u << 11) | (9u << 5));
    additive_blit(src, dst, 0, 0, 255);
    EXPECT_EQ(getPixel(dst, 0, 0), (31u << 11) | (14u << 5));  // green: (3 + 4) << 1
    destroy_bitmap(src);
    destroy_bitmap(dst);
    // 32-bit average of 1 and 2 is 1; fact 127 and 128 give the same picture.
    src = create_bitmap_ex(32, 1, 1);
    dst = create_bitmap_ex(32, 1, 1);
    for (int fact : {127, 128}) {
        setPixel(src, 0, 0, 0x010101);
        setPixel(dst, 0, 0, 0x020202);
        translucent_blit(src, dst, 0, 0, fact);
        EXPECT_EQ(getPixel(dst, 0, 0), 0x010101u);
    }
    destroy_bitmap(src);
    destroy_bitmap(dst);
    // The two mixes truncate differently: colour 1 over 1 at half strength.
    EXPECT_EQ(referencePixel(BlendOp::Rect, 16, 1, 1, 128), 0u);
    EXPECT_EQ(referencePixel(BlendOp::Translucent, 16, 1, 1, 100), 1u);
}

} // namespace
} // namespace tessaron::test
