// Drawing checks on memory bitmaps at 32 and 16 bits: pixels are looked at
// where something must (or must not) appear.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "gfx/blend.h"
#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/board_draw.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render/screenshot.h"
#include "render/styled_text.h"
#include "render/text_cache.h"
#include "session/logic_globals.h"
#include "shell/font_set.h"
#include "render_fixture.h"
#include "session/logic_globals.h"

namespace tessaron {

// Readable comparisons and failure messages for colours.
inline bool operator!=(Rgb a, Rgb b) { return !(a == b); }
inline std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

namespace {

using testing::buildScene;
using testing::makeFilled;
using testing::makeStandIn;
using testing::pixelAt;

// Pixels of a and b that differ inside the rectangle (x, y, w, h).
int differingPixels(BITMAP* a, BITMAP* b, int x, int y, int w, int h) {
    int n = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) n += getpixel(a, i, j) != getpixel(b, i, j);
    return n;
}
int differingPixels(BITMAP* a, BITMAP* b) { return differingPixels(a, b, 0, 0, a->w, a->h); }

// Pixels of exactly colour c inside the rectangle.
int pixelsOf(BITMAP* bmp, Rgb c, int x, int y, int w, int h) {
    int n = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) n += pixelAt(bmp, i, j) == c;
    return n;
}

// The colour a pixel of depth `depth` stores for an Rgb.
Rgb stored(Rgb c) {
    BITMAP* one = makeFilled(1, 1, c);
    const Rgb s = pixelAt(one, 0, 0);
    destroy_bitmap(one);
    return s;
}

class DrawTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::startRenderFixture());
        testing::useDepth(GetParam());
        canvas = makeFilled(1024, 768, Background);
    }
    void TearDown() override {
        if (canvas) destroy_bitmap(canvas);
    }
    BITMAP* copyOf(BITMAP* bmp) {
        BITMAP* c = create_bitmap(bmp->w, bmp->h);
        blit(bmp, c, 0, 0, 0, 0, bmp->w, bmp->h);
        return c;
    }

    static constexpr Rgb Background{40, 60, 80};
    BITMAP* canvas = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Depths, DrawTest, ::testing::Values(32, 16),
                         [](const ::testing::TestParamInfo<int>& p) { return std::to_string(p.param) + "bit"; });

Cell blockAt(int kind, int colour, int alpha, int x, int y) {
    Cell c;
    c.kind = kind;
    c.colour = colour;
    c.alpha = alpha;
    c.screenX = x;
    c.screenY = y;
    return c;
}

// A block at 255 is a plain copy, its magenta pixel included; at 254 it is
// blended and the magenta pixel leaves the background alone.
TEST_P(DrawTest, BlockAlphaChoosesCopyOrBlend) {
    drawCell(blockAt(KindBlock, ColourRed, 255, 100, 100), canvas);
    EXPECT_EQ(pixelAt(canvas, 101, 101), stored({255, 0, 255}));
    EXPECT_EQ(pixelAt(canvas, 110, 110), pixelAt(BlockPictures.get(ColourRed), 10, 10));

    drawCell(blockAt(KindBlock, ColourRed, 254, 200, 100), canvas);
    EXPECT_EQ(pixelAt(canvas, 201, 101), stored(Background));
    const Rgb mixed = pixelAt(canvas, 210, 110);
    EXPECT_NE(mixed, stored(Background));
    BITMAP* expected = makeFilled(32, 32, Background);
    translucent_blit(BlockPictures.get(ColourRed), expected, 0, 0, 254);
    EXPECT_EQ(mixed, pixelAt(expected, 10, 10));
    destroy_bitmap(expected);
}

