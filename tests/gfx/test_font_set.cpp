#include "shell/font_set.h"

#include <gtest/gtest.h>

#include "allegro_env.h"
#include "gfx/ttf.h"

namespace tessaron {
namespace {

const auto* const Env = ::testing::AddGlobalTestEnvironment(new test::AllegroEnvironment);

TEST(FontSet, OpensEverySizeOfAUsableFont) {
    startTextLayer();
    FontSet set;
    ASSERT_TRUE(loadFontSet(set, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    for (int i = 0; i < FontSizeCount; ++i) {
        ASSERT_NE(set.sizes[i], nullptr);
        EXPECT_EQ(ttf_text_height(set.sizes[i]), FontPixelSizes[i]);
    }
    EXPECT_EQ(ttf_text_mode(-1), -1);  // the text layer starts transparent
    releaseFontSet(set);
    for (TTF_FONT* handle : set.sizes) EXPECT_EQ(handle, nullptr);
    stopTextLayer();
}

TEST(FontSet, UnusableFileLeavesNothingOpen) {
    startTextLayer();
    FontSet set;
    EXPECT_FALSE(loadFontSet(set, "/nonexistent/trebuc.ttf"));
    EXPECT_FALSE(loadFontSet(set, TESSARON_SOURCE_DIR "/CMakeLists.txt"));
    for (TTF_FONT* handle : set.sizes) EXPECT_EQ(handle, nullptr);
    releaseFontSet(set);  // safe on an empty set
    stopTextLayer();
}

} // namespace
} // namespace tessaron
