#include "assets/sprites.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessaron::assets {
namespace {

const Rgb kWhite{255, 255, 255};

// One entry per BlockColour, in slot order.  Each colour has a face colour
// for its block, a brighter one for its glowing breaker, and a mark shape,
// so that colours can be told apart by shape alone.
enum class Mark { Circle, Triangle, Diamond, Cross, Square };

struct BlockStyle {
    const char* name;
    Rgb face;
    Rgb glow;
    Mark mark;
};

const std::array<BlockStyle, 5> kStyles{{
    {"red", {206, 44, 52}, {255, 64, 56}, Mark::Circle},
    {"green", {52, 168, 72}, {70, 255, 96}, Mark::Triangle},
    {"blue", {44, 98, 214}, {64, 132, 255}, Mark::Diamond},
    {"yellow", {232, 186, 36}, {255, 214, 56}, Mark::Cross},
    {"purple", {146, 66, 200}, {196, 84, 255}, Mark::Square},
}};

// Whether the point (dx, dy), relative to the mark's centre, lies inside a
// mark of the given radius.
bool insideMark(Mark mark, double dx, double dy, double radius)
{
    const double ax = std::fabs(dx);
    const double ay = std::fabs(dy);
    switch (mark) {
    case Mark::Circle:
        return std::hypot(dx, dy) < radius;
    case Mark::Triangle: {
        // Equilateral, pointing up, centred on its centroid.
        const double r = radius * 1.2;
        return dy < r / 2.0 && dy > std::sqrt(3.0) * ax - r;
    }
    case Mark::Diamond:
        return ax + ay < radius * 1.2;
    case Mark::Cross: {
        const double arm = radius * 0.36;
        return (ax < radius && ay < arm) || (ax < arm && ay < radius);
    }
    case Mark::Square:
        return std::max(ax, ay) < radius * 0.78;
    }
    return false;
}

// Paints a sprite of light for additive drawing: each sample saturates at
// white as light does, and what stays black becomes the mask colour.
Image paintLight(int w, int h, const Shader& shade)
{
    Image img = paint(w, h, [&](double x, double y) {
        const Rgb c = shade(x, y);
        return Rgb{std::min(c.r, 255.0), std::min(c.g, 255.0), std::min(c.b, 255.0)};
    });
    img.maskBlack();
    return img;
}

// A solid 32 x 32 block: dark outline, a three-pixel bevel lit from the top
// left, a face shaded top to bottom with a soft sheen, and the colour's mark
// raised in a pale tint with a shadow below-right.
Shader blockShader(const BlockStyle& s)
{
    return [s](double x, double y) {
        const double edge = std::min(std::min(x, y), std::min(32.0 - x, 32.0 - y));
        if (edge < 1.0)
            return s.face * 0.32;
        if (edge < 4.0) {
            const bool lit = std::min(x, y) <= std::min(32.0 - x, 32.0 - y);
            return lit ? mix(s.face, kWhite, 0.42) : s.face * 0.55;
        }
        const double dx = x - 16.0;
        const double dy = y - 16.0;
        if (insideMark(s.mark, dx, dy, 7.0))
            return mix(s.face, kWhite, 0.62);
        if (insideMark(s.mark, dx - 1.2, dy - 1.2, 7.0))
            return s.face * 0.5;
        const double shade = 1.08 - 0.22 * (y - 4.0) / 24.0;
        const double sheen = 0.16 * smoothstep(9.0, 2.0, std::hypot((x - 12.0) * 0.7, y - 7.0));
        return mix(s.face * shade, kWhite, sheen);
    };
}

Image makeBlock(const BlockStyle& s) { return paint(32, 32, blockShader(s)); }

// A breaker: a glowing orb with a bright rim and a hot centre, its colour's
// mark in near-white at the middle, and a halo that dies out to black (then
// the mask colour) before the picture's edge.  The light it adds, unclamped.
Shader breakerShader(const BlockStyle& s)
{
    return [s](double x, double y) {
        const double dx = x - 16.0;
        const double dy = y - 16.0;
        const double r = std::hypot(dx, dy);
        const double radius = 12.5;
        Rgb c;
        if (r < radius) {
            const double body = 0.5 + 0.36 * (1.0 - (r / radius) * (r / radius));
            const double rim = std::exp(-std::pow((r - (radius - 1.6)) / 1.1, 2.0));
            c = s.glow * (body + 0.5 * rim);
            const double glint = std::exp(-(std::pow(dx + 4.5, 2.0) + std::pow(dy + 5.0, 2.0)) / 5.0);
            c = c + kWhite * (0.35 * glint);
            if (insideMark(s.mark, dx, dy, 5.2))
                c = mix(c, kWhite, 0.78);
        } else {
            const double halo = 1.0 - smoothstep(radius - 0.5, 16.0, r);
            c = s.glow * (0.55 * halo * halo);
        }
        return c;
    };
}

Image makeBreaker(const BlockStyle& s) { return paintLight(32, 32, breakerShader(s)); }

// The bomb: a white-hot core in an orange shell with eight spikes of light
// and a spark at the top right, so it reads as neither a block nor a breaker.
Image makeBomb()
{
    const Rgb orange{255, 128, 32};
    return paintLight(32, 32, [&](double x, double y) {
        const double dx = x - 15.0;
        const double dy = y - 17.0;
        const double r = std::hypot(dx, dy);
        Rgb c;
        if (r < 9.5) {
            const double t = r / 9.5;
            c = mix(Rgb{255, 246, 220}, orange, std::pow(t, 1.6)) * (1.0 - 0.2 * t);
        } else {
            const double a = std::atan2(dy, dx);
            const double spike = std::pow(std::fabs(std::cos(a * 4.0)), 24.0);
            const double reach = 1.0 - smoothstep(9.5, 15.0, r);
            c = orange * (0.75 * spike * reach + 0.25 * (1.0 - smoothstep(9.0, 12.5, r)));
        }
        // The spark of the fuse.
        const double sx = x - 25.5;
        const double sy = y - 6.5;
        const double star = std::exp(-std::fabs(sx) * 1.6) * std::exp(-std::fabs(sy) * 0.45) +
                            std::exp(-std::fabs(sy) * 1.6) * std::exp(-std::fabs(sx) * 0.45);
        const double fade = 1.0 - smoothstep(3.0, 6.0, std::hypot(sx, sy));
        c = c + Rgb{255, 230, 140} * (std::min(1.0, star) * fade);
        return c;
    });
}

// The win-circle icon: a small golden ring with a bright centre.
Image makeWinCircle()
{
    const Rgb gold{255, 200, 60};
    return paintLight(16, 16, [&](double x, double y) {
        const double r = std::hypot(x - 8.0, y - 8.0);
        const double ring = std::exp(-std::pow((r - 5.2) / 1.0, 2.0));
        const double dot = std::exp(-r * r / 2.0);
        const double halo = 0.25 * (1.0 - smoothstep(5.0, 8.0, r));
        return gold * std::min(1.0, ring + halo) + kWhite * (0.8 * dot);
    });
}

// A glow of the given colour whose intensity i runs from 0 to 1; the hottest
// part turns towards white, as light does when it saturates.
Rgb glow(Rgb colour, double i)
{
    const double hot = std::pow(std::max(0.0, i), 3.0) * 0.55;
    return colour * i + kWhite * hot;
}

// An elliptic glow of w x h pixels that reaches zero at its border.
Image makeGlowEllipse(int w, int h, Rgb colour, double power)
{
    return paintLight(w, h, [&](double x, double y) {
        const double ex = (x - w / 2.0) / (w / 2.0);
        const double ey = (y - h / 2.0) / (h / 2.0);
        const double q = ex * ex + ey * ey;
        return glow(colour, q < 1.0 ? std::pow(1.0 - q, power) : 0.0);
    });
}

// A four-pointed sparkle.
Image makeSparkle(int size, Rgb colour)
{
    const double half = size / 2.0;
    return paintLight(size, size, [&](double x, double y) {
        const double ax = std::fabs(x - half);
        const double ay = std::fabs(y - half);
        const double taper = 1.0 - smoothstep(0.0, half, std::max(ax, ay));
        const double rays = std::exp(-ay * 1.3) * (1.0 - ax / half) + std::exp(-ax * 1.3) * (1.0 - ay / half);
        const double core = std::exp(-(ax * ax + ay * ay) / 4.0);
        return glow(colour, std::min(1.0, 0.8 * rays * taper + core));
    });
}

struct ParticleStyle {
    const char* name;
    Rgb colour;
};

const std::array<ParticleStyle, 8> kParticleColours{{
    {"white", {235, 240, 255}},
    {"red", {255, 60, 48}},
    {"green", {64, 255, 84}},
    {"blue", {72, 128, 255}},
    {"yellow", {255, 226, 60}},
    {"orange", {255, 146, 36}},
    {"purple", {186, 80, 255}},
    {"pink", {255, 104, 196}},
}};

} // namespace

