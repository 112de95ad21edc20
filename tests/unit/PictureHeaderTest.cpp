#include "plugins/ixwic/PictureHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"
#include "tests/data/HeaderFiles.h"
#include "tests/unit/SparseFile.h"

namespace {

using ixwic::HeaderResult;
using ixwic::PictureFormat;
using ixwic::PictureHeader;
using testdata::TiffEntry;

HeaderResult Read(const std::string& bytes, PictureHeader* header) {
    ixwic::MemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return ixwic::ReadPictureHeader(source, header);
}

HeaderResult Read(const std::string& bytes) {
    PictureHeader header;
    return Read(bytes, &header);
}

std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// Every input shorter than `full` up to `headerEnd` is refused as broken (the sanitizers
// watch the reads); `full` itself is read.
void ExpectEveryCutBroken(const std::string& full, size_t headerEnd, size_t signatureBytes) {
    ASSERT_EQ(Read(full), HeaderResult::kRead);
    for (size_t cut = signatureBytes; cut < headerEnd; ++cut) {
        EXPECT_EQ(Read(full.substr(0, cut)), HeaderResult::kBroken) << cut;
    }
}

TEST(PictureHeader, PngSizeAndDensityFromTheChunksBeforeThePixels) {
    const std::string phys = testdata::PngChunk("pHYs", Be32(3780) + Be32(7559) + '\x01');
    const std::string png = testdata::MakePngHeader(4000, 3000, 8, 2, testdata::PngChunk("tEXt", "a\0b") + phys);
    PictureHeader h;
    ASSERT_EQ(Read(png, &h), HeaderResult::kRead);
    EXPECT_EQ(h.format, PictureFormat::kPng);
    EXPECT_EQ(h.width, 4000u);
    EXPECT_EQ(h.height, 3000u);
    EXPECT_EQ(h.orientation, 1);
    EXPECT_DOUBLE_EQ(h.dpiX, 3780 * 0.0254);
    EXPECT_DOUBLE_EQ(h.dpiY, 7559 * 0.0254);

    const std::string aspectOnly = testdata::PngChunk("pHYs", Be32(2) + Be32(1) + '\0');
    ASSERT_EQ(Read(testdata::MakePngHeader(1, 1, 16, 6, aspectOnly), &h), HeaderResult::kRead);
    EXPECT_EQ(h.dpiX, 96) << "no unit, no density";
    EXPECT_EQ(Read(testdata::MakePngHeader(7, 7, 4, 3, testdata::PngChunk("PLTE", std::string(48, 'p')))),
              HeaderResult::kRead);
    ExpectEveryCutBroken(png, png.size() - 12 - 12 - 11 + 8, 8);  // up to the pixel chunk's length and type
}

TEST(PictureHeader, PngHeaderDamageIsBrokenData) {
    const std::string good = testdata::MakePngHeader(32, 32, 8, 2);
    std::string badChecksum = good;
    badChecksum[8 + 8 + 12] ^= 1;  // the interlace byte, under the checksum
    std::string badType = good;
    badType[33 + 4] = '#';  // the pixel chunk's type
    const std::string cases[] = {
        badChecksum,
        badType,
        testdata::MakePngHeader(0, 32, 8, 2),
        testdata::MakePngHeader(32, 0x80000000u, 8, 2),
        testdata::MakePngHeader(32, 32, 8, 1),   // no such colour type
        testdata::MakePngHeader(32, 32, 3, 2),   // no such depth for RGB
        testdata::MakePngHeader(32, 32, 16, 3),  // nor for a palette
        testdata::MakePngHeader(32, 32, 4, 3),   // a palette picture without palette
        good.substr(0, 33) + testdata::PngChunk("IEND", ""),
        good.substr(0, 33) + Be32(0x80000000u) + "tEXt",
    };
    for (const std::string& png : cases) {
        EXPECT_EQ(Read(png), HeaderResult::kBroken) << &png - cases;
    }
}

TEST(PictureHeader, GifTakesTheFirstPictureBehindTheExtensions) {
    const std::string control = std::string("\x21\xF9\x04\x01\x0A\x00\x02\x00", 8);
    const std::string gif = testdata::MakeGifHeader(
        100, 80, 64, 48, {control, testdata::GifComment(std::string(600, 'c')), testdata::GifComment("")});
    PictureHeader h;
    ASSERT_EQ(Read(gif, &h), HeaderResult::kRead);
    EXPECT_EQ(h.format, PictureFormat::kGif);
    EXPECT_EQ(h.width, 64u) << "the first picture is what the decoder's first frame holds";
    EXPECT_EQ(h.height, 48u);
    ExpectEveryCutBroken(gif, gif.size() - 6, 6);

    std::string trailerFirst = testdata::MakeGifHeader(8, 8, 8, 8);
    trailerFirst[13 + 12] = '\x3B';
    EXPECT_EQ(Read(trailerFirst), HeaderResult::kBroken);
    trailerFirst[13 + 12] = '\x00';
    EXPECT_EQ(Read(trailerFirst), HeaderResult::kBroken) << "no block";
    EXPECT_EQ(Read(testdata::MakeGifHeader(8, 8, 0, 8)), HeaderResult::kBroken);
}

TEST(PictureHeader, TiffFirstDirectoryInEitherByteOrder) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little);
        const std::string resolution = testdata::TiffRational(little, 600, 2) + testdata::TiffRational(little, 150, 1);
        const std::string tiff = testdata::MakeTiffHeader(little,
                                                          {{256, 3, 1, 640},
                                                           {257, 4, 1, 70000},
                                                           {259, 3, 1, 1},
                                                           {274, 3, 1, 6},
                                                           {282, 5, 1, 8},
                                                           {283, 5, 1, 16},
                                                           {296, 3, 1, 2}},
                                                          resolution);
        PictureHeader h;
        ASSERT_EQ(Read(tiff, &h), HeaderResult::kRead);
        EXPECT_EQ(h.format, PictureFormat::kTiff);
        EXPECT_EQ(h.width, 640u);
        EXPECT_EQ(h.height, 70000u);
        EXPECT_EQ(h.orientation, 6);
        EXPECT_DOUBLE_EQ(h.dpiX, 300);
        EXPECT_DOUBLE_EQ(h.dpiY, 150);
        ExpectEveryCutBroken(tiff, tiff.size() - 20, 8);

        const std::string centimetres = testdata::MakeTiffHeader(
            little, {{256, 4, 1, 5}, {257, 4, 1, 5}, {274, 3, 1, 9}, {282, 5, 1, 8}, {283, 5, 1, 8}, {296, 3, 1, 3}},
            testdata::TiffRational(little, 100, 1));
        ASSERT_EQ(Read(centimetres, &h), HeaderResult::kRead);
        EXPECT_DOUBLE_EQ(h.dpiX, 254);
        EXPECT_EQ(h.orientation, 1) << "out of range";
    }
    EXPECT_EQ(Read(testdata::MakeTiffHeader(true, {{256, 4, 1, 5}})), HeaderResult::kBroken) << "no height";
    EXPECT_EQ(Read(testdata::MakeTiffHeader(true, {{256, 4, 1, 5}, {257, 4, 1, 0x80000000u}})), HeaderResult::kBroken)
        << "too high to report";
    EXPECT_EQ(Read(testdata::MakeTiffHeader(true, {{256, 4, 1, 5}, {257, 4, 2, 5}})), HeaderResult::kBroken)
        << "two heights";
    std::string pastTheEnd = testdata::MakeTiffHeader(true, {{256, 4, 1, 5}, {257, 4, 1, 5}});
    pastTheEnd[4] = '\x7F';
    EXPECT_EQ(Read(pastTheEnd), HeaderResult::kBroken);
}

