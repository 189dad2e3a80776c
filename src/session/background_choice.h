// Which file the background comes from when the picked one is refused.
// The random pick stays FileList::pick's one draw; after a refusal the
// folder's other names are tried in list order, wrapping round to the
// first, then the fallback file, so that a good picture beside a bad one is
// always shown.  No Allegro and no random draw: the loading is the
// caller's.  Main thread.
#pragma once

#include <functional>

namespace tessaron {

class FileList;

// Offers `load` the full path of each candidate in turn (`directory` + the
// picked name of `names`, the names after it, then the names before it,
// then `fallback`) until it accepts one; true when one was accepted.
// `picked` is the name FileList::pick returned: null (an empty list) leaves
// only the fallback.
bool loadFirstUsable(const FileList& names, const char* picked, const char* directory, const char* fallback,
                     const std::function<bool(const char* path)>& load);

} // namespace tessaron
