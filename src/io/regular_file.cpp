#include "io/regular_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaron {

int openRegularFile(const char* path, long long* size) {
    struct stat info;
    // The type is checked before the open, so that opening has no effect on
    // a device, and again on the open descriptor, in case the path changed
    // in between; O_NONBLOCK keeps a pipe swapped in meanwhile from blocking.
    if (path == nullptr || stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size) *size = static_cast<long long>(info.st_size);
    return fd;
}

long long regularFileSize(const char* path) {
    long long size = -1;
    const int fd = openRegularFile(path, &size);
    if (fd < 0) return -1;
    close(fd);
    return size;
}

long long readUpTo(int fd, void* buffer, std::size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = read(fd, out + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

bool readRegularFile(const char* path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    long long size = 0;
    const int fd = openRegularFile(path, &size);
    if (fd < 0) return false;
    bool ok = static_cast<unsigned long long>(size) <= maxBytes;
    if (ok) {
        // One byte more than the size shows a file that grew while read.
        bytes.resize(static_cast<std::size_t>(size) + 1);
        const long long got = readUpTo(fd, &bytes[0], bytes.size());
        ok = got >= 0 && got <= size;
        bytes.resize(ok ? static_cast<std::size_t>(got) : 0);
    }
    close(fd);
    return ok;
}

} // namespace tessaron
