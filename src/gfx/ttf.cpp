// The TrueType text layer: font records, glyph cache, size search, layout
// and pixel output.
#include "gfx/ttf.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "gfx/ttf_font.h"
#include "io/regular_file.h"

namespace tessaron::ttf {
namespace {

FT_Library Library = nullptr;
bool Initialised = false;
// Counts library starts, so that a font outliving ttf_exit is recognised
// and its face (already freed by FreeType) is not freed twice.
unsigned Generation = 0;
int DefaultBackground = 0;
// See ttf_text_generation: moved by every change that alters drawn text.
unsigned Appearance = 0;

// Heights beyond this are refused: they would only make huge glyph bitmaps,
// and FreeType clamps pixel sizes, so the search could never finish.
constexpr int MaxHeight = 2048;
constexpr int MaxSpacing = 4096;
constexpr int PrintBufferSize = 512;

// ---- the glyph cache ----------------------------------------------------------

void dropGlyphs(TTF_FONT* font) {
    if (!font->glyph_cache) return;
    for (long i = 0; i < font->face->num_glyphs; ++i) {
        TTF_GLYPH& g = font->glyph_cache[i];
        if (!g.cached) continue;
        g.cached = 0;
        std::free(g.mono_bitmap);
        std::free(g.aa_bitmap);
        g.mono_bitmap = g.aa_bitmap = nullptr;
    }
}

// Rows of a FreeType bitmap, whichever way its pitch runs.
const unsigned char* bitmapRow(const FT_Bitmap& b, int r) {
    const unsigned char* top = b.buffer + (b.pitch < 0 ? static_cast<long>(b.rows - 1) * -b.pitch : 0);
    return top + static_cast<long>(r) * b.pitch;
}

// Renders a copy of `glyph` in `mode`; null when it comes out in another
// pixel mode or rendering fails.  The caller frees the result.
FT_BitmapGlyph renderCopy(FT_Glyph glyph, FT_Render_Mode mode, FT_Pixel_Mode wanted) {
    FT_Glyph copy = nullptr;
    if (FT_Glyph_Copy(glyph, &copy) != 0) return nullptr;
    if (copy->format != FT_GLYPH_FORMAT_BITMAP && FT_Glyph_To_Bitmap(&copy, mode, nullptr, 1) != 0) {
        FT_Done_Glyph(copy);
        return nullptr;
    }
    auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(copy);
    if (bitmapGlyph->bitmap.pixel_mode != wanted) {
        FT_Done_Glyph(copy);
        return nullptr;
    }
    return bitmapGlyph;
}

// Fills width, height, offsets and a width x height byte buffer; byteAt
// gives the stored byte of column c of a source row.
template <class ByteAt>
unsigned char* copyBitmap(const FT_BitmapGlyph bg, int& width, int& height, int& left, int& top, ByteAt byteAt) {
    const FT_Bitmap& b = bg->bitmap;
    width = static_cast<int>(b.width);
    height = static_cast<int>(b.rows);
    left = bg->left;
    top = bg->top;
    if (width < 1 || height < 1) return nullptr;
    auto* out = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(width) * height));
    if (!out) return nullptr;
    for (int r = 0; r < height; ++r) {
        const unsigned char* row = bitmapRow(b, r);
        for (int c = 0; c < width; ++c) out[static_cast<size_t>(r) * width + c] = byteAt(row, c);
    }
    return out;
}

