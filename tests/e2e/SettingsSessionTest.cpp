// The settings dialog in the real program, by keyboard alone: a move folder chosen in
// the shell's folder browser and confirmed with OK is where the next M moves to and what
// the settings file holds after the close; edits cancelled change nothing.
#include <gtest/gtest.h>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kSettingsCaption[] = "設定";

std::string ValueOf(const std::string& ini, const std::string& section, const std::string& key) {
    for (const test::IniEntry& e : test::ReadIniEntries(ini)) {
        if (e.section == section && e.key == key) {
            return e.value;
        }
    }
    return "<absent>";
}

// A folder of its own on drive C:, removed with everything in it at the end.
class TopLevelFolder {
public:
    TopLevelFolder() : m_path("C:\\Ixo-e2e-" + std::to_string(::GetCurrentProcessId())) { test::MakeDir(m_path); }
    TopLevelFolder(const TopLevelFolder&) = delete;
    TopLevelFolder& operator=(const TopLevelFolder&) = delete;
    ~TopLevelFolder() { test::RemoveTree(m_path); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(SettingsSession, ABrowsedMoveFolderIsUsedAndKeptCancelChangesNothing) {
    test::TempDir root("e2e-settings");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::WriteFileBytes(pics + "\\" + name, testdata::MakeBmp24(16, 16, [](int, int) { return 0x4080C0u; }));
    }
    // The move folder lies in a folder of the test directly on drive C:, where the browser
    // opens on it; Left then selects the folder above it, whatever else the tree shows.
    const TopLevelFolder chosen;
    const std::string first = chosen.Path() + "\\first";
    test::MakeDir(first);
    ::WritePrivateProfileStringA("Directory", "MoveDir", first.c_str(), install.IniPath().c_str());

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));

    // Menu "設定" → "設定": Alt, Right to the second menu, Down opens it on its first item.
    viewer.Key(VK_MENU);
    viewer.Key(VK_RIGHT);
    viewer.Key(VK_DOWN);
    viewer.Key(VK_RETURN);
    HWND settings = viewer.WaitForDialog(kSettingsCaption);
    ASSERT_NE(settings, nullptr);
    viewer.SaveScreenshot(test::ExeDir() + "settings.bmp");
    // The move folder's box has the focus; Tab goes to its "参照". Wine's browser now and
    // then opens on the desktop instead of the folder it is given, mostly the first time a
    // process opens one: it is then closed and opened again.
    viewer.KeyToDialog(settings, VK_TAB);
    HWND browser = nullptr;
    for (int attempt = 0; attempt < 3 && browser == nullptr; ++attempt) {
        viewer.KeyToDialog(settings, VK_SPACE);
        browser = viewer.WaitForDialogOtherThan({viewer.Window(), settings});
        ASSERT_NE(browser, nullptr);
        for (int i = 0; i < 100 && viewer.BrowserSelection(browser) != "first"; ++i) {
            ::Sleep(50);
        }
        if (viewer.BrowserSelection(browser) != "first") {
            viewer.KeyToDialog(browser, VK_ESCAPE);
            for (int i = 0; i < 100 && ::IsWindow(browser); ++i) {
                ::Sleep(50);
            }
            browser = nullptr;
        }
    }
    ASSERT_NE(browser, nullptr) << "the browser never opened on the move folder";
    viewer.KeyToDialog(browser, VK_LEFT);
    EXPECT_EQ(viewer.BrowserSelection(browser), chosen.Path().substr(3));
    viewer.SaveScreenshot(test::ExeDir() + "browser.bmp");
    viewer.KeyToDialog(browser, VK_RETURN);
    // Tab leaves the button for the next box, where Return is the dialog's OK.
    viewer.KeyToDialog(settings, VK_TAB);
    viewer.KeyToDialog(settings, VK_RETURN);
    EXPECT_TRUE(viewer.WaitForDialogClosed(kSettingsCaption));

    viewer.Key('M');
    EXPECT_EQ(test::ListNames(chosen.Path()), (Strings{"a.bmp", "first"}));
    EXPECT_EQ(viewer.ListEntries(), (Strings{"b.bmp", "c.bmp"}));
    EXPECT_EQ(ValueOf(install.IniPath(), "Directory", "MoveDir"), first)
        << "written only when the program closes";

    // P, a new text over the selected move folder, Escape: nothing changes.
    viewer.Key('P');
    settings = viewer.WaitForDialog(kSettingsCaption);
    ASSERT_NE(settings, nullptr);
    viewer.KeyToDialog(settings, 'X');
    viewer.KeyToDialog(settings, VK_ESCAPE);
    EXPECT_TRUE(viewer.WaitForDialogClosed(kSettingsCaption));
    viewer.Key('M');
    EXPECT_EQ(test::ListNames(chosen.Path()), (Strings{"a.bmp", "b.bmp", "first"}));

    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    EXPECT_EQ(ValueOf(install.IniPath(), "Directory", "MoveDir"), chosen.Path());
    EXPECT_EQ(test::ListNames(first), Strings{});
}

}  // namespace
