// A picture of one-pixel detail fitted into a pane, by the resampler and by the display's
// own stretching with COLORONCOLOR (as fitted pictures have been drawn), each against
// ImageMagick's -scale of the same picture, an independent area-averaging resize run on
// the host. The resampler must come within 2 levels per channel on average; the figures
// of the display's stretching are printed for comparison.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/Resample.h"
#include "tests/data/FineDetail.h"
#include "tests/win/support/TestSupport.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kToWidth = 1100, kToHeight = 825;

// ImageMagick's area mean of the picture in `in`, or none (width 0). A host program
// started under Wine hands back no handle to wait on: the output appears under its
// final name only once written.
testdata::BgrPicture ScaleOnHost(const test::TempDir& dir, const std::string& in) {
    const std::string part = test::UnixPathOf(dir / "out.part");
    const std::string out = dir / "out.ppm";
    std::string command = "/bin/sh -c \"'" + std::string(IXO_CONVERT) + "' '" + test::UnixPathOf(in) + "' -scale " +
                          std::to_string(kToWidth) + "x" + std::to_string(kToHeight) + "! 'ppm:" + part + "' && mv '" +
                          part + "' '" + test::UnixPathOf(out) + "'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return {};
    }
    if (process.hProcess != nullptr) {  // see RunHostProgram: only a Windows program's handles are real
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (int i = 0; i < 1200 && !test::FileExists(out); ++i) {
        ::Sleep(100);
    }
    return testdata::DecodePpm(test::ReadFileBytes(out));
}

// The picture stretched by GDI into a 32-bit section, as the pane has drawn it: rows
// bottom-up, StretchDIBits straight from them or StretchBlt from a bitmap made of them.
std::vector<uint8_t> StretchedByGdi(const testdata::BgrPicture& picture, int mode, bool fromBitmap) {
    BITMAPINFO source{};
    source.bmiHeader.biSize = sizeof source.bmiHeader;
    source.bmiHeader.biWidth = picture.width;
    source.bmiHeader.biHeight = picture.height;
    source.bmiHeader.biPlanes = 1;
    source.bmiHeader.biBitCount = 24;
    std::vector<uint8_t> rows(picture.bytes.size());
    for (int y = 0; y < picture.height; ++y) {
        std::copy_n(picture.bytes.begin() + static_cast<ptrdiff_t>(y * picture.stride), picture.stride,
                    rows.begin() + static_cast<ptrdiff_t>((picture.height - 1 - y) * picture.stride));
    }
    BITMAPINFO target = source;
    target.bmiHeader.biWidth = kToWidth;
    target.bmiHeader.biHeight = -kToHeight;
    target.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(screen, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, section);
    ::SetStretchBltMode(dc, mode);
    if (fromBitmap) {
        HBITMAP bitmap = ::CreateDIBitmap(screen, &source.bmiHeader, CBM_INIT, rows.data(), &source, DIB_RGB_COLORS);
        HDC memory = ::CreateCompatibleDC(screen);
        HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
        ::StretchBlt(dc, 0, 0, kToWidth, kToHeight, memory, 0, 0, picture.width, picture.height, SRCCOPY);
        ::SelectObject(memory, oldBitmap);
        ::DeleteDC(memory);
        ::DeleteObject(bitmap);
    } else {
        ::StretchDIBits(dc, 0, 0, kToWidth, kToHeight, 0, 0, picture.width, picture.height, rows.data(), &source,
                        DIB_RGB_COLORS, SRCCOPY);
    }
    ::GdiFlush();
    std::vector<uint8_t> out(static_cast<const uint8_t*>(bits),
                             static_cast<const uint8_t*>(bits) + size_t{kToWidth} * kToHeight * 4);
    ::SelectObject(dc, old);
    ::DeleteObject(section);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return out;
}

TEST(FittedQuality, FineDetailAgainstImageMagicksAreaMean) {
    test::TempDir dir("quality");
    const testdata::BgrPicture picture = testdata::MakeFineDetail(kWidth, kHeight);
    test::WriteFileBytes(dir / "in.ppm", testdata::EncodePpm(picture));
    const testdata::BgrPicture reference = ScaleOnHost(dir, dir / "in.ppm");
    ASSERT_EQ(reference.width, kToWidth) << "ImageMagick gave no picture";
    ASSERT_EQ(reference.height, kToHeight);

    std::vector<uint8_t> fitted(size_t{kToWidth} * kToHeight * 4);
    const SourceRows source{picture.bytes.data(), picture.bytes.size(), kWidth, kHeight, 24, picture.stride, true};
    ASSERT_EQ(ResamplePicture(source, BgrxRows{fitted.data(), fitted.size(), kToWidth, kToHeight, kToWidth * 4u, true}),
              ResampleStatus::kOk);
    const testdata::ChannelMeans ours = testdata::MeanAbsoluteDifference(reference, fitted.data(), kToWidth * 4u, 4);
    std::printf("resampler: mean absolute difference blue %.3f green %.3f red %.3f\n", ours.blue, ours.green, ours.red);
    EXPECT_LE(ours.Largest(), 2.0);

    const struct {
        const char* name;
        int mode;
        bool fromBitmap;
    } stretches[] = {
        {"StretchDIBits, COLORONCOLOR", COLORONCOLOR, false},
        {"StretchBlt from a bitmap, COLORONCOLOR", COLORONCOLOR, true},
        {"StretchDIBits, HALFTONE", HALFTONE, false},
    };
    for (const auto& s : stretches) {
        const std::vector<uint8_t> stretched = StretchedByGdi(picture, s.mode, s.fromBitmap);
        const testdata::ChannelMeans gdi =
            testdata::MeanAbsoluteDifference(reference, stretched.data(), kToWidth * 4u, 4);
        std::printf("%s: mean absolute difference blue %.3f green %.3f red %.3f\n", s.name, gdi.blue, gdi.green,
                    gdi.red);
    }
}

}  // namespace
