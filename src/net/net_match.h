// One online match in progress: the rollback engine (net/rollback.h) fed
// over a Link.  Every tick it runs a step on predicted keys or, when the
// prediction window is full, waits; either way it sends every local input
// the other side has not acknowledged.  The host starts with the joiner's
// first inputs.  It keeps the two sides in time (the side that runs
// steadily ahead gives way one step now and then), and
// every second it exchanges the digest of the confirmed state: on a
// mismatch both sides count it and write a report (both digests, the last
// agreed state serialised, the inputs since) into the report folder, the
// host sends its confirmed state and the joiner adopts it.
//
// State adds to the engine's needs: `std::uint64_t matchDigest() const`,
// `std::vector<std::uint8_t> serialise() const` and
// `static bool deserialise(const std::uint8_t*, std::size_t, State&, std::string&)`.
// One thread; a malformed packet comes back as false with the reason.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "net/link.h"
#include "net/rollback.h"

namespace tessaron {
namespace net {

// Writes a desync report as `folder`/desync-`role`-`step`.txt (the folder is
// made when missing).  Returns the file's path, or "" when it could not be
// written.
std::string writeDesyncReport(const std::string& folder, const char* role, std::uint32_t step,
                              const std::string& text);
// Bytes as lines of 64 hexadecimal digits.
std::string hexLines(const std::vector<std::uint8_t>& bytes);

template <class State, class Input>
class NetMatch {
public:
    using Engine = Rollback<State, Input>;
    using Events = typename Engine::Events;
    // What the match leaves to its caller: a state the host sends can be
    // cut to what the match needs (no particles, say), and a state taken
    // from the host can be given this machine's own view back (`mine` is
    // the confirmed state it replaces).
    struct Hooks {
        void (*trimForWire)(State& state) = nullptr;
        void (*adopt)(State& adopted, const State& mine) = nullptr;
    };

    // Reports kept per match; later mismatches are still counted.
    static constexpr std::uint32_t MaxReports = 20;
    // Fewest steps between two steps given way.
    static constexpr std::uint32_t YieldSpacing = 25;

    struct Settings {
        int localSide = 0;  // 0: this machine hosts
        int inputDelay = DefaultInputDelay;
        int stepMs = 40;    // the length of a step, for the time keeping
        std::string reportFolder = "reports";
        Hooks hooks;
    };

    struct TickResult {
        bool ran = false;      // a step ran at the head; `events` are its
        Events events{};
        bool waiting = false;  // the prediction window is full
        bool yielded = false;  // gave way to a side that is behind
    };

    NetMatch(Link& link, const State& start, const Settings& settings)
        : link_(link), settings_(settings), engine_(start, settings.localSide, settings.inputDelay),
          agreed_(start), candidate_(start), incoming_(start), pending_(start) {
        engine_.onConfirmed(&NetMatch::confirmedThunk, this);
    }
    NetMatch(const NetMatch&) = delete;
    NetMatch& operator=(const NetMatch&) = delete;

    void onConfirmed(typename Engine::ConfirmedHandler handler, void* context) {
        confirmedHandler_ = handler;
        confirmedContext_ = context;
    }

    // One owed tick: a step with `sampled` (the local input read now) or a
    // wait; then the inputs go out.
    TickResult tick(const Input& sampled) {
        TickResult result;
        ++ticks_;
        if (!started_) {
            // The host starts with the joiner's first inputs, so that the
            // joiner, which starts on the welcome, is not left behind by
            // a welcome the line held back.
            result.waiting = true;
        } else if (!engine_.canStep()) {
            result.waiting = true;
            ++waitedTicks_;
            if (!waiting_) waitingSince_ = nowMs();
            waiting_ = true;
        } else if (giveWay()) {
            result.yielded = true;
        } else {
            result.events = engine_.step(sampled);
            result.ran = true;
            waiting_ = false;
        }
        sendInputs();
        adoptWhenDue();
        return result;
    }

    // A Data packet of the link, through the decoder.  False (with the
    // reason) when it is malformed: the caller drops the link.
    bool receive(const std::vector<std::uint8_t>& bytes, std::string& error) {
        DecodeWindow window;
        window.handshaking = false;
        window.host = settings_.localSide == 0;
        window.received = engine_.remoteKnown();
        window.head = engine_.headStep();
        window.sent = sent_;
        window.confirmed = engine_.confirmedStep();
        window.readState = &NetMatch::readState;
        window.stateContext = this;
        Packet packet;
        if (!decodePacket(bytes.data(), bytes.size(), window, packet, error)) return false;
        switch (packet.type) {
        case PacketType::Input:
            inputArrived(packet);
            break;
        case PacketType::Digest:
            // Each digest comes several times: the first is compared.
            if (packet.epoch == epoch_ && !awaitingState_ && packet.step > floor_ && packet.step > lastTheirs_) {
                lastTheirs_ = packet.step;
                theirs_[markIndex(packet.step)] = {packet.step, packet.digest, true};
                compare(packet.step);
            }
            break;
        case PacketType::State:
            stateArrived(packet.step, packet.epoch);
            break;
        default:
            break;
        }
        adoptWhenDue();
        return true;
    }

