// Validation of a plug-in's BITMAPINFO block and bits block before any row is read.
#include "image/DibCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"

namespace {

using testdata::BmpOptions;

// What a plug-in hands over: the BITMAPINFO block (header, masks, colour table) and the rows.
struct PluginDib {
    std::vector<uint8_t> info;
    size_t bitsSize = 0;
};

PluginDib FromFile(const BmpOptions& o) {
    const std::string file = testdata::MakeBmp(o, [](int x, int y) { return static_cast<uint32_t>(x + y); });
    const uint32_t offBits = testdata::Peek32(file, testdata::kOffOffBits);
    PluginDib dib;
    dib.info.assign(file.begin() + 14, file.begin() + offBits);
    dib.bitsSize = file.size() - offBits;
    return dib;
}

bool Check(const PluginDib& dib, long width, long height, DibDescription* out) {
    return CheckPluginDib(dib.info.data(), dib.info.size(), dib.bitsSize, width, height, out);
}

BmpOptions Options(int width, int height, int bits) {
    BmpOptions o;
    o.width = width, o.height = height, o.bitCount = bits;
    return o;
}

}  // namespace

TEST(DibCheck, DescribesWellFormedPictures) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const PluginDib dib = FromFile(Options(13, 7, bits));
        DibDescription d;
        ASSERT_TRUE(Check(dib, 13, 7, &d)) << bits;
        EXPECT_EQ(d.width, 13);
        EXPECT_EQ(d.height, 7);
        EXPECT_FALSE(d.topDown);
        EXPECT_EQ(d.bitCount, bits);
        EXPECT_EQ(d.compression, 0u);
        EXPECT_EQ(d.headerBytes, 40u);
        EXPECT_EQ(d.colorTableBytes, bits <= 8 ? (size_t{4} << bits) : 0u) << bits;
        EXPECT_EQ(d.rowBytes, (13u * bits + 31) / 32 * 4) << bits;
        EXPECT_EQ(d.imageBytes, d.rowBytes * 7) << bits;
        EXPECT_EQ(d.imageBytes, dib.bitsSize) << bits;
    }
}

TEST(DibCheck, TopDownAndBitFieldsAndLongHeaders) {
    BmpOptions o = Options(4, 3, 32);
    o.topDown = true;
    DibDescription d;
    ASSERT_TRUE(Check(FromFile(o), 4, 3, &d));
    EXPECT_TRUE(d.topDown);
    EXPECT_EQ(d.height, 3);

    o = Options(4, 3, 16);
    o.compression = 3, o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;
    PluginDib fields = FromFile(o);
    ASSERT_TRUE(Check(fields, 4, 3, &d));
    EXPECT_EQ(d.compression, 3u);
    EXPECT_EQ(d.colorTableBytes, 12u);
    fields.info.resize(fields.info.size() - 1);  // the masks cut short
    EXPECT_FALSE(Check(fields, 4, 3, &d));

    // GDI reads the three masks after the header whatever its size: a V5 block must hold them.
    o.headerSize = 124;
    PluginDib v5 = FromFile(o);
    EXPECT_FALSE(Check(v5, 4, 3, &d));
    v5.info.resize(v5.info.size() + 12);
    ASSERT_TRUE(Check(v5, 4, 3, &d));
    EXPECT_EQ(d.headerBytes, 124u);

    o = Options(4, 3, 8);
    o.headerSize = 108;
    o.clrUsed = 16;
    ASSERT_TRUE(Check(FromFile(o), 4, 3, &d));
    EXPECT_EQ(d.colorTableBytes, 64u);
}

TEST(DibCheck, BlocksShorterThanTheHeaderSaysAreRefused) {
    DibDescription d;
    PluginDib dib = FromFile(Options(9, 5, 8));
    ASSERT_TRUE(Check(dib, 9, 5, &d));
    PluginDib shortBits = dib;
    shortBits.bitsSize -= 1;
    EXPECT_FALSE(Check(shortBits, 9, 5, &d));
    PluginDib shortTable = dib;
    shortTable.info.resize(shortTable.info.size() - 4);
    EXPECT_FALSE(Check(shortTable, 9, 5, &d));
    // biClrUsed 16 shortens the table the block has to hold.
    BmpOptions o = Options(9, 5, 8);
    o.clrUsed = 16;
    PluginDib sixteen = FromFile(o);
    EXPECT_EQ(sixteen.info.size(), 40u + 64u);
    EXPECT_TRUE(Check(sixteen, 9, 5, &d));
    sixteen.info.resize(40 + 63);
    EXPECT_FALSE(Check(sixteen, 9, 5, &d));
    // A header whose biSize runs past its own block.
    PluginDib v5 = FromFile(Options(2, 2, 24));
    std::memset(v5.info.data(), 0, 4);
    v5.info[0] = 124;
    EXPECT_FALSE(Check(v5, 2, 2, &d));
    // Blocks too short for a header at all.
    EXPECT_FALSE(CheckPluginDib(dib.info.data(), 39, dib.bitsSize, 9, 5, &d));
    EXPECT_FALSE(CheckPluginDib(nullptr, 1000, dib.bitsSize, 9, 5, &d));
    EXPECT_EQ(d.width, 0) << "a refused picture leaves an empty description";
}

