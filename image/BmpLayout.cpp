#include "image/BmpLayout.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace bmp {

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

FileHeader ReadFileHeader(std::span<const uint8_t> bytes) {
    FileHeader h;
    if (bytes.size() < kFileHeaderBytes) {
        return h;
    }
    const uint8_t* p = bytes.data();
    h.type = ReadU16(p);
    h.size = ReadU32(p + 2);
    h.reserved1 = ReadU16(p + 6);
    h.reserved2 = ReadU16(p + 8);
    h.offBits = ReadU32(p + 10);
    return h;
}

InfoHeader ReadInfoHeader(std::span<const uint8_t> bytes) {
    InfoHeader h;
    if (bytes.size() < kInfoHeaderBytes) {
        return h;
    }
    const uint8_t* p = bytes.data();
    h.size = ReadU32(p);
    h.width = static_cast<int32_t>(ReadU32(p + 4));
    h.height = static_cast<int32_t>(ReadU32(p + 8));
    h.planes = ReadU16(p + 12);
    h.bitCount = ReadU16(p + 14);
    h.compression = ReadU32(p + 16);
    h.sizeImage = ReadU32(p + 20);
    h.xPelsPerMeter = static_cast<int32_t>(ReadU32(p + 24));
    h.yPelsPerMeter = static_cast<int32_t>(ReadU32(p + 28));
    h.clrUsed = ReadU32(p + 32);
    h.clrImportant = ReadU32(p + 36);
    return h;
}

namespace {

constexpr size_t kMasksOffset = kFileHeaderBytes + kInfoHeaderBytes;

// The information header in the 40-byte form. A core header's 16-bit fields are widened;
// an OS/2 2.x header shorter than 40 bytes has its missing fields zero.
Status DecodeInfoHeader(std::span<const uint8_t> bytes, InfoHeader* out) {
    if (bytes.size() < 4) {
        return Status::kTooShort;
    }
    const uint32_t size = ReadU32(bytes.data());
    if (size < kCoreHeaderBytes || (size > kCoreHeaderBytes && size < kMinOs2HeaderBytes)) {
        return Status::kBadHeaderSize;
    }
    if (bytes.size() < std::min<uint64_t>(size, kInfoHeaderBytes)) {
        return Status::kTooShort;
    }
    if (size == kCoreHeaderBytes) {
        *out = InfoHeader{};
        out->size = size;
        out->width = ReadU16(bytes.data() + 4);
        out->height = ReadU16(bytes.data() + 6);
        out->planes = ReadU16(bytes.data() + 8);
        out->bitCount = ReadU16(bytes.data() + 10);
        return Status::kOk;
    }
    uint8_t full[kInfoHeaderBytes] = {};
    std::memcpy(full, bytes.data(), std::min<size_t>(size, kInfoHeaderBytes));
    *out = ReadInfoHeader(full);
    return Status::kOk;
}

// Bit count and compression. Valid forms this reader does not decode are kUnsupported.
Status CheckForm(const InfoHeader& h) {
    if (h.compression == kBiJpeg || h.compression == kBiPng || h.bitCount == 64 ||
        (h.compression == kBiBitFields && h.bitCount == 1)) {
        return Status::kUnsupported;
    }
    if (h.bitCount != 2 && !IsValidBitCount(h.bitCount)) {
        return Status::kBadBitCount;
    }
    bool valid = false;
    switch (h.compression) {
        case kBiRgb:
            valid = true;
            break;
        case kBiRle8:
            valid = h.bitCount == 8 && h.height > 0;  // RLE rows are always stored bottom-up
            break;
        case kBiRle4:
            valid = h.bitCount == 4 && h.height > 0;
            break;
        case kBiBitFields:
        case kBiAlphaBitFields:
            valid = h.bitCount == 16 || h.bitCount == 32;
            break;
    }
    return valid ? Status::kOk : Status::kBadCompression;
}

bool IsBitFields(const InfoHeader& h) {
    return h.compression == kBiBitFields || h.compression == kBiAlphaBitFields;
}

// Bytes of masks between the header and the colour table: the masks a header ends before.
uint64_t MasksAfterHeader(const InfoHeader& h) {
    if (!IsBitFields(h)) {
        return 0;
    }
    uint64_t bytes = h.size < kMasksInHeaderSize ? 12 : 0;
    if (h.compression == kBiAlphaBitFields && h.size < kAlphaMaskInHeaderSize) {
        bytes += 4;
    }
    return bytes;
}

// A mask must be one contiguous run of set bits within the pixel's `bitCount` bits.
bool MakeChannel(uint32_t mask, int bitCount, Channel* out) {
    if (mask == 0 || (bitCount < 32 && (mask >> bitCount) != 0)) {
        return false;
    }
    const int shift = std::countr_zero(mask);
    const uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) {
        return false;
    }
    *out = Channel{mask, shift, std::popcount(run)};
    return true;
}

