// Golden traces: scripted games whose tessaron-sim traces were checked by
// hand against the rules, kept beside their scripts and compared in full.
// On a difference the first step and field that differ are named.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim.h"

namespace tessaron {
namespace {

const std::string Dir = TESSARON_SOURCE_DIR "/tests/golden/";

std::vector<std::string> readLines(std::istream& in) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Splits a one-line JSON object into its top-level "name":value fields.
std::vector<std::pair<std::string, std::string>> fields(const std::string& line) {
    std::vector<std::pair<std::string, std::string>> out;
    int depth = 0;
    bool quoted = false;
    std::size_t start = 1;
    for (std::size_t i = 1; i + 1 < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\') ++i;
            else if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') quoted = true;
        else if (c == '[' || c == '{') ++depth;
        else if (c == ']' || c == '}') --depth;
        if ((c == ',' && depth == 0) || i + 2 == line.size()) {
            const std::string field = line.substr(start, (c == ',' ? i : i + 1) - start);
            const std::size_t colon = field.find(':');
            out.emplace_back(field.substr(0, colon), field.substr(colon + 1));
            start = i + 1;
        }
    }
    return out;
}

std::string firstDifference(const std::string& want, const std::string& got) {
    const auto a = fields(want);
    const auto b = fields(got);
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i]) return "field " + a[i].first + ": expected " + a[i].second + ", got " + b[i].second;
    }
    return "different number of fields";
}

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, TraceMatchesInFull) {
    const std::string name = GetParam();
    std::vector<sim::ScriptLine> script;
    ASSERT_EQ(sim::loadScript(Dir + name + ".script", script), "");
    sim::Options options;
    options.steps = 500;
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    sim::run(options, script, out);
    std::rewind(out);
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
    std::fclose(out);
    std::istringstream gotStream(text);
    std::ifstream wantStream(Dir + name + ".trace");
    ASSERT_TRUE(wantStream) << "missing " << name << ".trace";
    const auto want = readLines(wantStream);
    const auto got = readLines(gotStream);
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
        if (want[i] != got[i]) {
            FAIL() << name << ": step " << i + 1 << " differs: " << firstDifference(want[i], got[i]);
        }
    }
    EXPECT_EQ(want.size(), got.size()) << name << ": number of steps";
}

INSTANTIATE_TEST_SUITE_P(Scripts, Golden, ::testing::Values("moves_and_drops", "pause", "loss_restart"));

// Bad command lines and scripts are named in one line.
struct BadInput {
    std::vector<const char*> args;
    std::string script;
    const char* expect;
};

TEST(SimInput, BadArgumentsAndScriptsAreNamed) {
    const BadInput cases[] = {
        {{"--frobnicate"}, "", "unknown argument '--frobnicate'"},
        {{"--steps"}, "", "missing value after --steps"},
        {{"--steps", "12x"}, "", "bad number for --steps: '12x'"},
        {{"--steps", "2000000001"}, "", "bad number for --steps: '2000000001'"},
        {{"--seed", "-1"}, "", "bad number for --seed: '-1'"},
        {{"--seed", "4294967296"}, "", "bad number for --seed: '4294967296'"},
        {{"--width", "0"}, "", "bad number for --width: '0'"},
        {{}, "10 left\n5 right\n", "script line 2: step 5 does not follow step 10"},
        {{}, "# c\n\n3 left,jump\n", "script line 3: unknown key 'jump'"},
        {{}, "0 left\n", "script line 1: bad step '0'"},
        {{}, "7\n", "script line 1: expected 'STEP KEYS', got '7'"},
        {{}, "7 left extra\n", "script line 1: expected 'STEP KEYS', got '7 left extra'"},
        // Quoted script text is a short printable excerpt; lines are capped.
        {{}, "1 \x1b[31m" + std::string(60, 'a') + "\n", "script line 1: unknown key '?[31maaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...'"},
        {{}, "1 left\n" + std::string(1025, '#') + "\n", "script line 2: longer than 1024 characters"},
    };
    for (const BadInput& c : cases) {
        std::string problem;
        if (!c.script.empty()) {
            std::vector<sim::ScriptLine> script;
            problem = sim::parseScript(c.script, script);
        } else {
            sim::Options options;
            problem = sim::parseOptions(static_cast<int>(c.args.size()), c.args.data(), options);
        }
        EXPECT_EQ(problem, c.expect);
    }
    std::vector<sim::ScriptLine> script;
    EXPECT_EQ(sim::loadScript("/nonexistent/script", script), "cannot read script '/nonexistent/script'");
    // A directory opens but cannot be read: it is no empty script.
    EXPECT_EQ(sim::loadScript(Dir, script), "cannot read script '" + Dir + "'");
    EXPECT_EQ(sim::parseScript("1 -\n2 left,esc\n", script), "");
    ASSERT_EQ(script.size(), 2u);
    EXPECT_TRUE(script[0].keys.empty());
    EXPECT_EQ(script[1].keys.size(), 2u);
}

