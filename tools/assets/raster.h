// Pictures for the asset generator: an RGB image of doubles (0..255 per
// channel), anti-aliased painting by supersampling, the two ways the game
// puts a sprite on screen (opaque copy, additive blend that skips the mask
// colour) for the contact sheet, and a 24-bit BMP writer.
// Depends on the C++ library only.  Single-threaded.  writeBmp reports a file
// that cannot be written by returning false.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessaron::assets {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb mix(Rgb a, Rgb b, double t) { return a * (1.0 - t) + b * t; }

// The colour every sprite leaves see-through.
constexpr Rgb kMask{255, 0, 255};

class Image {
public:
    Image(int width, int height, Rgb fill = {});
    int width() const { return w; }
    int height() const { return h; }
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Rounds every channel to a whole number in 0..255: what the file holds.
    void quantise();
    // Replaces every pure black pixel by the mask colour.  Sprites drawn with
    // additive blending add nothing there either way; the mask makes it plain.
    void maskBlack();

private:
    int w, h;
    std::vector<Rgb> px;
};

// Paints a w x h picture from a shading function of continuous coordinates
// (pixel centres at x + 0.5), averaging ss x ss samples per pixel.
using Shader = std::function<Rgb(double x, double y)>;
Image paint(int w, int h, const Shader& shade, int ss = 4);

// The contact sheet's view of the game's drawing, each source pixel scaled
// to a scale x scale square: an opaque copy, and an additive blend at full
// strength that leaves out source pixels of the mask colour.
void blitOpaque(Image& dst, const Image& src, int x, int y, int scale);
void blitAdditive(Image& dst, const Image& src, int x, int y, int scale);

bool writeBmp(const std::string& path, const Image& img);

// Smooth ramp of t between edges e0 < e1 (0 below, 1 above).
double smoothstep(double e0, double e1, double t);
double clamp01(double t);

} // namespace tessaron::assets
