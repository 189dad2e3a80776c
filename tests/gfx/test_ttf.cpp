// The text layer (and the font sets on it) against FreeType's own figures:
// loading and refusing files, the size search, measuring and laying out
// glyph by glyph, clipping, opaque and anti-aliased output, the bounded
// printf and null handles.
#include "gfx/ttf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "allegro_env.h"
#include "gfx/ttf_font.h"
#include "shell/font_set.h"

namespace tessaron::test {
namespace {

const auto* const Env = ::testing::AddGlobalTestEnvironment(new AllegroEnvironment);

constexpr const char* DejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class TtfTest : public ::testing::Test {
protected:
    void SetUp() override {
        startTextLayer();
        font = ttf_load_font(DejaVu);
        ASSERT_NE(font, nullptr);
        bmp = blank(400);
        other = blank(440);
    }
    void TearDown() override {
        destroy_bitmap(bmp);
        destroy_bitmap(other);
        ttf_destroy_font(font);
        stopTextLayer();
    }
    static BITMAP* blank(int w) {
        BITMAP* b = create_bitmap_ex(32, w, 80);
        clear_to_color(b, 0);
        return b;
    }
    // Whether bmp's columns 0..w-1 equal other's from column `shift` on.
    bool sameAs(int shift = 0, int w = 400) const {
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < w; ++x)
                if (getpixel(bmp, x, y) != getpixel(other, x + shift, y)) return false;
        return true;
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
    BITMAP* other = nullptr;
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
    EXPECT_EQ(ttf_load_font_from_memory(real.data(), 3000), nullptr);
    EXPECT_EQ(ttf_load_font_from_memory(nullptr, 10), nullptr);
    TTF_FONT* fromMemory = ttf_load_font_from_memory(real.data(), static_cast<int>(real.size()));
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(ttf_text_height(fromMemory), 8);
    EXPECT_EQ(ttf_text_length(fromMemory, "Abc"), ttf_text_length(font, "Abc"));
    ttf_destroy_font(fromMemory);
    ttf_destroy_font(nullptr);

    FontSet set;
    EXPECT_FALSE(loadFontSet(set, path.c_str()));
    for (TTF_FONT* handle : set.sizes) EXPECT_EQ(handle, nullptr);
    ASSERT_TRUE(loadFontSet(set, DejaVu));
    for (int i = 0; i < FontSizeCount; ++i) EXPECT_EQ(ttf_text_height(set.sizes[i]), FontPixelSizes[i]);
    releaseFontSet(set);
    for (TTF_FONT* handle : set.sizes) EXPECT_EQ(handle, nullptr);
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

    // A face whose sizes 9..14 have line heights 8, 9, 11, 13, 14, 16.
    std::vector<int> calls;
    auto table = [&calls](int s) {
        calls.push_back(s);
        static const int heights[] = {8, 9, 11, 13, 14, 16};
        return s >= 9 && s <= 14 ? heights[s - 9] : (s < 9 ? s - 1 : s + 3);
    };
    EXPECT_EQ(ttf::findPixelSize(10, table), 10);
    EXPECT_EQ(calls, (std::vector<int>{10, 11, 10}));  // overshoots, steps back, selects 10 again
    EXPECT_EQ(ttf::findPixelSize(12, table), 11);
    EXPECT_EQ(ttf::findPixelSize(14, table), 13);
    EXPECT_EQ(ttf::findPixelSize(5, [](int) { return -1; }), -1);
    EXPECT_EQ(ttf::findPixelSize(5, [](int s) { return s + 10; }), -1);  // reaches size 0
}

// The length is FreeType's advances plus the spacing after each (clamped
// to 0..4096); centred and right-aligned text start at x - length / 2 and
// x - length; drawn text advances glyph by glyph as measured.
TEST_F(TtfTest, LengthSpacingAndAlignment) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    for (auto [asked, kept] : {std::pair{-1, 0}, {4097, 4096}, {4096, 4096}, {0, 0}, {3, 3}}) {
        ttf_set_char_spacing(font, asked);
        EXPECT_EQ(font->char_spacing, kept) << asked;
    }
    int sum = 0;
    for (const char* p = "Waves, 100%"; *p; ++p) {
        FT_Load_Glyph(font->face, FT_Get_Char_Index(font->face, static_cast<unsigned char>(*p)), FT_LOAD_DEFAULT);
        sum += static_cast<int>(font->face->glyph->advance.x >> 6) + 3;
    }
    EXPECT_EQ(ttf_text_length(font, "Waves, 100%"), sum);
    for (const std::string t : {"Wave", "Waves"}) {
        const int length = ttf_text_length(font, t.c_str());
        clear_to_color(bmp, 0);
        clear_to_color(other, 0);
        ttf_textout_centre_aa_ex(bmp, font, t.c_str(), 200, 10, 0xFFFFFF, -1);
        ttf_textout_right_aa_ex(bmp, font, t.c_str(), 390, 40, 0xFFFFFF, -1);
        ttf_textout_right_ex(bmp, font, t.c_str(), 150, 40, 0xFFFFFF, -1);
        for (size_t i = 0; i < t.size(); ++i) {
            const int pen = ttf_text_length(font, t.substr(0, i).c_str());
            const std::string one = t.substr(i, 1);
            ttf_textout_aa_ex(other, font, one.c_str(), 200 - length / 2 + pen, 10, 0xFFFFFF, -1);
            ttf_textout_aa_ex(other, font, one.c_str(), 390 - length + pen, 40, 0xFFFFFF, -1);
            ttf_textout_ex(other, font, one.c_str(), 150 - length + pen, 40, 0xFFFFFF, -1);
        }
        EXPECT_TRUE(sameAs()) << t;
    }
}

TEST_F(TtfTest, ClipRectangleRejectsAndStopsText) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    set_clip_rect(bmp, 0, 0, 99, 79);
    ttf_textout_ex(bmp, font, "Hidden", 100, 10, 0xFFFFFF, 0x123456);
    ttf_textout_ex(bmp, font, "Hidden", 10, -25, 0xFFFFFF, 0x123456);  // one row above the clip
    EXPECT_EQ(count(0, false), 0);
    ttf_textout_ex(bmp, font, "Visible", 10, -23, 0xFFFFFF, 0x123456);  // its last row is in
    EXPECT_GT(count(0, false), 0);
    // Every glyph whose pen starts inside the clip is drawn; once the pen
    // has passed the clip edge the rest are never even rendered.
    clear_to_color(bmp, 0);
    ttf_textout_ex(bmp, font, (std::string(30, 'l') + "Q").c_str(), 0, 10, 0xFFFFFF, -1);
    ttf_textout_ex(other, font, std::string(30, 'l').c_str(), 0, 10, 0xFFFFFF, -1);
    EXPECT_TRUE(sameAs(0, 100));
    EXPECT_FALSE(cached('Q'));
    // Text starting left of the bitmap shows exactly its visible part.
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
    clear_to_color(bmp, 0);
    clear_to_color(other, 0);
    ttf_textout_ex(bmp, font, "Left edge", -15, 10, 0xFFFFFF, -1);
    ttf_textout_ex(other, font, "Left edge", 25, 10, 0xFFFFFF, -1);
    EXPECT_TRUE(sameAs(40));
}

