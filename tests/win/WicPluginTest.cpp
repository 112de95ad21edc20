// IXWIC.SPI (IXWIC.SPH in the 64-bit tree) loaded from the build's dist folder and called
// through its exports, on pictures encoded in the test by the platform's own WIC encoders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "image/SpiApi.h"
#include "tests/data/HeaderFiles.h"
#include "tests/data/OtherHeaderFiles.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

struct WicPlugin {
    HMODULE module = nullptr;
    SpiGetPluginInfoFn getPluginInfo = nullptr;
    SpiIsSupportedFn isSupported = nullptr;
    SpiGetPictureInfoFn getPictureInfo = nullptr;
    SpiGetPictureFn getPicture = nullptr;
};

// A decoded picture, read out of the plug-in's handles after checking they describe
// a bottom-up 24-bit DIB whose bits handle holds every row.
struct Dib {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits;

    // 0xRRGGBB of pixel (x, y) counted from the top left.
    uint32_t Pixel(int x, int y) const {
        const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
        const uint8_t* p = &bits[(static_cast<size_t>(height) - 1 - y) * rowBytes + static_cast<size_t>(x) * 3];
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }
};

class WicPluginTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string path = test::BuildDir() + "\\dist\\SPI\\IXWIC." + kSpiPluginExtension;
        s_plugin.module = ::LoadLibraryA(path.c_str());
        ASSERT_NE(s_plugin.module, nullptr) << path << " error " << ::GetLastError();
        s_plugin.getPluginInfo = Export<SpiGetPluginInfoFn>("GetPluginInfo");
        s_plugin.isSupported = Export<SpiIsSupportedFn>("IsSupported");
        s_plugin.getPictureInfo = Export<SpiGetPictureInfoFn>("GetPictureInfo");
        s_plugin.getPicture = Export<SpiGetPictureFn>("GetPicture");
    }
    template <typename Fn>
    static Fn Export(const char* name) {
        // Through void*: the exports' real types are only known to the header.
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(s_plugin.module, name)));
    }
    static void TearDownTestSuite() {
        if (s_plugin.module != nullptr) {
            ::FreeLibrary(s_plugin.module);
        }
        s_plugin = WicPlugin{};
    }
    void SetUp() override {
        ASSERT_TRUE(s_plugin.getPluginInfo && s_plugin.isSupported && s_plugin.getPictureInfo && s_plugin.getPicture);
    }

    // Whether one of the plug-in's filters names the wildcard ("*.webp"): a decoder of
    // such files is installed.
    static bool HasFilter(const std::string& wildcard) {
        for (int number = 2; number < 200; number += 2) {
            std::string filter = Info(number);
            if (filter.empty()) {
                break;
            }
            ::CharLowerA(filter.data());
            if ((";" + filter + ";").find(";" + wildcard + ";") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    static std::string Info(int number, int buflen = 260) {
        std::vector<char> buf(static_cast<size_t>(buflen) + 8, '#');
        const int length = s_plugin.getPluginInfo(number, buf.data(), buflen);
        EXPECT_GE(length, 0);
        EXPECT_LT(length, buflen);
        EXPECT_EQ(buf[static_cast<size_t>(length)], '\0') << "number " << number;
        return length > 0 ? std::string(buf.data(), static_cast<size_t>(length)) : std::string();
    }

    // Calls GetPicture and reads the result into dib; returns the plug-in's result code.
    static int Decode(const std::string& bufText, LONG_PTR len, unsigned int flag, Dib& dib,
                      SpiProgressCallback progress = nullptr, LONG_PTR lData = 0) {
        HLOCAL info = nullptr, bits = nullptr;
        const int result = s_plugin.getPicture(const_cast<char*>(bufText.data()), len, flag, &info, &bits, progress,
                                               lData);
        if (result != kSpiSuccess) {
            return result;
        }
        ReadDib(info, bits, dib);
        ::LocalFree(info);
        ::LocalFree(bits);
        return result;
    }

    static int DecodeMemory(const std::string& bytes, Dib& dib) {
        return Decode(bytes, static_cast<LONG_PTR>(bytes.size()), kSpiInputMemory, dib);
    }

    static void ReadDib(HLOCAL info, HLOCAL bits, Dib& dib) {
        ASSERT_NE(info, nullptr);
        ASSERT_NE(bits, nullptr);
        ASSERT_GE(::LocalSize(info), sizeof(BITMAPINFOHEADER));
        const auto* header = static_cast<const BITMAPINFOHEADER*>(::LocalLock(info));
        const BITMAPINFOHEADER copy = *header;
        ::LocalUnlock(info);
        EXPECT_EQ(copy.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(copy.biBitCount, 24);
        EXPECT_EQ(copy.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(copy.biPlanes, 1);
        ASSERT_GT(copy.biWidth, 0);
        ASSERT_GT(copy.biHeight, 0) << "a bottom-up DIB";
        const uint64_t rowBytes = (uint64_t(copy.biWidth) * 3 + 3) / 4 * 4;
        const uint64_t needed = rowBytes * uint64_t(copy.biHeight);
        ASSERT_GE(::LocalSize(bits), needed);
        dib.width = copy.biWidth;
        dib.height = copy.biHeight;
        const auto* bytes = static_cast<const uint8_t*>(::LocalLock(bits));
        dib.bits.assign(bytes, bytes + needed);
        ::LocalUnlock(bits);
    }

    static WicPlugin s_plugin;
};

WicPlugin WicPluginTest::s_plugin;

std::string Encode(test::WicFormat format, uint32_t width, uint32_t height, const test::ArgbFunction& argb) {
    std::string why;
    std::string bytes = test::EncodeWithWic(format, width, height, argb, &why);
    EXPECT_FALSE(bytes.empty()) << "WIC encoder: " << why;
    return bytes;
}

// Four 16-pixel-aligned blocks: red, green / blue, white.
uint32_t Quadrants(int x, int y) {
    return y < 32 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kWhite);
}

bool Near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance) {
            return false;
        }
    }
    return true;
}

