// The match state as bytes, its two digests and its comparison.  One list of
// fields, visitState(), serves them all: each field is marked as deciding
// the match (Rule) or as presentation only (View: screen positions, fades,
// particles, messages, names), carries the range a reader accepts, and is
// written little-endian whatever the machine, so that the bytes, and the
// digests hashed from them, are the same on every machine and build and
// never contain padding or pointers.
//
// Format: "TSMS", a 16-bit version, then every field in visitState's order;
// lists are a 32-bit count then their entries.  The reader refuses a wrong
// magic or version, a count or value outside its range, a text without its
// end, a float that is not finite, missing bytes and bytes left over.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "session/controls.h"
#include "session/match_state.h"

namespace tessaron {

namespace {

constexpr std::uint8_t Magic[4] = {'T', 'S', 'M', 'S'};
constexpr std::uint16_t FormatVersion = 2;
// The largest serialised state read.
constexpr std::size_t MaxStateBytes = 8u << 20;
// Limits of the lists: far above what a match makes, low enough to bound
// the memory a hostile state can ask for.
constexpr std::uint32_t MaxParticles = 20000;
constexpr std::uint32_t MaxMessages = 1024;
// Positions, speeds and fades stay well inside what drawing can convert.
constexpr float MaxMagnitude = 1e7f;
constexpr std::int32_t MaxCount = 2000000000;

enum class Part { Rule, View };

// Writes the fields; in match-only mode View fields are left out.  The
// bytes go through a raw cursor into room made ahead in the vector: this
// runs for every digest, up to several times a step.
class Writer {
public:
    Writer(std::vector<std::uint8_t>& out, bool matchOnly) : out_(out), matchOnly_(matchOnly) {
        out_.resize(std::max<std::size_t>(out_.capacity(), 64 * 1024));
        at_ = out_.data();
        end_ = at_ + out_.size();
    }
    // Cuts the vector to what was written.
    ~Writer() { out_.resize(static_cast<std::size_t>(at_ - out_.data())); }