// Masks of the file for the bit-field kind: given in the file for the bit-field
// compressions (the red, green and blue ones at the same offset whether they follow a
// 40-byte header or lie inside a longer one), else 5-5-5 for 16 bits. An alpha mask is
// not needed: the picture is shown opaque.
Status ReadMasks(std::span<const uint8_t> prefix, const InfoHeader& h, Layout* out) {
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (IsBitFields(h)) {
        if (h.size != kInfoHeaderBytes && h.size < kMasksInHeaderSize) {
            return Status::kBadMasks;  // the header ends inside where its masks would be
        }
        if (prefix.size() < kMasksOffset + 12) {
            return Status::kTooShort;
        }
        for (int i = 0; i < 3; ++i) {
            masks[i] = ReadU32(prefix.data() + kMasksOffset + 4 * i);
        }
    }
    if (!MakeChannel(masks[0], h.bitCount, &out->red) || !MakeChannel(masks[1], h.bitCount, &out->green) ||
        !MakeChannel(masks[2], h.bitCount, &out->blue)) {
        return Status::kBadMasks;
    }
    return Status::kOk;
}

// The form of the rows handed to GDI and the memory the held picture takes.
Status SizeRows(const InfoHeader& h, int deviceBitCount, Layout* out) {
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) {
        return Status::kBadSize;
    }
    out->width = h.width;
    out->height = h.height < 0 ? -h.height : h.height;
    out->topDown = h.height < 0;
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        out->kind = PixelKind::kRle;
    } else if (h.bitCount == 2) {
        out->kind = PixelKind::kTwoBit;
    } else if (h.bitCount == 16 || IsBitFields(h)) {
        out->kind = PixelKind::kBitFields;
    }
    out->dibBitCount = out->kind == PixelKind::kBitFields ? 32 : out->kind == PixelKind::kTwoBit ? 4 : h.bitCount;
    const uint64_t width = static_cast<uint64_t>(out->width);
    const uint64_t height = static_cast<uint64_t>(out->height);
    out->rowBytes = RowBytes(width, h.bitCount);
    out->dibRowBytes = RowBytes(width, out->dibBitCount);
    // The device bitmap has the device's depth whatever the file's, with rows of whole 16-bit words.
    const uint64_t deviceBits = deviceBitCount >= 1 && deviceBitCount <= 32 ? deviceBitCount : 32;
    const uint64_t deviceRowBytes = (width * deviceBits + 15) / 16 * 2;
    // Checked by division first: the products of a lying header may not fit in 64 bits.
    if (out->dibRowBytes > kMaxHeldBytes / height || deviceRowBytes > kMaxHeldBytes / height ||
        (out->dibRowBytes + deviceRowBytes) * height > kMaxHeldBytes) {
        return Status::kTooLarge;
    }
    out->dibBytes = out->dibRowBytes * height;
    out->heldBytes = (out->dibRowBytes + deviceRowBytes) * height;
    return Status::kOk;
}

// Where the colour table ends and the rows start. The table has 2 to the bit count
// entries unless biClrUsed names fewer. When its length is only implied (a core header,
// biClrUsed 0) or named beyond what the pixels can index, a bfOffBits inside it cuts it
// short; otherwise bfOffBits is trusted only where it can be right, and the rows follow
// the table as named.
Status PlaceTableAndRows(const FileHeader& fh, const InfoHeader& h, uint64_t fileSize, Layout* out) {
    const uint64_t tableStart = out->colorTableOffset;
    const uint64_t offBits = fh.offBits;
    const bool offBitsInFile = offBits < fileSize;
    if (h.bitCount > 8) {
        // A palette hint may lie between the header and the rows: only bfOffBits can skip it.
        if (tableStart > fileSize) {
            return Status::kTooShort;
        }
        out->pixelOffset = offBits >= tableStart && offBitsInFile ? offBits : tableStart;
        return Status::kOk;
    }
    const uint64_t entry = out->colorEntryBytes;
    const uint64_t maxColors = uint64_t{1} << h.bitCount;
    const bool named = h.size != kCoreHeaderBytes && h.clrUsed != 0;
    const uint64_t declared = named ? h.clrUsed : maxColors;
    const uint64_t count = std::min(declared, maxColors);
    const uint64_t tableEnd = tableStart + count * entry;
    if ((!named || declared > maxColors) && offBitsInFile && offBits >= tableStart + entry && offBits < tableEnd) {
        out->colorCount = static_cast<uint32_t>((offBits - tableStart) / entry);
        out->pixelOffset = offBits;
        return Status::kOk;
    }
    if (tableEnd > fileSize) {
        return Status::kTooShort;
    }
    out->colorCount = static_cast<uint32_t>(count);
    // Entries beyond those the pixels can index are skipped when the file holds them.
    const uint64_t declaredEnd = tableStart + declared * entry;
    const uint64_t rowsAfter = declaredEnd <= fileSize ? declaredEnd : tableEnd;
    out->pixelOffset = offBits >= tableEnd && offBitsInFile ? offBits : rowsAfter;
    return Status::kOk;
}

}  // namespace

