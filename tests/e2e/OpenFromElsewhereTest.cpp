// The real program started as "Send to" and "Open with" start it: with a picture's or a
// folder's path, in a working directory that is neither its own nor the picture's, and with
// its plug-ins only beside it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/PaneGeometry.h"
#include "image/SpiApi.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

// "写真 café 🌸": a name code page 932 cannot hold, with a blank.
const std::wstring kWideFolder = L"\u5199\u771F caf\u00E9 \xD83C\xDF38";

// A screen colour within `tolerance` of the expected one on every channel (JPEG is lossy).
testing::AssertionResult Near(COLORREF got, COLORREF want, int tolerance) {
    if (std::abs(GetRValue(got) - GetRValue(want)) <= tolerance &&
        std::abs(GetGValue(got) - GetGValue(want)) <= tolerance &&
        std::abs(GetBValue(got) - GetBValue(want)) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << std::hex << "colour 0x" << got << " is not near 0x" << want;
}

// Screenshots are kept beside the test program for a person to look at.
std::string ShotPath(const std::string& name) {
    return test::ExeDir() + name + ".bmp";
}

// The program alone in a folder of its own with its plug-ins beside it, a folder of
// pictures elsewhere, and a working directory that is neither.
class Elsewhere : public testing::Test {
protected:
    void SetUp() override {
        test::MakeDir(ProgramDir());
        test::MakeDir(ProgramDir() + "\\SPI");
        test::MakeDir(PhotoDir());
        test::MakeDir(WorkDir());
        ASSERT_TRUE(::CopyFileA((e2e::DistDir() + "\\Ixo.exe").c_str(), (ProgramDir() + "\\Ixo.exe").c_str(), FALSE));
        const std::vector<std::string> plugins = test::ListNames(e2e::DistDir() + "\\SPI");
        ASSERT_FALSE(plugins.empty());
        for (const std::string& name : plugins) {
            ASSERT_TRUE(::CopyFileA((e2e::DistDir() + "\\SPI\\" + name).c_str(),
                                    (ProgramDir() + "\\SPI\\" + name).c_str(), FALSE));
        }
    }

    std::string ProgramDir() const { return m_root / "prog"; }
    std::string PhotoDir() const { return m_root / "photos"; }
    std::string WorkDir() const { return m_root / "work"; }
    std::wstring ExePathW() const { return test::Wide(ProgramDir() + "\\Ixo.exe"); }

    test::TempDir m_root{"e2e"};
};

TEST_F(Elsewhere, AJpegNamedOnTheCommandLineIsListedSelectedAndShown) {
    std::string why;
    const std::string jpeg = test::EncodeWithWic(
        test::WicFormat::kJpeg, 360, 480, [](int, int y) { return y < 240 ? 0xFFD03030u : 0xFF3050D0u; }, &why);
    ASSERT_FALSE(jpeg.empty()) << why;
    test::WriteFileBytes(PhotoDir() + "\\photo.jpg", jpeg);
    // Listed before it: the JPEG is not the first entry.
    test::WriteFileBytes(PhotoDir() + "\\a.bmp", testdata::MakeBmp24(40, 30, [](int, int) { return 0x20C020u; }));

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(ExePathW(), test::Wide(WorkDir()), L"\"" + test::Wide(PhotoDir()) + L"\\photo.jpg\""));
    ::Sleep(300);  // let the picture settle on screen
    viewer.WaitIdle();
    viewer.SaveScreenshot(ShotPath("open-jpeg"));
    EXPECT_EQ(viewer.ListEntries(), (std::vector<std::string>{"a.bmp", "photo.jpg"}));
    EXPECT_EQ(viewer.SelectedIndex(), 1);
    EXPECT_EQ(test::FolderPartOf(viewer.Caption()), "- IXO - [" + PhotoDir() + "]");

    // Decoded by the plug-in beside the program, fitted into the pane: red above, blue below.
    const RECT pane = viewer.PaneRect();
    const PaneRect fit = CalcFitRect(PaneRect{0, 0, 360, 480}, PaneRect{pane.left, pane.top, pane.right, pane.bottom});
    const int midX = (fit.left + fit.right) / 2;
    EXPECT_TRUE(Near(viewer.Pixel(midX, fit.top + fit.Height() / 4), RGB(0xD0, 0x30, 0x30), 24)) << "upper half";
    EXPECT_TRUE(Near(viewer.Pixel(midX, fit.top + fit.Height() * 3 / 4), RGB(0x30, 0x50, 0xD0), 24)) << "lower half";
    EXPECT_TRUE(Near(viewer.Pixel(fit.left + 1, fit.top + 1), RGB(0xD0, 0x30, 0x30), 24)) << "top left";
    EXPECT_TRUE(Near(viewer.Pixel(fit.right - 2, fit.bottom - 2), RGB(0x30, 0x50, 0xD0), 24)) << "bottom right";
    if (fit.left > pane.left) {
        EXPECT_EQ(viewer.Pixel(fit.left - 1, fit.top + fit.Height() / 2), RGB(0, 0, 0)) << "left of the picture";
    }
    // The program's own folder was not listed, and nothing was written beside the pictures.
    EXPECT_EQ(test::ListNames(PhotoDir()), (std::vector<std::string>{"a.bmp", "photo.jpg"}));
}

