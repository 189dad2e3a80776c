// Frames composed area by area equal frames composed whole: after every
// frame of a busy, changing scene, the back buffer and the stand-in screen
// hold exactly the whole frame, also where things were and no longer are.
#include <gtest/gtest.h>

#include <cstring>

#include "render/bitmap_bank.h"
#include "render/frame_compose.h"
#include "render_fixture.h"
#include "../board/support.h"

namespace tessaron {
namespace {
using testing_support::Players;

// Rows of a and b that differ.
int differingRows(BITMAP* a, BITMAP* b) {
    int n = 0;
    for (int y = 0; y < a->h; ++y)
        n += std::memcmp(a->line[y], b->line[y], static_cast<size_t>(a->w) * bitmap_color_depth(a) / 8) != 0;
    return n;
}

struct Case {
    int depth;
    int backgroundW, backgroundH;  // 0: no background (black)
    bool versus;
};

class FrameCompose : public ::testing::TestWithParam<Case> {};

TEST_P(FrameCompose, EveryFrameEqualsAWholeRedraw) {
    const Case c = GetParam();
    ASSERT_TRUE(testing::startRenderFixture());
    testing::useDepth(c.depth);
    {
        testing::Scene scene(7, 6, 60, true);
        Board other = scene.board;  // board 1 mirrored on the left
        other.side = other.hudLeft = 1;
        other.x -= 330;
        for (auto& column : other.grid)
            for (Cell& cell : column) cell.screenX -= 330;
        BITMAP* background = c.backgroundW ? testing::makeBackground(c.backgroundW, c.backgroundH) : nullptr;
        BITMAP* sprite = testing::makeStandIn(16, 16, {250, 250, 250});
        BITMAP* back = create_bitmap(1024, 768);
        BITMAP* screenBitmap = create_bitmap(1024, 768);
        BITMAP* whole = create_bitmap(1024, 768);
        clear_to_color(screenBitmap, makecol(1, 2, 3));
        MousePointer pointer;
        pointer.alpha = 200;
        FrameParts parts;
        parts.background = background;
        parts.boards[0] = &scene.board;
        parts.players = Players;
        if (c.versus) parts.boards[1] = &other;
        parts.messages = &scene.messages;
        parts.panel = &scene.panel;
        parts.pointer = &pointer;
        parts.pointerSprite = sprite;
        int spread = 0;  // the particles fly out over the whole screen
        for (Particle& p : scene.board.particles.items) {
            p.vx = static_cast<float>(spread % 9 - 4) * 9;
            p.vy = static_cast<float>(-5 - spread++ % 5 * 6);
        }
        FrameComposer composer;
        // 90 frames: particles fly and die, messages float and fade, the
        // pair falls, the pointer wanders off and hides, the panel opens,
        // closes and opens; the score and the name grow; the shell's lines show,
// change and go.
        for (int frame = 0; frame < 90; ++frame) {
            parts.pointerX = 600 - 9 * frame;
            parts.pointerY = 500 - 4 * frame;
            if (frame == 40) pointer.alpha = 0;
            if (frame == 10 || frame == 50) scene.panel.toggle();
            // The shell's lines come, change and go.
            if (frame == 20) parts.status = "0:12  paused";
            if (frame == 45) parts.status = "0:13  x16", parts.notice = "End of replay";
            if (frame == 70) parts.status = parts.notice = nullptr;
            if (frame == 30) {
                Players[0].shownScore = 123456789;
                Players[0].setName("A name much wider than the board it is written over");
            }
            composer.show(parts, back, screenBitmap);
            composeFrame(parts, whole);
            ASSERT_EQ(differingRows(back, whole), 0) << "back buffer, frame " << frame;
            ASSERT_EQ(differingRows(screenBitmap, whole), 0) << "screen, frame " << frame;
            scene.board.particles.update();
            scene.board.messages.update();
            scene.messages.update();
            scene.panel.update();
            scene.board.pair.pivot.screenY += 3;
            scene.board.pair.satellite.screenY += 3;
        }
        EXPECT_TRUE(scene.board.particles.items.empty()) << "the particles were to die on the way";
        Players[0] = PlayerRecord{};
        for (BITMAP* b : {background, sprite, back, screenBitmap, whole})
            if (b) destroy_bitmap(b);
    }
    freePictureBanks();
}

INSTANTIATE_TEST_SUITE_P(Scenes, FrameCompose,
                         ::testing::Values(Case{32, 1024, 768, false}, Case{32, 800, 600, true}, Case{16, 0, 0, false}),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return std::to_string(p.param.depth) + "bit_" + std::to_string(p.param.backgroundW) +
                                    (p.param.versus ? "_versus" : "");
                         });

} // namespace
} // namespace tessaron
