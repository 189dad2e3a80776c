#include "net/net_match.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>

namespace tessaron {
namespace net {

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string hexLines(const std::vector<std::uint8_t>& bytes) {
    static const char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2 + bytes.size() / 32 + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 15];
        if (i % 32 == 31 || i + 1 == bytes.size()) text += '\n';
    }
    return text;
}

std::string writeDesyncReport(const std::string& folder, const char* role, std::uint32_t step,
                              const std::string& text) {
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return "";
    const std::string path = folder + "/desync-" + role + "-" + std::to_string(step) + ".txt";
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return "";
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    return written && closed ? path : "";
}

} // namespace net
} // namespace tessaron
