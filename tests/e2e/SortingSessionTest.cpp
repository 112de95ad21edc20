// A person sorting a folder with the keyboard alone: the real program, real keystrokes,
// real folders; afterwards every file is where it belongs, byte for byte.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

using Strings = std::vector<std::string>;

std::string SolidBmp(uint32_t rgb) {
    return testdata::MakeBmp24(64, 48, [rgb](int, int) { return rgb; });
}

void WriteSettings(const e2e::Installation& install, const test::TempDir& root, bool deleteImmediate) {
    const std::string ini = install.IniPath();
    ::WritePrivateProfileStringA("Directory", "MoveDir", (root / "move").c_str(), ini.c_str());
    ::WritePrivateProfileStringA("Directory", "TrashDir", (root / "trash").c_str(), ini.c_str());
    ::WritePrivateProfileStringA("Directory", "CopyDir", (root / "copy").c_str(), ini.c_str());
    ::WritePrivateProfileStringA("Preference", "AutoRenameAtMove", "TRUE", ini.c_str());
    ::WritePrivateProfileStringA("Preference", "DeleteImmediate", deleteImmediate ? "TRUE" : "FALSE", ini.c_str());
}

// The centre of the picture pane shows this colour.
void ExpectPaneColor(const e2e::ViewerProcess& viewer, uint32_t rgb, const char* what) {
    const RECT pane = viewer.PaneRect();
    const COLORREF pixel = viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2);
    EXPECT_EQ(pixel, RGB(testdata::RedOf(rgb), testdata::GreenOf(rgb), testdata::BlueOf(rgb))) << what;
}

TEST(SortingSession, EveryKeyDoesWhatItSaysAndNoFileIsLost) {
    test::TempDir root("e2e-sort");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    const std::pair<const char*, uint32_t> pictures[] = {
        {"a.bmp", 0xFF0000}, {"b.bmp", 0x00FF00}, {"c.bmp", 0x0000FF}, {"d.bmp", 0xFFFF00}, {"e.bmp", 0x00FFFF}};
    for (const auto& [name, rgb] : pictures) {
        test::WriteFileBytes(pics + "\\" + name, SolidBmp(rgb));
    }
    test::MakeDir(pics + "\\sub");
    test::WriteFileBytes(pics + "\\sub\\inside.bmp", SolidBmp(0xFF00FF));
    for (const char* dir : {"move", "trash", "copy"}) {
        test::MakeDir(root / dir);
    }
    // Name collisions in the move and copy folders.
    test::WriteFileBytes(root / "move\\a.bmp", "an older a");
    test::WriteFileBytes(root / "copy\\c.bmp", "an older c");
    WriteSettings(install, root, false);

    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install));
        ASSERT_EQ(viewer.ListEntries(), (Strings{"[ sub ]", "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
        ExpectPaneColor(viewer, 0xFF00FF, "the directory preview");

        viewer.Key(VK_RIGHT);
        EXPECT_EQ(viewer.ListEntries(), (Strings{"inside.bmp"}));
        viewer.Key(VK_LEFT);
        EXPECT_EQ(viewer.SelectedIndex(), 0);
        viewer.Key(VK_DOWN);
        ExpectPaneColor(viewer, 0xFF0000, "a.bmp");

        viewer.Key('M');  // a.bmp is taken in the move folder: renamed
        EXPECT_EQ(viewer.ListEntries(), (Strings{"[ sub ]", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
        ExpectPaneColor(viewer, 0x00FF00, "the next picture at once");
        viewer.Key('C');
        EXPECT_EQ(viewer.SelectedIndex(), 1) << "a copy keeps the selection";
        viewer.Key(VK_DOWN);
        viewer.Key('C');  // c.bmp is taken in the copy folder
        HWND error = viewer.WaitForDialog("Error");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(e2e::ViewerProcess::MessageText(error), "コピー失敗\nコピー先Dir  : " + (root / "copy"));
        viewer.KeyToDialog(error, VK_RETURN);
        EXPECT_EQ(viewer.WaitForDialog("Error", 0), nullptr);

        viewer.Key(VK_DELETE);
        ExpectPaneColor(viewer, 0xFFFF00, "d.bmp after the trash move");
        viewer.Key('K');
        HWND refusal = viewer.WaitForDialog("Kill");
        ASSERT_NE(refusal, nullptr);
        viewer.KeyToDialog(refusal, VK_RETURN);
        EXPECT_TRUE(test::FileExists(pics + "\\d.bmp"));

        viewer.Key(VK_SPACE);
        viewer.Key(VK_SPACE);
        ExpectPaneColor(viewer, 0xFFFF00, "fitted again");
        test::WriteFileBytes(pics + "\\f.bmp", SolidBmp(0x808080));
        viewer.Key(VK_F5);
        EXPECT_EQ(viewer.ListEntries(), (Strings{"[ sub ]", "b.bmp", "d.bmp", "e.bmp", "f.bmp"}));
        EXPECT_EQ(viewer.SelectedIndex(), 2) << "the reload keeps the position";
        viewer.Key(VK_F4, false, false, true);
        ASSERT_TRUE(viewer.WaitForExit(10000));
    }

    // Immediate deletion allowed through the settings file.
    WriteSettings(install, root, true);
    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install));
        viewer.Key(VK_DOWN);
        viewer.Key(VK_DOWN);
        viewer.Key('K');
        EXPECT_EQ(viewer.WaitForDialog("Kill", 0), nullptr);
        EXPECT_EQ(viewer.ListEntries(), (Strings{"[ sub ]", "b.bmp", "e.bmp", "f.bmp"}));
        ExpectPaneColor(viewer, 0x00FFFF, "e.bmp after the kill");
        viewer.SaveScreenshot(test::ExeDir() + "sorted.bmp");
        viewer.Key(VK_F4, false, false, true);
        ASSERT_TRUE(viewer.WaitForExit(10000));
    }

    EXPECT_EQ(test::ListNames(pics), (Strings{"Ixo.exe", "Ixo.ini", "IxoUndo.log", "b.bmp", "e.bmp", "f.bmp", "sub"}));
    EXPECT_EQ(test::ListNames(root / "move"), (Strings{"a.bmp", "a_0000.BMP"}));
    EXPECT_EQ(test::ReadFileBytes(root / "move\\a.bmp"), "an older a");
    EXPECT_EQ(test::ReadFileBytes(root / "move\\a_0000.BMP"), SolidBmp(0xFF0000));
    EXPECT_EQ(test::ListNames(root / "copy"), (Strings{"b.bmp", "c.bmp"}));
    EXPECT_EQ(test::ReadFileBytes(root / "copy\\b.bmp"), SolidBmp(0x00FF00));
    EXPECT_EQ(test::ReadFileBytes(root / "copy\\c.bmp"), "an older c");
    EXPECT_EQ(test::ListNames(root / "trash"), (Strings{"c.bmp"}));
    EXPECT_EQ(test::ReadFileBytes(root / "trash\\c.bmp"), SolidBmp(0x0000FF));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\b.bmp"), SolidBmp(0x00FF00));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\sub\\inside.bmp"), SolidBmp(0xFF00FF));
}

