#include "session/replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <dirent.h>
#include <sys/stat.h>

#include "io/file_replace.h"
#include "io/regular_file.h"
#include "session/input.h"

namespace tessaron {

const char* const GameVersion = TESSARON_VERSION;

namespace {

constexpr const char* Magic = "tessaron-replay";

struct KeyWord {
    const char* word;
    std::uint16_t bit;
};
// A side's keys carry the words of the simulator's scripts.
const KeyWord SideWords[] = {
    {"left", SideLeft},    {"right", SideRight}, {"down", SideSoftDrop}, {"up", SideHardDrop},
    {"space", SideRotate}, {"enter", SideDrop},  {"esc", SidePause},
};
const KeyWord StickWords[] = {
    {"left", 1u << JoyLeft},      {"right", 1u << JoyRight},    {"up", 1u << JoyUp},
    {"down", 1u << JoyDown},      {"b1", 1u << JoyButton0},     {"b2", 1u << (JoyButton0 + 1)},
    {"b3", 1u << (JoyButton0 + 2)}, {"b4", 1u << (JoyButton0 + 3)}, {"b5", 1u << (JoyButton0 + 4)},
    {"b6", 1u << (JoyButton0 + 5)},
};
const KeyWord ConsoleWords[] = {
    {"q", ConsoleQuit},
    {"lshift", ConsoleShift},
    {"f9", ConsoleScreenshot},
    {"mouse1", 1u << ReplayMouseShift},
    {"mouse2", 2u << ReplayMouseShift},
};
// The words of a side's or of the console's keys.
struct WordTable {
    const KeyWord* first;
    const KeyWord* last;
    const KeyWord* begin() const { return first; }
    const KeyWord* end() const { return last; }
};
WordTable wordsOf(int kind) {
    if (kind == ReplayConsole) return {std::begin(ConsoleWords), std::end(ConsoleWords)};
    if (kind == ReplayStick0 || kind == ReplayStick1) return {std::begin(StickWords), std::end(StickWords)};
    return {std::begin(SideWords), std::end(SideWords)};
}
const char* const KindWords[] = {"side0", "side1", "stick0", "stick1", "console", "digest"};

// The header's keys, each given exactly once, before the first step line.
enum HeaderKey {
    KeyGame, KeySeed, KeyStartDraws, KeyOpponent, KeyCpuLevel, KeyRoundsToWin, KeyJoystick, KeyScreen, KeyFrom,
    HeaderKeys
};
const char* const HeaderWords[HeaderKeys] = {"game",          "seed",     "start_draws", "opponent", "cpu_level",
                                             "rounds_to_win", "joystick", "screen",      "from"};

void appendKeys(std::string& out, std::uint64_t bits, int kind) {
    bool any = false;
    for (const KeyWord& k : wordsOf(kind)) {
        if (!(bits & k.bit)) continue;
        if (any) out += ',';
        out += k.word;
        any = true;
    }
    if (!any) out += '-';
}

// A whole unsigned decimal number no greater than max (no sign, no blank).
bool parseNumber(const std::string& text, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text.size() > 20 || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    value = v;
    return true;
}

bool parseDigest(const std::string& text, std::uint64_t& value) {
    if (text.size() != 16) return false;
    value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return true;
}

bool parseKeys(const std::string& text, int kind, std::uint64_t& bits) {
    bits = 0;
    if (text == "-") return true;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string word = text.substr(start, comma - start);
        std::uint16_t bit = 0;
        for (const KeyWord& k : wordsOf(kind)) {
            if (word == k.word) bit = k.bit;
        }
        if (bit == 0 || (bits & bit)) return false;  // unknown, empty or twice
        bits |= bit;
        start = comma + 1;
    }
    return true;
}

// Splits a line at blanks (spaces and tabs).
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// Text quoted in a message: at most `limit` characters, anything but
// printable ASCII shown as '?', "..." when cut.
std::string excerpt(const std::string& text, std::size_t limit = 40) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) out += text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
    return text.size() > limit ? out + "..." : out;
}

