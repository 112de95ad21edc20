#include "plugins/ixwic/DibPacker.h"

#include <cstring>

namespace ixwic {

namespace {

// Byte offset of source pixel (x, y) in the DIB is origin + x * stepX + y * stepY.
struct Placement {
    int64_t origin;
    int64_t stepX;
    int64_t stepY;
};

Placement PlacementFor(const DibLayout& layout) {
    const int64_t row = static_cast<int64_t>(layout.rowBytes);
    // The DIB is bottom-up: its top row is the last one in memory.
    const int64_t topLeft = (int64_t{layout.height} - 1) * row;
    const int64_t topRight = topLeft + (int64_t{layout.width} - 1) * 3;
    const int64_t bottomRight = (int64_t{layout.width} - 1) * 3;
    switch (layout.orientation) {
        case 2:  // mirrored left to right
            return {topRight, -3, -row};
        case 3:  // turned by 180 degrees
            return {bottomRight, -3, row};
        case 4:  // mirrored top to bottom
            return {0, 3, row};
        case 5:  // mirrored along the main diagonal
            return {topLeft, -row, 3};
        case 6:  // shown turned 90 degrees clockwise
            return {topRight, -row, -3};
        case 7:  // mirrored along the other diagonal
            return {bottomRight, row, -3};
        case 8:  // shown turned 90 degrees counter-clockwise
            return {0, row, 3};
        default:
            return {topLeft, 3, -row};
    }
}

// Straight alpha composited on black: the colour weighted by its opacity, rounded.
inline uint8_t OnBlack(uint8_t colour, uint8_t alpha) {
    return static_cast<uint8_t>((colour * alpha + 127) / 255);
}

}  // namespace

DibLayout MakeDibLayout(uint32_t srcWidth, uint32_t srcHeight, int orientation) {
    DibLayout layout;
    layout.srcWidth = srcWidth;
    layout.srcHeight = srcHeight;
    layout.orientation = (orientation >= 1 && orientation <= 8) ? orientation : 1;
    const bool swapped = layout.orientation >= 5;
    layout.width = swapped ? srcHeight : srcWidth;
    layout.height = swapped ? srcWidth : srcHeight;
    layout.rowBytes = (uint64_t{layout.width} * 3 + 3) / 4 * 4;
    layout.bitsSize = layout.rowBytes * layout.height;
    return layout;
}

void PackBgraRows(const DibLayout& layout, const uint8_t* bgra, uint64_t stride, uint32_t firstRow, uint32_t rows,
                  uint8_t* bits) {
    const Placement place = PlacementFor(layout);
    for (uint32_t i = 0; i < rows; ++i) {
        const int64_t y = int64_t{firstRow} + i;
        const uint8_t* src = bgra + i * stride;
        uint8_t* dst = bits + place.origin + y * place.stepY;
        for (uint32_t x = 0; x < layout.srcWidth; ++x, src += 4, dst += place.stepX) {
            dst[0] = OnBlack(src[0], src[3]);
            dst[1] = OnBlack(src[1], src[3]);
            dst[2] = OnBlack(src[2], src[3]);
        }
    }
}

void PackBgrRows(const DibLayout& layout, const uint8_t* bgr, uint64_t stride, uint32_t firstRow, uint32_t rows,
                 uint8_t* bits) {
    const Placement place = PlacementFor(layout);
    const uint64_t rowBytes = uint64_t{layout.srcWidth} * 3;
    for (uint32_t i = 0; i < rows; ++i) {
        const int64_t y = int64_t{firstRow} + i;
        const uint8_t* src = bgr + i * stride;
        uint8_t* dst = bits + place.origin + y * place.stepY;
        if (place.stepX == 3) {
            std::memcpy(dst, src, static_cast<size_t>(rowBytes));  // a source row is a DIB row
            continue;
        }
        for (uint32_t x = 0; x < layout.srcWidth; ++x, src += 3, dst += place.stepX) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
}

void ZeroRowPadding(const DibLayout& layout, uint8_t* bits) {
    const uint64_t used = uint64_t{layout.width} * 3;
    if (used == layout.rowBytes) {
        return;
    }
    for (uint64_t row = 0; row < layout.height; ++row) {
        std::memset(bits + row * layout.rowBytes + used, 0, static_cast<size_t>(layout.rowBytes - used));
    }
}

}  // namespace ixwic