    // The other side holds every local input through `step`.
    bool acknowledged(std::uint32_t step) const { return acked_ >= step; }
    // How long the current wait for the other side has lasted, in ms.
    std::uint32_t waitingMs() const { return waiting_ ? nowMs() - waitingSince_ : 0; }

    std::uint32_t desyncs() const { return desyncs_; }
    std::uint32_t lastDesyncStep() const { return lastDesyncStep_; }
    // The last report written ("" when none could be).
    const std::string& lastReport() const { return lastReport_; }
    // A state from the host could not be taken: the match cannot go on.
    bool broken() const { return broken_; }

    Engine& engine() { return engine_; }
    const Engine& engine() const { return engine_; }
    std::uint64_t ticks() const { return ticks_; }
    std::uint64_t waitedTicks() const { return waitedTicks_; }
    std::uint64_t yields() const { return yields_; }

private:
    static constexpr std::uint32_t Marks = 8;
    struct Mark {
        std::uint32_t step = 0;
        std::uint64_t digest = 0;
        bool valid = false;
    };
    static std::uint32_t markIndex(std::uint32_t step) { return (step / DigestInterval) % Marks; }
    bool hosting() const { return settings_.localSide == 0; }
    const char* role() const { return hosting() ? "host" : "joiner"; }

    static void confirmedThunk(void* self, std::uint32_t step, const State& state, const Events& events) {
        auto* match = static_cast<NetMatch*>(self);
        if (step % DigestInterval == 0 && !match->awaitingState_) match->ownDigest(step, state);
        if (match->confirmedHandler_) match->confirmedHandler_(match->confirmedContext_, step, state, events);
    }

    static bool readState(void* self, const std::uint8_t* bytes, std::size_t size, std::string& error) {
        return State::deserialise(bytes, size, static_cast<NetMatch*>(self)->incoming_, error);
    }

    // The time keeping: where the other side was when it sent, and how far
    // it says it trails; the two views averaged give this side's lead.
    void inputArrived(const Packet& packet) {
        started_ = true;
        if (packet.ack > acked_) acked_ = packet.ack;
        if (packet.head >= remoteHead_) {
            remoteHead_ = packet.head;
            const double oneWay = link_.roundTripMs() / 2.0 / settings_.stepMs;
            advantage_ = static_cast<double>(engine_.headStep()) - (packet.head + oneWay);
            lead_ += ((advantage_ - packet.advantage) / 2 - lead_) / 16;
        }
        engine_.addRemote(packet.first, packet.keys.data(), packet.keys.size());
    }

    bool giveWay() {
        const std::uint32_t head = engine_.headStep();
        if (lead_ < 1.0 || head < lastYield_ + YieldSpacing) return false;
        lastYield_ = head;
        lead_ -= 1.0;
        ++yields_;
        return true;
    }

    void sendInputs() {
        std::uint8_t keys[MaxInputsPerPacket];
        std::size_t count = 0;
        const std::uint32_t first = engine_.unacknowledged(acked_, keys, count);
        if (count && first + count - 1 > sent_) sent_ = first + static_cast<std::uint32_t>(count) - 1;
        const double rounded = advantage_ < 0 ? advantage_ - 0.5 : advantage_ + 0.5;
        const auto advantage = static_cast<std::int8_t>(rounded < -127 ? -127 : rounded > 127 ? 127 : rounded);
        link_.send(encodeInput(engine_.remoteKnown(), engine_.headStep(), advantage, first, keys, count), false);
        if (digestRepeats_ > 0) {
            --digestRepeats_;
            link_.send(encodeDigest(digestSent_.step, epoch_, digestSent_.digest), false);
        }
    }

    void ownDigest(std::uint32_t step, const State& state) {
        const std::uint64_t digest = state.matchDigest();
        own_[markIndex(step)] = {step, digest, true};
        candidate_ = state;
        candidateStep_ = step;
        digestSent_ = own_[markIndex(step)];
        digestRepeats_ = DigestRepeats;
        compare(step);
    }

    void compare(std::uint32_t step) {
        Mark& own = own_[markIndex(step)];
        Mark& theirs = theirs_[markIndex(step)];
        if (!own.valid || !theirs.valid || own.step != step || theirs.step != step) return;
        theirs.valid = false;
        if (own.digest == theirs.digest) {
            if (candidateStep_ == step) {
                agreed_ = candidate_;
                agreedStep_ = step;
            }
            return;
        }
        mismatch(step, own.digest, &theirs.digest);
    }

    // Both sides count it and write a report; the host sends its state.
    void mismatch(std::uint32_t step, std::uint64_t own, const std::uint64_t* theirs) {
        ++desyncs_;
        lastDesyncStep_ = step;
        if (desyncs_ <= MaxReports) lastReport_ = writeDesyncReport(settings_.reportFolder, role(), step,
                                                                    report(step, own, theirs));
        for (Mark& m : theirs_) m.valid = false;
        if (hosting()) {
            ++epoch_;
            lastTheirs_ = engine_.confirmedStep();
            digestRepeats_ = 0;
            State sent = engine_.confirmed();
            if (settings_.hooks.trimForWire) settings_.hooks.trimForWire(sent);
            link_.send(encodeState(engine_.confirmedStep(), epoch_, sent.serialise()), true);
        } else {
            awaitingState_ = true;
        }
    }

