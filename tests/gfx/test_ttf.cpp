#include "gfx/ttf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "allegro_env.h"
#include "gfx/ttf_font.h"

namespace tessaron::test {
namespace {

const auto* const Env = ::testing::AddGlobalTestEnvironment(new AllegroEnvironment);

constexpr const char* DejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::vector<char> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string writeTemp(const char* name, const std::vector<char>& bytes) {
    std::string path = std::string(TESSARON_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

class TtfTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ttf_init(), 0);
        font = ttf_load_font(DejaVu);
        ASSERT_NE(font, nullptr);
        bmp = create_bitmap_ex(32, 400, 80);
        clear_to_color(bmp, 0);
    }
    void TearDown() override {
        destroy_bitmap(bmp);
        ttf_destroy_font(font);
        ttf_exit();
    }
    int countNonZero(BITMAP* b) const {
        int n = 0;
        for (int y = 0; y < b->h; ++y)
            for (int x = 0; x < b->w; ++x) n += getpixel(b, x, y) != 0;
        return n;
    }
    bool sameImage(BITMAP* a, BITMAP* b) const {
        for (int y = 0; y < a->h; ++y)
            for (int x = 0; x < a->w; ++x)
                if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
        return true;
    }
    TTF_FONT* font = nullptr;
    BITMAP* bmp = nullptr;
};

TEST_F(TtfTest, UnusableFilesGiveNull) {
    std::vector<char> real = readFile(DejaVu);
    ASSERT_GT(real.size(), 10000u);
    EXPECT_EQ(ttf_load_font("/nonexistent/font.ttf"), nullptr);
    EXPECT_EQ(ttf_load_font(writeTemp("empty.ttf", {}).c_str()), nullptr);
    EXPECT_EQ(ttf_load_font(writeTemp("text.ttf", std::vector<char>(5000, 'x')).c_str()), nullptr);
    EXPECT_EQ(ttf_load_font(writeTemp("cut.ttf", std::vector<char>(real.begin(), real.begin() + 3000)).c_str()), nullptr);
    EXPECT_EQ(ttf_load_font_from_memory(real.data(), 3000), nullptr);
    EXPECT_EQ(ttf_load_font_from_memory(nullptr, 10), nullptr);
    TTF_FONT* fromMemory = ttf_load_font_from_memory(real.data(), static_cast<int>(real.size()));
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(fromMemory->font_data_size, static_cast<int>(real.size()));
    EXPECT_GT(ttf_text_length(fromMemory, "Abc"), 0);
    ttf_destroy_font(fromMemory);
    ttf_destroy_font(nullptr);
}

TEST_F(TtfTest, ScalableFontStartsAtHeightEight) {
    EXPECT_EQ(ttf_text_height(font), 8);
    EXPECT_EQ(font->fixed_size_count, -1);
    EXPECT_EQ(font->fixed_sizes[0], -1);
    EXPECT_EQ(font->char_spacing, 0);
    EXPECT_EQ(font->font_data, nullptr);
}

// On a real face the accepted size is the largest whose line height fits.
TEST_F(TtfTest, SizeSearchPicksTheLargestFittingSize) {
    auto lineHeight = [this](int size) {
        FT_Set_Pixel_Sizes(font->face, 0, size);
        return std::abs(static_cast<int>(font->face->size->metrics.ascender >> 6)) +
               std::abs(static_cast<int>(font->face->size->metrics.descender >> 6));
    };
    for (int h : {9, 12, 18, 24, 36, 48, 60, 72, 100}) {
        ASSERT_EQ(ttf_set_font_size(font, h), 0) << h;
        const int size = font->pixel_size;
        EXPECT_EQ(ttf_text_height(font), h);
        const int ascender = static_cast<int>(font->face->size->metrics.ascender >> 6);
        EXPECT_EQ(font->ascender, ascender);
        EXPECT_LE(lineHeight(size), h) << h;
        EXPECT_GT(lineHeight(size + 1), h) << h;
        FT_Set_Pixel_Sizes(font->face, 0, size);
    }
}

// The listed face: sizes 9..14 give line heights 8, 9, 11, 13, 14, 16.
TEST(TtfSizeSearch, ListedOutcomes) {
    std::vector<int> calls;
    auto table = [&calls](int size) {
        calls.push_back(size);
        static const int heights[] = {8, 9, 11, 13, 14, 16};
        return size >= 9 && size <= 14 ? heights[size - 9] : (size < 9 ? size - 1 : size + 3);
    };
    EXPECT_EQ(ttf::findPixelSize(10, table), 10);
    EXPECT_EQ(calls, (std::vector<int>{10, 11, 10}));  // overshoots, steps back and selects 10 again
    EXPECT_EQ(ttf::findPixelSize(12, table), 11);
    EXPECT_EQ(ttf::findPixelSize(14, table), 13);
    EXPECT_EQ(ttf::findPixelSize(5, [](int) { return -1; }), -1);
    EXPECT_EQ(ttf::findPixelSize(5, [](int size) { return size + 10; }), -1);  // reaches size 0
}

TEST_F(TtfTest, FailedRequestsKeepSizeAndCache) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    const int size = font->pixel_size;
    ttf_text_length(font, "A");
    const FT_UInt a = FT_Get_Char_Index(font->face, 'A');
    ASSERT_TRUE(font->glyph_cache[a].cached);
    for (int bad : {0, -3, 5000, 1 << 30}) {
        EXPECT_EQ(ttf_set_font_size(font, bad), -1) << bad;
        EXPECT_EQ(ttf_text_height(font), 24);
        EXPECT_EQ(font->pixel_size, size);
        EXPECT_TRUE(font->glyph_cache[a].cached);
    }
    EXPECT_EQ(ttf_set_font_size(font, 24), 0);  // the current height keeps the cache
    EXPECT_TRUE(font->glyph_cache[a].cached);
    EXPECT_EQ(ttf_set_font_size(font, 30), 0);  // a new one drops it
    EXPECT_FALSE(font->glyph_cache[a].cached);
}

