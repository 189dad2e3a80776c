#include "session/file_list.h"

#include <cstring>

#include "board/random_source.h"

namespace tessaron {

void FileList::clear() {
    count_ = 0;
    std::memset(names_, 0, sizeof names_);
}

bool FileList::add(const char* name) {
    if (!name || name[0] == '.' || name[0] == '\0' || count_ >= Capacity) return false;
    if (std::strlen(name) >= static_cast<std::size_t>(NameSize)) return false;
    std::memcpy(names_[count_], name, std::strlen(name) + 1);
    ++count_;
    return true;
}

const char* FileList::pick(RandomSource& random) const {
    if (count_ == 0) return nullptr;  // the range 0..-1 is never drawn from
    return names_[random.randomInt(0, count_ - 1)];
}

} // namespace tessaron
