// A replay and the match: the keys a step ran with as the replay's
// channels and back, the digest a replay keeps, the header of a recording,
// the state a playback starts from, and the ReplayPlayer that steps a
// match through a replay, checking its digests and jumping back through
// snapshots.  No Allegro; logic thread only.
#pragma once

#include <cstdint>
#include <string>

#include "session/match_state.h"
#include "session/replay.h"
#include "session/replay_watch.h"

namespace tessaron {

// The digest a replay keeps: what decides the match (the same at every
// window size), leaving out the computer player's own plans, since a
// playback takes its keys from the file and never runs it.
std::uint64_t replayDigest(const MatchState& state);
// Records the step just run (the next after the recorder's last) with its
// input and events (board 1's keys as the step reports them, so the
// computer's are kept like a person's), and the digest of `state` after it
// when one is due.
void recordStep(ReplayRecorder& recorder, const StepInput& input, const StepEvents& events, const MatchState& state);
// The header of a recording of `state`, loaded and not yet stepped.
ReplayHeader replayHeader(const MatchState& state, const std::string& gameVersion);

// The state a playback starts from, before its load: seeded as recorded,
// with the recorded versus options and board 1's keys taken from the input.
MatchState replayState(const ReplayHeader& header, int screenWidth, int screenHeight);
// Draws the state's stream on to the number of words the recording had
// drawn before its first step: "" or the problem (the state drew more).
std::string catchUpStartDraws(MatchState& state, const ReplayHeader& header);

// Records a sitting (a run of the game).  Into a folder, one replay file
// per match: a file is written when a step wins a match, and the match
// under way is written as unfinished when the sitting ends; each file holds
// the sitting's keys from its first step, with "from" set to its match's
// first.  And/or into one file, the whole sitting, written when it ends
// (finished when its last step won a match).
class MatchRecording {
public:
    // `loaded` is the sitting's state, loaded and not yet stepped; an empty
    // `folder` or `wholeRun` path leaves that way out.
    MatchRecording(const MatchState& loaded, std::string folder, std::string wholeRun = "");
    // After each step: its input and events, and the state after it.
    // Returns "" or the problem when a file due now could not be written.
    std::string afterStep(const StepInput& input, const StepEvents& events, const MatchState& state);
    // The sitting ends: the match under way, if it has run a step, is
    // written as unfinished, and the whole run.  "" or the problems.
    std::string finish(const MatchState& state);
    // The last file written, or "".
    const std::string& lastPath() const { return lastPath_; }

private:
    std::string save(const MatchState& state, bool finished);

    ReplayRecorder recorder_;
    std::string folder_;
    std::string wholeRun_;
    std::string lastPath_;
    std::uint64_t matchStart_ = 1;
    std::int32_t matchesWon_ = 0;
    bool lastStepWon_ = false;
    bool tooLong_ = false;
};

class ReplayPlayer {
public:
    // Snapshots every 5 seconds of the match, at most 512 (then spread out).
    static constexpr std::uint64_t SnapshotInterval = 125;
    static constexpr std::size_t MaxSnapshots = 512;

    // `state` is loaded and caught up (above); both outlive the player.
    ReplayPlayer(const Replay& replay, MatchState& state);
    // Runs the next step and checks its digest; false when there was none
    // left or the digest disagreed (problem() then says so).
    bool step(StepEvents* events = nullptr);
    // Runs the steps before the match's first (earlier matches of the
    // sitting) at full speed.
    void leadIn();
    // Back `steps` steps, not before the match's start: the state comes
    // from the nearest snapshot and runs on silently from there.
    void jumpBack(std::uint64_t steps);

    bool atEnd() const { return stepsRun_ >= replay_.lastStep; }
    std::uint64_t stepsRun() const { return stepsRun_; }
    // Steps of the match itself run so far (the lead-in left out).
    std::uint64_t matchSteps() const { return stepsRun_ + 1 - replay_.header.firstStep; }
    // "" or, after a digest disagreed, the line that says where.
    const std::string& problem() const { return problem_; }
    std::uint64_t snapshots() const { return shelf_.size(); }

private:
    struct Snapshot {
        MatchState state;
        ReplayCursor cursor;
    };
    void keep();

    const Replay& replay_;
    MatchState& state_;
    ReplayCursor cursor_;
    std::uint64_t stepsRun_ = 0;
    std::string problem_;
    SnapshotShelf<Snapshot> shelf_{SnapshotInterval, MaxSnapshots};
};

} // namespace tessaron