TEST_F(TtfTest, LengthIsAdvancesPlusSpacing) {
    ASSERT_EQ(ttf_set_font_size(font, 18), 0);
    const char* text = "Hello, World";
    for (int spacing : {0, 3}) {
        ttf_set_char_spacing(font, spacing);
        int sum = 0;
        for (const char* p = text; *p; ++p) {
            FT_Load_Glyph(font->face, FT_Get_Char_Index(font->face, static_cast<unsigned char>(*p)), FT_LOAD_DEFAULT);
            int advance = static_cast<int>(font->face->glyph->advance.x >> 6);
            if (advance != 0) sum += advance + spacing;
        }
        EXPECT_EQ(ttf_text_length(font, text), sum) << spacing;
    }
    ttf_set_char_spacing(font, -5);
    EXPECT_EQ(font->char_spacing, 0);
    ttf_set_char_spacing(font, 5000);
    EXPECT_EQ(font->char_spacing, 4096);
}

TEST_F(TtfTest, CentredTextOfOddLengthStartsAtHalfTheLengthLeft) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    std::string text;
    for (const char* candidate : {"Wave", "Waves", "Wavy", "Wives", "Tessaron", "x"})
        if (text.empty() && ttf_text_length(font, candidate) % 2 == 1) text = candidate;
    ASSERT_FALSE(text.empty());
    const int length = ttf_text_length(font, text.c_str());
    BITMAP* direct = create_bitmap_ex(32, 400, 80);
    clear_to_color(direct, 0);
    ttf_textout_centre_aa_ex(bmp, font, text.c_str(), 200, 10, 0xFFFFFF, -1);
    ttf_textout_aa_ex(direct, font, text.c_str(), 200 - length / 2, 10, 0xFFFFFF, -1);
    EXPECT_TRUE(sameImage(bmp, direct));
    ttf_textout_right_aa_ex(bmp, font, text.c_str(), 300, 40, 0xFFFFFF, -1);
    ttf_textout_aa_ex(direct, font, text.c_str(), 300 - length, 40, 0xFFFFFF, -1);
    EXPECT_TRUE(sameImage(bmp, direct));
    destroy_bitmap(direct);
}

