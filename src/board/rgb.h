// Rgb: a colour as plain red, green and blue components (0 to 255 each).
// The logic computes colours (a board's frame and background, a message's
// text) without knowing the screen's pixel format; the drawing turns an Rgb
// into a pixel value with makecol at draw time.  No dependencies, any thread.
#pragma once

namespace tessaron {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

inline bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

} // namespace tessaron
