#include "assets/icons.h"

#include <algorithm>
#include <cmath>
#include <zlib.h>

#include "assets/bytes.h"
#include "assets/sprites.h"

namespace tessaron::assets {
namespace {

// The icon is laid out on a 64 x 64 grid: a rounded tile inset by 2 with a
// corner radius of 9, and four 28 x 28 cells inside it.
constexpr double kGrid = 64.0;
constexpr double kInset = 2.0;
constexpr double kCorner = 9.0;
constexpr double kCell = 28.0;
const Rgb kTile{14, 16, 26};

bool insideTile(double x, double y)
{
    const double cx = std::clamp(x, kInset + kCorner, kGrid - kInset - kCorner);
    const double cy = std::clamp(y, kInset + kCorner, kGrid - kInset - kCorner);
    return std::hypot(x - cx, y - cy) < kCorner;
}

// The icon's colour at grid point (x, y) inside the tile: a red, a green and
// a blue block, and a yellow breaker glowing on the dark tile, as they sit on
// the board.
Rgb iconSample(double x, double y)
{
    static const Shader cells[4] = {blockShader(BlockColour::Red), blockShader(BlockColour::Green),
                                    blockShader(BlockColour::Blue), breakerShader(BlockColour::Yellow)};
    const int col = x < kGrid / 2 ? 0 : 1;
    const int row = y < kGrid / 2 ? 0 : 1;
    const double u = (x - (col == 0 ? 4.0 : 32.0)) * 32.0 / kCell;
    const double v = (y - (row == 0 ? 4.0 : 32.0)) * 32.0 / kCell;
    if (u < 0 || v < 0 || u >= 32.0 || v >= 32.0)
        return kTile;
    const int cell = row * 2 + col;
    const Rgb c = cells[cell](u, v);
    if (cell < 3)
        return c;
    const Rgb lit = kTile + c;
    return {std::min(lit.r, 255.0), std::min(lit.g, 255.0), std::min(lit.b, 255.0)};
}

} // namespace

RgbaImage makeIcon(int size)
{
    constexpr int kSamples = 4;
    RgbaImage img{Image(size, size), std::vector<double>(static_cast<size_t>(size) * size)};
    const double scale = kGrid / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgb sum;
            int covered = 0;
            for (int j = 0; j < kSamples; ++j)
                for (int i = 0; i < kSamples; ++i) {
                    const double gx = (x + (i + 0.5) / kSamples) * scale;
                    const double gy = (y + (j + 0.5) / kSamples) * scale;
                    if (insideTile(gx, gy)) {
                        sum = sum + iconSample(gx, gy);
                        ++covered;
                    }
                }
            // Colours average over the covered samples only, so an edge pixel
            // keeps the tile's colour and fades by its alpha alone.
            img.rgb.at(x, y) = covered ? sum * (1.0 / covered) : Rgb{};
            img.alpha[static_cast<size_t>(y) * size + x] = covered / double(kSamples * kSamples);
        }
    img.rgb.quantise();
    return img;
}

namespace {

void chunk(Bytes& out, const char* type, const std::vector<unsigned char>& body)
{
    out.be32(static_cast<std::uint32_t>(body.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    for (unsigned char b : typed)
        out.u8(b);
    out.be32(static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

} // namespace

bool writePng(const std::string& path, const RgbaImage& img)
{
    const int w = img.rgb.width();
    const int h = img.rgb.height();
    // Each row: filter type 0 (none), then R, G, B, A.
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(h) * (1 + 4 * w));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            const Rgb& c = img.rgb.at(x, y);
            raw.push_back(static_cast<unsigned char>(c.r));
            raw.push_back(static_cast<unsigned char>(c.g));
            raw.push_back(static_cast<unsigned char>(c.b));
            raw.push_back(static_cast<unsigned char>(std::lround(255.0 * img.alpha[static_cast<size_t>(y) * w + x])));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return false;
    packed.resize(packedSize);

    Bytes header;
    header.be32(static_cast<std::uint32_t>(w));
    header.be32(static_cast<std::uint32_t>(h));
    header.u8(8); // bits per channel
    header.u8(6); // RGBA
    header.u8(0); // deflate
    header.u8(0); // filters per row
    header.u8(0); // not interlaced

    Bytes out;
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (unsigned char b : signature)
        out.u8(b);
    chunk(out, "IHDR", header.bytes());
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});
    return out.save(path);
}

} // namespace tessaron::assets
