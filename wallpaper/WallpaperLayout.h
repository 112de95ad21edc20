#pragma once
// The wallpaper file: the held picture, unscaled, centred on a canvas with the screen's
// proportions, written as an uncompressed bottom-up BMP whose margins are zero bytes.
// Portable: no <windows.h>. The picture comes in as the device-independent bitmap that
// is actually held (a BITMAPINFO block and its rows), checked here before any row is
// read, so the file describes the rows held rather than the file they were read from.
// Every size is computed in 64 bits and checked against the file format's 32-bit fields.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/DibCheck.h"

namespace wallpaper {

// Width and height of the canvas, in pixels.
struct Canvas {
    int64_t width = 0;
    int64_t height = 0;
};

// The canvas for a picture on a screen: the picture keeps its size and the canvas grows
// in one direction to the screen's proportions (compared as 10000 * width / height). The
// canvas is never smaller than the picture. False when any size is not positive.
bool ComputeCanvas(int64_t screenWidth, int64_t screenHeight, int64_t width, int64_t height, Canvas* out);

// Where everything of one wallpaper file lies.
struct Layout {
    DibDescription source;     // the held picture, as checked
    Canvas canvas;             // W x H
    uint32_t tableBytes = 0;   // after the information header: 4 * 2^b entries up to 8 bits, the 3 masks of
                               // a bit-field picture, else nothing
    uint64_t rowBytes = 0;     // R: one canvas row
    uint64_t imageBytes = 0;   // S = R * H
    uint64_t pixelOffset = 0;  // 54 + tableBytes
    uint64_t fileBytes = 0;    // pixelOffset + S
    int64_t offsetX = 0;       // picture columns left of the picture
    int64_t offsetY = 0;       // zero rows before the picture's first stored row
    uint64_t leftBytes = 0;    // L = offsetX * b / 8: the left margin moves sub-byte pixels by whole bytes
    uint64_t pixelBytes = 0;   // bytes of a picture row that carry its pixels (the row's padding is not copied)
};

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kHeadersBytes = kFileHeaderBytes + kInfoHeaderBytes;

// What tells a file the wallpaper keys wrote from any other: the reserved fields of its
// file header (bfReserved1, bfReserved2) hold these values, which programs that write
// pictures leave zero.
constexpr uint16_t kWallpaperMark1 = 0x7849;  // "Ix"
constexpr uint16_t kWallpaperMark2 = 0x5057;  // "WP"

// Whether `start`, the first bytes of a file, is the file header of one the wallpaper
// keys wrote: "BM" and the mark. False for anything shorter than a file header.
bool IsWallpaperFile(std::span<const uint8_t> start);

// Plans the file for a held picture: `info` is its BITMAPINFO block, `bitsSize` the size
// of its rows' block, width and height what its holder reports. False when the bitmap
// fails the checks (image/DibCheck), is stored top-down, a size is not positive, or the
// file would not fit the format's 32-bit sizes.
bool PlanWallpaper(std::span<const uint8_t> info,
                   size_t bitsSize,
                   long width,
                   long height,
                   int64_t screenWidth,
                   int64_t screenHeight,
                   Layout* out);

// The file header, the 40-byte information header and what follows it (the colour table
// padded with zero entries, or the masks): layout.pixelOffset bytes. The header's fields
// come from the held bitmap's header; one plane always, and no colour count or important
// colours above 8 bits, where no table is written. The file header's two reserved fields
// carry kWallpaperMark.
std::vector<uint8_t> MakeHeaders(const Layout& layout, std::span<const uint8_t> info);

// Canvas row `fileRow` (0 is the first row in the file, the bottom of the picture) into
// `out`, which holds layout.rowBytes bytes; `bits` holds the held picture's rows. Bytes
// outside the picture's pixels are zero. Nothing is written when the spans are too short.
void FillRow(const Layout& layout, std::span<const uint8_t> bits, uint64_t fileRow, std::span<uint8_t> out);

}  // namespace wallpaper
