// FrameGate: decides whether a main-loop pass composes and shows a frame.
// Everything a frame shows changes only in a logic step, except the mouse
// pointer, which is drawn wherever the mouse is, and the shell's lines over
// the match (a paused replay's status, say); so a pass after which no step
// has run, no visible pointer has moved and no line changed would draw the
// frame the screen already shows, and draws nothing.  (A covered and uncovered window
// is repainted by Allegro's X11 driver from its own copy of the screen.)
// Allegro-free; main thread; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

// What the next frame would be drawn from.
struct FrameInputs {
    std::int64_t stepsRun = 0; // logic steps run so far
    int pointerX = 0, pointerY = 0;
    bool pointerShown = false; // the pointer draws something
    std::uint64_t overlay = 0; // a hash of the shell's lines over the match
};

class FrameGate {
public:
    // True when a frame drawn from `now` can differ from the last one shown
    // (always for the first); `now` is then taken as shown.
    bool needed(const FrameInputs& now);

private:
    bool shown_ = false;
    FrameInputs last_;
};

} // namespace tessaron
