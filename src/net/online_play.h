// Online play as the game runs it ([Game] opponent = 3): this machine hosts
// and waits for an opponent, or joins a host and keeps trying until it
// answers; then a match runs over the link (net/online.h), and when the
// other side leaves or falls silent the remaining player is credited the
// match and the host waits for a new opponent, the joiner tries again.  It
// says what is going on in two lines for the frame: a status line and a
// notice ("Waiting for an opponent on UDP port 7340", "Waiting for
// Opponent", "Out of sync ...", who left); what happens is also written to
// standard error.
//
// Never blocks: a pass services the network without waiting, and quitting
// says goodbye within a quarter second.  The game's main thread; failures
// are shown as notices, never fatal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/online.h"

namespace tessaron {
namespace net {

// The [Net] settings and what the match needs of the game's.
struct OnlineSettings {
    bool on = false;          // [Game] opponent = 3
    std::string host;         // [Net] host: "" hosts on this machine
    int port = DefaultPort;   // [Net] port
    int inputDelay = DefaultInputDelay;  // [Net] input_delay, 0..MaxInputDelay
    int roundsToWin = 3;      // the host's [Game] rounds_to_win
    int screenWidth = 1024, screenHeight = 768;
    std::string reportFolder = "reports";
};

class OnlinePlay {
public:
    // How long a line about something that happened stays on screen.
    static constexpr std::uint32_t NoticeMs = 4000;
    // A joiner's pause between two attempts.
    static constexpr std::uint32_t RetryMs = 2000;
    // A wait for the other side longer than this is shown.
    static constexpr std::uint32_t ShowWaitMs = 500;

    explicit OnlinePlay(const OnlineSettings& settings);
    ~OnlinePlay();
    OnlinePlay(const OnlinePlay&) = delete;
    OnlinePlay& operator=(const OnlinePlay&) = delete;

    // Services the network once, without waiting.
    void poll();
    // One owed tick with the keys held now: a step of the match runs (its
    // events in `events`, true) or waits (false); Shift+Escape quits at once.
    bool tick(const LiveInput& live, StepEvents& events);
    // Quits: a match in progress is left with a goodbye.
    void leave();

    // The match to draw: the one being played, or for a moment the one
    // just ended; null while waiting for an opponent.
    const MatchState* shown() const;
    // The two lines over the frame ("" for none).
    const std::string& status() const { return status_; }
    const std::string& notice() const { return notice_; }
    bool quitRequested() const { return quit_; }

private:
    bool hosting() const;
    void start();
    void handle(const LinkEvent& event, std::vector<LinkEvent>& events);
    void matchEnded(const std::string& why);
    void updateLines();
    std::string waitingLine() const;
    void tell(const std::string& text);

    OnlineSettings settings_;
    Link link_;
    std::unique_ptr<OnlineMatch> match_;
    std::unique_ptr<MatchState> ended_;  // the last match, shown for a moment
    int side_ = 0;
    bool quit_ = false;
    std::string problem_;         // why the last attempt or match ended
    std::uint32_t toldAt_ = 0;
    std::string told_;            // a passing line: who left, a desync, a refusal
    std::uint32_t retryAt_ = 0;
    bool retrying_ = false;
    std::uint32_t desyncsShown_ = 0;
    std::uint32_t roundTripShownAt_ = 0;
    std::uint32_t roundTrip_ = 0;
    std::string status_, notice_;
};

} // namespace net
} // namespace tessaron
