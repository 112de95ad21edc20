#include "tests/data/BmpFiles.h"

#include <bit>

namespace testdata {

namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

size_t RowSize(int width, int bitCount) {
    return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
}

// Places an 8-bit channel value into the bits of `mask`, keeping its most significant bits.
uint32_t PackChannel(int value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const uint32_t v = bits >= 8 ? static_cast<uint32_t>(value) << (bits - 8) : static_cast<uint32_t>(value) >> (8 - bits);
    return (v << shift) & mask;
}

void Masks(const BmpOptions& o, uint32_t out[3]) {
    if (o.masks[0] | o.masks[1] | o.masks[2]) {
        out[0] = o.masks[0], out[1] = o.masks[1], out[2] = o.masks[2];
    } else if (o.bitCount == 16) {
        out[0] = 0x7C00, out[1] = 0x03E0, out[2] = 0x001F;
    } else {
        out[0] = 0xFF0000, out[1] = 0x00FF00, out[2] = 0x0000FF;
    }
}

// One stored row of picture row y, uncompressed.
std::string PackRow(const BmpOptions& o, const PixelFn& pixel, int y) {
    std::string row(RowSize(o.width, o.bitCount), '\0');
    uint32_t masks[3];
    Masks(o, masks);
    for (int x = 0; x < o.width; ++x) {
        const uint32_t p = pixel(x, y);
        if (o.bitCount <= 8) {
            const int perByte = 8 / o.bitCount;
            const int shift = 8 - o.bitCount * (x % perByte + 1);
            const uint32_t field = (p & ((1u << o.bitCount) - 1)) << shift;
            row[x / perByte] = static_cast<char>(static_cast<uint8_t>(row[x / perByte]) | field);
        } else if (o.bitCount == 24) {
            row[3 * x] = static_cast<char>(BlueOf(p));
            row[3 * x + 1] = static_cast<char>(GreenOf(p));
            row[3 * x + 2] = static_cast<char>(RedOf(p));
        } else {
            const uint32_t v = PackChannel(RedOf(p), masks[0]) | PackChannel(GreenOf(p), masks[1]) |
                               PackChannel(BlueOf(p), masks[2]) | PackChannel(0xFF, o.alphaMask);
            const size_t bytes = o.bitCount / 8;
            for (size_t i = 0; i < bytes; ++i) {
                row[bytes * x + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
            }
        }
    }
    return row;
}

// Palette indices of every row, bottom row first.
std::vector<std::vector<uint8_t>> IndexRows(const BmpOptions& o, const PixelFn& index) {
    std::vector<std::vector<uint8_t>> rows;
    for (int y = o.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < o.width; ++x) {
            row.push_back(static_cast<uint8_t>(index(x, y)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string PixelData(const BmpOptions& o, const PixelFn& pixel) {
    if (o.compression == 1) {
        return EncodeRle8(IndexRows(o, pixel));
    }
    if (o.compression == 2) {
        return EncodeRle4(IndexRows(o, pixel));
    }
    std::string data;
    for (int r = 0; r < o.height; ++r) {
        data += PackRow(o, pixel, o.topDown ? r : o.height - 1 - r);
    }
    return data;
}

std::string InfoHeader(const BmpOptions& o, uint32_t imageSize) {
    std::string h;
    Put32(h, o.headerSize);
    if (o.headerSize == 12) {
        Put16(h, static_cast<uint32_t>(o.width));
        Put16(h, static_cast<uint32_t>(o.height));
        Put16(h, 1);
        Put16(h, static_cast<uint32_t>(o.bitCount));
        return h;
    }
    Put32(h, static_cast<uint32_t>(o.width));
    Put32(h, static_cast<uint32_t>(o.topDown ? -o.height : o.height));
    Put16(h, 1);
    Put16(h, static_cast<uint32_t>(o.bitCount));
    Put32(h, o.compression);
    Put32(h, imageSize);
    Put32(h, 2835);  // 72 dots per inch
    Put32(h, 2835);
    Put32(h, o.clrUsed);
    Put32(h, 0);
    uint32_t masks[3];
    Masks(o, masks);
    const bool bitFields = o.compression == 3 || o.compression == 6;
    if (o.headerSize >= 52) {
        for (uint32_t m : masks) {
            Put32(h, bitFields ? m : 0);
        }
    }
    if (o.headerSize >= 56) {
        Put32(h, o.alphaMask);
    }
    if (o.headerSize >= 60) {
        Put32(h, 0x73524742);  // colour space "sRGB"
    }
    h.resize(o.headerSize, '\0');
    if (bitFields && o.headerSize == 40) {
        for (uint32_t m : masks) {
            Put32(h, m);
        }
    }
    if (o.compression == 6 && o.headerSize < 56) {
        Put32(h, o.alphaMask);
    }
    return h;
}

// Appends a run of literal pixels in absolute mode (at least three pixels).
void PutAbsolute(std::string& out, const std::vector<uint8_t>& row, size_t from, size_t count, bool four) {
    out.push_back('\0');
    out.push_back(static_cast<char>(count));
    const size_t start = out.size();
    for (size_t i = 0; i < count; ++i) {
        if (!four) {
            out.push_back(static_cast<char>(row[from + i]));
        } else if (i % 2 == 0) {
            out.push_back(static_cast<char>((row[from + i] & 0x0F) << 4));
        } else {
            out.back() = static_cast<char>(static_cast<uint8_t>(out.back()) | (row[from + i] & 0x0F));
        }
    }
    if ((out.size() - start) % 2 != 0) {
        out.push_back('\0');
    }
}

size_t RunLength(const std::vector<uint8_t>& row, size_t from) {
    size_t n = 1;
    while (from + n < row.size() && n < 255 && row[from + n] == row[from]) {
        ++n;
    }
    return n;
}

std::string EncodeRle(const std::vector<std::vector<uint8_t>>& rows, bool four) {
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::vector<uint8_t>& row = rows[r];
        size_t x = 0;
        while (x < row.size()) {
            const size_t run = RunLength(row, x);
            if (run >= 3) {
                const uint8_t v = four ? static_cast<uint8_t>((row[x] & 0x0F) * 0x11) : row[x];
                out.push_back(static_cast<char>(run));
                out.push_back(static_cast<char>(v));
                x += run;
                continue;
            }
            // Literal pixels up to the next run of three or more.
            size_t end = x;
            while (end < row.size() && end - x < 255 && RunLength(row, end) < 3) {
                ++end;
            }
            if (end - x >= 3) {
                PutAbsolute(out, row, x, end - x, four);
            } else {
                for (size_t i = x; i < end; ++i) {
                    out.push_back('\1');
                    out.push_back(static_cast<char>(four ? (row[i] & 0x0F) << 4 : row[i]));
                }
            }
            x = end;
        }
        if (r + 1 < rows.size()) {
            out += std::string("\0\0", 2);
        }
    }
    out += std::string("\0\1", 2);
    return out;
}

}  // namespace

std::string MakeBmp(const BmpOptions& o, const PixelFn& pixel) {
    const std::string pixels = PixelData(o, pixel);
    const bool compressed = o.compression == 1 || o.compression == 2;
    const std::string info = InfoHeader(o, compressed ? static_cast<uint32_t>(pixels.size()) : 0);
    std::string table;
    size_t entries = o.palette.size();
    if (o.bitCount <= 8) {
        entries = o.clrUsed != 0 ? o.clrUsed : (size_t{1} << o.bitCount);
    }
    for (size_t i = 0; i < entries; ++i) {
        const uint32_t entry = i < o.palette.size() ? o.palette[i] : 0;
        if (o.headerSize == 12) {
            Put16(table, entry & 0xFFFF);
            table.push_back(static_cast<char>((entry >> 16) & 0xFF));
        } else {
            Put32(table, entry);
        }
    }
    const size_t rowsAt = 14 + info.size() + table.size() + o.gapBeforeRows;
    std::string file;
    Put16(file, 0x4D42);
    Put32(file, static_cast<uint32_t>(rowsAt + pixels.size()));
    Put32(file, 0);
    Put32(file, o.offBits.value_or(static_cast<uint32_t>(rowsAt)));
    file += info;
    file += table;
    file.append(o.gapBeforeRows, '\xEE');
    file += pixels;
    return file;
}

std::string MakeBmp24(int width, int height, const PixelFn& color) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    return MakeBmp(o, color);
}

std::string MakeBmp32(int width, int height, const PixelFn& color) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    o.bitCount = 32;
    return MakeBmp(o, color);
}

std::string MakeBmp565(int width, int height, const PixelFn& color) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    o.bitCount = 16;
    o.compression = 3;
    o.masks[0] = 0xF800;
    o.masks[1] = 0x07E0;
    o.masks[2] = 0x001F;
    return MakeBmp(o, color);
}

std::string MakeBmpIndexed(int bitCount, int width, int height, const std::vector<uint32_t>& palette,
                           const PixelFn& index) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    o.bitCount = bitCount;
    o.palette = palette;
    return MakeBmp(o, index);
}

