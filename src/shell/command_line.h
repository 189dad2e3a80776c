// The command line: options that override cfg/config.cfg for one run and
// are never written back.  It is parsed before Allegro starts, and this
// file never sees an Allegro header, so --help, --version and a refused
// option print and end the program without opening a window, and the
// parser is tested headless.  Main thread only.
//
// Every option is one row of one table (command_line.cpp): its name, the
// kind and range of its value, what it sets in GameConfig and a line of
// help.  The usage text is made from that table, so it lists exactly the
// options that exist; a new option is a new row.
#pragma once

#include <string>
#include <vector>

#include "shell/game_config.h"

namespace tessaron {

// What follows an option on the command line.
enum class ValueKind {
    None,    // a switch: --window
    Number,  // a decimal number from lo to hi: --level 5
    Choice,  // one of the row's words: --versus cpu
    Size,    // WIDTHxHEIGHT, each side from lo to hi: --size 800x600
    Path,    // a file name, not empty: --replay FILE
    OptionalNumber,  // a Number, or nothing when no number follows: --host [PORT]
    Address,  // a host name or address, then :PORT (lo to hi) or nothing: --join HOST[:PORT]
};

// An option's value as parsed: `number` for Number, OptionalNumber (0 for
// none), Choice (the word's number) and an Address's port (0 for none),
// `width` and `height` for Size, `text` for Path and an Address's host.
struct OptionValue {
    int number = 0;
    int width = 0;
    int height = 0;
    std::string text;
};

// A word a Choice option takes and the number it stands for.
struct OptionWord {
    const char* word;
    int number;
};

// What the program does after reading its command line.
enum class RunMode { Play, ShowHelp, ShowVersion, Refused };

struct OptionRow {
    const char* name;             // "--level"
    const char* valueName;        // "N", "WxH" in the usage; nullptr for None and Choice
    ValueKind kind;
    int lo, hi;                   // a Number's range, each side of a Size
    std::vector<OptionWord> words;  // a Choice's words, in the usage's order
    RunMode mode;                 // Play, or the help or version it asks for
    void (*apply)(GameConfig& config, const OptionValue& value);  // nullptr unless mode is Play
    const char* help;             // one line; a range is added to it
};

// Every option, in the usage's order.
const std::vector<OptionRow>& optionTable();

// A parsed command line.  Refused: `error` is the one line that names the
// option or value (without the program's name).
struct CommandLine {
    struct Setting {
        const OptionRow* row;
        OptionValue value;
    };
    RunMode mode = RunMode::Play;
    std::string error;
    std::vector<Setting> settings;  // in the order given; a later one wins

    // Sets what the options give over the settings read from the file.
    void applyTo(GameConfig& config) const;
};

// Reads argv[1..argc-1]: "--name value" or "--name=value".  Stops at the
// first --help or --version, or at the first bad argument.
CommandLine parseCommandLine(int argc, const char* const* argv);

// "Usage: tessaron [OPTION]..." and a line per option.
std::string usageText();

// "Tessaron <the version of project()>".
std::string versionText();

// Prints what a command line that does not play asks for: the help or the
// version on standard output (exit status 0), or the refusal and the usage
// on standard error (exit status 2).  Returns that exit status.
int finishWithoutPlaying(const CommandLine& commandLine);

} // namespace tessaron
