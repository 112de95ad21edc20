// The formats only a decoder added to the system reads: known by their signatures, with
// the size where the header names it for certain, and never taken for damaged data.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "plugins/ixwic/PictureHeader.h"
#include "tests/data/HeaderFiles.h"
#include "tests/data/OtherHeaderFiles.h"
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

// The sides as the picture is shown: turned for orientations 5 to 8.
std::pair<uint32_t, uint32_t> Shown(const PictureHeader& h) {
    return h.orientation >= 5 ? std::pair{h.height, h.width} : std::pair{h.width, h.height};
}

struct Case {
    const char* name;
    std::string bytes;
    PictureFormat format;
    uint32_t width;  // as shown; 0 when the header names no size
    uint32_t height;
};

std::string TiffWith(const std::vector<TiffEntry>& entries, const std::string& extra = "") {
    return testdata::MakeTiffHeader(true, entries, extra);
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"webp lossy", testdata::MakeWebpLossy(1600, 1200), PictureFormat::kWebp, 1600, 1200},
        {"webp lossless", testdata::MakeWebpLossless(16383, 7), PictureFormat::kWebp, 16383, 7},
        {"webp extended", testdata::MakeWebpExtended(100, 80), PictureFormat::kWebp, 100, 80},
        {"webp turned by exif", testdata::MakeWebpExtended(300, 400, 6), PictureFormat::kWebp, 400, 300},
        {"webp exif with its mark", testdata::MakeWebpExtended(300, 400, 8, true), PictureFormat::kWebp, 400, 300},
        {"webp upright exif", testdata::MakeWebpExtended(300, 400, 1), PictureFormat::kWebp, 300, 400},
        {"heic", testdata::MakeHeif("heic", {"mif1", "heic"}, 4032, 3024), PictureFormat::kHeif, 4032, 3024},
        {"heic turned", testdata::MakeHeif("heic", {"mif1"}, 4032, 3024, 1), PictureFormat::kHeif, 3024, 4032},
        {"heic half turn", testdata::MakeHeif("mif1", {"heic"}, 640, 480, 2), PictureFormat::kHeif, 640, 480},
        {"heif wide indices", testdata::MakeHeif("mif1", {"miaf"}, 5000, 70, 3, true), PictureFormat::kHeif, 70, 5000},
        {"avif", testdata::MakeHeif("avif", {"mif1", "miaf"}, 1920, 1080), PictureFormat::kAvif, 1920, 1080},
        {"avif among brands", testdata::MakeHeif("mif1", {"miaf", "avif"}, 64, 48), PictureFormat::kAvif, 64, 48},
        {"cr3", testdata::MakeHeif("crx ", {"isom"}, 6000, 4000), PictureFormat::kCameraRaw, 0, 0},
        {"jxl small", testdata::MakeJxlCodestream(256, 64), PictureFormat::kJpegXl, 256, 64},
        {"jxl ratio", testdata::MakeJxlCodestream(1600, 1200), PictureFormat::kJpegXl, 1600, 1200},
        {"jxl free sides", testdata::MakeJxlCodestream(1001, 70000), PictureFormat::kJpegXl, 1001, 70000},
        {"jxl turned", testdata::MakeJxlCodestream(300, 200, 6), PictureFormat::kJpegXl, 200, 300},
        {"jxl huge", testdata::MakeJxlCodestream(1u << 30, 3), PictureFormat::kJpegXl, 1u << 30, 3},
        {"jxl container", testdata::MakeJxlContainer(testdata::MakeJxlCodestream(99, 33)), PictureFormat::kJpegXl, 99,
         33},
        {"jxl parts", testdata::MakeJxlContainer(testdata::MakeJxlCodestream(40, 2000, 7), true),
         PictureFormat::kJpegXl, 2000, 40},
        {"j2k", testdata::MakeJ2kCodestream(800, 600), PictureFormat::kJpeg2000, 800, 600},
        {"jp2", testdata::MakeJp2(123, 456), PictureFormat::kJpeg2000, 123, 456},
        {"jxr", testdata::MakeJxrHeader(1024, 768), PictureFormat::kJpegXr, 1024, 768},
        {"psd", testdata::MakePsdHeader(3000, 2000), PictureFormat::kPhotoshop, 3000, 2000},
        {"cr2", TiffWith({{256, 4, 1, 5472}, {257, 4, 1, 3648}, {259, 3, 1, 6}}, std::string("CR\x02\0", 4)),
         PictureFormat::kCameraRaw, 0, 0},
        {"nef", TiffWith({{254, 4, 1, 1}, {256, 4, 1, 160}, {257, 4, 1, 120}, {330, 4, 1, 8}}),
         PictureFormat::kCameraRaw, 0, 0},
        {"dng", TiffWith({{256, 4, 1, 256}, {257, 4, 1, 171}, {50706, 1, 4, 0x00000401}}), PictureFormat::kCameraRaw, 0,
         0},
        {"orf", std::string("IIRO\x08\0\0\0", 8) + std::string(40, '\0'), PictureFormat::kCameraRaw, 0, 0},
        {"rw2", std::string("IIU\0\x08\0\0\0", 8) + std::string(40, '\0'), PictureFormat::kCameraRaw, 0, 0},
        {"raf", "FUJIFILMCCD-RAW 0201FF383501" + std::string(40, '\0'), PictureFormat::kCameraRaw, 0, 0},
        {"crw", std::string("II\x1A\0\0\0HEAPCCDR", 14) + std::string(40, '\0'), PictureFormat::kCameraRaw, 0, 0},
    };
    return cases;
}