    std::string report(std::uint32_t step, std::uint64_t own, const std::uint64_t* theirs) const {
        char line[160];
        std::snprintf(line, sizeof line,
                      "Tessaron: the confirmed match states differ\nthis side: %s (board %d)\nstep: %u\n"
                      "digest here:  %016llx\n",
                      role(), settings_.localSide + 1, step, static_cast<unsigned long long>(own));
        std::string text = line;
        if (theirs) {
            std::snprintf(line, sizeof line, "digest there: %016llx\n", static_cast<unsigned long long>(*theirs));
        } else {
            std::snprintf(line, sizeof line, "digest there: (found different by the host)\n");
        }
        text += line;
        const std::vector<std::uint8_t> bytes = agreed_.serialise();
        std::snprintf(line, sizeof line, "last agreed step: %u\nlast agreed state (%zu bytes):\n", agreedStep_,
                      bytes.size());
        text += line + hexLines(bytes);
        text += "inputs since (step, keys of board 1, keys of board 2):\n";
        Input input;
        for (std::uint32_t s = agreedStep_ + 1; s <= engine_.confirmedStep(); ++s) {
            if (!engine_.confirmedInput(s, input)) continue;
            std::snprintf(line, sizeof line, "%u %02x %02x\n", s, input.sides[0], input.sides[1]);
            text += line;
        }
        return text;
    }

    void stateArrived(std::uint32_t step, std::uint8_t epoch) {
        if (epoch == epoch_) return;
        // The host may have found a mismatch this side has not compared yet.
        if (!awaitingState_) mismatch(step, engine_.confirmed().matchDigest(), nullptr);
        pending_ = incoming_;
        pendingStep_ = step;
        pendingEpoch_ = epoch;
        hasPending_ = true;
    }

    // The host's state replaces the confirmed one once this side has
    // confirmed its step; the steps since are run again from it.
    void adoptWhenDue() {
        if (!hasPending_ || engine_.confirmedStep() < pendingStep_) return;
        hasPending_ = false;
        if (settings_.hooks.adopt) settings_.hooks.adopt(pending_, engine_.confirmed());
        epoch_ = pendingEpoch_;
        floor_ = lastTheirs_ = pendingStep_;
        awaitingState_ = false;
        for (Mark& m : own_) m.valid = false;
        for (Mark& m : theirs_) m.valid = false;
        agreed_ = pending_;
        agreedStep_ = pendingStep_;
        broken_ = !engine_.replaceConfirmed(pendingStep_, pending_, [this](std::uint32_t s, const State& state,
                                                                          const Events&) {
            if (s % DigestInterval == 0) ownDigest(s, state);
        });
    }

    Link& link_;
    Settings settings_;
    Engine engine_;
    typename Engine::ConfirmedHandler confirmedHandler_ = nullptr;
    void* confirmedContext_ = nullptr;

    bool started_ = settings_.localSide != 0;  // the host waits for the joiner's first inputs
    std::uint32_t acked_ = 0;       // the other side holds our inputs through here
    std::uint32_t sent_ = 0;        // our inputs sent through here
    std::uint32_t remoteHead_ = 0;
    double advantage_ = 0;          // steps this side runs ahead, as it sees it
    double lead_ = 0;               // both sides' views averaged, smoothed
    std::uint32_t lastYield_ = 0;
    bool waiting_ = false;
    std::uint32_t waitingSince_ = 0;
    std::uint64_t ticks_ = 0;
    std::uint64_t waitedTicks_ = 0;
    std::uint64_t yields_ = 0;

    Mark own_[Marks];
    Mark theirs_[Marks];
    std::uint32_t lastTheirs_ = 0;  // the latest of the other side's digests taken
    Mark digestSent_;               // this side's latest, sent with the next inputs
    std::uint32_t digestRepeats_ = 0;
    std::uint8_t epoch_ = 0;        // states the host has sent
    std::uint32_t floor_ = 0;       // digests up to here predate the last state taken
    bool awaitingState_ = false;
    std::uint32_t desyncs_ = 0;
    std::uint32_t lastDesyncStep_ = 0;
    std::string lastReport_;
    bool broken_ = false;

    State agreed_;                  // the last state both digests agreed on
    std::uint32_t agreedStep_ = 0;
    State candidate_;               // the state of the last own digest
    std::uint32_t candidateStep_ = 0;
    State incoming_;                // the decoder's scratch for a state packet
    State pending_;                 // the host's state, until adopted
    std::uint32_t pendingStep_ = 0;
    std::uint8_t pendingEpoch_ = 0;
    bool hasPending_ = false;
};

} // namespace net
} // namespace tessaron
