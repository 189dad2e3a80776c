// The golden frame: a fixed busy scene (blocks, breakers at several pulse
// phases, the falling and next pairs, particles in every draw mode, a combo
// message, "Round 1" half faded and the pause panel half open) drawn into a
// 1024 x 768 back buffer at 32 bits and compared with the reviewed reference
// tests/golden/frame_board32.png.  Pixels must match exactly except inside
// the boxes where text is drawn, which may differ with the FreeType build.
// With TESSARON_UPDATE_GOLDEN=1 the reference is rewritten instead.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <png.h>
#include <sys/stat.h>

#include "render/bitmap_bank.h"
#include "render_fixture.h"
#include "session/logic_globals.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

constexpr int Width = 1024;
constexpr int Height = 768;
const std::string Reference = std::string(TESSARON_SOURCE_DIR) + "/tests/golden/frame_board32.png";
const std::string Actual = std::string(TESSARON_BINARY_DIR) + "/frame_board32.actual.png";

struct Box {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// Where the scene draws text (board at (362, 204), 240 x 360), with room
// for another FreeType's glyph shapes and widths.
const Box TextBoxes[] = {
    {340, 130, 340, 40},  // name tag "Demo Player", left-aligned at (362, 139)
    {590, 175, 90, 30},   // "Next" label at (604, 184)
    {590, 275, 110, 55},  // "Score" label at (607, 284) and the score at (608, 305)
    {350, 165, 270, 40},  // "Danger: 2" centred on (482, 174)
    {370, 370, 240, 45},  // "x3 Combo" centred on (489, 379)
    {250, 275, 520, 100}, // "Round 1" centred on (512, 284)
    {360, 325, 300, 50},  // the pause panel's two lines at (375, 335) and (375, 354)
};

bool inText(int x, int y) {
    for (const Box& b : TextBoxes)
        if (b.contains(x, y)) return true;
    return false;
}

std::vector<unsigned char> rgbOf(BITMAP* bmp) {
    std::vector<unsigned char> out;
    out.reserve(static_cast<size_t>(bmp->w) * bmp->h * 3);
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            const int p = getpixel(bmp, x, y);
            out.push_back(static_cast<unsigned char>(getr32(p)));
            out.push_back(static_cast<unsigned char>(getg32(p)));
            out.push_back(static_cast<unsigned char>(getb32(p)));
        }
    return out;
}

bool writePng(const std::string& path, const std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = Width;
    image.height = Height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    if (image.width != Width || image.height != Height) {
        png_image_free(&image);
        return false;
    }
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

// The scene's frame as RGB bytes; with `withText` false the fonts are
// taken away for the drawing, so that no text is drawn.
std::vector<unsigned char> drawGoldenScene(bool withText) {
    testing::useDepth(32);
    std::vector<unsigned char> rgb;
    {
        const testing::Scene scene(7, 6, 60, false);
        BITMAP* back = create_bitmap(Width, Height);
        const FontSet body = BodyFonts, title = TitleFonts;
        if (!withText) BodyFonts = TitleFonts = FontSet{};
        scene.draw(back, nullptr);
        BodyFonts = body;
        TitleFonts = title;
        rgb = rgbOf(back);
        destroy_bitmap(back);
    }
    freePictureBanks();
    return rgb;
}

// Pixels that differ between two frames: outside the text boxes, inside
// them, and the first one outside.
struct Difference {
    int outside = 0, inside = 0;
    int firstX = -1, firstY = -1;
};

Difference compare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    Difference d;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const size_t i = (static_cast<size_t>(y) * Width + x) * 3;
            if (a[i] == b[i] && a[i + 1] == b[i + 1] && a[i + 2] == b[i + 2]) continue;
            if (inText(x, y)) {
                ++d.inside;
            } else if (d.outside++ == 0) {
                d.firstX = x;
                d.firstY = y;
            }
        }
    return d;
}

// The text boxes hold every pixel that text changes, so the tolerance
// covers text and nothing else.
TEST(GoldenFrame, TextBoxesHoldAllText) {
    ASSERT_TRUE(testing::startRenderFixture());
    const Difference d = compare(drawGoldenScene(true), drawGoldenScene(false));
    EXPECT_EQ(d.outside, 0) << "text outside the boxes at (" << d.firstX << ", " << d.firstY << ")";
    EXPECT_GT(d.inside, 1000);
}

TEST(GoldenFrame, BusyBoardAt32Bits) {
    ASSERT_TRUE(testing::startRenderFixture());
    const std::vector<unsigned char> actual = drawGoldenScene(true);

    const char* update = std::getenv("TESSARON_UPDATE_GOLDEN");
    if (update && *update == '1') {
        ASSERT_TRUE(writePng(Reference, actual));
        GTEST_SKIP() << "reference rewritten: " << Reference;
    }

    std::vector<unsigned char> expected;
    if (!readPng(Reference, expected)) {
        writePng(Actual, actual);
        FAIL() << "no readable reference " << Reference << "; this run's frame is " << Actual;
    }
    const Difference d = compare(actual, expected);
    if (d.outside) writePng(Actual, actual);
    EXPECT_EQ(d.outside, 0) << d.outside << " pixels differ outside text, the first at (" << d.firstX << ", "
                            << d.firstY << "); this run's frame is " << Actual;
    RecordProperty("text_pixels_differing", d.inside);
}

} // namespace
} // namespace tessaron
