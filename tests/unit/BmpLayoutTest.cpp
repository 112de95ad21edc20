// Header validation, layout arithmetic, bit-field widening and RLE expansion of BMP files,
// driven by files from the generator in tests/data.
#include "image/BmpLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"

namespace {

using testdata::BmpOptions;
using testdata::Bytes;

bmp::Status Layout(const std::string& file, bmp::Layout* out, int deviceBits = 32) {
    const auto bytes = Bytes(file);
    return bmp::ComputeLayout(bytes.first(std::min(bytes.size(), bmp::kPrefixBytes)), file.size(), deviceBits, out);
}

// A layout that must be accepted.
bmp::Layout Accept(const std::string& file) {
    bmp::Layout layout;
    EXPECT_EQ(Layout(file, &layout), bmp::Status::kOk);
    return layout;
}

uint32_t Pattern(int x, int y) {
    return testdata::Rgb(x * 37 + y, y * 11 + 5, x ^ y);
}

BmpOptions Options(int width, int height, int bitCount, uint32_t headerSize = 40) {
    BmpOptions o;
    o.width = width, o.height = height, o.bitCount = bitCount, o.headerSize = headerSize;
    return o;
}

std::string File(BmpOptions o) {
    return testdata::MakeBmp(o, [&](int x, int y) { return o.bitCount <= 8 ? (x + y) % 2 : Pattern(x, y); });
}

}  // namespace

TEST(BmpLayout, RowSizeRoundsEveryRowUpToWholeWords) {
    EXPECT_EQ(bmp::RowBytes(33, 1), 8u);
    EXPECT_EQ(bmp::RowBytes(9, 4), 8u);
    EXPECT_EQ(bmp::RowBytes(32, 1), 4u);
    EXPECT_EQ(bmp::RowBytes(3, 24), 12u);
    EXPECT_EQ(bmp::RowBytes(1, 8), 4u);
    // Computed in 64 bits: the largest width of a 32-bit file does not wrap.
    EXPECT_EQ(bmp::RowBytes(0x7FFFFFFF, 32), uint64_t{0x7FFFFFFF} * 4);

    BmpOptions o;
    o.width = 33, o.height = 2, o.bitCount = 1;
    EXPECT_EQ(Accept(File(o)).rowBytes, 8u);
    o.width = 9, o.bitCount = 4;
    EXPECT_EQ(Accept(File(o)).rowBytes, 8u);
}

TEST(BmpLayout, ColorTableAndRowsFollowTheRealHeader) {
    BmpOptions o;
    o.width = 5, o.height = 3, o.bitCount = 8;
    bmp::Layout full = Accept(File(o));
    EXPECT_EQ(full.colorCount, 256u);
    EXPECT_EQ(full.colorTableOffset, 54u);
    EXPECT_EQ(full.pixelOffset, 54u + 1024u);

    o.clrUsed = 16;
    const bmp::Layout sixteen = Accept(File(o));
    EXPECT_EQ(sixteen.colorCount, 16u);
    EXPECT_EQ(sixteen.pixelOffset, 54u + 64u);

    o.headerSize = 124;  // V5
    const bmp::Layout v5 = Accept(File(o));
    EXPECT_EQ(v5.headerBytes, 124u);
    EXPECT_EQ(v5.colorTableOffset, 14u + 124u);
    EXPECT_EQ(v5.pixelOffset, 14u + 124u + 64u);

    o.bitCount = 1, o.clrUsed = 0, o.headerSize = 108;  // V4
    EXPECT_EQ(Accept(File(o)).pixelOffset, 14u + 108u + 8u);
    o.bitCount = 4;
    EXPECT_EQ(Accept(File(o)).colorCount, 16u);
}

TEST(BmpLayout, NoColorTableAboveEightBits) {
    BmpOptions o;
    o.width = 4, o.height = 4;
    for (int bits : {16, 24, 32}) {
        o.bitCount = bits;
        o.clrUsed = 7;  // a palette hint only: nothing of it is in the file
        const bmp::Layout layout = Accept(File(o));
        EXPECT_EQ(layout.colorCount, 0u) << bits;
        EXPECT_EQ(layout.pixelOffset, 54u) << bits;
    }
    // A 16-bit picture with biClrUsed 0 takes no 65536-entry table either.
    o.bitCount = 16, o.clrUsed = 0;
    EXPECT_EQ(Accept(File(o)).pixelOffset, 54u);
}

TEST(BmpLayout, OffBitsIsTrustedOnlyInsideTheFileAndAfterTheTable) {
    BmpOptions o;
    o.width = 4, o.height = 2, o.bitCount = 8, o.clrUsed = 4;
    o.gapBeforeRows = 10;
    const std::string gap = File(o);
    EXPECT_EQ(Accept(gap).pixelOffset, 54u + 16u + 10u);

    o.gapBeforeRows = 0;
    o.offBits = 60;  // inside the colour table
    EXPECT_EQ(Accept(File(o)).pixelOffset, 54u + 16u);
    o.offBits = 0;
    EXPECT_EQ(Accept(File(o)).pixelOffset, 54u + 16u);
    std::string beyond = File(o);
    testdata::Poke32(beyond, testdata::kOffOffBits, static_cast<uint32_t>(beyond.size()));
    EXPECT_EQ(Accept(beyond).pixelOffset, 54u + 16u);
    testdata::Poke32(beyond, testdata::kOffOffBits, static_cast<uint32_t>(beyond.size() - 1));
    const bmp::Layout last = Accept(beyond);
    EXPECT_EQ(last.pixelOffset, beyond.size() - 1);
    EXPECT_EQ(last.storedBytes, 1u);
}

