// The screenshot: a bitmap (the session's back buffer) saved as a BMP with
// no palette to "screenshots/tessaron.bmp", replacing any earlier file; the
// "screenshots" folder is created when it is missing.  Depends on Allegro 4
// and the C library.  Main thread.
//
// The picture is written to a new file in the same folder and renamed over
// the old screenshot only when complete; the first write that fails (a full
// disk) ends the save at once.  Failure never stops the game: a folder that
// cannot be created, a pipe or folder in the file's place or a write that
// fails returns false and leaves the earlier screenshot as it was.
#pragma once

#include <allegro.h>

namespace tessaron {

// Saves to screenshots/tessaron.bmp under the working directory.
bool saveScreenshot(BITMAP* frame);
// Saves to <folder>/tessaron.bmp, creating the folder (one level) if needed.
bool saveScreenshotTo(BITMAP* frame, const char* folder);

} // namespace tessaron
