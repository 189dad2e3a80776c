// MatchLogic: the match's rules side, shared by the game's MatchSession and
// by tessaron-sim: both boards, the session's messages, the pause panel,
// ElapsedTicks, rounds, losing, the "Demo" notice and the speed-up, and the
// logic half of a tick (input, logic step, controls, pointer, snapshots).
// With an opponent (VersusOptions) board 1 plays too, driven by the computer
// player, a second key set or a joystick: rounds are won and lost, and the
// first side to win `roundsToWin` rounds wins the match.
// The game keeps the resources, the frame and the TickCounter; it loads in
// this order: back buffer, background pick, flags, banks, music pick, then
// beginLoad() (board placement, round reset, "Round 1"), the music start,
// then finishLoad() (pointer fade, pause panel).  Hooks connect the music
// fade step and the F9 screenshot.  Reads and writes the process-wide logic
// objects (session/logic_globals.h).  Logic thread only; nothing can fail.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "session/cpu_player.h"
#include "session/input.h"
#include "render/messages.h"
#include "render/pause_panel.h"

namespace tessaron {

struct MatchHooks {
    // Called once per logic step after the session's messages (music fade).
    void (*musicStep)(void* context) = nullptr;
    // Called once per logic step while F9 is down, before the logic.
    void (*screenshot)(void* context) = nullptr;
    void* context = nullptr;
};

// The versus settings ([Game] in cfg/config.cfg).
struct VersusOptions {
    static constexpr int MaxRoundsToWin = 5;  // icons of both sides fit between the boards
    int opponent = 0;       // 0 none (board 1 idle), 1 the computer, 2 a second player
    int cpuLevel = 3;       // 1..5
    int roundsToWin = 3;    // 1..MaxRoundsToWin
    bool joystick = false;  // a joystick is attached: a second player steers with it

    // Each value outside its range replaced by its default.
    VersusOptions normalised() const;
};

// The keys of board 0 and of the second player on board 1.
constexpr PlayerKeys Board0Keys{ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace};
constexpr PlayerKeys Board1Keys{ScanA, ScanD, ScanS, ScanW, ScanE};

class MatchLogic {
public:
    static constexpr std::int32_t FirstRoundStart = 75;
    static constexpr std::int32_t RestartDelay = 100;
    static constexpr std::int32_t DemoInterval = 1000;
    static constexpr std::int32_t SpeedUpInterval = 3500;
    static constexpr std::int32_t MaxFallStep = 30;

    // Constructs both boards (each respawns its two pairs: eight draws).
    MatchLogic(int screenWidth, int screenHeight);

    // Load, logic half, steps before the music starts: board 0 placed, named
    // and keyed, ElapsedTicks 0, RoundStartTick 75, round reset, "Round 1".
    void beginLoad();
    // Load, logic half, steps after the music starts: pointer fading out,
    // pause panel set up and placed.
    void finishLoad();
    // Both halves, for a run without music.
    void load();

    // One owed tick's logic: ElapsedTicks (unless paused), input, logic
    // step, controls (unless paused), pointer tick, snapshot refresh.
    void step();

    // Parts of step(), public for tests.
    void input();
    void logicStep();
    void roundReset();
    void loseCheck();
    bool versusOn() const { return versus.opponent != 0; }

    // Set by Q on the open panel or by Shift+Escape; the game then sets its
    // QuitFlag, the simulator stops.
    bool quitRequested() const { return quitRequested_; }

    MatchHooks hooks;
    int screenWidth;
    int screenHeight;
    bool paused = false;
    Board boards[2];
    bool roundStarted = false;
    FloatingMessageList messages;
    std::int32_t elapsedTicks = 0;
    std::int32_t roundStartTick = 0;
    PausePanel panel;
    std::int32_t roundsLost = 0;

    // Set before load; normalised by it.
    VersusOptions versus;
    // A side has won the match: both round counts return to 0 when the
    // next round starts.
    bool matchOver = false;
    std::int32_t matchesWon[2] = {0, 0};
    // The computer player of board 1 and the keys it holds.
    CpuPlayer cpu{0, 3, Board1Keys};
    LiveInput cpuInput;
    KeySnapshot cpuKeys;

private:
    void placeVersusBoards();
    void startVersusRound();
    void versusLoseCheck();
    void addVersusMessage(const Rgb& colour, int fontIndex, const char* text);

    bool quitRequested_ = false;
};

} // namespace tessaron
