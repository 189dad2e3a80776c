#include "assets/backgrounds.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "assets/prng.h"

namespace tessaron::assets {
namespace {

constexpr int W = kBackgroundWidth;
constexpr int H = kBackgroundHeight;

// Smooth value noise on a 256-periodic lattice, and its fractal sum.
class ValueNoise {
public:
    explicit ValueNoise(std::uint64_t seed)
    {
        Prng rng(seed);
        for (int i = 0; i < 256; ++i) {
            values[i] = rng.uniform();
            perm[i] = static_cast<std::uint8_t>(i);
        }
        for (int i = 255; i > 0; --i)
            std::swap(perm[i], perm[rng.below(i + 1)]);
    }

    // In [0, 1).
    double at(double x, double y) const
    {
        const double fx = std::floor(x);
        const double fy = std::floor(y);
        const int xi = static_cast<int>(fx);
        const int yi = static_cast<int>(fy);
        const double u = fade(x - fx);
        const double v = fade(y - fy);
        const double top = lerp(lattice(xi, yi), lattice(xi + 1, yi), u);
        const double bottom = lerp(lattice(xi, yi + 1), lattice(xi + 1, yi + 1), u);
        return lerp(top, bottom, v);
    }

    // Octaves at doubling frequency and halving weight, scaled to [0, 1).
    double fbm(double x, double y, int octaves) const
    {
        double sum = 0;
        double weight = 0.5;
        double total = 0;
        for (int i = 0; i < octaves; ++i) {
            sum += weight * at(x, y);
            total += weight;
            x = x * 2.03 + 17.1;
            y = y * 2.03 + 5.7;
            weight *= 0.5;
        }
        return sum / total;
    }

private:
    static double fade(double t) { return t * t * (3.0 - 2.0 * t); }
    static double lerp(double a, double b, double t) { return a + (b - a) * t; }
    double lattice(int x, int y) const { return values[perm[(perm[x & 255] + y) & 255]]; }