TEST(BmpLayout, PixelFormsHandedToGdi) {
    BmpOptions o;
    o.width = 3, o.height = 2;
    o.bitCount = 24;
    bmp::Layout layout = Accept(File(o));
    EXPECT_EQ(layout.kind, bmp::PixelKind::kPlain);
    EXPECT_EQ(layout.dibBitCount, 24);
    EXPECT_EQ(layout.dibBytes, 12u * 2u);
    EXPECT_EQ(layout.storedBytes, 24u);

    o.bitCount = 16;  // BI_RGB 16 bits is 5-5-5, widened to 32 bits
    layout = Accept(File(o));
    EXPECT_EQ(layout.kind, bmp::PixelKind::kBitFields);
    EXPECT_EQ(layout.dibBitCount, 32);
    EXPECT_EQ(layout.dibRowBytes, 12u);
    EXPECT_EQ(layout.rowBytes, 8u);
    EXPECT_EQ(layout.red.mask, 0x7C00u);
    EXPECT_EQ(layout.green.bits, 5);
    EXPECT_EQ(layout.blue.shift, 0);

    const bmp::Layout rgb565 = Accept(testdata::MakeBmp565(3, 2, Pattern));
    EXPECT_EQ(rgb565.pixelOffset, 54u + 12u);  // the masks follow the 40-byte header
    EXPECT_EQ(rgb565.red.shift, 11);
    EXPECT_EQ(rgb565.green.bits, 6);

    o.bitCount = 32, o.compression = bmp::kBiBitFields, o.headerSize = 124;
    o.masks[0] = 0x3FF00000, o.masks[1] = 0x000FFC00, o.masks[2] = 0x000003FF;
    layout = Accept(File(o));
    EXPECT_EQ(layout.pixelOffset, 14u + 124u);  // the masks are inside a V5 header
    EXPECT_EQ(layout.red.shift, 20);
    EXPECT_EQ(layout.red.bits, 10);

    o = BmpOptions{};
    o.width = 7, o.height = 3, o.bitCount = 8, o.compression = bmp::kBiRle8;
    layout = Accept(File(o));
    EXPECT_EQ(layout.kind, bmp::PixelKind::kRle);
    EXPECT_EQ(layout.dibRowBytes, 8u);
    EXPECT_EQ(layout.storedBytes, File(o).size() - layout.pixelOffset);
}

TEST(BmpLayout, TopDownFilesReportTheirHeightPositive) {
    BmpOptions o;
    o.width = 2, o.height = 5, o.topDown = true;
    const bmp::Layout layout = Accept(File(o));
    EXPECT_TRUE(layout.topDown);
    EXPECT_EQ(layout.height, 5);
    EXPECT_FALSE(Accept(File(BmpOptions{})).topDown);
}

TEST(BmpLayout, TruncatedRowsAreCountedNotRefused) {
    std::string file = testdata::MakeBmp24(10, 10, Pattern);
    file.resize(54 + 32 * 4 + 5);
    const bmp::Layout layout = Accept(file);
    EXPECT_EQ(layout.storedBytes, 32u * 4u + 5u);
    EXPECT_EQ(layout.dibBytes, 32u * 10u);
    file.resize(54);
    EXPECT_EQ(Accept(file).storedBytes, 0u);
}