    void header() {
        for (std::uint8_t b : Magic) put(b, 1);
        put(FormatVersion, 2);
    }
    void i32(Part part, const std::int32_t& x, std::int32_t, std::int32_t) {
        if (keep(part)) put(static_cast<std::uint32_t>(x), 4);
    }
    void u32(Part part, const std::uint32_t& x) {
        if (keep(part)) put(x, 4);
    }
    void u16(Part part, const std::uint16_t& x, std::uint16_t) {
        if (keep(part)) put(x, 2);
    }
    void u64(Part part, const std::uint64_t& x) {
        if (keep(part)) put(x, 8);
    }
    void i64(Part part, const std::int64_t& x) {
        if (keep(part)) put(static_cast<std::uint64_t>(x), 8);
    }
    void u8(Part part, const std::uint8_t& x, std::uint8_t) {
        if (keep(part)) put(x, 1);
    }
    void flag(Part part, const bool& x) {
        if (keep(part)) put(x ? 1 : 0, 1);
    }
    void f32(Part part, const float& x) {
        if (!keep(part)) return;
        std::uint32_t bits;
        std::memcpy(&bits, &x, 4);
        put(bits, 4);
    }
    void text(Part part, char* text, std::size_t size) {
        if (!keep(part)) return;
        const std::size_t n = strnlen(text, size);
        put(static_cast<std::uint32_t>(n), 4);
        room(n);
        std::memcpy(at_, text, n);
        at_ += n;
    }
    template <class List, class Entry>
    void list(Part part, List& items, std::uint32_t, Entry entry) {
        if (!keep(part)) return;
        put(static_cast<std::uint32_t>(items.size()), 4);
        for (auto& item : items) entry(item);
    }

private:
    bool keep(Part part) const { return !matchOnly_ || part == Part::Rule; }
    void room(std::size_t n) {
        if (static_cast<std::size_t>(end_ - at_) >= n) return;
        const std::size_t used = static_cast<std::size_t>(at_ - out_.data());
        out_.resize(2 * out_.size() + n);
        at_ = out_.data() + used;
        end_ = out_.data() + out_.size();
    }
    // Little-endian whatever the machine.
    void put(std::uint64_t value, int bytes) {
        room(8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(at_, &value, 8);
#else
        for (int i = 0; i < 8; ++i) at_[i] = static_cast<std::uint8_t>(value >> (8 * i));
#endif
        at_ += bytes;
    }

    std::vector<std::uint8_t>& out_;
    bool matchOnly_;
    std::uint8_t* at_;
    std::uint8_t* end_;
};

// Reads the fields back, checking each; the first problem stops the read.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    void header() {
        if (end_ - p_ < 4 || std::memcmp(p_, Magic, 4) != 0) return fail("not a saved match state");
        p_ += 4;
        std::uint64_t version = 0;
        if (get(version, 2) && version != FormatVersion)
            fail("saved match state of format " + std::to_string(version) + ", this game reads format " +
                 std::to_string(FormatVersion));
    }
    void i32(Part, std::int32_t& x, std::int32_t lo, std::int32_t hi) {
        std::uint64_t v = 0;
        if (!get(v, 4)) return;
        const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        if (value < lo || value > hi) return fail("a value out of range");
        x = value;
    }
    void u32(Part, std::uint32_t& x) {
        std::uint64_t v = 0;
        if (get(v, 4)) x = static_cast<std::uint32_t>(v);
    }
    void u16(Part, std::uint16_t& x, std::uint16_t bits) {
        std::uint64_t v = 0;
        if (!get(v, 2)) return;
        if (v & ~static_cast<std::uint64_t>(bits)) return fail("a value out of range");
        x = static_cast<std::uint16_t>(v);
    }
    void u64(Part, std::uint64_t& x) {
        std::uint64_t v = 0;
        if (get(v, 8)) x = v;
    }
    void i64(Part, std::int64_t& x) {
        std::uint64_t v = 0;
        if (get(v, 8)) x = static_cast<std::int64_t>(v);
    }
    void u8(Part, std::uint8_t& x, std::uint8_t hi) {
        std::uint64_t v = 0;
        if (!get(v, 1)) return;
        if (v > hi) return fail("a value out of range");
        x = static_cast<std::uint8_t>(v);
    }
    void flag(Part part, bool& x) {
        std::uint8_t v = 0;
        u8(part, v, 1);
        x = v != 0;
    }
    void f32(Part, float& x) {
        std::uint64_t v = 0;
        if (!get(v, 4)) return;
        const auto bits = static_cast<std::uint32_t>(v);
        float value;
        std::memcpy(&value, &bits, 4);
        if (!std::isfinite(value) || std::fabs(value) > MaxMagnitude) return fail("a number out of range");
        x = value;
    }
    void text(Part, char* text, std::size_t size) {
        std::uint64_t n = 0;
        if (!get(n, 4)) return;
        if (n >= size) return fail("a text too long");
        if (!take(static_cast<std::size_t>(n))) return;
        std::memcpy(text, p_ - n, static_cast<std::size_t>(n));
        std::memset(text + n, 0, size - static_cast<std::size_t>(n));
        if (strnlen(text, size) != n) fail("a text with a zero byte inside");
    }
    template <class List, class Entry>
    void list(Part, List& items, std::uint32_t max, Entry entry) {
        std::uint64_t n = 0;
        if (!get(n, 4)) return;
        if (n > max) return fail("a list too long");
        items.clear();
        for (std::uint64_t i = 0; i < n && ok(); ++i) {
            items.emplace_back();
            entry(items.back());
        }
    }
    bool ok() const { return error_.empty(); }
    bool finished() const { return p_ == end_; }
    const std::string& error() const { return error_; }
    void fail(const std::string& why) {
        if (error_.empty()) error_ = why;
    }

private:
    bool take(std::size_t n) {
        if (!ok()) return false;
        if (static_cast<std::size_t>(end_ - p_) < n) {
            fail("truncated");
            return false;
        }
        p_ += n;
        return true;
    }
    bool get(std::uint64_t& value, int bytes) {
        if (!take(static_cast<std::size_t>(bytes))) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(p_[i - bytes]) << (8 * i);
        return true;
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::string error_;
};

constexpr std::int32_t Big = MaxCount;

template <class V>
void visitRgb(V& v, Rgb& c) {
    v.i32(Part::View, c.r, -255, 510);
    v.i32(Part::View, c.g, -255, 510);
    v.i32(Part::View, c.b, -255, 510);
}

// Cells in the grids (`gridCell`) or of a pair; a pair cell's column and
// row index the grid.
template <class V>
void visitCell(V& v, Cell& c, bool pairCell) {
    v.i32(Part::Rule, c.colour, ColourRed, ColourNone);
    v.i32(Part::Rule, c.kind, KindBlock, KindEmpty);
    v.i32(Part::View, c.width, 0, 4096);
    v.i32(Part::View, c.height, 0, 4096);
    v.i32(Part::View, c.alpha, 0, 255);
    v.i32(Part::View, c.pulseDown, 0, 1);
    v.u8(Part::Rule, c.marked, 1);
    v.u8(Part::Rule, c.falling, 1);
    v.u8(Part::Rule, c.counted, 1);
    v.u8(Part::Rule, c.flying, 1);
    if (pairCell) {
        v.i32(Part::Rule, c.column, 0, Board::Columns - 1);
        v.i32(Part::Rule, c.row, -1, Board::Rows - 1);
    } else {
        v.i32(Part::Rule, c.column, -Big, Big);
        v.i32(Part::Rule, c.row, -Big, Big);
    }
    v.i32(Part::View, c.originX, -Big, Big);
    v.i32(Part::View, c.originY, -Big, Big);
    v.i32(Part::View, c.screenX, -Big, Big);
    v.i32(Part::View, c.screenY, -Big, Big);
    v.i32(Part::View, c.vx, -Big, Big);
    v.i32(Part::Rule, c.vy, -Big, Big);
    v.i32(Part::Rule, c.fallStep, 0, 1000);
    v.i32(Part::Rule, c.fastFallStep, 0, 1000);
}

template <class V>
void visitPair(V& v, FallingPair& p) {
    v.i32(Part::Rule, p.column, 0, Board::Columns - 1);
    v.i32(Part::Rule, p.spawnRow, -Board::Rows, Board::Rows);
    v.i32(Part::Rule, p.rotation, RotationAbove, RotationLeft);
    v.i32(Part::Rule, p.age, 0, Big);
    v.u8(Part::Rule, p.touching, 1);
    v.i32(Part::Rule, p.lockDelay, -Big, Big);
    v.u8(Part::Rule, p.locked, 1);
    v.u8(Part::Rule, p.hardDropping, 1);
    v.u8(Part::Rule, p.blockedLeft, 1);
    v.u8(Part::Rule, p.blockedRight, 1);
    v.u8(Part::Rule, p.active, 1);
    v.u8(Part::Rule, p.preview, 1);
    visitCell(v, p.pivot, true);
    visitCell(v, p.satellite, true);
}

template <class V>
void visitParticle(V& v, Particle& p) {
    v.i32(Part::View, p.bitmap, 0, 255);
    v.f32(Part::View, p.x);
    v.f32(Part::View, p.y);
    v.f32(Part::View, p.vx);
    v.f32(Part::View, p.vy);
    v.i32(Part::View, p.age, 0, Big);
    v.u8(Part::View, p.hasBitmap, 1);
    v.u8(Part::View, p.dead, 1);
    v.i32(Part::View, p.startDelay, -Big, Big);
    v.u8(Part::View, p.frozen, 1);
    v.u8(Part::View, p.bounceAtSides, 1);
    v.u8(Part::View, p.floor, 1);
    v.u8(Part::View, p.stopAtFloor, 1);
    v.f32(Part::View, p.alpha);
    v.f32(Part::View, p.fadeStep);
    v.i32(Part::View, p.fadeDelay, -Big, Big);
    v.f32(Part::View, p.gravity);
    v.f32(Part::View, p.bounce);
    v.f32(Part::View, p.friction);
    v.i32(Part::View, p.width, 0, 4096);
    v.i32(Part::View, p.height, 0, 4096);
    v.i32(Part::View, p.drawMode, ParticleOpaque, ParticleMasked);
}

template <class V>
void visitMessages(V& v, FloatingMessageList& list) {
    v.list(Part::View, list.items, MaxMessages, [&v](FloatingMessage& m) {
        v.i32(Part::View, m.age, 0, Big);
        v.i32(Part::View, m.holdTime, -Big, Big);
        v.f32(Part::View, m.x);
        v.f32(Part::View, m.y);
        v.f32(Part::View, m.vx);
        v.f32(Part::View, m.vy);
        v.f32(Part::View, m.alpha);
        visitRgb(v, m.colour);
        v.i32(Part::View, m.fontIndex, 0, 6);
        v.f32(Part::View, m.fadeOutStep);
        v.f32(Part::View, m.fadeInStep);
        v.u8(Part::View, m.finished, 1);
        v.u8(Part::View, m.fadingIn, 1);
        v.text(Part::View, m.text, FloatingMessage::TextSize);
    });
    v.u64(Part::View, list.added);
}

template <class V>
void visitBoard(V& v, Board& b) {
    v.i32(Part::View, b.baseX, -Big, Big);
    v.i32(Part::View, b.baseY, -Big, Big);
    v.i32(Part::View, b.x, -Big, Big);
    v.i32(Part::View, b.y, -Big, Big);
    v.i32(Part::View, b.width, 0, 4096);
    v.i32(Part::View, b.height, 0, 4096);
    visitRgb(v, b.borderColour);
    visitRgb(v, b.backgroundColour);
    v.i32(Part::Rule, b.flash, 0, 255);
    v.u8(Part::Rule, b.newPairDue, 1);
    v.u8(Part::Rule, b.frozen, 1);
    v.u8(Part::Rule, b.toppedOut, 1);
    v.i32(Part::Rule, b.controlMode, ControlKeyboard, ControlJoystick);
    for (std::int32_t* key : {&b.keyLeft, &b.keyRight, &b.keySoftDrop, &b.keyHardDrop, &b.keyRotate})
        v.i32(Part::View, *key, 0, KeyCount - 1);
    v.i32(Part::Rule, b.tick, 0, Big);
    v.i32(Part::Rule, b.settleUntil, -Big, Big);
    v.i32(Part::Rule, b.busyUntil, -Big, Big);
    v.i32(Part::View, b.shakeMagnitude, -Big, Big);
    v.i32(Part::Rule, b.shakeUntil, -Big, Big);
    v.i32(Part::Rule, b.brokenThisTurn, 0, Big);
    v.i32(Part::Rule, b.brokenThisStep, 0, Big);
    v.i32(Part::Rule, b.chain, 0, Big);
    v.i32(Part::Rule, b.breakSound, 0, 255);
    v.i32(Part::Rule, b.danger, 0, Big);
    v.list(Part::View, b.particles.items, MaxParticles, [&v](Particle& p) { visitParticle(v, p); });
    v.i32(Part::View, b.particles.count, 0, Big);
    v.i32(Part::View, b.particles.screenWidth, 1, 65536);
    v.i32(Part::View, b.particles.screenHeight, 1, 65536);
    visitMessages(v, b.messages);
    for (std::int32_t& top : b.rowTop) v.i32(Part::View, top, -Big, Big);
    for (auto& column : b.grid)
        for (Cell& cell : column) visitCell(v, cell, false);
    for (auto& column : b.staging)
        for (Cell& cell : column) visitCell(v, cell, false);
    visitPair(v, b.pair);
    visitPair(v, b.nextPair);
    v.i32(Part::Rule, b.roundsWon, 0, VersusOptions::MaxRoundsToWin);
    v.i32(Part::Rule, b.side, 0, 1);
    v.u8(Part::View, b.hudLeft, 1);
    v.u8(Part::View, b.stackMessages, 1);
    v.i64(Part::Rule, b.blocksAdded);
    v.i64(Part::Rule, b.blocksRemoved);
}

template <class V>
void visitPlayer(V& v, PlayerRecord& p) {
    v.text(Part::View, p.name, PlayerRecord::NameSize);
    v.i32(Part::Rule, p.score, -Big, Big);
    v.i32(Part::View, p.shownScore, -Big, Big);
    v.i32(Part::View, p.scoreGlow, 0, 255);
    v.i32(Part::Rule, p.pendingDrops, 0, Big);
    v.i32(Part::View, p.layout, 0, 1);
}

} // namespace

// Reaches the private parts of the state and of its random stream.
struct StateCodec {
    template <class V>
    static void visit(V& v, MatchState& s) {
        v.header();
        v.i32(Part::View, s.screenWidth, 1, 65536);
        v.i32(Part::View, s.screenHeight, 1, 65536);
        RandomSource& r = s.random;
        for (std::uint32_t& word : r.state_) v.u32(Part::Rule, word);
        v.i32(Part::Rule, r.index_, 0, RandomSource::Unseeded);
        v.u64(Part::Rule, r.draws_);
        v.u32(Part::Rule, r.seed_);
        for (PlayerRecord& p : s.players) visitPlayer(v, p);
        StepInput& k = s.keys.keys;
        for (int side = 0; side < 2; ++side) {
            v.u8(Part::Rule, k.sides[side], SideKeyBits);
            v.u16(Part::Rule, k.joysticks[side], JoystickBits);
        }
        // The machine's own keys and its quit: two machines playing one
        // match online each have theirs, and neither changes the match.
        v.u8(Part::View, k.console, ConsoleKeyBits);
        v.u8(Part::View, k.mouseButtons, 3);
        for (std::int32_t& key : s.dropKeys) v.i32(Part::View, key, 0, KeyCount - 1);
        for (JoystickSnapshot& j : s.joysticks) {
            v.i32(Part::View, j.joystick, 0, 15);
            for (std::uint8_t& input : j.state) v.u8(Part::Rule, input, 1);
        }
        v.f32(Part::View, s.pointer.alpha);
        v.u8(Part::View, s.pointer.leftDown, 1);
        v.u8(Part::View, s.pointer.rightDown, 1);
        v.i32(Part::View, s.pointer.fadeMode, FadeSteady, 3);
        v.flag(Part::Rule, s.paused);
        for (Board& b : s.boards) visitBoard(v, b);
        v.flag(Part::Rule, s.roundStarted);
        visitMessages(v, s.messages);
        v.i32(Part::Rule, s.elapsedTicks, 0, Big);
        v.i32(Part::Rule, s.roundStartTick, -Big, Big);
        visitPanel(v, s.panel);
        v.i32(Part::Rule, s.roundsLost, 0, Big);
        VersusOptions& vs = s.versus;
        v.i32(Part::Rule, vs.opponent, 0, 2);
        v.i32(Part::Rule, vs.cpuLevel, CpuPlayer::MinLevel, CpuPlayer::MaxLevel);
        v.i32(Part::Rule, vs.roundsToWin, 1, VersusOptions::MaxRoundsToWin);
        v.flag(Part::View, vs.joystick);
        v.flag(Part::Rule, s.matchOver);
        v.i32(Part::Rule, s.matchesWon[0], 0, Big);
        v.i32(Part::Rule, s.matchesWon[1], 0, Big);
        v.i32(Part::Rule, s.roundNumber, 0, Big);
        CpuPlayer& c = s.cpu;
        v.u32(Part::Rule, c.state_);
        v.i32(Part::Rule, c.level_, 0, CpuPlayer::MaxLevel);
        v.flag(Part::Rule, c.planned_);
        v.i32(Part::Rule, c.lastAge_, -Big, Big);
        v.i32(Part::Rule, c.target_.column, 0, Board::Columns - 1);
        v.i32(Part::Rule, c.target_.rotation, RotationAbove, RotationLeft);
        v.i32(Part::Rule, c.stepsOnPair_, -Big, Big);
        v.i32(Part::Rule, c.wait_, -Big, Big);
        v.i32(Part::Rule, c.drop_, 0, 2);
        v.u8(Part::Rule, s.cpuHeld, SideKeyBits);
        v.flag(Part::View, s.quitRequested_);
    }

