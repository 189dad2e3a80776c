// FontSet: one TrueType face opened at the seven pixel sizes the game draws
// with (12, 18, 24, 36, 48, 60, 72; index 0 to 6).  Also the start and stop
// of the text layer, which the shell calls at fixed points.  Main thread only.
#pragma once

#include "render/font_sizes.h"

struct TTF_FONT;

namespace tessaron {

struct FontSet {
    TTF_FONT* sizes[FontSizeCount] = {};
};

// The body text face and the title face, each at the seven sizes; the
// drawing reads them, the shell loads and releases them.
extern FontSet BodyFonts;
extern FontSet TitleFonts;

// Starts the text layer and sets its text background to transparent.
void startTextLayer();
// Shuts the text layer down; fonts must have been released first.
void stopTextLayer();

// Opens `path` once per size.  Returns false (and opens nothing) when the
// file cannot be used as a font; the caller reports the missing file.
bool loadFontSet(FontSet& set, const char* path);
// Releases every handle of the set; safe on an empty or half-filled set.
void releaseFontSet(FontSet& set);

} // namespace tessaron
