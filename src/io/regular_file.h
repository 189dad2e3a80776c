// Reading files that may be hostile.  A path is read only when it names a
// regular file (links followed), and it is opened without blocking, so a
// named pipe, a device or a folder in its place is refused at once instead
// of stalling the program on its first read.  POSIX only, no Allegro; any
// thread.  Failures come back as -1 or false with nothing left open.
#pragma once

#include <cstddef>
#include <string>

namespace tessaron {

// Opens `path` read-only when it is a regular file: the descriptor (close
// it with close()), or -1.  `size`, when given, receives the file's size.
int openRegularFile(const char* path, long long* size = nullptr);
// The size of a regular file that can be opened for reading, or -1.
long long regularFileSize(const char* path);
// Reads up to `count` bytes, retrying short reads, until the end of the
// file: the number of bytes read, or -1 on an error.
long long readUpTo(int fd, void* buffer, std::size_t count);
// Reads a whole regular file of at most `maxBytes` bytes into `bytes`.
// False for anything else (missing, not a regular file, larger, unreadable).
bool readRegularFile(const char* path, std::size_t maxBytes, std::string& bytes);

} // namespace tessaron
