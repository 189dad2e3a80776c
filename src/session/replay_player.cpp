#include "session/replay_player.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <utility>

#include "io/file_replace.h"

namespace tessaron {
namespace {

// The keys a step ran with as the replay's channels, and back.
void replayKeys(const StepInput& input, const StepEvents& events, std::uint16_t out[ReplayChannels]) {
    out[ReplaySide0] = events.sideKeys[0];
    out[ReplaySide1] = events.sideKeys[1];
    out[ReplayStick0] = input.joysticks[0];
    out[ReplayStick1] = input.joysticks[1];
    out[ReplayConsole] = static_cast<std::uint16_t>(input.console | input.mouseButtons << ReplayMouseShift);
}

StepInput replayInput(const std::uint16_t keys[ReplayChannels]) {
    StepInput in;
    in.sides[0] = static_cast<std::uint8_t>(keys[ReplaySide0]);
    in.sides[1] = static_cast<std::uint8_t>(keys[ReplaySide1]);
    in.joysticks[0] = keys[ReplayStick0];
    in.joysticks[1] = keys[ReplayStick1];
    in.console = static_cast<std::uint8_t>(keys[ReplayConsole] & ConsoleKeyBits);
    in.mouseButtons = static_cast<std::uint8_t>(keys[ReplayConsole] >> ReplayMouseShift);
    return in;
}

} // namespace

std::uint64_t replayDigest(const MatchState& state) {
    MatchState plain = state;
    plain.cpu = CpuPlayer(0, CpuPlayer::MinLevel);
    return plain.matchDigest();
}

void recordStep(ReplayRecorder& recorder, const StepInput& input, const StepEvents& events, const MatchState& state) {
    std::uint16_t keys[ReplayChannels];
    replayKeys(input, events, keys);
    recorder.step(recorder.lastStep() + 1, keys);
    if (recorder.digestDue()) recorder.digest(replayDigest(state));
}

ReplayHeader replayHeader(const MatchState& state, const std::string& gameVersion) {
    ReplayHeader h;
    h.gameVersion = gameVersion;
    h.seed = state.random.seedValue();
    h.startDraws = state.random.draws();
    h.opponent = state.versus.opponent;
    h.cpuLevel = state.versus.cpuLevel;
    h.roundsToWin = state.versus.roundsToWin;
    h.joystick = state.versus.joystick;
    h.width = state.screenWidth;
    h.height = state.screenHeight;
    return h;
}

MatchState replayState(const ReplayHeader& h, int screenWidth, int screenHeight) {
    MatchState state(screenWidth, screenHeight, h.seed);
    state.versus.opponent = h.opponent;
    state.versus.cpuLevel = h.cpuLevel;
    state.versus.roundsToWin = h.roundsToWin;
    state.versus.joystick = h.joystick;
    state.cpuKeysFromInput = true;
    return state;
}

std::string catchUpStartDraws(MatchState& state, const ReplayHeader& h) {
    if (state.random.draws() > h.startDraws)
        return "start_draws " + std::to_string(h.startDraws) + " is fewer than the match's own start takes (" +
               std::to_string(state.random.draws()) + ")";
    while (state.random.draws() < h.startDraws) state.random.nextWord();
    return "";
}

MatchRecording::MatchRecording(const MatchState& loaded, std::string folder, std::string wholeRun)
    : recorder_(replayHeader(loaded, GameVersion)), folder_(std::move(folder)), wholeRun_(std::move(wholeRun)) {}

std::string MatchRecording::afterStep(const StepInput& input, const StepEvents& events, const MatchState& state) {
    if (tooLong_) return "";
    recordStep(recorder_, input, events, state);
    if (recorder_.size() > MaxReplayBytes) {
        tooLong_ = true;
        return "the sitting is too long to record: recording stopped";
    }
    const std::int32_t won = state.matchesWon[0] + state.matchesWon[1];
    lastStepWon_ = won != matchesWon_;
    if (!lastStepWon_) return "";
    matchesWon_ = won;
    std::string problem = folder_.empty() ? "" : save(state, true);
    matchStart_ = recorder_.lastStep() + 1;
    return problem;
}

std::string MatchRecording::finish(const MatchState& state) {
    if (tooLong_ || recorder_.lastStep() == 0) return "";
    std::string problem;
    if (!folder_.empty() && recorder_.lastStep() >= matchStart_) problem = save(state, false);
    if (!wholeRun_.empty()) {
        const std::string written =
            writeFileReplacing(wholeRun_, formatReplay(recorder_.cut(1, lastStepWon_, replayDigest(state))));
        if (written.empty()) lastPath_ = wholeRun_;
        problem += (problem.empty() || written.empty() ? "" : "; ") + written;
    }
    return problem;
}

std::string MatchRecording::save(const MatchState& state, bool finished) {
    std::string path;
    const std::string problem =
        saveReplay(folder_, recorder_.cut(matchStart_, finished, replayDigest(state)), std::time(nullptr), path);
    if (problem.empty()) lastPath_ = path;
    return problem;
}

ReplayPlayer::ReplayPlayer(const Replay& replay, MatchState& state)
    : replay_(replay), state_(state), cursor_(replay) {
    if (replay_.header.firstStep == 1) keep();
}

void ReplayPlayer::keep() {
    const bool start = stepsRun_ + 1 == replay_.header.firstStep;
    if (shelf_.wants(stepsRun_, start)) shelf_.offer(stepsRun_, {state_, cursor_}, start);
}

bool ReplayPlayer::step(StepEvents* events) {
    if (atEnd() || !problem_.empty()) return false;
    const std::uint64_t step = stepsRun_ + 1;
    std::uint16_t keys[ReplayChannels];
    cursor_.keysFor(step, keys);
    const StepEvents happened = state_.step(replayInput(keys));
    if (events) *events = happened;
    stepsRun_ = step;
    std::uint64_t expected = 0;
    if (cursor_.digestAfter(step, expected)) {
        const std::uint64_t got = replayDigest(state_);
        if (got != expected) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "the replay disagrees with this game after step %" PRIu64 " (digest %016" PRIx64
                          " in the file, %016" PRIx64 " here)",
                          step, expected, got);
            problem_ = text;
            return false;
        }
    }
    if (step + 1 >= replay_.header.firstStep) keep();
    return true;
}

void ReplayPlayer::leadIn() {
    while (stepsRun_ + 1 < replay_.header.firstStep && step()) {
    }
}

void ReplayPlayer::jumpBack(std::uint64_t steps) {
    const std::uint64_t start = replay_.header.firstStep - 1;
    const std::uint64_t target = stepsRun_ > start + steps ? stepsRun_ - steps : start;
    std::uint64_t takenAt = 0;
    const Snapshot* snapshot = shelf_.atOrBefore(target, takenAt);
    if (!snapshot) return;
    state_ = snapshot->state;
    cursor_ = snapshot->cursor;
    stepsRun_ = takenAt;
    problem_.clear();
    while (stepsRun_ < target && step()) {
    }
}

} // namespace tessaron