// Every pixel of dib against argb's colour (alpha dropped); skips `margin` pixels on
// either side of a colour edge, where a lossy coder may blur.
void ExpectPixels(const Dib& dib, const test::ArgbFunction& argb, int tolerance, int margin = 0) {
    int failures = 0;
    for (int y = 0; y < dib.height && failures < 5; ++y) {
        for (int x = 0; x < dib.width && failures < 5; ++x) {
            const uint32_t expected = argb(x, y) & 0xFFFFFF;
            bool nearEdge = false;
            for (int d = -margin; d <= margin && !nearEdge; ++d) {
                nearEdge = (x + d >= 0 && x + d < dib.width && (argb(x + d, y) & 0xFFFFFF) != expected) ||
                           (y + d >= 0 && y + d < dib.height && (argb(x, y + d) & 0xFFFFFF) != expected);
            }
            if (!nearEdge && !Near(dib.Pixel(x, y), expected, tolerance)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << dib.Pixel(x, y)
                              << ", expected " << expected;
                ++failures;
            }
        }
    }
}

TEST_F(WicPluginTest, ReportsVersionNameAndInstalledFilters) {
    EXPECT_EQ(Info(0, 5), "00IN");
    EXPECT_EQ(Info(0, 3), "00") << "cut to buflen - 1 and terminated";
    EXPECT_NE(Info(1).find("IXWIC"), std::string::npos);

    std::string all;
    int number = 2;
    for (; number < 200; number += 2) {
        const std::string filter = Info(number);
        if (filter.empty()) {
            break;
        }
        EXPECT_EQ(filter.rfind("*.", 0), 0u) << filter;
        EXPECT_EQ(filter.find(','), std::string::npos) << filter;
        EXPECT_FALSE(Info(number + 1).empty()) << "a description for " << filter;
        all += ";" + filter + ";";
    }
    EXPECT_LT(number, 200) << "the list ends";
    EXPECT_EQ(Info(number + 1), "");
    CharLowerA(all.data());
    for (const char* wanted : {";*.jpg;", ";*.jpeg;", ";*.png;", ";*.gif;", ";*.tif;", ";*.tiff;", ";*.ico;"}) {
        EXPECT_NE(all.find(wanted), std::string::npos) << wanted << " in " << all;
    }
    EXPECT_EQ(all.find(";*.bmp;"), std::string::npos) << "BMP is the viewer's own";
}