TEST(BmpLayout, MalformedHeadersAreRefused) {
    const std::string good = File(BmpOptions{});
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        int width;  // 2 or 4 bytes
        bmp::Status expected;
    };
    const Case cases[] = {
        {"magic", testdata::kOffType, 0x4D43, 2, bmp::Status::kBadMagic},
        {"magic BA", testdata::kOffType, 0x4142, 2, bmp::Status::kBadMagic},
        {"header 11", testdata::kOffHeaderSize, 11, 4, bmp::Status::kBadHeaderSize},
        {"header 13", testdata::kOffHeaderSize, 13, 4, bmp::Status::kBadHeaderSize},
        {"header 15", testdata::kOffHeaderSize, 15, 4, bmp::Status::kBadHeaderSize},
        {"header past file", testdata::kOffHeaderSize, 0xFFFFFFF0, 4, bmp::Status::kTooShort},
        {"planes 0", testdata::kOffPlanes, 0, 2, bmp::Status::kBadPlanes},
        {"planes 2", testdata::kOffPlanes, 2, 2, bmp::Status::kBadPlanes},
        {"bits 0", testdata::kOffBitCount, 0, 2, bmp::Status::kBadBitCount},
        {"bits 3", testdata::kOffBitCount, 3, 2, bmp::Status::kBadBitCount},
        {"bits 48", testdata::kOffBitCount, 48, 2, bmp::Status::kBadBitCount},
        {"RLE8 on 24 bits", testdata::kOffCompression, bmp::kBiRle8, 4, bmp::Status::kBadCompression},
        {"RLE4 on 24 bits", testdata::kOffCompression, bmp::kBiRle4, 4, bmp::Status::kBadCompression},
        {"bit fields on 24 bits", testdata::kOffCompression, bmp::kBiBitFields, 4, bmp::Status::kBadCompression},
        {"CMYK", testdata::kOffCompression, 11, 4, bmp::Status::kBadCompression},
        {"width 0", testdata::kOffWidth, 0, 4, bmp::Status::kBadSize},
        {"width negative", testdata::kOffWidth, static_cast<uint32_t>(-5), 4, bmp::Status::kBadSize},
        {"height 0", testdata::kOffHeight, 0, 4, bmp::Status::kBadSize},
        {"width huge", testdata::kOffWidth, 0x7FFFFFFF, 4, bmp::Status::kTooLarge},
        {"height huge", testdata::kOffHeight, 0x7FFFFFFF, 4, bmp::Status::kTooLarge},
        {"height most negative", testdata::kOffHeight, 0x80000000, 4, bmp::Status::kBadSize},
    };
    for (const Case& c : cases) {
        std::string file = good;
        if (c.width == 2) {
            testdata::Poke16(file, c.offset, static_cast<uint16_t>(c.value));
        } else {
            testdata::Poke32(file, c.offset, c.value);
        }
        bmp::Layout layout;
        EXPECT_EQ(Layout(file, &layout), c.expected) << c.what;
        // Only a size too large to hold leaves the file a picture.
        EXPECT_EQ(SaysNoPicture(bmp::FailureOf(c.expected)), c.expected != bmp::Status::kTooLarge) << c.what;
    }
    EXPECT_EQ(bmp::FailureOf(bmp::Status::kBadMagic), DecodeFailure::kNotAPicture);
    EXPECT_EQ(bmp::FailureOf(bmp::Status::kUnsupported), DecodeFailure::kUnsupported);
}

// The sides a header names are read whatever else it says, for judging a picture that
// cannot be loaded; only a file that is no BMP file, or names no positive sides, has none.
TEST(BmpLayout, HeaderSizeIsReadFromAnyBmpHeader) {
    const std::string good = File(Options(5, 3, 24));
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        int width;  // 2 or 4 bytes
        std::optional<PictureSize> size;
    };
    const Case cases[] = {
        {"as written", testdata::kOffPlanes, 1, 2, PictureSize{5, 3}},
        {"top-down", testdata::kOffHeight, static_cast<uint32_t>(-3), 4, PictureSize{5, 3}},
        {"too large to hold", testdata::kOffWidth, 0x7FFFFFFF, 4, PictureSize{0x7FFFFFFF, 3}},
        {"JPEG pixels", testdata::kOffCompression, bmp::kBiJpeg, 4, PictureSize{5, 3}},
        {"no planes", testdata::kOffPlanes, 0, 2, PictureSize{5, 3}},
        {"magic", testdata::kOffType, 0x4D43, 2, std::nullopt},
        {"header 13", testdata::kOffHeaderSize, 13, 4, std::nullopt},
        {"width 0", testdata::kOffWidth, 0, 4, std::nullopt},
        {"height 0", testdata::kOffHeight, 0, 4, std::nullopt},
        {"height most negative", testdata::kOffHeight, 0x80000000, 4, std::nullopt},
    };
    for (const Case& c : cases) {
        std::string file = good;
        if (c.width == 2) {
            testdata::Poke16(file, c.offset, static_cast<uint16_t>(c.value));
        } else {
            testdata::Poke32(file, c.offset, c.value);
        }
        EXPECT_EQ(bmp::HeaderSize(Bytes(file).first(bmp::kPrefixBytes)), c.size) << c.what;
    }
    std::string core = File(Options(1, 1, 1, 12));
    testdata::Poke16(core, 18, 16000);
    testdata::Poke16(core, 20, 65535);
    EXPECT_EQ(bmp::HeaderSize(Bytes(core)), (PictureSize{16000, 65535})) << "a core header's 16-bit sides";
    EXPECT_EQ(bmp::HeaderSize(Bytes(good).first(30)), std::nullopt) << "cut inside the header";
}

TEST(BmpLayout, MasksAreChecked) {
    bmp::Layout layout;
    BmpOptions o;
    o.width = 2, o.height = 2, o.bitCount = 16, o.compression = bmp::kBiBitFields;
    const uint32_t bad[][3] = {
        {0, 0x07E0, 0x001F},            // no red
        {0xF000, 0x0F00, 0x00F5},       // blue not contiguous
        {0x1F0000, 0x07E0, 0x001F},     // red beyond 16 bits
    };
    for (const auto& m : bad) {
        o.masks[0] = m[0], o.masks[1] = m[1], o.masks[2] = m[2];
        EXPECT_EQ(Layout(File(o), &layout), bmp::Status::kBadMasks) << std::hex << m[0] << " " << m[2];
    }
    // A header between 40 and 52 bytes ends inside its masks.
    o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F, o.headerSize = 44;
    EXPECT_EQ(Layout(File(o), &layout), bmp::Status::kBadMasks);
}

