// The three blending primitives: clipping, factor conversion, the
// full-strength and half-and-half shortcuts, destination access, and the
// choice of row kernels by processor level.
#include "gfx/blend.h"

#include <cstdint>

#include "gfx/blend_kernels.h"

namespace tessaron::blend {

const Kernels* sse2Kernels();
const Kernels* avx2Kernels();
const Kernels* avx512Kernels();

namespace {

// Allegro's own capability flags are never set in Debian's build, so the
// processor is asked directly.
bool detect(Level level) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (level) {
    case LevelPortable: return true;
    case LevelSse2: return __builtin_cpu_supports("sse2");
    case LevelAvx2: return __builtin_cpu_supports("avx2");
    case LevelAvx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    default: return false;
    }
#else
    return level == LevelPortable;
#endif
}

Level bestLevel() {
    for (int level = LevelCount - 1; level > LevelPortable; --level)
        if (levelSupported(static_cast<Level>(level))) return static_cast<Level>(level);
    return LevelPortable;
}

Level Active = bestLevel();

const Kernels& activeKernels() { return *kernelsFor(Active); }

} // namespace

const Kernels* kernelsFor(Level level) {
    switch (level) {
    case LevelPortable: return &portableKernels();
    case LevelSse2: return sse2Kernels();
    case LevelAvx2: return avx2Kernels();
    case LevelAvx512: return avx512Kernels();
    default: return nullptr;
    }
}

bool levelSupported(Level level) { return kernelsFor(level) != nullptr && detect(level); }

Level activeLevel() { return Active; }

bool forceLevel(Level level) {
    if (!levelSupported(level)) return false;
    Active = level;
    return true;
}

const char* levelName(Level level) {
    static const char* const names[LevelCount] = {"portable", "sse2", "avx2", "avx512bw"};
    return level >= 0 && level < LevelCount ? names[level] : "unknown";
}

namespace {

// The part of a w x h area placed at (x, y) that lies on the destination:
// source offset, destination position and size.
struct Area {
    int sx = 0, sy = 0, dx = 0, dy = 0, w = 0, h = 0;
};

// Clips against the destination's full extent (not its clip rectangle).
// Returns false when nothing is left.  The sums are taken in 64 bits, so
// positions and sizes near the ends of the int range clip like any other
// instead of wrapping round onto (or past) the bitmap.
bool clipArea(const BITMAP* dst, int x, int y, int w, int h, Area& a) {
    int64_t dx = x, dy = y, sx = 0, sy = 0, cw = w, ch = h;
    if (dx < 0) {
        cw += dx;
        sx = -dx;
        dx = 0;
    }
    if (dy < 0) {
        ch += dy;
        sy = -dy;
        dy = 0;
    }
    if (dx + cw >= dst->w) cw = dst->w - dx;
    if (dy + ch >= dst->h) ch = dst->h - dy;
    if (cw < 1 || ch < 1) return false;
    // Something is left, so every value now lies within the bitmap's or the
    // source's own extent.
    a = {static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(cw),
         static_cast<int>(ch)};
    return true;
}

bool blendableDepth(int depth) { return depth == 15 || depth == 16 || depth == 32; }

const DepthKernels& kernelsOfDepth(int depth) {
    const Kernels& k = activeKernels();
    return depth == 32 ? k.depth32 : depth == 16 ? k.depth16 : k.depth15;
}

int bytesPerPixel(int depth) { return depth == 32 ? 4 : 2; }

// Factors above full strength are outside the callers' contract; they are
// treated as full strength rather than overflowing the fields.
int clampFactor(int fact) { return fact > 255 ? 255 : fact; }

// 15/16-bit internal factor, 0..32.
int factor16(int fact) { return (fact + 7) >> 3; }

// The bracket around the pixel work on the destination.
struct DestinationAccess {
    BITMAP* dst;
    explicit DestinationAccess(BITMAP* bitmap) : dst(bitmap) { acquire_bitmap(dst); }
    ~DestinationAccess() {
        bmp_unwrite_line(dst);
        release_bitmap(dst);
    }
    unsigned char* row(int y, int x, int bpp) const {
        return reinterpret_cast<unsigned char*>(bmp_write_line(dst, y)) + static_cast<intptr_t>(x) * bpp;
    }
};

// Runs a source-row kernel over every clipped row.
void blitRows(BITMAP* src, BITMAP* dst, const Area& a, SourceRow kernel, int f) {
    const int bpp = bytesPerPixel(bitmap_color_depth(dst));
    DestinationAccess access(dst);
    for (int r = 0; r < a.h; ++r) {
        const unsigned char* s = src->line[a.sy + r] + static_cast<intptr_t>(a.sx) * bpp;
        kernel(access.row(a.dy + r, a.dx, bpp), s, a.w, f);
    }
}

// Clips a blit of src at (x, y); false when there is nothing to draw.
bool prepareBlit(BITMAP* src, BITMAP* dst, int x, int y, int fact, Area& a) {
    if (!src || !dst || fact <= 0) return false;
    const int depth = bitmap_color_depth(dst);
    if (!blendableDepth(depth) || bitmap_color_depth(src) != depth) return false;
    return clipArea(dst, x, y, src->w, src->h, a);
}

} // namespace
} // namespace tessaron::blend

using namespace tessaron::blend;

void additive_blit(BITMAP* src, BITMAP* dst, int x, int y, int fact) {
    Area a;
    if (!prepareBlit(src, dst, x, y, fact, a)) return;
    fact = clampFactor(fact);
    const int depth = bitmap_color_depth(dst);
    const DepthKernels& k = kernelsOfDepth(depth);
    const int f = depth == 32 ? fact + 1 : factor16(fact);
    const int full = depth == 32 ? 256 : 32;
    blitRows(src, dst, a, f == full ? k.addFull : k.addScaled, f);
}

void translucent_blit(BITMAP* src, BITMAP* dst, int x, int y, int fact) {
    Area a;
    if (!prepareBlit(src, dst, x, y, fact, a)) return;
    fact = clampFactor(fact);
    const int depth = bitmap_color_depth(dst);
    const int f = depth == 32 ? fact : factor16(fact);
    const bool opaque = depth == 32 ? fact == 255 : f == 32;
    if (opaque) {
        masked_blit(src, dst, a.sx, a.sy, a.dx, a.dy, a.w, a.h);
        return;
    }
    const bool half = depth == 32 ? (fact == 127 || fact == 128) : f == 16;
    const DepthKernels& k = kernelsOfDepth(depth);
    blitRows(src, dst, a, half ? k.average : k.mix, f);
}

void translucent_rectfill(BITMAP* dst, int x, int y, int w, int h, int colour, int fact) {
    if (!dst || fact <= 0) return;
    const int depth = bitmap_color_depth(dst);
    if (!blendableDepth(depth)) return;
    Area a;
    if (!clipArea(dst, x, y, w, h, a)) return;
    fact = clampFactor(fact);
    const int f = depth == 32 ? fact + 1 : factor16(fact);
    const int full = depth == 32 ? 256 : 32;
    DestinationAccess access(dst);
    if (f == full) {
        rectfill(dst, a.dx, a.dy, a.dx + a.w - 1, a.dy + a.h - 1, colour);
        return;
    }
    const RectRow kernel = kernelsOfDepth(depth).rect;
    const int bpp = bytesPerPixel(depth);
    for (int r = 0; r < a.h; ++r) kernel(access.row(a.dy + r, a.dx, bpp), a.w, static_cast<uint32_t>(colour), f);
}
