// Golden traces: scripted games whose tessaron-sim traces were checked by
// hand against the rules, kept beside their scripts and compared in full.
// On a difference the first step that differs is named.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "../process_limits.h"
#include "io/regular_file.h"
#include "session/cpu_player.h"
#include "session/input.h"
#include "session/replay.h"
#include "session/replay_player.h"
#include "sim.h"
#include "../sim_trace.h"

namespace tessaron {
namespace {
using testing_support::traceOf;

const std::string Dir = TESSARON_SOURCE_DIR "/tests/golden/";

std::vector<std::string> lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> found;
    std::string line;
    while (std::getline(in, line)) found.push_back(line);
    return found;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A script's first line may be "# args: ..." with more options for the run
// (a second board's script is named relative to this folder).
class Golden : public ::testing::TestWithParam<const char*> {
protected:
    // Reads the script `name` (and the second script its options name) and
    // the options of its run; the script's text is kept in `text`.
    void load(const std::string& name) {
        text = readFile(Dir + name + ".script");
        ASSERT_EQ(sim::parseScript(text, script), "");
        options.steps = 500;
        std::istringstream args(text.rfind("# args: ", 0) == 0 ? text.substr(8, text.find('\n') - 8) : "");
        std::vector<std::string> words{std::istream_iterator<std::string>(args), {}};
        std::vector<const char*> argv;
        for (const std::string& w : words) argv.push_back(w.c_str());
        ASSERT_EQ(sim::parseOptions(static_cast<int>(argv.size()), argv.data(), options), "");
        if (!options.script2Path.empty()) {
            ASSERT_EQ(sim::loadScript(Dir + options.script2Path, script2), "");
        }
    }
    std::string text;
    std::vector<sim::ScriptLine> script, script2;
    sim::Options options;
};

// The trace and summary in full; the run, recorded as a replay, plays back
// to the same trace with every digest agreeing, and since each run ends by
// a quit or at its last step, none is a finished match.
TEST_P(Golden, TraceMatchesInFull) {
    const std::string name = GetParam();
    ASSERT_NO_FATAL_FAILURE(load(name));
    sim::ReplayLink record;
    record.record = true;
    std::string summary;
    const std::string trace = traceOf(options, script, script2, &record, &summary);
    // A "# summary: ..." line gives the summary without its timings.
    summary.erase(summary.find(" elapsed_s="), summary.find(" score=") - summary.find(" elapsed_s="));
    const std::size_t at = text.find("# summary: ");
    if (at != std::string::npos) {
        EXPECT_EQ(summary, text.substr(at + 11, text.find('\n', at) - at - 11)) << name;
    }
    const auto want = lines(readFile(Dir + name + ".trace")), got = lines(trace);
    ASSERT_FALSE(want.empty()) << "missing " << name << ".trace";
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
        ASSERT_EQ(want[i], got[i]) << name << ": step " << i + 1;
    }
    EXPECT_EQ(want.size(), got.size()) << name << ": number of steps";
    const std::string replayText = formatReplay(record.recorded);
    EXPECT_EQ(replayText.substr(replayText.size() - 11), "unfinished\n");
    Replay replay;
    ASSERT_EQ(parseReplay(replayText, replay), "");
    sim::ReplayLink play;
    play.play = &replay;
    EXPECT_EQ(traceOf(sim::replayOptions(replay, options), {}, {}, &play), trace) << name << ": played back";
    EXPECT_EQ(play.problem, "");
}

INSTANTIATE_TEST_SUITE_P(Scripts, Golden,
                         ::testing::Values("moves_and_drops", "pause", "loss_restart", "late_turns", "drops_and_quit",
                                           "bot_keys", "versus_rounds", "versus_cpu",
                                           "versus_cpu_replay", "versus_cpu_weak", "versus_cpu_default",
                                           "versus_speedup"));

// A two-player match with a joystick on the right board, the mouse pressed
// now and then, recorded as the game records it: played back from its text,
// from the start or led in to a later first step, it ends in the very state.
TEST(Replay, JoystickAndMousePlayBack) {
    MatchState live(1024, 768, 3);
    live.versus.opponent = 2, live.versus.joystick = true;
    live.load();
    ReplayRecorder recorder(replayHeader(live, "test"));
    std::mt19937 pick(5);
    StepInput in;
    for (int step = 1; step <= 900; ++step) {
        if (step % 7 == 0) in.sides[0] = pick() & SideSteerBits, in.joysticks[1] = pick() & JoystickBits;
        in.mouseButtons = step % 50 < 3 ? 1 : 0;
        recordStep(recorder, in, live.step(in), live);
    }
    for (std::uint64_t first : {1, 300}) {
        Replay replay;
        ASSERT_EQ(parseReplay(formatReplay(recorder.cut(first, false, replayDigest(live))), replay), "");
        MatchState back = replayState(replay.header, 1024, 768);
        ASSERT_EQ(catchUpStartDraws(back, replay.header), "");
        back.load();
        ReplayPlayer player(replay, back);
        player.leadIn();
        EXPECT_EQ(player.stepsRun(), first - 1);
        while (player.step()) {
        }
        EXPECT_TRUE(player.atEnd() && player.problem().empty() && back == live) << first << player.problem();
    }
}

// Jumping back through the snapshots and running on gives, step for step,
// the state of a straight run; a jump past the start stops at the start.
TEST(Replay, JumpBackThenForwardEqualsAStraightRun) {
    sim::Options options;
    options.bot = true, options.opponent = 1, options.steps = 3000;
    sim::ReplayLink record;
    record.record = true;
    sim::run(options, {}, nullptr, {}, nullptr, nullptr, &record);
    const Replay& replay = record.recorded;
    auto start = [&replay] {
        MatchState state = replayState(replay.header, 800, 600);
        EXPECT_EQ(catchUpStartDraws(state, replay.header), "");
        state.load();
        return state;
    };
    const MatchState fresh = start();
    MatchState jumping = fresh, straight = fresh;
    ReplayPlayer player(replay, jumping), reference(replay, straight);
    while (player.stepsRun() < 2000) ASSERT_TRUE(player.step());
    player.jumpBack(250);
    ASSERT_EQ(player.stepsRun(), 1750u);
    while (reference.stepsRun() < 1750) reference.step();
    EXPECT_TRUE(jumping == straight);
    while (player.step() && reference.step()) ASSERT_TRUE(jumping == straight) << player.stepsRun();
    EXPECT_TRUE(player.atEnd() && reference.atEnd() && player.problem().empty());
    player.jumpBack(100000);
    EXPECT_TRUE(player.stepsRun() == 0 && jumping == fresh);
}

// The program itself: a bad command line or script is one line naming the
// problem on standard error, exit status 2 (3 for a trace that cannot be
// written), nothing on standard output and no trace file; a good run writes
// one trace line per step and the summary.
struct ProgramRun { int status; std::string out, err; };

// `name` keeps the output files of tests that CTest runs side by side apart.
ProgramRun runSim(const std::string& name, const std::string& args) {
    const std::string base = TESSARON_BINARY_DIR "/sim_cli_" + name;
    const std::string command =
        "timeout 60 " TESSARON_BINARY_DIR "/bin/tessaron-sim " + args + " >" + base + ".out 2>" + base + ".err";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(base + ".out"), readFile(base + ".err")};
}