// Builds both bitmaps of a glyph index for the current size, once.
void cacheGlyph(TTF_FONT* font, TTF_GLYPH& g, FT_UInt index) {
    if (g.cached) return;
    FT_Glyph glyph = nullptr;
    if (FT_Load_Glyph(font->face, index, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(font->face->glyph, &glyph) != 0) {
        // Left uncached and empty: the character draws nothing and takes no room.
        return;
    }
    g.cached = 1;
    g.has_mono = g.has_aa = 0;

    if (FT_BitmapGlyph mono = renderCopy(glyph, FT_RENDER_MODE_MONO, FT_PIXEL_MODE_MONO)) {
        g.has_mono = 1;
        g.mono_bitmap = copyBitmap(mono, g.mono_width, g.mono_height, g.mono_left, g.mono_top,
                                   [](const unsigned char* row, int c) {
                                       return static_cast<unsigned char>(row[c >> 3] & (0x80 >> (c & 7)));
                                   });
        FT_Done_Glyph(reinterpret_cast<FT_Glyph>(mono));
    }
    if (FT_BitmapGlyph grey = renderCopy(glyph, FT_RENDER_MODE_NORMAL, FT_PIXEL_MODE_GRAY)) {
        g.has_aa = 1;
        // Coverage is stretched to 0..255 whatever the number of grey levels.
        const int scale = grey->bitmap.num_grays > 0 ? 256 / grey->bitmap.num_grays : 1;
        g.aa_bitmap = copyBitmap(grey, g.aa_width, g.aa_height, g.aa_left, g.aa_top,
                                 [scale](const unsigned char* row, int c) { return static_cast<unsigned char>(row[c] * scale); });
        FT_Done_Glyph(reinterpret_cast<FT_Glyph>(grey));
    }
    g.advance_x = static_cast<int>(font->face->glyph->advance.x >> 6);
    g.advance_y = static_cast<int>(font->face->glyph->advance.y >> 6);
    FT_Done_Glyph(glyph);
}

// The cached glyph of a character, or null when the character has no glyph
// record (a code at or above the glyph count of a face without a charmap).
TTF_GLYPH* glyphOf(TTF_FONT* font, int ch) {
    FT_ULong index = font->face->charmap ? FT_Get_Char_Index(font->face, static_cast<FT_ULong>(ch))
                                         : static_cast<FT_ULong>(ch);
    if (ch < 0 || index >= static_cast<FT_ULong>(font->face->num_glyphs)) return nullptr;
    TTF_GLYPH& g = font->glyph_cache[index];
    cacheGlyph(font, g, static_cast<FT_UInt>(index));
    return &g;
}

// ---- sizes ------------------------------------------------------------------

// Selects a pixel size; its line height in whole pixels, or -1.
int selectPixelSize(FT_Face face, int size) {
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) return -1;
    const FT_Size_Metrics& m = face->size->metrics;
    return std::abs(static_cast<int>(m.ascender >> 6)) + std::abs(static_cast<int>(m.descender >> 6));
}

// ---- loading ------------------------------------------------------------------

// Completes a record around an opened face; frees everything and returns
// null when the face cannot be used.
TTF_FONT* finishLoad(TTF_FONT* font, FT_Face face) {
    font->face = face;
    font->library_generation = Generation;
    font->fixed_size_count = (face->face_flags & FT_FACE_FLAG_SCALABLE) ? -1 : face->num_fixed_sizes;
    const int strikes = font->fixed_size_count > 0 ? font->fixed_size_count : 0;
    font->glyph_cache = static_cast<TTF_GLYPH*>(std::calloc(face->num_glyphs > 0 ? face->num_glyphs : 1, sizeof(TTF_GLYPH)));
    font->fixed_sizes = static_cast<int*>(std::malloc(sizeof(int) * (strikes + 1)));
    if (!font->glyph_cache || !font->fixed_sizes) {
        ttf_destroy_font(font);
        return nullptr;
    }
    for (int i = 0; i < strikes; ++i) font->fixed_sizes[i] = face->available_sizes[i].height;
    font->fixed_sizes[strikes] = -1;
    // A face on which no size can be set (a bitmap face without strikes, a
    // damaged file) cannot draw anything: refuse it here.
    const int first = font->fixed_size_count > 0 ? font->fixed_sizes[0] : 8;
    if (ttf_set_font_size(font, first) != 0) {
        ttf_destroy_font(font);
        return nullptr;
    }
    font->char_spacing = 0;
    ++Appearance;
    return font;
}

// ---- output ---------------------------------------------------------------------

// Lays the text out from (x, y) and calls put(px, py, value) for every inked
// byte of the chosen bitmap kind; stops once the pen passes the right clip.
template <class Put>
void layOut(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, bool antialiased, Put put) {
    int clipLeft, clipTop, clipRight, clipBottom;
    get_clip_rect(bmp, &clipLeft, &clipTop, &clipRight, &clipBottom);
    const char* p = text;
    for (int ch = ugetxc(&p); ch != 0 && x <= clipRight; ch = ugetxc(&p)) {
        const TTF_GLYPH* g = glyphOf(font, ch);
        if (!g) continue;
        const unsigned char* bits = antialiased ? g->aa_bitmap : g->mono_bitmap;
        if ((antialiased ? g->has_aa : g->has_mono) && bits) {
            const int w = antialiased ? g->aa_width : g->mono_width, h = antialiased ? g->aa_height : g->mono_height;
            const int left = x + (antialiased ? g->aa_left : g->mono_left);
            const int top = y - (antialiased ? g->aa_top : g->mono_top) + font->ascender;
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    if (unsigned char v = bits[static_cast<size_t>(r) * w + c]) put(left + c, top + r, v);
        }
        if (g->advance_x != 0) x += g->advance_x + font->char_spacing;
        if (g->advance_y != 0) y += g->advance_y + font->char_spacing;
    }
}