TEST(DibCheck, MalformedHeadersAreRefused) {
    const PluginDib good = FromFile(Options(6, 4, 24));
    struct Case {
        const char* what;
        size_t offset;  // within the information header
        uint32_t value;
    };
    const Case cases[] = {
        {"core header", 0, 12},          {"header 39", 0, 39},
        {"bits 0", 14, 0},               {"bits 2", 14, 2},
        {"bits 48", 14, 48},             {"RLE8", 16, 1},
        {"RLE4", 16, 2},                 {"bit fields on 24 bits", 16, 3},
        {"PNG", 16, 5},                  {"width 0", 4, 0},
        {"width negative", 4, static_cast<uint32_t>(-6)},
        {"height 0", 8, 0},
    };
    for (const Case& c : cases) {
        PluginDib dib = good;
        // Poke the little-endian value; bit counts are 16-bit fields followed by the compression.
        const size_t bytes = c.offset == 14 ? 2 : 4;
        for (size_t i = 0; i < bytes; ++i) {
            dib.info[c.offset + i] = static_cast<uint8_t>(c.value >> (8 * i));
        }
        DibDescription d;
        EXPECT_FALSE(Check(dib, 6, 4, &d)) << c.what;
    }
    DibDescription d;
    EXPECT_TRUE(Check(good, 6, 4, &d));
}

TEST(DibCheck, SizeMustAgreeWithThePictureInfo) {
    const PluginDib dib = FromFile(Options(6, 4, 24));
    DibDescription d;
    EXPECT_FALSE(Check(dib, 7, 4, &d));
    EXPECT_FALSE(Check(dib, 6, 3, &d));
    EXPECT_FALSE(Check(dib, 6, -4, &d));
    EXPECT_FALSE(Check(dib, 0, 0, &d));
    BmpOptions o = Options(6, 4, 24);
    o.topDown = true;
    EXPECT_TRUE(Check(FromFile(o), 6, 4, &d)) << "a top-down picture matches its positive height";
}

TEST(DibCheck, HugeDimensionsDoNotOverflow) {
    PluginDib dib = FromFile(Options(1, 1, 32));
    const auto poke = [&](size_t offset, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) {
            dib.info[offset + i] = static_cast<uint8_t>(v >> (8 * i));
        }
    };
    poke(4, 0x7FFFFFFF);
    poke(8, 0x7FFFFFFF);
    DibDescription d;
    EXPECT_FALSE(CheckPluginDib(dib.info.data(), dib.info.size(), 4096, 0x7FFFFFFF, 0x7FFFFFFF, &d));
    // The most negative height is 2^31 rows, more than the description's int holds.
    poke(4, 1);
    poke(8, 0x80000000);
    const long rows = static_cast<long>(int64_t{1} << 31);
    EXPECT_FALSE(CheckPluginDib(dib.info.data(), dib.info.size(), SIZE_MAX, 1, rows, &d));
    // biClrUsed of an optional table above 8 bits is bounded too.
    dib = FromFile(Options(1, 1, 24));
    poke(32, 0x40000000);
    EXPECT_FALSE(CheckPluginDib(dib.info.data(), dib.info.size(), 4, 1, 1, &d));
    poke(32, 0);
    EXPECT_TRUE(CheckPluginDib(dib.info.data(), dib.info.size(), 4, 1, 1, &d));
}

// Straight alpha is composited on black only when the alpha bytes carry something: all 0
// (no alpha) and all 255 leave the rows as they are, and only 32-bit BI_RGB rows have alpha.
TEST(DibCheck, PartialAlphaIsCompositedOnBlack) {
    const struct {
        const char* what;
        int bitCount;
        uint32_t compression;
        uint8_t alpha[2];
        bool composited;
        uint8_t second[4];  // the second pixel after the call
    } cases[] = {
        {"all zero", 32, 0, {0, 0}, false, {200, 100, 50, 0}},
        {"all opaque", 32, 0, {255, 255}, false, {200, 100, 50, 255}},
        {"half", 32, 0, {255, 128}, true, {100, 50, 25, 255}},
        {"opaque and clear", 32, 0, {0, 255}, true, {200, 100, 50, 255}},
        {"bit fields", 32, 3, {255, 128}, false, {200, 100, 50, 128}},
        {"24 bits", 24, 0, {255, 128}, false, {200, 100, 50, 128}},
    };
    for (const auto& c : cases) {
        DibDescription dib;
        dib.width = 2, dib.height = 1, dib.bitCount = c.bitCount, dib.compression = c.compression;
        dib.rowBytes = 8, dib.imageBytes = 8;
        uint8_t rows[8] = {10, 20, 30, c.alpha[0], 200, 100, 50, c.alpha[1]};
        EXPECT_EQ(CompositeAlphaOnBlack(rows, dib), c.composited) << c.what;
        EXPECT_EQ(std::memcmp(rows + 4, c.second, 4), 0)
            << c.what << ": " << int(rows[4]) << " " << int(rows[5]) << " " << int(rows[6]) << " " << int(rows[7]);
    }
}