// Breakers and bombs add their picture scaled by alpha over what is there.
TEST_P(DrawTest, BreakersAndBombsAreAdded) {
    struct Row { int kind; int colour; int alpha; BITMAP* picture; };
    const Row rows[] = {
        {KindBreaker, ColourBlue, 255, BreakerPictures.get(ColourBlue)},
        {KindBreaker, ColourGreen, 155, BreakerPictures.get(ColourGreen)},
        {KindBomb, ColourNone, 200, BombPictures.get(0)},
    };
    for (const Row& r : rows) {
        clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
        drawCell(blockAt(r.kind, r.colour, r.alpha, 50, 60), canvas);
        BITMAP* expected = makeFilled(32, 32, Background);
        additive_blit(r.picture, expected, 0, 0, r.alpha);
        for (int p = 0; p < 32; p += 5) EXPECT_EQ(pixelAt(canvas, 50 + p, 60 + p), pixelAt(expected, p, p));
        EXPECT_EQ(pixelAt(canvas, 51, 61), stored(Background)) << "the mask pixel adds nothing";
        EXPECT_NE(pixelAt(canvas, 60, 70), stored(Background));
        destroy_bitmap(expected);
    }
}

// A colour above purple uses slot 4; a colour or kind with no picture, and
// an empty slot, draw nothing and never read a null bitmap.
TEST_P(DrawTest, CellPictureChoiceAndEmptySlots) {
    drawCell(blockAt(KindBlock, ColourNone, 255, 10, 10), canvas);
    EXPECT_EQ(pixelAt(canvas, 20, 20), pixelAt(BlockPictures.get(ColourPurple), 10, 10));

    BITMAP* before = copyOf(canvas);
    drawCell(blockAt(KindEmpty, ColourRed, 255, 300, 300), canvas);
    drawCell(blockAt(KindBlock, -3, 255, 300, 300), canvas);
    BlockPictures.freeAll();
    BlockPictures.adopt(nullptr);  // slot 0: a picture that failed to load
    for (int alpha : {255, 100}) drawCell(blockAt(KindBlock, ColourRed, alpha, 300, 300), canvas);
    drawCell(blockAt(KindBlock, ColourGreen, 255, 300, 300), canvas);  // slot never filled
    BreakerPictures.freeAll();
    BombPictures.freeAll();
    drawCell(blockAt(KindBreaker, ColourRed, 255, 300, 300), canvas);
    drawCell(blockAt(KindBomb, ColourNone, 255, 300, 300), canvas);
    EXPECT_EQ(differingPixels(canvas, before), 0);
    destroy_bitmap(before);
}

// Frame in the border colour; drop strip and grid floor blended with flash.
TEST_P(DrawTest, FrameAndStripFollowFlash) {
    Board b;
    buildScene(b, 0, 0, 0);
    b.danger = 0;
    b.messages.clear();
    b.borderColour = {100, 0, 0};
    b.backgroundColour = {0, 0, 40};
    for (int flash : {185, 250, 0}) {
        b.flash = flash;
        clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
        drawBoard(b, canvas);
        EXPECT_EQ(pixelAt(canvas, b.x - 1, b.y + 100), stored(b.borderColour));
        EXPECT_EQ(pixelAt(canvas, b.x + b.width, b.y - 20), stored(b.borderColour));
        EXPECT_EQ(pixelAt(canvas, b.x + 100, b.y - 41), stored(b.borderColour));
        EXPECT_EQ(pixelAt(canvas, b.x + 100, b.y + b.height), stored(b.borderColour));

        BITMAP* strip = makeFilled(4, 4, Background);
        translucent_rectfill(strip, 0, 0, 2, 2, makecol(255, 0, 0), flash);
        translucent_rectfill(strip, 2, 2, 2, 2, makecol(0, 0, 40), flash);
        EXPECT_EQ(pixelAt(canvas, b.x + 200, b.y - 5), pixelAt(strip, 0, 0)) << "flash " << flash;
        EXPECT_EQ(pixelAt(canvas, b.x + 200, b.y + 200), pixelAt(strip, 3, 3)) << "flash " << flash;
        destroy_bitmap(strip);
    }
}