// The program itself: a bad command line or script is one line on standard
// error, exit status 2, nothing on standard output and no trace file; a good
// run writes one trace line per step and the summary line.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// `name` keeps the output files of tests that CTest runs side by side apart.
ProgramRun runSim(const std::string& name, const std::string& args) {
    const std::string base = TESSARON_BINARY_DIR "/sim_cli_" + name;
    const std::string command =
        TESSARON_BINARY_DIR "/bin/tessaron-sim " + args + " >" + base + ".out 2>" + base + ".err";
    ProgramRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(base + ".out");
    run.err = readFile(base + ".err");
    return run;
}

TEST(SimProgram, BadInputExitsTwoWithOneLineAndNoTrace) {
    const std::string trace = TESSARON_BINARY_DIR "/sim_cli_bad.trace";
    const std::string badScript = TESSARON_BINARY_DIR "/sim_cli_bad.script";
    std::ofstream(badScript) << "5 left\n9 jump\n";
    const std::string cases[] = {
        "--frobnicate",
        "--seed",
        "--steps 12x",
        "--width -4",
        "--script /nonexistent/script",
        "--script " + Dir,
        "--script " + badScript,
        "--bot --quiet --script " + badScript,
        "--script /dev/zero",  // not a regular file: never read without end
    };
    for (const std::string& args : cases) {
        std::remove(trace.c_str());
        const ProgramRun run = runSim("bad", "--trace " + trace + " " + args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args << ": " << run.err;
        EXPECT_FALSE(std::ifstream(trace).good()) << args << ": a trace was written";
    }
}

TEST(SimProgram, GoodRunWritesTheTraceAndTheSummary) {
    const std::string trace = TESSARON_BINARY_DIR "/sim_cli_good.trace";
    const ProgramRun run = runSim("good", "--steps 120 --quiet --trace " + trace + " --script " + Dir + "pause.script");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::regex_match(run.out, std::regex("steps=120 elapsed_s=[0-9]+\\.[0-9]+ steps_per_s=[0-9]+ "
                                                     "score=0 rounds_lost=0 draws=28\n")))
        << run.out;
    std::istringstream lines(readFile(trace));
    const auto got = readLines(lines);
    std::ifstream wantStream(Dir + "pause.trace");
    auto want = readLines(wantStream);
    want.resize(120);
    EXPECT_EQ(got, want);
}

// A trace that cannot be written in full (cut mid-run, or only at the
// close) is one line on standard error and status 3, with no summary.
TEST(SimProgram, TraceWriteFailureExitsThree) {
    for (const char* steps : {"100", "1"}) {
        const ProgramRun run = runSim("full", std::string("--quiet --trace /dev/full --steps ") + steps);
        EXPECT_EQ(run.status, 3) << steps;
        EXPECT_EQ(run.out, "") << steps;
        EXPECT_EQ(run.err, "tessaron-sim: cannot write trace '/dev/full': No space left on device\n") << steps;
    }
}

// With the bot playing, a script's keys other than Escape, Q and left Shift
// are ignored: the run is the bot's own game, to the draw.
TEST(SimBot, ScriptKeepsOnlyThePauseAndQuitKeys) {
    struct Case {
        const char* script;
        std::uint64_t steps;  // run length: the quit ends it early
        bool sameGame;        // the same draws and score as the bot alone
    };
    const Case cases[] = {
        {"100 enter\n102 -\n300 enter\n302 -\n", 600, true},
        {"100 left,right,up,down,space\n400 -\n", 600, true},
        {"100 esc\n102 -\n", 600, false},  // paused from step 100 on
        {"150 lshift,esc\n", 150, false},
    };
    sim::Options options;
    options.bot = true;
    options.steps = 600;
    const sim::Summary alone = sim::run(options, {}, nullptr);
    for (const Case& c : cases) {
        std::vector<sim::ScriptLine> script;
        ASSERT_EQ(sim::parseScript(c.script, script), "");
        const sim::Summary s = sim::run(options, script, nullptr);
        EXPECT_EQ(s.steps, c.steps) << c.script;
        EXPECT_EQ(s.draws == alone.draws && s.score == alone.score, c.sameGame) << c.script;
    }
}

} // namespace
} // namespace tessaron
