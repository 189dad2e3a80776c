#include "assets/bytes.h"

#include <cstdio>

namespace tessaron::assets {

bool Bytes::save(const std::string& path) const
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return (std::fclose(f) == 0) && ok;
}

} // namespace tessaron::assets
