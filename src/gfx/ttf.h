// The TrueType text layer: fonts opened with FreeType, a per-font cache of
// rendered glyphs (monochrome and 256-level grey, built once per size), text
// measuring, and monochrome or anti-aliased output onto Allegro bitmaps with
// a transparent or opaque background.
//
// Depends on Allegro 4 (pixels go through putpixel, so the target's clip
// rectangle and Allegro's drawing mode apply) and FreeType 2.  Main thread
// only: the library handle, the default background and the drawing-mode
// changes of anti-aliased output are global.
//
// Failures: loaders return null (missing, empty, truncated or non-font
// files, and anything but a regular file, such as a pipe); a size that
// cannot be set returns -1 and keeps the font as it was; a null font or
// bitmap makes every operation a no-op (results -1 or 0).
// Text is zero-terminated, in Allegro's current text encoding.
#pragma once

#include <allegro.h>

// One loaded font; callers hold pointers only.
struct TTF_FONT;

// Starts the layer: 0, or FreeType's error code.  A second call does nothing.
int ttf_init(void);
// Stops the layer; destroy every font first.
void ttf_exit(void);
// Sets the default background (-1 transparent, else a colour); returns the old one.
int ttf_text_mode(int mode);

// Opens a font file at height 8 (a bitmap-only face: its first size), or null.
TTF_FONT* ttf_load_font(const char* path);
// The same from a block of memory, which is copied.
TTF_FONT* ttf_load_font_from_memory(const void* data, int size);
// Closes a font and frees its glyphs; null is allowed.
void ttf_destroy_font(TTF_FONT* font);

// Picks the largest pixel size whose line height is at most `height`: 0, or -1
// (height below 1 or above 2048, or no size fits) with the font unchanged.
int ttf_set_font_size(TTF_FONT* font, int height);
// Extra pixels after every advancing glyph, clamped to 0..4096.
void ttf_set_char_spacing(TTF_FONT* font, int spacing);
// The height last set; 0 for a null font.
int ttf_text_height(const TTF_FONT* font);
// Width of `text` in pixels: advances plus spacing.
int ttf_text_length(TTF_FONT* font, const char* text);
// A count that moves whenever the same call could draw other pixels than
// before: a font opened, resized, respaced or destroyed (a later font may
// get its address), the default background changed, the layer restarted.
// Caches of drawn text compare it and start afresh when it has moved.
unsigned ttf_text_generation(void);

// Monochrome text with the top-left of its line at (x, y); background < 0 is
// transparent, else an opaque box of the text's length by the font height.
void ttf_textout_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background);
// ttf_textout_ex with the default background.
void ttf_textout(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour);
// Monochrome text ending at x.
void ttf_textout_right_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background);
// Anti-aliased text; drawing mode is solid afterwards.
void ttf_textout_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background);
// Anti-aliased text centred on x (starts at x - length / 2).
void ttf_textout_centre_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background);
// Anti-aliased text ending at x.
void ttf_textout_right_aa_ex(BITMAP* bmp, TTF_FONT* font, const char* text, int x, int y, int colour, int background);

// Formatted forms: the text is printed with Allegro's uvszprintf into a
// 512-byte buffer (longer results are cut) and drawn as above.
#define TTF_PRINTF_LIKE(fmt) __attribute__((format(printf, fmt, fmt + 1)))
void ttf_textprintf(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, const char* format, ...) TTF_PRINTF_LIKE(6);
void ttf_textprintf_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format, ...)
    TTF_PRINTF_LIKE(7);
void ttf_textprintf_right_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format,
                             ...) TTF_PRINTF_LIKE(7);
void ttf_textprintf_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background, const char* format, ...)
    TTF_PRINTF_LIKE(7);
void ttf_textprintf_centre_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background,
                                 const char* format, ...) TTF_PRINTF_LIKE(7);
void ttf_textprintf_right_aa_ex(BITMAP* bmp, TTF_FONT* font, int x, int y, int colour, int background,
                                const char* format, ...) TTF_PRINTF_LIKE(7);
#undef TTF_PRINTF_LIKE
