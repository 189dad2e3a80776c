// Drawing checks the golden frames cannot make: failure paths that must
// draw nothing, the bitmap banks' limits and missing files, and the
// screenshot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "render/bitmap_bank.h"
#include "render/board_draw.h"
#include "render/messages_draw.h"
#include "render/screenshot.h"
#include "render/text_cache.h"
#include "../process_limits.h"
#include "render_fixture.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

// True while every pixel of the canvas keeps its fill colour.
bool untouched(BITMAP* canvas) {
    for (int y = 0; y < canvas->h; ++y)
        for (int x = 0; x < canvas->w; ++x)
            if (getpixel(canvas, x, y) != makecol(40, 60, 80)) return false;
    return true;
}

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::startRenderFixture());
        testing::useDepth(32);
        canvas = testing::makeFilled(640, 120, {40, 60, 80});
    }
    void TearDown() override {
        destroy_bitmap(canvas);
        freePictureBanks();
    }
    BITMAP* canvas = nullptr;
};

// Pictures that failed to load, kinds and colours without a picture, a font
// index out of range, no font, no target and a factor of 0 draw nothing and
// read no null bitmap; a whole board without pictures or fonts draws safely.
TEST_F(DrawTest, WhatCannotBeDrawnDrawsNothing) {
    BlockPictures.freeAll();
    BlockPictures.adopt(nullptr);  // slot 0 (red): a picture that failed to load
    BreakerPictures.freeAll();
    BombPictures.freeAll();
    const auto cellOf = [](int kind, int colour, int alpha) {
        Cell c;
        c.kind = kind, c.colour = colour, c.alpha = alpha, c.screenX = 300, c.screenY = 40;
        return c;
    };
    const Cell cells[] = {cellOf(KindEmpty, ColourRed, 255), cellOf(KindBlock, -3, 255),
                          cellOf(KindBlock, ColourRed, 255), cellOf(KindBlock, ColourRed, 100),
                          cellOf(KindBlock, ColourGreen, 255), cellOf(KindBreaker, ColourRed, 255),
                          cellOf(KindBomb, ColourNone, 255)};
    for (const Cell& c : cells) drawCell(c, canvas);
    FloatingMessageList list;
    list.add(300, 30, 1, {255, 255, 255}, 0, 0, 7, 10, 1, false, "x%i Combo", 2).alpha = 255;
    drawMessages(list, canvas);
    drawTranslucentTextCached(canvas, BodyFonts.sizes[1], 10, 10, makecol(255, 255, 255), 0, TextAlign::Left, "x");
    drawTranslucentTextCached(canvas, nullptr, 10, 10, makecol(255, 255, 255), 255, TextAlign::Left, "x");
    drawTranslucentText(canvas, BodyFonts.sizes[1], 10, 10, makecol(255, 255, 255), 0, "x");
    drawTranslucentText(canvas, BodyFonts.sizes[1], 10, 10, makecol(255, 255, 255), 255, "%s", "");
    drawTranslucentText(nullptr, BodyFonts.sizes[1], 10, 10, makecol(255, 255, 255), 255, "x");
    EXPECT_TRUE(untouched(canvas));

    Board board;
    testing::buildScene(board, 6, 4, 40);
    const FontSet body = BodyFonts, title = TitleFonts;
    BodyFonts = TitleFonts = FontSet{};
    IconPictures.freeAll();
    ParticlePictures.freeAll();
    drawBoard(board, PlayerRecord(), canvas);
    drawBoard(board, PlayerRecord(), nullptr);
    BodyFonts = body;
    TitleFonts = title;
}

// 255 usable slots; a failed load keeps its slot; the ends of the range.
TEST_F(DrawTest, BitmapBankSlotsAndLimits) {
    BitmapBank bank;
    bank.add("/no/such/picture.bmp");
    BITMAP* first = create_bitmap(2, 2);
    bank.adopt(first);
    EXPECT_EQ(bank.get(0), nullptr);
    EXPECT_EQ(bank.get(1), first);
    for (int i = 2; i < 300; ++i) bank.adopt(create_bitmap(1, 1));
    EXPECT_EQ(bank.count(), BitmapBank::UsableSlots);
    EXPECT_NE(bank.get(254), nullptr);
    for (int slot : {255, 256, -1}) EXPECT_EQ(bank.get(slot), nullptr) << slot;
    bank.freeAll();
    EXPECT_EQ(bank.count(), 0);
    EXPECT_EQ(bank.get(1), nullptr);
    bank.freeAll();
}

// In a folder without data every missing picture is named and every slot
// stays numbered; the screenshot makes its folder, replaces its file and
// fails harmlessly where it cannot write.
TEST_F(DrawTest, MissingDataAndScreenshots) {
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path(),
                   scratch = fs::temp_directory_path() / ("tessaron-draw-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::current_path(scratch);

    freePictureBanks();
    std::string missing;
    EXPECT_FALSE(loadPictureBanks(&missing));
    EXPECT_EQ(missing.find("\n  data/gfx/blocks/block_red.bmp: missing\n  data/gfx/blocks/block_green.bmp: "), 0u);
    EXPECT_NE(missing.find("\n  data/particles/testparticle.bmp"), std::string::npos);
    EXPECT_EQ(BlockPictures.count(), 5);
    EXPECT_EQ(ParticlePictures.count(), 11);

    putpixel(canvas, 10, 10, makecol(1, 2, 3));
    EXPECT_TRUE(saveScreenshot(canvas));
    EXPECT_TRUE(saveScreenshot(canvas)) << "an existing folder and file";
    // A write that fails (the file size limit stands in for a full disk), at
    // the first flush or at the last, keeps the earlier file and leaves no
    // partial one; a pipe in the file's place is left alone; no descriptor
    // stays open.
    const long open = openDescriptors();
    for (const auto limit : {rlim_t{1000}, rlim_t{fs::file_size("screenshots/tessaron.bmp") - 1}}) {
        const FileSizeLimit full(limit);
        EXPECT_FALSE(saveScreenshot(canvas)) << limit;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("screenshots"), fs::directory_iterator()), 1);
    fs::create_directory("piped");
    ASSERT_EQ(mkfifo("piped/tessaron.bmp", 0600), 0);
    EXPECT_FALSE(saveScreenshotTo(canvas, "piped"));
    EXPECT_TRUE(fs::is_fifo("piped/tessaron.bmp"));
    EXPECT_EQ(openDescriptors(), open);
    BITMAP* saved = load_bitmap("screenshots/tessaron.bmp", nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->w, 640);
    EXPECT_EQ(getpixel(saved, 10, 10), makecol(1, 2, 3));
    destroy_bitmap(saved);
    std::ofstream("blocker").put('x');
    EXPECT_FALSE(saveScreenshotTo(canvas, "blocker"));
    EXPECT_FALSE(saveScreenshotTo(canvas, "no/such"));
    EXPECT_FALSE(saveScreenshotTo(nullptr, "screenshots"));
    fs::current_path(previous);
    fs::remove_all(scratch);
}

} // namespace
} // namespace tessaron