Shader blockShader(BlockColour colour) { return blockShader(kStyles[static_cast<size_t>(colour)]); }
Shader breakerShader(BlockColour colour) { return breakerShader(kStyles[static_cast<size_t>(colour)]); }

std::vector<Sprite> makeSprites()
{
    std::vector<Sprite> out;
    for (const BlockStyle& s : kStyles)
        out.push_back({std::string("gfx/blocks/block_") + s.name + ".bmp", makeBlock(s), false, 0});
    for (const BlockStyle& s : kStyles)
        out.push_back({std::string("gfx/blocks/breaker_") + s.name + ".bmp", makeBreaker(s), true, 1});
    out.push_back({"gfx/blocks/special_bomb.bmp", makeBomb(), true, 1});
    out.push_back({"gfx/icons/win_circle.bmp", makeWinCircle(), true, 1});
    for (const ParticleStyle& p : kParticleColours)
        out.push_back({std::string("particles/generic_") + p.name + ".bmp",
                       makeGlowEllipse(16, 10, p.colour, 2.0), true, 2});
    out.push_back({"particles/testblob.bmp", makeGlowEllipse(24, 24, {150, 190, 255}, 2.5), true, 2});
    out.push_back({"particles/testparticle3.bmp", makeSparkle(20, {170, 200, 255}), true, 2});
    out.push_back({"particles/testparticle.bmp", makeGlowEllipse(44, 44, {255, 244, 220}, 1.6), true, 2});
    return out;
}

