// The screenshot: a bitmap (the session's back buffer) saved as a BMP with
// no palette to "screenshots/tessaron.bmp", replacing any earlier file; the
// "screenshots" folder is created when it is missing.  Depends on Allegro 4
// and the C library.  Main thread.
//
// Failure never stops the game: a folder that cannot be created or a file
// that cannot be written returns false and leaves everything else as it was.
#pragma once

#include <allegro.h>

namespace tessaron {

// Saves to screenshots/tessaron.bmp under the working directory.
bool saveScreenshot(BITMAP* frame);
// Saves to <folder>/tessaron.bmp, creating the folder (one level) if needed.
bool saveScreenshotTo(BITMAP* frame, const char* folder);

} // namespace tessaron