TEST_F(WicPluginTest, RecognisesPicturesByContent) {
    const std::string jpeg = Encode(test::WicFormat::kJpeg, 8, 8, Quadrants);
    const std::string png = Encode(test::WicFormat::kPng, 8, 8, Quadrants);
    for (const std::string& picture : {jpeg, png, Encode(test::WicFormat::kGif, 8, 8, Quadrants),
                                       Encode(test::WicFormat::kTiff, 8, 8, Quadrants)}) {
        std::string header = picture.substr(0, 2048);
        header.resize(2048, '\0');
        EXPECT_NE(s_plugin.isSupported(const_cast<char*>("x"), reinterpret_cast<DWORD_PTR>(header.data())), 0)
            << header.substr(0, 4);
    }
    std::string garbage(2048, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>('A' + i % 26);
    }
    EXPECT_EQ(s_plugin.isSupported(const_cast<char*>("x"), reinterpret_cast<DWORD_PTR>(garbage.data())), 0);
    std::string bmp = "BM" + garbage.substr(2);
    EXPECT_EQ(s_plugin.isSupported(const_cast<char*>("x"), reinterpret_cast<DWORD_PTR>(bmp.data())), 0);

    // A legacy caller hands over an open file: answered from its content, position kept.
    test::TempDir dir("ixwic");
    test::WriteFileBytes(dir / "a.png", png);
    HANDLE file = ::CreateFileA((dir / "a.png").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const auto handle = reinterpret_cast<DWORD_PTR>(file);
    ASSERT_TRUE(SpiDataIsFileHandle(handle));
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    EXPECT_NE(s_plugin.isSupported(const_cast<char*>("a.png"), handle), 0);
    EXPECT_EQ(::SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u);
    ::CloseHandle(file);
}

TEST_F(WicPluginTest, DecodesEncodedPictures) {
    struct Case {
        test::WicFormat format;
        const char* name;
        int tolerance;
        int margin;
    };
    // JPEG is lossy: near the block edges colours bleed, elsewhere they stay close.
    for (const Case& c : {Case{test::WicFormat::kJpeg, "jpeg", 24, 4}, Case{test::WicFormat::kPng, "png", 0, 0},
                          Case{test::WicFormat::kGif, "gif", 0, 0}, Case{test::WicFormat::kTiff, "tiff", 0, 0}}) {
        SCOPED_TRACE(c.name);
        const std::string bytes = Encode(c.format, 64, 48, Quadrants);
        PictureInfo info = {};
        ASSERT_EQ(s_plugin.getPictureInfo(const_cast<char*>(bytes.data()), static_cast<LONG_PTR>(bytes.size()),
                                          kSpiInputMemory, &info),
                  kSpiSuccess);
        EXPECT_EQ(info.width, 64);
        EXPECT_EQ(info.height, 48);
        EXPECT_GT(info.colorDepth, 0);
        EXPECT_EQ(info.hInfo, nullptr);
        Dib dib;
        ASSERT_EQ(DecodeMemory(bytes, dib), kSpiSuccess);
        ASSERT_EQ(dib.width, 64);
        ASSERT_EQ(dib.height, 48);
        ExpectPixels(dib, Quadrants, c.tolerance, c.margin);
    }
}

TEST_F(WicPluginTest, CompositesTransparencyOnBlack) {
    // Columns: fully transparent, half-transparent, opaque; rows: red, white.
    const auto argb = [](int x, int y) -> uint32_t {
        const uint32_t alpha = x < 4 ? 0x00 : (x < 8 ? 0x80 : 0xFF);
        return (alpha << 24) | (y < 4 ? 0xFF0000 : 0xFFFFFF);
    };
    const std::string png = Encode(test::WicFormat::kPng, 13, 8, argb);
    Dib dib;
    ASSERT_EQ(DecodeMemory(png, dib), kSpiSuccess);
    ASSERT_EQ(dib.width, 13);
    const auto onBlack = [](int x, int y) -> uint32_t {
        const uint32_t level = x < 4 ? 0x00 : (x < 8 ? 0x80 : 0xFF);
        return y < 4 ? level << 16 : level * 0x010101;
    };
    ExpectPixels(dib, onBlack, 1);
}

TEST_F(WicPluginTest, ReadsFilesFromAnOffsetAndMemoryAlike) {
    const auto stripes = [](int x, int y) -> uint32_t { return 0xFF000000u | (x * 7 << 16) | (y * 5 << 8) | 0x40; };
    const std::string png = Encode(test::WicFormat::kPng, 30, 20, stripes);
    test::TempDir dir("ixwic");
    test::WriteFileBytes(dir / "plain.png", png);
    const std::string junk(777, '\x5A');
    test::WriteFileBytes(dir / "packed.bin", junk + png);

    Dib fromMemory, fromFile, fromOffset;
    ASSERT_EQ(DecodeMemory(png, fromMemory), kSpiSuccess);
    ASSERT_EQ(Decode(dir / "plain.png", 0, kSpiInputFile, fromFile), kSpiSuccess);
    ASSERT_EQ(Decode(dir / "packed.bin", static_cast<LONG_PTR>(junk.size()), kSpiInputFile, fromOffset), kSpiSuccess);
    ExpectPixels(fromMemory, stripes, 0);
    EXPECT_EQ(fromFile.bits, fromMemory.bits);
    EXPECT_EQ(fromOffset.bits, fromMemory.bits);

    PictureInfo info = {};
    std::string packed = dir / "packed.bin";
    EXPECT_EQ(s_plugin.getPictureInfo(packed.data(), static_cast<LONG_PTR>(junk.size()), kSpiInputFile, &info),
              kSpiSuccess);
    EXPECT_EQ(info.width, 30);
    EXPECT_EQ(info.height, 20);
    EXPECT_NE(s_plugin.getPictureInfo(packed.data(), 0, kSpiInputFile, &info), kSpiSuccess) << "junk at offset 0";
}

// The wide exports open the file of exactly the name given, which the ANSI code page may not
// hold: here its best-fit look-alike is another picture. They read memory input alike.
TEST_F(WicPluginTest, WideExportsOpenTheFileOfTheExactName) {
    const auto isSupportedW = Export<SpiIsSupportedWFn>("IsSupportedW");
    const auto getPictureInfoW = Export<SpiGetPictureInfoWFn>("GetPictureInfoW");
    const auto getPictureW = Export<SpiGetPictureWFn>("GetPictureW");
    const auto getPreviewW = Export<SpiGetPictureWFn>("GetPreviewW");
    ASSERT_TRUE(isSupportedW && getPictureInfoW && getPictureW && getPreviewW);
    const auto red = [](int, int) { return kRed; };
    const std::string png = Encode(test::WicFormat::kPng, 5, 3, red);
    test::TempDir dir("ixwicw");
    const std::wstring base(dir.Path().begin(), dir.Path().end());  // an ASCII temporary path
    const std::wstring path = base + L"\\caf\u00E9.png";
    test::WriteFileBytes(path, png);
    test::WriteFileBytes(dir / "cafe.png", Encode(test::WicFormat::kPng, 9, 9, [](int, int) { return kBlue; }));

    std::string header = png;
    header.resize(2048);
    EXPECT_EQ(isSupportedW(path.c_str(), reinterpret_cast<DWORD_PTR>(header.data())), 1);
    PictureInfo info = {};
    ASSERT_EQ(getPictureInfoW(path.c_str(), 0, kSpiInputFile, &info), kSpiSuccess);
    EXPECT_EQ(info.width, 5);
    EXPECT_EQ(info.height, 3);
    for (const unsigned int flag : {kSpiInputFile, kSpiInputMemory}) {
        SCOPED_TRACE(flag);
        const bool memory = flag == kSpiInputMemory;
        const auto* buf = memory ? reinterpret_cast<LPCWSTR>(png.data()) : path.c_str();
        const auto len = memory ? static_cast<LONG_PTR>(png.size()) : 0;
        HLOCAL infoHandle = nullptr, bits = nullptr;
        ASSERT_EQ(getPictureW(buf, len, flag, &infoHandle, &bits, nullptr, 0), kSpiSuccess);
        Dib dib;
        ReadDib(infoHandle, bits, dib);
        ::LocalFree(infoHandle);
        ::LocalFree(bits);
        EXPECT_EQ(dib.width, 5);
        ExpectPixels(dib, red, 0);
    }
    const std::wstring missing = base + L"\\\uD55C\uAE00.png";
    EXPECT_EQ(getPictureInfoW(missing.c_str(), 0, kSpiInputFile, &info), kSpiFileReadError);
    HLOCAL infoHandle = nullptr, bits = nullptr;
    EXPECT_EQ(getPreviewW(path.c_str(), 0, kSpiInputFile, &infoHandle, &bits, nullptr, 0), kSpiNotImplemented);
}

// A JPEG with an EXIF block naming `orientation`, inserted right after its start marker.
std::string WithExifOrientation(const std::string& jpeg, uint16_t orientation) {
    const unsigned char exif[] = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,
                                  'M', 'M', 0, 42, 0, 0, 0, 8,                        // big-endian TIFF, IFD at 8
                                  0, 1,                                               // one entry
                                  0x01, 0x12, 0, 3, 0, 0, 0, 1,                       // Orientation, SHORT, 1 value
                                  static_cast<unsigned char>(orientation >> 8), static_cast<unsigned char>(orientation),
                                  0, 0, 0, 0, 0, 0};
    return jpeg.substr(0, 2) + std::string(reinterpret_cast<const char*>(exif), sizeof exif) + jpeg.substr(2);
}

