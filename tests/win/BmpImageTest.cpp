// The BMP reader on generated files: every depth, palettes, bit fields, long headers, top-down
// and RLE rows, truncated and malformed files, exclusive opening; the pixels are checked
// after drawing into a 32-bit DIB section, at 1:1 and stretched, through the device bitmap
// and from the rows before that bitmap is made.
#include "image/BmpImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"
#include "tests/data/BmpSuite.h"
#include "tests/win/support/TestSupport.h"

namespace {

using testdata::BmpOptions;

constexpr uint32_t kSentinel = 0x123456;

// A 32-bit top-down DIB section selected into a memory device context, filled with kSentinel.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<uint32_t*>(bits);
        m_old = ::SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i) {
            m_bits[i] = kSentinel;
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        // A palette left selected by a draw goes back out before its owner deletes it.
        ::SelectPalette(m_dc, static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    uint32_t At(int x, int y) const {
        ::GdiFlush();
        return m_bits[y * m_width + x] & 0xFFFFFF;
    }

private:
    int m_width;
    int m_height;
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_bits = nullptr;
};

// The screen's device context: pictures are made compatible with it, as with the main window's.
class ScreenDc {
public:
    ScreenDc() : m_dc(::GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() { ::ReleaseDC(nullptr, m_dc); }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// What one read of a BMP file gave: the picture, the file's own header, why it failed.
class BmpRead {
public:
    bool Load(const std::string& path, HDC dc, DeviceBitmap bitmap = DeviceBitmap::kNow) {
        m_header = BITMAPINFOHEADER{};
        m_outcome = CBmpImage::Read(path, dc, KeepGoing(), &m_header, bitmap);
        return static_cast<bool>(m_outcome);
    }
    bool LacksDeviceBitmap() const { return m_outcome.picture.LacksDeviceBitmap(); }
    bool MakeDeviceBitmap(HDC dc, const KeepGoing& keepGoing = KeepGoing()) {
        return m_outcome.picture.MakeDeviceBitmap(dc, keepGoing);
    }
    void Free() { *this = BmpRead(); }
    void Draw(const RECT& src, const RECT& dst, HDC dc) const { m_outcome.picture.Draw(dc, src, dst); }
    std::optional<DecodeFailure> LastFailure() const { return m_outcome.failure; }
    bool IsLoaded() const { return !m_outcome.picture.IsEmpty(); }
    int GetWidth() const { return m_outcome.picture.Width(); }
    int GetHeight() const { return m_outcome.picture.Height(); }
    const BITMAPINFOHEADER& GetInfoHeader() const { return m_header; }
    int GetBitCount() const { return m_header.biBitCount; }
    // The file's row size.
    int GetRowBytes() const { return (m_header.biWidth * m_header.biBitCount + 31) / 32 * 4; }
    // Colour-table entry i as the picture holds it; 0 above 8 bits or past the table.
    uint32_t GetColorEntry(int i) const {
        const std::span<const uint8_t> info = m_outcome.picture.InfoBytes();
        const auto* held = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
        if (!IsLoaded() || m_header.biBitCount > 8 || i < 0 || static_cast<DWORD>(i) >= held->biClrUsed) {
            return 0;
        }
        uint32_t entry = 0;
        std::memcpy(&entry, info.data() + sizeof(BITMAPINFOHEADER) + 4 * i, sizeof entry);
        return entry;
    }

private:
    DecodeOutcome m_outcome;
    BITMAPINFOHEADER m_header{};
};

class BmpImageTest : public testing::Test {
protected:
    // Writes `bytes` to a file of the temporary folder and loads it.
    bool Load(BmpRead& image, const std::string& bytes, const std::string& name = "pic.bmp") {
        m_lastPath = m_dir / name;
        test::WriteFileBytes(m_lastPath, bytes);
        return image.Load(m_lastPath, m_screen);
    }

    // Checks the picture as ExpectDrawn does, then the file last loaded read with its device
    // bitmap left for later: drawn from its rows, and again once the bitmap is made.
    void ExpectPixels(const BmpRead& image, const testdata::PixelFn& expected, const std::string& what) {
        ExpectDrawn(image, expected, what);
        BmpRead later;
        ASSERT_TRUE(later.Load(m_lastPath, m_screen, DeviceBitmap::kLater)) << what;
        ASSERT_TRUE(later.LacksDeviceBitmap()) << what;
        ExpectDrawn(later, expected, what + ", from the rows");
        ASSERT_TRUE(later.MakeDeviceBitmap(m_screen)) << what;
        EXPECT_FALSE(later.LacksDeviceBitmap()) << what;
        ExpectDrawn(later, expected, what + ", bitmap made later");
    }

    // Draws the whole picture 1:1 at the canvas origin and compares every pixel with `expected`.
    void ExpectDrawn(const BmpRead& image, const testdata::PixelFn& expected, const std::string& what) {
        const int w = image.GetWidth();
        const int h = image.GetHeight();
        ASSERT_GT(w, 0) << what;
        Canvas canvas(w, h);
        image.Draw(RECT{0, 0, w, h}, RECT{0, 0, w, h}, canvas.Dc());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(canvas.At(x, y), expected(x, y)) << what << " at " << x << "," << y;
            }
        }
    }

    test::TempDir m_dir{"bmpimage"};
    ScreenDc m_screen;
    std::string m_lastPath;
};

uint32_t Gradient(int x, int y) {
    return testdata::Rgb(x * 23 + 5, 250 - y * 19, (x * 7 + y * 13) & 0xFF);
}

// A channel stored in `bits` bits by the generator (its top bits), as shown at 8 bits.
int Expand(int value8, int bits) {
    const int stored = value8 >> (8 - bits);
    return static_cast<int>(std::lround(stored * 255.0 / ((1 << bits) - 1)));
}

}  // namespace