// "Danger: %i" appears, centred above the grid, only when danger > 0.
TEST_P(DrawTest, DangerTextOnlyWhenDangerous) {
    Board b;
    buildScene(b, 3, 2, 0);
    b.messages.clear();
    b.danger = 0;
    drawBoard(b, canvas);
    BITMAP* calm = copyOf(canvas);
    b.danger = 1;
    clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
    drawBoard(b, canvas);
    const int centre = b.x + b.width / 2;
    const int changed = differingPixels(calm, canvas);
    EXPECT_GT(changed, 40);
    EXPECT_EQ(changed, differingPixels(calm, canvas, centre - 100, b.y - 30, 200, 30));
    // Balanced about the centre, give or take a glyph's side bearing.
    EXPECT_GT(differingPixels(calm, canvas, centre - 100, b.y - 30, 100, 30), changed / 3);
    EXPECT_GT(differingPixels(calm, canvas, centre, b.y - 30, 100, 30), changed / 3);
    EXPECT_GT(pixelsOf(canvas, stored({185, 185, 185}), centre - 100, b.y - 30, 200, 30), 10);
    EXPECT_EQ(pixelsOf(calm, stored({185, 185, 185}), centre - 100, b.y - 30, 200, 30), 0);
    destroy_bitmap(calm);
}

// A frozen board draws its grid, staging and preview but not its pair.
TEST_P(DrawTest, FrozenBoardDrawsNoPair) {
    Board b;
    buildScene(b, 2, 0, 0);
    const Cell& pivot = b.pair.pivot;
    drawBoard(b, canvas);
    const Rgb withPair = pixelAt(canvas, pivot.screenX + 10, pivot.screenY + 10);
    EXPECT_EQ(withPair, pixelAt(BlockPictures.get(pivot.colour), 10, 10));

    b.frozen = 1;
    clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
    drawBoard(b, canvas);
    EXPECT_NE(pixelAt(canvas, pivot.screenX + 10, pivot.screenY + 10), withPair);
    const Cell& preview = b.nextPair.pivot;
    EXPECT_EQ(pixelAt(canvas, preview.screenX + 10, preview.screenY + 10),
              pixelAt(BlockPictures.get(preview.colour), 10, 10));
    const Cell& floorBlock = b.grid[0][Board::Rows - 1];
    EXPECT_EQ(pixelAt(canvas, floorBlock.screenX + 10, floorBlock.screenY + 10),
              pixelAt(BlockPictures.get(floorBlock.colour), 10, 10));
    const Cell& waiting = b.staging[0][0];
    EXPECT_EQ(pixelAt(canvas, waiting.screenX + 10, waiting.screenY + 10),
              pixelAt(BlockPictures.get(waiting.colour), 10, 10));

    // A locked pair is not drawn either.
    b.frozen = 0;
    b.pair.locked = 1;
    clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
    drawBoard(b, canvas);
    EXPECT_NE(pixelAt(canvas, pivot.screenX + 10, pivot.screenY + 10), withPair);
}

// Side 1 mirrors the HUD to the left of the grid.
TEST_P(DrawTest, SideOneMirrorsTheHud) {
    const Rgb white = stored({255, 255, 255});
    for (int side : {0, 1}) {
        Board b;
        buildScene(b, 0, 0, 0);
        b.side = side;
        b.messages.clear();
        b.nextPair.pivot.makeEmpty();  // the preview would cover the outline
        b.nextPair.satellite.makeEmpty();
        Players[side].name = "A rather long player name";
        Players[side].layout = side;
        clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
        drawBoard(b, canvas);
        const int right = b.x + b.width;
        // The "Next" outline.
        const int outerX = side ? b.x - 34 : right + 32;
        for (int oy : {0, 30, 62}) EXPECT_EQ(pixelAt(canvas, outerX, b.y + oy), white) << side;
        EXPECT_EQ(pixelAt(canvas, side ? b.x - 17 : right + 16, b.y), white) << side;
        EXPECT_NE(pixelAt(canvas, side ? right + 32 : b.x - 34, b.y + 30), white) << side;
        // The score box: black at factor 150 over the background.
        BITMAP* box = makeFilled(1, 1, Background);
        translucent_rectfill(box, 0, 0, 1, 1, makecol(0, 0, 0), 150);
        const int boxX = side ? b.x - 55 : right + 5;
        EXPECT_EQ(pixelAt(canvas, boxX + 48, b.y + 118), pixelAt(box, 0, 0)) << side;
        EXPECT_EQ(pixelAt(canvas, side ? right + 5 + 48 : b.x - 55 + 48, b.y + 118), stored(Background)) << side;
        destroy_bitmap(box);
        // The name tag's backing spans the text: past the grid's far edge,
        // to the left of the grid for side 1.
        const int tagY = b.y - 65 + 2;
        const Rgb far = pixelAt(canvas, side ? b.x - 20 : right + 20, tagY);
        EXPECT_NE(far, stored(Background)) << side;
        EXPECT_EQ(pixelAt(canvas, side ? right + 2 : b.x - 2, tagY), stored(Background)) << side;
    }
}

