// Replay files: the text written by a recording reads back as the same
// replay; every hostile file is refused with one line naming the problem;
// the file is written whole or not at all, even on a full disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "../process_limits.h"
#include "io/file_replace.h"
#include "session/replay.h"
#include "session/replay_watch.h"

namespace tessaron {
namespace {

const std::string Dir = TESSARON_BINARY_DIR "/replay_test/";

const std::string Header = "tessaron-replay 1\ngame 0.9.0\nseed 4294967295\nstart_draws 10\nopponent 1\n"
                           "cpu_level 5\nrounds_to_win 5\njoystick 1\nscreen 65536 1\nfrom 1\n";

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A recording of 501 steps with every key word of each channel, cut as an
// unfinished match from step 3: the text has the digests at 250, 500 and
// 501 and reads back as the replay that was cut (the cursor that hands the
// keys back is run by every playback of the simulator's tests).
TEST(ReplayFormat, RecordingReadsBackAsWritten) {
    ReplayHeader header;
    header.gameVersion = "0.9.0";
    header.seed = 4294967295u, header.startDraws = 10, header.opponent = 1, header.cpuLevel = 5;
    header.roundsToWin = 5, header.joystick = true, header.width = 65536, header.height = 1;
    ReplayRecorder recorder(header);
    auto keysAt = [](std::uint64_t s, std::uint16_t k[ReplayChannels]) {
        k[0] = s < 100 ? 0 : s < 200 ? 127 : 1;  // none, all seven, left
        k[1] = s % 3 == 0 ? 64 : 0;
        k[2] = 0;
        k[3] = s == 300 ? 1023 : 0;
        k[4] = s == 501 ? 31 : 0;
    };
    for (std::uint64_t s = 1; s <= 501; ++s) {
        std::uint16_t k[ReplayChannels];
        keysAt(s, k);
        recorder.step(s, k);
        if (recorder.digestDue()) recorder.digest(s * 0x0123456789abcdefull);
    }
    const Replay cut = recorder.cut(3, false, 501 * 0x0123456789abcdefull);
    const std::string text = formatReplay(cut);
    EXPECT_EQ(text.substr(text.find("game ")).substr(0, Header.size() - 18), Header.substr(18, Header.size() - 20) + "3\n");
    EXPECT_NE(text.find("\n100 side0 left,right,down,up,space,enter,esc\n"), std::string::npos);
    EXPECT_NE(text.find("\n300 stick1 left,right,up,down,b1,b2,b3,b4,b5,b6\n301 side1 -\n301 stick1 -\n"), std::string::npos);
    EXPECT_NE(text.find("\n501 console q,lshift,f9,mouse1,mouse2\n501 digest "), std::string::npos);
    for (const char* digest : {"\n250 digest 1c71c71c71c71b66\n", "\n500 digest 38e38e38e38e36cc\n"})
        EXPECT_NE(text.find(digest), std::string::npos) << digest;
    EXPECT_EQ(text.substr(text.size() - 15), "501 unfinished\n");
    Replay read;
    ASSERT_EQ(parseReplay(text, read), "");
    EXPECT_EQ(formatReplay(read), text);
    const std::string finished = formatReplay(recorder.cut(1, true, 0));
    EXPECT_EQ(finished.substr(finished.size() - 8), "501 end\n");
    // Cut one step after a digest with nothing pressed since: the last
    // step's digest still ends the match.
    ReplayRecorder quiet(header);
    const std::uint16_t none[ReplayChannels] = {};
    for (std::uint64_t s = 1; s <= 251; ++s) {
        quiet.step(s, none);
        if (quiet.digestDue()) quiet.digest(1);
    }
    const std::string after = formatReplay(quiet.cut(1, false, 2));
    EXPECT_EQ(after.substr(after.find("\n250 ")),
              "\n250 digest 0000000000000001\n251 digest 0000000000000002\n251 unfinished\n");
}

// Every bad text is refused, naming the problem; the limits are exact.
TEST(ReplayFormat, HostileTextsAreRefusedInOneLine) {
    const std::string end = "1 end\n";
    const std::string longComment = "#" + std::string(1023, 'x') + "\n";
    struct Case {
        std::string text, problem;  // problem "" for a text that is accepted
    } cases[] = {
        {Header + end, ""},
        {Header + "5 side0 left\n4 side0 -\n9 end\n", "line 12: '4 side0' does not follow '5 side0'"},
        {Header + "5 side1 left\n5 side0 -\n9 end\n", "line 12: '5 side0' does not follow '5 side1'"},
        {Header + "5 side0 left\n5 side0 -\n9 end\n", "line 12: '5 side0' does not follow '5 side0'"},
        {Header + "5 digest 0123456789abcdef\n5 side0 up\n9 end\n", "does not follow '5 digest'"},
        {Header + "5 side0 left\n4 end\n", "the end at step 4 comes before step 5"},
        {Header.substr(0, Header.size() - 2) + "3\n2 end\n", "the end at step 2 comes before step 3"},
        {Header + "5 side0 left\n", "truncated (no end line)"},
        {"", "not a replay (empty)"},
        {"tessaron-script 1\n", "not a replay (no 'tessaron-replay' line first)"},
        {"tessaron-replay 2\n" + Header.substr(18) + end, "line 1: format version '2' is not supported"},
        {Header + "1 end\n" + "2 end\n", "line 12: text after the end line"},
        {Header + std::string("5 side0 left\0", 13) + "\n9 end\n", "not a replay (binary data)"},
        {Header + "5 side0 l\xc3\xa9" "ft\n9 end\n", "not a replay (binary data)"},
        {Header + "5 side0 left,,up\n9 end\n", "line 11: bad keys 'left,,up'"},
        {Header + "5 side0 left,left\n9 end\n", "bad keys"},
        {Header + "5 side0 left,\n9 end\n", "bad keys"},
        {Header + "5 side0 q\n9 end\n", "bad keys 'q'"},
        {Header + "5 digest 0123456789ABCDEF\n9 end\n", "bad digest"},
        {Header + "5 digest 0123456789abcde\n9 end\n", "bad digest"},
        {Header + "5 player0 left\n9 end\n", "expected 'STEP side0|side1|stick0|stick1|console KEYS'"},
        {Header + "5 stick0 b7\n9 end\n", "bad keys 'b7'"},
        {Header + "5 stick0 b6\n5\tconsole\tmouse2\n9 end\n", ""},
        {Header + "0 side0 left\n9 end\n", "line 11: expected 'STEP WHAT ...'"},
        {Header + "2000000000 side0 left\n2000000000 end\n", ""},
        {Header + "2000000001 side0 left\n2000000001 end\n", "expected 'STEP WHAT ...'"},
        {Header + "5 side0 left\nseed 3\n9 end\n", "line 12: 'seed' after the first step line"},
        {Header + "seed 3\n" + end, "line 11: 'seed' given twice"},
        {"tessaron-replay 1\nseed 1\n" + end, "line 3: missing 'game' line before the steps"},
        {Header + longComment + end, ""},
        {Header + "#" + longComment + end, "line 11: longer than 1024 characters"},
    };
    for (const Case& c : cases) {
        Replay replay;
        const std::string got = parseReplay(c.text, replay);
        if (c.problem.empty()) {
            EXPECT_EQ(got, "") << c.text;
        } else {
            EXPECT_NE(got.find(c.problem), std::string::npos) << got << "\nwanted: " << c.problem;
        }
        EXPECT_EQ(got.find('\n'), std::string::npos) << got;
    }
    // Each header value at its limits and one past them.
    const std::string values[][3] = {
        {"seed", "0", "4294967296"},      {"start_draws", "1000000", "1000001"}, {"opponent", "2", "3"},
        {"cpu_level", "1", "0"},          {"cpu_level", "5", "6"},               {"rounds_to_win", "1", "0"},
        {"rounds_to_win", "5", "6"},      {"screen", "1 65536", "0 768"},        {"screen", "65536 1", "1 65537"},
        {"from", "1", "0"},               {"seed", "12", "+12"},                 {"screen", "1 1", "1"},           {"screen", "1 1", "1 0"},
        {"joystick", "0", "2"},
    };
    for (const auto& v : values) {
        for (int bad = 0; bad < 2; ++bad) {
            std::string text = Header;
            const std::size_t at = text.find("\n" + v[0] + " ") + 1;
            text.replace(at, text.find('\n', at) - at, v[0] + " " + v[1 + bad]);
            Replay replay;
            EXPECT_EQ(parseReplay(text + end, replay).empty(), !bad) << v[0] << " " << v[1 + bad];
        }
    }
}

// The file reader: exactly 64 MiB is read, one byte more is refused before
// it is read, and pipes, devices, folders and missing files are refused at
// once, each in one line.
TEST(ReplayFile, SizeLimitAndThingsThatAreNotFiles) {
    mkdir(Dir.c_str(), 0777);
    std::string text = Header + "1 end\n";
    while (text.size() < MaxReplayBytes) {
        const std::size_t k = std::min<std::size_t>(MaxReplayBytes - text.size(), 1025);
        text += k == 1 ? "\n" : "#" + std::string(k - 2, 'x') + "\n";
    }
    const std::string path = Dir + "limit.replay";
    writeText(path, text);
    Replay replay;
    EXPECT_EQ(loadReplay(path, replay), "");
    writeText(path, text + "\n");
    EXPECT_EQ(loadReplay(path, replay), "replay '" + path + "' is larger than 67108864 bytes");
    const std::string fifo = Dir + "fifo.replay";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    for (const std::string& p : {fifo, std::string("/dev/zero"), Dir, Dir + "missing.replay"}) {
        EXPECT_EQ(loadReplay(p, replay), "cannot read replay '" + p + "' (missing, unreadable or not a regular file)");
    }
    writeText(path, Header + "5 side0 jump\n9 end\n");
    EXPECT_EQ(loadReplay(path, replay), "replay '" + path + "': line 11: bad keys 'jump'");
}

// The newest replay of a folder: by time, then by name; only regular files
// named "*.replay" count; the folder is closed again.
TEST(ReplayFile, NewestByTimeThenName) {
    const std::string folder = Dir + "newest";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/z.replay");
    const long open = openDescriptors();
    EXPECT_EQ(newestReplay(folder), "");
    const timespec times[2] = {{100, 5}, {100, 5}};
    for (const char* name : {"a.replay", "c.replay", "b.replay", ".replay", "d.replay.txt"}) {
        writeText(folder + "/" + name, "x");
        if (name[0] != 'c') utimensat(AT_FDCWD, (folder + "/" + name).c_str(), times, 0);
    }
    EXPECT_EQ(newestReplay(folder), folder + "/c.replay");
    std::filesystem::remove(folder + "/c.replay");
    EXPECT_EQ(newestReplay(folder), folder + "/b.replay");
    EXPECT_EQ(openDescriptors(), open);
}

// A file is replaced only once written whole: a write past the size limit
// (as on a full disk) fails at once, leaves the old file and no temporary
// file; a folder in the file's place or a missing folder is refused.
TEST(ReplayFile, WrittenWholeOrNotAtAll) {
    const std::string folder = Dir + "out";
    std::filesystem::create_directories(Dir);
    std::filesystem::remove_all(folder);
    ASSERT_EQ(makeFolder(folder), "");
    ASSERT_EQ(makeFolder(folder), "");
    const std::string path = folder + "/match.replay";
    ASSERT_EQ(writeFileReplacing(path, "old"), "");
    std::string full, fits;
    {
        const FileSizeLimit limit(1000);
        full = writeFileReplacing(path, std::string(5000, 'x'));
        fits = writeFileReplacing(folder + "/small.replay", std::string(1000, 'y'));
    }
    EXPECT_EQ(full, "cannot write '" + path + "': File too large");
    EXPECT_EQ(fits, "");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}), "old");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"match.replay", "small.replay"}));
    EXPECT_EQ(writeFileReplacing(folder, "x"), "cannot replace '" + folder + "': not a file");
    EXPECT_EQ(writeFileReplacing(Dir + "none/x.replay", "x"),
              "cannot create '" + Dir + "none/.x.replay." + std::to_string(getpid()) + ".part': No such file or directory");
    EXPECT_EQ(makeFolder(path), "cannot create the folder '" + path + "': Not a directory");
    // Two matches ended in the same second get two names; both read back.
    Replay replay;
    replay.lastStep = 7;
    std::string first, second;
    setenv("TZ", "UTC", 1);
    ASSERT_EQ(saveReplay(folder + "/replays", replay, 86399, first), "");
    ASSERT_EQ(saveReplay(folder + "/replays", replay, 86399, second), "");
    EXPECT_EQ(first, folder + "/replays/1970-01-01_23-59-59.replay");
    EXPECT_EQ(second, folder + "/replays/1970-01-01_23-59-59-2.replay");
    EXPECT_EQ(loadReplay(second, replay), "");
    EXPECT_EQ(saveReplay(path, replay, 0, first), "cannot create the folder '" + path + "': Not a directory");
}

// Snapshots every 10 steps, at most 4: past that every other one goes and
// the interval doubles; the first (the start) always stays.
TEST(ReplayWatch, ShelfKeepsABoundedSpreadOfSnapshots) {
    SnapshotShelf<int> shelf(10, 4);
    shelf.offer(3, 3, true);
    for (int step = 4; step <= 95; ++step) shelf.offer(step, step);
    std::vector<std::uint64_t> found;
    for (std::uint64_t at : {2, 3, 19, 20, 59, 60, 95}) {
        std::uint64_t taken = 0;
        const int* value = shelf.atOrBefore(at, taken);
        found.push_back(value && static_cast<std::uint64_t>(*value) == taken ? taken : 999);
    }
    EXPECT_EQ(found, (std::vector<std::uint64_t>{999, 3, 3, 3, 40, 40, 80}));
    EXPECT_EQ(std::make_tuple(shelf.size(), shelf.interval()), std::make_tuple(std::size_t{3}, std::uint64_t{40}));
}

} // namespace
} // namespace tessaron
