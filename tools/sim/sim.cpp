#include "sim.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "board/sound_cue.h"
#include "io/regular_file.h"
#include "session/cpu_player.h"
#include "session/match_state.h"
#include "session/replay_player.h"

namespace tessaron {
namespace sim {
namespace {

struct KeyWord {
    const char* word;
    int scancode;
};
const KeyWord KeyWords[] = {
    {"left", ScanLeft},   {"right", ScanRight}, {"down", ScanDown}, {"up", ScanUp},   {"space", ScanSpace},
    {"enter", ScanEnter}, {"esc", ScanEsc},     {"lshift", ScanLShift}, {"q", ScanQ},
};

// Parses a whole unsigned decimal number no greater than max.
bool parseUnsigned(const char* text, std::uint64_t max, std::uint64_t& value) {
    if (!text || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    value = v;
    return true;
}

// Script text quoted in a message: at most 40 characters, anything but
// printable ASCII shown as '?', "..." when cut.
std::string excerpt(const std::string& text) {
    constexpr std::size_t Limit = 40;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < Limit; ++i) out += text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
    if (text.size() > Limit) out += "...";
    return out;
}

char blockChar(const Cell& cell) {
    if (cell.kind == KindEmpty) return '.';
    if (cell.kind == KindBomb) return '*';
    if (cell.colour < 0 || cell.colour > 4 || (cell.kind != KindBlock && cell.kind != KindBreaker)) return '?';
    return (cell.kind == KindBlock ? "rgbyp" : "RGBYP")[cell.colour];
}

// Appends printf-style text to a fixed line buffer; the trace line of one
// step always fits, anything past the buffer is cut.
class Line {
public:
    void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (used_ >= sizeof buffer_ - 1) return;
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(buffer_ + used_, sizeof buffer_ - used_, format, args);
        va_end(args);
        if (n > 0) used_ = std::min(sizeof buffer_ - 1, used_ + static_cast<std::size_t>(n));
    }
    void addChar(char c) {
        if (used_ < sizeof buffer_ - 1) buffer_[used_++] = c;
    }
    void addString(const char* text) {
        addChar('"');
        for (const char* p = text; *p; ++p) {
            if (*p == '"' || *p == '\\') addChar('\\');
            addChar(*p);
        }
        addChar('"');
    }
    void write(std::FILE* out) {
        addChar('\n');
        std::fwrite(buffer_, 1, used_, out);
        used_ = 0;
    }

private:
    char buffer_[16384];
    std::size_t used_ = 0;
};

void addGrid(Line& line, const Cell (&cells)[Board::Columns][Board::Rows]) {
    line.addChar('"');
    for (int r = 0; r < Board::Rows; ++r) {
        for (int c = 0; c < Board::Columns; ++c) line.addChar(blockChar(cells[c][r]));
    }
    line.addChar('"');
}

// The texts of the last `n` messages of a list (the ones added this step).
void addNewTexts(Line& line, const FloatingMessageList& list, std::uint64_t n, bool& first) {
    auto it = list.items.end();
    for (std::uint64_t i = 0; i < n && it != list.items.begin(); ++i) --it;
    for (; it != list.items.end(); ++it) {
        if (!first) line.addChar(',');
        first = false;
        line.addString(it->text);
    }
}

// A board's own fields, from "board" to "messages"; `own` and `other` are
// the indexes of its PlayerRecord and the other side's.
void addBoardFields(Line& line, const MatchState& match, const Board& b, int own, int other) {
    const PlayerRecord* players = match.players;
    const FallingPair& pair = b.pair;
    line.add("\"board\":[%d,%d],\"tick\":%d,\"frozen\":%d,\"flash\":%d,\"grid\":", b.x, b.y, b.tick, b.frozen ? 1 : 0,
             b.flash);
    addGrid(line, b.grid);
    line.add(",\"staging\":");
    addGrid(line, b.staging);
    line.add(",\"pair\":{\"col\":%d,\"rot\":%d,\"px\":%d,\"py\":%d,\"sx\":%d,\"sy\":%d,\"prow\":%d,\"srow\":%d,"
             "\"p\":\"%c\",\"s\":\"%c\",\"active\":%d,\"locked\":%d,\"touching\":%d,\"lockDelay\":%d,\"age\":%d,"
             "\"fall\":%d}",
             pair.column, pair.rotation, pair.pivot.screenX, pair.pivot.screenY, pair.satellite.screenX,
             pair.satellite.screenY, pair.pivot.row, pair.satellite.row, blockChar(pair.pivot),
             blockChar(pair.satellite), pair.active, pair.locked, pair.touching, pair.lockDelay, pair.age,
             pair.pivot.fallStep);
    line.add(",\"next\":\"%c%c\",\"score\":%d,\"shown\":%d,\"glow\":%d,\"pending\":[%d,%d],\"danger\":%d,"
             "\"chain\":%d,\"broken\":%d,\"settle\":%d,\"busy\":%d,\"newPairDue\":%d,\"toppedOut\":%d,"
             "\"particles\":%d,\"messages\":%zu",
             blockChar(b.nextPair.pivot), blockChar(b.nextPair.satellite), players[own].score,
             players[own].shownScore, players[own].scoreGlow, players[own].pendingDrops, players[other].pendingDrops,
             b.danger, b.chain, b.brokenThisTurn, b.settleUntil, b.busyUntil, b.newPairDue ? 1 : 0,
             b.toppedOut ? 1 : 0, b.particles.count, b.messages.items.size());
}

// Message counts of the two boards and the session before a step.
struct AddedBefore {
    std::uint64_t board[2];
    std::uint64_t session;
};

void writeTraceLine(Line& line, std::FILE* out, std::uint64_t step, const MatchState& logic, const SoundCues& sounds,
                    const AddedBefore& before) {
    const Board& b = logic.boards[0];
    line.add("{\"step\":%llu,\"t\":%d,\"paused\":%d,\"draws\":%llu,\"sounds\":[", static_cast<unsigned long long>(step),
             logic.elapsedTicks, logic.paused ? 1 : 0, static_cast<unsigned long long>(logic.random.draws()));
    for (int i = 0; i < sounds.count; ++i) {
        if (i) line.addChar(',');
        if (sounds.cues[i] == SoundPanelWake) {
            line.add("\"wake\"");
        } else if (sounds.cues[i] == SoundPanelBack) {
            line.add("\"back\"");
        } else {
            line.add("%d", sounds.cues[i]);
        }
    }
    line.add("],");
    addBoardFields(line, logic, b, 0, 1);
    line.add(",\"smessages\":%zu,\"texts\":[", logic.messages.items.size());
    bool first = true;
    addNewTexts(line, b.messages, b.messages.added - before.board[0], first);
    addNewTexts(line, logic.messages, logic.messages.added - before.session, first);
    line.add("],\"panel\":[%.9g,%.9g,%.9g]", static_cast<double>(logic.panel.alpha),
             static_cast<double>(logic.panel.width), static_cast<double>(logic.panel.height));
    if (logic.versusOn()) {
        const Board& b1 = logic.boards[1];
        line.add(",\"roundsWon\":%d,\"board1\":{", b.roundsWon);
        addBoardFields(line, logic, b1, 1, 0);
        line.add(",\"texts\":[");
        first = true;
        addNewTexts(line, b1.messages, b1.messages.added - before.board[1], first);
        line.add("],\"roundsWon\":%d}", b1.roundsWon);
    }
    line.addChar('}');
    line.write(out);
}

// A script word's key as a side bit, or 0 for the console's keys.
std::uint8_t sideBit(int scancode) {
    switch (scancode) {
    case ScanLeft: return SideLeft;
    case ScanRight: return SideRight;
    case ScanDown: return SideSoftDrop;
    case ScanUp: return SideHardDrop;
    case ScanSpace: return SideRotate;
    case ScanEnter: return SideDrop;
    case ScanEsc: return SidePause;
    default: return 0;
    }
}

std::uint8_t consoleBit(int scancode) {
    return scancode == ScanQ ? ConsoleQuit : scancode == ScanLShift ? ConsoleShift : 0;
}

// The input of the held script keys: the first script's on board 0 and the
// console, the second's on board 1 (its q and lshift are no keys of board
// 1).  The bot plays alone: the first script then keeps only the pause and
// quit keys (Enter would add blocks and draw a number).
StepInput scriptInput(const std::vector<int>* held, const std::vector<int>* held2, bool bot) {
    StepInput in;
    for (int key : held ? *held : std::vector<int>()) {
        if (bot && key != ScanEsc && key != ScanQ && key != ScanLShift) continue;
        in.sides[0] |= sideBit(key);
        in.console |= consoleBit(key);
    }
    for (int key : held2 ? *held2 : std::vector<int>()) in.sides[1] |= sideBit(key);
    return in;
}

// The online options' values; "" or the problem.
std::string parseNetOption(const std::string& flag, const char* text, Options& options) {
    std::uint64_t number = 0;
    const std::string bad = "bad value for " + flag + ": '" + excerpt(text) + "'";
    if (flag == "--net-game-version") {
        options.netGameVersion = text;
        return options.netGameVersion.empty() ? bad : "";
    }
    if (flag == "--net-join") {
        const char* colon = std::strrchr(text, ':');
        if (!colon || colon == text || !parseUnsigned(colon + 1, 65535, number) || number == 0) return bad;
        options.netRole = 2;
        options.netHost.assign(text, colon);
        options.netPort = static_cast<int>(number);
        return "";
    }
    const struct {
        const char* flag;
        std::uint64_t lo, hi;
    } ranges[] = {{"--net-host", 0, 65535},    {"--input-delay", 0, 4},     {"--net-step-ms", 1, 1000},
                  {"--net-wait", 1, 3600},     {"--rounds-to-win", 1, 5},   {"--net-corrupt-at", 1, MaxSteps}};
    for (const auto& r : ranges) {
        if (flag != r.flag) continue;
        if (!parseUnsigned(text, r.hi, number) || number < r.lo) return bad;
    }
    if (flag == "--net-host") options.netRole = 1, options.netPort = static_cast<int>(number);  // 0: any free port
    if (flag == "--input-delay") options.inputDelay = static_cast<int>(number);
    if (flag == "--net-step-ms") options.netStepMs = static_cast<int>(number);
    if (flag == "--net-wait") options.netWaitSeconds = static_cast<int>(number);
    if (flag == "--rounds-to-win") options.roundsToWin = static_cast<int>(number);
    if (flag == "--net-corrupt-at") options.netCorruptAt = number;
    return "";
}

} // namespace

MessagesAdded messagesAdded(const MatchState& state) {
    MessagesAdded added;
    added.board[0] = state.boards[0].messages.added;
    added.board[1] = state.boards[1].messages.added;
    added.session = state.messages.added;
    return added;
}

void writeTrace(std::FILE* out, std::uint64_t step, const MatchState& state, const SoundCues& sounds,
                const MessagesAdded& before) {
    Line line;
    writeTraceLine(line, out, step, state, sounds, {{before.board[0], before.board[1]}, before.session});
}

StepInput scriptKeys(const std::vector<int>* held, int side, bool console) {
    StepInput in;
    for (int key : held ? *held : std::vector<int>()) {
        in.sides[side] |= sideBit(key);
        if (console) in.console |= consoleBit(key);
    }
    return in;
}

std::string parseOptions(int argc, const char* const* argv, Options& options) {
    std::string shaping;  // a flag that sets what a replay sets
    for (int i = 0; i < argc; ++i) {
        const std::string flag = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* text = nullptr;
        std::uint64_t number = 0;
        if (flag != "--trace" && flag != "--quiet" && flag != "--replay" && flag != "--record") shaping = flag;
        if (flag == "--bot") {
            options.bot = true;
        } else if (flag == "--quiet") {
            options.quiet = true;
        } else if (flag == "--seed" || flag == "--steps" || flag == "--width" || flag == "--height") {
            if (!value(text)) return "missing value after " + flag;
            // The match counts its steps in 32-bit signed counters (ElapsedTicks,
            // a board's tick and the timers set from it), so a run stops well
            // short of where they would overflow.
            const std::uint64_t max = flag == "--seed"    ? 0xffffffffull
                                      : flag == "--steps" ? MaxSteps
                                                          : 65536ull;
            if (!parseUnsigned(text, max, number) || ((flag == "--width" || flag == "--height") && number == 0))
                return "bad number for " + flag + ": '" + text + "'";
            if (flag == "--seed") options.seed = static_cast<std::uint32_t>(number);
            if (flag == "--steps") options.steps = number;
            if (flag == "--width") options.width = static_cast<int>(number);
            if (flag == "--height") options.height = static_cast<int>(number);
        } else if (flag == "--opponent" || flag == "--cpu-level") {
            if (!value(text)) return "missing value after " + flag;
            const bool level = flag == "--cpu-level";
            if (!parseUnsigned(text, level ? CpuPlayer::MaxLevel : 2, number) ||
                (level && number < CpuPlayer::MinLevel))
                return "bad number for " + flag + ": '" + text + "'";
            (level ? options.cpuLevel : options.opponent) = static_cast<int>(number);
        } else if (flag == "--net-host" || flag == "--net-join" || flag == "--input-delay" || flag == "--net-step-ms" ||
                   flag == "--net-wait" || flag == "--net-corrupt-at" || flag == "--net-game-version" ||
                   flag == "--rounds-to-win") {
            if (!value(text)) return "missing value after " + flag;
            const std::string problem = parseNetOption(flag, text, options);
            if (!problem.empty()) return problem;
        } else if (flag == "--script" || flag == "--trace" || flag == "--script2" || flag == "--record" ||
                   flag == "--replay") {
            if (!value(text) || *text == '\0') return "missing value after " + flag;
            std::string& path = flag == "--script"   ? options.scriptPath
                                : flag == "--trace"  ? options.tracePath
                                : flag == "--record" ? options.recordPath
                                : flag == "--replay" ? options.replayPath
                                                     : options.script2Path;
            path = text;
        } else {
            return "unknown argument '" + flag + "'";
        }
    }
    if (!options.script2Path.empty() && options.opponent != 2) return "--script2 needs --opponent 2";
    if (options.netRole && (options.opponent || options.bot || !options.recordPath.empty()))
        return "an online run plays the other side over the network: no --opponent, --script2, --bot or --record";
    if (!options.replayPath.empty() && !shaping.empty())
        return "--replay plays the match the file holds: " + shaping + " cannot go with it";
    if (!options.replayPath.empty() && !options.recordPath.empty()) return "--record cannot go with --replay";
    return "";
}

std::string parseScript(const std::string& text, std::vector<ScriptLine>& script) {
    script.clear();
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        const std::string where = "script line " + std::to_string(lineNumber) + ": ";
        if (raw.size() > MaxScriptLine) return where + "longer than " + std::to_string(MaxScriptLine) + " characters";
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos || raw[start] == '#') continue;
        std::istringstream fields(raw);
        std::string stepText, keysText, extra;
        fields >> stepText >> keysText;
        if (keysText.empty() || (fields >> extra)) return where + "expected 'STEP KEYS', got '" + excerpt(raw) + "'";
        ScriptLine line;
        if (!parseUnsigned(stepText.c_str(), 1000000000000ull, line.step) || line.step == 0)
            return where + "bad step '" + excerpt(stepText) + "'";
        if (!script.empty() && line.step <= script.back().step)
            return where + "step " + stepText + " does not follow step " + std::to_string(script.back().step);
        if (keysText != "-") {
            std::istringstream words(keysText);
            std::string word;
            while (std::getline(words, word, ',')) {
                int scancode = -1;
                for (const KeyWord& k : KeyWords) {
                    if (word == k.word) scancode = k.scancode;
                }
                if (scancode < 0) return where + "unknown key '" + excerpt(word) + "'";
                line.keys.push_back(scancode);
            }
            if (keysText.back() == ',') return where + "empty key name in '" + excerpt(keysText) + "'";
        }
        script.push_back(line);
    }
    return "";
}

