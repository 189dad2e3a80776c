// Pictures read from files the player may have crafted.  Allegro's BMP
// reader trusts every field of a file: a huge width overflows its
// allocation, a data offset past the end makes it skip for billions of
// bytes, an RLE run writes past the row.  So a BMP is read whole from a
// regular file, checked against exactly what that reader will do with it,
// and only then decoded by Allegro, from the checked bytes in memory.
// Depends on Allegro 4 (decoding) and io/regular_file.  Main thread.
//
// Failures: null for anything refused - not a regular file, not a BMP
// Allegro reads, a side outside 1..MaxPictureSide, a depth, compression or
// palette that cannot be right, data past the end of the file (a truncated
// picture) - so a bad file is never drawn as garbage or blank.  Pictures are
// read as BMP whatever their file name says.
#pragma once

#include <allegro.h>

#include <cstddef>

namespace tessaron {

// The largest side a picture may have.
constexpr int MaxPictureSide = 8192;

// True when Allegro's BMP reader, fed these bytes, builds a picture of at
// most MaxPictureSide a side, reads only these bytes, writes only inside
// the picture and takes every colour from the file's palette.
bool bmpBytesUsable(const unsigned char* data, std::size_t size);

// Loads a BMP file after that check: the picture (at the colour depth set
// with set_color_depth, like load_bitmap), or null.
BITMAP* loadCheckedBmp(const char* path);

} // namespace tessaron
