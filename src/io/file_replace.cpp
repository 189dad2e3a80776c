#include "io/file_replace.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaron {
namespace {

std::string problem(const char* what, const std::string& path, int error) {
    return std::string(what) + " '" + path + "': " + std::strerror(error);
}

// Writes every byte to `fd`, retrying short writes; false at the first
// write that fails, with errno telling why.
bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string writeFileReplacing(const std::string& path, const std::string& bytes) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return "cannot replace '" + path + "': not a file";
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string partial = folder + "." + name + "." + std::to_string(getpid()) + ".part";
    unlink(partial.c_str());  // a leftover of an earlier run killed mid-write
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return problem("cannot create", partial, errno);
    bool ok = writeAll(fd, bytes);
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(partial.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) return "";
    unlink(partial.c_str());
    return problem("cannot write", path, error);
}

std::string makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0) return "";
    const int error = errno;
    struct stat info;
    if (error == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "";
    return problem("cannot create the folder", path, error == EEXIST ? ENOTDIR : error);
}

} // namespace tessaron
