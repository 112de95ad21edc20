#pragma once
// BMP files made by code for tests and benchmarks: every depth, palettes, bit fields,
// core, short OS/2 and V4/V5 headers, top-down rows and RLE8/RLE4 compression. Portable (no <windows.h>);
// a file is returned as a byte string, ready for WriteFileBytes or a byte span.
//
//   std::string file = testdata::MakeBmp24(64, 48, [](int x, int y) { return testdata::Rgb(x * 4, y * 5, 0); });
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testdata {

// A colour as 0x00RRGGBB, the layout of a colour-table entry read as a little-endian DWORD.
constexpr uint32_t Rgb(int r, int g, int b) {
    return (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
}
constexpr int RedOf(uint32_t rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
constexpr int GreenOf(uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
constexpr int BlueOf(uint32_t rgb) { return static_cast<int>(rgb & 0xFF); }

// The pixel at column x of row y, rows counted from the top of the picture: a palette
// index for 8 bits or fewer, a colour (Rgb) above.
using PixelFn = std::function<uint32_t(int x, int y)>;

// Offsets of header fields in a file.
constexpr size_t kOffType = 0;
constexpr size_t kOffOffBits = 10;
constexpr size_t kOffHeaderSize = 14;
constexpr size_t kOffWidth = 18;
constexpr size_t kOffHeight = 22;
constexpr size_t kOffPlanes = 26;
constexpr size_t kOffBitCount = 28;
constexpr size_t kOffCompression = 30;
constexpr size_t kOffClrUsed = 46;

struct BmpOptions {
    int width = 1;
    int height = 1;
    int bitCount = 24;         // 1, 2, 4, 8, 16, 24 or 32
    uint32_t compression = 0;  // 0 BI_RGB, 1 RLE8, 2 RLE4, 3 BI_BITFIELDS, 6 BI_ALPHABITFIELDS
    bool topDown = false;      // top row stored first, biHeight negative
    // 12 (core header: 16-bit sides, 3-byte colour-table entries); 16 to 39 (a 40-byte
    // header cut short); 40; 52 or 56 (masks inside); 64 (OS/2); 108 (V4); 124 (V5).
    uint32_t headerSize = 40;
    // Colour-table entries. For 8 bits or fewer the table holds biClrUsed entries (2 to the
    // power of the bit count when 0), missing ones zero; above 8 bits these entries, if any.
    std::vector<uint32_t> palette;
    uint32_t clrUsed = 0;
    // Red, green, blue masks: written for BI_BITFIELDS, used to pack 16- and 32-bit pixels.
    uint32_t masks[3] = {0, 0, 0};  // zero: 5-5-5 for 16 bits, 8-8-8 for 32 bits
    // Written for BI_ALPHABITFIELDS and in headers of 56 bytes or more; its bits are set in every pixel.
    uint32_t alphaMask = 0;
    uint32_t gapBeforeRows = 0;     // filler bytes between the table and the rows
    std::optional<uint32_t> offBits;  // bfOffBits as written; default: where the rows start
};

// Encodes a picture of options.width x options.height pixels.
std::string MakeBmp(const BmpOptions& options, const PixelFn& pixel);

std::string MakeBmp24(int width, int height, const PixelFn& color);
std::string MakeBmp32(int width, int height, const PixelFn& color);
// 16 bits, BI_BITFIELDS with 5-6-5 masks.
std::string MakeBmp565(int width, int height, const PixelFn& color);
// 1, 4 or 8 bits with a full colour table.
std::string MakeBmpIndexed(int bitCount, int width, int height, const std::vector<uint32_t>& palette,
                           const PixelFn& index);
// 8 bits, RLE8-compressed, full colour table.
std::string MakeBmpRle8(int width, int height, const std::vector<uint32_t>& palette, const PixelFn& index);
// 4 bits, RLE4-compressed, full colour table.
std::string MakeBmpRle4(int width, int height, const std::vector<uint32_t>& palette, const PixelFn& index);

// RLE streams of bottom-up rows (each row from the left), ending in the end-of-bitmap code.
std::string EncodeRle8(const std::vector<std::vector<uint8_t>>& rows);
std::string EncodeRle4(const std::vector<std::vector<uint8_t>>& rows);

// Overwrites a little-endian field of a file.
void Poke16(std::string& file, size_t offset, uint16_t value);
void Poke32(std::string& file, size_t offset, uint32_t value);
// Reads a little-endian field of a file; 0 past its end.
uint32_t Peek32(const std::string& file, size_t offset);

// A file's bytes as a byte span.
inline std::span<const uint8_t> Bytes(const std::string& file) {
    return {reinterpret_cast<const uint8_t*>(file.data()), file.size()};
}

// A palette of `count` distinct colours, easy to tell apart.
std::vector<uint32_t> MakePalette(int count);

}  // namespace testdata