TEST(OtherFormats, KnownBySignatureWithTheSizeTheHeaderNames) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        PictureHeader h;
        ASSERT_EQ(Read(c.bytes, &h), HeaderResult::kNeedsCodec);
        EXPECT_EQ(h.format, c.format);
        EXPECT_FALSE(h.builtIn) << "not every system has a decoder for it";
        EXPECT_EQ(Shown(h), std::pair(c.width, c.height));
        // Read piece by piece from a file as from memory.
        testunit::SparseFile file(c.bytes.size(), 16);
        file.Put(0, c.bytes);
        PictureHeader fromFile;
        ASSERT_EQ(ixwic::ReadPictureHeader(file, &fromFile), HeaderResult::kNeedsCodec);
        EXPECT_EQ(Shown(fromFile), Shown(h));
    }
}

// A file cut short anywhere is still known by its signature, or not at all once that is
// cut; a size it gives is the whole file's, never a wrong one (the sanitizers watch the reads).
TEST(OtherFormats, CutFilesGiveTheRightSizeOrNone) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        int sized = 0;
        for (size_t cut = 0; cut < c.bytes.size(); ++cut) {
            PictureHeader h;
            const HeaderResult result = Read(c.bytes.substr(0, cut), &h);
            ASSERT_TRUE(result == HeaderResult::kNeedsCodec || result == HeaderResult::kUnknownFormat ||
                        (result == HeaderResult::kBroken && c.format == PictureFormat::kCameraRaw))
                << cut << " bytes: " << static_cast<int>(result);
            if (h.width != 0) {
                EXPECT_EQ(Shown(h), std::pair(c.width, c.height)) << cut << " bytes";
                ++sized;
            }
        }
        if (c.width == 0) {
            EXPECT_EQ(sized, 0);
        }
    }
}

