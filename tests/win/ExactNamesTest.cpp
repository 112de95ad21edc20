// Nothing is touched that the user did not aim at, whatever a name or a folder's spelling:
// names the system would take for another (a final dot or blank, a device's name), a
// rename that does not happen, the move folder reached through a drive letter, and a
// judgement of a file that changed since it was shown. Every file's fate is checked.
#include <gtest/gtest.h>

#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/SpareVolume.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;

std::string Bmp(int side, uint32_t rgb = 0x406080) {
    return testdata::MakeBmp24(side, side, [rgb](int, int) { return rgb; });
}

// A folder whose name ends in a dot beside the folder the system would take it for.
class ExactNames : public test::ViewerFixture {
protected:
    std::wstring Exact(const std::string& name) const { return L"\\\\?\\" + test::Wide(Pic(name)); }
    void Open(CViewerDlg& dlg, const std::string& select) {
        dlg.GetSettings().m_strMoveDir = m_move.Path();
        dlg.GetSettings().m_strTrashDir = m_move.Path();
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        const int at = dlg.Folder().FindText(test::Wide(select));
        ASSERT_GE(at, 0) << select;
        dlg.Folder().Select(at);
    }
    test::TempDir m_move{"exact-move"};
};

TEST_F(ExactNames, AFolderWhoseNameEndsInADotIsNeverTakenForItsSibling) {
    test::MakeDir(Pic("foo"));
    WriteBmp("foo\\plain.bmp", 30, 30, 0x00FF00);
    ASSERT_TRUE(::CreateDirectoryW(Exact("foo.").c_str(), nullptr));
    test::WriteFileBytes(Exact("foo.") + L"\\dotted.bmp", Bmp(20, 0xFF0000));
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg, "[ foo. ]");
        EXPECT_EQ(dlg.Pane().PreviewPicture().Width(), 20) << "its own preview";
        dlg.Folder().EnterSelected();
        EXPECT_EQ(Entries(dlg), Strings{"dotted.bmp"});
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [" + Pic("foo.") + "]") << "shown as the user writes it";
        EXPECT_EQ(dlg.Pane().ShownPictureSize().cx, 20);
        // A move from inside it, and back up.
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());
        EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"dotted.bmp"});
        dlg.Folder().GoToParent();
        EXPECT_EQ(dlg.Folder().Selected()->Text(), L"[ foo. ]");
        // Delete on it, the shell's deletion confirmed: that folder goes, and only it.
        dlg.SendMessage(WM_COMMAND, KeyCommandId(KeyCommand::kDelete));
    });
    ASSERT_EQ(prompts.shellCalls.size(), 1u);
    EXPECT_EQ(prompts.shellCalls[0].fromW, Exact("foo."));
    EXPECT_EQ(::GetFileAttributesW(Exact("foo.").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(test::ListNames(Pic("foo")), Strings{"plain.bmp"});
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ExactNames, AnEntryWithADevicesNameIsNeverOpenedNorTouched) {
    WriteBmp("a.bmp", 30, 30, 0x00FF00);
    test::WriteFileBytes(Exact("COM1.bmp"), Bmp(30));
    const std::string bytes = test::ReadFileBytes(Exact("COM1.bmp"));
    test::PromptRecorder prompts;
    prompts.messageAnswers.assign(8, IDOK);
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg, "COM1.bmp");
        EXPECT_FALSE(dlg.Pane().HoldsPicture()) << "not read: shown as a failure";
        EXPECT_EQ(dlg.Pane().ShownFailure(), DecodeFailure::kReadError);
        for (const KeyCommand command : {KeyCommand::kMove, KeyCommand::kCopy, KeyCommand::kKill, KeyCommand::kDelete,
                                         KeyCommand::kRename}) {
            dlg.SendMessage(WM_COMMAND, KeyCommandId(command));
        }
        EXPECT_EQ(dlg.Folder().Selected()->name, L"COM1.bmp");
    });
    EXPECT_EQ(test::ReadFileBytes(Exact("COM1.bmp")), bytes);
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
    ASSERT_EQ(prompts.messages.size(), 5u) << "each refusal is told";
    for (const fw::MessageBoxCall& m : prompts.messages) {
        EXPECT_NE(m.wideText.find(L"COM1.bmp"), std::wstring::npos);
    }
}