TEST_F(TtfTest, ClipRectangleRejectsAndStopsText) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    set_clip_rect(bmp, 0, 0, 99, 79);
    ttf_textout_ex(bmp, font, "Hidden", 100, 10, 0xFFFFFF, 0x123456);
    EXPECT_EQ(countNonZero(bmp), 0);
    ttf_textout_ex(bmp, font, "Hidden", 10, -40, 0xFFFFFF, 0x123456);  // above the clip
    EXPECT_EQ(countNonZero(bmp), 0);
    // The pen passes the clip edge after a few characters: the rest are
    // never even rendered.
    ttf_textout_ex(bmp, font, "MMMMMMMMMMQ", 0, 10, 0xFFFFFF, -1);
    EXPECT_GT(countNonZero(bmp), 0);
    EXPECT_FALSE(font->glyph_cache[FT_Get_Char_Index(font->face, 'Q')].cached);
    // Text starting left of the bitmap shows its visible part.
    BITMAP* wide = create_bitmap_ex(32, 440, 80);
    clear_to_color(wide, 0);
    clear_to_color(bmp, 0);
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
    ttf_textout_ex(bmp, font, "Left edge", -15, 10, 0xFFFFFF, -1);
    ttf_textout_ex(wide, font, "Left edge", 25, 10, 0xFFFFFF, -1);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 400; ++x) ASSERT_EQ(getpixel(bmp, x, y), getpixel(wide, x + 40, y)) << x << "," << y;
    destroy_bitmap(wide);
}

TEST_F(TtfTest, OpaqueBackgroundCoversExactlyTheTextBox) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    const int background = 0x203040, ink = 0xFFFFFF;
    const char* text = "Jig";  // a descender and an overhang
    const int length = ttf_text_length(font, text);
    for (bool aa : {false, true}) {
        clear_to_color(bmp, 0);
        if (aa)
            ttf_textout_aa_ex(bmp, font, text, 50, 20, ink, background);
        else
            ttf_textout_ex(bmp, font, text, 50, 20, ink, background);
        for (int y = 0; y < bmp->h; ++y)
            for (int x = 0; x < bmp->w; ++x) {
                const bool inBox = x >= 50 && x < 50 + length && y >= 20 && y < 20 + 24;
                const int p = getpixel(bmp, x, y);
                if (!inBox) {
                    ASSERT_NE(p, background) << x << "," << y;
                } else if (!aa) {
                    ASSERT_TRUE(p == background || p == ink) << x << "," << y;
                }
            }
        EXPECT_EQ(getpixel(bmp, 50, 20), background);
        EXPECT_EQ(getpixel(bmp, 50 + length - 1, 20 + 23), background);
    }
}

// With an opaque background, a pixel of coverage a takes entry a of the
// ramp from background to ink: per channel (b * 256 + a * step) >> 8, the
// step being 0 for equal channels and ink + 1 - background otherwise.
TEST_F(TtfTest, OpaqueAntialiasedTextUsesTheColourRamp) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    struct Row { int background[3]; int ink[3]; };
    const Row rows[] = {
        {{0, 0, 0}, {255, 255, 255}},
        {{200, 40, 90}, {10, 40, 250}},  // falling, equal and rising channels
        {{255, 255, 255}, {0, 128, 1}},
    };
    const FT_UInt index = FT_Get_Char_Index(font->face, 'S');
    for (const Row& r : rows) {
        const int background = makecol32(r.background[0], r.background[1], r.background[2]);
        const int ink = makecol32(r.ink[0], r.ink[1], r.ink[2]);
        clear_to_color(bmp, 0);
        ttf_textout_aa_ex(bmp, font, "S", 20, 10, ink, background);
        const TTF_GLYPH& g = font->glyph_cache[index];
        ASSERT_TRUE(g.cached && g.has_aa && g.aa_bitmap);
        int partial = 0;
        for (int row = 0; row < g.aa_height; ++row)
            for (int col = 0; col < g.aa_width; ++col) {
                const int a = g.aa_bitmap[row * g.aa_width + col];
                if (a == 0) continue;
                partial += a < 255;
                int want[3];
                for (int c = 0; c < 3; ++c) {
                    const int b = r.background[c], f = r.ink[c];
                    const int step = f == b ? 0 : f + 1 - b;
                    want[c] = (b * 256 + a * step) >> 8;
                }
                const int p = getpixel(bmp, 20 + g.aa_left + col, 10 - g.aa_top + font->ascender + row);
                ASSERT_EQ(p, makecol32(want[0], want[1], want[2])) << "coverage " << a;
            }
        EXPECT_GT(partial, 0);
    }
}