TEST_F(WicPluginTest, JpegOrientationTurnsThePictureAndItsReportedSize) {
    const std::string jpeg = WithExifOrientation(Encode(test::WicFormat::kJpeg, 64, 48, Quadrants), 6);
    PictureInfo info = {};
    ASSERT_EQ(s_plugin.getPictureInfo(const_cast<char*>(jpeg.data()), static_cast<LONG_PTR>(jpeg.size()),
                                      kSpiInputMemory, &info),
              kSpiSuccess);
    EXPECT_EQ(info.width, 48);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(info.colorDepth, 24);
    // Orientation 6: the stored picture is shown turned a quarter clockwise.
    const auto turned = [](int x, int y) { return Quadrants(y, 47 - x); };
    Dib dib;
    ASSERT_EQ(DecodeMemory(jpeg, dib), kSpiSuccess);
    ASSERT_EQ(dib.width, 48);
    ASSERT_EQ(dib.height, 64);
    ExpectPixels(dib, turned, 24, 4);

    test::TempDir dir("ixwic");
    const std::string junk(100, '\0');
    test::WriteFileBytes(dir / "packed.bin", junk + jpeg);
    std::string packed = dir / "packed.bin";
    ASSERT_EQ(s_plugin.getPictureInfo(packed.data(), static_cast<LONG_PTR>(junk.size()), kSpiInputFile, &info),
              kSpiSuccess);
    EXPECT_EQ(info.width, 48);
    Dib fromFile;
    ASSERT_EQ(Decode(packed, static_cast<LONG_PTR>(junk.size()), kSpiInputFile, fromFile), kSpiSuccess);
    EXPECT_EQ(fromFile.bits, dib.bits);
}

int WINAPI CountProgress(int num, int denom, LONG_PTR lData) {
    auto* calls = reinterpret_cast<std::vector<std::pair<int, int>>*>(lData);
    calls->emplace_back(num, denom);
    return 0;
}

int WINAPI AbortAfterFirst(int num, int, LONG_PTR) {
    return num > 0 ? 1 : 0;
}

TEST_F(WicPluginTest, ReportsProgressAndStopsWhenAsked) {
    // Tall enough for several strips of the conversion.
    const auto argb = [](int x, int y) -> uint32_t { return 0xFF000000u | ((x ^ y) & 0xFF) * 0x010101u; };
    const std::string png = Encode(test::WicFormat::kPng, 1024, 2048, argb);
    std::vector<std::pair<int, int>> calls;
    Dib dib;
    ASSERT_EQ(Decode(png, static_cast<LONG_PTR>(png.size()), kSpiInputMemory, dib, CountProgress,
                     reinterpret_cast<LONG_PTR>(&calls)),
              kSpiSuccess);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), std::make_pair(0, 2048));
    EXPECT_EQ(calls.back(), std::make_pair(2048, 2048));
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GT(calls[i].first, calls[i - 1].first);
    }

    HLOCAL info = reinterpret_cast<HLOCAL>(1), bits = reinterpret_cast<HLOCAL>(1);
    EXPECT_EQ(s_plugin.getPicture(const_cast<char*>(png.data()), static_cast<LONG_PTR>(png.size()), kSpiInputMemory,
                                  &info, &bits, AbortAfterFirst, 0),
              kSpiAborted);
    EXPECT_EQ(info, reinterpret_cast<HLOCAL>(1)) << "nothing handed out after an abort";
}

