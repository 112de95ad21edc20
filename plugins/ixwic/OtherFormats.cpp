// The signatures, and where cheap the sizes, of the picture formats that only a decoder
// added to the system reads. A picture of such a format is kept when no decoder here reads
// it: its size is given only when the header names it for certain, for a picture is judged
// by that size, and none is better than a wrong one.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "plugins/ixwic/PictureHeader.h"
#include "plugins/ixwic/TiffHeader.h"

namespace ixwic {

namespace {

constexpr uint64_t kMaxSide = 0x7FFFFFFF;
// Boxes or chunks walked looking for one, before giving up on the size.
constexpr int kMaxBoxes = 64;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le24(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
}

uint32_t Le32(const uint8_t* p) {
    return Le24(p) | (uint32_t{p[3]} << 24);
}

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{Be16(p)} << 16) | Be16(p + 2);
}

uint64_t Be64(const uint8_t* p) {
    return (uint64_t{Be32(p)} << 32) | Be32(p + 4);
}

bool HasAt(ByteSource& source, uint64_t at, const char* text, size_t length) {
    const uint8_t* bytes = source.View(at, length);
    return bytes != nullptr && std::memcmp(bytes, text, length) == 0;
}

bool IsType(const uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

// Takes the size when both sides are ones a picture can have; leaves none otherwise.
void SetSize(PictureHeader* out, uint64_t width, uint64_t height, int orientation = 1) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return;
    }
    out->width = static_cast<uint32_t>(width);
    out->height = static_cast<uint32_t>(height);
    out->orientation = orientation;
}

// ---- boxes (ISO base media files: HEIF, AVIF, CR3; the JPEG 2000 and JPEG XL containers) ----

struct Box {
    const uint8_t* type = nullptr;
    uint64_t body = 0;  // where its contents start
    uint64_t end = 0;   // where the next box starts
};

// The box at `at`, which must end by `limit` (UINT64_MAX: wherever the input ends).
bool ReadBox(ByteSource& source, uint64_t at, uint64_t limit, Box* box) {
    const uint8_t* head = source.View(at, 8);
    if (head == nullptr || at > limit) {
        return false;
    }
    uint64_t size = Be32(head);
    uint64_t headBytes = 8;
    if (size == 1) {
        const uint8_t* large = source.View(at + 8, 8);
        if (large == nullptr) {
            return false;
        }
        size = Be64(large);
        headBytes = 16;
    } else if (size == 0) {
        size = limit - at;  // to the end
    }
    head = source.View(at, 8);  // the view of the large size may have replaced it
    if (head == nullptr || size < headBytes || size > limit - at) {
        return false;
    }
    box->type = head + 4;
    box->body = at + headBytes;
    box->end = at + size;
    return true;
}

// The first box named `type` among the boxes from `at` to `limit`.
bool FindBox(ByteSource& source, uint64_t at, uint64_t limit, const char* type, Box* found) {
    Box box;
    for (int i = 0; i < kMaxBoxes && ReadBox(source, at, limit, &box); ++i) {
        if (IsType(box.type, type)) {
            *found = box;
            return true;
        }
        at = box.end;
    }
    return false;
}

