// What the process holds and may write, for tests of resources: the file
// descriptors it holds open (taken before and after many loads, it shows a
// loader that leaves one open), and a file size limit standing in for a
// full disk.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <iterator>

namespace tessaron {

inline long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

// While it lives, a write past `bytes` fails with EFBIG (as on a full disk)
// instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &was_);
        rlimit cut = was_;
        cut.rlim_cur = bytes;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &cut);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &was_);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit was_{};
};

} // namespace tessaron
