// Two matches on two threads in one process give exactly the traces each
// gives alone: the logic keeps no state outside its match.  The sound
// layer's ThreadSanitizer build runs this too.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "../sim_trace.h"

namespace tessaron {
namespace {

// The trace and the summary's counts (not its timings).
std::string traceOf(const sim::Options& options, const std::vector<sim::ScriptLine>& script) {
    std::string summary;
    const std::string trace = testing_support::traceOf(options, script, {}, nullptr, &summary);
    return trace + summary.substr(summary.find(" score="));
}

TEST(Threads, TwoMatchesSideBySideGiveTheirOwnTraces) {
    sim::Options versus, alone;
    versus.seed = 11, versus.steps = 3000, versus.bot = true, versus.opponent = 1, versus.cpuLevel = 5;
    alone.seed = 12, alone.steps = 3000;
    std::vector<sim::ScriptLine> script;
    ASSERT_EQ(sim::parseScript("10 left\n20 space\n40 up\n300 esc\n320 -\n400 esc\n410 enter\n", script), "");
    const std::string first = traceOf(versus, {}), second = traceOf(alone, script);
    std::string together[2];
    std::thread a([&] { together[0] = traceOf(versus, {}); });
    std::thread b([&] { together[1] = traceOf(alone, script); });
    a.join();
    b.join();
    EXPECT_TRUE(together[0] == first && together[1] == second);
    EXPECT_NE(first, second);
}

} // namespace
} // namespace tessaron