TEST_F(WicPluginTest, RefusesBrokenInputWithAnErrorCode) {
    const std::string jpeg = Encode(test::WicFormat::kJpeg, 64, 64, Quadrants);
    const std::string png = Encode(test::WicFormat::kPng, 64, 64, Quadrants);
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 37 + 11);
    }
    Dib dib;
    EXPECT_EQ(DecodeMemory(garbage, dib), kSpiUnknownFormat);
    PictureInfo info = {};
    EXPECT_EQ(s_plugin.getPictureInfo(garbage.data(), static_cast<LONG_PTR>(garbage.size()), kSpiInputMemory, &info),
              kSpiUnknownFormat);
    for (const std::string& truncated : {jpeg.substr(0, 200), png.substr(0, png.size() / 2), png.substr(0, 30),
                                         jpeg.substr(0, 3)}) {
        EXPECT_NE(DecodeMemory(truncated, dib), kSpiSuccess) << truncated.size() << " bytes";
    }

    test::TempDir dir("ixwic");
    test::WriteFileBytes(dir / "short.png", png.substr(0, png.size() / 2));
    test::WriteFileBytes(dir / "empty.jpg", "");
    EXPECT_NE(Decode(dir / "short.png", 0, kSpiInputFile, dib), kSpiSuccess);
    EXPECT_NE(Decode(dir / "empty.jpg", 0, kSpiInputFile, dib), kSpiSuccess);
    EXPECT_EQ(Decode(dir / "missing.png", 0, kSpiInputFile, dib), kSpiFileReadError);
    EXPECT_EQ(Decode(dir / "short.png", 1 << 20, kSpiInputFile, dib), kSpiFileReadError) << "offset past the end";
}

TEST_F(WicPluginTest, RefusesPicturesTooLargeForTheProcess) {
#ifdef _WIN64
    GTEST_SKIP() << "Wine's PNG decoder reserves the whole picture when it opens it, which only a 32-bit address "
                    "space refuses; RefusesPicturesAboveItsOutputLimit covers the plug-in's own limit";
#endif
    const std::string png = test::MakePngClaimingSize(60000, 60000);
    PictureInfo info = {};
    const int infoResult = s_plugin.getPictureInfo(const_cast<char*>(png.data()), static_cast<LONG_PTR>(png.size()),
                                                   kSpiInputMemory, &info);
    if (infoResult == kSpiSuccess) {
        EXPECT_EQ(info.width, 60000);
    }
    Dib dib;
    EXPECT_EQ(DecodeMemory(png, dib), kSpiOutOfMemory);
}

// The sides of a picture, as reported and as handed out: the TIFF's own directory names
// the orientation, the GIF's screen is larger than its first picture.
TEST_F(WicPluginTest, InformationFromTheHeaderAgreesWithThePicture) {
    const std::string tiff = test::MakeTiffWithOrientation(64, 48, 6, Quadrants);
    std::string gif = Encode(test::WicFormat::kGif, 64, 48, Quadrants);
    ASSERT_GT(gif.size(), 10u);
    gif[6] = 100, gif[8] = 80;  // the screen descriptor's width and height
    const auto turned = [](int x, int y) { return Quadrants(y, 47 - x); };
    struct Case {
        const char* name;
        std::string bytes;
        int width;
        int height;
        test::ArgbFunction argb;
    };
    for (const Case& c : {Case{"tiff", tiff, 48, 64, turned}, Case{"gif", gif, 64, 48, Quadrants}}) {
        SCOPED_TRACE(c.name);
        test::TempDir dir("ixwic");
        test::WriteFileBytes(dir / "picture", c.bytes);
        std::string path = dir / "picture";
        PictureInfo info = {};
        ASSERT_EQ(s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info), kSpiSuccess);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        Dib dib;
        ASSERT_EQ(Decode(path, 0, kSpiInputFile, dib), kSpiSuccess);
        ASSERT_EQ(dib.width, c.width);
        ASSERT_EQ(dib.height, c.height);
        ExpectPixels(dib, c.argb, 0);
    }
}

