// The match as one value: a snapshot restored anywhere replays the same
// steps, the bytes read back equal the state, hostile bytes are refused, and
// the match digest ignores the window while the whole digest does not.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "session/match_state.h"

namespace tessaron {
namespace {

// A versus match against the computer at level 5, board 0 pressing random
// keys (Enter rarely, Escape twice), the same for a step whatever came
// before.
StepInput inputAt(int step) {
    std::mt19937 pick(static_cast<std::uint32_t>(step / 4) * 2654435761u + 7u);
    StepInput in;
    const std::uint8_t keys[] = {SideLeft, SideRight, SideSoftDrop, SideHardDrop, SideRotate};
    for (std::uint8_t k : keys)
        if (pick() % 3 == 0) in.sides[0] |= k;
    if (pick() % 40 == 0) in.sides[0] |= SideDrop;
    if (step == 1500 || step == 1580) in.sides[0] |= SidePause;  // a pause of 80 steps
    return in;
}

MatchState newMatch(int width = 1024, int height = 768) {
    MatchState m(width, height, 20261206);
    m.versus.opponent = 1;
    m.versus.cpuLevel = 5;
    m.load();
    return m;
}

struct Step {
    std::uint64_t digest;
    std::vector<int> sounds;
    bool operator==(const Step& o) const { return digest == o.digest && sounds == o.sounds; }
};

Step stepOnce(MatchState& m, int step) {
    const StepEvents e = m.step(inputAt(step));
    return {m.digest(), std::vector<int>(e.sounds.cues, e.sounds.cues + e.sounds.count)};
}

bool anyFlying(const Board& b) {
    for (const auto& column : b.grid)
        for (const Cell& c : column)
            if (c.flying && c.occupied()) return true;
    return false;
}

// Saved at step k, run on, restored and run again: the same digests and
// sounds as the straight run, at many k and in each kind of moment.
TEST(MatchState, RestoredSnapshotsReplayTheSameSteps) {
    constexpr int Steps = 6000, Ahead = 120;
    MatchState m = newMatch();
    std::vector<Step> straight;
    std::vector<MatchState> saved;
    std::vector<int> savedAt;
    bool seen[5] = {};  // mid-chain, flying, paused, between rounds, plain
    for (int step = 1; step <= Steps; ++step) {
        const int kind = m.paused                                         ? 2
                         : m.boards[0].chain > 0 || m.boards[1].chain > 0 ? 0
                         : anyFlying(m.boards[0]) || anyFlying(m.boards[1]) ? 1
                         : !m.roundStarted                                ? 3
                                                                          : 4;
        if (step + Ahead <= Steps && (!seen[kind] || step % 211 == 0)) {
            seen[kind] = true;
            saved.push_back(m);
            savedAt.push_back(step);
        }
        straight.push_back(stepOnce(m, step));
    }
    for (int kind = 0; kind < 5; ++kind) ASSERT_TRUE(seen[kind]) << kind;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        MatchState again = newMatch();
        for (int run = 0; run < 2; ++run) {
            again = saved[i];  // restore, then run ahead, twice over
            for (int step = savedAt[i]; step < savedAt[i] + Ahead; ++step)
                ASSERT_EQ(stepOnce(again, step), straight[step - 1]) << "saved at " << savedAt[i] << " step " << step;
        }
    }
}

// Bytes read back give an equal state with equal digests that steps on
// alike; the match digest is the same at any window size, the whole one not.
TEST(MatchState, BytesRoundTripAndTheMatchDigestIgnoresTheWindow) {
    MatchState small = newMatch(800, 600), large = newMatch(1920, 1080);
    for (int step = 1; step <= 3000; ++step) {
        stepOnce(small, step);
        stepOnce(large, step);
        ASSERT_EQ(small.matchDigest(), large.matchDigest()) << step;
        if (step % 500 != 0) continue;
        EXPECT_NE(small.digest(), large.digest());
        const std::vector<std::uint8_t> bytes = small.serialise();
        MatchState back(10, 10, 1);
        std::string error;
        ASSERT_TRUE(MatchState::deserialise(bytes.data(), bytes.size(), back, error)) << error;
        ASSERT_TRUE(back == small && back.digest() == small.digest() && back.serialise() == bytes);
        MatchState copy = small;
        for (int s = step + 1; s <= step + 50; ++s) ASSERT_EQ(stepOnce(back, s), stepOnce(copy, s));
    }
}

// The digests of a known moment, pinned: the same on every build and
// machine (they change only when the state's fields or format change).
TEST(MatchState, DigestsArePinned) {
    MatchState m = newMatch();
    for (int step = 1; step <= 2000; ++step) m.step(inputAt(step));
    EXPECT_EQ(m.digest(), 0xa38aa6d129e2c28bull);
    EXPECT_EQ(m.matchDigest(), 0x52e985ba37ac6858ull);
}

// Hostile bytes: each refused with its reason, the state left as it was.
TEST(MatchState, MalformedBytesAreRefused) {
    MatchState m = newMatch();
    for (int step = 1; step <= 900; ++step) m.step(inputAt(step));
    const std::vector<std::uint8_t> good = m.serialise();
    auto find = [&good](std::size_t from, std::vector<std::uint8_t> pattern) {
        return std::search(good.begin() + static_cast<long>(from), good.end(), pattern.begin(), pattern.end()) -
               good.begin();
    };
    // The computer's name, a text field.
    const auto text = static_cast<std::size_t>(find(0, {'C', 'o', 'm', 'p', 'u', 't', 'e', 'r'}));
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* error;
    };
    auto with = [&good](std::size_t at, std::vector<std::uint8_t> patch) {
        std::vector<std::uint8_t> b = good;
        std::copy(patch.begin(), patch.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    MatchState noRounds = m;  // a value only a hostile file can hold
    noRounds.versus.roundsToWin = 0;
    const std::vector<Row> rows = {
        {"empty", {}, "saved match state refused: not a saved match state"},
        {"other magic", with(0, {'T', 'S', 'M', 'X'}), "saved match state refused: not a saved match state"},
        {"other version", with(4, {3, 0}),
         "saved match state refused: saved match state of format 3, this game reads format 2"},
        {"one byte short", std::vector<std::uint8_t>(good.begin(), good.end() - 1), "saved match state refused: truncated"},
        {"one byte more", longer, "saved match state refused: bytes after the end of the saved match state"},
        {"oversized", std::vector<std::uint8_t>((8u << 20) + 1), "saved match state larger than 8388608 bytes"},
        {"screen width 0", with(6, {0, 0, 0, 0}), "saved match state refused: a value out of range"},
        {"text running past its size", with(text - 4, {0, 2, 0, 0}), "saved match state refused: a text too long"},
        {"zero inside a text", with(text + 2, {0}), "saved match state refused: a text with a zero byte inside"},
        {"no rounds to win", noRounds.serialise(), "saved match state refused: a value out of range"},
    };
    for (const Row& row : rows) {
        MatchState target = m;
        std::string error;
        EXPECT_FALSE(MatchState::deserialise(row.bytes.data(), row.bytes.size(), target, error)) << row.what;
        EXPECT_EQ(error, row.error) << row.what;
        EXPECT_TRUE(target == m) << row.what;
    }
    // Random damage: refused or read, never a crash (the sanitizer build runs
    // this too), and what is read digests and steps.
    std::mt19937 noise(99);
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::uint8_t> bytes = good;
        for (int n = 1 + static_cast<int>(noise() % 4); n > 0; --n) bytes[noise() % bytes.size()] ^= 1u << (noise() % 8);
        if (i % 3 == 0) bytes.resize(noise() % bytes.size());
        MatchState target = m;
        std::string error;
        if (MatchState::deserialise(bytes.data(), bytes.size(), target, error)) {
            target.digest();
            for (int s = 0; s < 5; ++s) target.step(inputAt(s));
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

// A step input's eight bytes, and the bits a decoder refuses.
TEST(StepInput, EncodesToEightBytesAndRefusesUnknownBits) {
    StepInput in;
    in.sides[0] = SideLeft | SidePause;
    in.sides[1] = SideDrop;
    in.joysticks[0] = 0x3ff;
    in.joysticks[1] = 0x201;
    in.console = ConsoleQuit | ConsoleScreenshot;
    in.mouseButtons = 2;
    std::uint8_t bytes[StepInput::Bytes];
    in.encode(bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 8), std::vector<std::uint8_t>({65, 32, 0xff, 3, 1, 2, 5, 2}));
    StepInput out;
    ASSERT_TRUE(StepInput::decode(bytes, 8, out, nullptr));
    EXPECT_TRUE(out == in);
    out.mouseButtons = 1;
    EXPECT_TRUE(out != in);
    const struct {
        int at;
        std::uint8_t value;
        const char* error;
    } rows[] = {{0, 128, "unknown key bits in a step input"},     {1, 128, "unknown key bits in a step input"},
                {3, 4, "unknown joystick bits in a step input"},   {5, 4, "unknown joystick bits in a step input"},
                {6, 8, "unknown console key bits in a step input"}, {7, 4, "unknown mouse button bits in a step input"}};
    for (const auto& row : rows) {
        std::uint8_t bad[8];
        std::copy(bytes, bytes + 8, bad);
        bad[row.at] = row.value;
        std::string error;
        EXPECT_FALSE(StepInput::decode(bad, 8, out, &error));
        EXPECT_EQ(error, row.error);
    }
    std::string error;
    EXPECT_FALSE(StepInput::decode(bytes, 7, out, &error));
    EXPECT_EQ(error, "a step input is 8 bytes");
}

} // namespace
} // namespace tessaron