TEST(PictureHeader, BmpCoreAndWindowsHeaders) {
    testdata::BmpOptions o;
    o.width = 30, o.height = 20, o.topDown = true;
    std::string bmp = testdata::MakeBmp(o, [](int, int) { return 0u; });
    testdata::Poke32(bmp, 38, 11811);  // pixels per metre: 300 dpi
    testdata::Poke32(bmp, 42, 11811);
    PictureHeader h;
    ASSERT_EQ(Read(bmp, &h), HeaderResult::kRead);
    EXPECT_EQ(h.format, PictureFormat::kBmp);
    EXPECT_EQ(h.width, 30u);
    EXPECT_EQ(h.height, 20u) << "rows stored top-down";
    EXPECT_NEAR(h.dpiX, 300, 0.01);
    ExpectEveryCutBroken(bmp, 54, 18);

    std::string core = bmp.substr(0, 14) + std::string("\x0C\0\0\0\x07\0\x05\0\x01\0\x18\0", 12) + "pixels";
    ASSERT_EQ(Read(core, &h), HeaderResult::kRead);
    EXPECT_EQ(h.width, 7u);
    EXPECT_EQ(h.height, 5u);

    std::string os2 = bmp;
    testdata::Poke32(os2, testdata::kOffHeaderSize, 64);
    EXPECT_EQ(Read(os2), HeaderResult::kAskSystem);
    for (const int32_t width : {0, -5}) {
        std::string bad = bmp;
        testdata::Poke32(bad, testdata::kOffWidth, static_cast<uint32_t>(width));
        EXPECT_EQ(Read(bad), HeaderResult::kBroken) << width;
    }
    testdata::Poke32(bmp, testdata::kOffHeight, 0x80000000u);
    EXPECT_EQ(Read(bmp), HeaderResult::kBroken);
}

