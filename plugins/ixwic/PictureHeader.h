#pragma once
// The size, orientation and density of a picture read from its file's header where the
// format makes that cheap (JPEG, PNG, GIF, BMP, TIFF), so that the plug-in answers the
// picture information without the system's decoder, which may decode every pixel to
// answer it; and the formats only a decoder added to the system reads (WebP, HEIF, AVIF,
// JPEG XL, camera raw files, ...), known by their signatures so that such a picture is
// never taken for no picture. Portable: no Windows headers.
#include <cstddef>
#include <cstdint>

#include "plugins/ixwic/ByteSource.h"

namespace ixwic {

enum class PictureFormat {
    kNone,
    // Formats every WIC has a decoder for.
    kJpeg,
    kPng,
    kGif,
    kTiff,
    kIco,
    kBmp,
    // Formats a decoder added to the system may read.
    kWebp,
    kHeif,
    kAvif,
    kJpegXl,
    kJpeg2000,
    kJpegXr,
    kPhotoshop,
    kCameraRaw,
};

// The format among those every WIC decodes whose signature the first bytes carry; kNone
// when they carry none of them.
PictureFormat FormatOf(const uint8_t* bytes, size_t size);

struct PictureHeader {
    PictureFormat format = PictureFormat::kNone;
    uint32_t width = 0;  // as stored, before the orientation is applied
    uint32_t height = 0;
    int orientation = 1;  // EXIF orientation 1..8
    double dpiX = 96;
    double dpiY = 96;
    // Whether the format, and its form as far as the header shows, is one the decoders
    // built into every WIC read: when the system refuses such a picture, its data is
    // damaged. Any other picture may merely lack a decoder here (a 12-bit JPEG, a TIFF of
    // an unusual compression, every format a decoder added to the system reads).
    bool builtIn = false;
    int components = 0;  // a JPEG's colour components (1 grey, 3 colour, 4 CMYK); 0 for other formats
};

enum class HeaderResult {
    kUnknownFormat,  // no signature known here
    kRead,           // the header was read: size, orientation, density
    kAskSystem,      // a known signature, but the header alone does not settle the picture
    kBroken,         // a known signature, and the header is invalid or the input ends inside it
    // The signature of a format that only a decoder added to the system reads; the size
    // and orientation when the header names them cheaply, else a width and height of 0.
    kNeedsCodec,
    kUnreadable,  // a read of the input failed: nothing is known of the picture
};

// Reads the header at the start of `source`; out->format is set whenever the signature is known.
HeaderResult ReadPictureHeader(ByteSource& source, PictureHeader* out);

// Reads the header of a format that only a decoder added to the system reads (see
// kNeedsCodec): false when the first bytes carry no such signature. (OtherFormats.cpp)
bool ReadOtherFormatHeader(ByteSource& source, PictureHeader* out);

}  // namespace ixwic
