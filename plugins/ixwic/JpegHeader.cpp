#include "plugins/ixwic/JpegHeader.h"

#include <cstring>

#include "plugins/ixwic/TiffHeader.h"

namespace ixwic {
namespace {

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

bool IsFrameHeader(uint8_t marker) {
    // SOF0-SOF15, except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr size_t kJfifBytes = 12;  // "JFIF\0", version, units, densities
constexpr size_t kExifTagBytes = 6;

// The density of a JFIF block, when it gives dots per inch or per centimetre.
void ReadJfifDensity(const uint8_t* jfif, JpegHeader* header) {
    const int units = jfif[7];
    const double scale = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
    const uint16_t x = Be16(jfif + 8);
    const uint16_t y = Be16(jfif + 10);
    if (scale > 0 && x > 0 && y > 0) {
        header->dpiX = x * scale;
        header->dpiY = y * scale;
    }
}

}  // namespace

bool ParseJpegHeader(ByteSource& source, JpegHeader* out) {
    const uint8_t* start = source.View(0, 2);
    if (start == nullptr || start[0] != 0xFF || start[1] != 0xD8) {
        return false;
    }
    JpegHeader header;
    uint64_t pos = 2;
    for (;;) {
        const uint8_t* marker = source.View(pos, 4);
        if (marker == nullptr || marker[0] != 0xFF) {
            return false;
        }
        const uint8_t code = marker[1];
        if (code == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            pos += 2;  // markers without a segment
            continue;
        }
        if (code == 0xD9 || code == 0xDA) {
            return false;  // end of image or start of scan before any frame header
        }
        const uint64_t length = Be16(marker + 2);
        if (length < 2) {
            return false;
        }
        const uint64_t body = pos + 4;
        const uint64_t bytes = length - 2;
        const uint64_t end = pos + 2 + length;
        if (code == kApp0 && bytes >= kJfifBytes) {
            const uint8_t* jfif = source.View(body, kJfifBytes);
            if (jfif != nullptr && std::memcmp(jfif, "JFIF\0", 5) == 0) {
                ReadJfifDensity(jfif, &header);
            }
        } else if (code == kApp1 && bytes >= kExifTagBytes) {
            const uint8_t* tag = source.View(body, kExifTagBytes);
            if (tag != nullptr && std::memcmp(tag, "Exif\0\0", kExifTagBytes) == 0) {
                SubSource exif(source, body + kExifTagBytes, bytes - kExifTagBytes);
                TiffHeader tiff;
                ParseTiffHeader(exif, &tiff);
                header.orientation = tiff.orientation;
            }
        } else if (IsFrameHeader(code)) {
            const uint8_t* frame = bytes >= 6 ? source.View(body, 6) : nullptr;
            if (frame == nullptr) {
                return false;
            }
            header.height = Be16(frame + 1);
            header.width = Be16(frame + 3);
            header.components = frame[5];
            header.frameMarker = code;
            header.precision = frame[0];
            if (header.width == 0 || header.height == 0 || header.components == 0 ||
                source.View(end - 1, 1) == nullptr) {
                return false;
            }
            *out = header;
            return true;
        }
        // Every segment lies inside the input, read or not. Checked after the reads inside
        // it, so that a file read piece by piece is read at the segment's end only once.
        if (source.View(end - 1, 1) == nullptr) {
            return false;
        }
        pos = end;
    }
}

bool ParseJpegHeader(const uint8_t* data, size_t size, JpegHeader* out) {
    MemorySource source(data, size);
    return ParseJpegHeader(source, out);
}

}  // namespace ixwic
