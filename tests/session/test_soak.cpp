// The bot plays a long game under the sanitizers: no crash, no sanitizer
// report, and the run is not cut short.
#include <gtest/gtest.h>

#include "sim.h"

namespace tessaron {
namespace {

TEST(Soak, BotPlaysALongGame) {
    sim::Options options;
    options.bot = true;
    options.steps = 30000;
    options.seed = 20240611;
    const sim::Summary summary = sim::run(options, {}, nullptr);
    EXPECT_EQ(summary.steps, 30000u);
    EXPECT_GT(summary.score, 0);
    std::printf("%s\n", sim::summaryLine(summary).c_str());
}

} // namespace
} // namespace tessaron