// Parses the header line `f` into `header`: "" or the problem.
std::string parseHeaderLine(const std::vector<std::string>& f, int key, ReplayHeader& header) {
    const std::size_t want = key == KeyScreen ? 3 : 2;
    if (f.size() != want) return "expected '" + std::string(HeaderWords[key]) + (key == KeyScreen ? " W H'" : " VALUE'");
    std::uint64_t v = 0, h = 0;
    switch (key) {
    case KeyGame:
        header.gameVersion = f[1];
        return f[1].size() <= 64 ? "" : "game version too long";
    case KeySeed:
        if (!parseNumber(f[1], 0xffffffffull, v)) break;
        header.seed = static_cast<std::uint32_t>(v);
        return "";
    case KeyStartDraws:
        if (!parseNumber(f[1], MaxStartDraws, v)) break;
        header.startDraws = v;
        return "";
    case KeyOpponent:
    case KeyCpuLevel:
    case KeyRoundsToWin:
    case KeyJoystick: {
        const std::uint64_t lo = key == KeyOpponent || key == KeyJoystick ? 0 : 1,
                            hi = key == KeyOpponent ? 2 : key == KeyJoystick ? 1 : 5;
        if (!parseNumber(f[1], hi, v) || v < lo) break;
        if (key == KeyJoystick) header.joystick = v != 0;
        if (key != KeyJoystick)
            (key == KeyOpponent ? header.opponent : key == KeyCpuLevel ? header.cpuLevel : header.roundsToWin) =
                static_cast<int>(v);
        return "";
    }
    case KeyScreen:
        if (!parseNumber(f[1], MaxReplayScreenSide, v) || !parseNumber(f[2], MaxReplayScreenSide, h) || v == 0 ||
            h == 0)
            break;
        header.width = static_cast<int>(v);
        header.height = static_cast<int>(h);
        return "";
    case KeyFrom:
        if (!parseNumber(f[1], MaxReplaySteps, v) || v == 0) break;
        header.firstStep = v;
        return "";
    }
    return "value out of range for '" + std::string(HeaderWords[key]) + "': '" + excerpt(f[1]) + "'";
}

} // namespace

std::string formatReplay(const Replay& replay) {
    const ReplayHeader& h = replay.header;
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s %d\n# One match of Tessaron: its start, then the keys each side held from step to step.\n"
                  "game %s\nseed %u\nstart_draws %llu\nopponent %d\ncpu_level %d\nrounds_to_win %d\njoystick %d\n"
                  "screen %d %d\nfrom %llu\n",
                  Magic, ReplayFormatVersion, h.gameVersion.empty() ? "unknown" : h.gameVersion.c_str(), h.seed,
                  static_cast<unsigned long long>(h.startDraws), h.opponent, h.cpuLevel, h.roundsToWin,
                  h.joystick ? 1 : 0, h.width, h.height, static_cast<unsigned long long>(h.firstStep));
    std::string out = text;
    out.reserve(out.size() + replay.lines.size() * 20 + 64);
    for (const ReplayLine& line : replay.lines) {
        if (line.step > replay.lastStep) break;
        out += std::to_string(line.step);
        out += ' ';
        out += KindWords[line.kind];
        out += ' ';
        if (line.kind == ReplayDigestLine) {
            std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(line.value));
            out += text;
        } else {
            appendKeys(out, line.value, line.kind);
        }
        out += '\n';
    }
    out += std::to_string(replay.lastStep) + (replay.finished ? " end\n" : " unfinished\n");
    return out;
}