TEST(SimProgram, BadInputOrUnwritableTraceIsNamedInOneLineWithNoTrace) {
    // Arguments, a script (if any, written to a file and passed with
    // --script), and the problem named.
    const std::string cases[][3] = {
        {"--frobnicate", "", "unknown argument '--frobnicate'"},
        {"--steps", "", "missing value after --steps"},
        {"--steps 12x", "", "bad number for --steps: '12x'"},
        {"--steps 2000000001", "", "bad number for --steps: '2000000001'"},
        {"--seed -1", "", "bad number for --seed: '-1'"},
        {"--seed 4294967296", "", "bad number for --seed: '4294967296'"},
        {"--width 0", "", "bad number for --width: '0'"},
        {"--opponent 3", "", "bad number for --opponent: '3'"},
        {"--cpu-level 0", "", "bad number for --cpu-level: '0'"},
        {"--cpu-level 6", "", "bad number for --cpu-level: '6'"},
        {"--opponent 1 --script2 x", "", "--script2 needs --opponent 2"},
        {"--replay x --steps 4", "", "--replay plays the match the file holds: --steps cannot go with it"},
        {"--replay x --record y", "", "--record cannot go with --replay"},
        {"--replay /dev/zero", "", "cannot read replay '/dev/zero' (missing, unreadable or not a regular file)"},
        {"--replay " + Dir + "pause.script", "",
         "replay '" + Dir + "pause.script': not a replay (no 'tessaron-replay' line first)"},
        {"--script /nonexistent/script", "", "cannot read script '/nonexistent/script'"},
        {"--script " + Dir, "", "cannot read script '" + Dir + "'"},  // a directory is no empty script
        {"", "10 left\n5 right\n", "script line 2: step 5 does not follow step 10"},
        {"", "# c\n\n3 left,jump\n", "script line 3: unknown key 'jump'"},
        {"", "0 left\n", "script line 1: bad step '0'"},
        {"", "7\n", "script line 1: expected 'STEP KEYS', got '7'"},
        {"--bot --quiet", "7 left extra\n", "script line 1: expected 'STEP KEYS', got '7 left extra'"},
        {"--script /dev/zero", "", "cannot read script '/dev/zero'"},  // never read without end
        // Quoted script text is a short printable excerpt; lines are capped.
        {"", "1 \x1b[31m" + std::string(60, 'a') + "\n",
         "script line 1: unknown key '?[31maaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...'"},
        // A trace that cannot be written in full (cut mid-run, or only at the
        // close) is status 3 with no summary.
        {"--quiet --trace /dev/full --steps 100", "", "cannot write trace '/dev/full': No space left on device"},
        {"--quiet --trace /dev/full --steps 1", "", "cannot write trace '/dev/full': No space left on device"},
    };
    const std::string base = TESSARON_BINARY_DIR "/sim_cli_bad", trace = base + ".trace", script = base + ".script";
    for (const auto& c : cases) {
        if (!c[1].empty()) std::ofstream(script) << c[1];
        const std::string args = c[0] + (c[1].empty() ? "" : " --script " + script);
        std::remove(trace.c_str());
        const ProgramRun run = runSim("bad", "--trace " + trace + " " + args);
        const int status = c[2].rfind("cannot write", 0) == 0 ? 3 : 2;
        EXPECT_EQ(std::make_tuple(run.status, run.out, run.err, std::ifstream(trace).good()),
                  std::make_tuple(status, std::string(), "tessaron-sim: " + c[2] + "\n", false)) << args;
    }
}

