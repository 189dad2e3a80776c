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
};

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
Summary run(const Options& options, const std::vector<ScriptLine>& script, std::FILE* trace,
            const std::vector<ScriptLine>& script2 = {}, KeyRecorder recorder = nullptr, void* context = nullptr);

// Formats the summary line (without a newline).
std::string summaryLine(const Summary& summary);

} // namespace sim
} // namespace tessaron
