#include "shell/font_set.h"

#include "gfx/ttf.h"

namespace tessaron {

FontSet BodyFonts;
FontSet TitleFonts;

void startTextLayer() {
    ttf_init();
    ttf_text_mode(-1);
}

void stopTextLayer() { ttf_exit(); }

bool loadFontSet(FontSet& set, const char* path) {
    for (int i = 0; i < FontSizeCount; ++i) {
        set.sizes[i] = ttf_load_font(path);
        if (!set.sizes[i] || ttf_set_font_size(set.sizes[i], FontPixelSizes[i]) != 0) {
            // Not a usable font: leave nothing open.
            releaseFontSet(set);
            return false;
        }
    }
    return true;
}

void releaseFontSet(FontSet& set) {
    for (TTF_FONT*& handle : set.sizes) {
        ttf_destroy_font(handle);
        handle = nullptr;
    }
}

} // namespace tessaron
