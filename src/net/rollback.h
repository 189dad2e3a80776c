// The rollback engine of an online match: two copies of the match, one
// `confirmed` (every input of both sides known) and one `head` (the latest
// step, run on the other side's predicted keys), and a ring of the inputs
// between them.  The local side's own input acts `inputDelay` steps after it
// is sampled; the other side's keys arrive over the network and, until they
// do, are predicted to be the last keys it held.  When they arrive the
// confirmed copy steps through them, and when any step of the head was run
// on a wrong prediction the head is rebuilt from the confirmed copy and the
// steps after it are run again; their events (sounds above all) were already
// played or are stale, so they are dropped.  At most MaxPrediction steps run
// ahead of the confirmed copy; past that the caller waits.
//
// State is the match as a value: copyable (a copy is a snapshot), with
// `Events step(const Input&)`.  Input has `std::uint8_t sides[2]`, the keys
// of both boards; everything else in it is the local machine's own (console
// keys, mouse) and is never sent.  Depends on nothing else; one thread.
#pragma once

#include <cstdint>
#include <utility>

#include "net/protocol.h"

namespace tessaron {
namespace net {

// Processor time of the calling thread, in seconds.
double threadSeconds();

template <class State, class Input>
class Rollback {
public:
    using Events = decltype(std::declval<State&>().step(std::declval<const Input&>()));
    // Confirmed inputs kept for a state replaced by the host's and for
    // desync reports; the ring holds them and the unconfirmed ones.
    static constexpr std::uint32_t HistorySteps = MaxStateAge;
    static constexpr std::uint32_t RingSize = 512;
    static_assert(HistorySteps + MaxPrediction + MaxRemoteAhead + MaxInputDelay < RingSize, "ring too small");

    // Hears each newly confirmed step: its number, the confirmed state after
    // it and the events it produced there.
    using ConfirmedHandler = void (*)(void* context, std::uint32_t step, const State& state, const Events& events);

    struct Stats {
        std::uint64_t steps = 0;         // steps run at the head (not re-runs)
        std::uint64_t rollbacks = 0;     // corrections
        std::uint64_t depthSum = 0;      // steps replaced, over all corrections
        std::uint32_t depthMax = 0;
        std::uint64_t rerunSteps = 0;    // steps run again on the head
        double rerunSeconds = 0;         // processor time of the corrections
    };

    Rollback(const State& start, int localSide, int inputDelay)
        : confirmed_(start), head_(start), local_(localSide), delay_(static_cast<std::uint32_t>(inputDelay)) {
        for (std::uint32_t s = 1; s <= delay_; ++s) slot(s).local = Input();
        localKnown_ = delay_;
    }

    void onConfirmed(ConfirmedHandler handler, void* context) {
        handler_ = handler;
        context_ = context;
    }

    // True while the head may run one more step on predicted keys.
    bool canStep() const { return headStep_ - confirmedStep_ < MaxPrediction; }

    // Runs the next step at the head.  `sampled` is the local input read
    // now: its own side's keys and the machine's own keys; it acts
    // inputDelay steps later.  Returns the step's events.  Only when
    // canStep().
    Events step(const Input& sampled) {
        Input own = sampled;
        own.sides[1 - local_] = 0;
        slot(++localKnown_).local = own;
        const std::uint32_t s = ++headStep_;
        slot(s).predicted = best(s);
        Events events = head_.step(input(s, slot(s).predicted));
        ++stats_.steps;
        confirm();
        return events;
    }

    // The other side's keys from step `first` on, checked by the decoder
    // (no gap after the last known, none too far ahead).  Confirms what is
    // now complete and corrects the head where it guessed wrong.
    void addRemote(std::uint32_t first, const std::uint8_t* keys, std::size_t count) {
        const std::uint32_t before = remoteKnown_;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t s = first + static_cast<std::uint32_t>(i);
            if (s != remoteKnown_ + 1) continue;  // already held
            slot(s).remote = keys[i];
            remoteKnown_ = s;
        }
        if (remoteKnown_ == before) return;
        // The first head step whose prediction was wrong, if any.
        std::uint32_t wrong = 0;
        for (std::uint32_t s = confirmedStep_ + 1; s <= headStep_ && !wrong; ++s) {
            if (slot(s).predicted != best(s)) wrong = s;
        }
        confirm();
        if (wrong) rerun(headStep_ - wrong + 1);
    }