    std::array<double, 256> values{};
    std::array<std::uint8_t, 256> perm{};
};

// Darkens towards the corners so the eye rests on the middle.
double vignette(int x, int y, double strength)
{
    const double dx = (x - W / 2.0) / (W / 2.0);
    const double dy = (y - H / 2.0) / (H / 2.0);
    return 1.0 - strength * smoothstep(0.3, 1.6, dx * dx + dy * dy);
}

// Sparse faint stars: small soft points at random places and brightnesses.
void addStars(Image& img, std::uint64_t seed, int count, double maxBrightness)
{
    Prng rng(seed);
    for (int i = 0; i < count; ++i) {
        const double cx = rng.range(0, W);
        const double cy = rng.range(0, H);
        const double b = maxBrightness * std::pow(rng.uniform(), 3.0);
        const Rgb tint = mix(Rgb{200, 215, 255}, Rgb{255, 235, 200}, rng.uniform());
        for (int y = static_cast<int>(cy) - 2; y <= static_cast<int>(cy) + 2; ++y)
            for (int x = static_cast<int>(cx) - 2; x <= static_cast<int>(cx) + 2; ++x) {
                if (x < 0 || y < 0 || x >= W || y >= H)
                    continue;
                const double d2 = (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy);
                img.at(x, y) = img.at(x, y) + tint * (b / 255.0 * std::exp(-d2 * 1.6));
            }
    }
}

// Fills every pixel from a shading function of its coordinates.
template <typename Shade>
Image shadeAll(Shade shade)
{
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.at(x, y) = shade(x, y);
    return img;
}

// Adds a little noise before rounding, so slow gradients do not show bands.
void dither(Image& img, std::uint64_t seed)
{
    Prng rng(seed);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Rgb& c = img.at(x, y);
            c = {c.r + rng.uniform() - 0.5, c.g + rng.uniform() - 0.5, c.b + rng.uniform() - 0.5};
        }
    img.quantise();
}

// Deep blue-violet sky with soft teal and rose clouds and faint stars.
Image nebula()
{
    const ValueNoise shape(101);
    const ValueNoise tint(102);
    Image img = shadeAll([&](int x, int y) {
        const double t = static_cast<double>(y) / H;
        Rgb c = mix(Rgb{12, 14, 34}, Rgb{5, 6, 16}, t);
        const double n = shape.fbm(x / 260.0, y / 260.0, 6);
        const double cloud = smoothstep(0.42, 0.78, n);
        const double hue = tint.fbm(x / 420.0 + 9.0, y / 420.0, 3);
        c = c + mix(Rgb{10, 48, 62}, Rgb{56, 18, 60}, smoothstep(0.35, 0.65, hue)) * (cloud * 0.9);
        const double wisps = smoothstep(0.55, 0.9, shape.fbm(x / 90.0 + 40.0, y / 90.0, 4));
        c = c + Rgb{20, 26, 46} * (wisps * cloud * 0.6);
        return c * vignette(x, y, 0.45);
    });
    addStars(img, 103, 420, 150);
    dither(img, 104);
    return img;
}

// Distance from p (in cell units) to the nearest edge of a flat-packed
// hexagon tiling whose cells have an inner radius of 0.5.
double hexEdgeDistance(double px, double py)
{
    const double rx = 1.0;
    const double ry = std::sqrt(3.0);
    auto wrap = [](double v, double m) { return v - m * std::floor(v / m); };
    const double ax = wrap(px, rx) - rx / 2;
    const double ay = wrap(py, ry) - ry / 2;
    const double bx = wrap(px - rx / 2, rx) - rx / 2;
    const double by = wrap(py - ry / 2, ry) - ry / 2;
    const bool nearA = ax * ax + ay * ay < bx * bx + by * by;
    const double gx = std::fabs(nearA ? ax : bx);
    const double gy = std::fabs(nearA ? ay : by);
    const double hex = std::max(gx * 0.5 + gy * (std::sqrt(3.0) / 2.0), gx);
    return 0.5 - hex;
}

// Slate-teal glow from the middle, a faint hexagon grid that fades towards
// the edges, and soft mottling.
Image hexGrid()
{
    const ValueNoise mottle(201);
    const ValueNoise pulse(202);
    Image img = shadeAll([&](int x, int y) {
        const double dx = (x - W / 2.0) / W;
        const double dy = (y - H / 2.0) / H;
        const double r = std::sqrt(dx * dx + dy * dy);
        Rgb c = mix(Rgb{14, 30, 38}, Rgb{4, 8, 12}, smoothstep(0.0, 0.75, r));
        c = c * (0.85 + 0.3 * mottle.fbm(x / 180.0, y / 180.0, 5));
        const double cell = 46.0;
        const double d = hexEdgeDistance(x / cell, y / cell) * cell;
        const double line = 1.0 - smoothstep(0.4, 1.6, d);
        const double glowAmount = smoothstep(0.35, 0.8, pulse.fbm(x / 300.0, y / 300.0, 3));
        const double strength = (0.35 + 0.65 * glowAmount) * (1.0 - smoothstep(0.25, 0.7, r));
        c = c + Rgb{22, 58, 64} * (line * strength);
        return c * vignette(x, y, 0.35);
    });
    dither(img, 203);
    return img;
}

// A night sky with soft green and violet aurora curtains over a dark rise.
Image aurora()
{
    const ValueNoise curtain(301);
    const ValueNoise rays(302);
    Image img = shadeAll([&](int x, int y) {
        const double t = static_cast<double>(y) / H;
        Rgb c = mix(Rgb{4, 10, 20}, Rgb{8, 16, 28}, smoothstep(0.0, 0.8, t));
        // The curtain's lower edge wanders across the sky.
        const double base = H * (0.34 + 0.1 * std::sin(x / 170.0) + 0.12 * (curtain.fbm(x / 330.0, 3.0, 4) - 0.5));
        const double above = (base - y) / (H * 0.3);
        // Brightest along the lower edge, fading slowly upwards and fast below.
        const double band = above > 0 ? std::exp(-above * 2.2) : std::exp(above * 14.0);
        const double streak = 0.45 + 0.55 * rays.fbm(x / 14.0, y / 600.0, 3);
        const double body = band * streak * (0.5 + 0.5 * curtain.fbm(x / 140.0, y / 140.0 + 7.0, 3));
        const Rgb curtainColour = mix(Rgb{26, 120, 86}, Rgb{64, 30, 110}, smoothstep(0.0, 1.2, above));
        c = c + curtainColour * (body * 0.55);
        // A dark rise along the bottom.
        const double ridge = H * (0.86 + 0.04 * std::sin(x / 240.0 + 1.3) + 0.05 * (curtain.fbm(x / 120.0, 11.0, 4) - 0.5));
        if (y > ridge)
            c = mix(c, Rgb{2, 4, 8}, smoothstep(ridge, ridge + 3.0, y));
        return c * vignette(x, y, 0.3);
    });
    addStars(img, 303, 260, 110);
    dither(img, 304);
    return img;
}

// The fallback: dark slate with fine diagonal lines and a soft glow above.
Image plainSlate()
{
    const ValueNoise mottle(401);
    Image img = shadeAll([&](int x, int y) {
        const double dx = (x - W / 2.0) / W;
        const double dy = (y - H * 0.2) / H;
        const double glowAmount = std::exp(-(dx * dx * 3.0 + dy * dy * 5.0));
        Rgb c = mix(Rgb{8, 10, 16}, Rgb{24, 30, 44}, glowAmount);
        c = c * (0.9 + 0.2 * mottle.fbm(x / 150.0, y / 150.0, 4));
        const double stripe = std::fabs(std::fmod(x + y + 4096.0, 24.0) - 12.0);
        c = c + Rgb{6, 8, 12} * (1.0 - smoothstep(0.5, 1.5, stripe)) * (0.4 + glowAmount);
        return c * vignette(x, y, 0.4);
    });
    dither(img, 402);
    return img;
}

} // namespace

std::vector<Background> makeBackgrounds()
{
    std::vector<Background> out;
    out.push_back({"backgrounds/nebula.bmp", nebula()});
    out.push_back({"backgrounds/hexgrid.bmp", hexGrid()});
    out.push_back({"backgrounds/aurora.bmp", aurora()});
    out.push_back({"bg1.bmp", plainSlate()});
    return out;
}

} // namespace tessaron::assets