TEST(PictureHeader, SignaturesAndWhatIsLeftToTheSystem) {
    const std::string jpegWithoutFrame = std::string("\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9", 8);
    struct Case {
        std::string bytes;
        PictureFormat format;
        HeaderResult result;
    };
    const Case cases[] = {
        {"", PictureFormat::kNone, HeaderResult::kUnknownFormat},
        {std::string(100, 'A'), PictureFormat::kNone, HeaderResult::kUnknownFormat},
        {"BM" + std::string(100, 'A'), PictureFormat::kNone, HeaderResult::kUnknownFormat},
        {std::string("\0\0\x01\0\x01\0", 6) + std::string(40, '\0'), PictureFormat::kIco, HeaderResult::kAskSystem},
        {jpegWithoutFrame, PictureFormat::kJpeg, HeaderResult::kAskSystem},
        {std::string("\xFF\xD8\xFF", 3), PictureFormat::kJpeg, HeaderResult::kAskSystem},
        {"\x89PNG\r\n\x1A\n", PictureFormat::kPng, HeaderResult::kBroken},
        {"GIF87a", PictureFormat::kGif, HeaderResult::kBroken},
        {std::string("MM\0*", 4), PictureFormat::kTiff, HeaderResult::kBroken},
        {"GIF89", PictureFormat::kNone, HeaderResult::kUnknownFormat},
        {std::string("MM\0*\0\0\0\x08", 8), PictureFormat::kTiff, HeaderResult::kBroken},
    };
    for (const Case& c : cases) {
        PictureHeader h;
        EXPECT_EQ(Read(c.bytes, &h), c.result) << &c - cases;
        EXPECT_EQ(h.format, c.format) << &c - cases;
    }
    const std::string jpeg = std::string("\xFF\xD8\xFF\xC0\x00\x0B\x08\x00\x30\x00\x40\x01\x01\x11\x00", 15);
    PictureHeader h;
    ASSERT_EQ(Read(jpeg, &h), HeaderResult::kRead);
    EXPECT_EQ(h.width, 64u);
    EXPECT_EQ(h.height, 48u);
}

TEST(PictureHeader, ReadsOnlyTheHeaderOfABigFile) {
    // A PNG whose text chunk before the pixels is bigger than a window.
    const std::string png =
        testdata::MakePngHeader(4000, 3000, 8, 6, testdata::PngChunk("iTXt", std::string(9000, 'x')));
    // A JPEG behind a 60 KB EXIF block naming orientation 8.
    const std::string app1 = std::string("\xFF\xD8\xFF\xE1\xEA\x62", 6);  // after the start of image
    std::string jpeg = app1 + std::string("Exif\0\0", 6) + testdata::MakeTiffHeader(false, {{274, 3, 1, 8}});
    jpeg.resize(2 + 2 + 0xEA62, 'e');
    jpeg += std::string("\xFF\xC0\x00\x0B\x08\x0B\xB8\x0F\xA0\x01\x01\x11\x00", 13);
    // A TIFF whose directory lies behind 150 MB of pixels.
    constexpr uint32_t kFar = 150u << 20;
    std::string tiff = testdata::MakeTiffHeader(true, {{256, 4, 1, 4000}, {257, 4, 1, 3000}, {274, 3, 1, 3}});
    const std::string directory = tiff.substr(8);
    tiff = tiff.substr(0, 4) + std::string{0, 0, static_cast<char>(kFar >> 16), static_cast<char>(kFar >> 24)};
    struct Case {
        const char* name;
        std::vector<std::pair<uint64_t, std::string>> pieces;
        int orientation;
        uint64_t limit;
    };
    const Case cases[] = {
        {"png", {{0, png}}, 1, 3 * 4096},
        {"jpeg", {{0, jpeg}}, 8, 2 * 4096},
        {"tiff", {{0, tiff}, {kFar, directory}}, 3, 2 * 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testunit::SparseFile file(200ull << 20);
        for (const auto& [at, bytes] : c.pieces) {
            file.Put(at, bytes);
        }
        PictureHeader h;
        ASSERT_EQ(ixwic::ReadPictureHeader(file, &h), HeaderResult::kRead);
        EXPECT_EQ(h.width, 4000u);
        EXPECT_EQ(h.height, 3000u);
        EXPECT_EQ(h.orientation, c.orientation);
        EXPECT_LE(file.BytesRead(), c.limit);
    }
}

}  // namespace
