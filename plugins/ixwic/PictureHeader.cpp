#include "plugins/ixwic/PictureHeader.h"

#include <cstring>

#include "plugins/ixwic/JpegHeader.h"
#include "plugins/ixwic/TiffHeader.h"

namespace ixwic {

namespace {

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p) {
    return Le16(p) | (uint32_t{Le16(p + 2)} << 16);
}

constexpr double kInchesPerMetre = 0.0254;
// The picture information reports each side as a signed 32-bit number.
constexpr uint32_t kMaxSide = 0x7FFFFFFF;

// ---- PNG ----

constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kIhdrChunkBytes = 8 + 13 + 4;
constexpr uint32_t kMaxPngLength = 0x7FFFFFFF;  // of a chunk, and of a side
// Ancillary chunks a PNG may put before its pixel data; past this many the system decides.
constexpr int kMaxPngChunks = 4096;

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

bool IsPngBitDepth(uint8_t colourType, uint8_t depth) {
    switch (colourType) {
        case 0:  // grey
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:  // palette
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:  // RGB
        case 4:  // grey and alpha
        case 6:  // RGBA
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

bool IsChunkType(const uint8_t* type) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = type[i] & ~0x20;  // letters of either case
        if (c < 'A' || c > 'Z') {
            return false;
        }
    }
    return true;
}

// The header chunk, which comes first, then the chunks up to the first pixel data: a
// file without pixel data, or a palette picture without palette, is broken.
HeaderResult ReadPngHeader(ByteSource& source, PictureHeader* out) {
    const uint8_t* ihdr = source.View(sizeof kPngSignature, kIhdrChunkBytes);
    if (ihdr == nullptr || Be32(ihdr) != 13 || std::memcmp(ihdr + 4, "IHDR", 4) != 0 ||
        Crc32(ihdr + 4, 4 + 13) != Be32(ihdr + 21)) {
        return HeaderResult::kBroken;
    }
    const uint8_t* data = ihdr + 8;
    out->width = Be32(data);
    out->height = Be32(data + 4);
    const uint8_t depth = data[8], colourType = data[9];
    if (out->width == 0 || out->height == 0 || out->width > kMaxPngLength || out->height > kMaxPngLength ||
        !IsPngBitDepth(colourType, depth) || data[10] != 0 || data[11] != 0 || data[12] > 1) {
        return HeaderResult::kBroken;
    }
    bool palette = false;
    uint64_t pos = sizeof kPngSignature + kIhdrChunkBytes;
    for (int chunks = 0; chunks < kMaxPngChunks; ++chunks) {
        const uint8_t* chunk = source.View(pos, 8);
        if (chunk == nullptr || Be32(chunk) > kMaxPngLength || !IsChunkType(chunk + 4)) {
            return HeaderResult::kBroken;
        }
        const uint32_t length = Be32(chunk);
        const uint8_t* type = chunk + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            return colourType == 3 && !palette ? HeaderResult::kBroken : HeaderResult::kRead;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            return HeaderResult::kBroken;
        }
        palette = palette || std::memcmp(type, "PLTE", 4) == 0;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            const uint8_t* phys = source.View(pos + 8, 9);
            // Pixels per metre, when the unit is the metre.
            if (phys != nullptr && phys[8] == 1 && Be32(phys) > 0 && Be32(phys + 4) > 0) {
                out->dpiX = Be32(phys) * kInchesPerMetre;
                out->dpiY = Be32(phys + 4) * kInchesPerMetre;
            }
        }
        pos += 12ull + length;
    }
    return HeaderResult::kAskSystem;
}

// ---- GIF ----

constexpr size_t kGifScreenBytes = 13;
constexpr size_t kGifImageBytes = 10;
// Extension blocks before the first picture; past this many the system decides.
constexpr int kMaxGifBlocks = 65536;

