#pragma once
// What a JPEG file's headers tell without decoding a pixel: the frame size, the
// number of components, the EXIF orientation and the JFIF density. The system's JPEG
// decoder may decode the whole picture merely to answer these, so the plug-in reads
// them itself. Portable; every read is bounds-checked against the bytes given.
#include <cstddef>
#include <cstdint>

#include "plugins/ixwic/ByteSource.h"

namespace ixwic {

struct JpegHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;   // 1 grey, 3 colour, 4 CMYK
    int frameMarker = 0;  // the frame header's marker: 0xC0 baseline, 0xC2 progressive, ...
    int precision = 0;    // bits per sample
    int orientation = 1;  // EXIF orientation 1..8; 1 when the file names none or an invalid one
    double dpiX = 96;     // from the JFIF header when it gives dots per inch or per centimetre
    double dpiY = 96;
};

// Walks the markers from the start of the input up to the first frame header, reading
// only the segments it needs. False when the bytes are no JPEG, end before the frame
// header, or the frame has no size.
bool ParseJpegHeader(ByteSource& source, JpegHeader* out);
bool ParseJpegHeader(const uint8_t* data, size_t size, JpegHeader* out);

}  // namespace ixwic