Status ComputeLayout(std::span<const uint8_t> prefix, uint64_t fileSize, int deviceBitCount, Layout* out) {
    *out = Layout{};
    if (prefix.size() < kFileHeaderBytes || fileSize < prefix.size()) {
        return Status::kTooShort;
    }
    const FileHeader fh = ReadFileHeader(prefix);
    if (fh.type != kMagic) {
        return Status::kBadMagic;
    }
    InfoHeader h;
    if (const Status s = DecodeInfoHeader(prefix.subspan(kFileHeaderBytes), &h); s != Status::kOk) {
        return s;
    }
    if (h.planes != 1) {
        return Status::kBadPlanes;
    }
    if (const Status s = CheckForm(h); s != Status::kOk) {
        return s;
    }
    if (const Status s = SizeRows(h, deviceBitCount, out); s != Status::kOk) {
        return s;
    }
    if (out->kind == PixelKind::kBitFields) {
        if (const Status s = ReadMasks(prefix, h, out); s != Status::kOk) {
            return s;
        }
    }
    out->header = h;
    out->bitCount = h.bitCount;
    out->compression = h.compression;
    out->headerBytes = h.size;
    out->colorEntryBytes = h.size == kCoreHeaderBytes ? 3 : 4;
    out->colorTableOffset = kFileHeaderBytes + uint64_t{h.size} + MasksAfterHeader(h);
    if (const Status s = PlaceTableAndRows(fh, h, fileSize, out); s != Status::kOk) {
        return s;
    }
    const uint64_t available = fileSize - out->pixelOffset;
    // An RLE stream has no length of its own beyond the file; it is read up to the memory limit.
    out->storedBytes = std::min(
        available, out->kind == PixelKind::kRle ? kMaxHeldBytes : out->rowBytes * static_cast<uint64_t>(out->height));
    return Status::kOk;
}

DecodeFailure FailureOf(Status status) {
    switch (status) {
        case Status::kBadMagic:
            return DecodeFailure::kNotAPicture;
        case Status::kTooLarge:
            return DecodeFailure::kTooLarge;
        case Status::kUnsupported:
            return DecodeFailure::kUnsupported;
        case Status::kTooShort:
        case Status::kBadHeaderSize:
        case Status::kBadPlanes:
        case Status::kBadBitCount:
        case Status::kBadCompression:
        case Status::kBadSize:
        case Status::kBadMasks:
            return DecodeFailure::kBroken;
        case Status::kOk:
            break;
    }
    return DecodeFailure::kUnnamed;  // no refusal: callers never ask
}

std::optional<PictureSize> HeaderSize(std::span<const uint8_t> prefix) {
    InfoHeader h;
    if (prefix.size() < kFileHeaderBytes || ReadFileHeader(prefix).type != kMagic ||
        DecodeInfoHeader(prefix.subspan(kFileHeaderBytes), &h) != Status::kOk) {
        return std::nullopt;
    }
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) {
        return std::nullopt;
    }
    return PictureSize{h.width, h.height < 0 ? -h.height : h.height};
}

bool WidenColorTable(std::span<uint8_t> table, uint32_t count) {
    if (table.size() / 4 < count) {
        return false;
    }
    // From the last entry down: entry i moves from 3i to 4i, never over an entry not yet moved.
    for (uint32_t i = count; i-- > 0;) {
        const uint8_t blue = table[3 * i];
        const uint8_t green = table[3 * i + 1];
        const uint8_t red = table[3 * i + 2];
        table[4 * i] = blue;
        table[4 * i + 1] = green;
        table[4 * i + 2] = red;
        table[4 * i + 3] = 0;
    }
    return true;
}

