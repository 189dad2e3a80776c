#include "net/protocol.h"

#include <cstdio>

namespace tessaron {
namespace net {
namespace {

class Writer {
public:
    explicit Writer(PacketType type) { bytes.push_back(static_cast<std::uint8_t>(type)); }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) { uint(v, 2); }
    void u32(std::uint32_t v) { uint(v, 4); }
    void u64(std::uint64_t v) { uint(v, 8); }
    void versions(const Versions& v) {
        for (std::uint8_t m : Magic) u8(m);
        u16(v.protocol);
        const std::size_t n = v.game.size() < MaxVersionText ? v.game.size() : MaxVersionText;
        u8(static_cast<std::uint8_t>(n));
        bytes.insert(bytes.end(), v.game.begin(), v.game.begin() + static_cast<std::ptrdiff_t>(n));
    }
    std::vector<std::uint8_t> bytes;

private:
    void uint(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
};

// Reads fields in order; any read past the end marks the packet short.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t uint(int n) {
        if (size_ - pos_ < static_cast<std::size_t>(n)) {
            short_ = true;
            return 0;
        }
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += static_cast<std::size_t>(n);
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(uint(1)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(uint(4)); }
    const std::uint8_t* take(std::size_t n) {
        if (size_ - pos_ < n) {
            short_ = true;
            return nullptr;
        }
        pos_ += n;
        return data_ + pos_ - n;
    }
    // Magic, protocol version and game version text.
    bool versions(Versions& v, std::string& error) {
        const std::uint8_t* magic = take(sizeof Magic);
        if (!magic) return false;
        for (std::size_t i = 0; i < sizeof Magic; ++i) {
            if (magic[i] != Magic[i]) {
                error = "not a Tessaron handshake";
                return false;
            }
        }
        v.protocol = static_cast<std::uint16_t>(uint(2));
        const std::uint8_t n = u8();
        const std::uint8_t* text = take(n);
        if (!text) return false;
        if (n == 0 || n > MaxVersionText) {
            error = "version text of " + std::to_string(n) + " bytes";
            return false;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (text[i] < ' ' || text[i] > '~') {
                error = "unprintable version text";
                return false;
            }
        }
        v.game.assign(reinterpret_cast<const char*>(text), n);
        return true;
    }
    bool isShort() const { return short_; }
    std::size_t left() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool short_ = false;
};

const char* typeName(PacketType type) {
    switch (type) {
    case PacketType::Hello: return "hello";
    case PacketType::Welcome: return "welcome";
    case PacketType::Refuse: return "refusal";
    case PacketType::Input: return "input";
    case PacketType::Digest: return "digest";
    case PacketType::State: return "state";
    case PacketType::Bye: return "goodbye";
    }
    return "?";
}

bool fail(std::string& error, const std::string& text) {
    error = text;
    return false;
}

std::string stepText(std::uint32_t step) { return "step " + std::to_string(step); }

// The body of each type; the reader then must be at the end.
bool decodeBody(Reader& in, PacketType type, const DecodeWindow& w, Packet& out, std::string& error) {
    const std::uint64_t lastAhead = static_cast<std::uint64_t>(w.head) + MaxRemoteAhead;
    switch (type) {
    case PacketType::Hello:
        return in.versions(out.versions, error) || in.isShort();
    case PacketType::Welcome:
        if (!in.versions(out.versions, error)) return in.isShort();
        out.seed = in.u32();
        out.roundsToWin = in.u8();
        if (!in.isShort() && (out.roundsToWin < 1 || out.roundsToWin > 5))
            return fail(error, "rounds to win " + std::to_string(out.roundsToWin));
        return true;
    case PacketType::Refuse: {
        const std::uint8_t reason = in.u8();
        if (!in.isShort() && (reason < 1 || reason > 3)) return fail(error, "refusal reason " + std::to_string(reason));
        out.refuse = static_cast<RefuseReason>(reason);
        return in.versions(out.versions, error) || in.isShort();
    }
    case PacketType::Input: {
        out.ack = in.u32();
        out.head = in.u32();
        out.advantage = static_cast<std::int8_t>(in.u8());
        out.first = in.u32();
        const std::uint8_t count = in.u8();
        const std::uint8_t* keys = in.take(count);
        if (!keys) return true;  // short: reported by the caller
        if (count > MaxInputsPerPacket) return fail(error, std::to_string(count) + " inputs in one packet");
        if (out.ack > w.sent) return fail(error, "acknowledges " + stepText(out.ack) + ", not sent yet");
        if (out.head > static_cast<std::uint64_t>(w.sent) + MaxPrediction)
            return fail(error, "runs " + stepText(out.head) + ", too far ahead");
        if (out.first == 0 || out.first > static_cast<std::uint64_t>(w.received) + 1)
            return fail(error, "inputs from " + stepText(out.first) + " leave a gap");
        if (count > 0 && out.first + static_cast<std::uint64_t>(count) - 1 > lastAhead)
            return fail(error, "inputs up to " + stepText(out.first + count - 1) + " outside the window");
        for (std::uint8_t i = 0; i < count; ++i) {
            if (keys[i] & ~SideKeyMask) return fail(error, "key bits " + std::to_string(keys[i]));
        }
        out.keys.assign(keys, keys + count);
        return true;
    }
    case PacketType::Digest:
        out.step = in.u32();
        out.epoch = in.u8();
        out.digest = in.uint(8);
        if (in.isShort()) return true;
        if (out.step == 0 || out.step % DigestInterval != 0 || out.step > lastAhead ||
            static_cast<std::uint64_t>(out.step) + MaxDigestAge < w.confirmed)
            return fail(error, "digest of " + stepText(out.step) + " outside the window");
        return true;
    case PacketType::State: {
        out.step = in.u32();
        out.epoch = in.u8();
        const std::size_t size = in.left();
        const std::uint8_t* state = in.take(size);
        if (in.isShort()) return true;
        if (out.step > lastAhead || static_cast<std::uint64_t>(out.step) + MaxStateAge < w.confirmed)
            return fail(error, "state of " + stepText(out.step) + " outside the window");
        if (size == 0 || size > MaxStateBytes) return fail(error, "state of " + std::to_string(size) + " bytes");
        std::string why;
        if (!w.readState || !w.readState(w.stateContext, state, size, why)) return fail(error, "bad state: " + why);
        return true;
    }
    case PacketType::Bye: {
        const std::uint8_t reason = in.u8();
        out.step = in.u32();
        if (in.isShort()) return true;
        if (reason < 1 || reason > 4) return fail(error, "goodbye reason " + std::to_string(reason));
        out.bye = static_cast<ByeReason>(reason);
        if (out.step > lastAhead) return fail(error, "goodbye at " + stepText(out.step) + " outside the window");
        return true;
    }
    }
    return fail(error, "unknown packet");
}

} // namespace

const char* gameVersion() { return TESSARON_VERSION; }

bool decodePacket(const std::uint8_t* bytes, std::size_t size, const DecodeWindow& w, Packet& out,
                  std::string& error) {
    out = Packet();
    if (!bytes || size == 0) return fail(error, "empty packet");
    if (size > MaxPacketBytes) return fail(error, "packet of " + std::to_string(size) + " bytes");
    const std::uint8_t type = bytes[0];
    if (type < 1 || type > 7) return fail(error, "unknown packet type " + std::to_string(type));
    out.type = static_cast<PacketType>(type);
    // What each side expects when: the handshake first (the host takes a
    // hello, the joiner a welcome or a refusal), then the match; a goodbye
    // at any time.
    const bool handshake = out.type == PacketType::Hello || out.type == PacketType::Welcome ||
                           out.type == PacketType::Refuse;
    bool expected = out.type == PacketType::Bye;
    if (w.handshaking) {
        expected = expected || (w.host ? out.type == PacketType::Hello : out.type != PacketType::Hello && handshake);
    } else {
        expected = expected || (!handshake && (out.type != PacketType::State || !w.host));
    }
    if (!expected)
        return fail(error, std::string("unexpected ") + typeName(out.type) +
                               (w.handshaking ? " before the handshake" : " during the match"));
    Reader in(bytes + 1, size - 1);
    if (!decodeBody(in, out.type, w, out, error)) return false;
    if (in.isShort()) return fail(error, std::string("short ") + typeName(out.type) + " packet");
    if (in.left() != 0) return fail(error, std::string("long ") + typeName(out.type) + " packet");
    return true;
}

std::vector<std::uint8_t> encodeHello(const Versions& versions) {
    Writer w(PacketType::Hello);
    w.versions(versions);
    return w.bytes;
}

std::vector<std::uint8_t> encodeWelcome(const Versions& versions, std::uint32_t seed, std::uint8_t roundsToWin) {
    Writer w(PacketType::Welcome);
    w.versions(versions);
    w.u32(seed);
    w.u8(roundsToWin);
    return w.bytes;
}

std::vector<std::uint8_t> encodeRefuse(RefuseReason reason, const Versions& versions) {
    Writer w(PacketType::Refuse);
    w.u8(static_cast<std::uint8_t>(reason));
    w.versions(versions);
    return w.bytes;
}

std::vector<std::uint8_t> encodeInput(std::uint32_t ack, std::uint32_t head, std::int8_t advantage,
                                      std::uint32_t first, const std::uint8_t* keys, std::size_t count) {
    Writer w(PacketType::Input);
    w.u32(ack);
    w.u32(head);
    w.u8(static_cast<std::uint8_t>(advantage));
    w.u32(first);
    w.u8(static_cast<std::uint8_t>(count));
    w.bytes.insert(w.bytes.end(), keys, keys + count);
    return w.bytes;
}

std::vector<std::uint8_t> encodeDigest(std::uint32_t step, std::uint8_t epoch, std::uint64_t digest) {
    Writer w(PacketType::Digest);
    w.u32(step);
    w.u8(epoch);
    w.u64(digest);
    return w.bytes;
}

std::vector<std::uint8_t> encodeState(std::uint32_t step, std::uint8_t epoch, const std::vector<std::uint8_t>& state) {
    Writer w(PacketType::State);
    w.u32(step);
    w.u8(epoch);
    w.bytes.insert(w.bytes.end(), state.begin(), state.end());
    return w.bytes;
}

std::vector<std::uint8_t> encodeBye(ByeReason reason, std::uint32_t lastStep) {
    Writer w(PacketType::Bye);
    w.u8(static_cast<std::uint8_t>(reason));
    w.u32(lastStep);
    return w.bytes;
}

std::string versionText(const Versions& v) { return "game " + v.game + ", protocol " + std::to_string(v.protocol); }

std::string refusalText(RefuseReason reason, const Versions& local, const Versions& remote) {
    switch (reason) {
    case RefuseReason::Version:
        return "Version mismatch: this machine has " + versionText(local) + ", the other " + versionText(remote);
    case RefuseReason::Busy:
        return "The host is already playing a match";
    case RefuseReason::Protocol:
        break;
    }
    return "The other machine does not speak this game's protocol";
}

} // namespace net
} // namespace tessaron