    // Replaces the confirmed state at `step` (at most HistorySteps back)
    // with `state` and brings it and the head up to date again with the
    // inputs kept; `each` hears every step re-run on the confirmed copy.
    // False when the step is out of reach.
    template <class F>
    bool replaceConfirmed(std::uint32_t step, const State& state, F each) {
        if (step > confirmedStep_ || confirmedStep_ - step > HistorySteps) return false;
        confirmed_ = state;
        for (std::uint32_t s = step + 1; s <= confirmedStep_; ++s) {
            const Events events = confirmed_.step(input(s, slot(s).remote));
            each(s, confirmed_, events);
        }
        rerun(0);
        return true;
    }

    // Test-only: changes both copies, as a fault in one machine would.
    template <class F>
    void corrupt(F change) {
        change(confirmed_);
        change(head_);
    }

    // The full input of a confirmed step still kept (both sides' keys and
    // this machine's own), for reports.
    bool confirmedInput(std::uint32_t s, Input& out) const {
        if (s == 0 || s > confirmedStep_ || confirmedStep_ - s >= HistorySteps) return false;
        out = input(s, slot(s).remote);
        return true;
    }

    // The local keys from step `from` on that the other side may still lack,
    // at most MaxInputsPerPacket: the first step, and the count written to
    // `keys`.
    std::uint32_t unacknowledged(std::uint32_t acked, std::uint8_t* keys, std::size_t& count) const {
        const std::uint32_t from = acked + 1;
        count = 0;
        for (std::uint32_t s = from; s <= localKnown_ && count < MaxInputsPerPacket; ++s)
            keys[count++] = slot(s).local.sides[local_];
        return from;
    }

    const State& head() const { return head_; }
    State& head() { return head_; }
    const State& confirmed() const { return confirmed_; }
    std::uint32_t headStep() const { return headStep_; }
    std::uint32_t confirmedStep() const { return confirmedStep_; }
    std::uint32_t remoteKnown() const { return remoteKnown_; }
    std::uint32_t localKnown() const { return localKnown_; }
    int localSide() const { return local_; }
    const Stats& stats() const { return stats_; }

private:
    struct Slot {
        Input local;              // this machine's input for the step
        std::uint8_t remote = 0;  // the other side's keys, once known
        std::uint8_t predicted = 0;  // the other side's keys the head ran on
    };
    Slot& slot(std::uint32_t s) { return ring_[s % RingSize]; }
    const Slot& slot(std::uint32_t s) const { return ring_[s % RingSize]; }

    // The other side's keys for a step as far as known: its own when they
    // arrived, else the last it held.
    std::uint8_t best(std::uint32_t s) const {
        if (s <= remoteKnown_) return slot(s).remote;
        return remoteKnown_ ? slot(remoteKnown_).remote : 0;
    }

    Input input(std::uint32_t s, std::uint8_t remote) const {
        Input in = slot(s).local;
        in.sides[1 - local_] = remote;
        return in;
    }

    // The confirmed copy through every step that the head has run and both
    // sides' inputs are known for.
    void confirm() {
        while (confirmedStep_ < headStep_ && confirmedStep_ < remoteKnown_) {
            const std::uint32_t s = ++confirmedStep_;
            const Events events = confirmed_.step(input(s, slot(s).remote));
            if (handler_) handler_(context_, s, confirmed_, events);
        }
    }

    // The head rebuilt from the confirmed copy; `depth` steps were wrong.
    void rerun(std::uint32_t depth) {
        const double started = threadSeconds();
        head_ = confirmed_;
        for (std::uint32_t s = confirmedStep_ + 1; s <= headStep_; ++s) {
            slot(s).predicted = best(s);
            head_.step(input(s, slot(s).predicted));  // its events are dropped
            ++stats_.rerunSteps;
        }
        if (depth) {
            ++stats_.rollbacks;
            stats_.depthSum += depth;
            if (depth > stats_.depthMax) stats_.depthMax = depth;
        }
        stats_.rerunSeconds += threadSeconds() - started;
    }

    State confirmed_;
    State head_;
    int local_;
    std::uint32_t delay_;
    std::uint32_t headStep_ = 0;
    std::uint32_t confirmedStep_ = 0;
    std::uint32_t localKnown_ = 0;
    std::uint32_t remoteKnown_ = 0;
    Slot ring_[RingSize];
    Stats stats_;
    ConfirmedHandler handler_ = nullptr;
    void* context_ = nullptr;
};

} // namespace net
} // namespace tessaron