// A picture the shipped plug-in decodes (IXWIC.SPI, IXWIC.SPH in the 64-bit tree) is
// listed, shown and sorted like the viewer's own BMPs. Ctrl-M typed quickly while a large
// one is decoded still chooses the move folder: it never moves the picture.
TEST(SortingSession, PluginPicturesAreShownAndSorted) {
    test::TempDir root("e2e-sort");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    std::string why;
    const std::string png =
        test::EncodeWithWic(test::WicFormat::kPng, 64, 48, [](int, int) { return 0xFF2080C0u; }, &why);
    ASSERT_FALSE(png.empty()) << why;
    test::WriteFileBytes(pics + "\\p.png", png);
    test::WriteFileBytes(pics + "\\q.bmp", SolidBmp(0x00FF00));
    // 24 megapixels: decoding it takes the viewer a while.
    const std::string large = test::EncodeWithWic(
        test::WicFormat::kJpeg, 6000, 4000, [](int x, int) { return x < 3000 ? 0xFFC02020u : 0xFF2020C0u; }, &why);
    ASSERT_FALSE(large.empty()) << why;
    test::WriteFileBytes(pics + "\\r.jpg", large);
    for (const char* dir : {"move", "trash", "copy"}) {
        test::MakeDir(root / dir);
    }
    WriteSettings(install, root, false);

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), (Strings{"p.png", "q.bmp", "r.jpg"}));
    ExpectPaneColor(viewer, 0x2080C0, "p.png through the plug-in");
    viewer.Key('C');
    // M, Down and Ctrl-M typed at once: no time to read r.jpg ahead, so the Down decodes
    // it while Ctrl-M waits, and Ctrl is up by the time the viewer gets to the M.
    viewer.KeysAtOnce({{'M', true}, {'M', false}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_CONTROL, true},
                       {'M', true}, {'M', false}, {VK_CONTROL, false}});
    const HWND browser = viewer.WaitForFolderBrowser(30000);
    ASSERT_NE(browser, nullptr) << "Ctrl-M opens the folder browser";
    viewer.KeyToDialog(browser, VK_ESCAPE);
    EXPECT_EQ(viewer.ListEntries(), (Strings{"q.bmp", "r.jpg"}));
    EXPECT_EQ(viewer.SelectedIndex(), 1);
    viewer.Key(VK_UP);
    ExpectPaneColor(viewer, 0x00FF00, "q.bmp after the move");
    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    EXPECT_EQ(test::ReadFileBytes(root / "copy\\p.png"), png);
    EXPECT_EQ(test::ListNames(root / "move"), Strings{"p.png"});
    EXPECT_EQ(test::ReadFileBytes(root / "move\\p.png"), png);
    EXPECT_FALSE(test::FileExists(pics + "\\p.png"));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\r.jpg"), large);
}