// The first image descriptor's size, which is the size of the system decoder's first
// frame, behind the screen descriptor, the global colour table and any extensions.
HeaderResult ReadGifHeader(ByteSource& source, PictureHeader* out) {
    const uint8_t* screen = source.View(0, kGifScreenBytes);
    if (screen == nullptr) {
        return HeaderResult::kBroken;
    }
    const uint8_t flags = screen[10];
    uint64_t pos = kGifScreenBytes + ((flags & 0x80) ? 3ull << ((flags & 7) + 1) : 0);
    for (int blocks = 0; blocks < kMaxGifBlocks;) {
        const uint8_t* introducer = source.View(pos, 1);
        if (introducer == nullptr) {
            return HeaderResult::kBroken;
        }
        if (*introducer == 0x2C) {
            const uint8_t* image = source.View(pos + 1, kGifImageBytes - 1);
            if (image == nullptr) {
                return HeaderResult::kBroken;
            }
            out->width = Le16(image + 4);
            out->height = Le16(image + 6);
            return out->width == 0 || out->height == 0 ? HeaderResult::kBroken : HeaderResult::kRead;
        }
        if (*introducer != 0x21) {
            return HeaderResult::kBroken;  // the trailer, or no block at all, before any picture
        }
        // An extension: its label, then sub-blocks up to one of length 0.
        pos += 2;
        for (;; ++blocks) {
            const uint8_t* length = source.View(pos, 1);
            if (length == nullptr) {
                return HeaderResult::kBroken;
            }
            pos += 1ull + *length;
            if (*length == 0) {
                break;
            }
        }
        ++blocks;
    }
    return HeaderResult::kAskSystem;
}

// ---- BMP ----

constexpr size_t kBmpFileHeaderBytes = 14;
constexpr uint32_t kBmpCoreHeader = 12;

bool IsBmpInfoHeaderSize(uint32_t size) {
    switch (size) {
        case 12:
        case 16:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            return true;
        default:
            return false;
    }
}

// The size from the core header (16-bit sides) or an info header of the Windows forms
// (32-bit sides, negative height for rows stored top-down). The OS/2 forms are left to the system.
HeaderResult ReadBmpHeader(ByteSource& source, PictureHeader* out) {
    const uint8_t* start = source.View(0, kBmpFileHeaderBytes + 4);
    const uint32_t headerSize = start != nullptr ? Le32(start + kBmpFileHeaderBytes) : 0;
    if (headerSize == 16 || headerSize == 64) {
        return HeaderResult::kAskSystem;
    }
    const uint8_t* header = source.View(kBmpFileHeaderBytes, headerSize == kBmpCoreHeader ? 12 : 40);
    if (header == nullptr) {
        return HeaderResult::kBroken;
    }
    if (headerSize == kBmpCoreHeader) {
        out->width = Le16(header + 4);
        out->height = Le16(header + 6);
        return out->width == 0 || out->height == 0 ? HeaderResult::kBroken : HeaderResult::kRead;
    }
    const int32_t width = static_cast<int32_t>(Le32(header + 4));
    const int32_t height = static_cast<int32_t>(Le32(header + 8));
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return HeaderResult::kBroken;
    }
    out->width = static_cast<uint32_t>(width);
    out->height = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint32_t xPerMetre = Le32(header + 24);
    const uint32_t yPerMetre = Le32(header + 28);
    if (xPerMetre > 0 && yPerMetre > 0) {
        out->dpiX = xPerMetre * kInchesPerMetre;
        out->dpiY = yPerMetre * kInchesPerMetre;
    }
    return HeaderResult::kRead;
}

HeaderResult ReadJpeg(ByteSource& source, PictureHeader* out) {
    JpegHeader jpeg;
    // What the header walk cannot read (a height defined later, stray bytes between
    // segments) the system's decoder may still read.
    if (!ParseJpegHeader(source, &jpeg)) {
        return HeaderResult::kAskSystem;
    }
    out->width = jpeg.width;
    out->height = jpeg.height;
    out->orientation = jpeg.orientation;
    out->components = jpeg.components;
    out->dpiX = jpeg.dpiX;
    out->dpiY = jpeg.dpiY;
    // Baseline, extended and progressive Huffman coding of 8-bit samples: what every JPEG
    // decoder reads. Lossless, hierarchical, arithmetic-coded or 12-bit pictures are not.
    out->builtIn =
        (jpeg.frameMarker == 0xC0 || jpeg.frameMarker == 0xC1 || jpeg.frameMarker == 0xC2) && jpeg.precision == 8;
    return HeaderResult::kRead;
}

