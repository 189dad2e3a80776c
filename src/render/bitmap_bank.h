// BitmapBank: a fixed bank of pictures addressed by load order, and the five
// process-wide banks the drawing reads (block, breaker, bomb, icon and
// particle pictures).  A slot number is what the logic stores (a cell's
// colour, a particle's bitmap index); the drawing turns it into a BITMAP
// here.  Depends on Allegro 4.  Main thread only.
//
// Failures: a file that cannot be loaded leaves its slot empty but still
// takes it, so later pictures keep their slot numbers; get() returns null for
// an empty or out-of-range slot and every drawer skips a null picture.  A
// bank holding 255 entries ignores further pictures.
#pragma once

#include <allegro.h>

#include <string>

namespace tessaron {

class BitmapBank {
public:
    static constexpr int SlotCount = 256;
    static constexpr int UsableSlots = 255;

    BitmapBank() = default;
    BitmapBank(const BitmapBank&) = delete;
    BitmapBank& operator=(const BitmapBank&) = delete;
    // The banks are freed by the session's shutdown, before Allegro stops;
    // destruction at exit does not touch the slots.
    ~BitmapBank() = default;

    // Loads a BMP (no palette) into the next slot; a file that is not a
    // sound BMP (render/bmp_file.h) leaves the slot empty, with the reason
    // in *refusal when given.
    void add(const char* path, std::string* refusal = nullptr);
    // Takes ownership of a picture made in memory and puts it in the next
    // slot, as add does with a loaded file (null keeps the slot empty).  A
    // full bank destroys the picture.
    void adopt(BITMAP* picture);
    // Destroys every picture and empties the bank for a new load.
    void freeAll();

    // The picture of a slot, or null.
    BITMAP* get(int slot) const;
    // Slots taken so far, empty ones included.
    int count() const { return count_; }

private:
    int count_ = 0;
    int next_ = 0;
    BITMAP* slots_[SlotCount] = {};
};

// The game's pictures, defined in render/bitmap_bank.cpp.  Slot numbers of
// the block and breaker banks are BlockColour values.
extern BitmapBank BlockPictures;
extern BitmapBank BreakerPictures;
extern BitmapBank BombPictures;
extern BitmapBank IconPictures;
extern BitmapBank ParticlePictures;

// Loads the five banks from data/ in their fixed slot order and connects
// the particle size lookup.  Returns true when every picture loaded; else
// false with *missingFiles (when given) listing every file that did not,
// each on its own line with the reason ("\n  path: reason").
bool loadPictureBanks(std::string* missingFiles);
// Frees the five banks.
void freePictureBanks();

} // namespace tessaron
