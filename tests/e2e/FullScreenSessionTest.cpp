// Full screen in the real program: a camera-sized JPEG fitted to the whole 1280 x 1024
// screen, the title's facts of it, M inside full screen, and F11 back to the window.
#include <gtest/gtest.h>

#include "pane/TitleFacts.h"
#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

using Strings = std::vector<std::string>;

bool SameRect(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}

TEST(FullScreenSession, ALargeJpegFillsTheScreenAndMMovesItThere) {
    test::TempDir root("e2e-full");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    // 6000 x 4000: a blue picture with a red band along its top and bottom rows.
    const std::string jpeg = test::EncodeWithWic(test::WicFormat::kJpeg, 6000, 4000, [](int, int y) {
        return y < 200 || y >= 3800 ? 0xFFFF0000u : 0xFF0000FFu;
    });
    ASSERT_FALSE(jpeg.empty());
    test::WriteFileBytes(pics + "\\big.jpg", jpeg);
    // Kept beside the test program with the screenshot, for a person to hold the title
    // against another decoder's word (ImageMagick's identify).
    test::WriteFileBytes(test::ExeDir() + "fullscreen-big.jpg", jpeg);
    test::WriteFileBytes(pics + "\\next.bmp", testdata::MakeBmp24(64, 48, [](int, int) { return 0x00FF00u; }));
    test::MakeDir(root / "move");
    ::WritePrivateProfileStringA("Directory", "MoveDir", (root / "move").c_str(), install.IniPath().c_str());

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), (Strings{"big.jpg", "next.bmp"}));
    EXPECT_EQ(viewer.CaptionW(), test::Wide("- IXO - [" + pics + "\\]  big.jpg  6000×4000  ") +
                                     FileSizeText(jpeg.size()) + L"  1/2");
    RECT window{};
    ::GetWindowRect(viewer.Window(), &window);

    viewer.Key(VK_F11);
    ::Sleep(500);
    viewer.WaitIdle();
    viewer.SaveScreenshot(test::ExeDir() + "fullscreen-jpeg.bmp");
    RECT full{};
    ::GetWindowRect(viewer.Window(), &full);
    EXPECT_TRUE(SameRect(full, RECT{0, 0, 1280, 1024})) << full.right << "x" << full.bottom;
    // Fitted: 1280 x 853, centred; black above and below it.
    EXPECT_EQ(viewer.Pixel(640, 40), RGB(0, 0, 0));
    EXPECT_EQ(viewer.Pixel(640, 1000), RGB(0, 0, 0));
    const COLORREF middle = viewer.Pixel(640, 512);
    EXPECT_LT(GetRValue(middle), 40);
    EXPECT_GT(GetBValue(middle), 200);
    const COLORREF band = viewer.Pixel(640, 95);
    EXPECT_GT(GetRValue(band), 200) << "the top rows reach the screen";
    EXPECT_LT(GetBValue(band), 40);

    viewer.Key('M');
    viewer.WaitIdle();
    EXPECT_EQ(test::ListNames(root / "move"), Strings{"big.jpg"});
    EXPECT_EQ(viewer.ListEntries(), Strings{"next.bmp"});
    EXPECT_EQ(viewer.Pixel(640, 512), RGB(0, 255, 0)) << "the next picture, still full screen";

    viewer.Key(VK_F11);
    viewer.WaitIdle();
    RECT back{};
    ::GetWindowRect(viewer.Window(), &back);
    EXPECT_TRUE(SameRect(back, window));
    EXPECT_NE(::GetMenu(viewer.Window()), nullptr);
}

}  // namespace