TEST(OtherFormats, HeadersThatNameNoSizeForCertainGiveNone) {
    std::string interFrame = testdata::MakeWebpLossy(64, 64);
    interFrame[20] |= 1;  // not a key frame: no sides follow
    std::string badCode = testdata::MakeWebpLossy(64, 64);
    badCode[23] = 0;  // the start code
    std::string laterVersion = testdata::MakeWebpLossless(64, 64);
    laterVersion[24] |= 0x20;  // version bits
    std::string noExif = testdata::MakeWebpExtended(300, 400, 6);
    noExif.resize(noExif.size() - 12);  // the EXIF chunk cut short: how the sides stand is unknown
    std::string cropped = testdata::MakeHeif("heic", {"mif1"}, 640, 480, 1);
    cropped.replace(cropped.find("irot"), 4, "clap");  // the primary's turn, now a crop
    std::string noPrimary = testdata::MakeHeif("heic", {"mif1"}, 640, 480);
    noPrimary.replace(noPrimary.find("pitm"), 4, "xxxx");
    std::string zeroGrid = testdata::MakeJ2kCodestream(10, 10);
    zeroGrid[11] = 0, zeroGrid[15] = 0;  // a grid no wider than the offset
    const std::pair<const char*, std::string> cases[] = {
        {"webp inter frame", interFrame},
        {"webp start code", badCode},
        {"webp lossless version", laterVersion},
        {"webp exif missing", noExif},
        {"webp no chunk", std::string("RIFF\x04\0\0\0WEBP", 12)},
        {"heic cropped", cropped},
        {"heic without primary", noPrimary},
        {"jxl cut in the metadata", testdata::MakeJxlCodestream(1, 1, 6).substr(0, 4)},
        {"j2k empty grid", zeroGrid},
    };
    for (const auto& [name, bytes] : cases) {
        PictureHeader h;
        EXPECT_EQ(Read(bytes, &h), HeaderResult::kNeedsCodec) << name;
        EXPECT_EQ(h.width, 0u) << name;
        EXPECT_EQ(h.height, 0u) << name;
    }
}

// Files of the same containers that hold no still picture, and near-misses of the signatures.
TEST(OtherFormats, OtherFilesOfTheSameContainersAreNoPictures) {
    const std::string cases[] = {
        testdata::MakeHeif("isom", {"mp41", "avc1"}, 640, 480),  // a video
        "RIFF\x24\0\0\0WAVEfmt " + std::string(32, '\0'),
        "RIFF\x24\0\0\0WEB",
        std::string("\0\0\0\x0CJXL \r\n\x87", 11),
        std::string("\xFF\x4F\xFF", 3),
        std::string("II\xBC\x02", 4) + std::string(20, '\0'),
        "8BP",
        "IIR",
        std::string(64, '\0'),
    };
    for (const std::string& bytes : cases) {
        PictureHeader h;
        EXPECT_EQ(Read(bytes, &h), HeaderResult::kUnknownFormat) << &bytes - cases;
        EXPECT_EQ(h.format, PictureFormat::kNone) << &bytes - cases;
    }
}

// Hand-assembled bits of the size header, least significant first: the reading does not
// merely mirror the test's writer.
TEST(OtherFormats, JpegXlSizeHeaderBits) {
    // 1 x 1: not small; height less one in 9 bits after selector 0; ratio 1 (square); all default.
    PictureHeader h;
    ASSERT_EQ(Read(std::string("\xFF\x0A\x00\x90", 4), &h), HeaderResult::kNeedsCodec);
    EXPECT_EQ(Shown(h), std::pair(1u, 1u));
    // Small: height (5 + 1) * 8, ratio 0, width (2 + 1) * 8; then not default, extra fields,
    // orientation 8 (7 in 3 bits). In the order read, each value's lowest bit first:
    // 1, 10100, 000, 01000, 0, 1, 111.
    ASSERT_EQ(Read(std::string("\xFF\x0A\x0B\x84\x07", 5), &h), HeaderResult::kNeedsCodec);
    EXPECT_EQ(h.width, 24u);
    EXPECT_EQ(h.height, 48u);
    EXPECT_EQ(h.orientation, 8);
    EXPECT_EQ(testdata::MakeJxlCodestream(24, 48, 8).substr(0, 5), std::string("\xFF\x0A\x0B\x84\x07", 5));
}

