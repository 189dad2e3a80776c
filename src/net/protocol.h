// The online match's wire protocol: the packets two machines exchange, their
// encoders, and the one decoder every received packet goes through before
// anything else reads it.  The decoder checks the type, the exact length,
// every step number against the receiver's window, every key bit, the
// version texts and, through the caller's bounded reader, a serialised match
// state; anything else is refused with a one-line reason (the peer is then
// disconnected).  All numbers are little-endian.  No ENet, no Allegro; any
// thread, no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaron {
namespace net {

// Raised whenever the packets or their meaning change; both sides must agree.
constexpr std::uint16_t ProtocolVersion = 1;
// The game's version as both sides show it (the project's version number).
const char* gameVersion();

// The first four bytes of the handshake packets.
constexpr std::uint8_t Magic[4] = {'T', 'S', 'R', 'N'};
constexpr std::size_t MaxVersionText = 31;

// Steps the local side may run on predicted input before it waits.
constexpr std::uint32_t MaxPrediction = 8;
// Steps between a key press and the step it acts in.
constexpr int MaxInputDelay = 4;
constexpr int DefaultInputDelay = 1;
// Inputs one packet may carry: every one not yet acknowledged, oldest first.
constexpr std::uint32_t MaxInputsPerPacket = 32;
// How far past the receiver's own latest step the sender's inputs may
// reach: both input delays and the prediction window, with room to spare.
constexpr std::uint32_t MaxRemoteAhead = 2 * MaxInputDelay + MaxPrediction + 8;
// Confirmed steps between two digest exchanges (one second).
constexpr std::uint32_t DigestInterval = 25;
// Packets that carry each digest: it goes unreliably, again with each of the
// next inputs, so that neither a lost packet nor ENet's ever longer waits
// to resend delay its comparison.
constexpr std::uint32_t DigestRepeats = 8;
// How far a digest may trail the receiver's confirmed step: it is at most
// DigestRepeats steps old when sent, and sent with inputs the receiver
// cannot confirm past by more than the prediction window and the delays.
constexpr std::uint32_t MaxDigestAge = 4 * DigestInterval;
// How far the step of a state the host sends may trail the joiner's
// confirmed step: the confirmed inputs kept to run the steps since again.
constexpr std::uint32_t MaxStateAge = 256;
// The largest serialised match state a packet may carry.
constexpr std::size_t MaxStateBytes = 48 * 1024;
// The largest packet of this protocol (a state with its header).
constexpr std::size_t MaxPacketBytes = MaxStateBytes + 16;
// The bits of a side's keys (left, right, soft drop, hard drop, turn, drop
// extra blocks, pause); any other bit makes an input packet malformed.
constexpr std::uint8_t SideKeyMask = 0x7f;

enum class PacketType : std::uint8_t {
    Hello = 1,    // joiner -> host: versions
    Welcome = 2,  // host -> joiner: versions, seed, rounds to win
    Refuse = 3,   // either way: why no match starts, with the sender's versions
    Input = 4,    // either way, unreliable: acknowledgement, timing, inputs
    Digest = 5,   // either way, unreliable: the confirmed state's digest at a step
    State = 6,    // host -> joiner after a mismatch: the host's confirmed state
    Bye = 7,      // either way: the sender ends the match, and why
};

enum class RefuseReason : std::uint8_t {
    Version = 1,   // protocol or game versions differ
    Busy = 2,      // the host is playing with someone else
    Protocol = 3,  // the first packet was not a handshake
};

enum class ByeReason : std::uint8_t {
    Quit = 1,       // the player left (Q, Shift+Escape, the window closed)
    Finished = 2,   // a headless run reached its last step
    Malformed = 3,  // the other side sent something the decoder refused
    Flooding = 4,   // the other side sent more than the limits allow
};

// The sender's versions, in the handshake packets and refusals.
struct Versions {
    std::uint16_t protocol = ProtocolVersion;
    std::string game;  // 1..MaxVersionText printable characters
};

// One decoded packet; only the fields of its type are set.
struct Packet {
    PacketType type = PacketType::Hello;
    Versions versions;                  // Hello, Welcome, Refuse
    std::uint32_t seed = 0;             // Welcome
    std::uint8_t roundsToWin = 0;       // Welcome: 1..5
    RefuseReason refuse = RefuseReason::Protocol;
    std::uint32_t ack = 0;              // Input: the last of the receiver's inputs the sender holds
    std::uint32_t head = 0;             // Input: the sender's latest step run
    std::int8_t advantage = 0;          // Input: the sender's lead over the receiver, in steps
    std::uint32_t first = 0;            // Input: the step of keys[0]
    std::vector<std::uint8_t> keys;     // Input: the sender's side keys from `first` on
    std::uint32_t step = 0;             // Digest, State, Bye (Bye: the sender's last confirmed step)
    std::uint64_t digest = 0;           // Digest
    std::uint8_t epoch = 0;             // Digest, State: states the host has sent so far
    ByeReason bye = ByeReason::Quit;    // Bye
};

// Checks a serialised match state and keeps it for the caller; the decoder
// calls it for a State packet.  False with the reason when it is refused.
using StateReader = bool (*)(void* context, const std::uint8_t* bytes, std::size_t size, std::string& error);

// What the receiver knows when a packet arrives: which packets it expects
// and the window its step numbers must fall in.
struct DecodeWindow {
    bool handshaking = true;     // only handshake packets (and Bye) are expected
    bool host = true;            // the receiver hosts: it takes Hello, never Welcome or State
    std::uint32_t received = 0;  // the last step of the sender's inputs held, all before it too
    std::uint32_t head = 0;      // the receiver's latest step run
    std::uint32_t sent = 0;      // the last step of the receiver's own inputs sent so far
    std::uint32_t confirmed = 0; // the receiver's last confirmed step
    StateReader readState = nullptr;
    void* stateContext = nullptr;
};

// The one decoder: fills `out` and returns true, or returns false with the
// reason in `error` (`out` is then unspecified).
bool decodePacket(const std::uint8_t* bytes, std::size_t size, const DecodeWindow& window, Packet& out,
                  std::string& error);

// Encoders: each returns the packet's bytes.
std::vector<std::uint8_t> encodeHello(const Versions& versions);
std::vector<std::uint8_t> encodeWelcome(const Versions& versions, std::uint32_t seed, std::uint8_t roundsToWin);
std::vector<std::uint8_t> encodeRefuse(RefuseReason reason, const Versions& versions);
std::vector<std::uint8_t> encodeInput(std::uint32_t ack, std::uint32_t head, std::int8_t advantage,
                                      std::uint32_t first, const std::uint8_t* keys, std::size_t count);
std::vector<std::uint8_t> encodeDigest(std::uint32_t step, std::uint8_t epoch, std::uint64_t digest);
std::vector<std::uint8_t> encodeState(std::uint32_t step, std::uint8_t epoch, const std::vector<std::uint8_t>& state);
std::vector<std::uint8_t> encodeBye(ByeReason reason, std::uint32_t lastStep);

// The message a player reads for a refusal; `local` are this side's versions,
// `remote` the other side's.
std::string refusalText(RefuseReason reason, const Versions& local, const Versions& remote);
// "game 0.9.0, protocol 1".
std::string versionText(const Versions& versions);

} // namespace net
} // namespace tessaron
