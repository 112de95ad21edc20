#include "wallpaper/WallpaperLayout.h"

#include <algorithm>
#include <cstring>

#include "image/BmpLayout.h"

namespace wallpaper {
namespace {

constexpr uint64_t kMaxFileBytes = UINT32_MAX;  // bfSize is 32 bits
constexpr int64_t kMaxSide = INT32_MAX;         // biWidth and biHeight are signed 32 bits
constexpr uint32_t kMaskBytes = 12;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

bool ComputeCanvas(int64_t screenWidth, int64_t screenHeight, int64_t width, int64_t height, Canvas* out) {
    if (screenWidth <= 0 || screenHeight <= 0 || width <= 0 || height <= 0 || screenWidth > kMaxSide ||
        screenHeight > kMaxSide || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    // Every product below stays under 2^63: the factors are below 2^31 and 10000.
    Canvas c;
    if (10000 * width / height > 10000 * screenWidth / screenHeight) {
        c.width = width;
        c.height = width * screenHeight / screenWidth;
    } else {
        c.height = height;
        c.width = height * screenWidth / screenHeight;
    }
    // Ratios that agree in four digits can still make the truncated side one pixel short.
    c.width = std::max(c.width, width);
    c.height = std::max(c.height, height);
    *out = c;
    return true;
}

bool PlanWallpaper(std::span<const uint8_t> info,
                   size_t bitsSize,
                   long width,
                   long height,
                   int64_t screenWidth,
                   int64_t screenHeight,
                   Layout* out) {
    Layout l;
    if (!CheckPluginDib(info.data(), info.size(), bitsSize, width, height, &l.source) || l.source.topDown ||
        !ComputeCanvas(screenWidth, screenHeight, l.source.width, l.source.height, &l.canvas) ||
        l.canvas.width > kMaxSide || l.canvas.height > kMaxSide) {
        return false;
    }
    const uint64_t b = static_cast<uint64_t>(l.source.bitCount);
    if (b <= 8) {
        l.tableBytes = 4u << b;
    } else if (l.source.compression == bmp::kBiBitFields) {
        l.tableBytes = kMaskBytes;
    }
    l.rowBytes = bmp::RowBytes(static_cast<uint64_t>(l.canvas.width), b);
    l.pixelOffset = kHeadersBytes + l.tableBytes;
    // Checked by division: R * H may not fit in 64 bits.
    if (l.rowBytes > (kMaxFileBytes - l.pixelOffset) / static_cast<uint64_t>(l.canvas.height)) {
        return false;
    }
    l.imageBytes = l.rowBytes * static_cast<uint64_t>(l.canvas.height);
    l.fileBytes = l.pixelOffset + l.imageBytes;
    l.offsetX = (l.canvas.width - l.source.width) / 2;
    l.offsetY = (l.canvas.height - l.source.height) / 2;
    l.leftBytes = static_cast<uint64_t>(l.offsetX) * b / 8;
    const uint64_t picture = (static_cast<uint64_t>(l.source.width) * b + 7) / 8;
    l.pixelBytes = std::min(picture, l.rowBytes - std::min(l.leftBytes, l.rowBytes));
    *out = l;
    return true;
}

std::vector<uint8_t> MakeHeaders(const Layout& l, std::span<const uint8_t> info) {
    std::vector<uint8_t> out(static_cast<size_t>(l.pixelOffset), 0);
    const bmp::InfoHeader src = bmp::ReadInfoHeader(info);
    const bool indexed = l.source.bitCount <= 8;
    uint8_t* p = out.data();
    Put16(p, bmp::kMagic);
    Put32(p + 2, static_cast<uint32_t>(l.fileBytes));
    Put16(p + 6, kWallpaperMark1);
    Put16(p + 8, kWallpaperMark2);
    Put32(p + 10, static_cast<uint32_t>(l.pixelOffset));
    p += kFileHeaderBytes;
    Put32(p, kInfoHeaderBytes);
    Put32(p + 4, static_cast<uint32_t>(l.canvas.width));
    Put32(p + 8, static_cast<uint32_t>(l.canvas.height));
    Put16(p + 12, 1);
    Put16(p + 14, static_cast<uint32_t>(l.source.bitCount));
    Put32(p + 16, l.source.compression);
    Put32(p + 20, static_cast<uint32_t>(l.imageBytes));
    Put32(p + 24, static_cast<uint32_t>(src.xPelsPerMeter));
    Put32(p + 28, static_cast<uint32_t>(src.yPelsPerMeter));
    const uint32_t entries = l.tableBytes / 4;
    Put32(p + 32, indexed ? src.clrUsed : 0);
    Put32(p + 36, indexed && src.clrImportant <= entries ? src.clrImportant : 0);
    p += kInfoHeaderBytes;

    // What the checked block holds after its header, as GDI reads it: the masks or the
    // colour table. A table shorter than 2^b entries is padded with zero entries.
    const size_t from = l.source.headerBytes;
    const size_t copied =
        std::min<size_t>({l.source.colorTableBytes, l.tableBytes, info.size() - std::min(from, info.size())});
    if (copied > 0) {
        std::memcpy(p, info.data() + from, copied);
    }
    return out;
}

bool IsWallpaperFile(std::span<const uint8_t> start) {
    if (start.size() < kFileHeaderBytes) {
        return false;
    }
    const bmp::FileHeader header = bmp::ReadFileHeader(start);
    return header.type == bmp::kMagic && header.reserved1 == kWallpaperMark1 && header.reserved2 == kWallpaperMark2;
}

void FillRow(const Layout& l, std::span<const uint8_t> bits, uint64_t fileRow, std::span<uint8_t> out) {
    if (out.size() < l.rowBytes) {
        return;
    }
    uint8_t* dst = out.data();
    const int64_t row = static_cast<int64_t>(fileRow) - l.offsetY;
    const uint64_t start = static_cast<uint64_t>(std::max<int64_t>(row, 0)) * l.source.rowBytes;
    if (row < 0 || row >= l.source.height || l.pixelBytes == 0 || start + l.pixelBytes > bits.size()) {
        std::memset(dst, 0, static_cast<size_t>(l.rowBytes));
        return;
    }
    // Each byte is written once: the margins are the only bytes cleared.
    const size_t left = static_cast<size_t>(l.leftBytes);
    const size_t pixels = static_cast<size_t>(l.pixelBytes);
    std::memset(dst, 0, left);
    std::memcpy(dst + left, bits.data() + start, pixels);
    std::memset(dst + left + pixels, 0, static_cast<size_t>(l.rowBytes) - left - pixels);
    // A row that ends inside a byte: the bits after its last pixel are padding, made zero.
    const uint64_t rowBits = static_cast<uint64_t>(l.source.width) * static_cast<uint64_t>(l.source.bitCount);
    if (rowBits % 8 != 0 && l.pixelBytes == (rowBits + 7) / 8) {
        dst[left + pixels - 1] &= static_cast<uint8_t>(0xFF << (8 - rowBits % 8));
    }
}

}  // namespace wallpaper