// The score panel: label above, number in green; layout 1 aligns right.
TEST_P(DrawTest, ScorePanelLayouts) {
    const Rgb green = stored({0, 255, 0});
    PlayerRecord record;
    record.shownScore = 7;
    record.scoreGlow = 255;
    for (int layout : {0, 1}) {
        record.layout = layout;
        clear_to_color(canvas, makecol(0, 0, 0));
        drawScorePanel(record, canvas, 100, 100);
        const int leftGreen = pixelsOf(canvas, green, 100, 100, 25, 20);
        const int rightGreen = pixelsOf(canvas, green, 125, 100, 25, 20);
        EXPECT_GT(layout ? rightGreen : leftGreen, 5) << layout;
        EXPECT_EQ(layout ? leftGreen : rightGreen, 0) << layout;
        const Rgb grey = stored({185, 185, 185});
        const int leftLabel = pixelsOf(canvas, grey, 90, 80, 10, 20);
        const int rightLabel = pixelsOf(canvas, grey, 150, 80, 10, 20);
        EXPECT_EQ(leftLabel + rightLabel, 0) << "the label starts at x or ends at x + 50";
        EXPECT_GT(pixelsOf(canvas, grey, 100, 80, 50, 20), 10);
    }
}

// A particle without a picture shows "ERROR" in green; with one it is drawn
// in its mode.
TEST_P(DrawTest, ParticleModesAndMissingPicture) {
    const Rgb green = stored({0, 255, 0});
    ParticleSystem system;
    system.emit(100, 100, 40, 0, 0, 0, 0, 1, 0, 0, 0, ParticleAdditive);  // slot 40 is empty
    ASSERT_EQ(system.items.back().hasBitmap, 0);
    drawParticles(system, canvas);
    const Particle& lost = system.items.back();
    EXPECT_GT(pixelsOf(canvas, green, static_cast<int>(lost.x), static_cast<int>(lost.y), 40, 8), 20);

    BITMAP* picture = ParticlePictures.get(2);
    for (int mode : {0, 1, 2, 3, 9}) {
        clear_to_color(canvas, makecol(Background.r, Background.g, Background.b));
        system.clear();
        system.emit(208, 105, 2, 0, 0, 0, 0, 1, 0, 0, 0, mode);
        system.items.back().alpha = 120.9f;
        drawParticles(system, canvas);
        BITMAP* expected = makeFilled(16, 10, Background);
        switch (mode) {
        case ParticleTranslucent: translucent_blit(picture, expected, 0, 0, 120); break;
        case ParticleAdditive: additive_blit(picture, expected, 0, 0, 120); break;
        case ParticleMasked: draw_sprite(expected, picture, 0, 0); break;
        default: blit(picture, expected, 0, 0, 0, 0, 16, 10); break;
        }
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 16; ++x) ASSERT_EQ(pixelAt(canvas, 200 + x, 100 + y), pixelAt(expected, x, y)) << mode;
        destroy_bitmap(expected);
    }
}

// The size seam: a particle takes its picture's size from the bank.
TEST_P(DrawTest, ParticleTakesPictureSize) {
    Particle p;
    p.setBitmap(ParticleSlotFlash);
    EXPECT_EQ(p.hasBitmap, 1);
    EXPECT_EQ(p.width, 44);
    EXPECT_EQ(p.height, 44);
    p.setBitmap(200);
    EXPECT_EQ(p.hasBitmap, 0);
    EXPECT_EQ(p.width, 44);
}

