// Registered directories in the real program, by keyboard alone: J registers folders under
// names typed into the name dialog, renames and deletes them, and jumps to one; the
// settings file holds them as each step leaves them, and still after the program closes.
#include <gtest/gtest.h>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;
using Entries = std::vector<test::IniEntry>;

constexpr char kJumpCaption[] = "登録ディレクトリへのジャンプ";
constexpr char kNameCaption[] = "登録ディレクトリの追加";

// The registration entries of the file in file order, once they are as expected or after
// ten seconds: the viewer writes them while the test goes on.
Entries Registrations(const std::string& ini, const Entries& expected = {}) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Entries found;
        for (const test::IniEntry& e : test::ReadIniEntries(ini)) {
            if (e.section.rfind("RegistedDir", 0) == 0) {
                found.push_back(e);
            }
        }
        if (found == expected || expected.empty() || ::GetTickCount() - start >= 10000) {
            return found;
        }
        ::Sleep(50);
    }
}

class JumpSession : public testing::Test {
protected:
    void SetUp() override {
        for (const char* dir : {"one", "two"}) {
            test::MakeDir(m_install.PictureDir() + "\\" + dir);
            test::WriteFileBytes(m_install.PictureDir() + "\\" + dir + "\\" + dir + ".bmp",
                                 testdata::MakeBmp24(8, 8, [](int, int) { return 0x808080u; }));
        }
        ASSERT_TRUE(m_viewer.Start(m_install));
    }

    // J, then the jump dialog once it is shown.
    HWND OpenJump() {
        m_viewer.Key('J');
        HWND jump = m_viewer.WaitForDialog(kJumpCaption);
        EXPECT_NE(jump, nullptr);
        return jump;
    }
    // Presses the jump dialog's button `tabs` tab stops after the list (add, delete,
    // rename), then types `name` over the proposed one in the name dialog and confirms.
    void PressAndName(HWND jump, int tabs, WORD letter) {
        for (int i = 0; i < tabs; ++i) {
            m_viewer.KeyToDialog(jump, VK_TAB);
        }
        m_viewer.KeyToDialog(jump, VK_SPACE);
        HWND name = m_viewer.WaitForDialog(kNameCaption);
        ASSERT_NE(name, nullptr);
        if (letter == 'B') {
            m_viewer.SaveScreenshot(test::ExeDir() + "name.bmp");
        }
        m_viewer.KeyToDialog(name, letter);
        m_viewer.KeyToDialog(name, VK_RETURN);
        EXPECT_TRUE(m_viewer.WaitForDialogClosed(kNameCaption));
    }
    // Registers the current directory under a one-letter name.
    void Register(WORD letter) {
        HWND jump = OpenJump();
        ASSERT_NE(jump, nullptr);
        PressAndName(jump, 1, letter);
        EXPECT_TRUE(m_viewer.WaitForDialogClosed(kJumpCaption)) << "registering closes the dialog";
    }

    test::TempDir m_root{"e2e-jump"};
    e2e::Installation m_install{m_root.Path()};
    e2e::ViewerProcess m_viewer;
};

TEST_F(JumpSession, RegisterRenameDeleteAndJump) {
    const std::string pics = m_install.PictureDir();
    const std::string ini = m_install.IniPath();
    // The two folders, in the order the list shows them.
    const Strings folders = m_viewer.ListEntries();
    ASSERT_EQ(folders.size(), 2u);
    const std::string first = folders[0].substr(2, folders[0].size() - 4);
    const std::string second = folders[1].substr(2, folders[1].size() - 4);

    // 'b' from the first folder, 'c' from pics\ (as the parent directory leaves it), 'a'
    // from the second folder.
    m_viewer.Key(VK_RIGHT);
    Register('B');
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{first + ".bmp"})) << "registering never jumps";
    m_viewer.Key(VK_LEFT);
    Register('C');
    m_viewer.Key(VK_DOWN);
    m_viewer.Key(VK_RIGHT);
    Register('A');
    const Entries registered = {
        {"RegistedDirNum", "Num", "3"},           {"RegistedDirPath", "Dir0", pics + "\\" + first},
        {"RegistedDirPath", "Dir1", pics + "\\"}, {"RegistedDirPath", "Dir2", pics + "\\" + second},
        {"RegistedDirName", "Dir0", "b"},         {"RegistedDirName", "Dir1", "c"},
        {"RegistedDirName", "Dir2", "a"},
    };
    EXPECT_EQ(Registrations(ini, registered), registered);

    // The list shows a, b, c with 'a' selected: rename it to 'z'; only its keys change.
    HWND jump = OpenJump();
    ASSERT_NE(jump, nullptr);
    m_viewer.SaveScreenshot(test::ExeDir() + "jump.bmp");
    PressAndName(jump, 3, 'Z');
    Entries renamed = registered;
    renamed[6].value = "z";
    EXPECT_EQ(Registrations(ini, renamed), renamed);
    m_viewer.KeyToDialog(jump, VK_ESCAPE);
    EXPECT_TRUE(m_viewer.WaitForDialogClosed(kJumpCaption));

    // Now b, c, z: delete 'b'; the rest is renumbered in name order.
    jump = OpenJump();
    ASSERT_NE(jump, nullptr);
    m_viewer.KeyToDialog(jump, VK_TAB);
    m_viewer.KeyToDialog(jump, VK_TAB);
    m_viewer.KeyToDialog(jump, VK_SPACE);
    const Entries renumbered = {{"RegistedDirNum", "Num", "2"},
                                {"RegistedDirPath", "Dir0", pics + "\\"},
                                {"RegistedDirPath", "Dir1", pics + "\\" + second},
                                {"RegistedDirName", "Dir0", "c"},
                                {"RegistedDirName", "Dir1", "z"}};
    EXPECT_EQ(Registrations(ini, renumbered), renumbered);

    // The list has the focus again on 'c': Down to 'z', Return confirms.
    m_viewer.KeyToDialog(jump, VK_DOWN);
    m_viewer.KeyToDialog(jump, VK_RETURN);
    EXPECT_TRUE(m_viewer.WaitForDialogClosed(kJumpCaption));
    m_viewer.WaitIdle();
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{second + ".bmp"}));
    EXPECT_EQ(test::FolderPartOf(m_viewer.Caption()), "- IXO - [" + pics + "\\" + second + "]");

    m_viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(m_viewer.WaitForExit(10000));
    EXPECT_EQ(Registrations(ini).size(), 5u) << "the settings written at the close keep them";
    EXPECT_NE(test::ReadFileBytes(ini).find("[DeleteSmall]"), std::string::npos);
}

}  // namespace
