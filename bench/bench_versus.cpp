// Strength of the computer opponent's levels: for every pair of levels,
// simulated matches (three won rounds) with different seeds, the sides
// taken in turn; each level's win rate against each other level and the
// average length of a match.  Level 5 must beat level 1 in at least 90 % of
// matches and every level must beat the one below more often than it loses;
// the program exits 1 when either fails.  Optional argument: matches per
// pair of levels (default 200).  The matches run on every core, each on its
// own match state; the wall time is printed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "session/cpu_player.h"
#include "session/match_state.h"
#include "sim.h"

int main(int argc, char** argv) {
    using namespace tessaron;
    using namespace tessaron::sim;
    const int matches = argc > 1 ? std::atoi(argv[1]) : 200;
    constexpr int Levels = CpuPlayer::MaxLevel;
    constexpr std::uint64_t StepLimit = 200000;  // a match this long counts for neither side
    int wins[Levels + 1][Levels + 1] = {};
    int played[Levels + 1][Levels + 1] = {};
    std::uint64_t totalSteps = 0;
    int finished = 0;

    // Every match to play, then their results, filled by the threads.
    struct Job {
        int low, high, m;
        Summary result;
    };
    std::vector<Job> jobs;
    for (int low = 1; low <= Levels; ++low)
        for (int high = low + 1; high <= Levels; ++high)
            for (int m = 0; m < matches; ++m) jobs.push_back({low, high, m, {}});
    std::atomic<std::size_t> next{0};
    auto work = [&jobs, &next] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            Job& job = jobs[i];
            // Board 0 is the bot at one level, board 1 the opponent at the
            // other; every second match they change sides.
            const bool lowLeft = job.m % 2 == 0;
            Options options;
            options.seed = static_cast<std::uint32_t>(1000 * job.low + 100 * job.high + job.m + 1);
            options.steps = StepLimit;
            options.bot = true;
            options.botLevel = lowLeft ? job.low : job.high;
            options.opponent = 1;
            options.cpuLevel = lowLeft ? job.high : job.low;
            options.stopAfterMatches = 1;
            job.result = run(options, {}, nullptr);
        }
    };
    const auto started = std::chrono::steady_clock::now();
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // Rounds and their length: all matches, and those of level 3.
    std::uint64_t rounds = 0, rounds3 = 0, steps3 = 0;
    for (const Job& job : jobs) {
        const Summary& s = job.result;
        const int inMatch = s.roundsWon[0] + s.roundsWon[1];
        if (s.matchesWon[0] + s.matchesWon[1] == 0 || inMatch == 0) continue;
        rounds += static_cast<std::uint64_t>(inMatch);
        if (job.low == 3 || job.high == 3) rounds3 += static_cast<std::uint64_t>(inMatch), steps3 += s.steps;
    }
    for (const Job& job : jobs) {
        const Summary& s = job.result;
        const bool lowLeft = job.m % 2 == 0;
        ++played[job.low][job.high];
        ++played[job.high][job.low];
        if (s.matchesWon[0] + s.matchesWon[1] == 0) continue;
        const bool leftWon = s.matchesWon[0] > 0;
        const int winner = leftWon == lowLeft ? job.low : job.high;
        ++wins[winner][winner == job.low ? job.high : job.low];
        totalSteps += s.steps;
        ++finished;
    }
    std::printf("bench_versus: %d matches per pair of levels; win rate of the row's level against the column's\n",
                matches);
    std::printf("level");
    for (int b = 1; b <= Levels; ++b) std::printf("      %d", b);
    std::printf("\n");
    for (int a = 1; a <= Levels; ++a) {
        std::printf("    %d", a);
        for (int b = 1; b <= Levels; ++b) {
            if (a == b)
                std::printf("      -");
            else
                std::printf(" %5.1f%%", 100.0 * wins[a][b] / played[a][b]);
        }
        std::printf("\n");
    }
    const double average = finished ? static_cast<double>(totalSteps) / finished : 0.0;
    std::printf("average match: %.0f steps (%.1f minutes at 25 steps/s); %d of %d matches finished\n", average,
                average / 25.0 / 60.0, finished, matches * Levels * (Levels - 1) / 2);
    const double round = rounds ? static_cast<double>(totalSteps) / static_cast<double>(rounds) : 0.0;
    const double round3 = rounds3 ? static_cast<double>(steps3) / static_cast<double>(rounds3) : 0.0;
    std::printf("average round: %.0f steps; in level 3's matches %.0f steps, %.1f speed-ups (one per %d steps)\n",
                round, round3, round3 / MatchState::VersusSpeedUpInterval, MatchState::VersusSpeedUpInterval);
    bool good = wins[5][1] * 10 >= played[5][1] * 9;
    for (int a = 2; a <= Levels; ++a) good = good && wins[a][a - 1] > wins[a - 1][a];
    std::printf("bench_versus: %s (level 5 beats level 1 in >= 90%%, each level beats the one below)\n",
                good ? "ok" : "FAILED");
    std::printf("bench_versus: %zu matches in %.1f s wall time on %u threads\n", jobs.size(), wall, threads);
    return good ? 0 : 1;
}
