// The one decoder: every check at its limit and one past it, each packet
// type where it is expected and where it is not; then a fuzz of a million
// random and mutated packets, every one either refused or canonical (it
// encodes back to the very bytes received, so every field was read from
// its place) and inside the window.
#include <gtest/gtest.h>

#include <random>

#include "net/protocol.h"
#include "stub_state.h"

namespace tessaron {
namespace net {
namespace {
using Bytes = std::vector<std::uint8_t>;
using testing_support::StubState;

bool readStub(void*, const std::uint8_t* bytes, std::size_t size, std::string& error) {
    StubState state;
    return StubState::deserialise(bytes, size, state, error);
}

// A receiver in the match at step 100: holds the other side's inputs
// through 98, has sent its own through 101, confirmed 95.
DecodeWindow playing(bool host = true) {
    DecodeWindow w;
    w.handshaking = false;
    w.host = host;
    w.received = 98;
    w.head = 100;
    w.sent = 101;
    w.confirmed = 95;
    w.readState = readStub;
    return w;
}

DecodeWindow handshake(bool host) {
    DecodeWindow w;
    w.host = host;
    return w;
}

Bytes input(std::uint32_t ack, std::uint32_t head, std::uint32_t first, Bytes keys) {
    return encodeInput(ack, head, -3, first, keys.data(), keys.size());
}

Bytes withVersionText(PacketType type, const std::string& text) {
    Bytes b{static_cast<std::uint8_t>(type), 'T', 'S', 'R', 'N', 1, 0, static_cast<std::uint8_t>(text.size())};
    for (char c : text) b.push_back(static_cast<std::uint8_t>(c));
    return b;
}

Bytes cut(Bytes b, int change) {
    if (change < 0) b.resize(b.size() - static_cast<std::size_t>(-change));
    else b.insert(b.end(), static_cast<std::size_t>(change), 0);
    return b;
}

Versions version(const std::string& game) { return {ProtocolVersion, game}; }

TEST(Decoder, ChecksEveryFieldAtItsLimitAndOnePast) {
    const std::uint32_t lastAhead = 100 + MaxRemoteAhead;
    const Bytes stub = StubState().serialise();
    const Bytes big(MaxStateBytes + 1, 0);
    struct Row {
        const char* what;
        Bytes bytes;
        DecodeWindow window;
        bool accepted;
        const char* error = "";  // where a later check would refuse it too: the first check's words
    };
    const Row rows[] = {
        {"hello to the host", encodeHello(version("0.9.0")), handshake(true), true},
        {"hello to a joiner", encodeHello(version("0.9.0")), handshake(false), false},
        {"hello in the match", encodeHello(version("0.9.0")), playing(), false},
        {"welcome to the joiner", encodeWelcome(version("0.9.0"), 7, 5), handshake(false), true},
        {"welcome to the host", encodeWelcome(version("0.9.0"), 7, 3), handshake(true), false},
        {"rounds to win 1", encodeWelcome(version("x"), 7, 1), handshake(false), true},
        {"rounds to win 0", encodeWelcome(version("x"), 7, 0), handshake(false), false},
        {"rounds to win 6", encodeWelcome(version("x"), 7, 6), handshake(false), false},
        {"refusal to the joiner", encodeRefuse(RefuseReason::Busy, version("1")), handshake(false), true},
        {"refusal in the match", encodeRefuse(RefuseReason::Busy, version("1")), playing(false), false},
        {"version text of 31", withVersionText(PacketType::Hello, std::string(31, 'v')), handshake(true), true},
        {"version text of 32", withVersionText(PacketType::Hello, std::string(32, 'v')), handshake(true), false},
        {"empty version text", withVersionText(PacketType::Hello, ""), handshake(true), false},
        {"unprintable version", withVersionText(PacketType::Hello, "0.9\n"), handshake(true), false},
        {"version past the printable", withVersionText(PacketType::Hello, "0.9\x7f"), handshake(true), false},
        {"wrong magic", {1, 'T', 'S', 'R', 'X', 1, 0, 1, '1'}, handshake(true), false},
        {"input before the handshake", input(0, 0, 1, {}), handshake(true), false},
        {"32 inputs", input(101, 100, 90, Bytes(32, 1)), playing(), true},
        {"33 inputs", input(101, 100, 90, Bytes(33, 1)), playing(), false},
        {"no inputs", input(101, 100, 99, {}), playing(), true},
        {"inputs right after the last held", input(101, 100, 99, {1}), playing(), true},
        {"inputs leaving a gap", input(101, 100, 100, {1}), playing(), false},
        {"inputs from step 0", input(101, 100, 0, {1}), playing(), false},
        {"inputs up to the window's end", input(101, 100, 99, Bytes(lastAhead - 98, 1)), playing(), true},
        {"inputs one past the window", input(101, 100, 99, Bytes(lastAhead - 97, 1)), playing(), false},
        {"acknowledges the last sent", input(101, 100, 99, {}), playing(), true},
        {"acknowledges one not sent", input(102, 100, 99, {}), playing(), false},
        {"runs the prediction window ahead", input(101, 109, 99, {}), playing(), true},
        {"runs one past it", input(101, 110, 99, {}), playing(), false},
        {"all key bits", input(101, 100, 99, {SideKeyMask}), playing(), true},
        {"an unknown key bit", input(101, 100, 99, {0x80}), playing(), false},
        {"digest at a second", encodeDigest(100, 0, 5), playing(), true},
        {"digest between seconds", encodeDigest(101, 0, 5), playing(), false},
        {"digest of step 0", encodeDigest(0, 0, 5), playing(), false},
        {"digest as old as kept", encodeDigest(25, 0, 5), [] { auto w = playing(); w.confirmed = 125; return w; }(), true},
        {"digest one step older", encodeDigest(25, 0, 5), [] { auto w = playing(); w.confirmed = 126; return w; }(), false},
        {"digest far ahead", encodeDigest(lastAhead / 25 * 25 + 25, 0, 5), playing(), false},
        {"state to the joiner", encodeState(95, 1, stub), playing(false), true},
        {"state to the host", encodeState(95, 1, stub), playing(true), false},
        {"state the reader refuses", encodeState(95, 1, Bytes(16, 1)), playing(false), false},
        {"state past the size limit", encodeState(95, 1, big), playing(false), false},
        {"empty state", encodeState(95, 1, {}), playing(false), false, "state of 0 bytes"},
        {"state far ahead", encodeState(lastAhead + 1, 1, stub), playing(false), false},
        {"state as old as kept", encodeState(1, 1, stub), [] { auto w = playing(false); w.confirmed = 257; return w; }(), true},
        {"state one step older", encodeState(1, 1, stub), [] { auto w = playing(false); w.confirmed = 258; return w; }(), false},
        {"goodbye in the match", encodeBye(ByeReason::Flooding, 120), playing(), true},
        {"goodbye in the handshake", encodeBye(ByeReason::Quit, 0), handshake(false), true},
        {"a byte short", cut(encodeDigest(100, 0, 5), -1), playing(), false},
        {"a byte long", cut(encodeDigest(100, 0, 5), 1), playing(), false},
        {"short input keys", cut(input(101, 100, 99, {1, 2}), -1), playing(), false},
        {"long hello", cut(encodeHello(version("1")), 1), handshake(true), false},
        {"unknown type 8", {8, 0, 0, 0}, playing(), false, "unknown packet type 8"},
        {"type 0", {0}, playing(), false},
        {"empty", {}, playing(), false},
        {"larger than any packet", Bytes(MaxPacketBytes + 1, 6), playing(false), false, "packet of "},
    };
    for (const Row& row : rows) {
        Packet packet;
        std::string error;
        EXPECT_EQ(decodePacket(row.bytes.data(), row.bytes.size(), row.window, packet, error), row.accepted)
            << row.what << ": " << error;
        EXPECT_EQ(error.empty(), row.accepted) << row.what;
        EXPECT_NE(error.find(row.error), std::string::npos) << row.what << ": " << error;
    }
    // The last byte of a refusal's reason and a goodbye's reason, one past.
    Bytes refuse = encodeRefuse(RefuseReason::Protocol, version("1"));
    refuse[1] = 4;
    Bytes bye = encodeBye(ByeReason::Flooding, 0);
    bye[1] = 5;
    Packet packet;
    std::string error;
    EXPECT_FALSE(decodePacket(refuse.data(), refuse.size(), handshake(false), packet, error));
    EXPECT_FALSE(decodePacket(bye.data(), bye.size(), playing(), packet, error));
}

// Re-encodes a decoded packet: an accepted packet must be canonical.
Bytes reencode(const Packet& p, const Bytes& received) {
    switch (p.type) {
    case PacketType::Hello: return encodeHello(p.versions);
    case PacketType::Welcome: return encodeWelcome(p.versions, p.seed, p.roundsToWin);
    case PacketType::Refuse: return encodeRefuse(p.refuse, p.versions);
    case PacketType::Input: return encodeInput(p.ack, p.head, p.advantage, p.first, p.keys.data(), p.keys.size());
    case PacketType::Digest: return encodeDigest(p.step, p.epoch, p.digest);
    case PacketType::State: return encodeState(p.step, p.epoch, Bytes(received.begin() + 6, received.end()));
    case PacketType::Bye: return encodeBye(p.bye, p.step);
    }
    return {};
}

// A million packets: valid ones of every type, mutated (bits flipped,
// bytes set, cut short, lengthened, spliced) or random, against random
// windows.  None may crash or read out of bounds (the sanitizer build runs
// this); every accepted one must be canonical and inside its window.
TEST(Decoder, FuzzOfAMillionPackets) {
    std::mt19937 rng(20240520);
    auto any = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    std::uint64_t accepted = 0;
    for (int i = 0; i < 1000000; ++i) {
        DecodeWindow w;
        w.handshaking = any(4) == 0;
        w.host = any(2) == 0;
        w.head = any(4) ? any(400) : rng();
        w.received = w.head >= 20 ? w.head - any(20) : 0;
        w.sent = w.head + any(6);
        w.confirmed = w.head >= 8 ? w.head - any(8) : 0;
        w.readState = readStub;
        Bytes keys(any(40));
        for (auto& k : keys) k = static_cast<std::uint8_t>(any(8) ? rng() & SideKeyMask : rng());
        Bytes b;
        switch (any(8)) {
        case 0: b = encodeHello(version(std::string(1 + any(34), static_cast<char>(' ' + any(96))))); break;
        case 1: b = encodeWelcome(version("0.9.0"), rng(), static_cast<std::uint8_t>(any(7))); break;
        case 2: b = encodeRefuse(static_cast<RefuseReason>(any(5)), version("0.9.0")); break;
        case 3: b = encodeInput(w.sent - any(4), w.sent + any(12), static_cast<std::int8_t>(rng()),
                                w.received + 1 - any(3), keys.data(), keys.size()); break;
        case 4: b = encodeDigest((w.head / 25 + any(3)) * 25 - any(2), static_cast<std::uint8_t>(rng()), rng()); break;
        case 5: b = encodeState(w.confirmed + any(5), 1, any(3) ? StubState().serialise() : Bytes(any(64), 0)); break;
        case 6: b = encodeBye(static_cast<ByeReason>(any(6)), w.head + any(40)); break;
        default: b.resize(any(48)); for (auto& c : b) c = static_cast<std::uint8_t>(rng()); break;
        }
        for (std::uint32_t m = any(4); m > 0 && !b.empty(); --m) {
            switch (any(5)) {
            case 0: b[any(static_cast<std::uint32_t>(b.size()))] ^= static_cast<std::uint8_t>(1u << any(8)); break;
            case 1: b[any(static_cast<std::uint32_t>(b.size()))] = static_cast<std::uint8_t>(rng()); break;
            case 2: b.resize(any(static_cast<std::uint32_t>(b.size()))); break;
            case 3: b.push_back(static_cast<std::uint8_t>(rng())); break;
            default: b[0] = static_cast<std::uint8_t>(1 + any(8)); break;
            }
        }
        // Decoded from a copy of exactly its size, so any read past the end
        // is caught.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[b.size() + 1]);
        std::copy(b.begin(), b.end(), exact.get());
        Packet p;
        std::string error;
        if (!decodePacket(b.empty() ? nullptr : exact.get(), b.size(), w, p, error)) {
            ASSERT_FALSE(error.empty());
            continue;
        }
        ++accepted;
        ASSERT_EQ(reencode(p, b), b) << "case " << i;
        if (p.type == PacketType::Input) {
            ASSERT_TRUE(p.first >= 1 && p.first <= w.received + 1ull && p.ack <= w.sent && p.keys.size() <= 32);
            for (std::uint8_t k : p.keys) ASSERT_EQ(k & ~SideKeyMask, 0);
        }
    }
    // Enough of the cases are well formed for the checks above to bite.
    EXPECT_GT(accepted, 40000u);
}

} // namespace
} // namespace net
} // namespace tessaron