// Shared start of both outputs: false when nothing can show.  Paints the
// opaque background box.
bool beginText(BITMAP* bmp, TTF_FONT* font, const char*& text, int x, int y, int background) {
    if (!bmp || !font) return false;
    if (!text) text = "";
    int clipLeft, clipTop, clipRight, clipBottom;
    get_clip_rect(bmp, &clipLeft, &clipTop, &clipRight, &clipBottom);
    if (y + font->height < clipTop || y > clipBottom || x > clipRight) return false;
    if (background >= 0) rectfill(bmp, x, y, x + ttf_text_length(font, text) - 1, y + font->height - 1, background);
    return true;
}

using TextOut = void (*)(BITMAP*, TTF_FONT*, const char*, int, int, int, int);

// Formats into the bounded buffer and draws with `out`.
void printWith(TextOut out, BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format,
               va_list args) {
    char buf[PrintBufferSize];
    uvszprintf(buf, sizeof buf, format, args);
    out(bmp, font, buf, x, y, colour, background);
}

} // namespace

int findPixelSize(int height, const std::function<int(int)>& lineHeightAt) {
    int size = height;
    int direction = 0;
    for (;;) {
        const int line = lineHeightAt(size);
        if (line < 0) return -1;
        if (line == height) return size;
        if (direction == 0) {
            direction = line > height ? -1 : 1;
        } else if (direction > 0 && line > height) {
            --size;
            lineHeightAt(size);
            return size;
        } else if (direction < 0 && line < height) {
            return size;
        }
        size += direction;
        if (size < 1 || size > 2 * MaxHeight) return -1;
    }
}

} // namespace tessaron::ttf

using namespace tessaron::ttf;

int ttf_init(void) {
    if (Initialised) return 0;
    FT_Error error = FT_Init_FreeType(&Library);
    if (error != 0) {
        Library = nullptr;
        return error;
    }
    Initialised = true;
    ++Generation;
    ++Appearance;
    return 0;
}

void ttf_exit(void) {
    if (!Initialised) return;
    FT_Done_FreeType(Library);
    Library = nullptr;
    Initialised = false;
    ++Appearance;
}

int ttf_text_mode(int mode) {
    int previous = DefaultBackground;
    if (mode != previous) ++Appearance;
    DefaultBackground = mode;
    return previous;
}

TTF_FONT* ttf_load_font(const char* path) {
    // FreeType would block on a pipe in the font's place.
    if (!Initialised || tessaron::regularFileSize(path) < 0) return nullptr;
    auto* font = static_cast<TTF_FONT*>(std::calloc(1, sizeof(TTF_FONT)));
    if (!font) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(Library, path, 0, &face) != 0) {
        std::free(font);
        return nullptr;
    }
    return finishLoad(font, face);
}

TTF_FONT* ttf_load_font_from_memory(const void* data, int size) {
    if (!Initialised || !data || size <= 0) return nullptr;
    auto* font = static_cast<TTF_FONT*>(std::calloc(1, sizeof(TTF_FONT)));
    if (!font) return nullptr;
    font->font_data = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    FT_Face face = nullptr;
    if (font->font_data) std::memcpy(font->font_data, data, static_cast<size_t>(size));
    if (!font->font_data || FT_New_Memory_Face(Library, font->font_data, size, 0, &face) != 0) {
        std::free(font->font_data);
        std::free(font);
        return nullptr;
    }
    font->font_data_size = size;
    return finishLoad(font, face);
}

void ttf_destroy_font(TTF_FONT* font) {
    if (!font) return;
    ++Appearance;
    const bool faceAlive = Initialised && font->library_generation == Generation;
    if (faceAlive) dropGlyphs(font);
    std::free(font->glyph_cache);
    if (faceAlive) FT_Done_Face(font->face);
    std::free(font->fixed_sizes);
    std::free(font->font_data);
    std::free(font);
}

int ttf_set_font_size(TTF_FONT* font, int height) {
    if (!font) return -1;
    if (height == font->height) return 0;
    if (height < 1 || height > MaxHeight) return -1;
    FT_Face face = font->face;
    const int size = findPixelSize(height, [face](int s) { return selectPixelSize(face, s); });
    if (size < 0) {
        if (font->pixel_size > 0) FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(font->pixel_size));
        return -1;
    }
    dropGlyphs(font);
    font->height = height;
    font->pixel_size = size;
    font->ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    ++Appearance;
    return 0;
}

