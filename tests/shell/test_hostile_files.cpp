// Crafted BMPs in the place of every picture the game loads, and pipes,
// folders and devices in the place of pictures and fonts, against the real
// loaders (and under the sanitizers): a loader returns at once, reads and
// writes nothing out of bounds, and names a refused required picture.
#include <allegro.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/bmp_file.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

std::string le(std::int64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 255);
    return out;
}

// The bytes with a little-endian field replaced.
std::string with(std::string bytes, std::size_t at, std::int64_t value, int size = 4) {
    bytes.replace(at, size, le(value, size));
    return bytes;
}

// Uncompressed rows of a w x h picture of `bits` per pixel, patterned.
std::string rows(int w, int h, int bits) {
    std::string out(static_cast<std::size_t>((w * bits + 31) / 32 * 4 * h), '\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(i * 37 + 11);
    return out;
}

// A Windows BMP: headers, `entries` palette entries (4 bytes each), data.
std::string bmp(int w, int h, int bits, int compression, int entries, int coloursUsed, const std::string& data) {
    const int offset = 54 + 4 * entries;
    std::string out = "BM" + le(offset + data.size(), 4) + le(0, 4) + le(offset, 4);
    out += le(40, 4) + le(w, 4) + le(h, 4) + le(1, 2) + le(bits, 2) + le(compression, 4) + le(data.size(), 4);
    out += le(2835, 4) + le(2835, 4) + le(coloursUsed, 4) + le(0, 4);
    for (int i = 0; i < entries; ++i) out += le(0x010203 * (i + 1) & 0xffffff, 4);
    return out + data;
}

// RLE data of a 6 x 2 picture: runs, an absolute run, a jump and the ends.
const std::string Rle8 = std::string("\x02\x05\x00\x03\x01\x02\x03\x00\x01\x04\x00\x00"  // 2 + 3 + 1 pixels
                                     "\x00\x02\x02\x00\x04\x07\x00\x01", 20);            // jump 2, 4 pixels, end
const std::string Rle4 = std::string("\x03\x12\x00\x03\x34\x50\x00\x00\x06\xab\x00\x01", 12);

enum Kind { Bytes, Fifo, Folder, DeviceLink };
struct Case {
    const char* name;
    std::string bytes;
    bool loads;
    Kind kind = Bytes;
};

std::vector<Case> cases() {
    const std::string b24 = bmp(5, 3, 24, 0, 0, 0, rows(5, 3, 24));
    const std::string b8 = bmp(5, 3, 8, 0, 256, 0, rows(5, 3, 8));
    const std::string rle8 = bmp(6, 2, 8, 1, 16, 16, Rle8);
    const std::string rle4 = bmp(6, 2, 4, 2, 16, 0, Rle4);
    const std::string masks565 = le(0xf800, 4) + le(0x07e0, 4) + le(0x1f, 4);
    const std::string fields = with(bmp(3, 2, 16, 3, 3, 0, rows(3, 2, 16)).replace(54, 12, masks565), 10, 66);
    const std::string os2 = "BM" + le(26 + 24, 4) + le(0, 4) + le(26, 4) + le(12, 4) + le(3, 2) + le(2, 2) + le(1, 2) +
                            le(24, 2) + rows(3, 2, 24);
    std::string bigIndex = bmp(5, 3, 8, 0, 16, 16, std::string(24, '\x03'));
    bigIndex[54 + 64 + 9] = '\x10';  // colour 16 of 16
    return {
        // Sound pictures of every layout Allegro reads.
        {"24 bits, padded rows", b24, true},
        {"8 bits, full palette", b8, true},
        {"RLE8 with runs, jump and end", rle8, true},
        {"RLE4", rle4, true},
        {"16-bit bitfields", fields, true},
        {"OS/2 header", os2, true},
        {"8192 wide: the bound", bmp(8192, 1, 8, 0, 256, 0, rows(8192, 1, 8)), true},
        {"8192 high: the bound", bmp(1, 8192, 8, 0, 256, 0, rows(1, 8192, 8)), true},
        // Sizes Allegro would allocate wrongly or not at all.
        {"2147483647 x 1 at 24 bits in 1 KB", with(b24 + std::string(1024 - b24.size(), '\0'), 18, 2147483647), false},
        {"65536 x 65536 at 24 bits", with(with(b24, 18, 65536), 22, 65536), false},
        {"8193 wide", bmp(8193, 1, 8, 0, 256, 0, rows(8193, 1, 8)), false},
        {"8193 high", bmp(1, 8193, 8, 0, 256, 0, rows(1, 8193, 8)), false},
        {"negative width", with(b24, 18, -5), false},
        {"negative height", with(b24, 22, -3), false},
        // Depth, compression and palette that cannot be right.
        {"7 bits per pixel", with(b24, 28, 7, 2), false},
        {"JPEG compression", with(b24, 30, 4), false},
        {"RLE8 at 24 bits", with(rle8, 28, 24, 2), false},
        {"bitfields with unknown masks", with(fields, 54, 0x3ff), false},
        {"257 palette colours at 8 bits", with(b8, 46, 257), false},
        {"palette count past the data offset", bmp(5, 3, 8, 0, 16, 0, rows(5, 3, 8)), false},
        {"colour index past the palette", bigIndex, false},
        // Data that is not where the header says.
        {"data offset past the end", with(b24, 10, 0x7fffffff), false},
        {"data offset one byte inside the header", with(b24, 10, 53), false},
        {"pixel data one byte short", b24.substr(0, b24.size() - 1), false},
        {"RLE8 run one past the row", with(rle8, 54 + 64, 0x03, 1), false},
        {"RLE8 absolute run past the row", with(rle8, 54 + 64 + 3, 0x08, 1), false},
        {"RLE jump one below the last row", with(rle8, 54 + 64 + 15, 0x01, 1), false},
        {"RLE4 run one past the row", with(rle4, 54 + 64, 0x04, 1), false},
        {"RLE without its end mark", rle8.substr(0, rle8.size() - 2), false},
        {"empty file", "", false},
        // Not a regular file at all.
        {"named pipe", "", false, Fifo},
        {"folder", "", false, Folder},
        {"link to /dev/zero", "", false, DeviceLink},
    };
}

void place(const Case& c, const std::string& path) {
    std::filesystem::remove_all(path);
    const int made = c.kind == Fifo     ? mkfifo(path.c_str(), 0600)
                     : c.kind == Folder ? mkdir(path.c_str(), 0700)
                     : c.kind == DeviceLink ? symlink("/dev/zero", path.c_str())
                                            : (std::ofstream(path, std::ios::binary) << c.bytes, 0);
    ASSERT_EQ(made, 0) << path;
}

// Every crafted picture in the place of every picture the game needs, and
// as a background (the same loader; a refused background is skipped); pipes,
// folders and devices also as a font.
TEST(HostileFiles, CraftedPicturesAreRefusedWhereverTheyAre) {
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    set_color_depth(32);
    alarm(60);  // a loader that blocks fails the test instead of hanging it
    char scratch[] = "/tmp/tessaron-hostile-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    ASSERT_EQ(chdir(scratch), 0);
    // With no data at all, every required picture is named: that is the list.
    std::string every;
    ASSERT_FALSE(loadPictureBanks(&every));
    freePictureBanks();
    std::vector<std::string> paths;
    std::istringstream lines(every);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) == 0) paths.push_back(line.substr(2));
    }
    ASSERT_EQ(paths.size(), 23u);
    ASSERT_EQ(system("mkdir -p data/gfx/blocks data/gfx/icons data/particles data/backgrounds"), 0);
    const std::string background = "data/backgrounds/crafted.bmp";
    startTextLayer();

    for (const Case& c : cases()) {
        for (const std::string& path : paths) place(c, path);
        place(c, background);
        std::string missing;
        const bool loaded = loadPictureBanks(&missing);
        freePictureBanks();
        BITMAP* picture = loadCheckedBmp(background.c_str());
        EXPECT_EQ(std::make_tuple(loaded, missing, picture != nullptr),
                  std::make_tuple(c.loads, c.loads ? "" : every, c.loads)) << c.name;
        if (picture) {
            // Decoded from memory exactly as Allegro decodes the file.
            BITMAP* direct = load_bitmap(background.c_str(), nullptr);
            ASSERT_NE(direct, nullptr) << c.name;
            ASSERT_EQ(std::make_pair(picture->w, picture->h), std::make_pair(direct->w, direct->h)) << c.name;
            for (int y = 0; y < picture->h; ++y) {
                for (int x = 0; x < picture->w; ++x) ASSERT_EQ(getpixel(picture, x, y), getpixel(direct, x, y)) << c.name;
            }
            destroy_bitmap(direct);
        }
        destroy_bitmap(picture);
        if (c.kind != Bytes) {
            place(c, "font.ttf");
            FontSet set;
            EXPECT_FALSE(loadFontSet(set, "font.ttf")) << c.name;
        }
    }
    stopTextLayer();
    alarm(0);
    std::filesystem::remove_all(scratch);
}

} // namespace
} // namespace tessaron
