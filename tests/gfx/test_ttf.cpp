// The text layer (and the font sets on it) against FreeType's own figures:
// loading and refusing files, the size search, measuring, clipping, opaque
// and anti-aliased output, the bounded printf and null handles.
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
        bmp = create_bitmap_ex(32, 400, 80);
        clear_to_color(bmp, 0);
    }
    void TearDown() override {
        destroy_bitmap(bmp);
        ttf_destroy_font(font);
        stopTextLayer();
    }
    int inked() const {
        int n = 0;
        for (int y = 0; y < bmp->h; ++y)
            for (int x = 0; x < bmp->w; ++x) n += getpixel(bmp, x, y) != 0;
        return n;
    }
    bool cached(int ch) const { return font->glyph_cache[FT_Get_Char_Index(font->face, ch)].cached; }
    TTF_FONT* font = nullptr;
    BITMAP* bmp = nullptr;
};

TEST_F(TtfTest, UnusableFilesGiveNullAndFontSetsOpenWhole) {
    std::ifstream in(DejaVu, std::ios::binary);
    const std::vector<char> real{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<std::vector<char>> bad = {{}, std::vector<char>(5000, 'x'),
                                                std::vector<char>(real.begin(), real.begin() + 3000)};
    const std::string path = std::string(TESSARON_BINARY_DIR) + "/bad.ttf";
    for (const auto& bytes : bad) {
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
        return static_cast<int>(font->face->size->metrics.ascender >> 6) -
               static_cast<int>(font->face->size->metrics.descender >> 6);
    };
    for (int h : {9, 12, 18, 24, 36, 72, 100}) {
        ASSERT_EQ(ttf_set_font_size(font, h), 0) << h;
        const int size = font->pixel_size;
        EXPECT_EQ(ttf_text_height(font), h);
        EXPECT_LE(lineHeight(size), h) << h;
        EXPECT_GT(lineHeight(size + 1), h) << h;
        FT_Set_Pixel_Sizes(font->face, 0, size);
        EXPECT_EQ(font->ascender, static_cast<int>(font->face->size->metrics.ascender >> 6));
    }
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    const int size = font->pixel_size;
    ttf_text_length(font, "A");
    for (int bad : {0, -3, 2049, 1 << 30}) {
        EXPECT_EQ(ttf_set_font_size(font, bad), -1) << bad;
        EXPECT_EQ(ttf_text_height(font), 24);
        EXPECT_EQ(font->pixel_size, size);
        EXPECT_TRUE(cached('A'));
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

// The length is FreeType's advances plus the spacing after each; the
// spacing is clamped to 0..4096; centred and right-aligned text start at
// x - length / 2 and x - length, and drawn text advances by the spacing.
TEST_F(TtfTest, LengthSpacingAndAlignment) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    const char* text = "Waves, 100%";
    for (int spacing : {0, 3}) {
        ttf_set_char_spacing(font, spacing);
        int sum = 0;
        for (const char* p = text; *p; ++p) {
            FT_Load_Glyph(font->face, FT_Get_Char_Index(font->face, static_cast<unsigned char>(*p)), FT_LOAD_DEFAULT);
            sum += static_cast<int>(font->face->glyph->advance.x >> 6) + spacing;
        }
        EXPECT_EQ(ttf_text_length(font, text), sum) << spacing;
    }
    for (auto [asked, kept] : {std::pair{-1, 0}, {4096, 4096}, {4097, 4096}}) {
        ttf_set_char_spacing(font, asked);
        EXPECT_EQ(font->char_spacing, kept) << asked;
    }
    ttf_set_char_spacing(font, 3);
    for (const char* t : {"Wave", "Waves"}) {
        const int length = ttf_text_length(font, t);
        BITMAP* direct = create_bitmap_ex(32, 400, 80);
        clear_to_color(direct, 0);
        clear_to_color(bmp, 0);
        ttf_textout_centre_aa_ex(bmp, font, t, 200, 10, 0xFFFFFF, -1);
        ttf_textout_right_aa_ex(bmp, font, t, 390, 40, 0xFFFFFF, -1);
        ttf_textout_right_ex(bmp, font, t, 150, 40, 0xFFFFFF, -1);
        for (int i = 0; t[i]; ++i) {  // glyph by glyph, at the pen positions
            const std::string one(1, t[i]);
            const int pen = ttf_text_length(font, std::string(t, i).c_str());
            ttf_textout_aa_ex(direct, font, one.c_str(), 200 - length / 2 + pen, 10, 0xFFFFFF, -1);
            ttf_textout_aa_ex(direct, font, one.c_str(), 390 - length + pen, 40, 0xFFFFFF, -1);
            ttf_textout_ex(direct, font, one.c_str(), 150 - length + pen, 40, 0xFFFFFF, -1);
        }
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 400; ++x) ASSERT_EQ(getpixel(bmp, x, y), getpixel(direct, x, y)) << t << " " << x << "," << y;
        destroy_bitmap(direct);
    }
}

TEST_F(TtfTest, ClipRectangleRejectsAndStopsText) {
    ASSERT_EQ(ttf_set_font_size(font, 24), 0);
    set_clip_rect(bmp, 0, 0, 99, 79);
    ttf_textout_ex(bmp, font, "Hidden", 100, 10, 0xFFFFFF, 0x123456);
    ttf_textout_ex(bmp, font, "Hidden", 10, -25, 0xFFFFFF, 0x123456);  // one row above the clip
    EXPECT_EQ(inked(), 0);
    ttf_textout_ex(bmp, font, "Visible", 10, -23, 0xFFFFFF, 0x123456);  // its last row is in
    EXPECT_GT(inked(), 0);
    // Every glyph whose pen starts inside the clip is drawn; once the pen
    // has passed the clip edge the rest are never even rendered.
    BITMAP* wide = create_bitmap_ex(32, 440, 80);
    clear_to_color(wide, 0);
    const std::string text = std::string(30, 'l') + "Q";
    clear_to_color(bmp, 0);
    ttf_textout_ex(bmp, font, text.c_str(), 0, 10, 0xFFFFFF, -1);
    ttf_textout_ex(wide, font, std::string(30, 'l').c_str(), 0, 10, 0xFFFFFF, -1);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_EQ(getpixel(bmp, x, y), getpixel(wide, x, y)) << x << "," << y;
    EXPECT_FALSE(cached('Q'));
    // Text starting left of the bitmap shows exactly its visible part.
    clear_to_color(wide, 0);
    clear_to_color(bmp, 0);
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
    ttf_textout_ex(bmp, font, "Left edge", -15, 10, 0xFFFFFF, -1);
    ttf_textout_ex(wide, font, "Left edge", 25, 10, 0xFFFFFF, -1);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 400; ++x) ASSERT_EQ(getpixel(bmp, x, y), getpixel(wide, x + 40, y)) << x << "," << y;
    destroy_bitmap(wide);
}