std::string parseReplay(const std::string& text, Replay& out) {
    out = Replay();
    if (text.size() > MaxReplayBytes) return "larger than " + std::to_string(MaxReplayBytes) + " bytes";
    for (unsigned char c : text) {
        if ((c < ' ' && c != '\n' && c != '\r' && c != '\t') || c > '~') return "not a replay (binary data)";
    }
    bool seen[HeaderKeys] = {};
    bool magic = false, ended = false;
    std::size_t lineNumber = 0, pos = 0;
    while (pos < text.size()) {
        std::size_t newline = text.find('\n', pos);
        if (newline == std::string::npos) newline = text.size();
        std::string raw = text.substr(pos, newline - pos);
        pos = newline + 1;
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (raw.size() > MaxReplayLine) return where + "longer than " + std::to_string(MaxReplayLine) + " characters";
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::vector<std::string> f = fields(raw);
        if (f.empty() || f[0][0] == '#') continue;
        if (ended) return where + "text after the end line";
        if (!magic) {
            if (f[0] != Magic) return "not a replay (no '" + std::string(Magic) + "' line first)";
            std::uint64_t version = 0;
            if (f.size() != 2 || !parseNumber(f[1], 1000000, version) || version != ReplayFormatVersion)
                return where + "format version '" + excerpt(f.size() > 1 ? f[1] : "") + "' is not supported (this "
                       "game reads version " + std::to_string(ReplayFormatVersion) + ")";
            magic = true;
            continue;
        }
        int key = 0;
        while (key < HeaderKeys && f[0] != HeaderWords[key]) ++key;
        if (key < HeaderKeys) {
            if (!out.lines.empty()) return where + "'" + f[0] + "' after the first step line";
            if (seen[key]) return where + "'" + f[0] + "' given twice";
            seen[key] = true;
            const std::string problem = parseHeaderLine(f, key, out.header);
            if (!problem.empty()) return where + problem;
            continue;
        }
        for (int k = 0; k < HeaderKeys; ++k) {
            if (!seen[k]) return where + "missing '" + HeaderWords[k] + "' line before the steps";
        }
        std::uint64_t step = 0;
        if (!parseNumber(f[0], MaxReplaySteps, step) || step == 0)
            return where + "expected 'STEP WHAT ...', got '" + excerpt(raw) + "'";
        const std::uint64_t previous = out.lines.empty() ? 0 : out.lines.back().step;
        if (f.size() == 2 && (f[1] == "end" || f[1] == "unfinished")) {
            if (step < previous || step < out.header.firstStep)
                return where + "the end at step " + f[0] + " comes before step " +
                       std::to_string(std::max(previous, out.header.firstStep));
            out.lastStep = step;
            out.finished = f[1] == "end";
            ended = true;
            continue;
        }
        int kind = 0;
        while (kind <= ReplayDigestLine && (f.size() < 2 || f[1] != KindWords[kind])) ++kind;
        if (kind > ReplayDigestLine || f.size() != 3)
            return where + "expected 'STEP side0|side1|stick0|stick1|console KEYS' or 'STEP digest HEX', got '" +
                   excerpt(raw) + "'";
        ReplayLine line;
        line.step = step;
        line.kind = static_cast<ReplayLineKind>(kind);
        if (!out.lines.empty() && (step < previous || (step == previous && kind <= out.lines.back().kind)))
            return where + "'" + f[0] + " " + f[1] + "' does not follow '" + std::to_string(previous) + " " +
                   KindWords[out.lines.back().kind] + "'";
        const bool ok = kind == ReplayDigestLine ? parseDigest(f[2], line.value)
                                                 : parseKeys(f[2], kind, line.value);
        if (!ok) return where + "bad " + (kind == ReplayDigestLine ? "digest" : "keys") + " '" + excerpt(f[2]) + "'";
        out.lines.push_back(line);
    }
    if (!magic) return "not a replay (empty)";
    if (!ended) return "truncated (no end line)";
    return "";
}

std::string loadReplay(const std::string& path, Replay& out) {
    const long long size = regularFileSize(path.c_str());
    if (size > static_cast<long long>(MaxReplayBytes))
        return "replay '" + excerpt(path, 256) + "' is larger than " + std::to_string(MaxReplayBytes) + " bytes";
    std::string text;
    if (!readRegularFile(path.c_str(), MaxReplayBytes, text))
        return "cannot read replay '" + excerpt(path, 256) + "' (missing, unreadable or not a regular file)";
    const std::string problem = parseReplay(text, out);
    return problem.empty() ? "" : "replay '" + excerpt(path, 256) + "': " + problem;
}

