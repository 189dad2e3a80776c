#include "assets/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "assets/bytes.h"

namespace tessaron::assets {

Image::Image(int width, int height, Rgb fill)
    : w(width), h(height), px(static_cast<size_t>(width) * height, fill)
{
}

namespace {

double channel(double v) { return std::clamp(std::floor(v + 0.5), 0.0, 255.0); }

bool isMask(const Rgb& c) { return c.r == 255 && c.g == 0 && c.b == 255; }

} // namespace

void Image::quantise()
{
    for (Rgb& c : px)
        c = {channel(c.r), channel(c.g), channel(c.b)};
}

void Image::maskBlack()
{
    for (Rgb& c : px)
        if (c.r == 0 && c.g == 0 && c.b == 0)
            c = kMask;
}

Image paint(int w, int h, const Shader& shade, int ss)
{
    Image img(w, h);
    const double step = 1.0 / ss;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb sum;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i)
                    sum = sum + shade(x + (i + 0.5) * step, y + (j + 0.5) * step);
            img.at(x, y) = sum * (1.0 / (ss * ss));
        }
    img.quantise();
    return img;
}

// Both blits walk the scaled source and clip against the destination; only
// the per-pixel rule differs.
template <typename Combine>
static void blitScaled(Image& dst, const Image& src, int x, int y, int scale, Combine combine)
{
    for (int sy = 0; sy < src.height(); ++sy)
        for (int sx = 0; sx < src.width(); ++sx)
            for (int j = 0; j < scale; ++j)
                for (int i = 0; i < scale; ++i) {
                    const int dx = x + sx * scale + i;
                    const int dy = y + sy * scale + j;
                    if (dx >= 0 && dy >= 0 && dx < dst.width() && dy < dst.height())
                        combine(dst.at(dx, dy), src.at(sx, sy));
                }
}

void blitOpaque(Image& dst, const Image& src, int x, int y, int scale)
{
    blitScaled(dst, src, x, y, scale, [](Rgb& d, const Rgb& s) { d = s; });
}

void blitAdditive(Image& dst, const Image& src, int x, int y, int scale)
{
    blitScaled(dst, src, x, y, scale, [](Rgb& d, const Rgb& s) {
        if (!isMask(s))
            d = {std::min(255.0, d.r + s.r), std::min(255.0, d.g + s.g), std::min(255.0, d.b + s.b)};
    });
}

bool writeBmp(const std::string& path, const Image& img)
{
    const int w = img.width();
    const int h = img.height();
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(rowBytes) * h;

    Bytes out;
    out.reserve(54 + dataBytes);
    out.text("BM", 2);
    out.le32(54 + dataBytes);
    out.le32(0);
    out.le32(54);
    out.le32(40);                // BITMAPINFOHEADER
    out.le32(static_cast<std::uint32_t>(w));
    out.le32(static_cast<std::uint32_t>(h)); // positive: rows stored bottom-up
    out.le16(1);
    out.le16(24);
    out.le32(0);                 // no compression
    out.le32(dataBytes);
    out.le32(2835);              // 72 dpi
    out.le32(2835);
    out.le32(0);
    out.le32(0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb& c = img.at(x, y);
            out.u8(static_cast<unsigned>(channel(c.b)));
            out.u8(static_cast<unsigned>(channel(c.g)));
            out.u8(static_cast<unsigned>(channel(c.r)));
        }
        for (int pad = w * 3; pad < rowBytes; ++pad)
            out.u8(0);
    }
    return out.save(path);
}

double clamp01(double t) { return std::clamp(t, 0.0, 1.0); }

double smoothstep(double e0, double e1, double t)
{
    const double u = clamp01((t - e0) / (e1 - e0));
    return u * u * (3.0 - 2.0 * u);
}

} // namespace tessaron::assets
