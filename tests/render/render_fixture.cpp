#include "render_fixture.h"

#include <cerrno>
#include <cstdlib>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/frame_compose.h"
#include "render/board_draw.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render/text_cache.h"
#include "session/logic_globals.h"
#include "session/logic_globals.h"
#include "shell/font_set.h"

namespace tessaron::testing {
namespace {

const char* const BodyFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const TitleFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

bool openSet(FontSet& set, const char* path) {
    for (int i = 0; i < FontSizeCount; ++i) {
        set.sizes[i] = ttf_load_font(path);
        if (!set.sizes[i] || ttf_set_font_size(set.sizes[i], FontPixelSizes[i]) != 0) return false;
    }
    return true;
}

void closeEverything() {
    freePictureBanks();
    clearTextCache();
    for (FontSet* set : {&BodyFonts, &TitleFonts})
        for (TTF_FONT*& f : set->sizes) {
            ttf_destroy_font(f);
            f = nullptr;
        }
    ttf_exit();
}

const Rgb BlockColours[5] = {{220, 40, 40}, {40, 200, 60}, {50, 90, 230}, {230, 210, 40}, {160, 60, 200}};
const Rgb ParticleColours[8] = {{235, 240, 255}, {255, 60, 48},  {64, 255, 84},  {72, 128, 255},
                                {255, 226, 60},  {255, 146, 36}, {186, 80, 255}, {255, 104, 196}};

// Dims a colour to a fraction num/den of its strength.
Rgb dimmed(Rgb c, int num, int den) { return {c.r * num / den, c.g * num / den, c.b * num / den}; }

} // namespace

bool startRenderFixture() {
    static int started = 0;  // 0 not yet, 1 ready, -1 failed
    if (started == 0) {
        started = -1;
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return false;
        if (ttf_init() != 0) return false;
        ttf_text_mode(-1);
        if (!openSet(BodyFonts, BodyFontFile) || !openSet(TitleFonts, TitleFontFile)) return false;
        std::atexit(closeEverything);
        Random.seed(5489);
        started = 1;
    }
    return started == 1;
}

BITMAP* makeFilled(int w, int h, Rgb colour) {
    BITMAP* bmp = create_bitmap(w, h);
    clear_to_color(bmp, makecol(colour.r, colour.g, colour.b));
    return bmp;
}

BITMAP* makeStandIn(int w, int h, Rgb colour) {
    BITMAP* bmp = makeFilled(w, h, colour);
    // A lighter top-left and a darker bottom-right edge, so that offsets and
    // mirroring show in the pixels.
    const Rgb light = {(colour.r + 255) / 2, (colour.g + 255) / 2, (colour.b + 255) / 2};
    const Rgb dark = dimmed(colour, 1, 2);
    hline(bmp, 0, 0, w - 1, makecol(light.r, light.g, light.b));
    vline(bmp, 0, 0, h - 1, makecol(light.r, light.g, light.b));
    hline(bmp, 0, h - 1, w - 1, makecol(dark.r, dark.g, dark.b));
    vline(bmp, w - 1, 0, h - 1, makecol(dark.r, dark.g, dark.b));
    putpixel(bmp, 1, 1, makecol(255, 0, 255));
    return bmp;
}

void useDepth(int depth) {
    set_color_depth(depth);
    freePictureBanks();
    for (const Rgb& c : BlockColours) BlockPictures.adopt(makeStandIn(32, 32, c));
    for (const Rgb& c : BlockColours) BreakerPictures.adopt(makeStandIn(32, 32, dimmed(c, 3, 5)));
    BombPictures.adopt(makeStandIn(32, 32, {110, 110, 120}));
    IconPictures.adopt(makeStandIn(16, 16, {200, 200, 80}));
    for (const Rgb& c : ParticleColours) ParticlePictures.adopt(makeStandIn(16, 10, dimmed(c, 1, 2)));
    ParticlePictures.adopt(makeStandIn(24, 24, {75, 95, 127}));
    ParticlePictures.adopt(makeStandIn(20, 20, {85, 100, 127}));
    ParticlePictures.adopt(makeStandIn(44, 44, {127, 122, 110}));
    connectParticlePictures();
}

void buildScene(Board& b, int fullRows, int breakers, int particleCount) {
    b.side = 0;
    b.frozen = 0;
    b.flash = Board::RestFlash;
    b.setHome(362, 204);
    b.setPosition(362, 204);
    b.danger = 2;
    b.roundsWon = 0;

    Players[0].name = "Demo Player";
    Players[0].layout = 0;
    Players[0].shownScore = 1234;
    Players[0].scoreGlow = 200;

    // The lowest rows full; a few cells fading in; breakers spread over the
    // filled cells with their pulse at different phases.
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < Board::Rows; ++r) {
            Cell& cell = b.grid[c][r];
            cell.makeEmpty();
            cell.alpha = 255;
            if (r < Board::Rows - fullRows) continue;
            cell.kind = KindBlock;
            cell.colour = (c * 3 + r * 5) % 4;
            if ((c * 7 + r) % 23 == 0) cell.alpha = 140;
        }
    for (int k = 0; k < breakers; ++k) {
        const int cellIndex = (k * 37) % (Board::Columns * fullRows);
        Cell& cell = b.grid[cellIndex % Board::Columns][Board::Rows - 1 - cellIndex / Board::Columns];
        cell.kind = KindBreaker;
        cell.alpha = 155 + (k * 37) % 101;
    }
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < Board::Rows; ++r) b.staging[c][r].makeEmpty();
    b.staging[0][0].kind = KindBlock;
    b.staging[0][0].colour = ColourBlue;
    b.staging[5][1].kind = KindBomb;
    b.staging[5][1].colour = ColourNone;
    b.staging[5][1].alpha = 200;

    // The falling pair in column 3, its upper block a breaker still fading in.
    b.pair.locked = 0;
    b.pair.pivot.kind = KindBlock;
    b.pair.pivot.colour = ColourGreen;
    b.pair.pivot.alpha = 255;
    b.pair.pivot.screenX = b.x + 90;
    b.pair.pivot.screenY = b.y + 47;
    b.pair.satellite.kind = KindBreaker;
    b.pair.satellite.colour = ColourBlue;
    b.pair.satellite.alpha = 210;
    b.pair.satellite.screenX = b.x + 90;
    b.pair.satellite.screenY = b.y + 17;

    b.nextPair.preview = 1;
    b.nextPair.locked = 0;
    b.nextPair.pivot.kind = KindBlock;
    b.nextPair.pivot.colour = ColourRed;
    b.nextPair.pivot.alpha = 255;
    b.nextPair.satellite.kind = KindBreaker;
    b.nextPair.satellite.colour = ColourYellow;
    b.nextPair.satellite.alpha = 255;
    b.nextPair.pivot.screenX = b.nextPair.satellite.screenX = b.x + b.width + 2;
    b.nextPair.pivot.screenY = b.y + 2;
    b.nextPair.satellite.screenY = b.y + 32;

    // Particles of a few bursts in every draw mode, at many fade stages.
    b.particles.clear();
    for (int i = 0; i < particleCount; ++i) {
        const int burst = i % 8;
        const int cx = b.x + 15 + 30 * burst + (i * 13) % 41 - 20;
        const int cy = b.y + 200 + (i * 29) % 150 - 75 - burst * 6;
        const int slot = i % 10 == 0 ? ParticleSlotFlash : 1 + i % 4;
        const int mode = i % 17 == 0 ? ParticleOpaque
                         : i % 13 == 0 ? ParticleMasked
                         : i % 7 == 0  ? ParticleTranslucent
                                       : ParticleAdditive;
        b.particles.emit(cx, cy, slot, 0, 0, 0, 0, 35.5f, 0, 0, 0, mode);
        b.particles.items.back().alpha = static_cast<float>(255 - (i * 23) % 230);
    }

    b.messages.clear();
    b.messages.add(static_cast<float>(b.x + b.width / 2 + 7), static_cast<float>(b.y + b.height / 2 - 5), 12.25f,
                   {0, 255, 0}, 0, 0.15f, 2, 15, 17.75f, false, "x%i Combo", 3);
}

