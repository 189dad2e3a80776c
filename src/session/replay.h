// Replays: a match kept as its start (seed, options, screen size) and the
// keys each side held at each step, with digests of the match state to
// check a playback against.  This file holds the replay as a value, its
// text format (read and written here; README.md documents it), the
// recorder that collects a match's keys step by step, and the cursor that
// hands them back during a playback.  No Allegro; logic thread only.
//
// Failures: the reader is strict and bounded (64 MiB, 1024 characters a
// line, every number in range, lines in step order, an end line last):
// anything else is refused with one line of text naming the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace tessaron {

constexpr int ReplayFormatVersion = 1;
// The version of this program, written into the replays it makes.
extern const char* const GameVersion;
constexpr std::size_t MaxReplayBytes = 64u << 20;
constexpr std::size_t MaxReplayLine = 1024;
// A digest is written after every 250th step and after the last.
constexpr std::uint64_t ReplayDigestInterval = 250;
// The longest match a replay holds: the simulator's longest run.
constexpr std::uint64_t MaxReplaySteps = 2000000000ull;
// The most random words the game may draw before the first step.
constexpr std::uint64_t MaxStartDraws = 1000000;
constexpr int MaxReplayScreenSide = 65536;

// What a line of the body holds, in the order lines of one step come.
enum ReplayLineKind : std::uint8_t {
    ReplaySide0 = 0,    // keys held by board 0's player from this step on
    ReplaySide1 = 1,    // keys held by board 1's player (or the computer)
    ReplayStick0 = 2,   // the joystick read for side 0
    ReplayStick1 = 3,   // the joystick read for side 1
    ReplayConsole = 4,  // the local machine's own keys: quit, screenshot, mouse
    ReplayDigestLine = 5,
};
constexpr int ReplayChannels = 5;

// Key bits of a side's channel are StepInput's SideKey bits, of a stick's
// its joystick bits; the console's are ConsoleKey's bits with the mouse
// buttons above them.
constexpr int ReplayMouseShift = 3;

struct ReplayHeader {
    std::string gameVersion;     // the version of the program that wrote it
    std::uint32_t seed = 0;
    std::uint64_t startDraws = 0; // random words drawn before the first step
    int opponent = 0;            // as recorded: 0 none, 1 the computer, 2 a second player
    int cpuLevel = 3;
    int roundsToWin = 3;
    int width = 1024, height = 768;
    bool joystick = false;       // a second player steered with a joystick
    // The match this file keeps begins at this step; the steps before it
    // (earlier matches of the same sitting) lead up to it.
    std::uint64_t firstStep = 1;
};

struct ReplayLine {
    std::uint64_t step = 0;
    ReplayLineKind kind = ReplaySide0;
    std::uint64_t value = 0;  // the channel's bits, or the digest
};

struct Replay {
    ReplayHeader header;
    std::vector<ReplayLine> lines;  // by step, then by kind
    std::uint64_t lastStep = 0;
    bool finished = false;          // false: the match was cut short
};

// The replay as text; lines after lastStep are left out.
std::string formatReplay(const Replay& replay);
// Parses a replay's text into `out`: "" or the problem in one line.
std::string parseReplay(const std::string& text, Replay& out);
// Reads and parses a replay file, which must be a regular file of at most
// MaxReplayBytes.
std::string loadReplay(const std::string& path, Replay& out);

// The name of the replay of a match that ended at `when` (local time):
// "YYYY-MM-DD_HH-MM-SS.replay", with "-N" before the dot for the Nth
// (N > 1) match ended in the same second.
std::string replayFileName(std::time_t when, int attempt);
// Writes `replay` into `folder` (made when missing) under the first free
// name for `when`, whole or not at all (io/file_replace.h): "" with `path`
// set, or the problem in one line.
std::string saveReplay(const std::string& folder, const Replay& replay, std::time_t when, std::string& path);

// The path of the newest "*.replay" file in `folder` (by modification
// time, then name), or "" when there is none.
std::string newestReplay(const std::string& folder);

// Collects a sitting's keys and digests step by step; each match is cut
// from it as a Replay.
class ReplayRecorder {
public:
    explicit ReplayRecorder(const ReplayHeader& header);
    // Step `step` (1-based, every step in order) was run holding `keys`
    // (one value per channel).
    void step(std::uint64_t step, const std::uint16_t keys[ReplayChannels]);
    // True when the state after the last step is to be kept as a digest.
    bool digestDue() const { return last_ % ReplayDigestInterval == 0; }
    void digest(std::uint64_t value);
    // The match from `firstStep` to the last step recorded; `digest` is
    // the state's after that step; `finished` false marks it unfinished.
    Replay cut(std::uint64_t firstStep, bool finished, std::uint64_t digest) const;
    std::uint64_t lastStep() const { return last_; }
    // Bytes of the text a cut would take, at most.
    std::size_t size() const { return lines_.size() * 48 + 1024; }

private:
    ReplayHeader header_;
    std::vector<ReplayLine> lines_;
    std::uint16_t held_[ReplayChannels] = {};
    std::uint64_t last_ = 0;
};

// Walks a replay's lines during a playback.  Copyable: a copy kept with a
// snapshot of the state resumes from there.
class ReplayCursor {
public:
    explicit ReplayCursor(const Replay& replay) : replay_(&replay) {}
    // The keys held at step `step`, the next step to run (steps in order).
    void keysFor(std::uint64_t step, std::uint16_t keys[ReplayChannels]);
    // After step `step`: true with `expected` set when the file has a
    // digest for it.
    bool digestAfter(std::uint64_t step, std::uint64_t& expected);

private:
    const Replay* replay_;
    std::size_t next_ = 0;
    std::uint16_t held_[ReplayChannels] = {};
};

} // namespace tessaron