TEST_F(BmpImageTest, TrueColorFilesShowTheirPixels) {
    for (int bits : {24, 32}) {
        BmpOptions o;
        o.width = 11, o.height = 7, o.bitCount = bits;
        o.clrUsed = 3;  // a palette hint: no table in the file, the rows follow the header
        BmpRead image;
        ASSERT_TRUE(Load(image, testdata::MakeBmp(o, Gradient))) << bits;
        EXPECT_TRUE(image.IsLoaded());
        EXPECT_EQ(image.GetWidth(), 11);
        EXPECT_EQ(image.GetHeight(), 7);
        EXPECT_EQ(image.GetBitCount(), bits);
        EXPECT_EQ(image.GetRowBytes(), (11 * bits + 31) / 32 * 4);
        EXPECT_EQ(image.GetInfoHeader().biClrUsed, 3u);
        for (int i : {0, 1, 2, 255}) {
            EXPECT_EQ(image.GetColorEntry(i), 0u) << bits << " bits, entry " << i;
        }
        ExpectPixels(image, Gradient, std::to_string(bits) + " bits");
    }
}

TEST_F(BmpImageTest, IndexedFilesShowTheirPaletteColors) {
    struct Case {
        int bits;
        int width;  // 33 and 9 are the widths whose rows take exactly 8 bytes
        int rowBytes;
    };
    for (const Case c : {Case{1, 33, 8}, Case{4, 9, 8}, Case{8, 13, 16}}) {
        const int colors = 1 << c.bits;
        const auto palette = testdata::MakePalette(colors);
        const auto index = [&](int x, int y) { return static_cast<uint32_t>((x * 3 + y * 5) % colors); };
        BmpRead image;
        ASSERT_TRUE(Load(image, testdata::MakeBmpIndexed(c.bits, c.width, 5, palette, index))) << c.bits;
        EXPECT_EQ(image.GetRowBytes(), c.rowBytes) << c.bits;
        EXPECT_EQ(image.GetBitCount(), c.bits);
        for (int i = 0; i < colors; ++i) {
            ASSERT_EQ(image.GetColorEntry(i), palette[i]) << c.bits << " bits, entry " << i;
        }
        EXPECT_EQ(image.GetColorEntry(colors), 0u);
        EXPECT_EQ(image.GetColorEntry(-1), 0u);
        ExpectPixels(image, [&](int x, int y) { return palette[index(x, y)]; }, std::to_string(c.bits) + " bits");
    }
}

