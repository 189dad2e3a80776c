// Measures the blending primitives side by side with Allegro's own blenders,
// pixman and memcpy of the same pixels, at 32 and 16 bits: 32 x 32 sprites
// scattered over a 1024 x 768 destination, full 1024 x 768 surfaces and a
// 240 x 360 rectangle.  Prints megapixels per second and the ratios.
#include <allegro.h>
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "gfx/blend.h"
#include "gfx/blend_kernels.h"

namespace {

constexpr int ScreenW = 1024, ScreenH = 768;
constexpr int SpriteSize = 32, SpriteCount = 768;  // as many pixels as the screen
constexpr int RectW = 240, RectH = 360, RectX = 300, RectY = 200;
constexpr int Fact = 100;  // neither a shortcut nor the average

struct Point {
    int x, y;
};

// The contenders of one case are timed in turns, several rounds of about
// 25 ms each, and each keeps its best round: the machine is shared, and
// turns keep a passing load from favouring one contender.
std::vector<double> megapixelsPerSecond(const std::vector<std::function<void()>>& passes,
                                        const std::vector<double>& pixelsPerPass) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> best(passes.size(), 0.0);
    for (const auto& pass : passes) pass();  // warm the caches
    for (int round = 0; round < 8; ++round)
        for (size_t i = 0; i < passes.size(); ++i) {
            int count = 0;
            auto start = Clock::now();
            double seconds = 0;
            do {
                passes[i]();
                ++count;
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
            } while (seconds < 0.025);
            best[i] = std::max(best[i], pixelsPerPass[i] * count / seconds / 1e6);
        }
    return best;
}

// A round 32 x 32 sprite: a colour disc on the mask colour.
BITMAP* makeSprite(int depth) {
    BITMAP* b = create_bitmap_ex(depth, SpriteSize, SpriteSize);
    clear_to_color(b, bitmap_mask_color(b));
    for (int y = 0; y < SpriteSize; ++y)
        for (int x = 0; x < SpriteSize; ++x) {
            int dx = x - 16, dy = y - 16;
            if (dx * dx + dy * dy < 256) putpixel(b, x, y, makecol_depth(depth, 40 + x * 6, 90 + y * 5, 200 - x * 3));
        }
    return b;
}

BITMAP* makeNoise(int depth, int w, int h, unsigned seed) {
    BITMAP* b = create_bitmap_ex(depth, w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) putpixel(b, x, y, makecol_depth(depth, rng() & 255, rng() & 255, rng() & 255));
    return b;
}

// The same picture as premultiplied ARGB for pixman, mask colour transparent.
pixman_image_t* toPixman(BITMAP* b, std::vector<uint32_t>& store) {
    store.resize(static_cast<size_t>(b->w) * b->h);
    const int mask = bitmap_mask_color(b);
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            int c = getpixel(b, x, y);
            store[static_cast<size_t>(y) * b->w + x] =
                c == mask ? 0u : 0xFF000000u | (getr_depth(bitmap_color_depth(b), c) << 16) |
                                     (getg_depth(bitmap_color_depth(b), c) << 8) | getb_depth(bitmap_color_depth(b), c);
        }
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, b->w, b->h, store.data(), b->w * 4);
}

struct Row {
    const char* name;
    double ours, allegro, pixman, copy;
};

void printRow(const Row& r) {
    std::printf("  %-26s %8.0f %8.0f %8.0f %8.0f   %6.2fx %6.2fx %6.2fx\n", r.name, r.ours, r.allegro, r.pixman, r.copy,
                r.ours / r.pixman, r.ours / r.allegro, r.ours / r.copy);
}