TEST_F(Elsewhere, AFolderOutsideCodePage932IsListed) {
    const std::wstring folder = test::Wide(PhotoDir()) + L"\\" + kWideFolder;
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring picture = L"\uD55C\uAE00.bmp";  // "한글"
    test::WriteFileBytes(folder + L"\\" + picture, testdata::MakeBmp24(300, 200, [](int, int y) {
                             return y < 100 ? 0xE0A020u : 0x2090E0u;
                         }));

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(ExePathW(), test::Wide(WorkDir()), L"\"" + folder + L"\""));
    ::Sleep(300);
    viewer.WaitIdle();
    viewer.SaveScreenshot(ShotPath("open-folder"));
    EXPECT_EQ(viewer.ListEntriesW(), std::vector<std::wstring>{picture});
    EXPECT_EQ(test::FolderPartOf(viewer.CaptionW()), test::Wide("- IXO - [") + folder + L"]");
    EXPECT_EQ(viewer.SelectedIndex(), 0);
    const RECT pane = viewer.PaneRect();
    const PaneRect fit = CalcFitRect(PaneRect{0, 0, 300, 200}, PaneRect{pane.left, pane.top, pane.right, pane.bottom});
    const int midX = (fit.left + fit.right) / 2;
    EXPECT_EQ(viewer.Pixel(midX, fit.top + fit.Height() / 4), RGB(0xE0, 0xA0, 0x20)) << "upper half";
    EXPECT_EQ(viewer.Pixel(midX, fit.top + fit.Height() * 3 / 4), RGB(0x20, 0x90, 0xE0)) << "lower half";
}

// An unpacked download holding SPI\ is the working directory when "Open with" starts the
// program on a picture there: its plug-in is never loaded, even with none beside the
// program. Started without a path in that folder, as of old, it still is.
TEST_F(Elsewhere, APluginBelowTheWorkingDirectoryIsNotLoadedOnAStartByPath) {
    test::RemoveTree(ProgramDir() + "\\SPI");
    test::MakeDir(WorkDir() + "\\SPI");
    const std::string ext = kSpiPluginExtension;
    ASSERT_TRUE(::CopyFileA((test::BuildDir() + "\\testplugins\\tpi." + ext).c_str(),
                            (WorkDir() + "\\SPI\\x." + ext).c_str(), FALSE));
    for (const std::string& dir : {PhotoDir(), ProgramDir()}) {
        test::WriteFileBytes(dir + "\\a.bmp", testdata::MakeBmp24(4, 4, [](int, int) { return 0x20C020u; }));
        test::WriteFileBytes(dir + "\\p.tpi", test::MakeSolidTestPicture(4, 4, 0xC02020));
    }
    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(ExePathW(), test::Wide(WorkDir()), L"\"" + test::Wide(PhotoDir()) + L"\\p.tpi\""));
        EXPECT_EQ(viewer.ListEntries(), std::vector<std::string>{"a.bmp"}) << "no plug-in reads p.tpi";
        viewer.Key(VK_F4, false, false, true);
        EXPECT_TRUE(viewer.WaitForExit(10000));
    }
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(ProgramDir() + "\\Ixo.exe", WorkDir()));
    EXPECT_EQ(viewer.ListEntries(), (std::vector<std::string>{"a.bmp", "p.tpi"})) << "started by hand";
    viewer.Key(VK_F4, false, false, true);
    EXPECT_TRUE(viewer.WaitForExit(10000));
}

}  // namespace