TEST(BmpLayout, CoreAndShortOs2HeadersAreRead) {
    struct Case {
        uint32_t headerSize;
        int bits;
        uint64_t tableOffset;
        uint32_t entryBytes;
    };
    for (const Case c : {Case{12, 8, 26, 3}, Case{12, 1, 26, 3}, Case{12, 24, 26, 3}, Case{16, 8, 30, 4},
                         Case{20, 4, 34, 4}, Case{36, 8, 50, 4}, Case{64, 8, 78, 4}}) {
        BmpOptions o;
        o.width = 300, o.height = 7, o.bitCount = c.bits, o.headerSize = c.headerSize;
        o.offBits = 0;  // useless: the rows must be found after the table
        const std::string file = File(o);
        const bmp::Layout layout = Accept(file);
        const uint32_t colors = c.bits <= 8 ? 1u << c.bits : 0;
        EXPECT_EQ(layout.header.width, 300);
        EXPECT_EQ(layout.header.bitCount, c.bits);
        EXPECT_EQ(layout.colorEntryBytes, c.entryBytes) << c.headerSize;
        EXPECT_EQ(layout.colorTableOffset, c.tableOffset) << c.headerSize;
        EXPECT_EQ(layout.colorCount, colors) << c.headerSize;
        EXPECT_EQ(layout.pixelOffset, c.tableOffset + colors * c.entryBytes) << c.headerSize;
        EXPECT_EQ(layout.storedBytes, file.size() - layout.pixelOffset) << c.headerSize;
    }
    // A core header's sides are 16 bits: 65535 is no negative height.
    std::string big = File(Options(1, 1, 1, 12));
    testdata::Poke16(big, 18, 16000);
    testdata::Poke16(big, 20, 65535);
    bmp::Layout layout;
    EXPECT_EQ(bmp::ComputeLayout(Bytes(big), uint64_t{1} << 30, 1, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.width, 16000);
    EXPECT_EQ(layout.height, 65535);
    EXPECT_FALSE(layout.topDown);
    // A whole core file can be shorter than a 40-byte header.
    const std::string tiny = File(Options(2, 1, 1, 12));
    ASSERT_LT(tiny.size(), 54u);
    EXPECT_EQ(Accept(tiny).storedBytes, 4u);
    EXPECT_EQ(Layout(tiny.substr(0, 25), &layout), bmp::Status::kTooShort);
    EXPECT_EQ(Layout(tiny.substr(0, 26 + 5), &layout), bmp::Status::kTooShort) << "cut inside the table";
}

TEST(BmpLayout, ColorTableLengths) {
    struct Case {
        const char* what;
        uint32_t headerSize;
        uint32_t clrUsed;
        std::optional<uint32_t> offBits;
        uint32_t colorCount;
        uint64_t pixelOffset;
    };
    const Case cases[] = {
        // An implied length is cut short by bfOffBits, to whole entries.
        {"core, cut", 12, 0, 26 + 3 * 252, 252, 26 + 3 * 252},
        {"core, cut inside an entry", 12, 0, 26 + 3 * 10 + 2, 10, 26 + 3 * 10 + 2},
        {"implied, cut", 40, 0, 54 + 4 * 100, 100, 54 + 4 * 100},
        {"implied, bfOffBits before the first entry ends", 40, 0, 54 + 3, 256, 54 + 1024},
        // A named length holds against bfOffBits inside the table.
        {"named", 40, 16, 54 + 4 * 8, 16, 54 + 4 * 16},
        // A length beyond 256 entries: 256 are used, the rows follow all of them or lie at bfOffBits.
        {"oversized", 40, 300, std::nullopt, 256, 54 + 4 * 300},
        {"oversized, gap", 40, 300, 54 + 4 * 300 + 7, 256, 54 + 4 * 300 + 7},
        {"oversized, useless bfOffBits", 40, 300, 0, 256, 54 + 4 * 300},
        {"oversized, cut", 40, 300, 54 + 4 * 252, 252, 54 + 4 * 252},
        {"oversized beyond the file", 40, 0x12345678, 0, 256, 54 + 1024},
    };
    for (const Case& c : cases) {
        BmpOptions o;
        o.width = 3, o.height = 2, o.bitCount = 8, o.headerSize = c.headerSize;
        o.clrUsed = c.clrUsed < 1000 ? c.clrUsed : 0;
        o.offBits = c.offBits;
        o.gapBeforeRows = c.offBits.value_or(0) > 54 + 4 * 300 ? 7 : 0;
        std::string file = File(o);
        if (c.clrUsed >= 1000) {
            testdata::Poke32(file, testdata::kOffClrUsed, c.clrUsed);  // a table the file cannot hold
        }
        const bmp::Layout layout = Accept(file);
        EXPECT_EQ(layout.colorCount, c.colorCount) << c.what;
        EXPECT_EQ(layout.pixelOffset, c.pixelOffset) << c.what;
    }
    // 2 and 4 bits use at most 4 and 16 entries too.
    BmpOptions o;
    o.width = 3, o.height = 2, o.bitCount = 2, o.clrUsed = 5;
    EXPECT_EQ(Accept(File(o)).colorCount, 4u);
    o.bitCount = 4, o.clrUsed = 17;
    EXPECT_EQ(Accept(File(o)).colorCount, 16u);
}

TEST(BmpLayout, TopDownRleIsRefused) {
    BmpOptions o;
    o.width = 4, o.height = 4, o.bitCount = 8, o.compression = bmp::kBiRle8;
    std::string file = File(o);
    testdata::Poke32(file, testdata::kOffHeight, static_cast<uint32_t>(-4));
    bmp::Layout layout;
    EXPECT_EQ(Layout(file, &layout), bmp::Status::kBadCompression);
}

TEST(BmpLayout, FilesEndingInsideTheHeadersOrTableAreRefused) {
    BmpOptions o;
    o.width = 4, o.height = 4, o.bitCount = 8;
    const std::string file = File(o);
    bmp::Layout layout;
    for (size_t size : {size_t{0}, size_t{13}, size_t{53}, size_t{54}, size_t{54 + 1023}}) {
        const std::string cut = file.substr(0, size);
        EXPECT_EQ(Layout(cut, &layout), bmp::Status::kTooShort) << size;
    }
    EXPECT_EQ(Layout(file.substr(0, 54 + 1024), &layout), bmp::Status::kOk);
    // The masks after a 40-byte header must be there too.
    const std::string masks = testdata::MakeBmp565(2, 2, Pattern);
    EXPECT_EQ(Layout(masks.substr(0, 60), &layout), bmp::Status::kTooShort);
    // A prefix longer than the file is a caller's mistake, not a file.
    EXPECT_EQ(bmp::ComputeLayout(Bytes(file).first(66), 60, 32, &layout), bmp::Status::kTooShort);
}

TEST(BmpLayout, OnlyTheHeldMemoryLimitsThePicture) {
    // Only the prefix is needed: the claimed file size stands in for a huge file.
    const auto withSize = [](int bits, int width, int height, int deviceBits, bmp::Layout* layout) {
        BmpOptions o;
        o.width = 1, o.height = 1, o.bitCount = bits;
        std::string file = File(o);
        testdata::Poke32(file, testdata::kOffWidth, static_cast<uint32_t>(width));
        testdata::Poke32(file, testdata::kOffHeight, static_cast<uint32_t>(height));
        return bmp::ComputeLayout(Bytes(file).first(std::min(file.size(), bmp::kPrefixBytes)), uint64_t{1} << 40,
                                  deviceBits, layout);
    };
    constexpr uint64_t kMiB = 1 << 20;
    bmp::Layout layout;
    // 256 MiB of 32-bit rows and a 256 MiB device bitmap of a 32-bit screen: exactly the limit.
    EXPECT_EQ(withSize(32, 8192, 8192, 32, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.heldBytes, bmp::kMaxHeldBytes);
    EXPECT_EQ(layout.storedBytes, 256 * kMiB);
    EXPECT_EQ(withSize(32, 8192, -8193, 32, &layout), bmp::Status::kTooLarge);
    EXPECT_EQ(withSize(32, 8193, 8192, 32, &layout), bmp::Status::kTooLarge);
    // No side limit of its own: long strips either way.
    EXPECT_EQ(withSize(24, 100000, 3, 32, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.width, 100000);
    EXPECT_EQ(withSize(8, 2, -200000, 32, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.height, 200000);
    // Rows count at the depth held, the device bitmap at the device's depth (rows of 16-bit words).
    EXPECT_EQ(withSize(1, 16384, 16384, 32, &layout), bmp::Status::kTooLarge);
    EXPECT_EQ(withSize(1, 16384, 16384, 8, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.heldBytes, 32 * kMiB + 256 * kMiB);
    EXPECT_EQ(withSize(1, 3, 1, 1, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.heldBytes, 4u + 2u);
    EXPECT_EQ(withSize(16, 3, 1, 1, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.heldBytes, 12u + 2u) << "16-bit files are held at 32 bits";
    EXPECT_EQ(withSize(2, 9, 1, 1, &layout), bmp::Status::kOk);
    EXPECT_EQ(layout.heldBytes, 8u + 2u) << "2-bit files are held at 4 bits";
    // A depth the device cannot have counts as 32.
    EXPECT_EQ(withSize(1, 16384, 16384, 0, &layout), bmp::Status::kTooLarge);
    EXPECT_EQ(withSize(1, 16384, 16384, 64, &layout), bmp::Status::kTooLarge);
}

TEST(BmpLayout, FlipRowsReversesWholeRows) {
    std::vector<uint8_t> rows = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 9};
    bmp::FlipRows(rows, 2);
    EXPECT_EQ(rows, (std::vector<uint8_t>{5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 9}));
    std::vector<uint8_t> one = {7, 8};
    bmp::FlipRows(one, 2);
    EXPECT_EQ(one, (std::vector<uint8_t>{7, 8}));
    bmp::FlipRows(one, 0);
    EXPECT_EQ(one, (std::vector<uint8_t>{7, 8}));
}

namespace {

// The 0x00RRGGBB value of pixel (x, y from the top) of bottom-up 32-bit rows.
uint32_t DibPixel(const std::vector<uint8_t>& dib, const bmp::Layout& layout, int x, int y) {
    const size_t at = (layout.height - 1 - y) * layout.dibRowBytes + 4 * x;
    return bmp::ReadU32(dib.data() + at);
}

// What a channel stored in `bits` bits reads as at 8 bits: the generator keeps the top
// bits (wider channels get zero low bits), the reader rounds them onto 0..255.
int Expand(int value8, int bits) {
    const double stored = bits >= 8 ? std::ldexp(value8, bits - 8) : value8 >> (8 - bits);
    return static_cast<int>(std::lround(stored * 255.0 / (std::ldexp(1.0, bits) - 1)));
}

std::vector<uint8_t> Convert(const std::string& file, bmp::Layout* layout, size_t keep = SIZE_MAX) {
    *layout = Accept(file);
    std::vector<uint8_t> dib(layout->dibBytes, 0xCD);
    const auto stored = Bytes(file).subspan(layout->pixelOffset, std::min<size_t>(layout->storedBytes, keep));
    EXPECT_TRUE(bmp::ConvertBitFields(stored, *layout, dib));
    return dib;
}

}  // namespace

TEST(BmpLayout, BitFieldPixelsBecomeTrueColors) {
    const auto color = [](int x, int y) { return testdata::Rgb(x * 40 + 3, 255 - y * 30, (x * y * 17) & 0xFF); };
    struct Case {
        const char* what;
        int bits;
        uint32_t masks[3];
        int redBits, greenBits, blueBits;
        uint32_t alphaMask = 0;  // set in every pixel: it must not leak into the colours
        uint32_t compression = bmp::kBiBitFields;
        uint32_t headerSize = 40;
    };
    const Case cases[] = {
        {"5-6-5", 16, {0xF800, 0x07E0, 0x001F}, 5, 6, 5},
        {"5-5-5", 16, {0x7C00, 0x03E0, 0x001F}, 5, 5, 5},
        {"4-4-4", 16, {0x0F00, 0x00F0, 0x000F}, 4, 4, 4},
        {"2-3-1", 16, {0x0030, 0x000E, 0x0001}, 2, 3, 1},
        {"8-8-8", 32, {0xFF0000, 0x00FF00, 0x0000FF}, 8, 8, 8},
        {"B-G-R 8-8-8", 32, {0x0000FF00, 0x00FF0000, 0xFF000000}, 8, 8, 8},
        {"10-10-10", 32, {0x3FF00000, 0x000FFC00, 0x000003FF}, 10, 10, 10},
        {"7-18-7", 32, {0xFE000000, 0x01FFFF80, 0x0000007F}, 7, 18, 7},
        {"4-4-4-4 V5", 16, {0x0F00, 0x00F0, 0x000F}, 4, 4, 4, 0xF000, bmp::kBiBitFields, 124},
        {"alpha fields", 32, {0xFF000000, 0x0000FF00, 0x000000FF}, 8, 8, 8, 0x00FF0000, bmp::kBiAlphaBitFields},
        {"alpha fields 52", 16, {0x7C00, 0x03E0, 0x001F}, 5, 5, 5, 0x8000, bmp::kBiAlphaBitFields, 52},
        {"alpha fields V4", 32, {0x3FF00000, 0xFFC00, 0x3FF}, 10, 10, 10, 0xC0000000, bmp::kBiAlphaBitFields, 108},
    };
    for (const Case& c : cases) {
        for (bool topDown : {false, true}) {
            BmpOptions o;
            o.width = 5, o.height = 4, o.bitCount = c.bits, o.compression = c.compression, o.topDown = topDown;
            o.headerSize = c.headerSize, o.alphaMask = c.alphaMask;
            if (!topDown) {
                o.offBits = 0;  // useless: the rows must be found after the header and its masks
            }
            o.masks[0] = c.masks[0], o.masks[1] = c.masks[1], o.masks[2] = c.masks[2];
            bmp::Layout layout;
            const std::vector<uint8_t> dib = Convert(testdata::MakeBmp(o, color), &layout);
            for (int y = 0; y < o.height; ++y) {
                for (int x = 0; x < o.width; ++x) {
                    const uint32_t c8 = color(x, y);
                    const uint32_t expected = testdata::Rgb(Expand(testdata::RedOf(c8), c.redBits),
                                                            Expand(testdata::GreenOf(c8), c.greenBits),
                                                            Expand(testdata::BlueOf(c8), c.blueBits));
                    ASSERT_EQ(DibPixel(dib, layout, x, y), expected)
                        << c.what << (topDown ? " top-down" : "") << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpLayout, MissingBitFieldPixelsAreBlack) {
    for (bool topDown : {false, true}) {
        BmpOptions o;
        o.width = 3, o.height = 3, o.bitCount = 16, o.topDown = topDown;
        const std::string file = testdata::MakeBmp(o, [](int, int) { return testdata::Rgb(255, 255, 255); });
        bmp::Layout layout;
        // One whole row and one pixel of the next; the stored rows are 8 bytes.
        const std::vector<uint8_t> dib = Convert(file, &layout, 8 + 3);
        const int firstStored = topDown ? 0 : 2;  // picture row of the first stored row
        const int secondStored = 1;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                const bool present = y == firstStored || (y == secondStored && x == 0);
                EXPECT_EQ(DibPixel(dib, layout, x, y), present ? 0xFFFFFFu : 0u) << x << "," << y << topDown;
            }
        }
    }
}

TEST(BmpLayout, ConvertRefusesMismatchedBuffers) {
    bmp::Layout layout = Accept(testdata::MakeBmp565(4, 4, Pattern));
    std::vector<uint8_t> small(layout.dibBytes - 1);
    EXPECT_FALSE(bmp::ConvertBitFields({}, layout, small));
    bmp::Layout plain = Accept(testdata::MakeBmp24(4, 4, Pattern));
    std::vector<uint8_t> dib(plain.dibBytes * 2);
    EXPECT_FALSE(bmp::ConvertBitFields({}, plain, dib));
}

namespace {

// Decodes a whole RLE file into fresh rows of exactly the decoded size.
std::vector<uint8_t> DecodeFile(const std::string& file, bmp::Layout* layout, bmp::RleResult* result) {
    *layout = Accept(file);
    std::vector<uint8_t> dib(layout->dibBytes);
    *result = bmp::DecodeRle(Bytes(file).subspan(layout->pixelOffset, layout->storedBytes), layout->bitCount,
                             layout->width, layout->height, layout->dibRowBytes, dib);
    return dib;
}

// The palette index of pixel (x, y from the top) in bottom-up rows of 4 or 8 bits.
int IndexAt(const std::vector<uint8_t>& dib, const bmp::Layout& layout, int x, int y) {
    const bool four = layout.dibBitCount == 4;
    const uint8_t byte = dib[(layout.height - 1 - y) * layout.dibRowBytes + (four ? x / 2 : x)];
    if (!four) {
        return byte;
    }
    return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

}  // namespace

TEST(BmpLayout, DecodeRowsWidensTwoBitAndFlipsPlainRows) {
    const auto index = [](int x, int y) { return static_cast<uint32_t>((x + 2 * y + x / 4) % 4); };
    for (int width : {1, 3, 4, 5, 13}) {
        for (bool topDown : {false, true}) {
            BmpOptions o = Options(width, 5, 2);
            o.topDown = topDown;
            const std::string file = testdata::MakeBmp(o, index);
            const bmp::Layout layout = Accept(file);
            EXPECT_EQ(layout.kind, bmp::PixelKind::kTwoBit);
            EXPECT_EQ(layout.colorCount, 4u);
            ASSERT_EQ(layout.dibBitCount, 4);
            // Exactly the rows, so that the sanitizers see a write past them; one stored row and a byte kept.
            std::vector<uint8_t> dib(layout.dibBytes);
            const size_t kept = layout.rowBytes + 1;
            ASSERT_TRUE(bmp::DecodeRows(Bytes(file).subspan(layout.pixelOffset, kept), layout, dib));
            const int firstStored = topDown ? 0 : 4;
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < width; ++x) {
                    const bool present = y == firstStored || (y == (topDown ? 1 : 3) && x < 4);
                    ASSERT_EQ(IndexAt(dib, layout, x, y), present ? static_cast<int>(index(x, y)) : 0)
                        << "width " << width << (topDown ? " top-down" : "") << " at " << x << "," << y;
                }
            }
        }
    }
    BmpOptions o = Options(6, 3, 8);
    o.topDown = true;
    const std::string file = testdata::MakeBmp(o, index);
    const bmp::Layout layout = Accept(file);
    std::vector<uint8_t> dib(layout.dibBytes);
    ASSERT_TRUE(bmp::DecodeRows(Bytes(file).subspan(layout.pixelOffset), layout, dib));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            ASSERT_EQ(IndexAt(dib, layout, x, y), static_cast<int>(index(x, y))) << x << "," << y;
        }
    }
}

TEST(BmpLayout, DecodeRowsRefusesMismatchedBuffers) {
    for (int bits : {2, 8, 16, 24}) {
        const bmp::Layout layout = Accept(File(Options(5, 3, bits)));
        std::vector<uint8_t> small(layout.dibBytes - 1);
        EXPECT_FALSE(bmp::DecodeRows({}, layout, small)) << bits;
        bmp::Layout lying = layout;
        lying.dibRowBytes -= 4;  // rows too short for the width
        std::vector<uint8_t> dib(layout.dibBytes);
        EXPECT_FALSE(bmp::DecodeRows({}, lying, dib)) << bits;
    }
    bmp::Layout rle = Accept(testdata::MakeBmpRle8(5, 3, testdata::MakePalette(256), Pattern));
    std::vector<uint8_t> small(rle.dibBytes - 1);
    EXPECT_FALSE(bmp::DecodeRows({}, rle, small));
}

TEST(BmpLayout, RleFilesExpandToTheirPixels) {
    // Runs, literal stretches of odd and even length, and single pixels in every row.
    const auto index = [](int x, int y) -> uint32_t {
        if (x < 6) return (y + 1) % 16;
        if (x < 11) return (x * 3 + y) % 16;
        return (x / 2 + y) % 16;
    };
    for (int bits : {8, 4}) {
        for (int width : {1, 2, 13, 14, 300}) {
            const auto palette = testdata::MakePalette(1 << bits);
            const std::string file = bits == 8 ? testdata::MakeBmpRle8(width, 5, palette, index)
                                               : testdata::MakeBmpRle4(width, 5, palette, index);
            bmp::Layout layout;
            bmp::RleResult result;
            const std::vector<uint8_t> dib = DecodeFile(file, &layout, &result);
            EXPECT_TRUE(result.ok);
            EXPECT_TRUE(result.endOfBitmap);
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < width; ++x) {
                    ASSERT_EQ(IndexAt(dib, layout, x, y), static_cast<int>(index(x, y)))
                        << bits << " bits, width " << width << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpLayout, RleEscapesMoveTheCursor) {
    // 4 x 3 pixels, 8 bits. Bottom row: run of 2 x 5, then delta (1, 1) to (3, 1), one pixel 7,
    // end of line to (0, 2), absolute 3 pixels 1 2 3 (padded), end of bitmap, then junk.
    const uint8_t stream[] = {2, 5, 0, 2, 1, 1, 1, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1, 9, 9};
    std::vector<uint8_t> dib(4 * 3, 0xAA);
    const bmp::RleResult result = bmp::DecodeRle(stream, 8, 4, 3, 4, dib);
    EXPECT_TRUE(result.ok && result.endOfBitmap);
    EXPECT_EQ(dib, (std::vector<uint8_t>{5, 5, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 7, 1, 2, 3, 0xAA}));

    // RLE4: a run alternates the two nibbles of its byte; absolute nibbles fill the rest.
    const uint8_t four[] = {3, 0x12, 0, 3, 0x45, 0x60, 0, 1};
    std::vector<uint8_t> rows(4, 0);
    EXPECT_TRUE(bmp::DecodeRle(four, 4, 6, 1, 4, rows).endOfBitmap);
    EXPECT_EQ(rows, (std::vector<uint8_t>{0x12, 0x14, 0x56, 0x00}));
}

TEST(BmpLayout, RleNeverWritesOutsideThePicture) {
    // Runs far past the right edge, a delta past the top, absolute runs past the edge.
    const uint8_t wide[] = {255, 1, 255, 2, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 2, 200, 200, 255, 3};
    for (int bits : {8, 4}) {
        for (uint32_t width : {1u, 3u, 8u}) {
            const size_t rowBytes = bmp::RowBytes(width, bits);
            std::vector<uint8_t> dib(rowBytes * 2, 0);  // exactly the picture: the sanitizers see any overrun
            const bmp::RleResult result = bmp::DecodeRle(wide, bits, width, 2, rowBytes, dib);
            EXPECT_TRUE(result.ok);
            EXPECT_FALSE(result.endOfBitmap);
        }
    }
    // Pixels beyond the width are dropped rather than wrapped onto the next row.
    const uint8_t over[] = {6, 4, 0, 1};
    std::vector<uint8_t> two(8, 0);
    bmp::DecodeRle(over, 8, 3, 2, 4, two);
    EXPECT_EQ(two, (std::vector<uint8_t>{4, 4, 4, 0, 0, 0, 0, 0}));
}

TEST(BmpLayout, RleStopsAtTheEndOfTruncatedInput) {
    BmpOptions o;
    o.width = 6, o.height = 4, o.bitCount = 8, o.compression = bmp::kBiRle8;
    std::string file = testdata::MakeBmp(o, [](int x, int y) { return 1 + (x + y) % 3; });
    bmp::Layout layout = Accept(file);
    std::vector<uint8_t> dib(layout.dibBytes);
    // Half the stream, ending inside an absolute run.
    const auto half = Bytes(file).subspan(layout.pixelOffset, layout.storedBytes / 2 + 1);
    const bmp::RleResult result = bmp::DecodeRle(half, 8, 6, 4, layout.dibRowBytes, dib);
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.endOfBitmap);
    EXPECT_EQ(dib[3 * layout.dibRowBytes], 0) << "the top row was never reached";
    EXPECT_NE(dib[0], 0) << "the bottom row was decoded";
}

TEST(BmpLayout, RleRefusesInconsistentArguments) {
    const uint8_t stream[] = {2, 1, 0, 1};
    std::vector<uint8_t> dib(8);
    EXPECT_FALSE(bmp::DecodeRle(stream, 8, 4, 3, 4, dib).ok);  // 3 rows of 4 need 12 bytes
    EXPECT_FALSE(bmp::DecodeRle(stream, 8, 5, 1, 4, dib).ok);  // rows shorter than the width
    EXPECT_FALSE(bmp::DecodeRle(stream, 24, 1, 1, 4, dib).ok);
    EXPECT_TRUE(bmp::DecodeRle(stream, 8, 4, 2, 4, dib).ok);
}
