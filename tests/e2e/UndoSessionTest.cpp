// Ctrl-Z in the real program with real keys: a move, a trash move and a rename through the
// real dialog, then Ctrl-Z three times brings every picture back where it was, byte for
// byte, each shown as it returns.
#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

std::string SolidBmp(uint32_t rgb) {
    return testdata::MakeBmp24(48, 32, [rgb](int, int) { return rgb; });
}

class UndoSession : public testing::Test {
protected:
    std::string Selected() const {
        const int index = m_viewer.SelectedIndex();
        const Strings entries = m_viewer.ListEntries();
        return index >= 0 && index < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(index)] : "";
    }
    void ExpectShown(const std::string& name, uint32_t rgb) const {
        EXPECT_EQ(Selected(), name);
        const RECT pane = m_viewer.PaneRect();
        EXPECT_EQ(m_viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2),
                  RGB(testdata::RedOf(rgb), testdata::GreenOf(rgb), testdata::BlueOf(rgb)))
            << name << " shown";
    }

    test::TempDir m_root{"e2e-undo"};
    e2e::ViewerProcess m_viewer;
};

TEST_F(UndoSession, CtrlZBringsBackAMoveATrashMoveAndARename) {
    e2e::Installation install(m_root.Path());
    const std::string pics = install.PictureDir();
    const std::pair<const char*, uint32_t> pictures[] = {
        {"a.bmp", 0xFF0000}, {"b.bmp", 0x00FF00}, {"c.bmp", 0x0000FF}, {"d.bmp", 0xFFFF00}};
    for (const auto& [name, rgb] : pictures) {
        test::WriteFileBytes(pics + "\\" + name, SolidBmp(rgb));
    }
    for (const char* dir : {"move", "trash"}) {
        test::MakeDir(m_root / dir);
    }
    ::WritePrivateProfileStringA("Directory", "MoveDir", (m_root / "move").c_str(), install.IniPath().c_str());
    ::WritePrivateProfileStringA("Directory", "TrashDir", (m_root / "trash").c_str(), install.IniPath().c_str());

    ASSERT_TRUE(m_viewer.Start(install));
    ASSERT_EQ(Selected(), "a.bmp");
    m_viewer.Key('M');
    m_viewer.Key(VK_DELETE);
    m_viewer.Key('R');
    const HWND rename = m_viewer.WaitForDialog("リネーム");
    ASSERT_NE(rename, nullptr);
    for (const WORD k :
         std::initializer_list<WORD>{VK_END, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT, VK_BACK, 'X', VK_RETURN}) {
        m_viewer.KeyToDialog(rename, k);
    }
    ASSERT_TRUE(m_viewer.WaitForDialogClosed("リネーム"));
    m_viewer.WaitIdle();
    ASSERT_EQ(m_viewer.ListEntries(), (Strings{"d.bmp", "x.bmp"}));
    EXPECT_EQ(test::ListNames(m_root / "move"), Strings{"a.bmp"});
    EXPECT_EQ(test::ListNames(m_root / "trash"), Strings{"b.bmp"});

    m_viewer.Key('Z', false, true);
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"c.bmp", "d.bmp"}));
    ExpectShown("c.bmp", 0x0000FF);
    m_viewer.Key('Z', false, true);
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"b.bmp", "c.bmp", "d.bmp"}));
    ExpectShown("b.bmp", 0x00FF00);
    m_viewer.Key('Z', false, true);
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    ExpectShown("a.bmp", 0xFF0000);
    m_viewer.SaveScreenshot(test::ExeDir() + "undone.bmp");

    // Nothing left: the program says so and changes nothing.
    m_viewer.Key('Z', false, true);
    const HWND box = m_viewer.WaitForDialog("元に戻す");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::ViewerProcess::MessageText(box), "元に戻せる操作はありません。");
    m_viewer.KeyToDialog(box, VK_RETURN);
    EXPECT_TRUE(m_viewer.WaitForDialogClosed("元に戻す"));

    m_viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(m_viewer.WaitForExit(10000));
    for (const auto& [name, rgb] : pictures) {
        EXPECT_EQ(test::ReadFileBytes(pics + "\\" + name), SolidBmp(rgb)) << name;
    }
    EXPECT_EQ(test::ListNames(m_root / "move"), Strings{});
    EXPECT_EQ(test::ListNames(m_root / "trash"), Strings{});
}

}  // namespace