TEST_F(BmpImageTest, ShortColorTableMovesTheRows) {
    const auto palette = testdata::MakePalette(16);
    const auto index = [](int x, int y) { return static_cast<uint32_t>((x + 2 * y) % 16); };
    BmpOptions o;
    o.width = 6, o.height = 4, o.bitCount = 8, o.clrUsed = 16, o.palette = palette;
    for (const uint32_t offBits : {54u + 64u, 0u}) {  // right, and useless so that the rows are found by the table
        o.offBits = offBits;
        BmpRead image;
        ASSERT_TRUE(Load(image, testdata::MakeBmp(o, index))) << offBits;
        EXPECT_EQ(image.GetColorEntry(15), palette[15]);
        EXPECT_EQ(image.GetColorEntry(16), 0u);
        ExpectPixels(image, [&](int x, int y) { return palette[index(x, y)]; }, "16 colours");
    }
}

TEST_F(BmpImageTest, BitFieldFilesShowTrueColors) {
    struct Case {
        const char* what;
        int bits;
        uint32_t compression;
        uint32_t headerSize;
        uint32_t masks[3];
        int channelBits[3];
    };
    const Case cases[] = {
        {"5-6-5", 16, 3, 40, {0xF800, 0x07E0, 0x001F}, {5, 6, 5}},
        {"5-6-5 V5", 16, 3, 124, {0xF800, 0x07E0, 0x001F}, {5, 6, 5}},
        {"5-5-5 plain", 16, 0, 40, {0, 0, 0}, {5, 5, 5}},
        {"32-bit B-G-R fields", 32, 3, 40, {0x0000FF00, 0x00FF0000, 0xFF000000}, {8, 8, 8}},
    };
    for (const Case& c : cases) {
        BmpOptions o;
        o.width = 9, o.height = 6, o.bitCount = c.bits, o.compression = c.compression, o.headerSize = c.headerSize;
        o.masks[0] = c.masks[0], o.masks[1] = c.masks[1], o.masks[2] = c.masks[2];
        BmpRead image;
        ASSERT_TRUE(Load(image, testdata::MakeBmp(o, Gradient))) << c.what;
        EXPECT_EQ(image.GetBitCount(), c.bits);
        EXPECT_EQ(image.GetColorEntry(0), 0u);
        ExpectPixels(
            image,
            [&](int x, int y) {
                const uint32_t g = Gradient(x, y);
                return testdata::Rgb(Expand(testdata::RedOf(g), c.channelBits[0]),
                                     Expand(testdata::GreenOf(g), c.channelBits[1]),
                                     Expand(testdata::BlueOf(g), c.channelBits[2]));
            },
            c.what);
    }
}

TEST_F(BmpImageTest, LongHeadersAndOffBitsAreHonoured) {
    const auto palette = testdata::MakePalette(256);
    const auto index = [](int x, int y) { return static_cast<uint32_t>(x * 17 + y); };
    for (uint32_t header : {108u, 124u}) {
        BmpOptions o;
        o.width = 5, o.height = 3, o.bitCount = 8, o.headerSize = header, o.palette = palette;
        o.gapBeforeRows = 6;  // rows only bfOffBits finds
        BmpRead image;
        ASSERT_TRUE(Load(image, testdata::MakeBmp(o, index))) << header;
        EXPECT_EQ(image.GetInfoHeader().biSize, header);
        EXPECT_EQ(image.GetColorEntry(200), palette[200]);
        ExpectPixels(image, [&](int x, int y) { return palette[index(x, y)]; }, "V4/V5 8 bits");
        o.bitCount = 24;
        ASSERT_TRUE(Load(image, testdata::MakeBmp(o, Gradient))) << header;
        ExpectPixels(image, Gradient, "V4/V5 24 bits");
    }
}

