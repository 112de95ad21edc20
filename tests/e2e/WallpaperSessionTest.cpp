// The wallpaper keys in the real program: W writes the shown JPEG as a screen-shaped BMP,
// F12 and Return make their files the desktop wallpaper (the user's profile names them
// afterwards), and a write onto a read-only file, or onto a picture beside the shown one,
// fails with the message and leaves it.
#include <gtest/gtest.h>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

std::string WallpaperSetting() {
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

// The width and height in a BMP file's information header.
std::pair<uint32_t, uint32_t> BmpSize(const std::string& path) {
    const std::string bytes = test::ReadFileBytes(path);
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) {
        return {0, 0};
    }
    return {testdata::Peek32(bytes, testdata::kOffWidth), testdata::Peek32(bytes, testdata::kOffHeight)};
}

// Puts the desktop back as it was before the test.
class WallpaperRestorer {
public:
    WallpaperRestorer() : m_previous(WallpaperSetting()) {}
    ~WallpaperRestorer() { ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, m_previous.data(), SPIF_UPDATEINIFILE); }

private:
    std::string m_previous;
};

TEST(WallpaperSession, KeysWriteScreenShapedFilesAndSetTheDesktop) {
    test::TempDir root("e2e-wall");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    const std::string wall = root / "wall";
    test::MakeDir(wall);
    std::string why;
    const std::string jpeg = test::EncodeWithWic(
        test::WicFormat::kJpeg, 64, 16, [](int, int) { return 0xFF2050C0u; }, &why);
    ASSERT_FALSE(jpeg.empty()) << why;
    test::WriteFileBytes(pics + "\\a.jpg", jpeg);
    test::WriteFileBytes(pics + "\\b.bmp", testdata::MakeBmp24(16, 16, [](int, int) { return 0x30A030u; }));
    ::WritePrivateProfileStringA("Directory", "WallPaperDir", wall.c_str(), install.IniPath().c_str());
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string returnFile = std::string(windows) + "\\WallPaperCreatedByIXO.bmp";
    ::DeleteFileA(returnFile.c_str());
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(64 * sh, 16 * sw) << "the test pictures assume a screen less wide than 4:1";
    WallpaperRestorer restorer;

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), (std::vector<std::string>{"a.jpg", "b.bmp"}));
    ASSERT_EQ(viewer.SelectedIndex(), 0);

    viewer.Key('W');
    EXPECT_EQ(BmpSize(wall + "\\a.BMP"), std::make_pair(64u, uint32_t(64 * sh / sw)));
    EXPECT_NE(WallpaperSetting(), wall + "\\a.BMP") << "W leaves the desktop alone";

    viewer.Key(VK_DOWN);
    viewer.Key(VK_F12);
    EXPECT_EQ(BmpSize(wall + "\\b.BMP"), std::make_pair(uint32_t(16 * sw / sh), 16u));
    EXPECT_EQ(WallpaperSetting(), wall + "\\b.BMP");

    viewer.Key(VK_RETURN);
    EXPECT_EQ(BmpSize(returnFile), BmpSize(wall + "\\b.BMP"));
    EXPECT_EQ(WallpaperSetting(), returnFile);
    EXPECT_TRUE(viewer.IsRunning()) << "Return never closes the window";

    // A read-only file in the way: the message, and the file as it was.
    test::WriteFileBytes(wall + "\\a.BMP", "kept");
    ::SetFileAttributesA((wall + "\\a.BMP").c_str(), FILE_ATTRIBUTE_READONLY);
    viewer.Key(VK_UP);
    viewer.Key('W');
    HWND error = viewer.WaitForDialog("Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(e2e::ViewerProcess::MessageText(error), "壁紙用ＢＭＰ作成失敗\n");
    viewer.SaveScreenshot(test::ExeDir() + "wallpaper-error.bmp");
    viewer.KeyToDialog(error, VK_RETURN);
    EXPECT_EQ(viewer.WaitForDialog("Error", 0), nullptr);
    ::SetFileAttributesA((wall + "\\a.BMP").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFileBytes(wall + "\\a.BMP"), "kept");
    EXPECT_EQ(test::ListNames(wall), (std::vector<std::string>{"a.BMP", "b.BMP"}));

    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    ::DeleteFileA(returnFile.c_str());

    // The wallpaper folder is the folder being viewed, where a.bmp is a picture of its
    // own: W on a.jpg fails and leaves it as it was.
    const std::string beside = testdata::MakeBmp24(8, 8, [](int x, int) { return x < 4 ? 0xFFFFFFu : 0x102030u; });
    test::WriteFileBytes(pics + "\\a.bmp", beside);
    ::WritePrivateProfileStringA("Directory", "WallPaperDir", pics.c_str(), install.IniPath().c_str());
    e2e::ViewerProcess again;
    ASSERT_TRUE(again.Start(install));
    ASSERT_EQ(again.ListEntries(), (std::vector<std::string>{"a.bmp", "a.jpg", "b.bmp"}));
    again.Key(VK_DOWN);
    again.Key('W');
    error = again.WaitForDialog("Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(e2e::ViewerProcess::MessageText(error), "壁紙用ＢＭＰ作成失敗\n");
    again.KeyToDialog(error, VK_RETURN);
    again.Key(VK_F4, false, false, true);
    ASSERT_TRUE(again.WaitForExit(10000));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\a.bmp"), beside);
    EXPECT_EQ(test::ListNames(pics), (std::vector<std::string>{"Ixo.exe", "Ixo.ini", "a.bmp", "a.jpg", "b.bmp"}));
}

}  // namespace
