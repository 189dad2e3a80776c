#include "render/styled_text.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "gfx/ttf.h"

namespace tessaron {
namespace {

class StyledTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0); }
    void SetUp() override {
        ASSERT_EQ(ttf_init(), 0);
        ttf_text_mode(-1);  // as the shell sets it
        font = ttf_load_font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        ASSERT_NE(font, nullptr);
        ASSERT_EQ(ttf_set_font_size(font, 24), 0);
        target = create_bitmap_ex(32, 300, 60);
        clear_to_color(target, Background);
    }
    void TearDown() override {
        destroy_bitmap(target);
        ttf_destroy_font(font);
        ttf_exit();
    }
    // Columns whose pixels differ from the background: first and last.
    void inkedColumns(int& first, int& last) const {
        first = -1;
        last = -1;
        for (int x = 0; x < target->w; ++x)
            for (int y = 0; y < target->h; ++y)
                if (getpixel(target, x, y) != Background) {
                    if (first < 0) first = x;
                    last = x;
                }
    }
    static constexpr int Background = 0x204060;
    TTF_FONT* font = nullptr;
    BITMAP* target = nullptr;
};

TEST_F(StyledTextTest, FactorZeroChangesNothing) {
    drawTranslucentText(target, font, 10, 10, 0xFFFFFF, 0, "Score %d", 1200);
    int first, last;
    inkedColumns(first, last);
    EXPECT_EQ(first, -1);
}

// At full strength the glyphs are drawn solid, exactly as the monochrome
// text, and nothing else changes.
TEST_F(StyledTextTest, FactorFullDrawsTheGlyphsOpaquely) {
    drawTranslucentText(target, font, 10, 10, 0xFFFFFF, 255, "Score %d", 1200);
    BITMAP* direct = create_bitmap_ex(32, 300, 60);
    clear_to_color(direct, Background);
    ttf_textout_ex(direct, font, "Score 1200", 10, 10, 0xFFFFFF, -1);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x) ASSERT_EQ(getpixel(target, x, y), getpixel(direct, x, y)) << x << "," << y;
    destroy_bitmap(direct);
}

// Half strength mixes the ink with what was there; no pixel is the ink.
TEST_F(StyledTextTest, PartialFactorMixes) {
    drawTranslucentText(target, font, 10, 10, 0xFFFFFF, 128, "%s", "100%");
    int mixed = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x) {
            int p = getpixel(target, x, y);
            ASSERT_NE(p, 0xFFFFFF);
            mixed += p != Background;
        }
    EXPECT_GT(mixed, 0);
}

// The centred drawer starts at x - (length + 3) / 2, the right one at
// x - (length + 3), whatever the factor.
TEST_F(StyledTextTest, AlignmentUsesTheScratchWidth) {
    const int width = ttf_text_length(font, "Combo") + 3;
    for (int factor : {255, 100}) {
        BITMAP* left = create_bitmap_ex(32, 300, 60);
        clear_to_color(left, Background);
        drawTranslucentText(left, font, 150 - width / 2, 10, 0xFFFF00, factor, "Combo");
        clear_to_color(target, Background);
        drawTranslucentTextCentred(target, font, 150, 10, 0xFFFF00, factor, "Combo");
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x) ASSERT_EQ(getpixel(target, x, y), getpixel(left, x, y));
        clear_to_color(left, Background);
        drawTranslucentText(left, font, 250 - width, 10, 0xFFFF00, factor, "Combo");
        clear_to_color(target, Background);
        drawTranslucentTextRight(target, font, 250, 10, 0xFFFF00, factor, "Combo");
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x) ASSERT_EQ(getpixel(target, x, y), getpixel(left, x, y));
        destroy_bitmap(left);
    }
}

TEST_F(StyledTextTest, EmptyTextAndMagentaInkShowNothing) {
    drawTranslucentText(target, font, 10, 10, 0xFFFFFF, 255, "%s", "");
    drawTranslucentText(target, font, 10, 10, makecol_depth(32, 255, 0, 255), 255, "Hidden");
    drawTranslucentText(nullptr, font, 10, 10, 0xFFFFFF, 255, "x");
    drawTranslucentText(target, nullptr, 10, 10, 0xFFFFFF, 255, "x");
    int first, last;
    inkedColumns(first, last);
    EXPECT_EQ(first, -1);
}

} // namespace
} // namespace tessaron
