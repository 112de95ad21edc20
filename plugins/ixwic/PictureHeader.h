#pragma once
// The size, orientation and density of a picture read from its file's header where the
// format makes that cheap (JPEG, PNG, GIF, BMP, TIFF), so that the plug-in answers the
// picture information without the system's decoder, which may decode every pixel to
// answer it. Portable: no Windows headers.
#include <cstddef>
#include <cstdint>

#include "plugins/ixwic/ByteSource.h"

namespace ixwic {

enum class PictureFormat { kNone, kJpeg, kPng, kGif, kTiff, kIco, kBmp };

// The format whose signature the first bytes carry; kNone when they carry none known here.
PictureFormat FormatOf(const uint8_t* bytes, size_t size);

struct PictureHeader {
    PictureFormat format = PictureFormat::kNone;
    uint32_t width = 0;  // as stored, before the orientation is applied
    uint32_t height = 0;
    int orientation = 1;  // EXIF orientation 1..8
    double dpiX = 96;
    double dpiY = 96;
};

enum class HeaderResult {
    kUnknownFormat,  // no signature known here
    kRead,           // the header was read: size, orientation, density
    kAskSystem,      // a known signature, but the header alone does not settle the picture
    kBroken,         // a known signature, and the header is invalid or the input ends inside it
};

// Reads the header at the start of `source`; out->format is set whenever the signature is known.
HeaderResult ReadPictureHeader(ByteSource& source, PictureHeader* out);

}  // namespace ixwic
