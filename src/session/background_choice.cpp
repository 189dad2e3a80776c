#include "session/background_choice.h"

#include <cstdio>

#include "session/file_list.h"

namespace tessaron {

bool loadFirstUsable(const FileList& names, const char* picked, const char* directory, const char* fallback,
                     const std::function<bool(const char* path)>& load) {
    int first = 0;
    while (first < names.count() && names.name(first) != picked) ++first;
    // Not found (no pick): the loop below tries nothing.
    const int tries = first < names.count() ? names.count() : 0;
    for (int i = 0; i < tries; ++i) {
        char path[512];
        std::snprintf(path, sizeof path, "%s%s", directory, names.name((first + i) % names.count()));
        if (load(path)) return true;
    }
    return load(fallback);
}

} // namespace tessaron