void FlipRows(std::span<uint8_t> rows, size_t rowBytes) {
    if (rowBytes == 0) {
        return;
    }
    size_t top = 0;
    size_t bottom = rows.size() / rowBytes;
    while (bottom > top + 1) {
        --bottom;
        std::swap_ranges(rows.begin() + top * rowBytes, rows.begin() + (top + 1) * rowBytes,
                         rows.begin() + bottom * rowBytes);
        ++top;
    }
}

namespace {

// Scales a channel value of `bits` bits to 0..255, rounding to nearest (for channels
// wider than 8 bits as well as narrower ones). At most 32 * 255 fits in 64 bits.
uint32_t Scale(uint32_t pixel, const Channel& c) {
    if (c.bits <= 0) {
        return 0;
    }
    const uint64_t value = (pixel & c.mask) >> c.shift;
    if (c.bits == 8) {
        return static_cast<uint32_t>(value);
    }
    const uint64_t max = (uint64_t{1} << c.bits) - 1;
    return static_cast<uint32_t>((value * 255 + max / 2) / max);
}

}  // namespace

bool ConvertBitFields(std::span<const uint8_t> stored, const Layout& layout, std::span<uint8_t> dib) {
    if (layout.kind != PixelKind::kBitFields || (layout.bitCount != 16 && layout.bitCount != 32) ||
        layout.width <= 0 || layout.height <= 0 ||
        layout.dibRowBytes < uint64_t{4} * static_cast<uint64_t>(layout.width) ||
        layout.dibRowBytes > dib.size() / static_cast<uint64_t>(layout.height)) {
        return false;
    }
    const size_t bytesPerPixel = layout.bitCount / 8;
    const size_t width = static_cast<size_t>(layout.width);
    const size_t height = static_cast<size_t>(layout.height);
    for (size_t row = 0; row < height; ++row) {
        // Stored row `row` is the picture's row from the top for a top-down file, from the bottom otherwise.
        const size_t dibRow = layout.topDown ? height - 1 - row : row;
        uint8_t* out = dib.data() + dibRow * layout.dibRowBytes;
        const uint64_t rowStart = row * layout.rowBytes;
        for (size_t x = 0; x < width; ++x) {
            const uint64_t at = rowStart + x * bytesPerPixel;
            uint32_t pixel = 0;
            if (at + bytesPerPixel <= stored.size()) {
                pixel = bytesPerPixel == 2 ? ReadU16(stored.data() + at) : ReadU32(stored.data() + at);
            }
            const uint32_t rgb = (Scale(pixel, layout.red) << 16) | (Scale(pixel, layout.green) << 8) |
                                 Scale(pixel, layout.blue);
            out[4 * x] = static_cast<uint8_t>(rgb);
            out[4 * x + 1] = static_cast<uint8_t>(rgb >> 8);
            out[4 * x + 2] = static_cast<uint8_t>(rgb >> 16);
            out[4 * x + 3] = 0;
        }
    }
    return true;
}

namespace {

// The caller has checked that `dib` holds the layout's rows, of at least RowBytes(width, 4)
// bytes each: the two bytes made from each stored byte of a row stay inside its dib row.
void WidenTwoBit(std::span<const uint8_t> stored, const Layout& layout, std::span<uint8_t> dib) {
    const size_t width = static_cast<size_t>(layout.width);
    const size_t height = static_cast<size_t>(layout.height);
    for (size_t row = 0; row < height; ++row) {
        const size_t dibRow = layout.topDown ? height - 1 - row : row;
        uint8_t* out = dib.data() + dibRow * layout.dibRowBytes;
        const uint64_t rowStart = row * layout.rowBytes;
        if (rowStart >= stored.size()) {
            break;  // the rest of the file is missing: those rows stay zero
        }
        const size_t bytes = static_cast<size_t>(std::min<uint64_t>((width + 3) / 4, stored.size() - rowStart));
        const uint8_t* in = stored.data() + rowStart;
        // Four 2-bit indices, from the high bits down, become two bytes of two 4-bit indices.
        for (size_t i = 0; i < bytes; ++i) {
            const uint8_t b = in[i];
            out[2 * i] = static_cast<uint8_t>(((b >> 6) << 4) | ((b >> 4) & 3));
            out[2 * i + 1] = static_cast<uint8_t>((((b >> 2) & 3) << 4) | (b & 3));
        }
    }
}

}  // namespace

