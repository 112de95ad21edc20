#include "plugins/ixwic/JpegHeader.h"

#include <cstring>

namespace ixwic {
namespace {

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// A TIFF structure (the EXIF block) in either byte order.
class TiffReader {
public:
    TiffReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Valid() const {
        return m_size >= 8 && (std::memcmp(m_data, "II*\0", 4) == 0 || std::memcmp(m_data, "MM\0*", 4) == 0);
    }
    bool Has(uint64_t offset, uint64_t bytes) const { return offset <= m_size && bytes <= m_size - offset; }
    uint16_t U16(size_t at) const {
        const uint8_t* p = m_data + at;
        return Little() ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : Be16(p);
    }
    uint32_t U32(size_t at) const {
        const uint32_t a = U16(at);
        const uint32_t b = U16(at + 2);
        return Little() ? (a | (b << 16)) : ((a << 16) | b);
    }

private:
    bool Little() const { return m_data[0] == 'I'; }
    const uint8_t* m_data;
    size_t m_size;
};

// The orientation tag (274) of the first image directory; 1 when absent or out of range.
int ReadExifOrientation(const uint8_t* data, size_t size) {
    const TiffReader tiff(data, size);
    if (!tiff.Valid()) {
        return 1;
    }
    const uint32_t ifd = tiff.U32(4);
    if (!tiff.Has(ifd, 2)) {
        return 1;
    }
    const uint16_t count = tiff.U16(ifd);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = uint64_t{ifd} + 2 + 12ull * i;
        if (!tiff.Has(entry, 12)) {
            break;
        }
        const size_t at = static_cast<size_t>(entry);
        constexpr uint16_t kOrientationTag = 274;
        constexpr uint16_t kShortType = 3;
        if (tiff.U16(at) == kOrientationTag && tiff.U16(at + 2) == kShortType) {
            const int value = tiff.U16(at + 8);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

bool IsFrameHeader(uint8_t marker) {
    // SOF0-SOF15, except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

bool ParseJpegHeader(const uint8_t* data, size_t size, JpegHeader* out) {
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return false;
    }
    JpegHeader header;
    size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) {
            return false;
        }
        const uint8_t marker = data[pos + 1];
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;  // markers without a segment
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) {
            return false;  // end of image or start of scan before any frame header
        }
        const size_t length = Be16(data + pos + 2);
        if (length < 2 || length > size - pos - 2) {
            return false;
        }
        const uint8_t* segment = data + pos + 4;
        const size_t bytes = length - 2;
        if (marker == 0xE0 && bytes >= 12 && std::memcmp(segment, "JFIF\0", 5) == 0) {
            const int units = segment[7];
            const double scale = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
            const uint16_t x = Be16(segment + 8);
            const uint16_t y = Be16(segment + 10);
            if (scale > 0 && x > 0 && y > 0) {
                header.dpiX = x * scale;
                header.dpiY = y * scale;
            }
        } else if (marker == 0xE1 && bytes >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0) {
            header.orientation = ReadExifOrientation(segment + 6, bytes - 6);
        } else if (IsFrameHeader(marker)) {
            if (bytes < 6) {
                return false;
            }
            header.height = Be16(segment + 1);
            header.width = Be16(segment + 3);
            header.components = segment[5];
            if (header.width == 0 || header.height == 0 || header.components == 0) {
                return false;
            }
            *out = header;
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

}  // namespace ixwic
