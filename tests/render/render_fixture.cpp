#include "render_fixture.h"

#include <cerrno>
#include <cstdlib>

#include "render/bitmap_bank.h"
#include "render/frame_compose.h"
#include "render/board_draw.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render/text_cache.h"
#include "../board/support.h"
#include "shell/font_set.h"

namespace tessaron::testing {
namespace {

void closeEverything() {
    freePictureBanks();
    clearTextCache();
    releaseFontSet(BodyFonts);
    releaseFontSet(TitleFonts);
    stopTextLayer();
}

const Rgb BlockColours[5] = {{220, 40, 40}, {40, 200, 60}, {50, 90, 230}, {230, 210, 40}, {160, 60, 200}};
const Rgb ParticleColours[8] = {{235, 240, 255}, {255, 60, 48},  {64, 255, 84},  {72, 128, 255},
                                {255, 226, 60},  {255, 146, 36}, {186, 80, 255}, {255, 104, 196}};

// Dims a colour to a fraction num/den of its strength.
Rgb dimmed(Rgb c, int num, int den) { return {c.r * num / den, c.g * num / den, c.b * num / den}; }

} // namespace

BITMAP* makeBackground(int w, int h) {
    BITMAP* bmp = create_bitmap(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int band = ((x + y) / 48) % 2;
            putpixel(bmp, x, y, makecol(10 + band * 12 + x / 64, 16 + y / 16, 40 + (x * 3 + y) / 40 % 40));
        }
    return bmp;
}

bool startRenderFixture() {
    static int started = 0;  // 0 not yet, 1 ready, -1 failed
    if (started == 0) {
        started = -1;
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return false;
        startTextLayer();
        if (!loadFontSet(BodyFonts, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") ||
            !loadFontSet(TitleFonts, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"))
            return false;
        std::atexit(closeEverything);
        testing_support::freshState(5489);
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
    // Lighter top-left and darker bottom-right edges, so that offsets and
    // mirroring show in the pixels.
    const int light = makecol((colour.r + 255) / 2, (colour.g + 255) / 2, (colour.b + 255) / 2);
    const int dark = makecol(colour.r / 2, colour.g / 2, colour.b / 2);
    hline(bmp, 0, 0, w - 1, light);
    vline(bmp, 0, 0, h - 1, light);
    hline(bmp, 0, h - 1, w - 1, dark);
    vline(bmp, w - 1, 0, h - 1, dark);
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
    b.frozen = 1;  // for the board's own step below: its rules stay still
    b.flash = Board::RestFlash;
    b.setHome(362, 204);
    b.setPosition(362, 204);
    b.roundsWon = 0;
    testing_support::Players[0] = {"Demo Player", 0, 1234, 200, 2, 0};  // name, score, shown score, glow, pending drops, layout
    const auto fill = [](Cell& cell, int kind, int colour) { cell.kind = kind, cell.colour = colour; };
    // The lowest rows full, in a fixed pattern of the four colours.
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < Board::Rows; ++r) {
            const bool full = r >= Board::Rows - fullRows;
            b.staging[c][r].makeEmpty();
            fill(b.grid[c][r], full ? KindBlock : KindEmpty, full ? (c * 3 + r * 5) % 4 : ColourNone);
        }
    fill(b.staging[0][0], KindBlock, ColourBlue);
    fill(b.staging[5][1], KindBomb, ColourNone);
    fill(b.pair.pivot, KindBlock, ColourGreen);
    fill(b.pair.satellite, KindBreaker, ColourBlue);
    fill(b.nextPair.pivot, KindBlock, ColourRed);
    fill(b.nextPair.satellite, KindBreaker, ColourYellow);
    b.pair.locked = b.nextPair.locked = 0;
    b.nextPair.preview = 1;
    b.particles.clear();
    b.messages.clear();

    // One step of the board itself: it places the preview beside the grid,
    // takes its frame colours from the flash and its danger from the record.
    b.update();
    b.frozen = 0;

    // Alphas as a moment of play leaves them: a few cells fading in,
    // breakers at spread pulse phases, the falling pair mid-fall in column
    // 3 with its upper block still fading in.
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < Board::Rows; ++r) b.grid[c][r].alpha = (c * 7 + r) % 23 == 0 ? 140 : 255;
    for (int k = 0; k < breakers; ++k) {
        const int cellIndex = (k * 37) % (Board::Columns * fullRows);
        Cell& cell = b.grid[cellIndex % Board::Columns][Board::Rows - 1 - cellIndex / Board::Columns];
        cell.kind = KindBreaker;
        cell.alpha = 155 + (k * 37) % 101;
    }
    b.staging[5][1].alpha = 200;
    b.pair.pivot.alpha = b.nextPair.pivot.alpha = b.nextPair.satellite.alpha = 255;
    b.pair.satellite.alpha = 210;
    b.pair.pivot.screenX = b.pair.satellite.screenX = b.x + 90;
    b.pair.pivot.screenY = b.y + 47;
    b.pair.satellite.screenY = b.y + 17;

    // Particles of a few bursts in every draw mode, at many fade stages.
    for (int i = 0; i < particleCount; ++i) {
        const int burst = i % 8;
        const int mode = i % 17 == 0 ? ParticleOpaque
                         : i % 13 == 0 ? ParticleMasked
                         : i % 7 == 0  ? ParticleTranslucent
                                       : ParticleAdditive;
        b.particles.emit(b.x + 15 + 30 * burst + (i * 13) % 41 - 20, b.y + 200 + (i * 29) % 150 - 75 - burst * 6,
                         i % 10 == 0 ? ParticleSlotFlash : 1 + i % 4, 0, 0, 0, 0, 35.5f, 0, 0, 0, mode);
        b.particles.items.back().alpha = static_cast<float>(255 - (i * 23) % 230);
    }
    b.messages.add(static_cast<float>(b.x + b.width / 2 + 7), static_cast<float>(b.y + b.height / 2 - 5), 12.25f,
                   {0, 255, 0}, 0, 0.15f, 2, 15, 17.75f, false, "x%i Combo", 3);
}

Scene::Scene(int fullRows, int breakers, int particles, bool manyMessages) {
    buildScene(board, fullRows, breakers, particles);
    messages.add(512, 284, 6.25f, {255, 255, 255}, 0, 0, 6, 75, 5.5f, false, "Round 1").alpha = 128;
    if (manyMessages) {
        messages.add(512, 404, 6.25f, {255, 255, 255}, 0, 0, 6, 60, 5.5f, false, "You Lose!").alpha = 200;
        messages.add(924, 708, 1.25f, {255, 255, 255}, 0, 0, 4, 50, 15.5f, false, "Demo").alpha = 90;
        messages.add(482, 384, 6.25f, {255, 255, 255}, 0, 0, 2, 60, 5.5f, false, "Dropped %i blocks", 4);
        messages.add(470, 360, 12.25f, {255, 0, 0}, 0, 0.15f, 4, 15, 8.875f, false, "x%i Combo", 5).alpha = 230;
    }
    // The pause panel where the session puts it for 1024 x 768, kicked and
    // eight steps into opening.
    panel.setUp();
    panel.place(1024 / 2 - 300, 768 / 2 - 50);
    panel.kick(35.25f, 0);
    panel.toggle();
    for (int i = 0; i < 8; ++i) panel.update();
    background = makeBackground(1024, 768);
}

Scene::~Scene() { destroy_bitmap(background); }

void Scene::draw(BITMAP* back, BITMAP* pointerSprite, float pointerAlpha) const {
    MousePointer pointer;
    pointer.alpha = pointerAlpha;
    FrameParts parts;
    parts.background = background;
    parts.boards[0] = &board;
    parts.players = testing_support::Players;
    parts.messages = &messages;
    parts.panel = &panel;
    parts.pointer = &pointer;
    parts.pointerSprite = pointerSprite;
    parts.pointerX = 600;
    parts.pointerY = 500;
    composeFrame(parts, back);
}

} // namespace tessaron::testing