// Boxes inside one block of memory, the contents of a box read whole.
class BoxSpan {
public:
    BoxSpan(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next box: its type, contents and their size. False at the end or at a box that
    // runs past the block.
    bool Next(const uint8_t** type, const uint8_t** body, size_t* bodySize) {
        const size_t left = m_size - m_at;
        if (left < 8) {
            return false;
        }
        const uint8_t* head = m_data + m_at;
        uint64_t size = Be32(head);
        size_t headBytes = 8;
        if (size == 1) {
            if (left < 16) {
                return false;
            }
            size = Be64(head + 8);
            headBytes = 16;
        } else if (size == 0) {
            size = left;
        }
        if (size < headBytes || size > left) {
            return false;
        }
        *type = head + 4;
        *body = head + headBytes;
        *bodySize = static_cast<size_t>(size) - headBytes;
        m_at += static_cast<size_t>(size);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// The primary picture's properties, as a HEIF file's meta box associates them.
struct PrimaryProperties {
    bool sized = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int rotation = 0;      // quarter turns anticlockwise
    bool cropped = false;  // a clean aperture makes the shown picture smaller
};

// The 1-based property indices that the association box `ipma` gives item `item`.
std::vector<uint32_t> PropertiesOf(const uint8_t* ipma, size_t size, uint32_t item) {
    std::vector<uint32_t> indices;
    if (size < 8) {
        return indices;
    }
    const int version = ipma[0];
    const bool wide = (ipma[3] & 1) != 0;  // flags: 15-bit indices
    const size_t idBytes = version < 1 ? 2 : 4;
    const uint32_t entries = Be32(ipma + 4);
    size_t at = 8;
    for (uint32_t e = 0; e < entries; ++e) {
        if (size - at < idBytes + 1) {
            return {};
        }
        const uint32_t id = idBytes == 2 ? Be16(ipma + at) : Be32(ipma + at);
        const size_t count = ipma[at + idBytes];
        at += idBytes + 1;
        const size_t each = wide ? 2 : 1;
        if ((size - at) / each < count) {
            return {};
        }
        if (id == item) {
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = ipma + at + i * each;
                indices.push_back(wide ? (Be16(p) & 0x7FFFu) : (p[0] & 0x7Fu));
            }
            return indices;
        }
        at += count * each;
    }
    return indices;
}

// The `n`th box (from 1) in a block of boxes.
bool NthBox(const uint8_t* data,
            size_t size,
            uint32_t n,
            const uint8_t** type,
            const uint8_t** body,
            size_t* bodySize) {
    BoxSpan boxes(data, data != nullptr ? size : 0);
    for (uint32_t i = 1; i <= n; ++i) {
        if (!boxes.Next(type, body, bodySize)) {
            return false;
        }
    }
    return n > 0;
}

// Reads the item properties of `primary`: the property container `ipco` and the associations `ipma`.
PrimaryProperties ReadProperties(const uint8_t* iprp, size_t size, uint32_t primary) {
    PrimaryProperties result;
    const uint8_t* type = nullptr;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    const uint8_t* ipco = nullptr;
    size_t ipcoSize = 0;
    std::vector<uint32_t> indices;
    for (BoxSpan boxes(iprp, size); boxes.Next(&type, &body, &bodySize);) {
        if (IsType(type, "ipco") && ipco == nullptr) {
            ipco = body, ipcoSize = bodySize;
        } else if (IsType(type, "ipma")) {
            indices = PropertiesOf(body, bodySize, primary);
        }
    }
    for (const uint32_t index : indices) {
        if (!NthBox(ipco, ipcoSize, index, &type, &body, &bodySize)) {
            continue;
        }
        if (IsType(type, "ispe") && bodySize >= 12) {
            result.sized = true;
            result.width = Be32(body + 4);
            result.height = Be32(body + 8);
        } else if (IsType(type, "irot") && bodySize >= 1) {
            result.rotation = body[0] & 3;
        } else if (IsType(type, "clap")) {
            result.cropped = true;
        }
    }
    return result;
}

// The primary picture's size from the meta box, turned as its rotation says.
void ReadHeifSize(ByteSource& source, const Box& meta, PictureHeader* out) {
    // Read whole in one view, which no other view replaces while the boxes are read.
    const uint64_t size = meta.end - meta.body;
    const uint8_t* bytes = size > 4 && size <= WindowedSource::kMaxView ? source.View(meta.body, size) : nullptr;
    if (bytes == nullptr) {
        return;
    }
    const uint8_t* type = nullptr;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    bool hasPrimary = false;
    uint32_t primary = 0;
    const uint8_t* iprp = nullptr;
    size_t iprpSize = 0;
    for (BoxSpan boxes(bytes + 4, static_cast<size_t>(size) - 4); boxes.Next(&type, &body, &bodySize);) {
        if (IsType(type, "pitm") && bodySize >= 6) {
            hasPrimary = true;
            primary = body[0] == 0 ? Be16(body + 4) : (bodySize >= 8 ? Be32(body + 4) : 0);
        } else if (IsType(type, "iprp")) {
            iprp = body, iprpSize = bodySize;
        }
    }
    if (!hasPrimary || iprp == nullptr) {
        return;
    }
    const PrimaryProperties p = ReadProperties(iprp, iprpSize, primary);
    if (p.sized && !p.cropped) {
        // A quarter turn anticlockwise is EXIF orientation 8, three of them 6.
        constexpr int kOrientationOfTurns[] = {1, 8, 3, 6};
        SetSize(out, p.width, p.height, kOrientationOfTurns[p.rotation]);
    }
}

bool IsBrand(const uint8_t* brand, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (IsType(brand, name)) {
            return true;
        }
    }
    return false;
}

// An ISO base media file whose brands name a still picture: HEIF, AVIF or a camera's CR3.
bool ReadIsoMediaHeader(ByteSource& source, PictureHeader* out) {
    Box ftyp;
    if (!ReadBox(source, 0, UINT64_MAX, &ftyp) || !IsType(ftyp.type, "ftyp") || ftyp.end - ftyp.body < 8) {
        return false;
    }
    const size_t brandBytes = static_cast<size_t>(std::min<uint64_t>(ftyp.end - ftyp.body, 4 * 64)) / 4 * 4;
    const uint8_t* view = source.View(ftyp.body, brandBytes);
    if (view == nullptr) {
        return false;
    }
    const std::vector<uint8_t> brands(view, view + brandBytes);
    PictureFormat format = PictureFormat::kNone;
    for (size_t at = 0; at < brands.size(); at += at == 0 ? 8 : 4) {  // major, minor version, compatible
        const uint8_t* brand = brands.data() + at;
        if (IsBrand(brand, {"avif", "avis"})) {
            format = PictureFormat::kAvif;
        } else if (IsBrand(brand, {"crx "}) && format != PictureFormat::kAvif) {
            format = PictureFormat::kCameraRaw;
        } else if (IsBrand(brand,
                           {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "mif2"}) &&
                   format == PictureFormat::kNone) {
            format = PictureFormat::kHeif;
        }
    }
    if (format == PictureFormat::kNone) {
        return false;  // a video or another file of the family
    }
    out->format = format;
    Box meta;
    if (format != PictureFormat::kCameraRaw && FindBox(source, ftyp.end, UINT64_MAX, "meta", &meta)) {
        ReadHeifSize(source, meta, out);
    }
    return true;
}

// ---- WebP ----

// The orientation in the EXIF chunk that follows the picture's chunks: 1 when the block
// names none; 0 when the chunk cannot be found or read whole (a file cut short), for then
// the orientation, and the way the sides stand, is unknown.
int WebpExifOrientation(ByteSource& source, uint64_t at, uint64_t end) {
    for (int i = 0; i < kMaxBoxes && at < end; ++i) {
        const uint8_t* chunk = source.View(at, 8);
        if (chunk == nullptr) {
            return 0;
        }
        const uint32_t size = Le32(chunk + 4);
        if (IsType(chunk, "EXIF")) {
            if (size == 0 || source.View(at + 8 + size - 1, 1) == nullptr) {
                return 0;
            }
            const uint64_t skip = HasAt(source, at + 8, "Exif\0\0", 6) ? 6 : 0;
            SubSource exif(source, at + 8 + skip, size - std::min<uint64_t>(size, skip));
            TiffHeader tiff;
            ParseTiffHeader(exif, &tiff);
            return tiff.orientation;
        }
        at += 8 + uint64_t{size} + (size & 1);
    }
    return 0;
}

bool ReadWebpHeader(ByteSource& source, PictureHeader* out) {
    const uint8_t* riff = source.View(0, 12);
    if (riff == nullptr || !IsType(riff, "RIFF") || !IsType(riff + 8, "WEBP")) {
        return false;
    }
    out->format = PictureFormat::kWebp;
    const uint64_t end = 8 + uint64_t{Le32(riff + 4)};
    const uint8_t* chunk = source.View(12, 8 + 10);
    if (chunk == nullptr) {
        return true;
    }
    const uint8_t* data = chunk + 8;
    if (IsType(chunk, "VP8 ")) {
        // A key frame's tag (bit 0 clear), the start code, then 14-bit sides beside 2-bit scales.
        if ((data[0] & 1) == 0 && data[3] == 0x9D && data[4] == 0x01 && data[5] == 0x2A) {
            SetSize(out, Le16(data + 6) & 0x3FFFu, Le16(data + 8) & 0x3FFFu);
        }
    } else if (IsType(chunk, "VP8L")) {
        // The signature byte, then both sides less one in 14 bits each and a 3-bit version 0.
        const uint32_t bits = Le32(data + 1);
        if (data[0] == 0x2F && (bits >> 29) == 0) {
            SetSize(out, (bits & 0x3FFFu) + 1, ((bits >> 14) & 0x3FFFu) + 1);
        }
    } else if (IsType(chunk, "VP8X")) {
        // Flags, then the canvas's sides less one in 24 bits each.
        const uint64_t width = Le24(data + 4) + uint64_t{1};
        const uint64_t height = Le24(data + 7) + uint64_t{1};
        const bool exif = (data[0] & 0x08) != 0;
        const uint32_t size = Le32(chunk + 4);
        const int orientation = exif ? WebpExifOrientation(source, 20 + uint64_t{size} + (size & 1), end) : 1;
        if (orientation != 0) {
            SetSize(out, width, height, orientation);
        }
    }
    return true;
}

// ---- JPEG XL ----

// The bits of a JPEG XL header, least significant first.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    // `count` bits (at most 30); false once the data has run out.
    bool Read(int count, uint32_t* value) {
        *value = 0;
        for (int i = 0; i < count; ++i, ++m_bit) {
            if (m_bit / 8 >= m_size) {
                return false;
            }
            *value |= uint32_t{(m_data[m_bit / 8] >> (m_bit % 8)) & 1u} << i;
        }
        return true;
    }
    // A side of the size header: a 2-bit selector of 9, 13, 18 or 30 bits, plus one.
    bool Side(uint64_t* value) {
        constexpr int kBits[] = {9, 13, 18, 30};
        uint32_t selector = 0, bits = 0;
        if (!Read(2, &selector) || !Read(kBits[selector], &bits)) {
            return false;
        }
        *value = uint64_t{bits} + 1;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_bit = 0;
};

// The size header after the codestream's signature, then the start of the picture's
// metadata, which names the orientation. Nothing when the bits run out before it.
void ReadJxlCodestream(ByteSource& source, uint64_t at, PictureHeader* out) {
    constexpr size_t kHeaderBytes = 16;  // the size header takes at most 78 bits, then 5 more
    const uint8_t* bytes = nullptr;
    size_t size = kHeaderBytes;
    for (; size > 2 && (bytes = source.View(at, size)) == nullptr; --size) {
    }
    if (bytes == nullptr || bytes[0] != 0xFF || bytes[1] != 0x0A) {
        return;
    }
    BitReader bits(bytes + 2, size - 2);
    uint32_t small = 0, eighths = 0, ratio = 0;
    uint64_t width = 0, height = 0;
    if (!bits.Read(1, &small)) {
        return;
    }
    if (small != 0 ? !bits.Read(5, &eighths) : !bits.Side(&height)) {
        return;
    }
    if (small != 0) {
        height = (uint64_t{eighths} + 1) * 8;
    }
    if (!bits.Read(3, &ratio)) {
        return;
    }
    // The width as a fixed ratio to the height, rounded down.
    constexpr uint32_t kRatios[8][2] = {{0, 1}, {1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    if (ratio != 0) {
        width = height * kRatios[ratio][0] / kRatios[ratio][1];
    } else if (small != 0 ? !bits.Read(5, &eighths) : !bits.Side(&width)) {
        return;
    } else if (small != 0) {
        width = (uint64_t{eighths} + 1) * 8;
    }
    uint32_t allDefault = 0, extraFields = 0, orientation = 0;
    if (!bits.Read(1, &allDefault) || (allDefault == 0 && !bits.Read(1, &extraFields)) ||
        (extraFields != 0 && !bits.Read(3, &orientation))) {
        return;
    }
    SetSize(out, width, height, static_cast<int>(orientation) + 1);
}

bool ReadJpegXlHeader(ByteSource& source, PictureHeader* out) {
    if (HasAt(source, 0, "\xFF\x0A", 2)) {
        out->format = PictureFormat::kJpegXl;
        ReadJxlCodestream(source, 0, out);
        return true;
    }
    if (!HasAt(source, 0, "\0\0\0\x0CJXL \r\n\x87\n", 12)) {
        return false;
    }
    out->format = PictureFormat::kJpegXl;
    // The codestream whole, or its first part behind the part's 4-byte number.
    Box box;
    uint64_t at = 12;
    for (int i = 0; i < kMaxBoxes && ReadBox(source, at, UINT64_MAX, &box); ++i, at = box.end) {
        if (IsType(box.type, "jxlc")) {
            ReadJxlCodestream(source, box.body, out);
            break;
        }
        if (IsType(box.type, "jxlp")) {
            ReadJxlCodestream(source, box.body + 4, out);
            break;
        }
    }
    return true;
}

// ---- JPEG 2000, JPEG XR, Photoshop ----

bool ReadJpeg2000Header(ByteSource& source, PictureHeader* out) {
    if (HasAt(source, 0, "\xFF\x4F\xFF\x51", 4)) {
        // The image and tile size segment: the reference grid's sides less the picture's offset.
        out->format = PictureFormat::kJpeg2000;
        const uint8_t* siz = source.View(8, 16);
        if (siz != nullptr && Be32(siz) > Be32(siz + 8) && Be32(siz + 4) > Be32(siz + 12)) {
            SetSize(out, Be32(siz) - Be32(siz + 8), Be32(siz + 4) - Be32(siz + 12));
        }
        return true;
    }
    if (!HasAt(source, 0, "\0\0\0\x0CjP  \r\n\x87\n", 12)) {
        return false;
    }
    // The header box, whose first box holds the height and the width.
    out->format = PictureFormat::kJpeg2000;
    Box header, image;
    if (FindBox(source, 12, UINT64_MAX, "jp2h", &header) && ReadBox(source, header.body, header.end, &image) &&
        IsType(image.type, "ihdr")) {
        const uint8_t* sides = image.end - image.body >= 8 ? source.View(image.body, 8) : nullptr;
        if (sides != nullptr) {
            SetSize(out, Be32(sides + 4), Be32(sides));
        }
    }
    return true;
}

// A TIFF-like directory with tags of its own for the sides.
bool ReadJpegXrHeader(ByteSource& source, PictureHeader* out) {
    const uint8_t* start = source.View(0, 8);
    if (start == nullptr || std::memcmp(start, "II\xBC", 3) != 0 || start[3] > 1) {
        return false;
    }
    out->format = PictureFormat::kJpegXr;
    const uint64_t directory = Le32(start + 4);
    const uint8_t* count = source.View(directory, 2);
    uint64_t width = 0, height = 0;
    for (uint32_t i = 0; count != nullptr && i < Le16(count) && i < 256; ++i) {
        const uint8_t* entry = source.View(directory + 2 + 12ull * i, 12);
        if (entry == nullptr) {
            return true;
        }
        const uint16_t type = Le16(entry + 2);
        const uint32_t value = type == 3 ? Le16(entry + 8) : type == 4 ? Le32(entry + 8) : 0;
        if (Le16(entry) == 0xBC80 && Le32(entry + 4) == 1) {
            width = value;
        } else if (Le16(entry) == 0xBC81 && Le32(entry + 4) == 1) {
            height = value;
        }
        count = source.View(directory, 2);  // the entry's view may have replaced it
    }
    SetSize(out, width, height);
    return true;
}

bool ReadPhotoshopHeader(ByteSource& source, PictureHeader* out) {
    if (!HasAt(source, 0, "8BPS", 4)) {
        return false;
    }
    out->format = PictureFormat::kPhotoshop;
    const uint8_t* header = source.View(0, 26);
    if (header != nullptr && (Be16(header + 4) == 1 || Be16(header + 4) == 2)) {
        SetSize(out, Be32(header + 18), Be32(header + 14));
    }
    return true;
}

// Camera raw files with signatures of their own (ORF, RW2, RAF, CRW, X3F, MRW); their
// sizes are not read.
bool IsOtherCameraRaw(ByteSource& source) {
    return HasAt(source, 0, "IIRO", 4) || HasAt(source, 0, "IIRS", 4) || HasAt(source, 0, "MMOR", 4) ||
           HasAt(source, 0, "IIU\0", 4) || HasAt(source, 0, "FUJIFILMCCD-RAW ", 16) ||
           HasAt(source, 0, "II\x1A\0\0\0HEAPCCDR", 14) || HasAt(source, 0, "FOVb", 4) || HasAt(source, 0, "\0MRM", 4);
}

}  // namespace

bool ReadOtherFormatHeader(ByteSource& source, PictureHeader* out) {
    out->builtIn = false;
    if (ReadWebpHeader(source, out) || ReadIsoMediaHeader(source, out) || ReadJpegXlHeader(source, out) ||
        ReadJpeg2000Header(source, out) || ReadJpegXrHeader(source, out) || ReadPhotoshopHeader(source, out)) {
        return true;
    }
    if (IsOtherCameraRaw(source)) {
        out->format = PictureFormat::kCameraRaw;
        return true;
    }
    return false;
}

}  // namespace ixwic
