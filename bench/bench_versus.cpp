// Strength of the computer opponent's levels: for every pair of levels,
// simulated matches (three won rounds) with different seeds, the sides
// taken in turn; each level's win rate against each other level and the
// average length of a match.  Level 5 must beat level 1 in at least 90 % of
// matches and every level must beat the one below more often than it loses;
// the program exits 1 when either fails.  Optional argument: matches per
// pair of levels (default 200).
#include <cstdio>
#include <cstdlib>

#include "session/cpu_player.h"
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
    for (int low = 1; low <= Levels; ++low) {
        for (int high = low + 1; high <= Levels; ++high) {
            for (int m = 0; m < matches; ++m) {
                // Board 0 is the bot at one level, board 1 the opponent at
                // the other; every second match they change sides.
                const bool lowLeft = m % 2 == 0;
                Options options;
                options.seed = static_cast<std::uint32_t>(1000 * low + 100 * high + m + 1);
                options.steps = StepLimit;
                options.bot = true;
                options.botLevel = lowLeft ? low : high;
                options.opponent = 1;
                options.cpuLevel = lowLeft ? high : low;
                options.stopAfterMatches = 1;
                const Summary s = run(options, {}, nullptr);
                ++played[low][high];
                ++played[high][low];
                if (s.matchesWon[0] + s.matchesWon[1] == 0) continue;
                const bool leftWon = s.matchesWon[0] > 0;
                const int winner = leftWon == lowLeft ? low : high;
                ++wins[winner][winner == low ? high : low];
                totalSteps += s.steps;
                ++finished;
            }
        }
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
    bool good = wins[5][1] * 10 >= played[5][1] * 9;
    for (int a = 2; a <= Levels; ++a) good = good && wins[a][a - 1] > wins[a - 1][a];
    std::printf("bench_versus: %s (level 5 beats level 1 in >= 90%%, each level beats the one below)\n",
                good ? "ok" : "FAILED");
    return good ? 0 : 1;
}
