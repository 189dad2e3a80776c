// The records behind TTF_FONT, and the pixel-size search on its own.
// Internal to the text layer and its tests: callers use ttf.h.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <functional>

// One glyph index's cached bitmaps; valid while `cached` is 1.
struct TTF_GLYPH {
    unsigned char cached;
    int mono_width, mono_height;
    int aa_width, aa_height;
    int mono_left, mono_top;  // left edge from the pen; top row above the baseline
    int aa_left, aa_top;
    int advance_x, advance_y;  // whole pixels
    int has_mono, has_aa;
    unsigned char* mono_bitmap;  // width x height bytes, nonzero = ink
    unsigned char* aa_bitmap;    // width x height coverage bytes 0..255
};

struct TTF_FONT {
    FT_Face face;
    int height;      // height last requested; also the opaque background's height
    int pixel_size;  // the pixel size given to FreeType for it
    int ascender;    // top of a line to its baseline, whole pixels
    unsigned char* font_data;  // private copy for a font from memory, else null
    int font_data_size;
    int char_spacing;      // 0..4096
    int fixed_size_count;  // bitmap strikes of a face without outlines; -1 if scalable
    TTF_GLYPH* glyph_cache;  // face->num_glyphs records
    int* fixed_sizes;        // strike heights, then -1
    unsigned library_generation;  // the FreeType library the face belongs to
};

namespace tessaron::ttf {

// The largest pixel size whose line height does not exceed `height`, found
// by stepping one size at a time from `height`; -1 when the stepping fails.
// lineHeightAt(size) selects that size and returns its line height, or -1
// when the size cannot be selected.
int findPixelSize(int height, const std::function<int(int)>& lineHeightAt);

} // namespace tessaron::ttf