void ttf_set_char_spacing(TTF_FONT* font, int spacing) {
    if (!font) return;
    const int clamped = spacing < 0 ? 0 : spacing > MaxSpacing ? MaxSpacing : spacing;
    if (clamped != font->char_spacing) ++Appearance;
    font->char_spacing = clamped;
}

unsigned ttf_text_generation(void) { return Appearance; }

int ttf_text_height(const TTF_FONT* font) { return font ? font->height : 0; }

int ttf_text_length(TTF_FONT* font, const char* text) {
    if (!font || !text) return 0;
    int length = 0;
    for (int ch = ugetxc(&text); ch != 0; ch = ugetxc(&text)) {
        const TTF_GLYPH* g = glyphOf(font, ch);
        if (g && g->advance_x != 0) length += g->advance_x + font->char_spacing;
    }
    return length;
}

void ttf_textout_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background) {
    if (!beginText(bmp, font, text, x, y, background)) return;
    acquire_bitmap(bmp);
    layOut(bmp, font, text, x, y, false, [bmp, colour](int px, int py, unsigned char) { putpixel(bmp, px, py, colour); });
    release_bitmap(bmp);
}

void ttf_textout(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour) {
    ttf_textout_ex(bmp, font, text, x, y, colour, DefaultBackground);
}

void ttf_textout_right_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background) {
    ttf_textout_ex(bmp, font, text, x - ttf_text_length(font, text), y, colour, background);
}

void ttf_textout_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background) {
    if (!beginText(bmp, font, text, x, y, background)) return;
    if (background >= 0) {
        // Every coverage level's colour, from the background to the ink.
        // Colours are taken apart and made at the target's own depth.
        const int depth = bitmap_color_depth(bmp);
        int ramp[256];
        const int rb = getr_depth(depth, background), gb = getg_depth(depth, background), bb = getb_depth(depth, background);
        const int rf = getr_depth(depth, colour), gf = getg_depth(depth, colour), bf = getb_depth(depth, colour);
        auto step = [](int f, int b) { return f == b ? 0 : f + 1 - b; };
        const int dr = step(rf, rb), dg = step(gf, gb), db = step(bf, bb);
        for (int i = 0; i < 256; ++i)
            ramp[i] = makecol_depth(depth, (rb * 256 + i * dr) >> 8, (gb * 256 + i * dg) >> 8, (bb * 256 + i * db) >> 8);
        acquire_bitmap(bmp);
        layOut(bmp, font, text, x, y, true, [bmp, &ramp](int px, int py, unsigned char a) { putpixel(bmp, px, py, ramp[a]); });
        release_bitmap(bmp);
        return;
    }
    // Transparent: partial coverage is mixed by Allegro's translucent mode
    // with the coverage as alpha; full coverage is put solid.  The mode is
    // only switched when the coverage calls for another one.
    int currentAlpha = -1;
    acquire_bitmap(bmp);
    layOut(bmp, font, text, x, y, true, [bmp, colour, &currentAlpha](int px, int py, unsigned char a) {
        if (a != currentAlpha) {
            if (a == 255) {
                solid_mode();
            } else {
                drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
                set_trans_blender(0, 0, 0, a);
            }
            currentAlpha = a;
        }
        putpixel(bmp, px, py, colour);
    });
    release_bitmap(bmp);
    solid_mode();
}

void ttf_textout_centre_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background) {
    ttf_textout_aa_ex(bmp, font, text, x - ttf_text_length(font, text) / 2, y, colour, background);
}

void ttf_textout_right_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background) {
    ttf_textout_aa_ex(bmp, font, text, x - ttf_text_length(font, text), y, colour, background);
}

#define TTF_PRINT_WITH(out, background)               \
    va_list args;                                     \
    va_start(args, format);                           \
    printWith(out, bmp, font, x, y, colour, background, format, args); \
    va_end(args)

void ttf_textprintf(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, const char* format, ...) {
    TTF_PRINT_WITH(ttf_textout_ex, DefaultBackground);
}
void ttf_textprintf_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format, ...) {
    TTF_PRINT_WITH(ttf_textout_ex, background);
}
void ttf_textprintf_right_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format,
                             ...) {
    TTF_PRINT_WITH(ttf_textout_right_ex, background);
}
void ttf_textprintf_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format, ...) {
    TTF_PRINT_WITH(ttf_textout_aa_ex, background);
}
void ttf_textprintf_centre_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background,
                                 const char* format, ...) {
    TTF_PRINT_WITH(ttf_textout_centre_aa_ex, background);
}
void ttf_textprintf_right_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background,
                                const char* format, ...) {
    TTF_PRINT_WITH(ttf_textout_right_aa_ex, background);
}
#undef TTF_PRINT_WITH
