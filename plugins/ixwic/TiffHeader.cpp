#include "plugins/ixwic/TiffHeader.h"

#include <cstring>

namespace ixwic {

namespace {

enum TiffTag : uint16_t {
    kNewSubfileType = 254,
    kImageWidth = 256,
    kImageLength = 257,
    kCompression = 259,
    kOrientation = 274,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
    kSubIfds = 330,
    kTiffEpStandardId = 37398,
    kDngVersion = 50706,
};

enum TiffType : uint16_t {
    kShort = 3,
    kLong = 4,
    kRational = 5,
};

class TiffReader {
public:
    TiffReader(ByteSource& source, bool little) : m_source(source), m_little(little) {}

    uint16_t U16(const uint8_t* p) const {
        return m_little ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
    }
    uint32_t U32(const uint8_t* p) const {
        const uint32_t a = U16(p);
        const uint32_t b = U16(p + 2);
        return m_little ? (a | (b << 16)) : ((a << 16) | b);
    }
    // An unsigned SHORT or LONG held in the entry itself; 0 for any other type or count.
    uint32_t Number(const uint8_t* entry) const {
        if (U32(entry + 4) != 1) {
            return 0;
        }
        const uint16_t type = U16(entry + 2);
        return type == kShort ? U16(entry + 8) : type == kLong ? U32(entry + 8) : 0;
    }
    // A RATIONAL, which lies outside the entry; 0 when it cannot be read or divides by 0.
    double Rational(const uint8_t* entry) const {
        if (U16(entry + 2) != kRational || U32(entry + 4) != 1) {
            return 0;
        }
        const uint8_t* value = m_source.View(U32(entry + 8), 8);
        if (value == nullptr || U32(value + 4) == 0) {
            return 0;
        }
        return static_cast<double>(U32(value)) / U32(value + 4);
    }

private:
    ByteSource& m_source;
    bool m_little;
};

// The density in dots per inch for a resolution in `unit` (2 inch, 3 centimetre); 0 when unknown.
double ToDpi(double resolution, uint32_t unit) {
    if (resolution <= 0 || resolution > 65535 * 2.54) {
        return 0;
    }
    return unit == 2 ? resolution : unit == 3 ? resolution * 2.54 : 0;
}

}  // namespace

bool ParseTiffHeader(ByteSource& source, TiffHeader* out) {
    *out = TiffHeader{};
    const uint8_t* start = source.View(0, 8);
    if (start == nullptr || (std::memcmp(start, "II*\0", 4) != 0 && std::memcmp(start, "MM\0*", 4) != 0)) {
        return false;
    }
    const TiffReader tiff(source, start[0] == 'I');
    const uint64_t directory = tiff.U32(start + 4);
    const uint8_t* countBytes = source.View(directory, 2);
    if (countBytes == nullptr) {
        return false;
    }
    const uint16_t count = tiff.U16(countBytes);
    double xResolution = 0, yResolution = 0;
    uint32_t unit = 2;  // inches unless the directory says otherwise
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = source.View(directory + 2 + 12ull * i, 12);
        if (entry == nullptr) {
            return false;
        }
        switch (tiff.U16(entry)) {
            case kImageWidth:
                out->width = tiff.Number(entry);
                break;
            case kImageLength:
                out->height = tiff.Number(entry);
                break;
            case kOrientation:
                if (tiff.U16(entry + 2) == kShort) {
                    const uint32_t value = tiff.Number(entry);
                    out->orientation = value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
                }
                break;
            case kXResolution:
                xResolution = tiff.Rational(entry);
                break;
            case kYResolution:
                yResolution = tiff.Rational(entry);
                break;
            case kResolutionUnit:
                unit = tiff.Number(entry);
                break;
            case kCompression:
                out->compression = tiff.Number(entry);
                break;
            case kNewSubfileType:
                out->reducedResolution = (tiff.Number(entry) & 1) != 0;
                break;
            case kSubIfds:
                out->subDirectories = true;
                break;
            case kTiffEpStandardId:
            case kDngVersion:
                out->rawStandard = true;
                break;
            default:
                break;
        }
    }
    const double dpiX = ToDpi(xResolution, unit);
    const double dpiY = ToDpi(yResolution, unit);
    if (dpiX > 0 && dpiY > 0) {
        out->dpiX = dpiX;
        out->dpiY = dpiY;
    }
    return true;
}

}  // namespace ixwic
