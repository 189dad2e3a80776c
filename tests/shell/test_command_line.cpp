// The command line, headless: every option at its boundaries and one past
// them, every kind of bad argument with its exact message and exit status,
// and the usage made from the option table.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "shell/command_line.h"

namespace tessaron {
namespace {

using Ints = std::vector<int>;

// The settings the options can change: opponent, level, rounds, fullscreen,
// width, height.
Ints fields(const GameConfig& c) {
    return {c.versus.opponent, c.versus.cpuLevel, c.versus.roundsToWin, c.fullscreen, c.screenWidth, c.screenHeight};
}

TEST(CommandLine, EveryOptionAndEveryBadArgument) {
    GameConfig file;  // as read from a file that asks for the computer
    file.versus.opponent = 1;
    const struct Row {
        std::vector<const char*> args;
        RunMode mode;
        std::string error;  // Refused: the line after "Tessaron: "
        Ints want;          // the settings after the options; empty: those of the file
    } rows[] = {
        {{}, RunMode::Play, "", {}},
        {{"--versus", "off"}, RunMode::Play, "", {0, 3, 3, 1, 1024, 768}},
        {{"--versus", "cpu", "--level", "1", "--rounds", "1"}, RunMode::Play, "", {1, 1, 1, 1, 1024, 768}},
        {{"--versus=human", "--level=5", "--rounds=5"}, RunMode::Play, "", {2, 5, 5, 1, 1024, 768}},
        {{"--window", "--size", "1x1"}, RunMode::Play, "", {1, 3, 3, 0, 1, 1}},
        {{"--window", "--fullscreen", "--size=4096x4096"}, RunMode::Play, "", {1, 3, 3, 1, 4096, 4096}},
        {{"--level", "2", "--level", "4", "--size", "800x600", "--size", "640x480"}, RunMode::Play, "",
         {1, 4, 3, 1, 640, 480}},
        {{"--help", "--level", "9"}, RunMode::ShowHelp, "", {}},
        {{"--version"}, RunMode::ShowVersion, "", {}},
        // Refused, with whatever valid options came before.
        {{"--versus", "cpu", "--level", "9", "--help"}, RunMode::Refused, "--level 9: out of range (1 to 5)", {}},
        {{"--level", "0"}, RunMode::Refused, "--level 0: out of range (1 to 5)", {}},
        {{"--level", "6"}, RunMode::Refused, "--level 6: out of range (1 to 5)", {}},
        {{"--level", "99999999999999999999"}, RunMode::Refused,
         "--level 99999999999999999999: out of range (1 to 5)", {}},
        {{"--rounds", "6"}, RunMode::Refused, "--rounds 6: out of range (1 to 5)", {}},
        {{"--rounds=0"}, RunMode::Refused, "--rounds 0: out of range (1 to 5)", {}},
        {{"--level", "+3"}, RunMode::Refused, "--level +3: not a number", {}},
        {{"--level", ""}, RunMode::Refused, "--level : not a number", {}},
        {{"--rounds", "2x"}, RunMode::Refused, "--rounds 2x: not a number", {}},
        {{"--size", "0x0"}, RunMode::Refused, "--size 0x0: out of range (each side 1 to 4096)", {}},
        {{"--size", "4097x600"}, RunMode::Refused, "--size 4097x600: out of range (each side 1 to 4096)", {}},
        {{"--size", "800x4097"}, RunMode::Refused, "--size 800x4097: out of range (each side 1 to 4096)", {}},
        {{"--size", "800x-600"}, RunMode::Refused, "--size 800x-600: out of range (each side 1 to 4096)", {}},
        {{"--size", "800"}, RunMode::Refused, "--size 800: not of the form WxH", {}},
        {{"--size", "8x6x4"}, RunMode::Refused, "--size 8x6x4: not of the form WxH", {}},
        {{"--versus", "lan"}, RunMode::Refused, "--versus lan: not one of cpu|human|online|off", {}},
        {{"--level"}, RunMode::Refused, "--level needs a value (N)", {}},
        {{"--window", "--size"}, RunMode::Refused, "--size needs a value (WxH)", {}},
        {{"--versus"}, RunMode::Refused, "--versus needs a value (cpu|human|online|off)", {}},
        {{"--window=no"}, RunMode::Refused, "--window takes no value", {}},
        {{"--record="}, RunMode::Refused, "--record needs a value (FILE)", {}},
        {{"--replay"}, RunMode::Refused, "--replay needs a value (FILE)", {}},
        {{"--last-replay=1"}, RunMode::Refused, "--last-replay takes no value", {}},
        {{"--vs", "cpu"}, RunMode::Refused, "unknown option --vs", {}},
        {{"--hots=7000"}, RunMode::Refused, "unknown option --hots", {}},
        {{"cpu"}, RunMode::Refused, "unexpected argument cpu", {}},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv = {"tessaron"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const std::string shown = testing::PrintToString(row.args);
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        GameConfig config = file;
        line.applyTo(config);
        EXPECT_EQ(line.mode, row.mode) << shown;
        EXPECT_EQ(line.error, row.error) << shown;
        EXPECT_EQ(fields(config), row.want.empty() ? fields(file) : row.want) << shown;
        if (row.mode == RunMode::Play) continue;
        // What the program prints, on standard output | standard error, and
        // the status it ends with.
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = finishWithoutPlaying(line);
        const std::string printed = testing::internal::GetCapturedStdout() + "|" + testing::internal::GetCapturedStderr();
        const std::string want = row.mode == RunMode::Refused ? "|Tessaron: " + row.error + "\n" + usageText()
                                 : row.mode == RunMode::ShowHelp ? usageText() + "|"
                                                                 : versionText() + "\n|";
        EXPECT_EQ(printed, want) << shown;
        EXPECT_EQ(status, row.mode == RunMode::Refused ? 2 : 0) << shown;
    }
}

// The replay options take a file name as given; the last of --replay and
// --last-replay wins (the refusals are in the table above).
TEST(CommandLine, ReplayOptions) {
    const char* argv[] = {"tessaron", "--record", "a b.replay", "--last-replay", "--replay=x=y"};
    GameConfig config;
    parseCommandLine(5, argv).applyTo(config);
    EXPECT_EQ(std::make_tuple(config.recordPath, config.replay, config.replayLast),
              std::make_tuple(std::string("a b.replay"), std::string("x=y"), false));
}

// Online: --versus online, --host with or without a port, --join with or
// without one (the settings file's port, here 9000, then holds),
// --input-delay; each port and delay at its limits and one past them.
TEST(CommandLine, OnlineOptions) {
    const struct Row {
        std::vector<const char*> args;
        std::string want;  // on, opponent, host, port, input delay; or the refusal
    } rows[] = {
        {{"--versus", "online"}, "1 2 - 9000 1"},
        {{"--versus", "online", "--versus", "cpu"}, "0 1 - 9000 1"},
        {{"--host"}, "1 2 - 9000 1"},
        {{"--host", "--window"}, "1 2 - 9000 1"},
        {{"--host", "1", "--input-delay", "0"}, "1 2 - 1 0"},
        {{"--host=65535", "--input-delay=4"}, "1 2 - 65535 4"},
        {{"--join", "example.org"}, "1 2 example.org 9000 1"},
        {{"--join", "10.0.0.7:1"}, "1 2 10.0.0.7 1 1"},
        {{"--join=localhost:65535"}, "1 2 localhost 65535 1"},
        {{"--host", "0"}, "--host 0: out of range (1 to 65535)"},
        {{"--host=65536"}, "--host 65536: out of range (1 to 65535)"},
        {{"--host=x"}, "--host x: not a number"},
        {{"--join", "a:65536"}, "--join a:65536: out of range (port 1 to 65535)"},
        {{"--join", "a:0"}, "--join a:0: out of range (port 1 to 65535)"},
        {{"--join", "a:b"}, "--join a:b: not a port number"},
        {{"--join", ":7340"}, "--join :7340: no host"},
        {{"--join"}, "--join needs a value (ADDR[:PORT])"},
        {{"--input-delay", "5"}, "--input-delay 5: out of range (0 to 4)"},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv = {"tessaron"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        GameConfig c;
        c.online.port = 9000;
        line.applyTo(c);
        const std::string got = line.mode == RunMode::Refused
                                    ? line.error
                                    : std::to_string(c.online.on) + " " + std::to_string(c.versus.opponent) + " " +
                                          (c.online.host.empty() ? "-" : c.online.host) + " " +
                                          std::to_string(c.online.port) + " " + std::to_string(c.online.inputDelay);
        EXPECT_EQ(got, row.want) << testing::PrintToString(row.args);
    }
}

// The usage names every option, each value with its range.
TEST(CommandLine, UsageListsEveryOptionWithItsRange) {
    const std::string usage = usageText();
    EXPECT_EQ(usage.rfind("Usage: tessaron [OPTION]...\n", 0), 0u);
    for (const char* row : {"  --versus cpu|human|online|off  play", "  --level N  ", " (1 to 5)\n  --rounds N  ",
                            " (1 to 5)\n  --host [PORT]  ", " (1 to 65535)\n  --join ADDR[:PORT]  ",
                            " (port 1 to 65535)\n  --input-delay N  ", " (0 to 4)\n  --window  ", "  --fullscreen  ",
                            "  --size WxH  ", " (each side 1 to 4096)\n  --record FILE  ", "  --replay FILE  ",
                            "  --last-replay  ", "  --help  ", "  --version  "}) {
        EXPECT_NE(usage.find(row), std::string::npos) << row;
    }
    EXPECT_EQ(versionText().rfind("Tessaron ", 0), 0u);
}

} // namespace
} // namespace tessaron