bool DecodeRows(std::span<const uint8_t> stored, const Layout& layout, std::span<uint8_t> dib) {
    if (layout.width <= 0 || layout.height <= 0 ||
        layout.dibRowBytes < RowBytes(static_cast<uint64_t>(layout.width), layout.dibBitCount) ||
        layout.dibRowBytes > dib.size() / static_cast<uint64_t>(layout.height)) {
        return false;
    }
    const uint64_t dibBytes = layout.dibRowBytes * static_cast<uint64_t>(layout.height);
    switch (layout.kind) {
        case PixelKind::kPlain: {
            if (layout.dibBitCount != layout.bitCount) {
                return false;
            }
            const size_t bytes = static_cast<size_t>(std::min<uint64_t>(stored.size(), dibBytes));
            std::copy_n(stored.begin(), bytes, dib.begin());
            if (layout.topDown) {
                FlipRows(dib.first(static_cast<size_t>(dibBytes)), static_cast<size_t>(layout.dibRowBytes));
            }
            return true;
        }
        case PixelKind::kTwoBit:
            if (layout.bitCount != 2 || layout.dibBitCount != 4) {
                return false;
            }
            WidenTwoBit(stored, layout, dib);
            return true;
        case PixelKind::kBitFields:
            return ConvertBitFields(stored, layout, dib);
        case PixelKind::kRle:
            return DecodeRle(stored, layout.bitCount, static_cast<uint32_t>(layout.width),
                             static_cast<uint32_t>(layout.height), static_cast<size_t>(layout.dibRowBytes), dib)
                .ok;
    }
    return false;
}

namespace {

// Writes pixels of one RLE row, dropping those beyond the width.
class RleWriter {
public:
    RleWriter(int bitCount, uint32_t width, uint32_t height, size_t rowBytes, std::span<uint8_t> dib)
        : m_four(bitCount == 4), m_width(width), m_height(height), m_rowBytes(rowBytes), m_dib(dib) {}

    bool Done() const { return m_y >= m_height; }
    void Put(uint8_t index) {
        if (m_x < m_width && m_y < m_height) {
            uint8_t& byte = m_dib[m_y * m_rowBytes + (m_four ? m_x / 2 : m_x)];
            if (!m_four) {
                byte = index;
            } else if (m_x % 2 == 0) {
                byte = static_cast<uint8_t>((byte & 0x0F) | (index << 4));
            } else {
                byte = static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
            }
        }
        ++m_x;
    }
    // Writes `count` pixels; for RLE4 they alternate between the high and low nibble of `value`.
    void Run(uint32_t count, uint8_t value) {
        const uint64_t visible = m_x < m_width ? std::min<uint64_t>(count, m_width - m_x) : 0;
        for (uint64_t i = 0; i < visible; ++i) {
            Put(m_four ? static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        }
        m_x += count - visible;
    }
    void NewLine() {
        m_x = 0;
        ++m_y;
    }
    void Move(uint32_t dx, uint32_t dy) {
        m_x += dx;
        m_y += dy;
    }

private:
    bool m_four;
    uint32_t m_width;
    uint32_t m_height;
    size_t m_rowBytes;
    std::span<uint8_t> m_dib;
    // Both stay far below overflow: every step adds at most 255 and consumes input bytes.
    uint64_t m_x = 0;
    uint64_t m_y = 0;
};

}  // namespace

RleResult DecodeRle(std::span<const uint8_t> stored, int bitCount, uint32_t width, uint32_t height,
                    size_t rowBytes, std::span<uint8_t> dib) {
    if ((bitCount != 4 && bitCount != 8) || rowBytes < RowBytes(width, static_cast<uint64_t>(bitCount)) ||
        (height != 0 && rowBytes > dib.size() / height)) {
        return {};
    }
    RleWriter out(bitCount, width, height, rowBytes, dib);
    size_t pos = 0;
    while (pos + 2 <= stored.size() && !out.Done()) {
        const uint8_t count = stored[pos];
        const uint8_t value = stored[pos + 1];
        pos += 2;
        if (count > 0) {
            out.Run(count, value);
        } else if (value == 0) {
            out.NewLine();
        } else if (value == 1) {
            return {true, true};
        } else if (value == 2) {
            if (pos + 2 > stored.size()) {
                break;
            }
            out.Move(stored[pos], stored[pos + 1]);
            pos += 2;
        } else {
            // Absolute mode: `value` pixels follow, padded to a 16-bit boundary.
            const size_t bytes = bitCount == 8 ? value : (value + 1u) / 2;
            const size_t available = std::min(bytes, stored.size() - pos);
            for (size_t i = 0; i < available; ++i) {
                const uint8_t b = stored[pos + i];
                if (bitCount == 8) {
                    out.Put(b);
                } else {
                    out.Put(static_cast<uint8_t>(b >> 4));
                    if (2 * i + 1 < value) {
                        out.Put(static_cast<uint8_t>(b & 0x0F));
                    }
                }
            }
            pos += bytes + (bytes % 2);
        }
    }
    return {true, false};
}

}  // namespace bmp
