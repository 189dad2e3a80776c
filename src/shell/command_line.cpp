#include "shell/command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "session/cpu_player.h"

namespace tessaron {

namespace {

// Online: a versus of two players over the network; `host` "" hosts.
void playOnline(GameConfig& c, const std::string& host, int port) {
    c.online.on = true;
    c.versus.opponent = 2;
    c.online.host = host;
    if (port) c.online.port = port;
}

} // namespace

const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> table = {
        {"--versus", nullptr, ValueKind::Choice, 0, 0,
         {{"cpu", 1}, {"human", 2}, {"online", OnlineOpponent}, {"off", 0}}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) {
             c.online.on = v.number == OnlineOpponent;
             c.versus.opponent = c.online.on ? 2 : v.number;
         },
         "play the computer, a second player here or one online, or alone"},
        {"--level", "N", ValueKind::Number, CpuPlayer::MinLevel, CpuPlayer::MaxLevel, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { c.versus.cpuLevel = v.number; },
         "the computer's strength, weakest to strongest"},
        {"--rounds", "N", ValueKind::Number, 1, VersusOptions::MaxRoundsToWin, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { c.versus.roundsToWin = v.number; },
         "rounds that win a versus match"},
        {"--host", "PORT", ValueKind::OptionalNumber, 1, 65535, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { playOnline(c, "", v.number); },
         "host an online match on this UDP port, [Net] port if none is given"},
        {"--join", "ADDR[:PORT]", ValueKind::Address, 1, 65535, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { playOnline(c, v.text, v.number); },
         "join the online match hosted at ADDR, on [Net] port if none is given"},
        {"--input-delay", "N", ValueKind::Number, 0, net::MaxInputDelay, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { c.online.inputDelay = v.number; },
         "online, steps of 40 ms from a key press to its effect"},
        {"--window", nullptr, ValueKind::None, 0, 0, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue&) { c.fullscreen = 0; }, "play in a window"},
        {"--fullscreen", nullptr, ValueKind::None, 0, 0, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue&) { c.fullscreen = 1; }, "play full screen"},
        {"--size", "WxH", ValueKind::Size, 1, MaxScreenSide, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) {
             c.screenWidth = v.width;
             c.screenHeight = v.height;
         },
         "window or screen size in pixels"},
        {"--record", "FILE", ValueKind::Path, 0, 0, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) { c.recordPath = v.text; }, "write this run as a replay to FILE"},
        {"--replay", "FILE", ValueKind::Path, 0, 0, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue& v) {
             c.replay = v.text;
             c.replayLast = false;
         },
         "watch the replay in FILE"},
        {"--last-replay", nullptr, ValueKind::None, 0, 0, {}, RunMode::Play,
         [](GameConfig& c, const OptionValue&) { c.replayLast = true; }, "watch the newest replay in replays/"},
        {"--help", nullptr, ValueKind::None, 0, 0, {}, RunMode::ShowHelp, nullptr, "print this help and exit"},
        {"--version", nullptr, ValueKind::None, 0, 0, {}, RunMode::ShowVersion, nullptr,
         "print the version and exit"},
    };
    return table;
}