// A device bitmap made a band of rows at a time, asking between bands whether to go on,
// draws as the rows do whichever way up they lie; broken off, the picture still lacks it.
TEST_F(BmpImageTest, ADeviceBitmapMadeInBandsDrawsAsItsRows) {
    const auto palette = testdata::MakePalette(256);
    const auto index = [](int x, int y) { return static_cast<uint32_t>((x * 7 + y * 3) & 0xFF); };
    for (const auto& [depth, upsideDown] : {std::pair{24, false}, {24, true}, {8, false}}) {
        const int bitCount = depth;
        const bool topDown = upsideDown;
        const std::string what = std::to_string(bitCount) + (topDown ? " bits top-down" : " bits");
        BmpOptions o;
        o.width = 2100, o.height = 1000, o.bitCount = bitCount, o.topDown = topDown;  // two or more bands
        if (bitCount == 8) {
            o.palette = palette;
        }
        const testdata::PixelFn expected = [&](int x, int y) { return bitCount == 8 ? palette[index(x, y)] : Gradient(x, y); };
        test::WriteFileBytes(m_dir / "bands.bmp", testdata::MakeBmp(o, bitCount == 8 ? testdata::PixelFn(index) : Gradient));
        BmpRead image;
        ASSERT_TRUE(image.Load(m_dir / "bands.bmp", m_screen, DeviceBitmap::kLater)) << what;
        int asked = 0;
        EXPECT_TRUE(image.MakeDeviceBitmap(m_screen, [&] { return ++asked > 1; })) << what;
        EXPECT_EQ(asked, 1) << what;
        EXPECT_TRUE(image.LacksDeviceBitmap()) << what << ": broken off";
        ExpectDrawn(image, expected, what + ", from the rows");
        ASSERT_TRUE(image.MakeDeviceBitmap(m_screen, [&] { return ++asked > 1; })) << what;
        EXPECT_GE(asked, 2) << what << ": in bands";
        EXPECT_FALSE(image.LacksDeviceBitmap()) << what;
        ExpectDrawn(image, expected, what + ", bitmap made in bands");
    }
}

TEST_F(BmpImageTest, TopDownFilesAreShownUpright) {
    const auto palette = testdata::MakePalette(256);
    const auto index = [](int x, int y) { return static_cast<uint32_t>(y * 40 + x); };
    BmpOptions o;
    o.width = 7, o.height = 5, o.topDown = true;
    BmpRead image;
    ASSERT_TRUE(Load(image, testdata::MakeBmp(o, Gradient)));
    EXPECT_EQ(image.GetHeight(), 5);
    EXPECT_EQ(image.GetInfoHeader().biHeight, -5);
    ExpectPixels(image, Gradient, "top-down 24 bits");

    o.bitCount = 8, o.palette = palette;
    ASSERT_TRUE(Load(image, testdata::MakeBmp(o, index)));
    ExpectPixels(image, [&](int x, int y) { return palette[index(x, y)]; }, "top-down 8 bits");

    o.bitCount = 16, o.compression = 3, o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;
    const auto white = [](int x, int y) { return (x + y) % 2 ? testdata::Rgb(255, 255, 255) : testdata::Rgb(0, 0, 255); };
    ASSERT_TRUE(Load(image, testdata::MakeBmp(o, white)));
    ExpectPixels(image, white, "top-down 5-6-5");
}

TEST_F(BmpImageTest, RleFilesAreExpanded) {
    // Runs, literal stretches and single pixels.
    const auto index = [](int x, int y) -> uint32_t { return x < 7 ? y % 16 : (x * 5 + y) % 16; };
    for (int bits : {8, 4}) {
        const auto palette = testdata::MakePalette(1 << bits);
        const std::string file = bits == 8 ? testdata::MakeBmpRle8(21, 6, palette, index)
                                           : testdata::MakeBmpRle4(21, 6, palette, index);
        BmpRead image;
        ASSERT_TRUE(Load(image, file)) << bits;
        EXPECT_EQ(image.GetInfoHeader().biCompression, bits == 8 ? 1u : 2u);
        EXPECT_EQ(image.GetRowBytes(), (21 * bits + 31) / 32 * 4);
        ExpectPixels(image, [&](int x, int y) { return palette[index(x, y)]; }, "RLE" + std::to_string(bits));
    }
}

