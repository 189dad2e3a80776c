// Crafted BMPs in the place of every picture the game loads, in 40-, 108-
// and 124-byte headers, and pipes, folders and devices in the place of
// pictures and fonts, against the real loaders (and under the sanitizers):
// a loader returns at once, reads and writes nothing out of bounds, decodes
// a good picture as Allegro decodes its 40-byte-header twin, names a
// refused picture with its reason and leaves no descriptor open.  Files as
// ImageMagick writes them; the order a refused background gives way in.
#include <allegro.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/bmp_file.h"
#include "session/background_choice.h"
#include "session/file_list.h"
#include "session/match_session.h"
#include "shell/font_set.h"
#include "../process_limits.h"

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

// The same file with a V4 (108-byte) or V5 (124-byte) header: a bitfields
// file's masks move into it, the colour-space and profile fields after
// them are junk (ignored) and the data offset follows the longer header.
std::string versioned(const std::string& v3, int infoSize) {
    const bool masks = v3[30] == 3;
    std::uint32_t offset = 0;
    std::memcpy(&offset, v3.data() + 10, 4);  // little-endian, as on this machine
    const std::string fields = (masks ? v3.substr(54, 12) : std::string(12, '\0')) + std::string(infoSize - 52, '\x7f');
    return with(with(v3.substr(0, 54) + fields + v3.substr(masks ? 66 : 54), 14, infoSize), 10,
                offset + infoSize - (masks ? 52 : 40));
}

// RLE data of a 6 x 2 picture: runs, an absolute run, a jump and the ends.
const std::string Rle8 = std::string("\x02\x05\x00\x03\x01\x02\x03\x00\x01\x04\x00\x00"  // 2 + 3 + 1 pixels
                                     "\x00\x02\x02\x00\x04\x07\x00\x01", 20);            // jump 2, 4 pixels, end
const std::string Rle4 = std::string("\x03\x12\x00\x03\x34\x50\x00\x00\x06\xab\x00\x01", 12);

enum Kind { Bytes, Fifo, Folder, DeviceLink };
struct Case {
    std::string name;
    std::string bytes;
    std::string reason;     // the refusal, or empty when the picture loads
    bool versions = false;  // also tried with V4 and V5 headers, to the same end
    Kind kind = Bytes;
    std::string twin = {};  // the 40-byte-header file Allegro reads itself, when not `bytes`
};

constexpr const char* InHeader = "damaged: the pixel data would start inside the header";
constexpr const char* Outside = "damaged: the RLE data draws outside the picture";
constexpr const char* Masks = "BMP with colour masks other than 5-5-5, 5-6-5 or 8-8-8 is not supported";
std::string tooLarge(const char* size) {
    return std::string("picture of ") + size + " pixels is too large (at most 8,192 a side)";
}