// An opaque background fills exactly the length by the height from (x, y);
// anti-aliased ink of coverage a over it takes entry a of the ramp from
// background to ink: per channel (b * 256 + a * step) >> 8, the step being
// 0 for equal channels and ink + 1 - background otherwise.
TEST_F(TtfTest, OpaqueBackgroundBoxAndColourRamp) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    struct Row { int background[3]; int ink[3]; };
    const Row rows[] = {{{0, 0, 0}, {255, 255, 255}}, {{200, 40, 90}, {10, 40, 250}}, {{255, 255, 255}, {0, 128, 1}}};
    const int length = ttf_text_length(font, "Jig");  // a descender and an overhang
    for (const Row& r : rows) {
        const int background = makecol32(r.background[0], r.background[1], r.background[2]);
        clear_to_color(bmp, 0x010203);
        ttf_textout_aa_ex(bmp, font, "Jig", 20, 10, makecol32(r.ink[0], r.ink[1], r.ink[2]), background);
        int partial = 0;
        for (int y = 0; y < bmp->h; ++y)
            for (int x = 0; x < bmp->w; ++x) {
                const bool inBox = x >= 20 && x < 20 + length && y >= 10 && y < 10 + 36;
                ASSERT_TRUE(inBox || getpixel(bmp, x, y) != background) << x << "," << y;
            }
        EXPECT_EQ(getpixel(bmp, 20, 10), background);
        EXPECT_EQ(getpixel(bmp, 20 + length - 1, 10), background);
        for (const char ch : std::string("Jig")) {
            const TTF_GLYPH& g = font->glyph_cache[FT_Get_Char_Index(font->face, ch)];
            const int pen = ch == 'J' ? 0 : ttf_text_length(font, ch == 'i' ? "J" : "Ji");
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
                    const int p = getpixel(bmp, 20 + pen + g.aa_left + col, 10 - g.aa_top + font->ascender + row);
                    ASSERT_EQ(p, makecol32(want[0], want[1], want[2])) << ch << " coverage " << a;
                }
        }
        EXPECT_GT(partial, 0);
    }
    // Monochrome on an opaque box: background or ink, nothing else.
    clear_to_color(bmp, 0);
    ttf_textout_ex(bmp, font, "Jig", 20, 10, 0xFFFFFF, 0x203040);
    for (int y = 10; y < 46; ++y)
        for (int x = 20; x < 20 + length; ++x) ASSERT_TRUE(getpixel(bmp, x, y) == 0x203040 || getpixel(bmp, x, y) == 0xFFFFFF);
}

// Transparent anti-aliased text: full coverage is the ink, partial lies
// between, and the drawing mode is solid again afterwards.  Formatted text
// is cut at 511 bytes.  Null handles and codes past the glyph count of a
// face without a charmap draw nothing.
TEST_F(TtfTest, TransparentTextPrintfAndNothingToDraw) {
    ASSERT_EQ(ttf_set_font_size(font, 36), 0);
    ttf_textprintf_aa_ex(bmp, font, 5, 5, 0xFFFFFF, -1, "%s %d", "Score", 42);
    int full = 0, partial = 0;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            const int p = getpixel(bmp, x, y);
            full += p == 0xFFFFFF;
            partial += p != 0 && p != 0xFFFFFF;
        }
    EXPECT_GT(full, 0);
    EXPECT_GT(partial, 0);
    putpixel(bmp, 399, 79, 0xFFFFFF);
    putpixel(bmp, 399, 79, 0x808080);
    EXPECT_EQ(getpixel(bmp, 399, 79), 0x808080) << "solid mode";

    ASSERT_EQ(ttf_set_font_size(font, 12), 0);
    BITMAP* wide = create_bitmap_ex(32, 4000, 20);
    clear_to_color(wide, 0);
    const std::string longText(600, 'l');
    ttf_textprintf_ex(wide, font, 0, 0, 0xFFFFFF, 0x010101, "%s", longText.c_str());
    const int cut = ttf_text_length(font, longText.substr(0, 511).c_str());
    EXPECT_EQ(getpixel(wide, cut - 1, 0), 0x010101);
    EXPECT_EQ(getpixel(wide, cut, 0), 0);
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
    EXPECT_EQ(inked(), 0);
}

} // namespace
} // namespace tessaron::test