// An opaque background fills exactly the length by the height from (x, y);
// anti-aliased ink of coverage a over it takes entry a of the ramp from
// background to ink: per channel (b * 256 + a * step) >> 8, the step being
// 0 for equal channels and ink + 1 - background otherwise; monochrome ink
// is the ink itself.
TEST_F(TtfTest, OpaqueBackgroundBoxAndColourRamp) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    struct Row { int background[3]; int ink[3]; };
    const Row rows[] = {{{0, 0, 0}, {255, 255, 255}}, {{200, 40, 90}, {10, 40, 250}}, {{255, 255, 255}, {0, 128, 1}}};
    const int length = ttf_text_length(font, "Jig");  // a descender and an overhang
    for (const Row& r : rows) {
        const int background = makecol32(r.background[0], r.background[1], r.background[2]);
        clear_to_color(bmp, 0x010203);
        ttf_textout_aa_ex(bmp, font, "Jig", 20, 10, makecol32(r.ink[0], r.ink[1], r.ink[2]), background);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 400; ++x) {
                const bool inBox = x >= 20 && x < 20 + length && y >= 10 && y < 10 + 36;
                ASSERT_TRUE(inBox || getpixel(bmp, x, y) != background) << x << "," << y;
            }
        EXPECT_TRUE(getpixel(bmp, 20, 10) == background && getpixel(bmp, 20 + length - 1, 10) == background);
        int partial = 0;
        for (size_t i = 0; i < 3; ++i) {
            const TTF_GLYPH& g = font->glyph_cache[FT_Get_Char_Index(font->face, "Jig"[i])];
            const int pen = ttf_text_length(font, std::string("Jig", i).c_str());
            for (int row = 0; row < g.aa_height; ++row)
                for (int col = 0; col < g.aa_width; ++col) {
                    const int a = g.aa_bitmap[row * g.aa_width + col];
                    if (a == 0) continue;
                    partial += a < 255;
                    int want[3];
                    for (int c = 0; c < 3; ++c) {
                        const int b = r.background[c], f = r.ink[c];
                        want[c] = (b * 256 + a * (f == b ? 0 : f + 1 - b)) >> 8;
                    }
                    ASSERT_EQ(getpixel(bmp, 20 + pen + g.aa_left + col, 10 - g.aa_top + font->ascender + row),
                              makecol32(want[0], want[1], want[2])) << "Jig"[i] << " coverage " << a;
                }
        }
        EXPECT_GT(partial, 0);
    }
    clear_to_color(bmp, 0);
    ttf_textout_ex(bmp, font, "Jig", 20, 10, 0xFFFFFF, 0x203040);
    EXPECT_EQ(count(0x203040, true) + count(0xFFFFFF, true), count(0, false));
    EXPECT_GE(count(0x203040, true), length * 36 / 2);
}

// Transparent anti-aliased text: full coverage is the ink, partial lies
// between, and the drawing mode is solid again afterwards.  Formatted text
// is cut at 511 bytes.  Null handles and codes past the glyph count of a
// face without a charmap draw nothing.
TEST_F(TtfTest, TransparentTextPrintfAndNothingToDraw) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    ttf_textprintf_aa_ex(bmp, font, 5, 5, 0xFFFFFF, -1, "%s %d", "Score", 42);
    EXPECT_GT(count(0xFFFFFF, true), 0);
    EXPECT_GT(count(0, false) - count(0xFFFFFF, true), 0);
    putpixel(bmp, 399, 79, 0xFFFFFF);
    putpixel(bmp, 399, 79, 0x808080);
    EXPECT_EQ(getpixel(bmp, 399, 79), 0x808080) << "solid mode";

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