// A message at alpha 0 changes nothing; at 255 its text is centred on x.
TEST_P(DrawTest, MessagesCentredWithTheirAlpha) {
    FloatingMessageList list;
    list.add(400, 300, 1, {255, 255, 255}, 0, 0, 4, 10, 1, true, "x%i Combo", 2);
    ASSERT_EQ(list.items.back().alpha, 0.0f);
    BITMAP* before = copyOf(canvas);
    drawMessages(list, canvas);
    EXPECT_EQ(differingPixels(canvas, before), 0);

    list.items.back().alpha = 255;
    drawMessages(list, canvas);
    const int changed = differingPixels(canvas, before);
    EXPECT_GT(changed, 100);
    EXPECT_EQ(changed, differingPixels(canvas, before, 250, 300, 300, 60));
    const int leftHalf = differingPixels(canvas, before, 250, 300, 150, 60);
    EXPECT_GT(leftHalf, changed / 3);
    EXPECT_LT(leftHalf, changed * 2 / 3);
    EXPECT_GT(pixelsOf(canvas, stored({255, 255, 255}), 250, 300, 300, 60), 100);

    // A font index out of range draws nothing.
    list.items.back().fontIndex = 7;
    blit(before, canvas, 0, 0, 0, 0, canvas->w, canvas->h);
    drawMessages(list, canvas);
    EXPECT_EQ(differingPixels(canvas, before), 0);
    destroy_bitmap(before);
}

// The panel after its first opening tick is a 10 x 2 box at factor 5; open,
// it is 200 x 80 with its brackets and both texts.
TEST_P(DrawTest, PausePanelOpening) {
    const Rgb white{255, 255, 255};
    clear_to_color(canvas, makecol(255, 255, 255));
    BITMAP* before = copyOf(canvas);
    PausePanel panel;
    panel.setUp();
    panel.place(100, 100);
    panel.toggle();
    panel.update();
    ASSERT_FLOAT_EQ(panel.width, 10.5f);
    drawPausePanel(panel, canvas);
    BITMAP* box = makeFilled(1, 1, white);
    translucent_rectfill(box, 0, 0, 1, 1, makecol(25, 75, 100), 5);
    const Rgb boxColour = pixelAt(box, 0, 0);
    ASSERT_NE(boxColour, stored(white));
    // Row 100 holds only the box (the texts start a row lower): 10 wide.
    EXPECT_EQ(pixelsOf(canvas, boxColour, 100, 100, 10, 1), 10);
    EXPECT_EQ(differingPixels(canvas, before, 0, 100, 1024, 1), 10);
    // Column 100 likewise (the texts start a column to the right): 2 high.
    EXPECT_EQ(pixelsOf(canvas, boxColour, 100, 100, 1, 2), 2);
    EXPECT_EQ(differingPixels(canvas, before, 100, 0, 1, 768), 2);

    for (int i = 0; i < 20; ++i) panel.update();
    ASSERT_EQ(panel.width, 200.0f);
    ASSERT_EQ(panel.height, 80.0f);
    blit(before, canvas, 0, 0, 0, 0, canvas->w, canvas->h);
    drawPausePanel(panel, canvas);
    const int px = static_cast<int>(panel.x), py = static_cast<int>(panel.y);
    const Rgb bracket = stored({10, 140, 40});
    EXPECT_EQ(pixelAt(canvas, px - 1, py - 1), bracket);
    EXPECT_EQ(pixelAt(canvas, px + 100, py - 1), bracket);
    EXPECT_EQ(pixelAt(canvas, px - 1, py + 40), bracket);
    EXPECT_EQ(pixelAt(canvas, px + 200, py + 80), bracket);
    EXPECT_EQ(pixelAt(canvas, px + 100, py + 80), bracket);
    EXPECT_EQ(pixelAt(canvas, px + 200, py + 40), bracket);
    EXPECT_NE(pixelAt(canvas, px + 101, py - 1), bracket);
    EXPECT_NE(pixelAt(canvas, px + 200, py + 39), bracket);
    // Both lines of text sit inside the box.
    BITMAP* plain = copyOf(before);
    translucent_rectfill(plain, px, py, 200, 80, makecol(25, 75, 100), static_cast<int>(panel.alpha));
    EXPECT_GT(differingPixels(plain, canvas, px, py, 200, 19), 50);
    EXPECT_GT(differingPixels(plain, canvas, px, py + 20, 200, 19), 50);
    EXPECT_EQ(differingPixels(plain, canvas, px, py + 45, 200, 35), 0);

    // Closing: no brackets even while alpha is high.
    panel.toggle();
    blit(before, canvas, 0, 0, 0, 0, canvas->w, canvas->h);
    drawPausePanel(panel, canvas);
    EXPECT_NE(pixelAt(canvas, px - 1, py - 1), bracket);
    destroy_bitmap(plain);
    destroy_bitmap(box);
    destroy_bitmap(before);
}

