// Replays: the size of a recorded 3-minute and 10-minute versus match (the
// computer at level 3 on both sides: it taps a key about twice a second,
// as a person does), the time a 10-minute match takes to play back headless to its
// end with every digest checked, and the time to jump back 10 seconds from
// the nearest snapshot, averaged over jumps from all through the match.
#include <chrono>
#include <cstdio>

#include "session/replay_player.h"
#include "sim.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
    using namespace tessaron;
    for (const std::uint64_t minutes : {3, 10}) {
        sim::Options options;
        options.bot = true, options.botLevel = 3, options.opponent = 1, options.steps = minutes * 60 * 25;
        sim::ReplayLink record;
        record.record = true;
        sim::run(options, {}, nullptr, {}, nullptr, nullptr, &record);
        const Replay& replay = record.recorded;
        std::printf("%llu-minute versus match: replay file %zu bytes, %zu lines\n",
                    static_cast<unsigned long long>(minutes), formatReplay(replay).size(), replay.lines.size());
        if (minutes != 10) continue;

        auto start = std::chrono::steady_clock::now();
        sim::ReplayLink play;
        play.play = &replay;
        sim::run(sim::replayOptions(replay, options), {}, nullptr, {}, nullptr, nullptr, &play);
        std::printf("playing it back to its end headless: %.3f s%s\n", secondsSince(start),
                    play.problem.empty() ? "" : " (a digest disagreed)");

        MatchState state = replayState(replay.header, 1024, 768);
        catchUpStartDraws(state, replay.header);
        state.load();
        ReplayPlayer player(replay, state);
        double jumping = 0;
        int jumps = 0;
        while (!player.atEnd()) {
            for (int i = 0; i < 300 && player.step(); ++i) {
            }
            start = std::chrono::steady_clock::now();
            player.jumpBack(250);
            jumping += secondsSince(start);
            ++jumps;
            for (int i = 0; i < 250 && player.step(); ++i) {
            }
        }
        std::printf("jumping back 10 s: %.2f ms on average over %d jumps (%llu snapshots kept)\n",
                    1000 * jumping / jumps, jumps, static_cast<unsigned long long>(player.snapshots()));
    }
    return 0;
}
