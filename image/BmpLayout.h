#pragma once
// The arithmetic of a BMP file: header validation, where the colour table and the rows
// lie, how long a row is, and turning the stored rows into the plain bottom-up rows
// handed to GDI (flipping top-down files, widening 2-bit and bit-field pixels, expanding
// RLE). Portable: no <windows.h>; every function works on byte spans so that the host
// tests and the fuzzer drive exactly what the viewer runs. Sizes are 64-bit and checked
// before use; nothing here reads or writes outside the spans it is given.
//
// Accepted: "BM" files with the 12-byte core header (16-bit sides, 3-byte colour-table
// entries), a short OS/2 header of 16 to 39 bytes (missing fields zero) or an
// information header of 40 bytes or more (V2 to V5 and the 64-byte OS/2 header
// included); one plane; 1/2/4/8/16/24/32 bits per pixel; BI_RGB, RLE8 (8 bits), RLE4
// (4 bits), BI_BITFIELDS and BI_ALPHABITFIELDS (16 and 32 bits, alpha ignored);
// bottom-up or (uncompressed) top-down. Refused as unsupported: embedded JPEG or PNG
// streams, OS/2 Huffman and RLE24 compression, 64 bits per pixel. The only size limit
// is kMaxHeldBytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "image/DecodeFailure.h"

namespace bmp {

constexpr uint16_t kMagic = 0x4D42;  // "BM"
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
// The OS/2 1.x core header: 16-bit width and height, planes, bit count.
constexpr uint32_t kCoreHeaderBytes = 12;
// The shortest OS/2 2.x header: width, height, planes and bit count, all later fields zero.
constexpr uint32_t kMinOs2HeaderBytes = 16;
// Header size from which the red, green and blue masks sit inside the information header,
// and from which the alpha mask does.
constexpr uint32_t kMasksInHeaderSize = 52;
constexpr uint32_t kAlphaMaskInHeaderSize = 56;
// ComputeLayout reads at most this many bytes from the start of the file: both headers
// and the four masks (which follow a 40-byte header or fill bytes 40-55 of a longer one).
constexpr size_t kPrefixBytes = kFileHeaderBytes + kInfoHeaderBytes + 16;
// The most memory a held picture may take: its rows as handed to GDI, kept while it is
// shown, plus the device bitmap made from them at the device's depth. The viewer is a
// 32-bit process with 2 GiB of addresses, shared with the plug-ins and the picture one
// of them may hold; a quarter of it keeps loading a huge picture from starving the rest
// (and from failing half-way on a fragmented address space). Nothing else limits a side.
constexpr uint64_t kMaxHeldBytes = uint64_t{512} << 20;

// biCompression values.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;  // also OS/2 Huffman 1D on 1-bit pictures
constexpr uint32_t kBiJpeg = 4;       // also OS/2 RLE24 on 24-bit pictures
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitFields = 6;

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
    kTwoBit,     // 2-bit palette indices widened to 4-bit rows, which GDI draws
    kBitFields,  // 16-bit or bit-field pixels widened to 32-bit 0x00RRGGBB
    kRle,        // RLE8 / RLE4 expanded to plain 8- / 4-bit rows
};

enum class Status {
    kOk,
    kTooShort,        // the file ends inside the headers, the masks or the colour table
    kBadMagic,        // not "BM"
    kBadHeaderSize,   // biSize below 12, or between 12 and 16
    kBadPlanes,       // biPlanes is not 1
    kBadBitCount,     // not 1, 2, 4, 8, 16, 24 or 32
    kBadCompression,  // unknown, or not valid for the bit count or for a top-down file
    kBadSize,         // width not positive, height zero or -2^31
    kTooLarge,        // the held picture would exceed kMaxHeldBytes
    kBadMasks,        // a zero, non-contiguous or too wide red, green or blue mask
    kUnsupported,     // valid but not decoded: JPEG or PNG pixels, OS/2 Huffman or RLE24, 64 bits
};

// Where everything lies in one file, and the form of the rows handed to GDI ("dib").
struct Layout {
    InfoHeader header;      // the file's information header in the 40-byte form (see ComputeLayout)
    int32_t width = 0;      // > 0
    int32_t height = 0;     // > 0: the absolute value of biHeight
    bool topDown = false;   // biHeight was negative
    uint16_t bitCount = 0;  // of the file
    uint32_t compression = 0;
    uint32_t headerBytes = 0;       // biSize
    uint32_t colorCount = 0;        // N: colour-table entries used, at most 2 to the bit count (0 above 8 bits)
    uint32_t colorEntryBytes = 4;   // 3 after a core header (blue, green, red), else 4
    uint64_t colorTableOffset = 0;  // after the header and any masks that follow it
    uint64_t pixelOffset = 0;       // where the stored rows start
    uint64_t rowBytes = 0;          // one stored row of the file (uncompressed)
    uint64_t storedBytes = 0;       // bytes of pixel data present in the file, to be read from pixelOffset
    PixelKind kind = PixelKind::kPlain;
    Channel red, green, blue;  // for PixelKind::kBitFields
    uint16_t dibBitCount = 0;  // rows handed to GDI: bottom-up, BI_RGB
    uint64_t dibRowBytes = 0;
    uint64_t dibBytes = 0;   // dibRowBytes * height
    uint64_t heldBytes = 0;  // dibBytes plus the device bitmap: at most kMaxHeldBytes
};

// The bit counts GDI draws.
constexpr bool IsValidBitCount(uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// Row size of an uncompressed DIB row: (width * bitCount + 31) / 32 * 4.
constexpr uint64_t RowBytes(uint64_t width, uint64_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Validates the headers and computes the layout. `prefix` holds the file's first
// min(fileSize, kPrefixBytes) bytes; `deviceBitCount` is the depth of the device the
// picture is made compatible with (values outside 1..32 count as 32). A core header's
// 16-bit fields and a short header's missing ones are given in out->header as if read
// from a 40-byte header; its size stays the file's.
Status ComputeLayout(std::span<const uint8_t> prefix, uint64_t fileSize, int deviceBitCount, Layout* out);

// What a refusal of ComputeLayout says of the file: not a BMP file, a broken one, one of a
// form this reader does not decode, or one too large to hold.
DecodeFailure FailureOf(Status status);

// The width and the absolute height the headers at the start of a file name (the file's
// first min(fileSize, kPrefixBytes) bytes), whatever the rest of the headers say; none
// when the bytes are no "BM" file with a readable information header of positive sides.
std::optional<PictureSize> HeaderSize(std::span<const uint8_t> prefix);

// Widens `count` 3-byte colour-table entries at the start of `table` to 4-byte entries in
// place, the fourth byte zero. False, with nothing changed, when `table` holds fewer than
// 4 * count bytes.
bool WidenColorTable(std::span<uint8_t> table, uint32_t count);

// Turns the stored rows (possibly cut short: what is missing stays zero, or as it was for
// RLE) into the layout's bottom-up rows handed to GDI. `dib` must hold layout.dibBytes
// bytes, zero for a fresh picture. False when the layout and the buffer do not agree.
bool DecodeRows(std::span<const uint8_t> stored, const Layout& layout, std::span<uint8_t> dib);

// Reverses the order of the whole rows in `rows`; a trailing partial row is left alone.
void FlipRows(std::span<uint8_t> rows, size_t rowBytes);

// Widens bit-field pixels (the stored rows, possibly cut short: missing pixels are zero)
// into bottom-up 32-bit 0x00RRGGBB rows, every channel rounded to the nearest of 0..255.
// False when `dib` is smaller than layout.dibBytes or the layout is not of kind kBitFields.
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
