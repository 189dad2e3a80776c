#include "render/bmp_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "io/regular_file.h"

namespace tessaron {

namespace {

// What follows mirrors Allegro 4.4's BMP reader (load_bmp_pf): it reads the
// file header, a 40-byte Windows or 12-byte OS/2 info header, then the
// palette entries up to the data offset (skipping what is left), then the
// pixel data from there, row after row.  For BI_BITFIELDS it reads the three
// masks straight after the header and the data straight after the masks.
// It never seeks.  On this platform it refuses a top-down (negative height)
// picture, so those are refused here too, with their reason.
//
// V4 and V5 headers begin with the 40 bytes of the Windows header and hold
// the three masks where a Windows file with BI_BITFIELDS has them; the
// palette follows the header and the data starts at the data offset, as
// in the older files.  So they are checked in the same terms and then
// rewritten in place as the 40-byte-header file Allegro reads.

constexpr std::uint32_t CompressionNone = 0;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
constexpr std::uint32_t CompressionBitfields = 3;
constexpr std::uint32_t CompressionJpeg = 4;
constexpr std::uint32_t CompressionPng = 5;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t Os2InfoSize = 12;
constexpr std::uint32_t WindowsInfoSize = 40;
constexpr std::uint32_t V4InfoSize = 108;
constexpr std::uint32_t V5InfoSize = 124;
constexpr std::size_t MasksAt = 54;   // the masks, right after a 40-byte header
constexpr std::size_t MasksEnd = 66;  // where Allegro reads BI_BITFIELDS data from

// The largest file read: a picture of the largest size at 32 bits, with
// room for its headers, a palette and an embedded colour profile.
constexpr std::size_t MaxBmpFileBytes = static_cast<std::size_t>(MaxPictureSide) * MaxPictureSide * 4 + (1u << 20);

std::uint32_t le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void putLe32(unsigned char* p, std::size_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// 2359350 as "2,359,350".
std::string grouped(unsigned long long n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
    return digits;
}

template <typename... Args>
std::string say(const char* format, Args... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string truncated(std::size_t size, unsigned long long needed) {
    return "truncated: " + grouped(size) + " of " + grouped(needed) + " bytes";
}

constexpr const char* DataInHeader = "damaged: the pixel data would start inside the header";

struct Layout {
    std::uint32_t infoSize = 0;
    long long width = 0;
    long long height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = CompressionNone;
    std::size_t offset = 0;     // where the pixel data starts
    std::uint32_t colours = 0;  // palette entries pixels may use; 0 for direct colour
};

// Bytes per row of uncompressed data, as Allegro's line readers consume them.
long long rowBytes(long long width, std::uint32_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// A file that does not start with "BM": say what it is when it is a
// picture of another common format.
std::string notBmp(const unsigned char* data, std::size_t size) {
    auto startsWith = [&](const char* magic) {
        return size >= std::strlen(magic) && std::memcmp(data, magic, std::strlen(magic)) == 0;
    };
    if (startsWith("\x89PNG")) return "PNG data in a .bmp file";
    if (startsWith("\xff\xd8\xff")) return "JPEG data in a .bmp file";
    return "not a BMP file";
}

// BI_BITFIELDS: Allegro recognises three mask sets, 5-5-5 and 5-6-5 in 16
// bits and 8-8-8 in 32 bits.
std::string checkMasks(const unsigned char* data, std::size_t size, std::size_t headerEnd, const Layout& layout) {
    if (layout.bits != 16 && layout.bits != 32) return say("damaged: colour masks at %u bits per pixel", layout.bits);
    if (size < MasksEnd) return truncated(size, MasksEnd);
    if (layout.offset < std::max(headerEnd, MasksEnd)) return DataInHeader;
    const std::uint32_t red = le32(data + MasksAt), green = le32(data + MasksAt + 4), blue = le32(data + MasksAt + 8);
    const bool known = layout.bits == 16
                           ? blue == 0x1f && ((red == 0x7c00 && green == 0x3e0) || (red == 0xf800 && green == 0x7e0))
                           : red == 0xff0000 && green == 0xff00 && blue == 0xff;
    return known ? "" : "BMP with colour masks other than 5-5-5, 5-6-5 or 8-8-8 is not supported";
}

// The headers: sizes, depth, compression, palette and where the data
// starts.  Empty when Allegro can read them, else the reason.
std::string readLayout(const unsigned char* data, std::size_t size, Layout& out) {
    if (size == 0) return "empty file";
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return notBmp(data, size);
    if (size < FileHeaderSize + 4) return truncated(size, FileHeaderSize + 4);
    out.infoSize = le32(data + 14);
    const bool os2 = out.infoSize == Os2InfoSize;
    if (!os2 && out.infoSize != WindowsInfoSize && out.infoSize != V4InfoSize && out.infoSize != V5InfoSize)
        return "BMP with a " + grouped(out.infoSize) + "-byte header is not supported";
    const std::size_t headerEnd = FileHeaderSize + out.infoSize;
    if (size < headerEnd) return truncated(size, headerEnd);
    std::uint32_t declaredColours = 0;
    if (os2) {
        out.width = le16(data + 18);
        out.height = le16(data + 20);
        out.bits = le16(data + 24);
    } else {
        out.width = static_cast<std::int32_t>(le32(data + 18));
        out.height = static_cast<std::int32_t>(le32(data + 22));
        out.bits = le16(data + 28);
        out.compression = le32(data + 30);
        declaredColours = le32(data + 46);
    }
    out.offset = le32(data + 10);
    if (out.height < 0) return "BMP with a top-down row order is not supported";
    if (out.width < 1 || out.height < 1) return say("damaged: a picture of %lld x %lld pixels", out.width, out.height);
    if (out.width > MaxPictureSide || out.height > MaxPictureSide)
        return "picture of " + grouped(out.width) + " x " + grouped(out.height) + " pixels is too large (at most " +
               grouped(MaxPictureSide) + " a side)";

    const bool indexed = out.bits == 1 || out.bits == 4 || out.bits == 8;
    switch (out.compression) {
    case CompressionNone:
        if (!indexed && out.bits != 16 && out.bits != 24 && out.bits != 32)
            return say("BMP with %u bits per pixel is not supported", out.bits);
        break;
    case CompressionRle8:
    case CompressionRle4: {
        const std::uint32_t rleBits = out.compression == CompressionRle8 ? 8 : 4;
        if (out.bits != rleBits) return say("damaged: RLE%u compression at %u bits per pixel", rleBits, out.bits);
        break;
    }
    case CompressionBitfields:
        return checkMasks(data, size, headerEnd, out);
    case CompressionJpeg:
    case CompressionPng:
        return say("BMP with %s compression is not supported", out.compression == CompressionJpeg ? "JPEG" : "PNG");
    default:
        return say("BMP with compression type %u is not supported", out.compression);
    }
    // A data offset past the end shows as a truncated picture later on.
    if (out.offset < headerEnd) return DataInHeader;
    if (!indexed) return "";
    // The palette entries that fit before the data (4 bytes each on
    // Windows, 3 on OS/2) must hold every colour the header announces.
    const std::size_t paletteBytes = out.offset - headerEnd;
    const std::size_t entries = os2 ? paletteBytes / 3 : (paletteBytes + 1) / 4;
    const std::uint32_t formatColours = 1u << out.bits;
    if (declaredColours > formatColours)
        return "damaged: " + grouped(declaredColours) + " palette colours at " + std::to_string(out.bits) +
               " bits per pixel";
    out.colours = declaredColours ? declaredColours : formatColours;
    if (out.colours > entries) return say("damaged: %u palette colours with room for %zu", out.colours, entries);
    return "";
}

std::string colourOutside(unsigned index, std::uint32_t colours) {
    return say("damaged: a pixel uses colour %u of a palette of %u", index, colours);
}

// Every pixel of uncompressed indexed data names a colour of the palette.
std::string checkIndices(const unsigned char* data, const Layout& layout) {
    const long long stride = rowBytes(layout.width, layout.bits);
    const unsigned mask = (1u << layout.bits) - 1;
    for (long long y = 0; y < layout.height; ++y) {
        const unsigned char* row = data + layout.offset + y * stride;
        for (long long x = 0; x < layout.width; ++x) {
            const long long bit = x * layout.bits;
            const unsigned index = (row[bit / 8] >> (8 - layout.bits - bit % 8)) & mask;
            if (index >= layout.colours) return colourOutside(index, layout.colours);
        }
    }
    return "";
}

// Runs the RLE data through Allegro's decoder loop without writing: every
// pixel must land inside the picture, every colour inside the palette, and
// the decoder must stop before the bytes run out.
std::string checkRle(const unsigned char* data, std::size_t size, const Layout& layout) {
    const bool four = layout.compression == CompressionRle4;
    const std::string outside = "damaged: the RLE data draws outside the picture";
    std::size_t at = layout.offset;
    auto next = [&](unsigned& value) {
        if (at >= size) return false;
        value = data[at++];
        return true;
    };
    const std::string cut = "truncated: the RLE data stops before its end mark";
    long long line = layout.height - 1;
    bool endPicture = false;
    while (!endPicture) {
        long long pos = 0;
        bool endLine = false;
        while (!endLine && !endPicture) {
            unsigned count = 0, value = 0;
            if (!next(count) || !next(value)) return cut;
            if (count > 0) {
                // A run of one colour (RLE4: two alternating nibbles).
                if (line < 0 || line >= layout.height || pos + count > layout.width) return outside;
                const unsigned first = four ? value >> 4 : value, second = four && count > 1 ? value & 15 : 0;
                const unsigned highest = std::max(first, second);
                if (highest >= layout.colours) return colourOutside(highest, layout.colours);
                pos += count;
            } else if (value == 0) {
                endLine = true;
            } else if (value == 1) {
                endPicture = true;
            } else if (value == 2) {
                unsigned dx = 0, dy = 0;
                if (!next(dx) || !next(dy)) return cut;
                pos += dx;
                line -= dy;
            } else {
                // Absolute mode: `value` pixels follow, RLE8 padded to an
                // even byte count, RLE4 read as 16-bit words of four pixels.
                if (line < 0 || line >= layout.height || pos + value > layout.width) return outside;
                const unsigned bytes = four ? (value + 3) / 4 * 2 : value + (value & 1);
                if (size - at < bytes) return cut;
                for (unsigned j = 0; j < value; ++j) {
                    const unsigned index = four ? (data[at + j / 2] >> (j % 2 ? 0 : 4)) & 15 : data[at + j];
                    if (index >= layout.colours) return colourOutside(index, layout.colours);
                }
                at += bytes;
                pos += value;
            }
            if (pos - 1 > layout.width) endLine = true;
        }
        --line;
        if (line < 0) endPicture = true;
    }
    return "";
}

// Empty when Allegro's BMP reader, fed these bytes (rewritten as below),
// builds a picture of at most MaxPictureSide a side, reads only these
// bytes, writes only inside the picture and takes every colour from the
// file's palette; else the reason.
std::string checkBmp(const unsigned char* data, std::size_t size, Layout& layout) {
    std::string why = readLayout(data, size, layout);
    if (!why.empty()) return why;
    if (layout.compression == CompressionRle8 || layout.compression == CompressionRle4)
        return checkRle(data, size, layout);
    const unsigned long long end = layout.offset + rowBytes(layout.width, layout.bits) * layout.height;
    if (end > size) return truncated(size, end);
    return layout.colours == 0 ? "" : checkIndices(data, layout);
}

// Rewrites a checked file in place as the file Allegro reads: a 40-byte
// header that ends where the palette begins or, followed by the masks,
// where the pixel data begins.  Returns where that file starts in `data`
// (0 for the files Allegro reads as they are).
std::size_t rewriteForAllegro(unsigned char* data, std::size_t size, const Layout& layout) {
    const bool masks = layout.compression == CompressionBitfields;
    const std::size_t start = masks ? layout.offset - MasksEnd
                                    : layout.infoSize > WindowsInfoSize ? layout.infoSize - WindowsInfoSize : 0;
    if (start == 0) return 0;
    unsigned char saved[MasksEnd - MasksAt];
    std::memcpy(saved, data + MasksAt, sizeof saved);
    std::memmove(data + start + FileHeaderSize, data + FileHeaderSize, WindowsInfoSize);
    putLe32(data + start + FileHeaderSize, WindowsInfoSize);
    if (masks) std::memcpy(data + start + MasksAt, saved, sizeof saved);
    data[start] = 'B';
    data[start + 1] = 'M';
    putLe32(data + start + 2, size - start);
    putLe32(data + start + 6, 0);
    putLe32(data + start + 10, layout.offset - start);
    return start;
}

// Why readRegularFile refused a path.
std::string unreadable(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) return errno == ENOENT || errno == ENOTDIR ? "missing" : "cannot be read";
    if (S_ISDIR(info.st_mode)) return "a folder, not a picture";
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    if (static_cast<unsigned long long>(info.st_size) > MaxBmpFileBytes)
        return "too large: " + grouped(info.st_size) + " bytes (at most " + grouped(MaxBmpFileBytes) + ")";
    return "cannot be read";
}

// A read-only PACKFILE over the checked bytes, so that Allegro decodes
// exactly what was checked.
struct MemoryFile {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};
MemoryFile& memory(void* user) { return *static_cast<MemoryFile*>(user); }
int memoryClose(void*) { return 0; }
int memoryGetc(void* user) {
    MemoryFile& m = memory(user);
    return m.at < m.size ? m.data[m.at++] : EOF;
}
int memoryUngetc(int c, void* user) {
    MemoryFile& m = memory(user);
    if (m.at == 0) return EOF;
    --m.at;
    return c;
}
long memoryRead(void* out, long n, void* user) {
    MemoryFile& m = memory(user);
    const std::size_t count = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), m.size - m.at);
    std::memcpy(out, m.data + m.at, count);
    m.at += count;
    return static_cast<long>(count);
}
int memoryPutc(int, void*) { return EOF; }
long memoryWrite(const void*, long, void*) { return 0; }
int memorySeek(void* user, int offset) {
    MemoryFile& m = memory(user);
    if (offset < 0) return -1;
    m.at += std::min(static_cast<std::size_t>(offset), m.size - m.at);
    return 0;
}
int memoryEof(void* user) { return memory(user).at >= memory(user).size; }
int memoryError(void*) { return 0; }
const PACKFILE_VTABLE MemoryVtable = {memoryClose, memoryGetc,  memoryUngetc, memoryRead, memoryPutc,
                                      memoryWrite, memorySeek, memoryEof,    memoryError};

// Decodes checked bytes with Allegro, from memory.
BITMAP* decode(unsigned char* data, std::size_t size, const Layout& layout) {
    const std::size_t start = rewriteForAllegro(data, size, layout);
    MemoryFile file{data + start, size - start, 0};
    PACKFILE* packfile = pack_fopen_vtable(&MemoryVtable, &file);
    if (!packfile) return nullptr;
    BITMAP* picture = load_bmp_pf(packfile, nullptr);
    pack_fclose(packfile);
    return picture;
}

} // namespace

BITMAP* loadCheckedBmp(const char* path, std::string* refusal) {
    std::string bytes, why;
    BITMAP* picture = nullptr;
    if (!readRegularFile(path, MaxBmpFileBytes, bytes)) {
        why = unreadable(path);
    } else {
        auto* data = reinterpret_cast<unsigned char*>(&bytes[0]);
        Layout layout;
        why = checkBmp(data, bytes.size(), layout);
        if (why.empty()) picture = decode(data, bytes.size(), layout);
        if (why.empty() && !picture) why = "could not be decoded";
    }
    if (refusal) *refusal = why;
    return picture;
}

BITMAP* loadOptionalPicture(const char* path) {
    std::string why;
    BITMAP* picture = loadCheckedBmp(path, &why);
    if (!picture) {
        // A file name may hold anything: keep the message on one line.
        std::string name = path;
        auto control = [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; };
        std::replace_if(name.begin(), name.end(), control, '?');
        std::fprintf(stderr, "Tessaron: %s: %s\n", name.c_str(), why.c_str());
    }
    return picture;
}

} // namespace tessaron
