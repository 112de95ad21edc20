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

bool IsValidCompression(const InfoHeader& h) {
    switch (h.compression) {
        case kBiRgb:
            return true;
        case kBiRle8:
            return h.bitCount == 8 && h.height > 0;  // RLE rows are always stored bottom-up
        case kBiRle4:
            return h.bitCount == 4 && h.height > 0;
        case kBiBitFields:
            return h.bitCount == 16 || h.bitCount == 32;
        default:
            return false;
    }
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

// Masks of the file for the bit-field kind: given in the file for BI_BITFIELDS, else
// 5-5-5 for 16 bits.
Status ReadMasks(std::span<const uint8_t> prefix, const InfoHeader& h, Layout* out) {
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.compression == kBiBitFields) {
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

Status CheckSizes(const InfoHeader& h, Layout* out) {
    if (h.width <= 0 || h.height == 0 || h.width > kMaxSide || h.height > kMaxSide || h.height < -kMaxSide) {
        return Status::kBadSize;
    }
    out->width = h.width;
    out->height = h.height < 0 ? -h.height : h.height;
    out->topDown = h.height < 0;
    out->rowBytes = RowBytes(static_cast<uint64_t>(h.width), h.bitCount);
    const uint64_t pixels = static_cast<uint64_t>(out->width) * static_cast<uint64_t>(out->height);
    // The device bitmap GDI makes holds up to 4 bytes a pixel, whatever the file's depth.
    if (out->rowBytes * static_cast<uint64_t>(out->height) > kMaxPixelBytes || pixels * 4 > kMaxPixelBytes) {
        return Status::kTooLarge;
    }
    return Status::kOk;
}

void SetPixelForm(const InfoHeader& h, uint64_t fileSize, Layout* out) {
    const uint64_t available = fileSize - out->pixelOffset;
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        out->kind = PixelKind::kRle;
        out->storedBytes = std::min(available, kMaxPixelBytes);
    } else {
        out->kind = (h.bitCount == 16 || h.compression == kBiBitFields) ? PixelKind::kBitFields : PixelKind::kPlain;
        out->storedBytes = std::min(available, out->rowBytes * static_cast<uint64_t>(out->height));
    }
    out->dibBitCount = out->kind == PixelKind::kBitFields ? 32 : h.bitCount;
    out->dibRowBytes = RowBytes(static_cast<uint64_t>(out->width), out->dibBitCount);
    out->dibBytes = out->dibRowBytes * static_cast<uint64_t>(out->height);
}

}  // namespace

Status ComputeLayout(std::span<const uint8_t> prefix, uint64_t fileSize, Layout* out) {
    *out = Layout{};
    if (prefix.size() < kFileHeaderBytes + kInfoHeaderBytes || fileSize < prefix.size()) {
        return Status::kTooShort;
    }
    const FileHeader fh = ReadFileHeader(prefix);
    const InfoHeader h = ReadInfoHeader(prefix.subspan(kFileHeaderBytes));
    if (fh.type != kMagic) {
        return Status::kBadMagic;
    }
    if (h.size < kInfoHeaderBytes) {
        return Status::kBadHeaderSize;
    }
    if (h.planes != 1) {
        return Status::kBadPlanes;
    }
    if (!IsValidBitCount(h.bitCount)) {
        return Status::kBadBitCount;
    }
    if (!IsValidCompression(h)) {
        return Status::kBadCompression;
    }
    if (const Status s = CheckSizes(h, out); s != Status::kOk) {
        return s;
    }
    if (h.bitCount <= 8) {
        const uint32_t maxColors = 1u << h.bitCount;
        if (h.clrUsed > maxColors) {
            return Status::kBadColorCount;
        }
        out->colorCount = h.clrUsed != 0 ? h.clrUsed : maxColors;
    }
    if (h.bitCount == 16 || h.compression == kBiBitFields) {
        if (const Status s = ReadMasks(prefix, h, out); s != Status::kOk) {
            return s;
        }
    }
    out->bitCount = h.bitCount;
    out->compression = h.compression;
    out->headerBytes = h.size;
    out->colorTableOffset = kFileHeaderBytes + uint64_t{h.size};
    // A 40-byte header is followed by its three masks; longer headers hold them inside.
    const uint64_t masksAfterHeader = (h.compression == kBiBitFields && h.size == kInfoHeaderBytes) ? 12 : 0;
    const uint64_t tableEnd = out->colorTableOffset + masksAfterHeader + uint64_t{out->colorCount} * 4;
    if (tableEnd > fileSize) {
        return Status::kTooShort;
    }
    // bfOffBits is trusted only where it can be right; otherwise the rows follow the table.
    out->pixelOffset = (fh.offBits >= tableEnd && fh.offBits < fileSize) ? fh.offBits : tableEnd;
    SetPixelForm(h, fileSize, out);
    return Status::kOk;
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

// Scales a channel value of `bits` bits to 0..255, rounding to nearest.
uint32_t Scale(uint32_t pixel, const Channel& c) {
    const uint64_t value = (pixel & c.mask) >> c.shift;
    if (c.bits <= 0) {
        return 0;
    }
    if (c.bits >= 8) {
        return static_cast<uint32_t>(value >> (c.bits - 8));
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