TEST_F(BmpImageTest, TruncatedFilesLoadWithMissingRowsBlack) {
    // Rows are stored bottom-up: the bytes kept are the bottom rows.
    std::string file = testdata::MakeBmp24(8, 8, Gradient);
    const size_t rowBytes = 24;
    file.resize(54 + 3 * rowBytes + 9);  // three rows and three pixels
    BmpRead image;
    ASSERT_TRUE(Load(image, file));
    ExpectPixels(image, [](int x, int y) { return y >= 5 || (y == 4 && x < 3) ? Gradient(x, y) : 0u; },
                 "truncated bottom-up");

    BmpOptions o;
    o.width = 8, o.height = 8, o.topDown = true;
    std::string topDown = testdata::MakeBmp(o, Gradient);
    topDown.resize(54 + 2 * rowBytes);
    ASSERT_TRUE(Load(image, topDown));
    ExpectPixels(image, [](int x, int y) { return y < 2 ? Gradient(x, y) : 0u; }, "truncated top-down");

    const auto palette = testdata::MakePalette(256);
    std::string rle = testdata::MakeBmpRle8(16, 8, palette, [](int x, int) { return static_cast<uint32_t>(x); });
    rle.resize(54 + 1024 + 50);  // each row is 20 bytes of the stream: two and a half rows
    ASSERT_TRUE(Load(image, rle));
    Canvas canvas(16, 8);
    image.Draw(RECT{0, 0, 16, 8}, RECT{0, 0, 16, 8}, canvas.Dc());
    EXPECT_EQ(canvas.At(3, 7), palette[3]) << "the bottom row is decoded";
    EXPECT_EQ(canvas.At(3, 0), palette[0]) << "the top row was never reached";
}

TEST_F(BmpImageTest, MalformedFilesAreRefusedAndLeaveTheObjectEmpty) {
    const std::string good = testdata::MakeBmp24(4, 4, Gradient);
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        bool word;                // a 16-bit field
        DecodeFailure failure;    // as Load reports it
        uint32_t height = 0;      // also written as biHeight when not 0
    };
    const Case cases[] = {
        {"bad magic", testdata::kOffType, 0x4D43, true, DecodeFailure::kNotAPicture},
        {"header size 13", testdata::kOffHeaderSize, 13, false, DecodeFailure::kBroken},
        {"three bits a pixel", testdata::kOffBitCount, 3, true, DecodeFailure::kBroken},
        {"JPEG pixels", testdata::kOffCompression, 4, false, DecodeFailure::kUnsupported},
        {"no planes", testdata::kOffPlanes, 0, true, DecodeFailure::kBroken},
        {"negative width", testdata::kOffWidth, static_cast<uint32_t>(-4), false, DecodeFailure::kBroken},
        {"zero height", testdata::kOffHeight, 0, false, DecodeFailure::kBroken},
        {"huge width", testdata::kOffWidth, 0x7FFFFFFF, false, DecodeFailure::kTooLarge},
        {"huge height", testdata::kOffHeight, 0x7FFFFFFF, false, DecodeFailure::kTooLarge},
        {"most negative height", testdata::kOffHeight, 0x80000000, false, DecodeFailure::kBroken},
        {"a gigabyte of rows", testdata::kOffWidth, 20000, false, DecodeFailure::kTooLarge, 20000},
        {"RLE8 on 24 bits", testdata::kOffCompression, 1, false, DecodeFailure::kBroken},
    };
    BmpRead image;
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(image, good));
        std::string file = good;
        if (c.word) {
            testdata::Poke16(file, c.offset, static_cast<uint16_t>(c.value));
        } else {
            testdata::Poke32(file, c.offset, c.value);
        }
        if (c.height != 0) {
            testdata::Poke32(file, testdata::kOffHeight, c.height);
        }
        EXPECT_FALSE(Load(image, file)) << c.what;
        EXPECT_EQ(image.LastFailure(), c.failure) << c.what;
        EXPECT_FALSE(image.IsLoaded()) << c.what;
        EXPECT_EQ(image.GetWidth(), 0) << c.what;
        EXPECT_EQ(image.GetHeight(), 0) << c.what;
        EXPECT_EQ(image.GetBitCount(), 0) << c.what;
        EXPECT_EQ(image.GetRowBytes(), 0) << c.what;
    }
    for (size_t size : {size_t{0}, size_t{2}, size_t{14}, size_t{53}}) {
        EXPECT_FALSE(Load(image, good.substr(0, size))) << size << " bytes";
        EXPECT_EQ(image.LastFailure(), DecodeFailure::kBroken) << size << " bytes";
    }
    const auto palette = testdata::MakePalette(256);
    EXPECT_FALSE(Load(image, testdata::MakeBmpIndexed(8, 4, 4, palette, Gradient).substr(0, 54 + 512)))
        << "cut inside the colour table";
    EXPECT_FALSE(image.Load(m_dir / "missing.bmp", m_screen));
    EXPECT_EQ(image.LastFailure(), DecodeFailure::kReadError);
    EXPECT_FALSE(image.Load(m_dir.Path(), m_screen)) << "a folder";
    EXPECT_EQ(image.LastFailure(), DecodeFailure::kReadError);
    ASSERT_TRUE(Load(image, good));
    EXPECT_EQ(image.LastFailure(), std::nullopt);
}

