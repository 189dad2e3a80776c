#include "render/frame_gate.h"

namespace tessaron {

bool FrameGate::needed(const FrameInputs& now) {
    bool pointerMoved = now.pointerX != last_.pointerX || now.pointerY != last_.pointerY;
    bool changed = !shown_ || now.stepsRun != last_.stepsRun || now.pointerShown != last_.pointerShown ||
                   now.overlay != last_.overlay ||
                   (now.pointerShown && pointerMoved);
    if (!changed) return false;
    shown_ = true;
    last_ = now;
    return true;
}

} // namespace tessaron
