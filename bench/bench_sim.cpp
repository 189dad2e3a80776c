// Logic steps per second of the headless match: the bot plays two million
// steps exactly as `tessaron-sim --bot --steps 2000000 --quiet` does.
#include <cstdio>

#include "sim.h"

int main() {
    using namespace tessaron::sim;
    Options options;
    options.bot = true;
    options.steps = 2000000;
    options.quiet = true;
    const Summary summary = run(options, {}, nullptr);
    const double perSecond = summary.elapsedSeconds > 0 ? summary.steps / summary.elapsedSeconds : 0.0;
    std::printf("%s\n", summaryLine(summary).c_str());
    std::printf("bench_sim: %.0f logic steps/s (target 250000, %.0fx real time at 25 steps/s)\n", perSecond,
                perSecond / 25.0);
    return 0;
}