// The sides a header names, read without loading: also of a picture too large to load,
// or of a file another handle holds open for reading.
TEST_F(BmpImageTest, HeaderSizeIsReadWithoutLoading) {
    std::string huge = testdata::MakeBmp24(4, 4, Gradient);
    testdata::Poke32(huge, testdata::kOffWidth, 20000);
    testdata::Poke32(huge, testdata::kOffHeight, static_cast<uint32_t>(-30000));
    test::WriteFileBytes(m_dir / "huge.bmp", huge);
    test::WriteFileBytes(m_dir / "text.bmp", "not a picture at all");
    EXPECT_EQ(CBmpImage::ReadHeaderSize(m_dir / "huge.bmp"), (PictureSize{20000, 30000}));
    EXPECT_EQ(CBmpImage::ReadHeaderSize(m_dir / "text.bmp"), std::nullopt);
    EXPECT_EQ(CBmpImage::ReadHeaderSize(m_dir / "missing.bmp"), std::nullopt);
    HANDLE reader = ::CreateFileA((m_dir / "huge.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
    EXPECT_EQ(CBmpImage::ReadHeaderSize(m_dir / "huge.bmp"), (PictureSize{20000, 30000})) << "shared for reading";
    ::CloseHandle(reader);
    HANDLE locked = ::CreateFileA((m_dir / "huge.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(CBmpImage::ReadHeaderSize(m_dir / "huge.bmp"), std::nullopt) << "locked against reading";
    ::CloseHandle(locked);
}

TEST_F(BmpImageTest, LongStripsBeyondSixteenBitSidesAreShown) {
    const auto color = [](int x, int y) { return testdata::Rgb(x / 300, (x * 7) & 0xFF, y * 100); };
    BmpRead image;
    ASSERT_TRUE(Load(image, testdata::MakeBmp24(70000, 2, color)));
    EXPECT_EQ(image.GetWidth(), 70000);
    Canvas canvas(4, 2);
    image.Draw(RECT{69996, 0, 70000, 2}, RECT{0, 0, 4, 2}, canvas.Dc());
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(canvas.At(x, 1), color(69996 + x, 1)) << x;
    }
}

namespace {

std::string SuiteDir() {
    std::string dir = std::string("Z:") + IXO_SOURCE_DIR + "/../shared/corpus/bmpsuite";
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

}  // namespace

// The independent suite through the viewer's picture: what GDI shows is its reference.
TEST_F(BmpImageTest, SuiteFilesShowAsTheirReferences) {
    std::string error;
    const std::vector<testdata::SuiteFile> index = testdata::ReadSuiteIndex(SuiteDir(), &error);
    ASSERT_FALSE(index.empty()) << "the BMP suite is missing: " << error;
    const auto& refused = testdata::RefusedSuiteFiles();
    for (const testdata::SuiteFile& f : index) {
        const std::string path = SuiteDir() + "\\" + f.file;
        BmpRead image;
        const bool loaded = image.Load(path, m_screen);
        if (f.set == "b") {
            continue;  // refused or read: either way without a crash
        }
        ASSERT_EQ(loaded, refused.count(f.file) == 0) << f.file;
        if (!loaded) {
            continue;
        }
        const int w = image.GetWidth();
        const int h = image.GetHeight();
        Canvas canvas(w, h);
        image.Draw(RECT{0, 0, w, h}, RECT{0, 0, w, h}, canvas.Dc());
        std::string why;
        const std::string match = testdata::MatchingReference(
            SuiteDir(), f, w, h, [&](int x, int y) { return canvas.At(x, y); }, testdata::SuiteTolerance(f), &why);
        EXPECT_FALSE(match.empty()) << f.file << ": " << why;
    }
}

TEST_F(BmpImageTest, FileHeldOpenByAnotherHandleIsRefused) {
    const std::string path = m_dir / "held.bmp";
    test::WriteFileBytes(path, testdata::MakeBmp24(3, 3, Gradient));
    HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    BmpRead image;
    EXPECT_FALSE(image.Load(path, m_screen));
    EXPECT_EQ(image.LastFailure(), DecodeFailure::kReadError);
    EXPECT_EQ(image.GetWidth(), 0);
    ::CloseHandle(other);
    EXPECT_TRUE(image.Load(path, m_screen));
    // The loaded picture does not keep the file open.
    HANDLE after = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(after, INVALID_HANDLE_VALUE);
    ::CloseHandle(after);
}

TEST_F(BmpImageTest, DrawStretchesAndClipsTheSource) {
    BmpRead image;
    ASSERT_TRUE(Load(image, testdata::MakeBmp24(4, 3, Gradient)));
    {
        Canvas canvas(12, 6);
        image.Draw(RECT{0, 0, 4, 3}, RECT{0, 0, 12, 6}, canvas.Dc());
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 12; ++x) {
                ASSERT_EQ(canvas.At(x, y), Gradient(x / 3, y / 2)) << "x3/x2 at " << x << "," << y;
            }
        }
    }
    {
        // Source rectangle (1, 1)-(3, 3) at (5, 4); everything else stays as it was.
        Canvas canvas(10, 8);
        image.Draw(RECT{1, 1, 3, 3}, RECT{5, 4, 7, 6}, canvas.Dc());
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 5 && x < 7 && y >= 4 && y < 6;
                ASSERT_EQ(canvas.At(x, y), inside ? Gradient(x - 4, y - 3) : kSentinel) << x << "," << y;
            }
        }
    }
    {
        // Reversed rectangles are drawn with their absolute sizes from their left/top corner, unmirrored.
        Canvas canvas(8, 8);
        image.Draw(RECT{0, 0, -2, -2}, RECT{3, 3, 1, 1}, canvas.Dc());
        EXPECT_EQ(canvas.At(3, 3), Gradient(0, 0));
        EXPECT_EQ(canvas.At(4, 4), Gradient(1, 1));
        EXPECT_EQ(canvas.At(5, 5), kSentinel);
        EXPECT_EQ(canvas.At(2, 2), kSentinel);
    }
}

