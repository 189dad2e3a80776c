#include "session/match_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "render/font_sizes.h"
#include "session/controls.h"

namespace tessaron {
namespace {
const Rgb White{255, 255, 255};
const Rgb Gold{255, 215, 0};
constexpr float PanelKick = 35.25f;
// Width of the space between the two grids in versus: both HUDs and up to
// five round icons of each side fit in it.
constexpr std::int32_t VersusGap = 190;
// The versus pause panel fits the space between the grids, below the round
// icons and the match tally (which end 180 pixels below the grids' top).
constexpr float VersusPanelWidth = 180;
constexpr std::int32_t VersusPanelBelow = 185;
// "Match point" stands this far above the grids' top, over both names.
constexpr std::int32_t MatchPointAbove = 110;

// "You win", "Player 2 wins": online, the local player is named "You".
const char* winVerb(const char* name) { return std::strcmp(name, "You") == 0 ? "win" : "wins"; }

int inRange(int value, int lo, int hi, int fallback) { return value >= lo && value <= hi ? value : fallback; }

// A board's start of a round: empty, laid out, at the first fall speed, and
// its player's score back to 0.
void startBoard(Board& board, PlayerRecord& player) {
    board.reset();
    board.layout();
    board.pair.pivot.fallStep = board.pair.satellite.fallStep = 2;
    player.addScore(-player.score);
}

// The speed-up: one pixel per step faster, up to the limit.
void speedUp(Board& board) {
    if (board.pair.pivot.fallStep >= MatchState::MaxFallStep) return;
    board.pair.pivot.fallStep += 1;
    board.pair.satellite.fallStep += 1;
}
} // namespace

VersusOptions VersusOptions::normalised() const {
    const VersusOptions defaults;
    VersusOptions v = *this;
    v.opponent = inRange(opponent, 0, 2, defaults.opponent);
    v.cpuLevel = inRange(cpuLevel, CpuPlayer::MinLevel, CpuPlayer::MaxLevel, defaults.cpuLevel);
    v.roundsToWin = inRange(roundsToWin, 1, MaxRoundsToWin, defaults.roundsToWin);
    return v;
}

MatchState::MatchState(int width, int height) : screenWidth(width), screenHeight(height) { constructBoards(); }

MatchState::MatchState(int width, int height, std::uint32_t seed) : screenWidth(width), screenHeight(height) {
    random.seed(seed);
    constructBoards();
}

// The boards are built again with the state bound, so that their pairs draw
// from this match's stream (their member construction drew from no match).
// Each side reads the joystick of its own number until a load binds another.
void MatchState::constructBoards() {
    joysticks[0].bind(0);
    joysticks[1].bind(1);
    MatchBinding bind(context(nullptr));
    for (Board& board : boards) {
        board = Board();
        board.particles.screenWidth = screenWidth;
        board.particles.screenHeight = screenHeight;
    }
}

MatchContext MatchState::context(SoundCues* sounds) { return MatchContext{&random, players, sounds}; }

StepInput MatchState::keyboardInput(const LiveInput& live) const {
    auto down = [&live](int scancode) { return scancode >= 0 && scancode < KeyCount && live.keys[scancode] != 0; };
    StepInput in;
    for (int side = 0; side < 2; ++side) {
        const Board& b = boards[side];
        if (b.controlMode != ControlKeyboard || (side == 1 && versus.opponent != 2)) continue;
        std::uint8_t& held = in.sides[side];
        if (down(b.keyLeft)) held |= SideLeft;
        if (down(b.keyRight)) held |= SideRight;
        if (down(b.keySoftDrop)) held |= SideSoftDrop;
        if (down(b.keyHardDrop)) held |= SideHardDrop;
        if (down(b.keyRotate)) held |= SideRotate;
        if (down(dropKeys[side])) held |= SideDrop;
    }
    if (down(ScanEsc)) in.sides[0] |= SidePause;
    if (down(ScanQ)) in.console |= ConsoleQuit;
    if (down(ScanLShift)) in.console |= ConsoleShift;
    if (down(ScanF9)) in.console |= ConsoleScreenshot;
    in.mouseButtons = static_cast<std::uint8_t>(live.mouseButtons & 3);
    return in;
}

void MatchState::beginLoad() {
    MatchBinding bind(context(nullptr));
    Board& board = boards[0];
    const std::int32_t homeX = screenWidth / 2 - board.width / 2 - 30;
    const std::int32_t homeY = screenHeight / 2 - board.height / 2;
    board.setHome(homeX, homeY);
    board.setPosition(homeX, homeY);
    board.side = 0;
    players[0].layout = 0;
    players[0].setName("Demo Player");
    board.nextPair.preview = 1;
    board.setControlMode(ControlKeyboard);
    giveKeys(0, ArrowKeys);
    versus = versus.normalised();
    if (versusOn()) placeVersusBoards();

    elapsedTicks = 0;
    roundStartTick = FirstRoundStart;
    roundReset();
    if (versusOn()) {
        announceRound();
        return;
    }
    messages.add(static_cast<float>(screenWidth / 2), static_cast<float>(screenHeight / 2 - 100), 6.25f, White, 0, 0,
                 6, 75, 5.5f, true, "Round 1");
}

// Both grids symmetric about the centre, board 0 on the left with its HUD on
// its right, board 1 mirrored; board 1 gets what board 0 got at load, since
// until now nothing but its construction has touched it.
void MatchState::placeVersusBoards() {
    const std::int32_t y = screenHeight / 2 - boards[0].height / 2;
    const std::int32_t x0 = screenWidth / 2 - VersusGap / 2 - boards[0].width;
    const std::int32_t x1 = screenWidth / 2 + VersusGap / 2;
    boards[0].setHome(x0, y);
    boards[0].setPosition(x0, y);
    Board& b = boards[1];
    b.setHome(x1, y);
    b.setPosition(x1, y);
    b.side = 1;
    b.hudLeft = 1;
    b.nextPair.preview = 1;
    b.roundsWon = boards[0].roundsWon = 0;
    players[0].setName(versus.opponent == 1 ? "Player" : "Player 1");
    if (versus.opponent == 1) {
        char name[PlayerRecord::NameSize];
        std::snprintf(name, sizeof name, "Computer \u00b7 %d", versus.cpuLevel);
        players[1].setName(name);
    } else {
        players[1].setName("Player 2");
    }
    b.stackMessages = boards[0].stackMessages = 1;
    roundNumber = 1;
    players[1].layout = 1;
    players[1].pendingDrops = 0;
    b.setControlMode(versus.opponent == 2 && versus.joystick ? ControlJoystick : ControlKeyboard);
    // Two players at one keyboard each take their own side of it; with a
    // joystick, the second player steers with the first one attached and
    // the first keeps the arrows.
    if (versus.opponent == 2 && b.controlMode == ControlKeyboard) {
        giveKeys(0, LeftHandKeys);
        giveKeys(1, ArrowKeys);
    }
    if (b.controlMode == ControlJoystick) joysticks[1].bind(0);
    cpu = CpuPlayer(random.seedValue() * 2654435761u + 1u, versus.cpuLevel);
    cpuHeld = 0;
    matchOver = false;
}

void MatchState::giveKeys(int side, const PlayerKeys& keys) {
    Board& b = boards[side];
    b.setKeyLeft(keys.left);
    b.setKeyRight(keys.right);
    b.setKeySoftDrop(keys.softDrop);
    b.setKeyHardDrop(keys.hardDrop);
    b.setKeyRotate(keys.rotate);
    dropKeys[side] = keys.drop;
}

// Round and match messages go below the grids, where neither HUD is,
// centred in the space left there; each takes the place from the one
// before, which would otherwise still be fading there.  A result shows at
// full strength at once, over the loser's blocks flying past; an
// announcement fades in.
void MatchState::addVersusMessage(const Rgb& colour, int fontIndex, const char* text, bool fadesIn) {
    const std::int32_t gridBottom = boards[0].baseY + boards[0].height;
    const float x = static_cast<float>(screenWidth / 2);
    const float y = static_cast<float>(gridBottom + (screenHeight - gridBottom - fontPixels(fontIndex)) / 2);
    for (FloatingMessage& m : messages.items)
        if (m.x == x && m.y >= static_cast<float>(gridBottom)) m.finished = 1;
    messages.add(x, y, 6.25f, colour, 0, 0, fontIndex, 75, 5.5f, fadesIn, "%s", text);
}

void MatchState::finishLoad() {
    pointer.setFadeMode(FadeOut);
    panel.setUp();
    if (!versusOn()) {
        panel.place(static_cast<float>(screenWidth / 2 - 300), static_cast<float>(screenHeight / 2 - 50));
        return;
    }
    // Between the grids, under the round icons and the tally, and centred
    // where the Escape key's bump leaves it.
    panel.fullWidth = VersusPanelWidth;
    panel.place(static_cast<float>(screenWidth / 2) - VersusPanelWidth / 2 - panel.restOffset(PanelKick),
                static_cast<float>(boards[0].baseY + VersusPanelBelow));
}

void MatchState::load() {
    beginLoad();
    finishLoad();
}

StepEvents MatchState::step(const StepInput& input) {
    StepEvents events;
    MatchBinding bind(context(&events.sounds));
    // The computer steers board 1 through its own held keys, which stand in
    // for that side's input; a second player's come with the input.
    StepInput now = input;
    const bool cpuSteers = versus.opponent == 1 && !cpuKeysFromInput;
    if (cpuSteers) now.sides[1] = cpuHeld;
    if (versus.opponent == 0) now.sides[1] = 0;
    if (!paused) ++elapsedTicks;
    this->input(now, events);
    logicStep(events);
    if (!paused) applyControls(boards[0], now, keys, joysticks[0]);
    if (!paused && versus.opponent == 1) {
        if (cpuSteers) cpu.steer(boards[1], cpuHeld);
        else cpuHeld = static_cast<std::uint8_t>(now.sides[1] & SideSteerBits);
        now.sides[1] = static_cast<std::uint8_t>((now.sides[1] & ~SideSteerBits) | cpuHeld);
        applyControls(boards[1], now, keys, joysticks[1]);
    } else if (!paused && versus.opponent == 2) {
        applyControls(boards[1], now, keys, joysticks[1]);
    }
    pointer.tick(now.mouseButtons);
    keys.refresh(now);
    joysticks[0].refresh(now.joysticks[0]);
    joysticks[1].refresh(now.joysticks[1]);
    events.sideKeys[0] = now.sides[0];
    events.sideKeys[1] = now.sides[1];
    if (quitRequested_) events.quit = true;
    return events;
}

void MatchState::input(const StepInput& now, StepEvents& events) {
    MatchBinding bind(context(&events.sounds));
    const bool pauseKey = now.held(0, SidePause) || now.held(1, SidePause);
    const bool pausePressed = keys.newlyPressed(now, 0, SidePause) || keys.newlyPressed(now, 1, SidePause);
    if (now.console & ConsoleScreenshot) events.screenshot = true;
    if (panel.quitRequested(keys.consoleNewlyPressed(now, ConsoleQuit))) quitRequested_ = true;
    if (pausePressed) {
        panel.kick(PanelKick, 0);
        panel.toggle();
    }
    if (pauseKey && (now.console & ConsoleShift)) quitRequested_ = true;
}

void MatchState::logicStep(StepEvents& events) {
    MatchBinding bind(context(&events.sounds));
    panel.update();
    paused = panel.isPaused();
    pointer.setFadeMode(paused ? FadeIn : FadeOut);
    messages.update();
    events.musicStep = true;
    if (paused) return;

    if (versusOn()) {
        if (elapsedTicks >= roundStartTick) {
            boards[0].frozen = boards[1].frozen = 0;
            if (!roundStarted) startVersusRound();
        }
        boards[0].update();
        boards[1].update();
        players[0].stepScoreDisplay();
        players[1].stepScoreDisplay();
        versusLoseCheck();
        // Counted from the round's own start: every round speeds up alike.
        const std::int32_t played = elapsedTicks - roundStartTick;
        if (roundStarted && played > 0 && played % VersusSpeedUpInterval == 0) {
            for (Board& b : boards) speedUp(b);
        }
        return;
    }

    Board& board = boards[0];
    if (elapsedTicks >= roundStartTick) {
        board.frozen = 0;
        boards[1].frozen = 1;
        if (!roundStarted) {
            roundStarted = true;
            startBoard(board, players[0]);
        }
    }
    board.update();
    players[0].stepScoreDisplay();
    loseCheck();
    if (elapsedTicks % DemoInterval == 0) {
        messages.add(static_cast<float>(screenWidth - 100), static_cast<float>(screenHeight - 60), 1.25f, White, 0, 0,
                     4, 50, 15.5f, true, "Demo");
    }
    if (elapsedTicks % SpeedUpInterval == 0) speedUp(board);
}

void MatchState::roundReset() {
    Board& board = boards[0];
    board.frozen = 1;
    board.newPairDue = 1;
    roundStarted = false;
    players[0].pendingDrops = 0;
    if (!versusOn()) return;
    boards[1].frozen = 1;
    boards[1].newPairDue = 1;
    players[1].pendingDrops = 0;
}

// Both boards start empty with score 0 and no turn left over from the last
// round (a turn cut short by the other side's loss would otherwise be scored
// and sent at the new round's first step); after a won match, both round
// counts return to 0.
void MatchState::startVersusRound() {
    roundStarted = true;
    const bool newMatch = matchOver;
    if (matchOver) {
        boards[0].roundsWon = boards[1].roundsWon = 0;
        roundNumber = 1;
        matchOver = false;
    }
    for (int side = 0; side < 2; ++side) {
        Board& b = boards[side];
        b.brokenThisTurn = b.brokenThisStep = b.chain = 0;
        startBoard(b, players[side]);
    }
    // The first round of the first match was announced when the game loaded.
    if (roundNumber > 1 || newMatch) announceRound();
}

// "Round N" below the grids; "Match point" above them when a side is one
// round from the match.
void MatchState::announceRound() {
    char text[32];
    std::snprintf(text, sizeof text, "Round %d", roundNumber);
    addVersusMessage(White, 5, text, true);
    if (boards[0].roundsWon + 1 < versus.roundsToWin && boards[1].roundsWon + 1 < versus.roundsToWin) return;
    const float top = static_cast<float>(std::max(4, boards[0].baseY - MatchPointAbove));
    messages.add(static_cast<float>(screenWidth / 2), top, 6.25f, Gold, 0, 0, 3, 75, 5.5f, true, "Match point");
}

// A board that tops out loses the round and its blocks fly off; both at once
// is a draw.  The other side's win may end the match.
void MatchState::versusLoseCheck() {
    const bool lost[2] = {boards[0].toppedOut != 0, boards[1].toppedOut != 0};
    if (!lost[0] && !lost[1]) return;
    for (int side = 0; side < 2; ++side) {
        if (!lost[side]) continue;
        boards[side].toppedOut = 0;
        boards[side].scatter();
    }
    roundReset();
    roundStartTick = elapsedTicks + RestartDelay;
    ++roundNumber;
    if (lost[0]) ++roundsLost;
    if (lost[0] && lost[1]) {
        addVersusMessage(White, 5, "Draw", false);
        return;
    }
    const int winner = lost[0] ? 1 : 0;
    // The computer's name tag carries its level; the results do not.
    const char* name = winner == 1 && versus.opponent == 1 ? "Computer" : players[winner].name;
    char text[64];
    if (++boards[winner].roundsWon >= versus.roundsToWin) {
        matchOver = true;
        ++matchesWon[winner];
        std::snprintf(text, sizeof text, "%s %s the match!", name, winVerb(name));
        addVersusMessage(Gold, 4, text, false);
    } else {
        std::snprintf(text, sizeof text, "%s %s the round", name, winVerb(name));
        addVersusMessage(White, 4, text, false);
    }
}

void MatchState::loseCheck() {
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
