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
        {{"--versus", "online"}, RunMode::Refused, "--versus online: not one of cpu|human|off", {}},
        {{"--level"}, RunMode::Refused, "--level needs a value (N)", {}},
        {{"--window", "--size"}, RunMode::Refused, "--size needs a value (WxH)", {}},
        {{"--versus"}, RunMode::Refused, "--versus needs a value (cpu|human|off)", {}},
        {{"--window=no"}, RunMode::Refused, "--window takes no value", {}},
        {{"--record="}, RunMode::Refused, "--record needs a value (FILE)", {}},
        {{"--replay"}, RunMode::Refused, "--replay needs a value (FILE)", {}},
        {{"--last-replay=1"}, RunMode::Refused, "--last-replay takes no value", {}},
        {{"--vs", "cpu"}, RunMode::Refused, "unknown option --vs", {}},
        {{"--host=7000"}, RunMode::Refused, "unknown option --host", {}},
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

TEST(CommandLine, UsageListsEveryOptionWithItsRange) {
    EXPECT_EQ(usageText(),
              "Usage: tessaron [OPTION]...\n"
              "Plays Tessaron.  The options override cfg/config.cfg for this run only.\n\n"
              "  --versus cpu|human|off  play against the computer, a second player on this computer, or alone\n"
              "  --level N               the computer's strength, weakest to strongest (1 to 5)\n"
              "  --rounds N              rounds that win a versus match (1 to 5)\n"
              "  --window                play in a window\n"
              "  --fullscreen            play full screen\n"
              "  --size WxH              window or screen size in pixels (each side 1 to 4096)\n"
              "  --record FILE           write this run as a replay to FILE\n"
              "  --replay FILE           watch the replay in FILE\n"
              "  --last-replay           watch the newest replay in replays/\n"
              "  --help                  print this help and exit\n"
              "  --version               print the version and exit\n");
    EXPECT_EQ(versionText().rfind("Tessaron ", 0), 0u);
}

} // namespace
} // namespace tessaron
