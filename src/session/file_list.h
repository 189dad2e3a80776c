// FileList: up to 256 file names found by a directory scan, with a random
// pick.  The scan itself needs the file system and is done by the game
// (Allegro's al_findfirst) through add(); the logic only picks.  An empty
// list never draws a random number.  Main thread; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

class RandomSource;

class FileList {
public:
    static constexpr int Capacity = 256;
    static constexpr int NameSize = 256;

    // Empties the list.
    void clear();
    // Stores a found name; names beginning with "." and names past the
    // 256th are refused (false).  A name too long for its slot is refused.
    bool add(const char* name);
    // A name chosen with random.randomInt(0, count - 1), or nullptr when the
    // list is empty (then nothing is drawn).
    const char* pick(RandomSource& random) const;

    int count() const { return count_; }
    const char* name(int i) const { return names_[i]; }

private:
    int count_ = 0;
    char names_[Capacity][NameSize] = {};
};

} // namespace tessaron
