// The golden frames: fixed scenes drawn into a 1024 x 768 back buffer at 32
// bits and compared, every pixel and every channel, with reviewed references
// in tests/golden.  Text is compared exactly too: the fonts are the fixed
// DejaVu files of Debian's fonts-dejavu-core drawn by Debian 12's FreeType,
// so a text that moves by a pixel fails.  (A new FreeType or DejaVu release
// may shape glyphs differently: review the new frame, then rewrite the
// references.)  Each frame is drawn twice, the second time from a warm text
// cache.  With TESSARON_UPDATE_GOLDEN=1 the references are rewritten instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <png.h>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/board_draw.h"
#include "render/frame_compose.h"
#include "render/pause_panel_draw.h"
#include "session/match_state.h"
#include "render/text_cache.h"
#include "shell/font_set.h"
#include "render_fixture.h"
#include "../board/support.h"

namespace tessaron {
namespace {
using testing_support::Players;

constexpr int Width = 1024;
constexpr int Height = 768;

std::vector<unsigned char> rgbOf(BITMAP* bmp) {
    std::vector<unsigned char> out;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            const int c = getpixel(bmp, x, y);
            out.insert(out.end(), {static_cast<unsigned char>(getr32(c)), static_cast<unsigned char>(getg32(c)),
                                   static_cast<unsigned char>(getb32(c))});
        }
    return out;
}

// A PNG of the frame's size, read (an empty vector when it cannot be) or
// written (true when it was).
std::vector<unsigned char> readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> rgb(Width * Height * 3);
    const bool read = png_image_begin_read_from_file(&image, path.c_str()) && image.width == Width &&
                      image.height == Height && (image.format = PNG_FORMAT_RGB) &&
                      png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return read ? rgb : std::vector<unsigned char>();
}