TEST_F(BmpImageTest, DrawRestoresTheStretchModeAndSelectsThePalette) {
    const auto palette = testdata::MakePalette(4);
    BmpRead image;
    ASSERT_TRUE(Load(image, testdata::MakeBmpIndexed(8, 2, 2, palette, [](int x, int y) { return x + 2 * y; })));
    Canvas canvas(4, 4);
    ::SetStretchBltMode(canvas.Dc(), HALFTONE);
    const HGDIOBJ defaultPalette = ::GetCurrentObject(canvas.Dc(), OBJ_PAL);
    // Stretched 2x, every pixel keeps its palette colour whole.
    image.Draw(RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, canvas.Dc());
    EXPECT_EQ(::GetStretchBltMode(canvas.Dc()), HALFTONE);
    EXPECT_NE(::GetCurrentObject(canvas.Dc(), OBJ_PAL), defaultPalette);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(canvas.At(x, y), palette[x / 2 + 2 * (y / 2)]) << x << "," << y;
        }
    }
}

TEST_F(BmpImageTest, FreeAndReloadReplaceThePicture) {
    BmpRead image;
    Canvas canvas(2, 2);
    image.Draw(RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, canvas.Dc());
    EXPECT_EQ(canvas.At(0, 0), kSentinel) << "nothing held, nothing drawn";
    image.Free();
    ASSERT_TRUE(Load(image, testdata::MakeBmp24(5, 5, Gradient), "a.bmp"));
    const auto red = [](int, int) { return testdata::Rgb(255, 0, 0); };
    ASSERT_TRUE(Load(image, testdata::MakeBmp24(2, 3, red), "b.bmp"));
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetHeight(), 3);
    ExpectPixels(image, red, "second picture");
    image.Free();
    image.Free();
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.GetInfoHeader().biWidth, 0);
    image.Draw(RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, canvas.Dc());
    EXPECT_EQ(canvas.At(1, 1), kSentinel);
}
