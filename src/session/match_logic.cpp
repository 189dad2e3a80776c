#include "session/match_logic.h"

#include "session/controls.h"
#include "session/logic_globals.h"

namespace tessaron {
namespace {
const Rgb White{255, 255, 255};
constexpr float PanelKick = 35.25f;
} // namespace

MatchLogic::MatchLogic(int width, int height) : screenWidth(width), screenHeight(height) {
    for (Board& board : boards) {
        board.particles.screenWidth = width;
        board.particles.screenHeight = height;
    }
}

void MatchLogic::beginLoad() {
    Board& board = boards[0];
    const std::int32_t homeX = screenWidth / 2 - board.width / 2 - 30;
    const std::int32_t homeY = screenHeight / 2 - board.height / 2;
    board.setHome(homeX, homeY);
    board.setPosition(homeX, homeY);
    board.side = 0;
    Players[0].layout = 0;
    Players[0].name = "Demo Player";
    board.nextPair.preview = 1;
    board.setControlMode(ControlKeyboard);
    board.setKeyLeft(ScanLeft);
    board.setKeyRight(ScanRight);
    board.setKeySoftDrop(ScanDown);
    board.setKeyHardDrop(ScanUp);
    board.setKeyRotate(ScanSpace);

    elapsedTicks = 0;
    roundStartTick = FirstRoundStart;
    roundReset();
    messages.add(static_cast<float>(screenWidth / 2), static_cast<float>(screenHeight / 2 - 100), 6.25f, White, 0, 0,
                 6, 75, 5.5f, true, "Round 1");
}

void MatchLogic::finishLoad() {
    Pointer.setFadeMode(FadeOut);
    panel.setUp();
    panel.place(static_cast<float>(screenWidth / 2 - 300), static_cast<float>(screenHeight / 2 - 50));
}

void MatchLogic::load() {
    beginLoad();
    finishLoad();
}

void MatchLogic::step() {
    if (!paused) ++elapsedTicks;
    input();
    logicStep();
    if (!paused) applyControls(boards[0]);
    Pointer.tick(Live.mouseButtons);
    Keys.refresh(Live);
    Joysticks[0].refresh();
    Joysticks[1].refresh();
}

void MatchLogic::input() {
    if (KeySnapshot::down(Live, ScanF9) && hooks.screenshot) hooks.screenshot(hooks.context);
    if (panel.quitRequested(Keys.newlyPressed(Live, ScanQ))) quitRequested_ = true;
    if (Keys.newlyPressed(Live, ScanEsc)) {
        panel.kick(PanelKick, 0);
        panel.toggle();
    }
    if (KeySnapshot::down(Live, ScanEsc) && KeySnapshot::down(Live, ScanLShift)) quitRequested_ = true;
}

void MatchLogic::logicStep() {
    panel.update();
    paused = panel.isPaused();
    Pointer.setFadeMode(paused ? FadeIn : FadeOut);
    messages.update();
    if (hooks.musicStep) hooks.musicStep(hooks.context);
    if (paused) return;

    Board& board = boards[0];
    if (elapsedTicks >= roundStartTick) {
        board.frozen = 0;
        boards[1].frozen = 1;
        if (!roundStarted) {
            roundStarted = true;
            board.reset();
            board.layout();
            board.pair.pivot.fallStep = board.pair.satellite.fallStep = 2;
            Players[0].addScore(-Players[0].score);
        }
    }
    board.update();
    Players[0].stepScoreDisplay();
    loseCheck();
    if (elapsedTicks % DemoInterval == 0) {
        messages.add(static_cast<float>(screenWidth - 100), static_cast<float>(screenHeight - 60), 1.25f, White, 0, 0,
                     4, 50, 15.5f, true, "Demo");
    }
    if (elapsedTicks % SpeedUpInterval == 0 && board.pair.pivot.fallStep < MaxFallStep) {
        board.pair.pivot.fallStep += 1;
        board.pair.satellite.fallStep += 1;
    }
}

void MatchLogic::roundReset() {
    Board& board = boards[0];
    board.frozen = 1;
    board.newPairDue = 1;
    roundStarted = false;
    Players[0].pendingDrops = 0;
}

void MatchLogic::loseCheck() {
    Board& board = boards[0];
    if (!board.toppedOut) return;
    board.toppedOut = 0;
    board.scatter();
    roundReset();
    roundStartTick = elapsedTicks + RestartDelay;
    ++roundsLost;
    messages.add(static_cast<float>(screenWidth / 2), static_cast<float>(screenHeight / 2 + 20), 6.25f, White, 0, 0, 6,
                 60, 5.5f, true, "You Lose!");
}

} // namespace tessaron