TEST_F(WicPluginTest, AnswersBrokenDataForADamagedPictureOfAKnownFormat) {
    const std::string png = Encode(test::WicFormat::kPng, 16, 16, Quadrants);
    std::string badChecksum = png;
    badChecksum[29] ^= 0x40;  // inside the header chunk's checksum
    std::string tiff = test::MakeTiffWithOrientation(8, 8, 1, Quadrants);
    tiff[7] = 0x70;  // the first directory far past the end
    std::string noise(300, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>(i * 73 + 5);
    }
    const std::string cases[] = {
        png.substr(0, 20),
        badChecksum,
        Encode(test::WicFormat::kGif, 16, 16, Quadrants).substr(0, 13),
        tiff,
        "\xFF\xD8\xFF" + noise,
        std::string("\0\0\x01\0", 4) + noise,
    };
    test::TempDir dir("ixwic");
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(&bytes - cases);
        test::WriteFileBytes(dir / "damaged", bytes);
        std::string path = dir / "damaged";
        PictureInfo info = {};
        EXPECT_EQ(s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info), kSpiBrokenData);
        EXPECT_EQ(s_plugin.getPictureInfo(const_cast<char*>(bytes.data()), static_cast<LONG_PTR>(bytes.size()),
                                          kSpiInputMemory, &info),
                  kSpiBrokenData);
        Dib dib;
        EXPECT_EQ(Decode(path, 0, kSpiInputFile, dib), kSpiBrokenData);
        EXPECT_EQ(DecodeMemory(bytes, dib), kSpiBrokenData);
    }
}

// Damage past the header: the header tells the size, and the system's decoder, which takes
// the data as its own, refuses it.
TEST_F(WicPluginTest, AnswersBrokenDataForPixelsItsDecoderRefuses) {
    const auto detail = [](int x, int y) -> uint32_t { return 0xFF000000u | (x * 3 << 16) | (y * 5); };
    std::string jpeg = Encode(test::WicFormat::kJpeg, 64, 48, detail);
    const size_t frame = jpeg.find("\xFF\xC0"), table = jpeg.find("\xFF\xC4");
    ASSERT_TRUE(frame < table && table != std::string::npos) << "the Huffman tables follow the frame header";
    jpeg.replace(table + 5, 16, std::string(16, '\xFF'));  // code counts no table can hold
    const std::string png = Encode(test::WicFormat::kPng, 64, 48, Quadrants);
    test::TempDir dir("ixwic");
    for (const std::string& bytes : {jpeg, png.substr(0, png.size() / 2)}) {
        SCOPED_TRACE(bytes[0] == '\xFF' ? "jpeg" : "png");
        test::WriteFileBytes(dir / "damaged.jpg", bytes);
        std::string path = dir / "damaged.jpg";
        PictureInfo info = {};
        ASSERT_EQ(s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info), kSpiSuccess);
        EXPECT_EQ(info.width, 64);
        Dib dib;
        EXPECT_EQ(Decode(path, 0, kSpiInputFile, dib), kSpiBrokenData);
        EXPECT_EQ(DecodeMemory(bytes, dib), kSpiBrokenData);
    }
}

// Pictures of formats no decoder here reads: never "unknown format" or "broken", reported
// at the size their header names where it names one, and their decoding "not implemented"
// (which tells a caller to try another plug-in). Wine installs none of these decoders.
TEST_F(WicPluginTest, PicturesWithoutADecoderHereAreReportedByTheirHeader) {
    // A TIFF the system decodes, made a camera raw file's preview: its first directory leads
    // to sub-directories (the entry of tag 284 becomes SubIFDs, 330, pointing at itself).
    std::string raw = test::MakeTiffWithOrientation(8, 8, 1, Quadrants);
    const size_t planar = raw.find(std::string("\x1C\x01\x03\x00\x01\x00\x00\x00", 8));
    ASSERT_NE(planar, std::string::npos);
    raw.replace(planar, 12, std::string("\x4A\x01\x04\x00\x01\x00\x00\x00\x08\x00\x00\x00", 12));
    std::string jpeg12 = Encode(test::WicFormat::kJpeg, 64, 48, Quadrants);
    const size_t frame = jpeg12.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    jpeg12[frame + 1] = '\xC1', jpeg12[frame + 4] = 12;  // extended, 12-bit samples
    const struct {
        const char* name;  // the extension of such files
        std::string bytes;
        long width;  // 0: no size is reported
        long height;
    } cases[] = {
        {"webp", testdata::MakeWebpLossy(1600, 1200), 1600, 1200},
        {"webp", testdata::MakeWebpLossless(100, 80), 100, 80},
        {"webp", testdata::MakeWebpExtended(300, 400, 6), 400, 300},
        {"heic", testdata::MakeHeif("heic", {"mif1", "heic"}, 4032, 3024, 1), 3024, 4032},
        {"avif", testdata::MakeHeif("avif", {"mif1"}, 1920, 1080), 1920, 1080},
        {"jxl", testdata::MakeJxlContainer(testdata::MakeJxlCodestream(1600, 1200)), 1600, 1200},
        {"cr3", testdata::MakeHeif("crx ", {"isom"}, 6000, 4000), 0, 0},
        {"orf", std::string("IIRO\x08\0\0\0", 8) + std::string(600, '\0'), 0, 0},
        {"dng", raw, 0, 0},
        {"jpg", jpeg12, 64, 48},
    };
    test::TempDir dir("ixwic");
    const std::string path = dir / "photo.jpg";
    const std::wstring widePath(path.begin(), path.end());  // an ASCII temporary path
    const auto getPictureInfoW = Export<SpiGetPictureInfoWFn>("GetPictureInfoW");
    const auto getPictureW = Export<SpiGetPictureWFn>("GetPictureW");
    ASSERT_TRUE(getPictureInfoW && getPictureW);
    int checked = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        if (HasFilter(std::string("*.") + c.name) && std::string(c.name) != "jpg") {
            continue;  // a decoder of the format is installed here
        }
        ++checked;
        test::WriteFileBytes(path, c.bytes);
        std::string name = path;
        std::string memory = c.bytes;
        const int expected = c.width > 0 ? kSpiSuccess : kSpiNotImplemented;
        PictureInfo fromFile = {}, fromMemory = {}, fromWide = {};
        EXPECT_EQ(s_plugin.getPictureInfo(name.data(), 0, kSpiInputFile, &fromFile), expected);
        EXPECT_EQ(
            s_plugin.getPictureInfo(memory.data(), static_cast<LONG_PTR>(memory.size()), kSpiInputMemory, &fromMemory),
            expected);
        EXPECT_EQ(getPictureInfoW(widePath.c_str(), 0, kSpiInputFile, &fromWide), expected);
        for (const PictureInfo& info : {fromFile, fromMemory, fromWide}) {
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
        }
        Dib dib;
        EXPECT_EQ(Decode(name, 0, kSpiInputFile, dib), kSpiNotImplemented);
        EXPECT_EQ(DecodeMemory(memory, dib), kSpiNotImplemented);
        HLOCAL info = nullptr, bits = nullptr;
        EXPECT_EQ(getPictureW(widePath.c_str(), 0, kSpiInputFile, &info, &bits, nullptr, 0), kSpiNotImplemented);
        EXPECT_EQ(info, nullptr);
    }
    EXPECT_GE(checked, 2);
    // The same TIFF without the sub-directories is an ordinary picture.
    Dib dib;
    EXPECT_EQ(DecodeMemory(test::MakeTiffWithOrientation(8, 8, 1, Quadrants), dib), kSpiSuccess);
}

