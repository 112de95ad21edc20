#include "image/DibCheck.h"

#include "image/BmpLayout.h"

namespace {

constexpr uint32_t kMaxColorEntries = 256;

// Bytes that follow the header and that GDI may read: the masks and the colour table.
// False when biClrUsed names more entries than the bit count allows.
bool ColorTableBytes(const bmp::InfoHeader& h, uint64_t* bytes) {
    uint64_t entries = h.clrUsed;
    if (h.bitCount <= 8) {
        const uint32_t maxColors = 1u << h.bitCount;
        if (h.clrUsed > maxColors) {
            return false;
        }
        if (entries == 0) {
            entries = maxColors;
        }
    } else if (entries > kMaxColorEntries) {
        return false;  // an optional table above 8 bits never has more than 256 entries
    }
    const uint64_t masks = h.compression == bmp::kBiBitFields ? 12 : 0;
    *bytes = masks + entries * 4;
    return true;
}

}  // namespace

bool CheckPluginDib(const uint8_t* info, size_t infoSize, size_t bitsSize, long expectedWidth, long expectedHeight,
                    DibDescription* out) {
    if (out != nullptr) {
        *out = DibDescription{};
    }
    if (info == nullptr || out == nullptr || infoSize < bmp::kInfoHeaderBytes) {
        return false;
    }
    const bmp::InfoHeader h = bmp::ReadInfoHeader({info, infoSize});
    if (h.size < bmp::kInfoHeaderBytes || h.size > infoSize || !bmp::IsValidBitCount(h.bitCount)) {
        return false;
    }
    if (h.compression != bmp::kBiRgb &&
        !(h.compression == bmp::kBiBitFields && (h.bitCount == 16 || h.bitCount == 32))) {
        return false;
    }
    const int64_t height = h.height < 0 ? -int64_t{h.height} : int64_t{h.height};
    if (h.width <= 0 || height == 0 || height > INT32_MAX || int64_t{h.width} != int64_t{expectedWidth} ||
        height != int64_t{expectedHeight}) {
        return false;
    }
    uint64_t tableBytes = 0;
    if (!ColorTableBytes(h, &tableBytes) || tableBytes > infoSize - h.size) {
        return false;
    }
    const uint64_t rowBytes = bmp::RowBytes(static_cast<uint64_t>(h.width), h.bitCount);
    // Checked by division: rowBytes * height may not fit in 64 bits for a lying header.
    if (rowBytes > bitsSize / static_cast<uint64_t>(height)) {
        return false;
    }
    out->width = h.width;
    out->height = static_cast<int>(height);
    out->topDown = h.height < 0;
    out->bitCount = h.bitCount;
    out->compression = h.compression;
    out->headerBytes = h.size;
    out->colorTableBytes = static_cast<size_t>(tableBytes);
    out->rowBytes = static_cast<size_t>(rowBytes);
    out->imageBytes = static_cast<size_t>(rowBytes * static_cast<uint64_t>(height));
    return true;
}

namespace {

// Whether some alpha byte is not 0 and some (maybe another) is not 255.
bool HasPartialAlpha(const uint8_t* rows, const DibDescription& dib) {
    bool notZero = false;
    bool notOpaque = false;
    for (int y = 0; y < dib.height; ++y) {
        const uint8_t* alpha = rows + static_cast<size_t>(y) * dib.rowBytes + 3;
        for (int x = 0; x < dib.width; ++x, alpha += 4) {
            notZero = notZero || *alpha != 0;
            notOpaque = notOpaque || *alpha != 255;
        }
        if (notZero && notOpaque) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool CompositeAlphaOnBlack(uint8_t* rows, const DibDescription& dib) {
    if (rows == nullptr || dib.bitCount != 32 || dib.compression != bmp::kBiRgb || !HasPartialAlpha(rows, dib)) {
        return false;
    }
    for (int y = 0; y < dib.height; ++y) {
        uint8_t* pixel = rows + static_cast<size_t>(y) * dib.rowBytes;
        for (int x = 0; x < dib.width; ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            for (int c = 0; c < 3; ++c) {
                pixel[c] = static_cast<uint8_t>((pixel[c] * alpha + 127) / 255);
            }
            pixel[3] = 255;
        }
    }
    return true;
}
