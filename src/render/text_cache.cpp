#include "render/text_cache.h"

#include <cstring>

#include "gfx/blend.h"
#include "gfx/ttf.h"
#include "render/styled_text.h"

namespace tessaron {
namespace {

constexpr int CacheEntries = 32;
constexpr int TextBytes = 512;  // as the drawers' format buffer: 511 characters

struct CachedText {
    TTF_FONT* font = nullptr;
    int colour = 0;
    int depth = 0;
    char text[TextBytes] = {};
    BITMAP* glyphs = nullptr;  // magenta with the text in its colour, as the drawers' scratch
    unsigned lastUse = 0;
};

CachedText Cache[CacheEntries];
unsigned UseClock = 0;
// The text layer's generation the entries were rendered in.  A font's
// address says nothing once fonts have been resized, respaced or destroyed
// (a new font may take a destroyed one's address), so a moved generation
// empties the cache.
unsigned CacheGeneration = 0;

// The entry holding this text, rendered on a miss into the least recently
// used entry; null when its bitmap cannot be made.
const CachedText* lookUp(TTF_FONT* font, int colour, int depth, const char* text) {
    CachedText* victim = &Cache[0];
    for (CachedText& e : Cache) {
        if (e.glyphs && e.font == font && e.colour == colour && e.depth == depth && std::strcmp(e.text, text) == 0) {
            e.lastUse = ++UseClock;
            return &e;
        }
        if (!e.glyphs || (victim->glyphs && e.lastUse < victim->lastUse)) victim = &e;
    }
    if (victim->glyphs) destroy_bitmap(victim->glyphs);
    *victim = CachedText();
    // The drawers' scratch: as wide as the text plus 3, as high as the font,
    // magenta where no glyph is.  Drawing the text onto it at full strength
    // copies exactly the glyph pixels of their own scratch.
    BITMAP* glyphs =
        create_bitmap_ex(depth, ttf_text_length(font, text) + TextScratchExtraWidth, ttf_text_height(font));
    if (!glyphs) return nullptr;
    clear_to_color(glyphs, bitmap_mask_color(glyphs));
    drawTranslucentTextAligned(glyphs, font, 0, 0, colour, 255, TextAlign::Left, text);
    victim->font = font;
    victim->colour = colour;
    victim->depth = depth;
    std::strncpy(victim->text, text, TextBytes - 1);
    victim->glyphs = glyphs;
    victim->lastUse = ++UseClock;
    return victim;
}

} // namespace

void drawTranslucentTextCached(BITMAP* dst, TTF_FONT* font, int x, int y, int colour, int factor, TextAlign align,
                               const char* text) {
    // A factor of 0 or less blends nothing; a null font or a text too long
    // for the cache key goes to the drawers themselves.
    if (!dst || factor <= 0) return;
    if (ttf_text_generation() != CacheGeneration) {
        clearTextCache();
        CacheGeneration = ttf_text_generation();
    }
    const CachedText* e = font && std::strlen(text) < TextBytes
                              ? lookUp(font, colour, bitmap_color_depth(dst), text)
                              : nullptr;
    if (!e) {
        drawTranslucentTextAligned(dst, font, x, y, colour, factor, align, text);
        return;
    }
    translucent_blit(e->glyphs, dst, alignedLeftEdge(x, e->glyphs->w, align), y, factor);
}

void clearTextCache() {
    for (CachedText& e : Cache) {
        if (e.glyphs) destroy_bitmap(e.glyphs);
        e = CachedText();
    }
}

} // namespace tessaron