// Whether the system's refusal of a picture of a built-in format means damage: only for the
// forms every decoder reads.
TEST(OtherFormats, BuiltInFormatsAndTheirUncommonForms) {
    const auto jpeg = [](uint8_t marker, uint8_t precision) {
        return std::string("\xFF\xD8\xFF", 3) + static_cast<char>(marker) + std::string("\x00\x0B", 2) +
               static_cast<char>(precision) + std::string("\x00\x30\x00\x40\x01\x01\x11\x00", 8);
    };
    const struct {
        const char* name;
        std::string bytes;
        HeaderResult result;
        bool builtIn;
    } cases[] = {
        {"baseline jpeg", jpeg(0xC0, 8), HeaderResult::kRead, true},
        {"progressive jpeg", jpeg(0xC2, 8), HeaderResult::kRead, true},
        {"12-bit jpeg", jpeg(0xC1, 12), HeaderResult::kRead, false},
        {"lossless jpeg", jpeg(0xC3, 8), HeaderResult::kRead, false},
        {"arithmetic jpeg", jpeg(0xC9, 8), HeaderResult::kRead, false},
        {"jpeg the system reads", std::string("\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9", 8), HeaderResult::kAskSystem, true},
        {"png", testdata::MakePngHeader(8, 8, 8, 2), HeaderResult::kRead, true},
        {"tiff lzw", TiffWith({{256, 4, 1, 9}, {257, 4, 1, 9}, {259, 3, 1, 5}}), HeaderResult::kRead, true},
        {"tiff of a camera's compression", TiffWith({{256, 4, 1, 9}, {257, 4, 1, 9}, {259, 3, 1, 65535}}),
         HeaderResult::kRead, false},
        {"tiff old jpeg", TiffWith({{256, 4, 1, 9}, {257, 4, 1, 9}, {259, 3, 1, 6}}), HeaderResult::kRead, false},
        {"ico", std::string("\0\0\x01\0\x01\0", 6) + std::string(40, '\0'), HeaderResult::kAskSystem, true},
        {"nothing known", std::string(40, 'x'), HeaderResult::kUnknownFormat, false},
    };
    for (const auto& c : cases) {
        PictureHeader h;
        EXPECT_EQ(Read(c.bytes, &h), c.result) << c.name;
        EXPECT_EQ(h.builtIn, c.builtIn) << c.name;
    }
    PictureHeader h;
    ASSERT_EQ(Read(TiffWith({{256, 4, 1, 9}, {257, 4, 1, 7}, {259, 3, 1, 65535}}), &h), HeaderResult::kRead);
    EXPECT_EQ(h.width, 9u) << "the first directory is the picture: its size stands";
}

// A read that fails is no end of the file: the header is unreadable, not broken or unknown.
TEST(OtherFormats, AFailedReadIsNoVerdictOnThePicture) {
    const std::pair<const char*, std::string> cases[] = {
        {"png", testdata::MakePngHeader(4000, 3000, 8, 2, testdata::PngChunk("tEXt", std::string(9000, 't')))},
        {"webp", testdata::MakeWebpExtended(300, 400, 6)},
        {"heic", testdata::MakeHeif("heic", {"mif1"}, 640, 480)},
        {"jpeg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\0", 11) + std::string(20, '\0')},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        for (const uint64_t failFrom : {0, 12, 20}) {
            testunit::SparseFile file(bytes.size() + 8192, 16);
            file.Put(0, bytes);
            file.FailFrom(failFrom);
            PictureHeader h;
            EXPECT_EQ(ixwic::ReadPictureHeader(file, &h), HeaderResult::kUnreadable) << failFrom;
            EXPECT_TRUE(file.Failed());
        }
        testunit::SparseFile whole(bytes.size(), 16);
        whole.Put(0, bytes);
        PictureHeader h;
        EXPECT_NE(ixwic::ReadPictureHeader(whole, &h), HeaderResult::kUnreadable);
        EXPECT_FALSE(whole.Failed());
    }
    // The orientation of a WebP picture lies in its last chunk.
    const std::string webp = testdata::MakeWebpExtended(300, 400, 6);
    testunit::SparseFile file(webp.size(), 16);
    file.Put(0, webp);
    file.FailFrom(webp.size() - 4);
    PictureHeader h;
    EXPECT_EQ(ixwic::ReadPictureHeader(file, &h), HeaderResult::kUnreadable);
}

}  // namespace