std::vector<Case> cases() {
    const std::string b24 = bmp(5, 3, 24, 0, 0, 0, rows(5, 3, 24));
    const std::string b8 = bmp(5, 3, 8, 0, 256, 0, rows(5, 3, 8));
    const std::string rle8 = bmp(6, 2, 8, 1, 16, 16, Rle8);
    const std::string rle4 = bmp(6, 2, 4, 2, 16, 0, Rle4);
    auto fields = [](int bits, int r, int g, int b) {  // the masks
        return with(bmp(3, 2, bits, 3, 3, 0, rows(3, 2, bits)).replace(54, 12, le(r, 4) + le(g, 4) + le(b, 4)), 10, 66);
    };
    const std::string f565 = fields(16, 0xf800, 0x07e0, 0x1f);
    auto os2 = [](int bits, int entries) {  // 3 x 2 pixels, a palette of 3-byte entries
        const int offset = 26 + 3 * entries;
        return "BM" + le(offset + 24, 4) + le(0, 4) + le(offset, 4) + le(12, 4) + le(3, 2) + le(2, 2) + le(1, 2) +
               le(bits, 2) + std::string(3 * entries, '\x40') + rows(3, 2, bits);
    };
    std::string bigIndex = bmp(5, 3, 8, 0, 16, 16, std::string(24, '\x03'));
    bigIndex[54 + 64 + 9] = '\x10';  // colour 16 of 16
    return {
        // Sound pictures of every layout Allegro reads.
        {"24 bits, padded rows", b24, "", true},
        {"1 bit", bmp(5, 3, 1, 0, 2, 0, rows(5, 3, 1)), "", true},
        {"4 bits", bmp(5, 3, 4, 0, 16, 0, rows(5, 3, 4)), "", true},
        {"8 bits, full palette", b8, "", true},
        {"16 bits", bmp(5, 3, 16, 0, 0, 0, rows(5, 3, 16)), "", true},
        {"32 bits", bmp(5, 3, 32, 0, 0, 0, rows(5, 3, 32)), "", true},
        {"RLE8 with runs, jump and end", rle8, "", true},
        {"RLE4", rle4, "", true},
        {"16-bit bitfields 5-6-5", f565, "", true},
        {"16-bit bitfields 5-5-5", fields(16, 0x7c00, 0x03e0, 0x1f), "", true},
        {"32-bit bitfields", fields(32, 0xff0000, 0xff00, 0xff), "", true},
        {"OS/2 header", os2(24, 0), ""},
        {"OS/2 header, 8 bits, full palette", os2(8, 256), ""},
        {"4 bits, full declared palette", bmp(5, 3, 4, 0, 16, 16, rows(5, 3, 4)), "", true},
        // A palette of 6: the pixels' nibbles read in order, padding unread.
        {"4 bits, 6 colours, junk padding", bmp(1, 2, 4, 0, 6, 6, "\x5f\xff\xff\xff\x0f\xee\xee\xee"), "", true},
        {"RLE4 runs ending at the edge, 6 colours",
         bmp(6, 1, 4, 2, 6, 6, std::string("\x01\x1f\x00\x05\x12\x34\x5f\xff\x00\x01", 10)), "", true},
        {"8192 wide: the bound", bmp(8192, 1, 8, 0, 256, 0, rows(8192, 1, 8)), "", true},
        {"8192 high: the bound", bmp(1, 8192, 8, 0, 256, 0, rows(1, 8192, 8)), "", true},
        // Sizes Allegro would allocate wrongly or not at all.
        {"2147483647 wide", with(b24 + std::string(922, 0), 18, 2147483647), tooLarge("2,147,483,647 x 3"), true},
        {"65536 x 65536 at 24 bits", with(with(b24, 18, 65536), 22, 65536), tooLarge("65,536 x 65,536"), true},
        {"8193 wide", bmp(8193, 1, 8, 0, 256, 0, rows(8193, 1, 8)), tooLarge("8,193 x 1"), true},
        {"8193 high", bmp(1, 8193, 8, 0, 256, 0, rows(1, 8193, 8)), tooLarge("1 x 8,193"), true},
        {"negative width", with(b24, 18, -5), "damaged: a picture of -5 x 3 pixels", true},
        {"negative height", with(b24, 22, -3), "BMP with a top-down row order is not supported", true},
        // Depth, compression, masks and palette that cannot be right.
        {"7 bits per pixel", with(b24, 28, 7, 2), "BMP with 7 bits per pixel is not supported", true},
        {"JPEG compression", with(b24, 30, 4), "BMP with JPEG compression is not supported", true},
        {"RLE8 at 24 bits", with(rle8, 28, 24, 2), "damaged: RLE8 compression at 24 bits per pixel", true},
        {"bitfields with unknown masks", with(f565, 54, 0x3ff), Masks, true},
        {"bitfields 5-6-5 with a 5-5-5 green", with(f565, 58, 0x3e0), Masks, true},
        {"bitfields at 24 bits", with(f565, 28, 24, 2), "damaged: colour masks at 24 bits per pixel", true},
        {"257 palette colours at 8 bits", with(b8, 46, 257), "damaged: 257 palette colours at 8 bits per pixel", true},
        {"short palette", bmp(5, 3, 8, 0, 16, 0, rows(5, 3, 8)), "damaged: 256 palette colours with room for 16", true},
        {"colour index past the palette", bigIndex, "damaged: a pixel uses colour 16 of a palette of 16", true},
        {"RLE colour 16 of 16", with(rle8, 54 + 65, 16, 1), "damaged: a pixel uses colour 16 of a palette of 16", true},
        // Data that is not where the header says.
        {"data offset past the end", with(b24, 10, 0x7fffffff), "truncated: 102 of 2,147,483,695 bytes"},
        {"data offset one byte inside the header", with(b24, 10, 53), InHeader, true},
        {"bitfields data offset inside the masks", with(f565, 10, 65), InHeader, true},
        {"pixel data one byte short", b24.substr(0, b24.size() - 1), "truncated: 101 of 102 bytes"},
        {"V5: pixel data one byte short", versioned(b24, 124).substr(0, 185), "truncated: 185 of 186 bytes"},
        {"RLE8 run one past the row", with(rle8, 54 + 64, 0x03, 1), Outside, true},
        {"RLE8 absolute run past the row", with(rle8, 54 + 64 + 3, 0x08, 1), Outside, true},
        {"RLE jump one below the last row", with(rle8, 54 + 64 + 15, 0x01, 1), Outside, true},
        {"RLE4 run one past the row", with(rle4, 54 + 64, 0x04, 1), Outside, true},
        {"RLE without end mark", rle8.substr(0, 138 - 2), "truncated: the RLE data stops before its end mark", true},
        // Not a BMP Allegro reads.
        {"empty file", "", "empty file"},
        {"header cut short", b24.substr(0, 40), "truncated: 40 of 54 bytes"},
        {"PNG", "\x89PNG\r\n\x1a\n" + b24, "PNG data in a .bmp file"},
        {"JPEG", "\xff\xd8\xff\xe0" + b24, "JPEG data in a .bmp file"},
        {"OS/2 2.x header", with(b24, 14, 64), "BMP with a 64-byte header is not supported"},
        // Not a regular file at all.
        {"named pipe", "", "not a regular file", false, Fifo},
        {"folder", "", "a folder, not a picture", false, Folder},
        {"link to /dev/zero", "", "not a regular file", false, DeviceLink},
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

// Every crafted picture (and its V4 and V5 forms), and the files
// ImageMagick writes by default (V4 and V5 headers), in the place of every
// picture the game needs and as a background (the same loader, which says
// why on stderr); pipes, folders and devices also as a font.  A picture
// that loads is the one Allegro reads from its 40-byte-header twin.
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
        if (line.rfind("  ", 0) == 0) paths.push_back(line.substr(2, line.find(": missing") - 2));
    }
    ASSERT_EQ(paths.size(), 23u);
    ASSERT_EQ(system("mkdir -p data/gfx/blocks data/gfx/icons data/particles data/backgrounds"), 0);
    const std::string background = "data/backgrounds/crafted.bmp";
    std::vector<Case> table = cases();
    ASSERT_EQ(system("convert -seed 4 -size 12x7 plasma: in.ppm"), 0);
    for (const std::string m : {"", "-alpha on", "-monochrome", "-type grayscale", "-colors 16",
                                "-type palette -compress none", "-type palette -compress RLE"}) {
        ASSERT_EQ(system(("convert in.ppm " + m + " -write BMP3:v3.bmp m.bmp").c_str()), 0);
        auto read = [](const char* p) { return std::string(std::istreambuf_iterator(std::ifstream(p).rdbuf()), {}); };
        table.push_back({"ImageMagick " + m, read("m.bmp"), "", false, Bytes, read("v3.bmp")});
    }
    startTextLayer();
    const long open = openDescriptors();

    for (const Case& c : table) {
        if (c.reason.empty()) std::ofstream("reference.bmp", std::ios::binary) << (c.twin.empty() ? c.bytes : c.twin);
        for (int header : c.versions ? std::vector{40, 108, 124} : std::vector{40}) {
            const Case form{c.name, header == 40 ? c.bytes : versioned(c.bytes, header), c.reason, false, c.kind};
            for (const std::string& path : paths) place(form, path);
            place(form, background);
            std::string missing, expected;
            for (const std::string& path : paths) expected += c.reason.empty() ? "" : "\n  " + path + ": " + c.reason;
            const bool loaded = loadPictureBanks(&missing);
            freePictureBanks();
            testing::internal::CaptureStderr();
            BITMAP* picture = loadOptionalPicture(background.c_str());
            const std::string said = testing::internal::GetCapturedStderr();
            EXPECT_EQ(std::make_tuple(loaded, missing, picture != nullptr, said),
                      std::make_tuple(c.reason.empty(), expected, c.reason.empty(),
                                      c.reason.empty() ? "" : "Tessaron: " + background + ": " + c.reason + "\n"))
                << c.name << ", header " << header;
            if (picture) {
                BITMAP* direct = load_bitmap("reference.bmp", nullptr);
                ASSERT_TRUE(direct && direct->w == picture->w && direct->h == picture->h) << c.name << header;
                for (int y = 0; y < picture->h; ++y)  // both 32-bit memory pictures
                    ASSERT_EQ(std::memcmp(picture->line[y], direct->line[y], picture->w * 4), 0) << c.name << header;
                destroy_bitmap(direct);
            }
            destroy_bitmap(picture);
        }
        if (c.kind != Bytes) {
            place(c, "font.ttf");
            FontSet set;
            EXPECT_FALSE(loadFontSet(set, "font.ttf")) << c.name;
        }
        FileList found;
        scanFileList(found, "data/backgrounds/*.bmp*");
    }
    EXPECT_EQ(openDescriptors(), open) << "a loader left a descriptor open";
    stopTextLayer();
    alarm(0);
    std::filesystem::remove_all(scratch);
}

