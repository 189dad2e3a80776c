// Pictures read from files the player may have crafted.  Allegro's BMP
// reader trusts every field of a file: a huge width overflows its
// allocation, a data offset past the end makes it skip for billions of
// bytes, an RLE run writes past the row.  So a BMP is read whole from a
// regular file, checked against exactly what that reader will do with it,
// and only then decoded by Allegro, from the checked bytes in memory.
// Allegro reads only the 12-byte OS/2 and 40-byte Windows headers; a file
// with a V4 (108-byte) or V5 (124-byte) header, which most tools write
// today, is handed to it rewritten in memory as the 40-byte-header file of
// the same pixels (its colour-space and colour-profile fields are ignored).
// Depends on Allegro 4 (decoding) and io/regular_file.  Main thread.
//
// Failures: null for anything refused - not a regular file, not a BMP
// Allegro reads, a side outside 1..MaxPictureSide, a top-down picture, a
// depth, compression, colour masks or palette that cannot be right, data
// past the end of the file (a truncated picture) - so a bad file is never
// drawn as garbage or blank.  The reason comes back in a player's words
// ("BMP with a top-down row order is not supported", "PNG data in a .bmp
// file", "truncated: 1,024 of 2,359,350 bytes").  Pictures are read as BMP
// whatever their file name says.
#pragma once

#include <allegro.h>

#include <string>

namespace tessaron {

// The largest side a picture may have.
constexpr int MaxPictureSide = 8192;

// Loads a BMP file after that check: the picture (at the colour depth set
// with set_color_depth, like load_bitmap), or null with the reason in
// *refusal (when given; emptied on success).
BITMAP* loadCheckedBmp(const char* path, std::string* refusal = nullptr);

// Loads a picture the game can do without (a background) the same way; a
// refused one is named on standard error with its reason, on one line
// ("Tessaron: path: reason").
BITMAP* loadOptionalPicture(const char* path);

} // namespace tessaron
