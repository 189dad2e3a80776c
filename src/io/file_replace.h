// Writing a whole file so that it is never seen half written: the bytes go
// to a hidden temporary file in the same folder, which is renamed over the
// file's name only once every byte is written and the file closed.  POSIX
// only, no Allegro; any thread.
//
// Failures: the first write that fails (a full disk, a size limit) ends the
// write at once; the temporary file is then removed, the target left as it
// was, and the problem comes back as one line of text.
#pragma once

#include <string>

namespace tessaron {

// Writes `bytes` as `path`, replacing a regular file of that name; anything
// else in its place (a folder, a pipe) is left alone and refused.  Returns
// "" or the problem.
std::string writeFileReplacing(const std::string& path, const std::string& bytes);
// Creates the folder `path` (one level) unless it exists: "" or the problem.
std::string makeFolder(const std::string& path);

} // namespace tessaron
