#pragma once
// What the first image directory of a TIFF structure (a TIFF file, or the EXIF block of
// a JPEG file) tells without reading the pixels. Portable; every read goes through a
// ByteSource, so nothing beyond the input is touched.
#include <cstdint>

#include "plugins/ixwic/ByteSource.h"

namespace ixwic {

struct TiffHeader {
    uint32_t width = 0;  // 0 when the directory names none
    uint32_t height = 0;
    int orientation = 1;  // 1..8; 1 when the directory names none or an invalid one
    double dpiX = 96;     // from the resolution tags when they are in inches or centimetres
    double dpiY = 96;
    uint32_t compression = 1;  // 1 (none) when the directory names none
    // Marks of a camera's raw file, whose first directory is no more than a preview: the
    // directory is a reduced-resolution picture, leads to sub-directories, or names a raw
    // standard (DNG, TIFF/EP).
    bool reducedResolution = false;
    bool subDirectories = false;
    bool rawStandard = false;
};

// Reads the byte order, the first directory and the tags it names. False when the bytes
// are no TIFF structure or end inside the directory; what was read before the end is in
// `out` either way.
bool ParseTiffHeader(ByteSource& source, TiffHeader* out);

}  // namespace ixwic