std::string replayFileName(std::time_t when, int attempt) {
    std::tm local{};
    localtime_r(&when, &local);
    char name[64];
    std::strftime(name, sizeof name, "%Y-%m-%d_%H-%M-%S", &local);
    return std::string(name) + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".replay";
}

std::string saveReplay(const std::string& folder, const Replay& replay, std::time_t when, std::string& path) {
    const std::string text = formatReplay(replay);
    if (text.size() > MaxReplayBytes) return "the match is too long to keep as a replay";
    std::string problem = makeFolder(folder);
    if (!problem.empty()) return problem;
    // Matches rarely end in the same second; 1000 of them never do.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        path = folder + "/" + replayFileName(when, attempt);
        struct stat info;
        if (lstat(path.c_str(), &info) == 0) continue;
        return writeFileReplacing(path, text);
    }
    return "no free replay name in '" + folder + "'";
}

std::string newestReplay(const std::string& folder) {
    static const std::string Suffix = ".replay";
    std::string newest;
    struct timespec newestTime {};
    DIR* dir = opendir(folder.c_str());
    if (!dir) return "";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name[0] == '.' || name.size() <= Suffix.size() ||
            name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
            continue;
        const std::string path = folder + "/" + name;
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        const struct timespec& t = info.st_mtim;
        const bool later = newest.empty() || t.tv_sec > newestTime.tv_sec ||
                           (t.tv_sec == newestTime.tv_sec &&
                            (t.tv_nsec > newestTime.tv_nsec || (t.tv_nsec == newestTime.tv_nsec && path > newest)));
        if (later) {
            newest = path;
            newestTime = t;
        }
    }
    closedir(dir);
    return newest;
}

ReplayRecorder::ReplayRecorder(const ReplayHeader& header) : header_(header) {}

void ReplayRecorder::step(std::uint64_t step, const std::uint16_t keys[ReplayChannels]) {
    for (int c = 0; c < ReplayChannels; ++c) {
        if (keys[c] == held_[c]) continue;
        held_[c] = keys[c];
        lines_.push_back({step, static_cast<ReplayLineKind>(c), keys[c]});
    }
    last_ = step;
}

void ReplayRecorder::digest(std::uint64_t value) { lines_.push_back({last_, ReplayDigestLine, value}); }

Replay ReplayRecorder::cut(std::uint64_t firstStep, bool finished, std::uint64_t digest) const {
    Replay replay;
    replay.header = header_;
    replay.header.firstStep = firstStep;
    replay.lines = lines_;
    replay.lastStep = last_;
    replay.finished = finished;
    // Every match ends with a digest of its last step.
    if (replay.lines.empty() || replay.lines.back().kind != ReplayDigestLine || replay.lines.back().step != last_)
        replay.lines.push_back({last_, ReplayDigestLine, digest});
    return replay;
}

void ReplayCursor::keysFor(std::uint64_t step, std::uint16_t keys[ReplayChannels]) {
    const std::vector<ReplayLine>& lines = replay_->lines;
    while (next_ < lines.size() &&
           (lines[next_].step < step || (lines[next_].step == step && lines[next_].kind != ReplayDigestLine))) {
        if (lines[next_].kind != ReplayDigestLine) held_[lines[next_].kind] = static_cast<std::uint16_t>(lines[next_].value);
        ++next_;
    }
    for (int c = 0; c < ReplayChannels; ++c) keys[c] = held_[c];
}

bool ReplayCursor::digestAfter(std::uint64_t step, std::uint64_t& expected) {
    const std::vector<ReplayLine>& lines = replay_->lines;
    if (next_ >= lines.size() || lines[next_].step != step || lines[next_].kind != ReplayDigestLine) return false;
    expected = lines[next_++].value;
    return true;
}

} // namespace tessaron