bool writePng(const std::string& path, const std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = Width;
    image.height = Height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// Board 0 as the game shows it mid-match: blocks, breakers at several pulse
// phases, the falling and next pairs, particles in every draw mode, a combo
// message, "Round 1" half faded in and the pause panel half open.
void drawBusyBoard(BITMAP* back) {
    const testing::Scene scene(7, 6, 60, false);
    scene.draw(back, nullptr);
}

// Board 1 (its HUD mirrored to the left of the grid) frozen after an
// event: the flash at its height, three rounds won, a long right-aligned
// name, a right-aligned score, no danger, the pair hidden.  Around it the
// cases the busy board lacks: a colour beyond purple, a bomb, a third
// staging row (never shown), particles at fractional alphas and one without
// a picture ("ERROR"), one text in two colours, a panel exactly at the
// bracket threshold and one closing, the pointer at alpha 124.5, and a
// frozen board 0 on the left with two rounds won.
void drawSideOne(BITMAP* back) {
    testing::Scene scene(5, 4, 0, false);
    Board& b = scene.board;
    b.side = b.hudLeft = 1;
    b.frozen = 1;
    b.flash = Board::EventFlash;
    b.roundsWon = 3;
    b.setHome(662, 204);
    b.setPosition(662, 204);
    Players[1] = {"A rather long player name", 0, 98765, 180, 0, 1};  // name, score, shown, glow, drops, layout
    b.grid[2][11].colour = ColourNone;
    b.grid[4][10].kind = KindBomb;
    b.grid[5][11].alpha = 100;
    b.staging[3][2].kind = KindBlock, b.staging[3][2].colour = ColourRed;
    b.update();  // the board places its preview left of the grid

    b.messages.clear();
    b.messages.add(b.x + 120.75f, b.y + 150.5f, 1, {0, 255, 0}, 0, 0, 2, 10, 1, false, "x%i Combo", 2).alpha = 200.6f;
    scene.messages.clear();
    scene.messages.add(300.5f, 560, 1, {255, 0, 0}, 0, 0, 2, 10, 1, false, "x%i Combo", 2).alpha = 255;
    const int modes[] = {ParticleOpaque, ParticleTranslucent, ParticleAdditive, ParticleMasked, ParticleAdditive};
    for (int i = 0; i < 5; ++i) {
        b.particles.emit(b.x + 20 + 45 * i, b.y + 300, i == 4 ? 40 : 1 + i, 0, 0, 0, 0, 1, 0, 0, 0, modes[i]);
        b.particles.items.back().alpha = 120.9f + i;
    }

    PausePanel atThreshold, closing;
    for (PausePanel* p : {&atThreshold, &closing}) {
        p->setUp();
        p->place(p == &closing ? 100 : 380, 620);
        p->toggle();
        for (int i = 0; i < 20; ++i) p->update();
    }
    atThreshold.alpha = 25;
    closing.toggle();
    Board left;
    testing::buildScene(left, 3, 2, 0);
    left.roundsWon = 2;
    left.frozen = 1;
    left.setHome(40, 204);
    left.update();

    BITMAP* pointer = testing::makeStandIn(11, 19, {240, 240, 240});
    scene.draw(back, pointer, 124.5f);
    drawBoard(left, Players[0], back);
    drawPausePanel(atThreshold, back);
    drawPausePanel(closing, back);
    destroy_bitmap(pointer);
}

// The text layer's own cases, which the game's frames do not reach: text
// on opaque boxes (anti-aliased over three colour ramps, and monochrome),
// centred and right-aligned text at a character spacing of 3, transparent
// text over stripes, text cut by a clip rectangle, text starting left of
// the bitmap, and the text cache across evictions and font changes.
void drawTextLayer(BITMAP* back) {
    clear_to_color(back, makecol(30, 30, 40));
    for (int x = 0; x < Width; x += 64) rectfill(back, x, 400, x + 31, 560, makecol(x / 4, 120, 255 - x / 4));
    TTF_FONT* serif = ttf_load_font("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf");
    ttf_set_font_size(serif, 36);
    const int ramps[3][2] = {{0x000000, 0xFFFFFF}, {0xC8285A, 0x0A28FA}, {0xFFFFFF, 0x008001}};
    for (int i = 0; i < 3; ++i) {
        const auto pixel = [](int rgb) { return makecol(rgb >> 16, rgb >> 8 & 255, rgb & 255); };
        ttf_textout_aa_ex(back, serif, "Jig 100% quiet", 20, 20 + 50 * i, pixel(ramps[i][1]), pixel(ramps[i][0]));
        ttf_textout_ex(back, serif, "Jig 100% quiet", 520, 20 + 50 * i, pixel(ramps[i][1]), pixel(ramps[i][0]));
    }
    ttf_set_char_spacing(serif, 3);
    ttf_textout_centre_aa_ex(back, serif, "Waves centred", 512, 200, makecol(255, 255, 0), -1);
    ttf_textout_right_aa_ex(back, serif, "Waves right", 1000, 260, makecol(0, 255, 255), -1);
    ttf_textout_right_ex(back, serif, "Mono right", 1000, 320, makecol(255, 128, 0), -1);
    ttf_set_char_spacing(serif, 0);
    ttf_textout_aa_ex(back, serif, "Transparent over stripes", 40, 420, makecol(255, 255, 255), -1);
    ttf_textout_ex(back, serif, "Monochrome over stripes", 40, 480, makecol(0, 0, 0), -1);
    set_clip_rect(back, 100, 600, 399, 700);
    ttf_textout_ex(back, serif, "llllllllllllllllllllllllllllllllllllllllllllQ", 100, 610, makecol(255, 255, 255), 0x404040);
    ttf_textout_aa_ex(back, serif, "Cut at the clip edge", 250, 660, makecol(255, 255, 255), -1);
    set_clip_rect(back, 0, 0, Width - 1, Height - 1);
    ttf_textout_aa_ex(back, serif, "Left of the bitmap", -25, 720, makecol(255, 255, 255), -1);

    // The text cache: forty texts (more than it holds, so some are evicted
    // before the warm pass), one text in two colours, one font resized,
    // respaced and then replaced by another face (which may take its
    // address).
    const auto cached = [back](TTF_FONT* f, int x, int y, int colour, const char* text) {
        drawTranslucentTextCached(back, f, x, y, colour, 200, TextAlign::Left, text);
    };
    for (int k = 0; k < 40; ++k)
        cached(BodyFonts.sizes[1], 520 + k % 5 * 100, 580 + k / 5 * 22, makecol(255, 255, 255),
               ("Text " + std::to_string(k)).c_str());
    cached(serif, 780, 20, makecol(0, 255, 0), "Cached");
    cached(serif, 780, 60, makecol(255, 0, 0), "Cached");
    ttf_set_font_size(serif, 24);
    cached(serif, 780, 110, makecol(255, 0, 0), "Cached");
    ttf_set_char_spacing(serif, 4);
    cached(serif, 780, 140, makecol(255, 0, 0), "Cached");
    ttf_destroy_font(serif);
    TTF_FONT* bold = ttf_load_font("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    ttf_set_font_size(bold, 24);
    cached(bold, 780, 170, makecol(255, 0, 0), "Cached");
    ttf_destroy_font(bold);
}

// A versus match of two players at a screen size, paused with the panel
// fully open: the left side has won two rounds and a match, the right one
// round and two matches, a few blocks lie on both grids.
MatchState pausedVersus(int width, int height) {
    MatchState m(width, height, 5489);
    m.versus.opponent = 2;
    m.load();
    m.boards[0].roundsWon = 2, m.boards[1].roundsWon = 1;
    m.matchesWon[0] = 1, m.matchesWon[1] = 2;
    StepInput pause;
    pause.sides[0] = SidePause;
    m.step(pause);
    for (int i = 0; i < 40; ++i) m.step(StepInput());
    for (Board& b : m.boards)
        for (int c = 0; c < Board::Columns; c += 2) b.grid[c][Board::Rows - 1].kind = KindBlock, b.grid[c][Board::Rows - 1].colour = c % 4;
    for (Board& b : m.boards) b.layout();
    return m;
}

void drawPausedVersus(BITMAP* back, int width, int height) {
    const MatchState m = pausedVersus(width, height);
    FrameParts parts;
    parts.boards[0] = &m.boards[0];
    parts.boards[1] = &m.boards[1];
    parts.players = m.players;
    parts.matchesWon = m.matchesWon;
    parts.messages = &m.messages;
    parts.panel = &m.panel;
    clear_bitmap(back);
    composeFrame(parts, back);
}

void drawVersus800(BITMAP* back) { drawPausedVersus(back, 800, 600); }
void drawVersus1024(BITMAP* back) { drawPausedVersus(back, 1024, 768); }

struct Golden {
    const char* file;
    std::function<void(BITMAP*)> draw;
};

void PrintTo(const Golden& golden, std::ostream* os) { *os << golden.file; }

class GoldenFrame : public ::testing::TestWithParam<Golden> {};

std::string frameName(const ::testing::TestParamInfo<Golden>& info) {
    const char* names[] = {"BusyBoard", "SideOne", "TextLayer", "Versus800", "Versus1024"};
    return names[info.index];
}

TEST_P(GoldenFrame, EveryPixelMatchesTheReference) {
    ASSERT_TRUE(testing::startRenderFixture());
    const std::string reference = std::string(TESSARON_SOURCE_DIR) + "/tests/golden/" + GetParam().file;
    const std::string name = GetParam().file;
    const std::string actualPath =
        std::string(TESSARON_BINARY_DIR) + "/" + name.substr(0, name.size() - 4) + ".actual.png";
    testing::useDepth(32);
    clearTextCache();
    BITMAP* back = create_bitmap(Width, Height);
    for (const char* cache : {"cold", "warm"}) {
        GetParam().draw(back);
        const std::vector<unsigned char> actual = rgbOf(back);
        const char* update = std::getenv("TESSARON_UPDATE_GOLDEN");
        if (update && *update == '1') {
            ASSERT_TRUE(writePng(reference, actual));
            continue;
        }
        const std::vector<unsigned char> expected = readPng(reference);
        ASSERT_EQ(expected.size(), actual.size()) << "no readable reference " << reference;
        const long first = std::mismatch(actual.begin(), actual.end(), expected.begin()).first - actual.begin();
        if (first < long(actual.size())) {
            writePng(actualPath, actual);
            ADD_FAILURE() << "pixels differ with a " << cache << " text cache, the first at (" << first / 3 % Width
                          << ", " << first / 3 / Width << "); this run's frame is " << actualPath;
        }
    }
    destroy_bitmap(back);
    freePictureBanks();
}

INSTANTIATE_TEST_SUITE_P(Frames, GoldenFrame,
                         ::testing::Values(Golden{"frame_board32.png", drawBusyBoard},
                                           Golden{"frame_side1_32.png", drawSideOne},
                                           Golden{"frame_text32.png", drawTextLayer},
                                           Golden{"frame_versus800.png", drawVersus800},
                                           Golden{"frame_versus1024.png", drawVersus1024}),
                         frameName);

} // namespace
} // namespace tessaron