// R that does not happen says why and leaves the entry selected: the M that follows moves
// the picture R was pressed on.
TEST_F(ExactNames, ARenameThatDoesNotHappenSaysWhyAndKeepsTheSelection) {
    WriteBmp("a.bmp", 30, 30, 0x00FF00);
    WriteBmp("b.bmp", 30, 30, 0x0000FF);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    const std::string b = test::ReadFileBytes(Pic("b.bmp"));
    test::PromptRecorder prompts;
    std::deque<std::string> answers = {"b.bmp", "nul.jpg", "x.bmp.", "con", "sub\\x.bmp"};
    CViewerDlg dlg;
    test::ModalScript script;
    script.OnNestedDialog([&](fw::CDialog& rename) {
        ::SetDlgItemTextA(rename.m_hWnd, IDC_RENAME_NAME, answers.front().c_str());
        answers.pop_front();
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    script.Then([&](fw::CDialog&) {
        Open(dlg, "a.bmp");
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(dlg.Renaming().RenameSelectedEntry().kind, OpResult::Kind::kRefused);
            EXPECT_EQ(dlg.Folder().Selected()->name, L"a.bmp") << "still selected";
        }
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());
    });
    script.Run(dlg);
    ASSERT_EQ(prompts.messages.size(), 5u);
    EXPECT_EQ(prompts.messages[0].text, "名前を変更できません。同じ名前のファイルかフォルダがあります:\nb.bmp");
    for (size_t i = 1; i < prompts.messages.size(); ++i) {
        EXPECT_EQ(prompts.messages[i].text.rfind("名前を変更できません。この名前は使えません:\n", 0), 0u);
    }
    EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{"b.bmp"});
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    EXPECT_EQ(test::ReadFileBytes(m_move / "a.bmp"), a);
}

// The move folder is a folder of the tree, or one inside it, reached through a drive
// letter: the moving pass knows it by what it is, not by its spelling. It refuses to start
// where the system tells the drive letter's folder, or else never walks into the move
// folder nor a folder holding it; either way no picture of the move folder is judged,
// deleted or moved onto itself.
TEST_F(ExactNames, TheMovingPassKnowsTheMoveFolderByWhatItIsNotByItsSpelling) {
    for (const std::string folder : {"out", "deep\\inner"}) {
        SCOPED_TRACE(folder);
        WriteBmp("big.bmp", 40, 40, 0x00FF00);
        WriteBmp("small.bmp", 4, 4, 0x00FF00);
        WriteBmp(folder + "\\own small.bmp", 4, 4, 0x0000FF);
        const std::string big = test::ReadFileBytes(Pic("big.bmp"));
        const std::string own = test::ReadFileBytes(Pic(folder + "\\own small.bmp"));
        const test::FolderDrive drive(Pic(folder));
        if (!drive.IsReady()) {
            GTEST_SKIP() << drive.Why();
        }
        test::PromptRecorder prompts;
        WithViewer([&](CViewerDlg& dlg) {
            Open(dlg, "big.bmp");
            dlg.GetSettings().m_nDeleteSmallWidth = 20;
            dlg.GetSettings().m_nDeleteSmallHeight = 20;
            dlg.GetSettings().m_strMoveDir = drive.Root() + "\\";
            dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
        });
        EXPECT_TRUE(test::ReadFileBytes(Pic(folder + "\\own small.bmp")) == own) << "the move folder's own picture";
        ASSERT_EQ(prompts.messages.size(), 2u);
        if (prompts.messages[1].text.find("移動先ディレクトリが、現在のディレクトリに含まれています。") == 0) {
            EXPECT_TRUE(test::ReadFileBytes(Pic("big.bmp")) == big) << "refused: nothing moved";
            EXPECT_TRUE(test::FileExists(Pic("small.bmp")));
        } else {
            EXPECT_EQ(prompts.messages[1].text, "処理終了しました。");
            EXPECT_TRUE(test::ReadFileBytes(Pic(folder + "\\big.bmp")) == big) << "moved into the move folder";
            EXPECT_FALSE(test::FileExists(Pic("small.bmp")));
        }
        test::RemoveTree(Pic("big.bmp"));
        test::RemoveTree(Pic("small.bmp"));
        test::RemoveTree(Pic(folder + "\\big.bmp"));
    }
}

// Shift-Ctrl-T goes by the picture the pane read only while the file is as it was then: a
// file shown while it was still being written is read again.
TEST_F(ExactNames, AJudgementIsOfTheFileAsItIsNow) {
    const std::string whole = Bmp(40);
    test::WriteFileBytes(Pic("late.bmp"), whole.substr(0, 20));  // a header cut short: broken
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg, "late.bmp");
        dlg.GetSettings().m_nDeleteSmallWidth = 20;
        dlg.GetSettings().m_nDeleteSmallHeight = 20;
        ASSERT_TRUE(dlg.Pane().ShownFailure()) << "shown while incomplete";
        test::WriteFileBytes(Pic("late.bmp"), whole);
        EXPECT_EQ(dlg.SizeDeletion().DeleteSelectedIfSmall(), CSizeDeletion::Verdict::kStays);
    });
    EXPECT_EQ(test::ReadFileBytes(Pic("late.bmp")), whole);
}

}  // namespace