// The compressions every TIFF decoder reads: none, the CCITT codings, LZW, JPEG, Deflate and PackBits.
bool IsCommonTiffCompression(uint32_t compression) {
    switch (compression) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 7:
        case 8:
        case 32773:
        case 32946:
            return true;
        default:
            return false;
    }
}

// A camera's raw file in a TIFF structure (CR2, NEF, ARW, DNG, ...): the system's TIFF
// decoder would show its first directory, a preview of another size or none at all, so
// the file is left to a raw decoder, and its size is not read.
bool IsCameraRaw(bool canonMarker, const TiffHeader& tiff) {
    return canonMarker || tiff.rawStandard || tiff.subDirectories || tiff.reducedResolution;
}

HeaderResult ReadTiff(ByteSource& source, PictureHeader* out) {
    // Canon's mark follows the file header, which is read with it.
    const uint8_t* marker = source.View(8, 4);
    const bool canon = marker != nullptr && std::memcmp(marker, "CR\x02\0", 4) == 0;
    TiffHeader tiff;
    const bool parsed = ParseTiffHeader(source, &tiff);
    if (parsed && IsCameraRaw(canon, tiff)) {
        out->format = PictureFormat::kCameraRaw;
        out->builtIn = false;
        return HeaderResult::kNeedsCodec;
    }
    if (!parsed || tiff.width == 0 || tiff.height == 0 || tiff.width > kMaxSide || tiff.height > kMaxSide) {
        return HeaderResult::kBroken;
    }
    out->builtIn = IsCommonTiffCompression(tiff.compression);
    out->width = tiff.width;
    out->height = tiff.height;
    out->orientation = tiff.orientation;
    out->dpiX = tiff.dpiX;
    out->dpiY = tiff.dpiY;
    return HeaderResult::kRead;
}

bool StartsWith(const uint8_t* bytes, size_t size, const char* signature, size_t length) {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

PictureFormat FormatOf(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) {
        return PictureFormat::kNone;
    }
    if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3)) {
        return PictureFormat::kJpeg;
    }
    if (size >= sizeof kPngSignature && std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0) {
        return PictureFormat::kPng;
    }
    if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6)) {
        return PictureFormat::kGif;
    }
    if (StartsWith(bytes, size, "II*\0", 4) || StartsWith(bytes, size, "MM\0*", 4)) {
        return PictureFormat::kTiff;
    }
    if (StartsWith(bytes, size, "\0\0\x01\0", 4)) {
        return PictureFormat::kIco;
    }
    // Two letters are a weak signature: the size of a known info header must follow.
    if (StartsWith(bytes, size, "BM", 2) && size >= kBmpFileHeaderBytes + 4 &&
        IsBmpInfoHeaderSize(Le32(bytes + kBmpFileHeaderBytes))) {
        return PictureFormat::kBmp;
    }
    return PictureFormat::kNone;
}

namespace {

HeaderResult ReadAnyHeader(ByteSource& source, PictureHeader* out) {
    // As many bytes as the longest signature takes, or the whole input when it is shorter.
    for (size_t length = kBmpFileHeaderBytes + 4; length > 0; --length) {
        const uint8_t* start = source.View(0, length);
        if (start != nullptr) {
            out->format = FormatOf(start, length);
            break;
        }
    }
    out->builtIn = out->format != PictureFormat::kNone;
    switch (out->format) {
        case PictureFormat::kJpeg:
            return ReadJpeg(source, out);
        case PictureFormat::kPng:
            return ReadPngHeader(source, out);
        case PictureFormat::kGif:
            return ReadGifHeader(source, out);
        case PictureFormat::kTiff:
            return ReadTiff(source, out);
        case PictureFormat::kBmp:
            return ReadBmpHeader(source, out);
        case PictureFormat::kIco:
            return HeaderResult::kAskSystem;
        default:
            return ReadOtherFormatHeader(source, out) ? HeaderResult::kNeedsCodec : HeaderResult::kUnknownFormat;
    }
}

}  // namespace

HeaderResult ReadPictureHeader(ByteSource& source, PictureHeader* out) {
    *out = PictureHeader{};
    const HeaderResult result = ReadAnyHeader(source, out);
    // A view refused because the input could not be read says nothing of the picture.
    return source.Failed() ? HeaderResult::kUnreadable : result;
}

}  // namespace ixwic
