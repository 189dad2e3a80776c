#include "shell/font_set.h"

// The text layer is not built yet: these keep the shell's start-up and
// shut-down in their final shape until it is.

namespace tessaron {

void startTextLayer() {}
void stopTextLayer() {}

bool loadFontSet(FontSet& set, const char* path) {
    (void)path;
    for (TTF_FONT*& handle : set.sizes) handle = nullptr;
    return true;
}

void releaseFontSet(FontSet& set) {
    for (TTF_FONT*& handle : set.sizes) handle = nullptr;
}

} // namespace tessaron
