// The application shell: start-up, the main loop and shut-down of the game.
// Main thread; the tick and close callbacks it installs run on Allegro's
// threads and only touch TickCounter and QuitFlag.
#pragma once

#include <string>

namespace tessaron {

// Runs the whole program with its command line (shell/command_line.h) and
// returns its exit code: 0 after a normal quit or after --help or
// --version, 2 for a refused option or a versus match on a screen too small
// for it, -1 when Allegro or the graphics mode cannot start, 1 when
// required data is missing.
int runApplication(int argc, const char* const* argv);

// Writes a fatal message to standard error and, while Allegro is up, shows
// it in Allegro's message box as well.
void reportFatal(const char* text);
// Reports required data files that could not be loaded (`files`: one
// "\n  path: reason" per file, the path relative to the working directory,
// which it names).
void reportMissingData(const std::string& files);

} // namespace tessaron
