// The bot plays a million steps: no crash, no sanitizer report, and the run
// is not cut short.
#include <gtest/gtest.h>

#include "sim.h"

namespace tessaron {
namespace {

TEST(Soak, BotPlaysAMillionSteps) {
    sim::Options options;
    options.bot = true;
    options.steps = 1000000;
    options.seed = 20240611;
    const sim::Summary summary = sim::run(options, {}, nullptr);
    EXPECT_EQ(summary.steps, 1000000u);
    EXPECT_GT(summary.draws, 1000000u);
    std::printf("%s\n", sim::summaryLine(summary).c_str());
}

} // namespace
} // namespace tessaron