void benchDepth(int depth, const std::vector<Point>& spots) {
    const int bpp = depth == 32 ? 4 : 2;
    BITMAP* dst = makeNoise(depth, ScreenW, ScreenH, 1);
    BITMAP* full = makeNoise(depth, ScreenW, ScreenH, 2);
    BITMAP* sprite = makeSprite(depth);
    const int colour = makecol_depth(depth, 30, 60, 200);

    // pixman: destination of the same depth, sources in premultiplied ARGB.
    std::vector<uint32_t> spriteArgb, fullArgb;
    pixman_image_t* pSprite = toPixman(sprite, spriteArgb);
    pixman_image_t* pFull = toPixman(full, fullArgb);
    std::vector<uint32_t> pDstBits(static_cast<size_t>(ScreenW) * ScreenH, 0x808080);
    pixman_image_t* pDst = pixman_image_create_bits(depth == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5, ScreenW, ScreenH,
                                                    pDstBits.data(), ScreenW * 4);
    pixman_color_t maskColour = {0, 0, 0, static_cast<uint16_t>(Fact * 257)};
    pixman_image_t* pMask = pixman_image_create_solid_fill(&maskColour);
    const uint16_t a = static_cast<uint16_t>(Fact * 257);
    pixman_color_t fillColour = {static_cast<uint16_t>(30 * 257 * Fact / 255), static_cast<uint16_t>(60 * 257 * Fact / 255),
                                 static_cast<uint16_t>(200 * 257 * Fact / 255), a};

    std::vector<unsigned char> copyDst(static_cast<size_t>(ScreenW) * ScreenH * bpp);
    const unsigned char* spriteBytes = sprite->line[0];
    const unsigned char* fullBytes = full->line[0];
    const double spritePixels = double(SpriteCount) * SpriteSize * SpriteSize;
    const double fullPixels = double(ScreenW) * ScreenH;
    const double rectPixels = double(RectW) * RectH;

    using Pass = std::function<void()>;
    auto copySprites = [&] {
        for (const Point& p : spots)
            for (int y = 0; y < SpriteSize; ++y)
                std::memcpy(&copyDst[(static_cast<size_t>(p.y + y) * ScreenW + p.x) * bpp],
                            spriteBytes + static_cast<size_t>(y) * SpriteSize * bpp, SpriteSize * bpp);
    };
    auto copyFull = [&] { std::memcpy(copyDst.data(), fullBytes, copyDst.size()); };
    auto copyRect = [&] {
        for (int y = 0; y < RectH; ++y)
            std::memcpy(&copyDst[(static_cast<size_t>(RectY + y) * ScreenW + RectX) * bpp],
                        fullBytes + static_cast<size_t>(y) * ScreenW * bpp, RectW * bpp);
    };

    using Blit = void (*)(BITMAP*, BITMAP*, int, int, int);
    using Blender = void (*)(int, int, int, int);
    auto oursSprites = [&](Blit op) -> Pass { return [&, op] { for (const Point& p : spots) op(sprite, dst, p.x, p.y, Fact); }; };
    auto oursFull = [&](Blit op) -> Pass { return [&, op] { op(full, dst, 0, 0, Fact); }; };
    auto allegroSprites = [&](Blender blender) -> Pass {
        return [&, blender] {
            blender(0, 0, 0, Fact);
            for (const Point& p : spots) draw_trans_sprite(dst, sprite, p.x, p.y);
        };
    };
    auto allegroFull = [&](Blender blender) -> Pass {
        return [&, blender] {
            blender(0, 0, 0, Fact);
            draw_trans_sprite(dst, full, 0, 0);
        };
    };
    auto pixmanSprites = [&](pixman_op_t op) -> Pass {
        return [&, op] {
            for (const Point& p : spots)
                pixman_image_composite32(op, pSprite, pMask, pDst, 0, 0, 0, 0, p.x, p.y, SpriteSize, SpriteSize);
        };
    };
    auto pixmanFull = [&](pixman_op_t op) -> Pass {
        return [&, op] { pixman_image_composite32(op, pFull, pMask, pDst, 0, 0, 0, 0, 0, 0, ScreenW, ScreenH); };
    };
    auto rectOurs = [&](int x, int y, int w, int h) -> Pass {
        return [&, x, y, w, h] { translucent_rectfill(dst, x, y, w, h, colour, Fact); };
    };
    auto rectAllegro = [&](int x, int y, int w, int h) -> Pass {
        return [&, x, y, w, h] {
            set_trans_blender(0, 0, 0, Fact);
            drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
            rectfill(dst, x, y, x + w - 1, y + h - 1, colour);
            solid_mode();
        };
    };
    auto rectPixman = [&](int x, int y, int w, int h) -> Pass {
        return [&, x, y, w, h] {
            pixman_rectangle16_t box = {static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(w),
                                        static_cast<uint16_t>(h)};
            pixman_image_fill_rectangles(PIXMAN_OP_OVER, pDst, &fillColour, 1, &box);
        };
    };
    auto run = [](const char* name, const std::vector<Pass>& passes, double pixels) {
        auto r = megapixelsPerSecond(passes, std::vector<double>(passes.size(), pixels));
        printRow({name, r[0], r[1], r[2], r[3]});
    };

    std::printf("%d bits, fact %d, megapixels per second          ours  allegro   pixman   memcpy   "
                "vs pixman vs allegro vs memcpy\n",
                depth, Fact);
    run("additive, 32x32 sprites",
        {oursSprites(additive_blit), allegroSprites(set_add_blender), pixmanSprites(PIXMAN_OP_ADD), copySprites},
        spritePixels);
    run("translucent, 32x32 sprites",
        {oursSprites(translucent_blit), allegroSprites(set_trans_blender), pixmanSprites(PIXMAN_OP_OVER), copySprites},
        spritePixels);
    run("additive, full surface",
        {oursFull(additive_blit), allegroFull(set_add_blender), pixmanFull(PIXMAN_OP_ADD), copyFull}, fullPixels);
    run("translucent, full surface",
        {oursFull(translucent_blit), allegroFull(set_trans_blender), pixmanFull(PIXMAN_OP_OVER), copyFull}, fullPixels);
    run("rectfill, 240x360",
        {rectOurs(RectX, RectY, RectW, RectH), rectAllegro(RectX, RectY, RectW, RectH),
         rectPixman(RectX, RectY, RectW, RectH), copyRect},
        rectPixels);
    run("rectfill, full surface",
        {rectOurs(0, 0, ScreenW, ScreenH), rectAllegro(0, 0, ScreenW, ScreenH), rectPixman(0, 0, ScreenW, ScreenH), copyFull},
        fullPixels);

    pixman_image_unref(pMask);
    pixman_image_unref(pDst);
    pixman_image_unref(pFull);
    pixman_image_unref(pSprite);
    destroy_bitmap(sprite);
    destroy_bitmap(full);
    destroy_bitmap(dst);
}

} // namespace

// An optional argument names the kernel level to measure instead of the best
// one ("portable", "sse2", "avx2", "avx512bw").
int main(int argc, char** argv) {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "bench_blend: Allegro could not start\n");
        return 1;
    }
    namespace blend = tessaron::blend;
    for (int level = 0; argc > 1 && level < blend::LevelCount; ++level)
        if (std::strcmp(argv[1], blend::levelName(static_cast<blend::Level>(level))) == 0 &&
            !blend::forceLevel(static_cast<blend::Level>(level)))
            std::printf("level %s is not supported here\n", argv[1]);
    std::printf("kernel level: %s (supported:", blend::levelName(blend::activeLevel()));
    for (int level = 0; level < blend::LevelCount; ++level)
        if (blend::levelSupported(static_cast<blend::Level>(level)))
            std::printf(" %s", blend::levelName(static_cast<blend::Level>(level)));
    std::printf(")\n");

    std::mt19937 rng(7);
    std::vector<Point> spots(SpriteCount);
    for (Point& p : spots) p = {static_cast<int>(rng() % (ScreenW - SpriteSize)), static_cast<int>(rng() % (ScreenH - SpriteSize))};
    for (int depth : {32, 16}) benchDepth(depth, spots);
    return 0;
}