// The pointer's sprite is blended with the truncated alpha; at 0 it is
// invisible; no sprite draws nothing.
TEST_P(DrawTest, PointerTranslucentAtPosition) {
    BITMAP* sprite = makeStandIn(8, 12, {255, 255, 255});
    MousePointer pointer;
    BITMAP* before = copyOf(canvas);
    drawPointerSprite(pointer, sprite, 50, 50, canvas);
    drawPointerSprite(pointer, nullptr, 50, 50, canvas);
    EXPECT_EQ(differingPixels(canvas, before), 0);
    pointer.alpha = 124.5f;
    drawPointerSprite(pointer, sprite, 50, 50, canvas);
    BITMAP* expected = copyOf(before);
    translucent_blit(sprite, expected, 50, 50, 124);
    EXPECT_EQ(differingPixels(canvas, expected), 0);
    EXPECT_GT(differingPixels(canvas, before), 80);
    destroy_bitmap(expected);
    destroy_bitmap(before);
    destroy_bitmap(sprite);
}

// The screenshot creates its folder, replaces the file, and a folder that
// cannot be made is a harmless false.
TEST_P(DrawTest, ScreenshotFolderAndFailures) {
    char scratch[] = "/tmp/tessaron-shot-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string folder = std::string(scratch) + "/screenshots";
    const std::string file = folder + "/tessaron.bmp";
    drawCell(blockAt(KindBlock, ColourBlue, 255, 0, 0), canvas);
    EXPECT_TRUE(saveScreenshotTo(canvas, folder.c_str()));
    EXPECT_TRUE(saveScreenshotTo(canvas, folder.c_str())) << "an existing folder and file";
    BITMAP* back = load_bitmap(file.c_str(), nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->w, 1024);
    EXPECT_EQ(pixelAt(back, 10, 10), pixelAt(canvas, 10, 10));
    destroy_bitmap(back);

    // A plain file where the folder should be, and a folder under a missing
    // parent: nothing is written, nothing breaks.
    const std::string blocker = std::string(scratch) + "/blocker";
    std::FILE* f = std::fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(saveScreenshotTo(canvas, blocker.c_str()));
    EXPECT_FALSE(saveScreenshotTo(canvas, (std::string(scratch) + "/no/such").c_str()));
    EXPECT_FALSE(saveScreenshotTo(nullptr, folder.c_str()));

    std::remove(file.c_str());
    std::remove(blocker.c_str());
    rmdir(folder.c_str());
    rmdir(scratch);
}

// The default folder is "screenshots" under the working directory.
TEST_P(DrawTest, ScreenshotDefaultPath) {
    char scratch[] = "/tmp/tessaron-cwd-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(scratch), 0);
    EXPECT_TRUE(saveScreenshot(canvas));
    struct stat st {};
    EXPECT_EQ(stat("screenshots/tessaron.bmp", &st), 0);
    std::remove("screenshots/tessaron.bmp");
    rmdir("screenshots");
    ASSERT_EQ(chdir(previous), 0);
    rmdir(scratch);
}