std::string loadScript(const std::string& path, std::vector<ScriptLine>& script) {
    // Only a regular file: a directory is no empty script, and a pipe or a
    // device such as /dev/zero could be read without end.
    if (regularFileSize(path.c_str()) > static_cast<long long>(MaxScriptBytes))
        return "script '" + path + "' is larger than " + std::to_string(MaxScriptBytes) + " bytes";
    std::string text;
    if (!readRegularFile(path.c_str(), MaxScriptBytes, text)) return "cannot read script '" + path + "'";
    return parseScript(text, script);
}

Options replayOptions(const Replay& replay, const Options& given) {
    Options options;
    options.steps = replay.lastStep;
    options.width = replay.header.width;
    options.height = replay.header.height;
    options.tracePath = given.tracePath;
    options.quiet = given.quiet;
    options.replayPath = given.replayPath;
    return options;
}

Summary run(const Options& options, const std::vector<ScriptLine>& script, std::FILE* trace,
            const std::vector<ScriptLine>& script2, KeyRecorder recorder, void* context, ReplayLink* replay) {
    const Replay* play = replay ? replay->play : nullptr;
    MatchState logic = play ? replayState(play->header, options.width, options.height)
                            : MatchState(options.width, options.height, options.seed);
    if (!play) {
        logic.versus.opponent = options.opponent;
        logic.versus.cpuLevel = options.cpuLevel;
        logic.versus.roundsToWin = options.roundsToWin;
    }
    Summary summary;
    if (play) {
        replay->problem = catchUpStartDraws(logic, play->header);
        if (!replay->problem.empty()) return summary;
    }
    logic.load();
    std::unique_ptr<ReplayPlayer> player(play ? new ReplayPlayer(*play, logic) : nullptr);
    std::unique_ptr<ReplayRecorder> recording;
    if (replay && replay->record) recording.reset(new ReplayRecorder(replayHeader(logic, GameVersion)));
    CpuPlayer bot(options.seed, options.botLevel);
    Line line;

    const auto started = std::chrono::steady_clock::now();
    std::size_t nextLine = 0;
    std::size_t nextLine2 = 0;
    const std::vector<int>* held = nullptr;
    const std::vector<int>* held2 = nullptr;
    std::vector<int> cpuHeld;
    StepInput input;
    std::int32_t matchesBefore = 0;
    for (std::uint64_t step = 1; step <= options.steps; ++step) {
        const bool change = nextLine < script.size() && script[nextLine].step == step;
        const bool change2 = nextLine2 < script2.size() && script2[nextLine2].step == step;
        if (change) held = &script[nextLine++].keys;
        if (change2) held2 = &script2[nextLine2++].keys;
        if (change || change2) input = scriptInput(held, held2, options.bot);
        if (options.bot) bot.steer(logic.boards[0], input.sides[0]);
        const AddedBefore before{{logic.boards[0].messages.added, logic.boards[1].messages.added},
                                 logic.messages.added};
        matchesBefore = logic.matchesWon[0] + logic.matchesWon[1];
        StepEvents events;
        const bool agreed = player ? player->step(&events) : true;
        if (!player) events = logic.step(input);
        if (trace) {
            writeTraceLine(line, trace, step, logic, events.sounds, before);
            if (std::ferror(trace)) break;  // the caller reports it
        }
        if (recorder) {
            cpuHeld.clear();
            for (int key : {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace}) {
                if (events.sideKeys[1] & sideBit(key)) cpuHeld.push_back(key);
            }
            recorder(context, step, cpuHeld);
        }
        if (recording) recordStep(*recording, input, events, logic);
        summary.steps = step;
        if (!agreed) {
            replay->problem = player->problem();
            break;
        }
        if (events.quit) break;
        if (options.stopAfterMatches > 0 && logic.matchesWon[0] + logic.matchesWon[1] >= options.stopAfterMatches)
            break;
    }
    // A run records as a finished match when its last step won one.
    if (recording)
        replay->recorded = recording->cut(1, logic.matchesWon[0] + logic.matchesWon[1] > matchesBefore,
                                          replayDigest(logic));
    summary.versus = logic.versusOn();
    for (int side = 0; side < 2; ++side) {
        summary.roundsWon[side] = logic.boards[side].roundsWon;
        summary.matchesWon[side] = logic.matchesWon[side];
    }
    summary.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary.score = logic.players[0].score;
    summary.roundsLost = logic.roundsLost;
    summary.draws = logic.random.draws();
    return summary;
}