void buildSessionMessages(FloatingMessageList& list, bool many) {
    list.clear();
    list.add(512, 284, 6.25f, {255, 255, 255}, 0, 0, 6, 75, 5.5f, false, "Round 1").alpha = 128;
    if (!many) return;
    list.add(512, 404, 6.25f, {255, 255, 255}, 0, 0, 6, 60, 5.5f, false, "You Lose!").alpha = 200;
    list.add(924, 708, 1.25f, {255, 255, 255}, 0, 0, 4, 50, 15.5f, false, "Demo").alpha = 90;
    list.add(482, 384, 6.25f, {255, 255, 255}, 0, 0, 2, 60, 5.5f, false, "Dropped %i blocks", 4);
    list.add(470, 360, 12.25f, {255, 0, 0}, 0, 0.15f, 4, 15, 8.875f, false, "x%i Combo", 5).alpha = 230;
}

void buildHalfOpenPanel(PausePanel& panel) {
    panel.setUp();
    panel.place(1024 / 2 - 300, 768 / 2 - 50);
    panel.kick(35.25f, 0);
    panel.toggle();
    for (int i = 0; i < 8; ++i) panel.update();
}

BITMAP* makeBackground(int w, int h) {
    BITMAP* bmp = create_bitmap(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int band = ((x + y) / 48) % 2;
            putpixel(bmp, x, y, makecol(10 + band * 12 + x / 64, 16 + y / 16, 40 + (x * 3 + y) / 40 % 40));
        }
    return bmp;
}

Scene::Scene(int fullRows, int breakers, int particles, bool manyMessages) {
    buildScene(board, fullRows, breakers, particles);
    buildSessionMessages(messages, manyMessages);
    buildHalfOpenPanel(panel);
    background = makeBackground(1024, 768);
}

Scene::~Scene() { destroy_bitmap(background); }

void Scene::draw(BITMAP* back, BITMAP* pointerSprite) const {
    MousePointer pointer;
    pointer.alpha = 255;
    FrameParts parts;
    parts.background = background;
    parts.boards[0] = &board;
    parts.messages = &messages;
    parts.panel = &panel;
    parts.pointer = &pointer;
    parts.pointerSprite = pointerSprite;
    parts.pointerX = 600;
    parts.pointerY = 500;
    composeFrame(parts, back);
}

Rgb pixelAt(BITMAP* bmp, int x, int y) {
    const int depth = bitmap_color_depth(bmp);
    const int p = getpixel(bmp, x, y);
    return {getr_depth(depth, p), getg_depth(depth, p), getb_depth(depth, p)};
}

} // namespace tessaron::testing
