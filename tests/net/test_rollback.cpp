// The rollback engine against the stand-in match: it never runs more than
// the prediction window ahead, corrects every wrong step from the first one
// on, and replaces a confirmed state only within the inputs it keeps.
// (Whole matches over a bad line, each side with its own input delay, are
// played by tests/net/test_online.py.)
#include <gtest/gtest.h>

#include "net/rollback.h"
#include "stub_state.h"

namespace tessaron {
namespace net {
namespace {
using testing_support::StubEvents;
using testing_support::StubInput;
using testing_support::StubState;
using Engine = Rollback<StubState, StubInput>;

// Past the prediction window the head waits; the other side's keys, once
// they come, correct every wrong step from the first one on.
TEST(Rollback, WaitsAtTheWindowAndRerunsFromTheFirstWrongStep) {
    Engine engine(StubState(), 0, 0);
    StubInput none;
    for (std::uint32_t i = 0; i < MaxPrediction; ++i) {
        ASSERT_TRUE(engine.canStep());
        engine.step(none);
    }
    EXPECT_FALSE(engine.canStep());
    const std::uint8_t remote[5] = {0, 0, 4, 4, 4};  // wrong from step 3 on
    engine.addRemote(1, remote, 5);
    EXPECT_EQ(std::make_tuple(engine.confirmedStep(), engine.headStep(), engine.stats().rollbacks,
                              engine.stats().depthMax, engine.stats().rerunSteps),
              std::make_tuple(5u, 8u, 1ull, 6u, 3ull));
    // The head now predicts the last keys held (4) for steps 6 to 8.
    StubState expected;
    for (std::uint8_t keys : {0, 0, 4, 4, 4, 4, 4, 4}) {
        StubInput in;
        in.sides[1] = keys;
        expected.step(in);
    }
    EXPECT_EQ(engine.head().matchDigest(), expected.matchDigest());
    engine.addRemote(6, remote + 2, 3);  // the prediction was right: no rollback
    EXPECT_EQ(std::make_tuple(engine.confirmedStep(), engine.stats().rollbacks), std::make_tuple(8u, 1ull));
}

// A confirmed state is replaced (a peer's repair) only as far back as the
// inputs are kept, and every step since is run again on it.
TEST(Rollback, ReplacesAConfirmedStateOnlyWithinItsHistory) {
    Engine engine(StubState(), 0, 0);
    const std::uint8_t none = 0;
    for (std::uint32_t s = 1; s <= Engine::HistorySteps + 20; ++s) {
        engine.step(StubInput());
        engine.addRemote(s, &none, 1);
    }
    int rerun = 0;
    const auto count = [&rerun](std::uint32_t, const StubState&, const StubEvents&) { ++rerun; };
    const std::uint32_t last = engine.confirmedStep();
    EXPECT_FALSE(engine.replaceConfirmed(last + 1, StubState(), count));
    EXPECT_FALSE(engine.replaceConfirmed(last - Engine::HistorySteps - 1, StubState(), count));
    EXPECT_TRUE(engine.replaceConfirmed(last - Engine::HistorySteps, StubState(), count));
    EXPECT_EQ(rerun, static_cast<int>(Engine::HistorySteps));
}

} // namespace
} // namespace net
} // namespace tessaron