// A file another program holds open without sharing cannot be read: whatever it holds,
// that is the answer, never "broken" or "unknown format".
TEST_F(WicPluginTest, ALockedFileIsAReadError) {
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 37 + 11);
    }
    const struct {
        const char* name;
        std::string bytes;
        int unlocked;  // GetPicture's answer once the file is free
    } cases[] = {
        {"png", Encode(test::WicFormat::kPng, 16, 16, Quadrants), kSpiSuccess},
        {"webp", testdata::MakeWebpLossy(1600, 1200), kSpiNotImplemented},
        {"garbage", garbage, kSpiUnknownFormat},
        {"damaged jpeg", "\xFF\xD8\xFF" + garbage, kSpiBrokenData},
    };
    const auto getPictureInfoW = Export<SpiGetPictureInfoWFn>("GetPictureInfoW");
    const auto getPictureW = Export<SpiGetPictureWFn>("GetPictureW");
    ASSERT_TRUE(getPictureInfoW && getPictureW);
    test::TempDir dir("ixwic");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir / (std::string(c.name) + ".jpg");
        const std::wstring widePath(path.begin(), path.end());
        test::WriteFileBytes(path, c.bytes);
        HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        PictureInfo info = {};
        EXPECT_EQ(s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info), kSpiFileReadError);
        EXPECT_EQ(getPictureInfoW(widePath.c_str(), 0, kSpiInputFile, &info), kSpiFileReadError);
        Dib dib;
        EXPECT_EQ(Decode(path, 0, kSpiInputFile, dib), kSpiFileReadError);
        HLOCAL infoHandle = nullptr, bits = nullptr;
        EXPECT_EQ(getPictureW(widePath.c_str(), 0, kSpiInputFile, &infoHandle, &bits, nullptr, 0), kSpiFileReadError);
        ::CloseHandle(lock);
        EXPECT_EQ(Decode(path, 0, kSpiInputFile, dib), c.unlocked) << "the lock was the only reason";
    }
}

// PngSuite, an independent suite of PNG files, against ImageMagick's decoding of the same
// files composited on black (made at build time).

// A Unix path as Wine shows it, on drive Z:.
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A binary PPM file with 8-bit samples.
struct Ppm {
    int width = 0;
    int height = 0;
    std::string rgb;

    bool Parse(const std::string& bytes) {
        std::istringstream in(bytes);
        std::string magic;
        int maxValue = 0;
        if (!(in >> magic >> width >> height >> maxValue) || magic != "P6" || maxValue != 255 || width <= 0 ||
            height <= 0) {
            return false;
        }
        in.get();  // the one white-space character before the samples
        rgb = bytes.substr(static_cast<size_t>(in.tellg()));
        return rgb.size() == static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    }
    uint32_t Pixel(int x, int y) const {
        const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (static_cast<size_t>(y) * width + x) * 3;
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

std::vector<std::string> PngSuiteNames() {
    std::vector<std::string> names;
    for (const std::string& name : test::ListNames(WinePath(IXO_PNGSUITE_DIR))) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
            names.push_back(name);
        }
    }
    return names;
}

bool IsCorrupt(const std::string& name) {
    return name[0] == 'x';
}