// The cached drawer gives exactly the pixels of the translucent text
// drawers, on a hit, on a miss and after evictions.
TEST_P(DrawTest, CachedTextMatchesTheDrawers) {
    struct Row { TextAlign align; int factor; const char* text; int fontIndex; Rgb colour; };
    const Row rows[] = {
        {TextAlign::Left, 255, "1234", 1, {0, 255, 0}},
        {TextAlign::Left, 127, "Tessaron Demo - Paused", 1, {100, 200, 55}},
        {TextAlign::Centre, 200, "x5 Combo", 4, {255, 0, 0}},
        {TextAlign::Centre, 1, "Round 1", 6, {255, 255, 255}},
        {TextAlign::Centre, 90, "odd width 100%", 2, {175, 50, 50}},
        {TextAlign::Right, 180, "98765", 1, {0, 255, 0}},
        {TextAlign::Right, 255, "", 1, {0, 255, 0}},
        {TextAlign::Left, 255, "magenta is invisible", 2, {255, 0, 255}},
    };
    BITMAP* direct = copyOf(canvas);
    clearTextCache();
    // Twelve variants of eight texts: more than the cache holds, so the
    // second round finds some texts cached and others evicted.
    for (int round = 0; round < 2; ++round)
        for (int k = 0; k < 12; ++k)
            for (const Row& r : rows) {
                TTF_FONT* f = BodyFonts.sizes[r.fontIndex];
                const int colour = makecol(r.colour.r, r.colour.g, r.colour.b);
                const std::string text = k == 0 ? r.text : std::string(r.text) + std::to_string(k);
                const int x = 300 + k, y = 200 + (k * 7) % 300;
                drawTranslucentTextCached(canvas, f, x, y, colour, r.factor, r.align, text.c_str());
                switch (r.align) {
                case TextAlign::Left: drawTranslucentText(direct, f, x, y, colour, r.factor, "%s", text.c_str()); break;
                case TextAlign::Centre:
                    drawTranslucentTextCentred(direct, f, x, y, colour, r.factor, "%s", text.c_str());
                    break;
                case TextAlign::Right:
                    drawTranslucentTextRight(direct, f, x, y, colour, r.factor, "%s", text.c_str());
                    break;
                }
                ASSERT_EQ(differingPixels(canvas, direct, 0, y, 1024, 80), 0) << text << " round " << round;
            }
    // A factor of 0 and a null font change nothing.
    drawTranslucentTextCached(canvas, BodyFonts.sizes[1], 10, 10, makecol(255, 255, 255), 0, TextAlign::Left, "x");
    drawTranslucentTextCached(canvas, nullptr, 10, 10, makecol(255, 255, 255), 255, TextAlign::Left, "x");
    EXPECT_EQ(differingPixels(canvas, direct), 0);
    clearTextCache();
    destroy_bitmap(direct);
}

// A cached text stays exactly the drawers' text when its font changes under
// it: a new size, a new spacing, or the font destroyed and another opened
// (which may get the old font's address).
TEST_P(DrawTest, CachedTextFollowsFontChanges) {
    struct Row { const char* what; const char* file; int height; int spacing; };
    const Row rows[] = {
        {"first use", "DejaVuSans.ttf", 24, 0},
        {"new size", "DejaVuSans.ttf", 36, 0},
        {"new spacing", "DejaVuSans.ttf", 36, 4},
        {"reloaded as another face", "DejaVuSerif-Bold.ttf", 36, 4},
        {"reloaded at a new size", "DejaVuSansMono.ttf", 18, 0},
    };
    clearTextCache();
    BITMAP* direct = copyOf(canvas);
    const int colour = makecol(255, 255, 0);
    TTF_FONT* f = nullptr;
    const char* open = nullptr;
    for (const Row& r : rows) {
        if (!open || std::string(open) != r.file) {
            ttf_destroy_font(f);
            f = ttf_load_font((std::string("/usr/share/fonts/truetype/dejavu/") + r.file).c_str());
            ASSERT_NE(f, nullptr) << r.file;
            open = r.file;
        }
        ASSERT_EQ(ttf_set_font_size(f, r.height), 0);
        ttf_set_char_spacing(f, r.spacing);
        for (TextAlign align : {TextAlign::Left, TextAlign::Centre}) {
            drawTranslucentTextCached(canvas, f, 400, 300, colour, 200, align, "Score 1234");
            if (align == TextAlign::Left)
                drawTranslucentText(direct, f, 400, 300, colour, 200, "%s", "Score 1234");
            else
                drawTranslucentTextCentred(direct, f, 400, 300, colour, 200, "%s", "Score 1234");
            EXPECT_EQ(differingPixels(canvas, direct), 0) << r.what;
            blit(direct, canvas, 0, 0, 0, 0, canvas->w, canvas->h);
        }
    }
    clearTextCache();
    ttf_destroy_font(f);
    destroy_bitmap(direct);
}

