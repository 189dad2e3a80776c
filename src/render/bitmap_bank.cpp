#include "render/bitmap_bank.h"

#include "render/bmp_file.h"
#include "render/particles_draw.h"

namespace tessaron {

BitmapBank BlockPictures;
BitmapBank BreakerPictures;
BitmapBank BombPictures;
BitmapBank IconPictures;
BitmapBank ParticlePictures;

void BitmapBank::add(const char* path, std::string* refusal) {
    if (count_ >= UsableSlots) return;
    adopt(loadCheckedBmp(path, refusal));
}

void BitmapBank::adopt(BITMAP* picture) {
    if (count_ >= UsableSlots) {
        if (picture) destroy_bitmap(picture);
        return;
    }
    slots_[next_] = picture;
    ++next_;
    ++count_;
}

void BitmapBank::freeAll() {
    for (BITMAP*& slot : slots_) {
        if (!slot) continue;
        destroy_bitmap(slot);
        slot = nullptr;
    }
    count_ = next_ = 0;
}

BITMAP* BitmapBank::get(int slot) const { return slot >= 0 && slot < SlotCount ? slots_[slot] : nullptr; }

namespace {

const char* const BlockFiles[] = {
    "data/gfx/blocks/block_red.bmp",  "data/gfx/blocks/block_green.bmp",  "data/gfx/blocks/block_blue.bmp",
    "data/gfx/blocks/block_yellow.bmp", "data/gfx/blocks/block_purple.bmp",
};
const char* const BreakerFiles[] = {
    "data/gfx/blocks/breaker_red.bmp",    "data/gfx/blocks/breaker_green.bmp",
    "data/gfx/blocks/breaker_blue.bmp",   "data/gfx/blocks/breaker_yellow.bmp",
    "data/gfx/blocks/breaker_purple.bmp",
};
const char* const BombFiles[] = {"data/gfx/blocks/special_bomb.bmp"};
const char* const IconFiles[] = {"data/gfx/icons/win_circle.bmp"};
const char* const ParticleFiles[] = {
    "data/particles/generic_white.bmp",  "data/particles/generic_red.bmp",
    "data/particles/generic_green.bmp",  "data/particles/generic_blue.bmp",
    "data/particles/generic_yellow.bmp", "data/particles/generic_orange.bmp",
    "data/particles/generic_purple.bmp", "data/particles/generic_pink.bmp",
    "data/particles/testblob.bmp",       "data/particles/testparticle3.bmp",
    "data/particles/testparticle.bmp",
};

// Fills one bank in order; every file that did not load is added to
// `missing` with the reason, one per line.
template <int N>
void loadBank(BitmapBank& bank, const char* const (&files)[N], std::string& missing) {
    for (const char* path : files) {
        std::string refusal;
        bank.add(path, &refusal);
        if (!bank.get(bank.count() - 1)) missing.append("\n  ").append(path).append(": ").append(refusal);
    }
}

} // namespace

bool loadPictureBanks(std::string* missingFiles) {
    std::string missing;
    loadBank(BlockPictures, BlockFiles, missing);
    loadBank(BreakerPictures, BreakerFiles, missing);
    loadBank(BombPictures, BombFiles, missing);
    loadBank(IconPictures, IconFiles, missing);
    loadBank(ParticlePictures, ParticleFiles, missing);
    connectParticlePictures();
    if (missingFiles) *missingFiles = missing;
    return missing.empty();
}

void freePictureBanks() {
    BlockPictures.freeAll();
    BreakerPictures.freeAll();
    BombPictures.freeAll();
    IconPictures.freeAll();
    ParticlePictures.freeAll();
}

} // namespace tessaron