    template <class V>
    static void visitPanel(V& v, PausePanel& p) {
        for (float* f : {&p.homeX, &p.homeY, &p.x, &p.y, &p.vx, &p.vy}) v.f32(Part::View, *f);
        for (float* f : {&p.friction, &p.width, &p.height, &p.fullWidth, &p.fullHeight}) v.f32(Part::Rule, *f);
        visitRgb(v, p.colour);
        for (float* f : {&p.alpha, &p.fullAlpha, &p.step, &p.maxStep}) v.f32(Part::Rule, *f);
        v.u8(Part::Rule, p.paused, 1);
    }

    static void write(const MatchState& s, std::vector<std::uint8_t>& out, bool matchOnly) {
        Writer w(out, matchOnly);
        visit(w, const_cast<MatchState&>(s));  // the writer only reads
    }
};

namespace {

// A 64-bit hash of bytes: four lanes over 32-byte stripes, then the tail,
// then a final mix (the xxHash64 scheme, written out here).
constexpr std::uint64_t P1 = 0x9E3779B185EBCA87ull, P2 = 0xC2B2AE3D27D4EB4Full, P3 = 0x165667B19E3779F9ull,
                        P4 = 0x85EBCA77C2B2AE63ull, P5 = 0x27D4EB2F165667C5ull;

std::uint64_t rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
std::uint64_t load64(const std::uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
#else
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return v;
#endif
}
std::uint64_t round64(std::uint64_t acc, std::uint64_t input) { return rotl(acc + input * P2, 31) * P1; }
std::uint64_t merge64(std::uint64_t acc, std::uint64_t lane) { return (acc ^ round64(0, lane)) * P1 + P4; }

std::uint64_t hashBytes(const std::vector<std::uint8_t>& bytes) {
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    std::uint64_t h;
    if (bytes.size() >= 32) {
        std::uint64_t a = P1 + P2, b = P2, c = 0, d = 0 - P1;
        for (; end - p >= 32; p += 32) {
            a = round64(a, load64(p));
            b = round64(b, load64(p + 8));
            c = round64(c, load64(p + 16));
            d = round64(d, load64(p + 24));
        }
        h = rotl(a, 1) + rotl(b, 7) + rotl(c, 12) + rotl(d, 18);
        h = merge64(merge64(merge64(merge64(h, a), b), c), d);
    } else {
        h = P5;
    }
    h += bytes.size();
    for (; end - p >= 8; p += 8) h = rotl(h ^ round64(0, load64(p)), 27) * P1 + P4;
    for (; p < end; ++p) h = rotl(h ^ (*p * P5), 11) * P1;
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

std::uint64_t digestOf(const MatchState& s, bool matchOnly) {
    thread_local std::vector<std::uint8_t> bytes;
    StateCodec::write(s, bytes, matchOnly);
    return hashBytes(bytes);
}

} // namespace

std::uint64_t MatchState::digest() const { return digestOf(*this, false); }

std::uint64_t MatchState::matchDigest() const { return digestOf(*this, true); }

std::vector<std::uint8_t> MatchState::serialise() const {
    std::vector<std::uint8_t> out;
    StateCodec::write(*this, out, false);
    return out;
}

bool MatchState::deserialise(const std::uint8_t* data, std::size_t size, MatchState& out, std::string& error) {
    if (!data) size = 0;
    if (size > MaxStateBytes) {
        error = "saved match state larger than " + std::to_string(MaxStateBytes) + " bytes";
        return false;
    }
    MatchState read = out;
    static const std::uint8_t None = 0;
    Reader reader(data ? data : &None, size);
    StateCodec::visit(reader, read);
    if (reader.ok() && !reader.finished()) reader.fail("bytes after the end of the saved match state");
    if (!reader.ok()) {
        error = "saved match state refused: " + reader.error();
        return false;
    }
    out = std::move(read);
    return true;
}

bool MatchState::operator==(const MatchState& other) const {
    thread_local std::vector<std::uint8_t> mine, theirs;
    StateCodec::write(*this, mine, false);
    StateCodec::write(other, theirs, false);
    return mine == theirs;
}

} // namespace tessaron