// A refused background gives way to the names after the pick in list order,
// wrapping round, then to the fallback; the first that loads ends the walk.
TEST(BackgroundChoice, NextNamesInOrderThenTheFallback) {
    FileList list;
    for (const char* name : {"a", "b", "c", "d"}) list.add(name);
    struct Row { int picked; std::set<std::string> good; std::string tried; };  // pick -1: none
    for (const Row& row : {Row{2, {"bg/a", "bg/c", "fb"}, "bg/c "}, Row{2, {"bg/a"}, "bg/c bg/d bg/a "},
                           Row{3, {"bg/b", "fb"}, "bg/d bg/a bg/b "}, Row{0, {"fb"}, "bg/a bg/b bg/c bg/d fb "},
                           Row{1, {}, "bg/b bg/c bg/d bg/a fb "}, Row{-1, {"bg/a", "fb"}, "fb "}}) {
        std::string tried;
        auto load = [&](const char* path) { return (tried += std::string(path) + " ", row.good.count(path) > 0); };
        const bool loaded = loadFirstUsable(list, row.picked < 0 ? nullptr : list.name(row.picked), "bg/", "fb", load);
        EXPECT_EQ(std::make_pair(tried, loaded), std::make_pair(row.tried, !row.good.empty())) << row.picked;
    }
}

} // namespace
} // namespace tessaron