// A folder as it comes from the web and other systems: names that code page 932 cannot
// hold beside the look-alikes a code-page-932 program would see instead. Sorted to the end
// with M and Delete, every picture lands in the move or trash folder under its own name,
// and the look-alikes' folder stays as it was.
TEST(SortingSession, AFolderOfNamesFromEverywhereIsSortedToTheEnd) {
    test::TempDir root("e2e-names");
    e2e::Installation install(root.Path());
    const std::wstring pics = test::Wide(install.PictureDir()) + L"\\";
    const std::wstring names[] = {
        L"caf\u00E9.bmp",  L"cafe.bmp",       L"x\U0001F642.bmp",  L"xab.bmp",          L"2023\u00A504.bmp",
        L"\uD55C\uAE00.bmp", L"\u6CE2\u301C.bmp", L"\u6CE2\uFF5E.bmp", L"\u8868\u30BD\u80FD.bmp", L"\uFF76\uFF85.bmp",
    };
    std::map<std::wstring, std::string> bytes;
    uint32_t rgb = 0x203040;
    for (const std::wstring& name : names) {
        bytes[name] = SolidBmp(rgb += 0x0A0B0C);
        test::WriteFileBytes(pics + name, bytes[name]);
    }
    // What the yen sign's best fit names: 2023\04.bmp.
    test::MakeDir(install.PictureDir() + "\\2023");
    test::WriteFileBytes(install.PictureDir() + "\\2023\\04.bmp", SolidBmp(0x123456));
    for (const char* dir : {"move", "trash", "copy"}) {
        test::MakeDir(root / dir);
    }
    WriteSettings(install, root, false);

    std::map<std::wstring, std::wstring> expected;  // name -> "move" or "trash"
    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install));
        const std::vector<std::wstring> listed = viewer.ListEntriesW();
        ASSERT_EQ(listed.size(), std::size(names) + 1);
        EXPECT_EQ(listed[0], L"[ 2023 ]");
        EXPECT_EQ(std::set<std::wstring>(listed.begin() + 1, listed.end()),
                  std::set<std::wstring>(std::begin(names), std::end(names)))
            << "every name listed as it is";
        viewer.Key(VK_DOWN);
        viewer.SaveScreenshot(test::ExeDir() + "names.bmp");
        for (size_t i = 1; i < listed.size(); ++i) {
            const bool toMove = i % 2 == 1;
            expected[listed[i]] = toMove ? L"move" : L"trash";
            viewer.Key(toMove ? 'M' : VK_DELETE);
        }
        EXPECT_EQ(viewer.ListEntriesW(), std::vector<std::wstring>{L"[ 2023 ]"}) << "sorted to the end";
        viewer.Key(VK_F4, false, false, true);
        ASSERT_TRUE(viewer.WaitForExit(10000));
    }
    for (const auto& [name, folder] : expected) {
        EXPECT_EQ(test::ReadFileBytes(test::Wide(root.Path()) + L"\\" + folder + L"\\" + name), bytes[name])
            << test::Narrow(name);
    }
    EXPECT_EQ(test::ListNames(root / "move").size() + test::ListNames(root / "trash").size(), std::size(names));
    EXPECT_EQ(test::ListNames(install.PictureDir()), (Strings{"2023", "Ixo.exe", "Ixo.ini", "IxoUndo.log"}));
    EXPECT_EQ(test::ListNames(install.PictureDir() + "\\2023"), Strings{"04.bmp"});
    EXPECT_EQ(test::ReadFileBytes(install.PictureDir() + "\\2023\\04.bmp"), SolidBmp(0x123456));
}

}  // namespace