// A good run writes one trace line per step and the summary; the largest
// numbers are taken, and the script's quit ends the run early.
TEST(SimProgram, GoodRunWritesTheTraceAndTheSummary) {
    const std::string trace = TESSARON_BINARY_DIR "/sim_cli_good.trace";
    ProgramRun run = runSim("good", "--steps 120 --quiet --trace " + trace + " --script " + Dir + "pause.script");
    EXPECT_EQ(std::make_pair(run.status, run.err), std::make_pair(0, std::string()));
    EXPECT_TRUE(std::regex_match(run.out, std::regex("steps=120 elapsed_s=[0-9]+\\.[0-9]+ steps_per_s=[0-9]+ "
                                                     "score=0 rounds_lost=0 draws=28\n"))) << run.out;
    auto want = lines(readFile(Dir + "pause.trace"));
    want.resize(120);
    EXPECT_EQ(lines(readFile(trace)), want);
    run = runSim("good", "--seed 4294967295 --steps 2000000000 --quiet --script " + Dir + "loss_restart.script");
    EXPECT_TRUE(run.status == 0 && run.out.rfind("steps=475 ", 0) == 0) << run.out;
}

// A script line of 1,024 characters and a file of exactly the size cap are
// read, one more is refused; a file that grows while it is read (as those
// of /proc do) is refused; no load leaves a descriptor open, nor lets one
// pass to another program.
TEST(Script, LimitsAtTheLimitAndOnePast) {
    const std::string path = TESSARON_BINARY_DIR "/sim_limits.script", line(sim::MaxScriptLine - 1, '#');
    std::string cap;
    while (cap.size() < sim::MaxScriptBytes) cap += line + "\n";
    const std::string rows[][2] = {
        {"1 left\n" + line + "#\n", ""},
        {"1 left\n" + line + "##\n", "script line 2: longer than 1024 characters"},
        {cap, ""},
        {cap + "#", "script '" + path + "' is larger than 16777216 bytes"},
    };
    const long open = openDescriptors();
    std::vector<sim::ScriptLine> script;
    for (const auto& row : rows) {
        std::ofstream(path, std::ios::binary) << row[0];
        EXPECT_EQ(sim::loadScript(path, script), row[1]) << row[0].size();
    }
    EXPECT_EQ(sim::loadScript("/proc/self/stat", script), "cannot read script '/proc/self/stat'");
    EXPECT_EQ(openDescriptors(), open);
    // Nor does one pass to a program the game starts (a message box).
    const int fd = openRegularFile(path.c_str());
    EXPECT_TRUE(fd >= 0 && (fcntl(fd, F_GETFD) & FD_CLOEXEC)) << fd;
    close(fd);
    std::remove(path.c_str());
}

