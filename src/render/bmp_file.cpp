#include "render/bmp_file.h"

#include <algorithm>
#include <cstdint>
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
// It never seeks.  On this platform it builds a top-down (negative height)
// picture with a negative height, so those are refused as well.

constexpr std::uint32_t CompressionNone = 0;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
constexpr std::uint32_t CompressionBitfields = 3;
constexpr std::size_t WindowsHeaderEnd = 54;  // 14-byte file header + 40
constexpr std::size_t Os2HeaderEnd = 26;      // 14-byte file header + 12
constexpr std::size_t MasksEnd = 66;          // three 4-byte masks after a Windows header

// The largest file read: a picture of the largest size at 32 bits with its
// headers and a full palette.
constexpr std::size_t MaxBmpFileBytes = static_cast<std::size_t>(MaxPictureSide) * MaxPictureSide * 4 + 4096;

std::uint32_t le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Layout {
    long long width = 0;
    long long height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = CompressionNone;
    std::size_t dataStart = 0;
    std::uint32_t colours = 0;  // palette entries pixels may use; 0 for direct colour
};

// Bytes per row of uncompressed data, as Allegro's line readers consume them.
long long rowBytes(long long width, std::uint32_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// The headers: sizes, depth, compression, palette and where the data starts.
bool readLayout(const unsigned char* data, std::size_t size, Layout& out) {
    if (size < 18 || data[0] != 'B' || data[1] != 'M') return false;
    const std::uint32_t infoSize = le32(data + 14);
    const std::uint32_t offset = le32(data + 10);
    std::size_t headerEnd;
    std::uint32_t declaredColours = 0;
    if (infoSize == 40) {
        if (size < WindowsHeaderEnd) return false;
        headerEnd = WindowsHeaderEnd;
        out.width = static_cast<std::int32_t>(le32(data + 18));
        out.height = static_cast<std::int32_t>(le32(data + 22));
        out.bits = le16(data + 28);
        out.compression = le32(data + 30);
        declaredColours = le32(data + 46);
    } else if (infoSize == 12) {
        if (size < Os2HeaderEnd) return false;
        headerEnd = Os2HeaderEnd;
        out.width = le16(data + 18);
        out.height = le16(data + 20);
        out.bits = le16(data + 24);
    } else {
        return false;  // Allegro reads no other header
    }
    if (out.width < 1 || out.width > MaxPictureSide || out.height < 1 || out.height > MaxPictureSide) return false;

    if (out.compression == CompressionBitfields) {
        // Allegro recognises three mask sets: 5-5-5 and 5-6-5 in 16 bits,
        // 8-8-8 in 32 bits; the data must follow the masks.
        if (size < MasksEnd || offset != MasksEnd) return false;
        const std::uint32_t red = le32(data + 54);
        const std::uint32_t blue = le32(data + 62);
        const bool sixteen = blue == 0x1f && (red == 0x7c00 || red == 0xf800);
        const bool thirtyTwo = blue == 0xff && red == 0xff0000;
        if (!(sixteen && out.bits == 16) && !(thirtyTwo && out.bits == 32)) return false;
        out.dataStart = MasksEnd;
        return true;
    }
    if (offset < headerEnd || offset > size) return false;
    out.dataStart = offset;
    const bool indexed = out.bits == 1 || out.bits == 4 || out.bits == 8;
    switch (out.compression) {
    case CompressionNone:
        if (!indexed && out.bits != 16 && out.bits != 24 && out.bits != 32) return false;
        break;
    case CompressionRle8:
        if (out.bits != 8) return false;
        break;
    case CompressionRle4:
        if (out.bits != 4) return false;
        break;
    default:
        return false;
    }
    if (!indexed) return true;
    // The palette entries that fit before the data (4 bytes each on
    // Windows, 3 on OS/2) must hold every colour the header announces.
    const std::size_t paletteBytes = offset - headerEnd;
    const std::size_t entries = headerEnd == WindowsHeaderEnd ? (paletteBytes + 1) / 4 : paletteBytes / 3;
    const std::uint32_t formatColours = 1u << out.bits;
    if (declaredColours > formatColours) return false;
    out.colours = declaredColours ? declaredColours : formatColours;
    return out.colours <= entries;
}

// Every pixel of uncompressed indexed data names a colour of the palette.
bool indicesInPalette(const unsigned char* data, const Layout& layout) {
    const long long stride = rowBytes(layout.width, layout.bits);
    const unsigned mask = (1u << layout.bits) - 1;
    for (long long y = 0; y < layout.height; ++y) {
        const unsigned char* row = data + layout.dataStart + y * stride;
        for (long long x = 0; x < layout.width; ++x) {
            const long long bit = x * layout.bits;
            const unsigned index = (row[bit / 8] >> (8 - layout.bits - bit % 8)) & mask;
            if (index >= layout.colours) return false;
        }
    }
    return true;
}

// Runs the RLE data through Allegro's decoder loop without writing: every
// pixel must land inside the picture, every colour inside the palette, and
// the decoder must stop before the bytes run out.
bool rleStaysInside(const unsigned char* data, std::size_t size, const Layout& layout) {
    const bool four = layout.compression == CompressionRle4;
    std::size_t at = layout.dataStart;
    auto next = [&](unsigned& value) {
        if (at >= size) return false;
        value = data[at++];
        return true;
    };
    auto colourOk = [&](unsigned index) { return index < layout.colours; };
    long long line = layout.height - 1;
    bool endPicture = false;
    while (!endPicture) {
        long long pos = 0;
        bool endLine = false;
        while (!endLine && !endPicture) {
            unsigned count = 0, value = 0;
            if (!next(count) || !next(value)) return false;
            if (count > 0) {
                // A run of one colour (RLE4: two alternating nibbles).
                if (line < 0 || line >= layout.height || pos + count > layout.width) return false;
                if (!colourOk(four ? value >> 4 : value) || (four && count > 1 && !colourOk(value & 15))) return false;
                pos += count;
            } else if (value == 0) {
                endLine = true;
            } else if (value == 1) {
                endPicture = true;
            } else if (value == 2) {
                unsigned dx = 0, dy = 0;
                if (!next(dx) || !next(dy)) return false;
                pos += dx;
                line -= dy;
            } else {
                // Absolute mode: `value` pixels follow, RLE8 padded to an
                // even byte count, RLE4 read as 16-bit words of four pixels.
                if (line < 0 || line >= layout.height || pos + value > layout.width) return false;
                const unsigned bytes = four ? (value + 3) / 4 * 2 : value + (value & 1);
                if (size - at < bytes) return false;
                for (unsigned j = 0; j < value; ++j) {
                    const unsigned index = four ? (data[at + j / 2] >> (j % 2 ? 0 : 4)) & 15 : data[at + j];
                    if (!colourOk(index)) return false;
                }
                at += bytes;
                pos += value;
            }
            if (pos - 1 > layout.width) endLine = true;
        }
        --line;
        if (line < 0) endPicture = true;
    }
    return true;
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

} // namespace

bool bmpBytesUsable(const unsigned char* data, std::size_t size) {
    Layout layout;
    if (!data || !readLayout(data, size, layout)) return false;
    if (layout.compression == CompressionRle8 || layout.compression == CompressionRle4)
        return rleStaysInside(data, size, layout);
    const unsigned long long end = layout.dataStart + rowBytes(layout.width, layout.bits) * layout.height;
    if (end > size) return false;  // truncated
    return layout.colours == 0 || indicesInPalette(data, layout);
}

BITMAP* loadCheckedBmp(const char* path) {
    std::string bytes;
    if (!readRegularFile(path, MaxBmpFileBytes, bytes)) return nullptr;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!bmpBytesUsable(data, bytes.size())) return nullptr;
    MemoryFile file{data, bytes.size(), 0};
    PACKFILE* packfile = pack_fopen_vtable(&MemoryVtable, &file);
    if (!packfile) return nullptr;
    BITMAP* picture = load_bmp_pf(packfile, nullptr);
    pack_fclose(packfile);
    return picture;
}

} // namespace tessaron
