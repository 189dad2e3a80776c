// tessaron-sim's online side: one peer of a match over the network (ENet,
// rollback), driven by its script at one step per --net-step-ms, writing
// the trace of its confirmed steps.  The host listens on the loopback only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "net/online.h"
#include "sim.h"

namespace tessaron {
namespace sim {
namespace {

// The trace of confirmed steps, up to the run's last step, and the summary
// of the last step kept.
struct ConfirmedTrace {
    std::FILE* out = nullptr;
    MessagesAdded before;
    std::uint64_t limit = 0;    // the last step the run keeps
    std::uint64_t written = 0;  // the last step kept
    bool quit = false;          // the run ends at a quit of this side
    Summary summary;

    static void hear(void* self, std::uint32_t step, const MatchState& state, const StepEvents& events) {
        auto* t = static_cast<ConfirmedTrace*>(self);
        if (step > t->limit) return;
        if (t->out && !std::ferror(t->out)) writeTrace(t->out, step, state, events.sounds, t->before);
        t->before = messagesAdded(state);
        t->written = step;
        Summary& s = t->summary;
        s.score = state.players[0].score;
        s.roundsLost = state.roundsLost;
        s.draws = state.random.draws();
        for (int side = 0; side < 2; ++side) {
            s.roundsWon[side] = state.boards[side].roundsWon;
            s.matchesWon[side] = state.matchesWon[side];
        }
        if (events.quit) {
            t->quit = true;
            t->limit = step;
        }
    }
};

// The script's keys held at each step, read in step order.
class ScriptCursor {
public:
    explicit ScriptCursor(const std::vector<ScriptLine>& script) : script_(script) {}
    const std::vector<int>* at(std::uint64_t step) {
        while (next_ < script_.size() && script_[next_].step <= step) held_ = &script_[next_++].keys;
        return held_;
    }

private:
    const std::vector<ScriptLine>& script_;
    std::size_t next_ = 0;
    const std::vector<int>* held_ = nullptr;
};

// Waits for the handshake: true with the seed and rounds to win, or false
// with the reason.
bool connect(const Options& o, net::Link& link, std::uint32_t& seed, int& rounds, std::string& message) {
    std::string error;
    if (o.netRole == 1 ? !link.listen(static_cast<std::uint16_t>(o.netPort), "127.0.0.1", error)
                       : !link.join(o.netHost, static_cast<std::uint16_t>(o.netPort), error)) {
        message = error;
        return false;
    }
    // A host asked for port 0 says which one it got (tests run in parallel).
    if (o.netRole == 1 && o.netPort == 0) {
        std::fprintf(stderr, "tessaron-sim: listening on UDP port %u\n", link.port());
        std::fflush(stderr);
    }
    const std::uint32_t started = net::nowMs();
    std::vector<net::LinkEvent> events;
    while (net::nowMs() - started < static_cast<std::uint32_t>(o.netWaitSeconds) * 1000u) {
        events.clear();
        link.poll(10, events);
        for (const net::LinkEvent& e : events) {
            if (e.kind == net::LinkEventKind::Connected) {
                seed = e.seed;
                rounds = e.roundsToWin;
                return true;
            }
            // A host turns away a third machine or garbage and waits on; a
            // refusal over versions ends both sides' runs.
            if (e.kind == net::LinkEventKind::Refused && (o.netRole == 2 || e.refusal == net::RefuseReason::Version)) {
                message = e.text;
                return false;
            }
            if (!o.quiet && e.kind != net::LinkEventKind::Data) std::fprintf(stderr, "tessaron-sim: %s\n", e.text.c_str());
            if (e.kind == net::LinkEventKind::Failed) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                link.join(o.netHost, static_cast<std::uint16_t>(o.netPort), error);
            }
        }
    }
    message = o.netRole == 1 ? "no opponent came within " + std::to_string(o.netWaitSeconds) + " s"
                             : "no host answered within " + std::to_string(o.netWaitSeconds) + " s";
    return false;
}

} // namespace

Summary runNet(const Options& o, const std::vector<ScriptLine>& script, std::FILE* trace, int& status,
               std::string& message) {
    net::Link link;
    if (!o.netGameVersion.empty()) link.versions.game = o.netGameVersion;
    link.seed = o.seed;
    link.roundsToWin = o.roundsToWin;
    std::uint32_t seed = 0;
    int rounds = 0;
    status = NetNoMatch;
    if (!connect(o, link, seed, rounds, message)) return Summary();

    const int side = o.netRole == 1 ? 0 : 1;
    const MatchState start = net::onlineStart(o.width, o.height, seed, rounds);
    net::OnlineMatch::Settings settings;
    settings.localSide = side;
    settings.inputDelay = o.inputDelay;
    settings.stepMs = o.netStepMs;
    settings.hooks = net::onlineHooks();
    net::OnlineMatch match(link, start, settings);
    ConfirmedTrace confirmed;
    confirmed.out = trace;
    confirmed.before = messagesAdded(start);
    confirmed.limit = o.steps;
    match.onConfirmed(&ConfirmedTrace::hear, &confirmed);
    ScriptCursor keys(script);

    const auto started = std::chrono::steady_clock::now();
    std::uint32_t next = net::nowMs();
    std::uint32_t endedAt = 0;
    bool ended = false;
    bool corrupted = false;
    std::vector<net::LinkEvent> events;
    status = 0;
    for (;;) {
        const std::int32_t wait = static_cast<std::int32_t>(next - net::nowMs());
        events.clear();
        link.poll(wait > 0 ? static_cast<std::uint32_t>(wait < 5 ? wait : 5) : 0, events);
        std::vector<net::LinkEvent> dropped;
        for (const net::LinkEvent& e : events) {
            std::string error;
            if (e.kind == net::LinkEventKind::Data && !match.receive(e.bytes, error))
                link.drop(net::ByeReason::Malformed, error, dropped);
        }
        events.insert(events.end(), dropped.begin(), dropped.end());
        const net::LinkEvent* left = nullptr;
        for (const net::LinkEvent& e : events) {
            if (e.kind == net::LinkEventKind::Left && !left) left = &e;
        }
        if (left) {
            // What the other side confirmed is known here too: run up to it.
            const std::uint64_t last = left->said ? std::min<std::uint64_t>(left->lastStep, confirmed.limit) : 0;
            for (std::uint32_t before = ~0u; match.engine().confirmedStep() < last &&
                                             before != match.engine().headStep();) {
                before = match.engine().headStep();
                match.tick(scriptKeys(keys.at(match.engine().headStep() + 1), side, true));
            }
            const bool finished = left->said && left->bye == net::ByeReason::Finished && confirmed.written >= o.steps;
            if (!finished) {
                status = NetOpponentLost;
                message = left->text + " at step " + std::to_string(left->said ? last : confirmed.written) +
                          ": the match is credited to board " + std::to_string(side + 1);
            }
            break;
        }
        if (match.broken()) {
            link.leave(net::ByeReason::Malformed, 0);
            status = NetOpponentLost;
            message = "the host's state could not be taken";
            break;
        }
        if (static_cast<std::int32_t>(net::nowMs() - next) >= 0) {
            next += static_cast<std::uint32_t>(o.netStepMs);
            match.tick(scriptKeys(keys.at(match.engine().headStep() + 1), side, true));
            if (o.netCorruptAt && !corrupted && match.engine().confirmedStep() >= o.netCorruptAt) {
                corrupted = true;
                match.engine().corrupt([](MatchState& s) { s.players[0].score += 1000; });
            }
        }
        // The run's end: once the other side holds every input up to it.
        if (confirmed.written >= confirmed.limit) {
            if (!ended) endedAt = net::nowMs();
            ended = true;
            if (match.acknowledged(static_cast<std::uint32_t>(confirmed.limit))) {
                link.leave(confirmed.quit ? net::ByeReason::Quit : net::ByeReason::Finished,
                           static_cast<std::uint32_t>(confirmed.limit));
                break;
            }
            if (net::nowMs() - endedAt > net::SilenceLimitMs) {
                link.leave(net::ByeReason::Finished, static_cast<std::uint32_t>(confirmed.limit));
                status = NetOpponentLost;
                message = "the other side never confirmed the last step";
                break;
            }
        }
    }

    Summary summary = confirmed.summary;
    summary.online = summary.versus = true;
    summary.steps = confirmed.written;
    summary.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (status == NetOpponentLost) ++summary.matchesWon[side];
    const auto& stats = match.engine().stats();
    NetSummary& n = summary.net;
    n.side = side;
    n.ticks = match.ticks();
    n.waited = match.waitedTicks();
    n.yields = match.yields();
    n.rollbacks = stats.rollbacks;
    n.depthSum = stats.depthSum;
    n.depthMax = stats.depthMax;
    n.rollbackSeconds = stats.rerunSeconds;
    n.sentBytes = link.bytesSent();
    n.receivedBytes = link.bytesReceived();
    n.desyncs = match.desyncs();
    return summary;
}

} // namespace sim
} // namespace tessaron
