// tessaron-sim's engine: runs the match logic headless, driven by a script
// of held keys or by the built-in bot, and writes one JSON trace line per
// logic step.  Shared by the tessaron-sim program, the golden, soak and
// property tests and the benchmark.  Links only tessaron_logic.  Each run
// has its own match state, so runs on several threads at once give the
// traces they give alone; errors in the options or the script are returned
// as one line of text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "session/match_state.h"
#include "session/replay.h"

namespace tessaron {
namespace sim {

// One script change: from step `step` on, exactly these keys are held.
struct ScriptLine {
    std::uint64_t step = 0;
    std::vector<int> keys;  // scancodes
};

// The longest run: about 2.5 years of play, short of the point where the
// match's 32-bit step counters would overflow.
constexpr std::uint64_t MaxSteps = 2000000000ull;
// The largest script file read, and the longest line in it.
constexpr std::size_t MaxScriptBytes = 16u << 20;
constexpr std::size_t MaxScriptLine = 1024;

struct Options {
    std::uint32_t seed = 5489;
    std::uint64_t steps = 1000;
    std::string scriptPath;
    std::string tracePath;  // "" none, "-" standard output
    bool bot = false;
    int botLevel = 0;       // the bot's CpuPlayer level (0: the quick bot)
    int opponent = 0;       // 0 none, 1 the computer, 2 --script2 on board 1
    int cpuLevel = 3;
    int roundsToWin = 3;
    std::string script2Path;
    int stopAfterMatches = 0;  // > 0: stop once this many matches are won
    int width = 1024;
    int height = 768;
    bool quiet = false;
    std::string recordPath;  // --record: the run written as a replay
    std::string replayPath;  // --replay: the match played back from a replay
    // Online: this run is one side of a match over the network (sim_net.cpp).
    int netRole = 0;            // 0 none, 1 --net-host, 2 --net-join
    int netPort = 0;
    std::string netHost;        // the joiner's host
    int inputDelay = 1;         // --input-delay 0..4
    int netStepMs = 40;         // --net-step-ms: the length of a step
    int netWaitSeconds = 30;    // --net-wait: how long to wait for the other side
    std::uint64_t netCorruptAt = 0;  // --net-corrupt-at (tests): change this side's state at that step
    std::string netGameVersion;      // --net-game-version (tests): announce another version
};

// What an online run adds to its summary.
struct NetSummary {
    int side = 0;
    std::uint64_t ticks = 0, waited = 0, yields = 0;
    std::uint64_t rollbacks = 0, depthSum = 0;
    std::uint32_t depthMax = 0;
    double rollbackSeconds = 0;
    std::uint64_t sentBytes = 0, receivedBytes = 0;
    std::uint32_t desyncs = 0;
    double cpuSeconds = 0;  // the whole process, filled by the program
};

// A run's replay: the one it plays back (its keys drive the match and its
// digests are checked) and the one it records.
struct ReplayLink {
    const Replay* play = nullptr;
    bool record = false;
    Replay recorded;        // the run, when recording
    std::string problem;    // a playback that could not start or disagreed
};

struct Summary {
    std::uint64_t steps = 0;
    double elapsedSeconds = 0;
    std::int32_t score = 0;
    std::int32_t roundsLost = 0;
    std::uint64_t draws = 0;
    // With an opponent: each side's rounds won now, and matches won.
    bool versus = false;
    std::int32_t roundsWon[2] = {0, 0};
    std::int32_t matchesWon[2] = {0, 0};
    bool online = false;
    NetSummary net;
};

// Exit statuses of an online run: no match could start (no host answered,
// a refusal, no opponent came), or the other side left or was lost before
// the run's last step.
constexpr int NetNoMatch = 5;
constexpr int NetOpponentLost = 6;

// Board 1's keys, as the script words of its second script, held by the
// computer player during a step (for replaying its game as a script).
using KeyRecorder = void (*)(void* context, std::uint64_t step, const std::vector<int>& keys);

// Parses the command line (without the program name).  Returns "" or the
// one-line description of the problem.
std::string parseOptions(int argc, const char* const* argv, Options& options);
// Parses a script's text.  Returns "" or the problem, naming the line and
// quoting at most a short printable excerpt of it.
std::string parseScript(const std::string& text, std::vector<ScriptLine>& script);
// Reads and parses a script file, which must be a regular file.
std::string loadScript(const std::string& path, std::vector<ScriptLine>& script);

// Runs a whole simulation.  The trace, if any, goes to `trace` (the run
// stops at the first write that fails: ferror(trace) then tells); `script2`
// drives board 1 when the opponent is 2; `recorder`, if set, hears the keys
// the computer opponent holds at each step, as script words of board 0.
// With `replay`, the match is played back from replay->play instead (the
// options then give only the screen size and the steps), stopping at the
// first digest that disagrees, and/or recorded into replay->recorded.
Summary run(const Options& options, const std::vector<ScriptLine>& script, std::FILE* trace,
            const std::vector<ScriptLine>& script2 = {}, KeyRecorder recorder = nullptr, void* context = nullptr,
            ReplayLink* replay = nullptr);
// The options of a playback of `replay`: its screen size and its steps,
// with the trace and quiet options of `given`.
Options replayOptions(const Replay& replay, const Options& given);

// Formats the summary line (without a newline).
std::string summaryLine(const Summary& summary);

// Runs one side of an online match (--net-host or --net-join): the local
// script drives this side, the trace holds the confirmed steps.  `status`
// becomes 0, NetNoMatch or NetOpponentLost, `message` says why.
Summary runNet(const Options& options, const std::vector<ScriptLine>& script, std::FILE* trace, int& status,
               std::string& message);

// Messages added so far to board 0, board 1 and the session: taken before a
// step, they tell the trace which texts the step added.
struct MessagesAdded {
    std::uint64_t board[2] = {0, 0};
    std::uint64_t session = 0;
};
MessagesAdded messagesAdded(const MatchState& state);
// Writes the trace line of `step` for the state after it.
void writeTrace(std::FILE* out, std::uint64_t step, const MatchState& state, const SoundCues& sounds,
                const MessagesAdded& before);
// One script's held keys as one side's keys and, with `console`, the
// console's.
StepInput scriptKeys(const std::vector<int>* held, int side, bool console);

} // namespace sim
} // namespace tessaron
