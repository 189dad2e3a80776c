// MatchState: the whole match as one value, shared by the game's
// MatchSession and by tessaron-sim.  It holds everything a logic step reads
// or writes that outlives the step: both boards with their particles and
// messages, both player records, the random stream, the previous step's key
// and joystick snapshots, the pointer's logic, the pause panel and the
// session's messages, ElapsedTicks, the round, match and versus state, and
// the computer player with its own generator.
//
// A copy is a snapshot; assigning it back restores the match exactly.  Two
// states compare equal when every later step would be the same.  digest()
// hashes the whole state, matchDigest() only what decides the match (not
// screen positions, particles or messages, which differ with the window
// size); both are the same on every machine and build.  serialise() writes
// a versioned, bounded byte format that deserialise() reads back, refusing
// malformed input with a message (session/state_codec.cpp).
//
// step() runs one logic step from one StepInput and hands back what the
// step asks of the outside world (StepEvents): its sound cues in order, the
// screenshot, the music's step and the quit request.  It plays nothing
// itself, so a step run a second time on a restored copy asks again and the
// caller decides.  Each state is self-contained: two states step side by
// side on two threads.
//
// The game loads in this order: back buffer, background pick, flags, banks,
// music pick (both picks draw from the state's random stream), then
// beginLoad() (board placement, round reset, "Round 1"), the music start,
// then finishLoad() (pointer fade, pause panel).
//
// With an opponent (VersusOptions) board 1 plays too, driven by the
// computer player, a second key set or a joystick: rounds are won and lost,
// and the first side to win `roundsToWin` rounds wins the match.  Nothing
// can fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/match_context.h"
#include "board/player_record.h"
#include "board/random_source.h"
#include "render/messages.h"
#include "render/pause_panel.h"
#include "render/pointer.h"
#include "session/cpu_player.h"
#include "session/input.h"

namespace tessaron {

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

// A player's keys on the keyboard (scancodes): the five steering keys a
// board stores and the key that drops blocks on the player's own board.
struct PlayerKeys {
    int left;
    int right;
    int softDrop;
    int hardDrop;
    int rotate;
    int drop;
};

// The arrows with Space and Enter, on the right of the keyboard: the one
// player's keys, and the right board's when two share the keyboard; the
// left board's keys then sit on the left: A/D move, S and W drop, E turns,
// Tab drops blocks.
constexpr PlayerKeys ArrowKeys{ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter};
constexpr PlayerKeys LeftHandKeys{ScanA, ScanD, ScanS, ScanW, ScanE, ScanTab};

// What one step asks of the outside world.
struct StepEvents {
    SoundCues sounds;           // in the order asked for
    bool screenshot = false;    // F9 is held: save the frame
    bool musicStep = false;     // the music's per-step update is due
    bool quit = false;          // Q on the open panel, or Shift+Escape
    std::uint8_t sideKeys[2] = {0, 0};  // each side's held keys, the computer's included
};

class MatchState {
public:
    static constexpr std::int32_t FirstRoundStart = 75;
    static constexpr std::int32_t RestartDelay = 100;
    static constexpr std::int32_t DemoInterval = 1000;
    static constexpr std::int32_t SpeedUpInterval = 3500;
    // In versus the fall speeds up this often, counted from each round's start.
    static constexpr std::int32_t VersusSpeedUpInterval = 375;
    static constexpr std::int32_t MaxFallStep = 30;

    // Constructs both boards (each respawns its two pairs: eight draws from
    // the state's random stream).  The first form leaves the stream to seed
    // itself from the clock, the second seeds it with `seed` first.
    MatchState(int screenWidth, int screenHeight);
    MatchState(int screenWidth, int screenHeight, std::uint32_t seed);
    MatchState(const MatchState&) = default;
    MatchState& operator=(const MatchState&) = default;

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
    StepEvents step(const StepInput& input);

    // What the keyboard and mouse hold, as this match's step input: each
    // keyboard-steered side's keys by its board's scancodes and its drop
    // key, Escape on side 0, Q, left Shift and F9 on the console.
    // Joysticks are not read here.
    StepInput keyboardInput(const LiveInput& live) const;

    bool versusOn() const { return versus.opponent != 0; }
    bool quitRequested() const { return quitRequested_; }

    // Hashes of the whole state, and of what decides the match.
    std::uint64_t digest() const;
    std::uint64_t matchDigest() const;
    // The state as bytes, and back; a refusal says why in `error`.
    std::vector<std::uint8_t> serialise() const;
    static bool deserialise(const std::uint8_t* data, std::size_t size, MatchState& out, std::string& error);
    // Equal when every field is: every later step is then the same.
    bool operator==(const MatchState& other) const;
    bool operator!=(const MatchState& other) const { return !(*this == other); }

    // Parts of step(), public for tests; each binds the state to the thread.
    void input(const StepInput& now, StepEvents& events);
    void logicStep(StepEvents& events);
    void roundReset();
    void loseCheck();

    std::int32_t screenWidth;
    std::int32_t screenHeight;
    RandomSource random;
    PlayerRecord players[2];
    KeySnapshot keys;                // the previous step's input
    std::int32_t dropKeys[2] = {ScanEnter, 0};  // each side's drop key on the keyboard
    JoystickSnapshot joysticks[2];   // each side's joystick at the previous step
    MousePointer pointer;
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
    // The number of the round under way, or of the next one between rounds.
    std::int32_t roundNumber = 1;
    // The computer player of board 1 and the keys it holds.
    CpuPlayer cpu{0, 3};
    std::uint8_t cpuHeld = 0;
    // A replay's playback: board 1's keys come with the input against the
    // computer too (recorded as it held them), and the computer player
    // itself never runs.  Not part of the saved state.
    bool cpuKeysFromInput = false;

private:
    friend struct StateCodec;

    MatchContext context(SoundCues* sounds);
    void constructBoards();
    void placeVersusBoards();
    void giveKeys(int side, const PlayerKeys& keys);
    void startVersusRound();
    void announceRound();
    void versusLoseCheck();
    void addVersusMessage(const Rgb& colour, int fontIndex, const char* text, bool fadesIn);

    bool quitRequested_ = false;
};

} // namespace tessaron