// A sitting of two won matches and one cut short: three files, each from
// its match's first step, the last one unfinished, each playing back with
// every digest agreeing.
TEST(Replay, SittingRecordsOneFilePerMatchTheLastUnfinished) {
    const std::string folder = TESSARON_BINARY_DIR "/sitting_replays";
    std::filesystem::remove_all(folder);
    MatchState state(1024, 768, 7);
    state.versus.opponent = 1, state.versus.roundsToWin = 1;
    state.load();
    MatchRecording recording(state, folder);
    CpuPlayer bot(7, 0);
    StepInput input;
    std::vector<std::uint64_t> ends;
    for (std::uint64_t step = 1; ends.size() < 3 && step < 100000; ++step) {
        bot.steer(state.boards[0], input.sides[0]);
        ASSERT_EQ(recording.afterStep(input, state.step(input), state), "");
        if (static_cast<std::size_t>(state.matchesWon[0] + state.matchesWon[1]) > ends.size()) ends.push_back(step);
        if (ends.size() == 2 && step == ends[1] + 10) ends.push_back(step);
    }
    ASSERT_EQ(recording.finish(state), "");
    ASSERT_EQ(ends.size(), 3u);
    std::vector<std::tuple<std::uint64_t, std::uint64_t, bool>> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        Replay replay;
        ASSERT_EQ(loadReplay(entry.path(), replay), "");
        files.emplace_back(replay.header.firstStep, replay.lastStep, replay.finished);
        sim::ReplayLink play;
        play.play = &replay;
        EXPECT_EQ(sim::run(sim::replayOptions(replay, {}), {}, nullptr, {}, nullptr, nullptr, &play).steps,
                  replay.lastStep);
        EXPECT_EQ(play.problem, "");
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::tuple<std::uint64_t, std::uint64_t, bool>>{
                         {1, ends[0], true}, {ends[0] + 1, ends[1], true}, {ends[1] + 1, ends[2], false}}));
}

// The program: a replay whose digest disagrees is status 4 with one line
// naming the step, after the summary; a replay that cannot be written is 3.
TEST(SimProgram, ReplayThatDisagreesOrCannotBeWritten) {
    const std::string path = TESSARON_BINARY_DIR "/sim_cli_replay.replay";
    ProgramRun run = runSim("replay", "--steps 600 --opponent 1 --quiet --record " + path);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string text = readFile(path);
    text.replace(text.find(" digest ") + 8, 4, "0000");
    std::ofstream(path) << text;
    run = runSim("replay", "--quiet --replay " + path);
    EXPECT_TRUE(run.status == 4 && run.out.rfind("steps=250 ", 0) == 0) << run.out;
    EXPECT_TRUE(std::regex_match(run.err, std::regex("tessaron-sim: replay '" + path + "': the replay disagrees with "
                                                     "this game after step 250 \\(digest 0000[0-9a-f]{12} in the "
                                                     "file, [0-9a-f]{16} here\\)\n"))) << run.err;
    // A pipe of its own, not a device of the machine's: a writer that
    // wrongly replaced it would replace nothing of the system's.
    const std::string pipe = TESSARON_BINARY_DIR "/sim_cli_replay.pipe";
    std::remove(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    run = runSim("replay", "--steps 10 --quiet --record " + pipe);
    EXPECT_EQ(std::make_tuple(run.status, run.out, run.err),
              std::make_tuple(3, std::string(), "tessaron-sim: cannot replace '" + pipe + "': not a file\n"));
}

// The bot plays a long game (under the sanitizers in their build): no crash,
// no sanitizer report, and the run is not cut short.
TEST(Soak, BotPlaysALongGame) {
    sim::Options options;
    options.bot = true, options.steps = 30000, options.seed = 20240611;
    const sim::Summary summary = sim::run(options, {}, nullptr);
    EXPECT_TRUE(summary.steps == 30000u && summary.score > 0) << sim::summaryLine(summary);
}

} // namespace
} // namespace tessaron
