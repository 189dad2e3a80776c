#include "net/online_play.h"

#include <cstdio>
#include <ctime>
#include <utility>

namespace tessaron {
namespace net {
namespace {

// The host draws each match's seed from the clock.
std::uint32_t clockSeed() { return static_cast<std::uint32_t>(std::time(nullptr)) * 2654435761u ^ nowMs(); }

} // namespace

OnlinePlay::OnlinePlay(const OnlineSettings& settings) : settings_(settings) {
    link_.seed = clockSeed();
    link_.roundsToWin = settings.roundsToWin;
    start();
    updateLines();
}

OnlinePlay::~OnlinePlay() { leave(); }

bool OnlinePlay::hosting() const { return settings_.host.empty(); }

void OnlinePlay::start() {
    std::string error;
    const auto port = static_cast<std::uint16_t>(settings_.port);
    if (hosting() ? link_.listen(port, "", error) : link_.join(settings_.host, port, error)) return;
    // A port in use, say: tried again in a while.
    problem_ = error;
    retrying_ = true;
    retryAt_ = nowMs() + RetryMs;
}

void OnlinePlay::poll() {
    if (retrying_ && static_cast<std::int32_t>(nowMs() - retryAt_) >= 0) {
        retrying_ = false;
        start();
    }
    std::vector<LinkEvent> events;
    link_.poll(0, events);
    // Handling may add an event (a peer cut off for bad data).
    for (std::size_t i = 0; i < events.size(); ++i) {
        const LinkEvent event = std::move(events[i]);
        handle(event, events);
    }
    updateLines();
}

void OnlinePlay::handle(const LinkEvent& event, std::vector<LinkEvent>& events) {
    switch (event.kind) {
    case LinkEventKind::Connected: {
        side_ = hosting() ? 0 : 1;
        MatchState start = onlineStart(settings_.screenWidth, settings_.screenHeight, event.seed, event.roundsToWin);
        presentOnline(start, side_);
        OnlineMatch::Settings settings;
        settings.localSide = side_;
        settings.inputDelay = settings_.inputDelay;
        settings.reportFolder = settings_.reportFolder;
        settings.hooks = onlineHooks();
        match_.reset(new OnlineMatch(link_, start, settings));
        ended_.reset();
        problem_.clear();
        told_.clear();
        desyncsShown_ = 0;
        link_.seed = clockSeed();  // for the next opponent
        break;
    }
    case LinkEventKind::Refused:
        tell(event.text);
        if (!hosting()) problem_ = event.text;
        break;
    case LinkEventKind::Failed:
        problem_ = event.text;
        break;
    case LinkEventKind::Data: {
        std::string error;
        if (match_ && !match_->receive(event.bytes, error)) link_.drop(ByeReason::Malformed, error, events);
        break;
    }
    case LinkEventKind::Left:
        matchEnded(event.text);
        break;
    }
    // A joiner without a host tries again in a while.
    if (!hosting() && !link_.playing() && !match_ && !retrying_ && !link_.joining()) {
        retrying_ = true;
        retryAt_ = nowMs() + RetryMs;
    }
}

// The other side left or fell silent: the remaining player is credited the
// match, which stays on screen for a moment.
void OnlinePlay::matchEnded(const std::string& why) {
    if (!match_) return;
    ended_.reset(new MatchState(match_->engine().head()));
    ++ended_->matchesWon[side_];
    match_.reset();
    tell(why + ": you win the match");
}

bool OnlinePlay::tick(const LiveInput& live, StepEvents& events) {
    if (live.keys[ScanEsc] && live.keys[ScanLShift]) {
        leave();
        return false;
    }
    if (!match_) return false;
    if (match_->broken()) {
        link_.leave(ByeReason::Malformed, match_->engine().confirmedStep());
        matchEnded("The host's state could not be taken");
        return false;
    }
    const OnlineMatch::TickResult result = match_->tick(onlineInput(match_->engine().head(), live, side_));
    if (match_->desyncs() > desyncsShown_) {
        desyncsShown_ = match_->desyncs();
        tell("Out of sync at step " + std::to_string(match_->lastDesyncStep()) + ": the host's match goes on" +
             (match_->lastReport().empty() ? "" : " (report: " + match_->lastReport() + ")"));
    }
    if (!result.ran) return false;
    events = result.events;
    if (events.quit) leave();
    return true;
}

void OnlinePlay::leave() {
    if (quit_) return;
    quit_ = true;
    link_.leave(ByeReason::Quit, match_ ? match_->engine().confirmedStep() : 0);
    match_.reset();
}

const MatchState* OnlinePlay::shown() const {
    if (match_) return &match_->engine().head();
    return ended_ && nowMs() - toldAt_ < NoticeMs ? ended_.get() : nullptr;
}

// A passing line, on screen for a while and on standard error for good.
void OnlinePlay::tell(const std::string& text) {
    told_ = text;
    toldAt_ = nowMs();
    std::fprintf(stderr, "Tessaron: %s\n", text.c_str());
}

std::string OnlinePlay::waitingLine() const {
    if (hosting()) return "Waiting for an opponent on UDP port " + std::to_string(settings_.port);
    return "Connecting to " + settings_.host + ":" + std::to_string(settings_.port);
}

void OnlinePlay::updateLines() {
    const std::uint32_t now = nowMs();
    if (now - roundTripShownAt_ >= 1000) {  // the figure changes once a second at most
        roundTripShownAt_ = now;
        roundTrip_ = link_.roundTripMs();
    }
    if (match_) {
        status_ = "Online: you play board " + std::to_string(side_ + 1) + ", round trip " +
                  std::to_string(roundTrip_) + " ms, input delay " + std::to_string(settings_.inputDelay);
    } else {
        status_ = "Online: " + (hosting() ? "hosting on UDP port " + std::to_string(settings_.port)
                                          : "joining " + settings_.host + ":" + std::to_string(settings_.port));
        if (!problem_.empty()) status_ += " (" + problem_ + ")";
    }
    if (!told_.empty() && now - toldAt_ < NoticeMs) notice_ = told_;
    else if (match_) notice_ = match_->waitingMs() > ShowWaitMs ? "Waiting for Opponent" : "";
    else notice_ = waitingLine();
}

} // namespace net
} // namespace tessaron
