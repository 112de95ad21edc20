// A picture moved onto a name taken by a file of the same bytes goes to the trash folder
// (and back with Ctrl-Z) when the setting says so; a file that differs in one byte, or one
// that cannot be read, is handled as any taken name.
#include <gtest/gtest.h>

#include "framework/Handles.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;

class Duplicates : public test::ViewerFixture {
protected:
    std::string Picture(const std::string& name, uint32_t rgb) const {
        WriteBmp(name, 6, 5, rgb);
        return test::ReadFileBytes(Pic(name));
    }
    std::string Title() const { return test::Narrow(m_dlg.GetWindowTextW()); }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
    test::TempDir m_target{"target"};
    test::TempDir m_trash{"trash"};
};

TEST_F(Duplicates, OnlyTheSameBytesGoToTheTrashAndCtrlZBringsThemBack) {
    const std::string a = Picture("a.bmp", 0x112233);
    const std::string b = Picture("b.bmp", 0x445566);
    const std::string c = Picture("c.bmp", 0x778899);
    const std::string d = Picture("d.bmp", 0xAABBCC);
    test::WriteFileBytes(m_move / "a.bmp", a);
    std::string nearly = b;
    nearly[nearly.size() - 1] ^= 1;
    test::WriteFileBytes(m_move / "b.bmp", nearly);
    test::WriteFileBytes(m_move / "c.bmp", c);
    test::WriteFileBytes(m_target / "d.bmp", d);
    // c.bmp in the move folder is held open by another program that lets nobody read it.
    const fw::FileHandle locked(
        ::CreateFileA((m_move / "c.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked.IsValid());

    test::PromptRecorder prompts;
    test::ModalScript script;
    script.Then([this](fw::CDialog&) {
        Settings& settings = m_dlg.GetSettings();
        settings.m_strMoveDir = m_move.Path();
        settings.m_strTrashDir = m_trash.Path();
        settings.m_strTargetDirs[0] = m_target.Path();
        settings.m_bAutoRenameAtMove = 1;
        settings.m_bTrashIdentical = 1;
        m_dlg.Folder().Open(test::Wide(m_pics.Path()));
        m_dlg.FileList().ListBox().SetFocus();
    });
    script.Key('M');
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_trash.Path()), Strings{"a.bmp"});
        EXPECT_NE(Title().find("同一ファイル: " + m_move.Path() + "\\a.bmp"), std::string::npos) << Title();
    });
    script.Key('M');  // one byte differs
    script.Key('M');  // the file there cannot be read
    script.Key('1');  // a digit's target
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_trash.Path()), (Strings{"a.bmp", "d.bmp"}));
        EXPECT_EQ(test::ListNames(m_target.Path()), Strings{"d.bmp"});
        EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp", "b_0000.BMP", "c.bmp", "c_0000.BMP"}));
        EXPECT_NE(Title().find("同一ファイル: " + m_target.Path() + "\\d.bmp"), std::string::npos) << Title();
        EXPECT_EQ(Title().find("→ " + m_target.Path()), std::string::npos) << "not said to have gone there";
    });
    for (int i = 0; i < 4; ++i) {
        script.Key('Z', false, true);
    }
    script.Run(m_dlg);

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_TRUE(test::ListNames(m_trash.Path()).empty());
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    EXPECT_EQ(test::ReadFileBytes(m_move / "b.bmp"), nearly);
    EXPECT_EQ(test::ReadFileBytes(Pic("d.bmp")), d);
}

}  // namespace
