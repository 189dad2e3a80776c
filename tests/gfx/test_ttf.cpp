// The text layer (and the font sets on it) against FreeType's own figures:
// loading and refusing files, the size search, measuring, what is refused
// before drawing, the bounded printf and null handles.  What it draws is
// compared whole in the golden text frame (tests/render).
#include "gfx/ttf.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/ttf_font.h"
#include "shell/font_set.h"

namespace tessaron::test {
namespace {

// Allegro without a display, once for the program.
[[maybe_unused]] const int AllegroStarted = install_allegro(SYSTEM_NONE, &errno, atexit);

constexpr const char* DejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class TtfTest : public ::testing::Test {
protected:
    void SetUp() override {
        startTextLayer();
        font = ttf_load_font(DejaVu);
        ASSERT_NE(font, nullptr);
        bmp = create_bitmap_ex(32, 400, 80);
        clear_to_color(bmp, 0);
    }
    void TearDown() override {
        destroy_bitmap(bmp);
        ttf_destroy_font(font);
        stopTextLayer();
    }
    int count(int colour, bool equal) const {
        int n = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 400; ++x) n += (getpixel(bmp, x, y) == colour) == equal;
        return n;
    }
    bool cached(int ch) const { return font->glyph_cache[FT_Get_Char_Index(font->face, ch)].cached; }
    TTF_FONT* font = nullptr;
    BITMAP* bmp = nullptr;
};

TEST_F(TtfTest, UnusableFilesGiveNullAndFontSetsOpenWhole) {
    std::ifstream in(DejaVu, std::ios::binary);
    const std::vector<char> real{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string path = std::string(TESSARON_BINARY_DIR) + "/bad.ttf";
    for (const auto& bytes : {std::vector<char>(), std::vector<char>(5000, 'x'), std::vector<char>(real.begin(), real.begin() + 3000)}) {
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_EQ(ttf_load_font(path.c_str()), nullptr) << bytes.size();
    }
    EXPECT_EQ(ttf_load_font("/nonexistent/font.ttf"), nullptr);
    ttf_destroy_font(nullptr);
    // A set whose file is unusable keeps no handle (the golden frames draw
    // with sets of the real fonts at every size).
    FontSet set;
    EXPECT_FALSE(loadFontSet(set, path.c_str()));
    EXPECT_EQ(std::count(std::begin(set.sizes), std::end(set.sizes), nullptr), FontSizeCount);
}

// The accepted pixel size is the largest whose line height fits; a failed
// request keeps the size and the glyphs; the same height keeps the glyphs.
TEST_F(TtfTest, SizeSearchAndFailedRequests) {
    auto lineHeight = [this](int size) {
        FT_Set_Pixel_Sizes(font->face, 0, size);
        return static_cast<int>((font->face->size->metrics.ascender - font->face->size->metrics.descender) >> 6);
    };
    for (int h : {9, 12, 18, 24, 36, 72, 100}) {
        ASSERT_EQ(ttf_set_font_size(font, h), 0) << h;
        const int size = font->pixel_size;
        EXPECT_EQ(ttf_text_height(font), h);
        EXPECT_TRUE(lineHeight(size) <= h && lineHeight(size + 1) > h) << h;
        FT_Set_Pixel_Sizes(font->face, 0, size);
        EXPECT_EQ(font->ascender, static_cast<int>(font->face->size->metrics.ascender >> 6));
    }
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    const int size = font->pixel_size;
    ttf_text_length(font, "A");
    for (int bad : {0, -3, 2049, 1 << 30}) {
        EXPECT_EQ(ttf_set_font_size(font, bad), -1) << bad;
        EXPECT_TRUE(ttf_text_height(font) == 24 && font->pixel_size == size && cached('A')) << bad;
    }
    EXPECT_EQ(ttf_set_font_size(font, 24), 0);
    EXPECT_TRUE(cached('A'));
    EXPECT_EQ(ttf_set_font_size(font, 2048), 0);
    EXPECT_FALSE(cached('A'));

    // A face whose sizes 9..14 have line heights 8, 9, 11, 13, 14, 16: 10
    // overshoots and steps back, selecting 10 again; 12 steps down to 11;
    // no size fits, or the face fails to size: -1.
    std::vector<int> calls;
    auto table = [&calls](int s) {
        calls.push_back(s);
        static const int heights[] = {8, 9, 11, 13, 14, 16};
        return s >= 9 && s <= 14 ? heights[s - 9] : (s < 9 ? s - 1 : s + 3);
    };
    EXPECT_EQ(ttf::findPixelSize(10, table), 10);
    EXPECT_EQ(calls, (std::vector<int>{10, 11, 10}));
    EXPECT_EQ(ttf::findPixelSize(12, table), 11);
    EXPECT_EQ(ttf::findPixelSize(5, [](int) { return -1; }), -1);
    EXPECT_EQ(ttf::findPixelSize(5, [](int s) { return s + 10; }), -1);  // reaches size 0
}

// Text wholly outside the clip rectangle draws nothing, not even its box;
// formatted text is cut at 511 bytes; null handles and codes past the glyph
// count of a face without a charmap draw nothing.
TEST_F(TtfTest, NothingToDrawAndThePrintfBound) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    set_clip_rect(bmp, 0, 0, 99, 79);
    ttf_textout_ex(bmp, font, "Hidden", 100, 10, 0xFFFFFF, 0x123456);
    ttf_textout_ex(bmp, font, "Hidden", 10, -25, 0xFFFFFF, 0x123456);  // one row above the clip
    EXPECT_EQ(count(0, false), 0);
    ttf_textout_ex(bmp, font, "Visible", 10, -23, 0xFFFFFF, 0x123456);  // its last row is in
    EXPECT_GT(count(0, false), 0);

    ASSERT_EQ(ttf_set_font_size(font, 12), 0);
    BITMAP* wide = create_bitmap_ex(32, 4000, 20);
    clear_to_color(wide, 0);
    const std::string longText(600, 'l');
    ttf_textprintf_ex(wide, font, 0, 0, 0xFFFFFF, 0x010101, "%s", longText.c_str());
    const int cut = ttf_text_length(font, longText.substr(0, 511).c_str());
    EXPECT_TRUE(getpixel(wide, cut - 1, 0) == 0x010101 && getpixel(wide, cut, 0) == 0);
    destroy_bitmap(wide);

    clear_to_color(bmp, 0);
    EXPECT_EQ(ttf_set_font_size(nullptr, 12), -1);
    EXPECT_EQ(ttf_text_height(nullptr), 0);
    EXPECT_EQ(ttf_text_length(nullptr, "abc"), 0);
    ttf_set_char_spacing(nullptr, 3);
    ttf_textout_ex(bmp, nullptr, "abc", 0, 0, 0xFFFFFF, 0x111111);
    ttf_textprintf_aa_ex(bmp, nullptr, 0, 0, 0xFFFFFF, -1, "%d", 5);
    ttf_textout_ex(nullptr, font, "abc", 0, 0, 0xFFFFFF, 0x111111);
    FT_CharMap saved = font->face->charmap;
    font->face->charmap = nullptr;  // codes are glyph indices now
    const char beyond[] = "\xF4\x8F\xBF\xBF";  // U+10FFFF, above DejaVu's glyph count
    EXPECT_EQ(ttf_text_length(font, beyond), 0);
    ttf_textout_aa_ex(bmp, font, beyond, 10, 10, 0xFFFFFF, -1);
    EXPECT_GT(ttf_text_length(font, "$"), 0);  // glyph index 36 exists
    font->face->charmap = saved;
    EXPECT_EQ(count(0, false), 0);
}

} // namespace
} // namespace tessaron::test
