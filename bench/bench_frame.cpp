// Measures one whole frame as the match session draws it, at 32 and at 16
// bits, into a 1024 x 768 back buffer: the background copy, a full board
// with 20 breakers pulsing, the falling and next pairs, 400 live particles,
// six messages, the HUD, the pause panel half open, the pointer, and the
// copy of the back buffer to the screen (a second memory bitmap here).  The
// floor is the two plain full-screen copies alone.  Prints the time of each
// layer, then one line per depth that other programs read:
//   frame32: ms=X floor_ms=Y ratio=Z
//   frame16: ms=X floor_ms=Y ratio=Z
#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "render/bitmap_bank.h"
#include "render/board_draw.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render_fixture.h"

namespace tessaron {
namespace {

constexpr int ScreenW = 1024, ScreenH = 768;

// Best time of one pass, in milliseconds, over rounds of about 40 ms each
// taken in turns with the other passes (the machine is shared: turns keep
// a passing load from favouring one of them).
std::vector<double> bestMilliseconds(const std::vector<std::function<void()>>& passes) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> best(passes.size(), 1e9);
    for (const auto& pass : passes) pass();  // warm the caches and the glyph cache
    for (int round = 0; round < 10; ++round)
        for (size_t i = 0; i < passes.size(); ++i) {
            int count = 0;
            const auto start = Clock::now();
            double seconds = 0;
            do {
                passes[i]();
                ++count;
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
            } while (seconds < 0.04);
            best[i] = std::min(best[i], seconds * 1000.0 / count);
        }
    return best;
}

// One logic step of the breakers' pulse, so that every frame blends them
// at another strength, as in play.
void pulse(Board& board) {
    for (auto& column : board.grid)
        for (Cell& cell : column)
            if (cell.kind == KindBreaker) cell.animate();
}

void benchDepth(int depth) {
    testing::useDepth(depth);
    testing::Scene scene(Board::Rows, 20, 400, true);
    Board& board = scene.board;
    BITMAP* back = create_bitmap(ScreenW, ScreenH);
    BITMAP* screenCopy = create_bitmap(ScreenW, ScreenH);
    BITMAP* sprite = testing::makeStandIn(11, 19, {240, 240, 240});

    // The board's layers alone, for the breakdown.
    Board bare;
    testing::buildScene(bare, Board::Rows, 20, 0);
    bare.messages.clear();

    const auto frame = [&] {
        pulse(board);
        scene.draw(back, sprite);
        blit(back, screenCopy, 0, 0, 0, 0, ScreenW, ScreenH);
    };
    const auto floor = [&] {
        blit(scene.background, back, 0, 0, 0, 0, ScreenW, ScreenH);
        blit(back, screenCopy, 0, 0, 0, 0, ScreenW, ScreenH);
    };
    const std::vector<double> ms = bestMilliseconds({
        frame,
        floor,
        [&] { drawBoard(bare, PlayerRecord(), back); },
        [&] { drawParticles(board.particles, back); },
        [&] {
            drawMessages(board.messages, back);
            drawMessages(scene.messages, back);
        },
        [&] { drawPausePanel(scene.panel, back); },
        [&] { drawScorePanel(PlayerRecord(), back, 607, 304); },
    });
    std::printf("depth %d: board without effects %.3f ms, %d particles %.3f ms, %zu messages %.3f ms, "
                "panel %.3f ms, score panel %.3f ms\n",
                depth, ms[2], board.particles.count, ms[3], board.messages.items.size() + scene.messages.items.size(),
                ms[4], ms[5], ms[6]);
    std::printf("frame%d: ms=%.3f floor_ms=%.3f ratio=%.2f\n", depth, ms[0], ms[1], ms[0] / ms[1]);
    std::fflush(stdout);

    board.particles.clear();
    destroy_bitmap(sprite);
    destroy_bitmap(screenCopy);
    destroy_bitmap(back);
    freePictureBanks();
}

} // namespace
} // namespace tessaron

int main() {
    if (!tessaron::testing::startRenderFixture()) {
        std::fprintf(stderr, "bench_frame: cannot start Allegro or open the DejaVu fonts\n");
        return 1;
    }
    tessaron::benchDepth(32);
    tessaron::benchDepth(16);
    return 0;
}