TEST_F(TtfTest, PrintfCutsAt511Bytes) {
    ASSERT_EQ(ttf_set_font_size(font, 12), 0);
    BITMAP* wide = create_bitmap_ex(32, 4000, 20);
    clear_to_color(wide, 0);
    const std::string longText(600, 'l');
    ttf_textprintf_ex(wide, font, 0, 0, 0xFFFFFF, 0x010101, "%s", longText.c_str());
    const int cut = ttf_text_length(font, longText.substr(0, 511).c_str());
    EXPECT_EQ(getpixel(wide, cut - 1, 0), 0x010101);
    EXPECT_EQ(getpixel(wide, cut, 0), 0);
    destroy_bitmap(wide);
}

TEST_F(TtfTest, TransparentAntialiasedTextLeavesSolidMode) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    clear_to_color(bmp, 0);
    ttf_textprintf_aa_ex(bmp, font, 5, 5, 0xFFFFFF, -1, "%s %d", "Score", 42);
    // Solid mode: a pixel put now replaces what is there.
    putpixel(bmp, 399, 79, 0xFFFFFF);
    putpixel(bmp, 399, 79, 0x808080);
    EXPECT_EQ(getpixel(bmp, 399, 79), 0x808080);
    // Full coverage is the ink itself; partial coverage lies between.
    int full = 0, partial = 0;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            int p = getpixel(bmp, x, y);
            full += p == 0xFFFFFF;
            partial += p != 0 && p != 0xFFFFFF;
        }
    EXPECT_GT(full, 0);
    EXPECT_GT(partial, 0);
}

TEST_F(TtfTest, NullFontDoesNothing) {
    EXPECT_EQ(ttf_set_font_size(nullptr, 12), -1);
    EXPECT_EQ(ttf_text_height(nullptr), 0);
    EXPECT_EQ(ttf_text_length(nullptr, "abc"), 0);
    ttf_set_char_spacing(nullptr, 3);
    ttf_textout_ex(bmp, nullptr, "abc", 0, 0, 0xFFFFFF, 0x111111);
    ttf_textprintf_aa_ex(bmp, nullptr, 0, 0, 0xFFFFFF, -1, "%d", 5);
    ttf_textout_ex(nullptr, font, "abc", 0, 0, 0xFFFFFF, 0x111111);
    EXPECT_EQ(countNonZero(bmp), 0);
}

// Without a charmap, character codes are glyph indices; codes beyond the
// glyph count are skipped.
TEST_F(TtfTest, CodesBeyondTheGlyphCountAreSkipped) {
    FT_CharMap saved = font->face->charmap;
    font->face->charmap = nullptr;
    const char beyond[] = "\xF4\x8F\xBF\xBF";  // U+10FFFF, above DejaVu's glyph count
    EXPECT_EQ(ttf_text_length(font, beyond), 0);
    ttf_textout_aa_ex(bmp, font, beyond, 10, 10, 0xFFFFFF, -1);
    EXPECT_EQ(countNonZero(bmp), 0);
    EXPECT_GT(ttf_text_length(font, "$"), 0);  // glyph index 36 exists
    font->face->charmap = saved;
}

} // namespace
} // namespace tessaron::test
