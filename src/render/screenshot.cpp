#include "render/screenshot.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace tessaron {

bool saveScreenshot(BITMAP* frame) { return saveScreenshotTo(frame, "screenshots"); }

bool saveScreenshotTo(BITMAP* frame, const char* folder) {
    if (!frame || !folder) return false;
    if (mkdir(folder, 0777) != 0 && errno != EEXIST) return false;
    char path[512];
    const int n = std::snprintf(path, sizeof path, "%s/tessaron.bmp", folder);
    if (n < 0 || n >= static_cast<int>(sizeof path)) return false;
    return save_bitmap(path, frame, nullptr) == 0;
}

} // namespace tessaron