namespace {

// A whole decimal number: an optional minus sign, then digits only.  One
// past the range of long reads as its end (strtol saturates), which every
// row's range refuses.
bool parseWhole(const std::string& text, long& number) {
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || text.find_first_not_of("0123456789", digits) != std::string::npos) return false;
    number = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

// The value as the usage shows it: "N", "WxH" or "cpu|human|off".
std::string valueName(const OptionRow& row) {
    if (row.valueName) return row.valueName;
    std::string words;
    for (const OptionWord& w : row.words) words += (words.empty() ? "" : "|") + std::string(w.word);
    return words;
}

// The option and its value as the usage shows them: "--level N", "--host
// [PORT]".
std::string usageName(const OptionRow& row) {
    if (row.kind == ValueKind::OptionalNumber) return std::string(row.name) + " [" + valueName(row) + "]";
    return row.kind == ValueKind::None ? row.name : std::string(row.name) + " " + valueName(row);
}

// " (1 to 5)" after a Number's help, " (each side 1 to 4096)" after a Size's,
// " (port 1 to 65535)" after an Address's.
std::string rangeText(const OptionRow& row) {
    const std::string range = std::to_string(row.lo) + " to " + std::to_string(row.hi) + ")";
    if (row.kind == ValueKind::Number || row.kind == ValueKind::OptionalNumber) return " (" + range;
    if (row.kind == ValueKind::Address) return " (port " + range;
    if (row.kind == ValueKind::Size) return " (each side " + range;
    return "";
}

// Reads `text` as the value of `row`; returns the reason it is refused, or
// an empty string.
std::string parseValue(const OptionRow& row, const std::string& text, OptionValue& value) {
    const std::string quoted = std::string(row.name) + " " + text + ": ";
    long a = 0, b = 0;
    switch (row.kind) {
    case ValueKind::None:
        return std::string(row.name) + " takes no value";
    case ValueKind::Choice:
        for (const OptionWord& w : row.words) {
            if (text == w.word) {
                value.number = w.number;
                return "";
            }
        }
        return quoted + "not one of " + valueName(row);
    case ValueKind::Address: {
        const std::size_t colon = text.rfind(':');
        value.text = text.substr(0, colon);
        if (value.text.empty()) return quoted + "no host";
        if (colon == std::string::npos) return "";
        if (!parseWhole(text.substr(colon + 1), a)) return quoted + "not a port number";
        if (a < row.lo || a > row.hi) return quoted + "out of range" + rangeText(row);
        value.number = static_cast<int>(a);
        return "";
    }
    case ValueKind::Number:
    case ValueKind::OptionalNumber:
        if (!parseWhole(text, a)) return quoted + "not a number";
        if (a < row.lo || a > row.hi) return quoted + "out of range" + rangeText(row);
        value.number = static_cast<int>(a);
        return "";
    case ValueKind::Path:
        if (text.empty()) return std::string(row.name) + " needs a value (" + valueName(row) + ")";
        value.text = text;
        return "";
    case ValueKind::Size: {
        const std::size_t x = text.find('x');
        if (x == std::string::npos || !parseWhole(text.substr(0, x), a) || !parseWhole(text.substr(x + 1), b))
            return quoted + "not of the form " + valueName(row);
        if (std::min(a, b) < row.lo || std::max(a, b) > row.hi) return quoted + "out of range" + rangeText(row);
        value.width = static_cast<int>(a);
        value.height = static_cast<int>(b);
        return "";
    }
    }
    return quoted + "not understood";
}

} // namespace

void CommandLine::applyTo(GameConfig& config) const {
    for (const Setting& s : settings) s.row->apply(config, s.value);
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    auto refuse = [&result](const std::string& why) {
        result.mode = RunMode::Refused;
        result.error = why;
        result.settings.clear();
        return result;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto row = std::find_if(optionTable().begin(), optionTable().end(),
                                      [&name](const OptionRow& r) { return name == r.name; });
        if (row == optionTable().end())
            return refuse((arg.compare(0, 1, "-") == 0 ? "unknown option " : "unexpected argument ") + name);
        OptionValue value;
        // An optional number takes the next argument only when it is one.
        long number = 0;
        const bool takesNext = row->kind == ValueKind::OptionalNumber
                                   ? i + 1 < argc && parseWhole(argv[i + 1], number)
                                   : row->kind != ValueKind::None;
        if (equals != std::string::npos || takesNext) {
            std::string text;
            if (equals != std::string::npos)
                text = arg.substr(equals + 1);
            else if (i + 1 < argc)
                text = argv[++i];
            else
                return refuse(std::string(row->name) + " needs a value (" + valueName(*row) + ")");
            const std::string why = parseValue(*row, text, value);
            if (!why.empty()) return refuse(why);
        }
        if (row->mode != RunMode::Play) {
            result.mode = row->mode;
            return result;
        }
        result.settings.push_back({&*row, value});
    }
    return result;
}

std::string usageText() {
    std::string text = "Usage: tessaron [OPTION]...\n"
                       "Plays Tessaron.  The options override cfg/config.cfg for this run only.\n\n";
    std::size_t width = 0;
    for (const OptionRow& row : optionTable()) width = std::max(width, usageName(row).size());
    for (const OptionRow& row : optionTable()) {
        const std::string left = usageName(row);
        text += "  " + left + std::string(width - left.size() + 2, ' ') + row.help + rangeText(row) + "\n";
    }
    return text;
}

std::string versionText() { return std::string("Tessaron ") + TESSARON_VERSION; }

int finishWithoutPlaying(const CommandLine& commandLine) {
    if (commandLine.mode == RunMode::Refused) {
        std::fprintf(stderr, "Tessaron: %s\n%s", commandLine.error.c_str(), usageText().c_str());
        return 2;
    }
    const std::string text = commandLine.mode == RunMode::ShowHelp ? usageText() : versionText() + "\n";
    std::fputs(text.c_str(), stdout);
    return 0;
}

} // namespace tessaron