TEST_F(WicPluginTest, DecodesPngSuiteLikeAnIndependentDecoder) {
    const std::vector<std::string> names = PngSuiteNames();
    ASSERT_GE(names.size(), 170u) << "PngSuite in " << IXO_PNGSUITE_DIR;
    for (const std::string& name : names) {
        if (IsCorrupt(name)) {
            continue;
        }
        SCOPED_TRACE(name);
        const std::string stem = name.substr(0, name.size() - 4);
        Ppm expected;
        ASSERT_TRUE(expected.Parse(test::ReadFileBytes(WinePath(IXO_PNG_EXPECTED_DIR) + "\\" + stem + ".ppm")));
        std::string path = WinePath(IXO_PNGSUITE_DIR) + "\\" + name;
        PictureInfo info = {};
        ASSERT_EQ(s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info), kSpiSuccess);
        EXPECT_EQ(info.width, expected.width);
        EXPECT_EQ(info.height, expected.height);
        EXPECT_EQ(info.colorDepth, 24) << "the depth of the DIB handed out";
        std::string bytes = test::ReadFileBytes(path);
        PictureInfo fromMemory = {};
        ASSERT_EQ(s_plugin.getPictureInfo(bytes.data(), static_cast<LONG_PTR>(bytes.size()), kSpiInputMemory, &fromMemory),
                  kSpiSuccess);
        EXPECT_EQ(std::memcmp(&fromMemory, &info, sizeof info), 0) << "from memory as from the file";

        Dib dib;
        ASSERT_EQ(Decode(path, 0, kSpiInputFile, dib), kSpiSuccess);
        ASSERT_EQ(dib.width, expected.width);
        ASSERT_EQ(dib.height, expected.height);
        // 16-bit samples and partial transparency round a step either way.
        int failures = 0;
        for (int y = 0; y < dib.height && failures < 3; ++y) {
            for (int x = 0; x < dib.width && failures < 3; ++x) {
                if (!Near(dib.Pixel(x, y), expected.Pixel(x, y), 1)) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << dib.Pixel(x, y)
                                  << ", expected " << expected.Pixel(x, y);
                    ++failures;
                }
            }
        }
    }
}

TEST_F(WicPluginTest, RefusesCorruptPngSuiteFilesOrReadsThemSafely) {
    int corrupt = 0;
    for (const std::string& name : PngSuiteNames()) {
        if (!IsCorrupt(name)) {
            continue;
        }
        SCOPED_TRACE(name);
        ++corrupt;
        std::string path = WinePath(IXO_PNGSUITE_DIR) + "\\" + name;
        const bool signatureIntact = test::ReadFileBytes(path).rfind("\x89PNG\r\n\x1A\n", 0) == 0;
        PictureInfo info = {};
        const int infoResult = s_plugin.getPictureInfo(path.data(), 0, kSpiInputFile, &info);
        Dib dib;
        const int pictureResult = Decode(path, 0, kSpiInputFile, dib);
        if (!signatureIntact) {
            EXPECT_EQ(infoResult, kSpiUnknownFormat);
            EXPECT_EQ(pictureResult, kSpiUnknownFormat);
            continue;
        }
        // Damage to the header chunk (colour type, bit depth, checksum) or a missing pixel
        // chunk shows without decoding; damage inside the pixel data only to the decoder.
        const bool headerDamaged = name.rfind("xc1", 0) == 0 || name.rfind("xc9", 0) == 0 || name.rfind("xd", 0) == 0 ||
                                   name.rfind("xhd", 0) == 0;
        if (headerDamaged) {
            EXPECT_EQ(infoResult, kSpiBrokenData);
        }
        EXPECT_TRUE(infoResult == kSpiSuccess || infoResult == kSpiBrokenData) << infoResult;
        EXPECT_TRUE(pictureResult == kSpiSuccess || pictureResult == kSpiBrokenData) << pictureResult;
        if (pictureResult == kSpiSuccess) {
            ASSERT_EQ(infoResult, kSpiSuccess);
            EXPECT_EQ(dib.width, info.width);
            EXPECT_EQ(dib.height, info.height);
        }
    }
    EXPECT_GE(corrupt, 14);
}

int WINAPI AbortAtOnce(int, int, LONG_PTR) {
    return 1;
}

// The system decodes an uncompressed TIFF's rows only when they are asked for, so these
// reach the plug-in's own limit on the rows it hands out. A picture within the limit goes
// on to report progress, and stops there.
TEST_F(WicPluginTest, RefusesPicturesAboveItsOutputLimit) {
    const auto decode = [](uint32_t width, uint32_t height) {
        const std::string tiff = test::MakeTiffClaimingSize(width, height);
        Dib dib;
        return Decode(tiff, static_cast<LONG_PTR>(tiff.size()), kSpiInputMemory, dib, AbortAtOnce);
    };
    // 9,500 x 9,500 pixels: about 258 MiB of rows, more than a 32-bit process can count on.
#ifdef _WIN64
    EXPECT_EQ(decode(9500, 9500), kSpiAborted) << "a 64-bit process has room for it";
#else
    EXPECT_EQ(decode(9500, 9500), kSpiOutOfMemory);
#endif
    EXPECT_EQ(decode(9000, 9000), kSpiAborted) << "about 232 MiB of rows fit either process";
    // 27,000 x 27,000 pixels: more than 2 GiB of rows, beyond the limit of either process.
    EXPECT_EQ(decode(27000, 27000), kSpiOutOfMemory);
}

}  // namespace
