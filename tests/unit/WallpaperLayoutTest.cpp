// The wallpaper file: canvas arithmetic, the header and colour table, margins and rows.
#include "wallpaper/WallpaperLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/BmpLayout.h"
#include "tests/data/BmpFiles.h"

namespace {

using testdata::BmpOptions;

// A held picture: the BITMAPINFO block and the rows, cut from a generated file.
struct Held {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
    long width = 0;
    long height = 0;
};

Held FromFile(const std::string& file) {
    const uint32_t offBits = testdata::Peek32(file, testdata::kOffOffBits);
    Held h;
    h.info.assign(file.begin() + 14, file.begin() + offBits);
    h.bits.assign(file.begin() + offBits, file.end());
    h.width = static_cast<long>(testdata::Peek32(file, testdata::kOffWidth));
    h.height = static_cast<long>(testdata::Peek32(file, testdata::kOffHeight));
    return h;
}

// The whole file as the writer streams it.
std::vector<uint8_t> Compose(const Held& held, int64_t sw, int64_t sh, wallpaper::Layout* layout) {
    if (!wallpaper::PlanWallpaper(held.info, held.bits.size(), held.width, held.height, sw, sh, layout)) {
        return {};
    }
    std::vector<uint8_t> file = wallpaper::MakeHeaders(*layout, held.info);
    std::vector<uint8_t> row(layout->rowBytes, 0xCD);
    for (int64_t y = 0; y < layout->canvas.height; ++y) {
        wallpaper::FillRow(*layout, held.bits, static_cast<uint64_t>(y), row);
        file.insert(file.end(), row.begin(), row.end());
    }
    return file;
}

// Byte `x` of the canvas row `y` counted from the top.
uint8_t CanvasByte(const std::vector<uint8_t>& file, const wallpaper::Layout& l, int64_t x, int64_t y) {
    return file[l.pixelOffset + (l.canvas.height - 1 - y) * l.rowBytes + x];
}

uint32_t Pattern(int x, int y) {
    return testdata::Rgb(x * 7 + 1, y * 13 + 2, x ^ y);
}

}  // namespace

TEST(WallpaperLayout, CanvasTakesTheScreensProportions) {
    const struct {
        int64_t sw, sh, w, h, cw, ch;
    } cases[] = {
        {640, 480, 400, 400, 533, 400},       // narrower than the screen: wider canvas
        {640, 480, 800, 300, 800, 600},       // wider than the screen: taller canvas
        {640, 480, 320, 240, 320, 240},       // the screen's shape: no margins
        {1024, 768, 5, 6, 8, 6},              //
        {1280, 1024, 1, 1, 1, 1},             // the truncated side would be 0... and is the picture's
        {1366, 768, 5336, 3000, 5336, 3000},  // equal in four digits, yet wider: never narrower than the picture
        {1, 100000, 3, 2, 3, 300000},         // an odd screen
    };
    for (const auto& c : cases) {
        wallpaper::Canvas canvas;
        ASSERT_TRUE(wallpaper::ComputeCanvas(c.sw, c.sh, c.w, c.h, &canvas)) << c.w << "x" << c.h;
        EXPECT_EQ(canvas.width, c.cw) << c.w << "x" << c.h << " on " << c.sw << "x" << c.sh;
        EXPECT_EQ(canvas.height, c.ch) << c.w << "x" << c.h << " on " << c.sw << "x" << c.sh;
    }
    wallpaper::Canvas canvas;
    for (const auto& zero : {std::vector<int64_t>{0, 480, 4, 4},
                             {640, 0, 4, 4},
                             {640, 480, 0, 4},
                             {640, 480, 4, 0},
                             {-640, 480, 4, 4},
                             {640, 480, 4, int64_t{1} << 40}}) {
        EXPECT_FALSE(wallpaper::ComputeCanvas(zero[0], zero[1], zero[2], zero[3], &canvas));
    }
}