std::string summaryLine(const Summary& s) {
    const double perSecond = s.elapsedSeconds > 0 ? static_cast<double>(s.steps) / s.elapsedSeconds : 0.0;
    char text[256];
    std::snprintf(text, sizeof text, "steps=%llu elapsed_s=%.3f steps_per_s=%.0f score=%d rounds_lost=%d draws=%llu",
                  static_cast<unsigned long long>(s.steps), s.elapsedSeconds, perSecond, s.score, s.roundsLost,
                  static_cast<unsigned long long>(s.draws));
    std::string line = text;
    if (s.versus) {
        std::snprintf(text, sizeof text, " rounds_won=%d,%d matches_won=%d,%d", s.roundsWon[0], s.roundsWon[1],
                      s.matchesWon[0], s.matchesWon[1]);
        line += text;
    }
    if (s.online) {
        const NetSummary& n = s.net;
        std::snprintf(text, sizeof text,
                      " side=%d ticks=%llu waited=%llu yields=%llu rollbacks=%llu rollback_depth_mean=%.2f "
                      "rollback_depth_max=%u rollback_cpu_s=%.4f sent_bytes=%llu received_bytes=%llu desyncs=%u "
                      "cpu_s=%.3f",
                      n.side, static_cast<unsigned long long>(n.ticks), static_cast<unsigned long long>(n.waited),
                      static_cast<unsigned long long>(n.yields), static_cast<unsigned long long>(n.rollbacks),
                      n.rollbacks ? static_cast<double>(n.depthSum) / static_cast<double>(n.rollbacks) : 0.0,
                      n.depthMax, n.rollbackSeconds, static_cast<unsigned long long>(n.sentBytes),
                      static_cast<unsigned long long>(n.receivedBytes), n.desyncs, n.cpuSeconds);
        line += text;
    }
    return line;
}

} // namespace sim
} // namespace tessaron