Image makeContactSheet(const std::vector<Sprite>& sprites)
{
    constexpr int kScale = 2;
    constexpr int kGap = 12;
    constexpr int kRowHeight = 44 * kScale + kGap;
    constexpr int kPanelWidth = 600;
    constexpr int kRows = 3;
    const std::array<Rgb, 2> grounds{Rgb{14, 16, 26}, Rgb{206, 210, 218}};

    Image sheet(kPanelWidth * 2, kRows * kRowHeight + kGap);
    for (int panel = 0; panel < 2; ++panel) {
        const int left = panel * kPanelWidth;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = left; x < left + kPanelWidth; ++x)
                sheet.at(x, y) = grounds[panel];
        std::array<int, kRows> cursor{};
        cursor.fill(left + kGap);
        for (const Sprite& s : sprites) {
            const int rowTop = kGap + s.sheetRow * kRowHeight;
            const int y = rowTop + (44 * kScale - s.image.height() * kScale) / 2;
            int& x = cursor[s.sheetRow];
            if (s.additive)
                blitAdditive(sheet, s.image, x, y, kScale);
            else
                blitOpaque(sheet, s.image, x, y, kScale);
            x += s.image.width() * kScale + kGap;
        }
    }
    return sheet;
}

} // namespace tessaron::assets