TEST(WallpaperLayout, ShortColourTableIsPaddedAndMarginsAreIndexZero) {
    // 5 x 6 at 8 bits on 1024 x 768: W = 8, offX = 1, R = 8, L = 1.
    BmpOptions o;
    o.width = 5, o.height = 6, o.bitCount = 8, o.clrUsed = 16;
    o.palette = testdata::MakePalette(16);
    std::string source = testdata::MakeBmp(o, [](int x, int y) { return static_cast<uint32_t>(1 + x + y); });
    testdata::Poke32(source, 38, 2835);  // biXPelsPerMeter
    Held held = FromFile(source);
    for (size_t row = 0; row < 6; ++row) {
        held.bits[row * 8 + 5] = held.bits[row * 8 + 6] = held.bits[row * 8 + 7] = 0xEE;  // junk padding
    }
    wallpaper::Layout l;
    const std::vector<uint8_t> file = Compose(held, 1024, 768, &l);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(l.canvas.width, 8);
    EXPECT_EQ(l.leftBytes, 1u);
    EXPECT_EQ(l.rowBytes, 8u);
    const bmp::FileHeader fh = bmp::ReadFileHeader(file);
    const bmp::InfoHeader ih = bmp::ReadInfoHeader(std::span(file).subspan(14));
    EXPECT_EQ(fh.offBits, 54u + 1024);
    EXPECT_EQ(fh.size, 54u + 1024 + 48);
    EXPECT_EQ(ih.clrUsed, 16u) << "the colour count is kept";
    EXPECT_EQ(ih.xPelsPerMeter, 2835);
    for (uint32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(bmp::ReadU32(&file[54 + 4 * i]), i < 16 ? o.palette[i] : 0u) << i;
    }
    for (int y = 0; y < 6; ++y) {
        const uint8_t expected[8] = {
            0, uint8_t(1 + y), uint8_t(2 + y), uint8_t(3 + y), uint8_t(4 + y), uint8_t(5 + y), 0, 0};
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(CanvasByte(file, l, x, y), expected[x]) << x << "," << y;
        }
    }
}

// The keys replace only files that carry their mark; a picture the user keeps carries none.
TEST(WallpaperLayout, ItsFilesAreMarkedInTheReservedFields) {
    const std::string source = testdata::MakeBmp24(6, 4, Pattern);
    wallpaper::Layout l;
    std::vector<uint8_t> file = Compose(FromFile(source), 1024, 768, &l);
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(wallpaper::IsWallpaperFile(file));
    EXPECT_TRUE(wallpaper::IsWallpaperFile(std::span(file).first(14)));
    EXPECT_FALSE(wallpaper::IsWallpaperFile(std::span(file).first(13)));
    EXPECT_FALSE(wallpaper::IsWallpaperFile(testdata::Bytes(source))) << "a picture of another program";
    for (const size_t at : {0u, 1u, 6u, 7u, 8u, 9u}) {
        std::vector<uint8_t> other = file;
        other[at] ^= 0x20;
        EXPECT_FALSE(wallpaper::IsWallpaperFile(other)) << at;
    }
}

TEST(WallpaperLayout, SubBytePixelsMoveByWholeBytesAndEndClean) {
    // 1 and 4 bits, odd widths: the left margin is whole bytes, the bits after the last pixel are zero.
    const struct {
        int bits, width, height;
        int64_t sw, sh;
        uint64_t left;
    } cases[] = {
        {4, 5, 4, 4, 1, 2},   // W = 16, offX = 5: L = 2 bytes (one pixel short of centred)
        {1, 9, 2, 15, 1, 1},  // W = 30, offX = 10: L = 1 byte
    };
    for (const auto& c : cases) {
        BmpOptions o;
        o.width = c.width, o.height = c.height, o.bitCount = c.bits;
        const int top = (1 << c.bits) - 1;
        Held held = FromFile(testdata::MakeBmp(o, [top](int, int) { return static_cast<uint32_t>(top); }));
        for (uint8_t& byte : held.bits) {
            byte = 0xFF;  // every pixel the top index, every padding bit set
        }
        wallpaper::Layout l;
        const std::vector<uint8_t> file = Compose(held, c.sw, c.sh, &l);
        ASSERT_FALSE(file.empty()) << c.bits;
        EXPECT_EQ(l.leftBytes, c.left) << c.bits;
        const int usedBits = c.width * c.bits;
        for (int64_t y = 0; y < l.canvas.height; ++y) {
            for (uint64_t x = 0; x < l.rowBytes; ++x) {
                const int64_t from = static_cast<int64_t>(x - c.left) * 8;
                uint8_t expected = 0;
                if (x >= c.left && from < usedBits) {
                    expected = usedBits - from >= 8 ? 0xFF : static_cast<uint8_t>(0xFF << (8 - (usedBits - from)));
                }
                EXPECT_EQ(CanvasByte(file, l, static_cast<int64_t>(x), y), expected) << c.bits << ": " << x << "," << y;
            }
        }
    }
}

