// The rollback engine against the stand-in match: two engines exchanging
// inputs over a simulated line that delays, loses, repeats and reorders
// packets must confirm exactly the match an offline run of the same keys
// gives, never run more than the prediction window ahead, and hand out
// the events of first runs only.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "net/rollback.h"
#include "stub_state.h"

namespace tessaron {
namespace net {
namespace {
using testing_support::StubEvents;
using testing_support::StubInput;
using testing_support::StubState;
using Engine = Rollback<StubState, StubInput>;

struct Side {
    Engine engine;
    std::vector<std::uint64_t> confirmed;  // digest after each confirmed step
    std::uint32_t acked = 0;               // the other side holds our inputs through here
    std::vector<std::uint8_t> keys;        // keys sampled at each step (1-based)

    explicit Side(int side, int delay) : engine(StubState(), side, delay), keys(1, 0) {
        engine.onConfirmed(
            [](void* self, std::uint32_t, const StubState& s, const StubEvents&) {
                static_cast<Side*>(self)->confirmed.push_back(s.matchDigest());
            },
            this);
    }
};

struct InFlight {
    int arrives;
    int to;
    std::uint32_t ack, first;
    std::vector<std::uint8_t> keys;
};

// One match of `ticks` over a line of the given delay (in ticks, plus up to
// `jitter`), loss, duplication; keys change at random.
void playOverLine(std::uint32_t seed, int delays[2], int latency, int jitter, double loss, int ticks) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    Side sides[2] = {Side(0, delays[0]), Side(1, delays[1])};
    std::vector<InFlight> line;
    std::uint8_t held[2] = {0, 0};
    for (int t = 0; t < ticks + 200; ++t) {
        const bool playing = t < ticks;
        for (int i = 0; i < 2; ++i) {
            Side& me = sides[i];
            if (playing && rng() % 6 == 0) held[i] = static_cast<std::uint8_t>(rng() & SideKeyMask);
            if (!playing) held[i] = 0;
            if (playing && me.engine.canStep()) {
                StubInput in;
                in.sides[i] = held[i];
                in.sides[1 - i] = 0x55;  // the other side's keys are never this machine's to set
                in.console = 1;
                const StubEvents e = me.engine.step(in);
                me.keys.push_back(held[i]);
                // The head runs on this side's own keys of `delay` steps ago.
                const std::size_t sampledAt = e.step > std::uint32_t(delays[i]) ? e.step - delays[i] : 0;
                ASSERT_EQ(e.keys[i], sampledAt ? me.keys[sampledAt] : 0) << "step " << e.step;
            }
            ASSERT_LE(me.engine.headStep() - me.engine.confirmedStep(), MaxPrediction);
            std::uint8_t keys[MaxInputsPerPacket];
            std::size_t count = 0;
            const std::uint32_t first = me.engine.unacknowledged(me.acked, keys, count);
            for (int copies = unit(rng) < 0.05 ? 2 : 1; copies > 0; --copies) {
                if (playing && unit(rng) < loss) continue;
                line.push_back({t + latency + static_cast<int>(rng() % (jitter + 1)), 1 - i,
                                me.engine.remoteKnown(), first, std::vector<std::uint8_t>(keys, keys + count)});
            }
        }
        for (std::size_t k = 0; k < line.size();) {
            if (line[k].arrives > t) {
                ++k;
                continue;
            }
            Side& to = sides[line[k].to];
            to.acked = std::max(to.acked, line[k].ack);
            to.engine.addRemote(line[k].first, line[k].keys.data(), line[k].keys.size());
            line.erase(line.begin() + static_cast<std::ptrdiff_t>(k));
        }
    }
    // The offline match of the same keys: each side's keys act `delay`
    // steps after they were sampled.
    const std::size_t common = std::min(sides[0].confirmed.size(), sides[1].confirmed.size());
    ASSERT_GE(common, static_cast<std::size_t>(ticks) * 3 / 4);
    StubState offline;
    for (std::size_t s = 1; s <= common; ++s) {
        StubInput in;
        for (int i = 0; i < 2; ++i) in.sides[i] = s > std::size_t(delays[i]) ? sides[i].keys[s - delays[i]] : 0;
        offline.step(in);
        ASSERT_EQ(sides[0].confirmed[s - 1], offline.matchDigest()) << "host, step " << s;
        ASSERT_EQ(sides[1].confirmed[s - 1], offline.matchDigest()) << "joiner, step " << s;
    }
    // Everything confirmed, the head is the confirmed match.
    for (Side& side : sides) {
        EXPECT_EQ(side.engine.head().matchDigest(), side.engine.confirmed().matchDigest());
        if (latency > 0) {
            EXPECT_GT(side.engine.stats().rollbacks, 0u);
        }
        EXPECT_LE(side.engine.stats().depthMax, MaxPrediction);
    }
}

TEST(Rollback, ConfirmsTheOfflineMatchOverABadLine) {
    // delays, latency and jitter in ticks, loss
    const struct {
        int delays[2];
        int latency, jitter;
        double loss;
    } lines[] = {{{0, 0}, 0, 0, 0}, {{1, 1}, 2, 1, 0.05}, {{0, 4}, 3, 2, 0.15}, {{2, 0}, 4, 3, 0.3}};
    std::uint32_t seed = 1;
    for (auto line : lines) {
        SCOPED_TRACE(seed);
        playOverLine(seed++, line.delays, line.latency, line.jitter, line.loss, 1500);
    }
}

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
