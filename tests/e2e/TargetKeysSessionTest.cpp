// Sorting a folder of twelve pictures into three numbered targets with the digit keys of
// the real program: every file ends where its key sent it, byte for byte, one change of
// mind taken back with Ctrl-Z; the title names the folder of the last move, and the menu
// "移動先" lists the targets from the settings file.
#include <gtest/gtest.h>

#include <map>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

// The caption without the shown picture's facts: the folder part and the note.
std::string Shown(const std::string& caption) {
    const size_t note = caption.find("  → ");
    return test::FolderPartOf(caption) + (note == std::string::npos ? "" : caption.substr(note));
}

std::string SolidBmp(uint32_t rgb) {
    return testdata::MakeBmp24(48, 32, [rgb](int, int) { return rgb; });
}

std::string Name(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%02d.bmp", i);
    return name;
}

uint32_t Colour(int i) {
    return 0x100000u * static_cast<uint32_t>(i) + 0x0800u * static_cast<uint32_t>(13 - i) + 0x40u;
}

class TargetKeysSession : public testing::Test {
protected:
    std::string Selected() const {
        const int index = m_viewer.SelectedIndex();
        const Strings entries = m_viewer.ListEntries();
        return index >= 0 && index < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(index)] : "";
    }
    // The picture `i` is selected and on the screen.
    void ExpectShown(int i) const {
        EXPECT_EQ(Selected(), Name(i));
        const RECT pane = m_viewer.PaneRect();
        const uint32_t rgb = Colour(i);
        EXPECT_EQ(m_viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2),
                  RGB(testdata::RedOf(rgb), testdata::GreenOf(rgb), testdata::BlueOf(rgb)))
            << Name(i) << " shown";
    }

    test::TempDir m_root{"e2e-digits"};
    e2e::ViewerProcess m_viewer;
};

TEST_F(TargetKeysSession, TwelvePicturesSortedIntoThreeTargetsByDigits) {
    e2e::Installation install(m_root.Path());
    const std::string pics = install.PictureDir();
    const std::string targets[] = {m_root / "one", m_root / "two", m_root / "three"};
    for (int n = 0; n < 3; ++n) {
        test::MakeDir(targets[n]);
        const std::string key = "Dir" + std::to_string(n + 1);
        ::WritePrivateProfileStringA("Targets", key.c_str(), targets[n].c_str(), install.IniPath().c_str());
    }
    for (int i = 1; i <= 12; ++i) {
        test::WriteFileBytes(pics + "\\" + Name(i), SolidBmp(Colour(i)));
    }

    ASSERT_TRUE(m_viewer.Start(install));
    ExpectShown(1);
    const std::string title = "- IXO - [" + pics + "\\]";  // the folder of the executable, as it started
    EXPECT_EQ(Shown(m_viewer.Caption()), title);
    // Each picture's key; the keypad's digits are the number row's.
    const std::pair<int, WORD> first[] = {{1, '1'}, {2, '2'}, {3, '3'}, {4, VK_NUMPAD1}, {5, VK_NUMPAD2}, {6, '3'}};
    for (const auto& [i, key] : first) {
        ExpectShown(i);
        m_viewer.Key(key);
        if (i == 3) {
            EXPECT_EQ(Shown(m_viewer.Caption()), title + "  → " + targets[2]);
            // The menu bar, one step right to "設定", one more to "移動先", Down opens it.
            m_viewer.Key(VK_MENU);
            m_viewer.Key(VK_RIGHT);
            m_viewer.Key(VK_RIGHT);
            m_viewer.Key(VK_DOWN);
            m_viewer.WaitIdle();
            ::Sleep(300);
            m_viewer.SaveScreenshot(test::ExeDir() + "targets-menu.bmp");
            m_viewer.Key(VK_ESCAPE);
            m_viewer.Key(VK_ESCAPE);
            EXPECT_EQ(Shown(m_viewer.Caption()), title + "  → " + targets[2]) << "opening the menu is no command";
        }
    }
    // p06 went to the wrong target: Ctrl-Z brings it back, shown, and 1 sends it on.
    ExpectShown(7);
    m_viewer.Key('Z', false, true);
    EXPECT_EQ(Shown(m_viewer.Caption()), title) << "the note goes at the next command";
    ExpectShown(6);
    const std::pair<int, WORD> rest[] = {{6, '1'},  {7, '2'},         {8, '3'}, {9, '1'},
                                         {10, '2'}, {11, VK_NUMPAD3}, {12, '1'}};
    for (const auto& [i, key] : rest) {
        ExpectShown(i);
        m_viewer.Key(key);
    }
    EXPECT_EQ(Shown(m_viewer.Caption()), title + "  → " + targets[0]);
    EXPECT_TRUE(m_viewer.ListEntries().empty());
    EXPECT_EQ(m_viewer.WaitForDialog("Error", 0), nullptr);
    m_viewer.SaveScreenshot(test::ExeDir() + "targets-sorted.bmp");

    m_viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(m_viewer.WaitForExit(10000));
    const std::map<int, std::vector<int>> expected = {{0, {1, 4, 6, 9, 12}}, {1, {2, 5, 7, 10}}, {2, {3, 8, 11}}};
    for (const auto& [n, pictures] : expected) {
        Strings names;
        for (const int i : pictures) {
            names.push_back(Name(i));
            EXPECT_EQ(test::ReadFileBytes(targets[n] + "\\" + Name(i)), SolidBmp(Colour(i))) << Name(i);
        }
        EXPECT_EQ(test::ListNames(targets[n]), names) << targets[n];
    }
    EXPECT_EQ(test::ListNames(pics), (Strings{"Ixo.exe", "Ixo.ini", "IxoUndo.log"}));
    // The settings file still holds the targets the viewer read from it.
    for (int n = 0; n < 3; ++n) {
        char value[MAX_PATH] = {};
        const std::string key = "Dir" + std::to_string(n + 1);
        ::GetPrivateProfileStringA("Targets", key.c_str(), "", value, sizeof value, install.IniPath().c_str());
        EXPECT_EQ(value, targets[n]);
    }
}

}  // namespace
