// The network link of an online match, over ENet: the host listens and
// waits for one opponent, the joiner connects; the handshake agrees on the
// protocol and game versions, and the host tells the seed and the rounds to
// win.  ENet is held to tight limits: one opponent (and one more slot, only
// to turn a third machine away with a reason), small packets and little
// waiting data, bandwidth caps, 5 s of silence ends the link; a peer that
// sends more packets or bytes a second than a match needs is cut off as
// flooding.  Packets of the match itself are handed on raw, to be checked by
// the one decoder (net/protocol.h) with the match's window.
//
// Never blocks longer than asked: a joiner resolves a host name on a worker
// thread, and leaving waits at most a quarter of a second.  One thread uses
// a link; failures come back as events or as false with a reason.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "net/protocol.h"

typedef struct _ENetHost ENetHost;
typedef struct _ENetPeer ENetPeer;

namespace tessaron {
namespace net {

// The UDP port a host listens on unless told otherwise.
constexpr std::uint16_t DefaultPort = 7340;
// Silence after which the other side counts as gone, in milliseconds (in a
// match inputs arrive 25 times a second).
constexpr std::uint32_t SilenceLimitMs = 5000;
// Time one handshake may take, from the joiner's first try to the host's
// welcome: ENet resends a lost packet after ever longer waits, so a line
// that loses many packets needs some seconds.
constexpr std::uint32_t HandshakeMs = 15000;
// ENet's own limit for an unacknowledged reliable packet, kept out of the
// way: ENet pings twice a second while it hears no acknowledgement (and a
// match sends its inputs unreliably), and after each loss it waits twice
// as long to resend, so on a line losing 15 % a ping unanswered for many
// seconds happens within minutes while the inputs flow on.  The silence
// limit, counting every packet, decides when the other side is gone.
constexpr std::uint32_t EnetTimeoutMs = 600000;
// Per second, from the opponent: packets and bytes past these are flooding
// (a match sends about 27 packets a second; tests run steps of 5 ms).
constexpr std::uint32_t MaxPacketsPerSecond = 500;
constexpr std::uint32_t MaxBytesPerSecond = 2 * MaxPacketBytes;

enum class LinkEventKind {
    Connected,  // the handshake is done: a match starts
    Refused,    // no match: the other side (or this one) refused, `text` says why
    Failed,     // a joiner's attempt reached no host
    Data,       // a packet of the match, not yet decoded
    Left,       // the opponent is gone: `text` says how
};

struct LinkEvent {
    LinkEventKind kind = LinkEventKind::Data;
    std::vector<std::uint8_t> bytes;  // Data
    std::string text;                 // Refused, Failed, Left
    RefuseReason refusal = RefuseReason::Protocol;  // Refused
    std::uint32_t seed = 0;           // Connected
    int roundsToWin = 0;              // Connected
    ByeReason bye = ByeReason::Quit;  // Left, when the other side said why
    bool said = false;                // Left: the other side said goodbye
    std::uint32_t lastStep = 0;       // Left, when said: its last confirmed step
};

class Link {
public:
    Link();
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The versions this side announces (tests change them).
    Versions versions;
    // What a host tells its joiner.
    std::uint32_t seed = 0;
    int roundsToWin = 3;
    // How long a handshake may take.
    std::uint32_t attemptMs = HandshakeMs;

    // Hosts on `port` of `bindAddress` ("" for every interface).
    bool listen(std::uint16_t port, const std::string& bindAddress, std::string& error);
    // Starts (or restarts) joining `hostName`:`port`; a name is looked up on
    // a worker thread.
    bool join(const std::string& hostName, std::uint16_t port, std::string& error);

    // Services the network for at most `waitMs` milliseconds and appends
    // what happened to `events`.
    void poll(std::uint32_t waitMs, std::vector<LinkEvent>& events);

    // Sends a packet of the match: reliable and in order, or unreliable
    // (inputs, which every packet repeats).
    void send(const std::vector<std::uint8_t>& bytes, bool reliable);
    // Ends the match: says goodbye and why, waits at most a quarter second
    // for it to leave, and then (a host) waits for a new opponent.
    void leave(ByeReason reason, std::uint32_t lastStep);
    // Cuts off an opponent that broke the protocol; the event says why.
    void drop(ByeReason reason, const std::string& why, std::vector<LinkEvent>& events);

    bool hosting() const { return hosting_; }
    // A joiner's attempt (or its match) is under way.
    bool joining() const { return joining_; }
    bool playing() const { return playing_; }
    // The mean round trip to the opponent in milliseconds (0 when unknown).
    std::uint32_t roundTripMs() const;
    // UDP payload bytes sent and received since the link was made.
    std::uint64_t bytesSent() const;
    std::uint64_t bytesReceived() const;
    // The port a host listens on (the one asked for, or the one the
    // system chose for 0).
    std::uint16_t port() const;

private:
    void handleConnect(ENetPeer* peer, std::vector<LinkEvent>& events);
    void handleReceive(ENetPeer* peer, std::uint8_t channel, const std::uint8_t* data, std::size_t size,
                       std::vector<LinkEvent>& events);
    void handleDisconnect(ENetPeer* peer, std::vector<LinkEvent>& events);
    void handshakePacket(const std::uint8_t* data, std::size_t size, std::vector<LinkEvent>& events);
    bool countTraffic(std::size_t size);
    void refuse(ENetPeer* peer, RefuseReason reason);
    void endPeer(bool graceful);
    bool startConnect(std::string& error);
    void sendTo(ENetPeer* peer, const std::vector<std::uint8_t>& bytes, bool reliable);

    ENetHost* host_ = nullptr;
    ENetPeer* peer_ = nullptr;   // the opponent, or the host being joined
    bool hosting_ = false;
    bool playing_ = false;       // the handshake is done
    bool joining_ = false;
    std::uint16_t joinPort_ = 0;
    std::future<std::uint32_t> lookup_;  // a joiner's host address, network order (0: none)
    std::string joinName_;
    std::uint32_t attemptStarted_ = 0;
    std::uint32_t lastHeard_ = 0;
    std::uint32_t windowStart_ = 0;
    std::uint32_t windowPackets_ = 0;
    std::uint64_t windowBytes_ = 0;
};

// Milliseconds of a steady clock (wraps after 49 days; compare differences).
std::uint32_t nowMs();

} // namespace net
} // namespace tessaron
