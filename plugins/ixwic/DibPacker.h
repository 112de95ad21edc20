#pragma once
// Turns rows of 32-bit BGRA pixels (straight alpha), or of opaque 24-bit BGR pixels, into a
// bottom-up 24-bit DIB: every pixel composited on black and placed where the picture's
// orientation puts it.
// Portable: no Windows headers.
#include <cstdint>

namespace ixwic {

// The output DIB for a source of srcWidth x srcHeight pixels with an EXIF orientation
// (1 = as stored ... 8; anything else is taken as 1). Orientations 5 to 8 swap the sides.
struct DibLayout {
    uint32_t srcWidth = 0;
    uint32_t srcHeight = 0;
    int orientation = 1;
    uint32_t width = 0;  // of the DIB
    uint32_t height = 0;
    uint64_t rowBytes = 0;  // a DIB row padded to 4 bytes
    uint64_t bitsSize = 0;
};

DibLayout MakeDibLayout(uint32_t srcWidth, uint32_t srcHeight, int orientation);

// Packs `rows` source rows starting at source row `firstRow` (`stride` bytes apart in
// `bgra`) into `bits`, which holds layout.bitsSize bytes.
void PackBgraRows(const DibLayout& layout, const uint8_t* bgra, uint64_t stride, uint32_t firstRow, uint32_t rows,
                  uint8_t* bits);
// The same for rows of opaque 24-bit BGR pixels, which are placed as they are.
void PackBgrRows(const DibLayout& layout, const uint8_t* bgr, uint64_t stride, uint32_t firstRow, uint32_t rows,
                 uint8_t* bits);
// Zeroes the bytes that pad each row of the DIB to 4 bytes: the packers write every pixel
// and nothing else.
void ZeroRowPadding(const DibLayout& layout, uint8_t* bits);

}  // namespace ixwic