TEST(WallpaperLayout, BitFieldPicturesKeepTheirMasks) {
    BmpOptions o;
    o.width = 4, o.height = 2, o.bitCount = 16, o.compression = 3;
    o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;
    const Held held = FromFile(testdata::MakeBmp(o, Pattern));
    wallpaper::Layout l;
    const std::vector<uint8_t> file = Compose(held, 4, 1, &l);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(bmp::ReadInfoHeader(std::span(file).subspan(14)).compression, 3u);
    EXPECT_EQ(bmp::ReadFileHeader(file).offBits, 66u);
    EXPECT_EQ(bmp::ReadU32(&file[54]), 0xF800u);
    EXPECT_EQ(bmp::ReadU32(&file[58]), 0x07E0u);
    EXPECT_EQ(bmp::ReadU32(&file[62]), 0x001Fu);
    // The written file is one the reader accepts, with the canvas' size.
    bmp::Layout read;
    ASSERT_EQ(
        bmp::ComputeLayout({file.data(), std::min<size_t>(file.size(), bmp::kPrefixBytes)}, file.size(), 32, &read),
        bmp::Status::kOk);
    EXPECT_EQ(read.width, 8);
    EXPECT_EQ(read.height, 2);
}

TEST(WallpaperLayout, RefusesWhatCannotBeWrittenOrRead) {
    BmpOptions o;
    o.width = 4, o.height = 4, o.bitCount = 24;
    const Held held = FromFile(testdata::MakeBmp(o, Pattern));
    wallpaper::Layout l;
    EXPECT_TRUE(wallpaper::PlanWallpaper(held.info, held.bits.size(), 4, 4, 640, 480, &l));
    EXPECT_FALSE(wallpaper::PlanWallpaper(held.info, held.bits.size() - 1, 4, 4, 640, 480, &l)) << "rows cut short";
    EXPECT_FALSE(wallpaper::PlanWallpaper(held.info, held.bits.size(), 5, 4, 640, 480, &l)) << "another size";
    EXPECT_FALSE(wallpaper::PlanWallpaper(held.info, held.bits.size(), 4, 4, 0, 480, &l)) << "no screen";
    EXPECT_FALSE(wallpaper::PlanWallpaper({held.info.data(), 39}, held.bits.size(), 4, 4, 640, 480, &l));
    o.topDown = true;
    const Held topDown = FromFile(testdata::MakeBmp(o, Pattern));
    EXPECT_FALSE(wallpaper::PlanWallpaper(topDown.info, topDown.bits.size(), 4, 4, 640, 480, &l));

    // 30000 x 30000 at 24 bits would need 2.7 GB of rows; on a screen ten times as wide, 27 GB.
    BmpOptions big;
    big.width = 30000, big.height = 1, big.bitCount = 24;
    Held huge = FromFile(testdata::MakeBmp(big, Pattern));
    huge.info[8] = 0x30, huge.info[9] = 0x75;  // biHeight 30000
    const size_t bits = size_t{90000} * 30000;
    EXPECT_TRUE(wallpaper::PlanWallpaper(huge.info, bits, 30000, 30000, 1, 1, &l));
    EXPECT_EQ(l.fileBytes, 54u + uint64_t{90000} * 30000);
    EXPECT_FALSE(wallpaper::PlanWallpaper(huge.info, bits, 30000, 30000, 10, 1, &l));
}