std::string MakeBmpRle8(int width, int height, const std::vector<uint32_t>& palette, const PixelFn& index) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    o.bitCount = 8;
    o.compression = 1;
    o.palette = palette;
    return MakeBmp(o, index);
}

std::string MakeBmpRle4(int width, int height, const std::vector<uint32_t>& palette, const PixelFn& index) {
    BmpOptions o;
    o.width = width;
    o.height = height;
    o.bitCount = 4;
    o.compression = 2;
    o.palette = palette;
    return MakeBmp(o, index);
}

std::string EncodeRle8(const std::vector<std::vector<uint8_t>>& rows) {
    return EncodeRle(rows, false);
}

std::string EncodeRle4(const std::vector<std::vector<uint8_t>>& rows) {
    return EncodeRle(rows, true);
}

void Poke16(std::string& file, size_t offset, uint16_t value) {
    if (offset + 2 <= file.size()) {
        file[offset] = static_cast<char>(value & 0xFF);
        file[offset + 1] = static_cast<char>(value >> 8);
    }
}

void Poke32(std::string& file, size_t offset, uint32_t value) {
    Poke16(file, offset, static_cast<uint16_t>(value & 0xFFFF));
    Poke16(file, offset + 2, static_cast<uint16_t>(value >> 16));
}

uint32_t Peek32(const std::string& file, size_t offset) {
    if (offset + 4 > file.size()) {
        return 0;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(file[offset + i])) << (8 * i);
    }
    return v;
}

std::vector<uint32_t> MakePalette(int count) {
    std::vector<uint32_t> palette;
    for (int i = 0; i < count; ++i) {
        // Spread the entries over the colour cube so that neighbours differ in every channel.
        palette.push_back(Rgb((i * 97 + 31) & 0xFF, (i * 53 + 200) & 0xFF, (i * 151 + 7) & 0xFF));
    }
    return palette;
}

}  // namespace testdata
