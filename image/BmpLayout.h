#pragma once
// The arithmetic of a BMP file: header validation, where the colour table and the rows
// lie, how long a row is, and turning the stored rows into the plain bottom-up rows
// handed to GDI (flipping top-down files, widening bit-field pixels, expanding RLE).
// Portable: no <windows.h>; every function works on byte spans so that the host tests
// and the fuzzer drive exactly what the viewer runs. Sizes are 64-bit and checked
// before use; nothing here reads or writes outside the spans it is given.
//
// Accepted: "BM" files with an information header of 40 bytes or more (V2 to V5
// headers included), one plane, 1/4/8/16/24/32 bits per pixel, BI_RGB, RLE8 (8 bits),
// RLE4 (4 bits) and BI_BITFIELDS (16 and 32 bits), bottom-up or (uncompressed)
// top-down. Refused: the 12-byte OS/2 core header, other compressions, and pictures
// beyond kMaxSide pixels a side or kMaxPixelBytes of rows.
#include <cstddef>
#include <cstdint>
#include <span>

namespace bmp {

constexpr uint16_t kMagic = 0x4D42;  // "BM"
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
// Header size from which the red, green and blue masks sit inside the information header.
constexpr uint32_t kMasksInHeaderSize = 52;
// ComputeLayout reads at most this many bytes from the start of the file: both headers
// and the three masks (which follow a 40-byte header or fill bytes 40-51 of a longer one).
constexpr size_t kPrefixBytes = 66;
// Upper bounds for a picture: a side, and the bytes of its rows in any form held
// (the file's rows, the decoded rows, and the 32-bit device bitmap GDI makes from them).
constexpr int32_t kMaxSide = 65535;
constexpr uint64_t kMaxPixelBytes = uint64_t{256} << 20;

// biCompression values.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;

// The 14-byte file header, decoded from little-endian bytes.
struct FileHeader {
    uint16_t type = 0;
    uint32_t size = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t offBits = 0;
};

// The first 40 bytes of the information header, decoded from little-endian bytes.
struct InfoHeader {
    uint32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// Both need at least kFileHeaderBytes / kInfoHeaderBytes bytes; shorter spans give a zero header.
FileHeader ReadFileHeader(std::span<const uint8_t> bytes);
InfoHeader ReadInfoHeader(std::span<const uint8_t> bytes);
uint16_t ReadU16(const uint8_t* p);
uint32_t ReadU32(const uint8_t* p);

// One colour channel of a bit-field pixel: a contiguous run of `bits` bits starting at `shift`.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

// How the stored rows become the rows handed to GDI.
enum class PixelKind {
    kPlain,      // copied as they are (flipped when top-down)
    kBitFields,  // 16-bit or BI_BITFIELDS pixels widened to 32-bit 0x00RRGGBB
    kRle,        // RLE8 / RLE4 expanded to plain 8- / 4-bit rows
};

enum class Status {
    kOk,
    kTooShort,          // the file ends inside the headers, the masks or the colour table
    kBadMagic,          // not "BM"
    kBadHeaderSize,     // biSize below 40 (the core header included)
    kBadPlanes,         // biPlanes is not 1
    kBadBitCount,       // not 1, 4, 8, 16, 24 or 32
    kBadCompression,    // unknown, or not valid for the bit count or for a top-down file
    kBadSize,           // width not positive, height zero, or a side above kMaxSide
    kTooLarge,          // the rows would exceed kMaxPixelBytes
    kBadColorCount,     // biClrUsed above 2 to the power of the bit count
    kBadMasks,          // a zero, non-contiguous or too wide red, green or blue mask
};

// Where everything lies in one file, and the form of the rows handed to GDI ("dib").
struct Layout {
    int32_t width = 0;       // > 0
    int32_t height = 0;      // > 0: the absolute value of biHeight
    bool topDown = false;    // biHeight was negative
    uint16_t bitCount = 0;   // of the file
    uint32_t compression = 0;
    uint32_t headerBytes = 0;      // biSize
    uint32_t colorCount = 0;       // N: colour-table entries (0 above 8 bits)
    uint64_t colorTableOffset = 0; // 14 + biSize
    uint64_t pixelOffset = 0;      // where the stored rows start
    uint64_t rowBytes = 0;         // one stored row of the file (uncompressed)
    uint64_t storedBytes = 0;      // bytes of pixel data present in the file, to be read from pixelOffset
    PixelKind kind = PixelKind::kPlain;
    Channel red, green, blue;      // for PixelKind::kBitFields
    uint16_t dibBitCount = 0;      // rows handed to GDI: bottom-up, BI_RGB
    uint64_t dibRowBytes = 0;
    uint64_t dibBytes = 0;         // dibRowBytes * height
};

constexpr bool IsValidBitCount(uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// Row size of an uncompressed DIB row: (width * bitCount + 31) / 32 * 4.
constexpr uint64_t RowBytes(uint64_t width, uint64_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Validates the headers and computes the layout. `prefix` holds the file's first
// min(fileSize, kPrefixBytes) bytes.
Status ComputeLayout(std::span<const uint8_t> prefix, uint64_t fileSize, Layout* out);

// Reverses the order of the whole rows in `rows`; a trailing partial row is left alone.
void FlipRows(std::span<uint8_t> rows, size_t rowBytes);

// Widens bit-field pixels (the stored rows, possibly cut short: missing pixels are zero)
// into bottom-up 32-bit 0x00RRGGBB rows. False when `dib` is smaller than layout.dibBytes
// or the layout is not of kind kBitFields.
bool ConvertBitFields(std::span<const uint8_t> stored, const Layout& layout, std::span<uint8_t> dib);

struct RleResult {
    bool ok = false;          // the arguments were consistent and decoding ran
    bool endOfBitmap = false; // the end-of-bitmap code was reached
};
// Expands an RLE8 (bitCount 8) or RLE4 (bitCount 4) stream into bottom-up rows of
// `rowBytes` bytes. Pixels outside the picture are dropped, pixels never written stay
// as they were in `dib` (zero for a fresh buffer). Stops at the end-of-bitmap code,
// above the top row or at the end of the input.
RleResult DecodeRle(std::span<const uint8_t> stored, int bitCount, uint32_t width, uint32_t height,
                    size_t rowBytes, std::span<uint8_t> dib);

}  // namespace bmp