// BitmapBank: 255 usable slots, failed loads keep their slot, freeing skips
// empty slots and empties the bank.
TEST(BitmapBankTest, SlotsAndLimits) {
    ASSERT_TRUE(testing::startRenderFixture());
    set_color_depth(32);
    BitmapBank bank;
    bank.add("/no/such/picture.bmp");
    EXPECT_EQ(bank.count(), 1);
    EXPECT_EQ(bank.get(0), nullptr);
    BITMAP* first = create_bitmap(2, 2);
    bank.adopt(first);
    EXPECT_EQ(bank.get(1), first) << "a failed load keeps its slot";
    for (int i = 2; i < 300; ++i) bank.adopt(i % 2 ? create_bitmap(1, 1) : nullptr);
    EXPECT_EQ(bank.count(), BitmapBank::UsableSlots);
    EXPECT_NE(bank.get(253), nullptr);
    EXPECT_EQ(bank.get(254), nullptr);
    EXPECT_EQ(bank.get(255), nullptr);
    EXPECT_EQ(bank.get(-1), nullptr);
    EXPECT_EQ(bank.get(256), nullptr);
    bank.add("/no/such/picture.bmp");
    EXPECT_EQ(bank.count(), BitmapBank::UsableSlots) << "a full bank ignores further files";
    bank.freeAll();
    EXPECT_EQ(bank.count(), 0);
    EXPECT_EQ(bank.get(1), nullptr);
    bank.freeAll();  // freeing an empty bank is harmless

    // A real BMP loads into its slot.
    char path[] = "/tmp/tessaron-bank-XXXXXX.bmp";
    const int fd = mkstemps(path, 4);
    ASSERT_GE(fd, 0);
    close(fd);
    BITMAP* picture = makeStandIn(6, 5, {10, 20, 30});
    ASSERT_EQ(save_bitmap(path, picture, nullptr), 0);
    bank.add(path);
    ASSERT_NE(bank.get(0), nullptr);
    EXPECT_EQ(bank.get(0)->w, 6);
    EXPECT_EQ(pixelAt(bank.get(0), 3, 3), pixelAt(picture, 3, 3));
    bank.freeAll();
    destroy_bitmap(picture);
    std::remove(path);
}

// Loading from a folder with no data names every missing file and leaves
// every slot empty but numbered.
TEST(BitmapBankTest, MissingDataIsReported) {
    ASSERT_TRUE(testing::startRenderFixture());
    char scratch[] = "/tmp/tessaron-nodata-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(scratch), 0);
    freePictureBanks();
    std::string missing;
    EXPECT_FALSE(loadPictureBanks(&missing));
    EXPECT_EQ(missing.find("\n  data/gfx/blocks/block_red.bmp\n  data/gfx/blocks/block_green.bmp"), 0u);
    EXPECT_NE(missing.find("\n  data/particles/testparticle.bmp"), std::string::npos);
    EXPECT_EQ(BlockPictures.count(), 5);
    EXPECT_EQ(ParticlePictures.count(), 11);
    Particle p;
    p.setBitmap(ParticleSlotFlash);
    EXPECT_EQ(p.hasBitmap, 0);
    freePictureBanks();
    ASSERT_EQ(chdir(previous), 0);
    rmdir(scratch);
}

} // namespace
} // namespace tessaron
