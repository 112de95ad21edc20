// The sorting operations on real folders: move, trash move, copy, kill and directory
// deletion, called on a real main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "framework/WinApp.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ViewerFixture;
using Strings = std::vector<std::string>;

class FileOps : public ViewerFixture {
protected:
    // Lists the picture folder with these targets and selects entry `index`.
    void Open(CViewerDlg& dlg, int index = 0) {
        dlg.GetSettings().m_strMoveDir = m_move.Path();
        dlg.GetSettings().m_strTrashDir = m_trash.Path();
        dlg.GetSettings().m_strCopyDir = m_copy.Path();
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        Select(dlg, index);
    }
    static void Select(CViewerDlg& dlg, int index) {
        dlg.Folder().Select(index);
    }
    static std::string Selected(CViewerDlg& dlg) {
        const int sel = dlg.FileList().ListBox().GetCurSel();
        return sel < 0 ? std::string() : dlg.FileList().ListBox().GetText(sel);
    }

    test::TempDir m_move{"move"};
    test::TempDir m_trash{"trash"};
    test::TempDir m_copy{"copy"};
};

TEST_F(FileOps, MoveNeverReplacesAndRenamesOnlyWhenAsked) {
    WriteBmp("a.bmp", 3, 2, 0x112233);
    WriteBmp("b.Bmp", 2, 2, 0x445566);
    WriteBmp("c.bmp", 1, 1, 0x778899);
    test::WriteFileBytes(m_move / "a.bmp", "already here");
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bAutoRenameAtMove = FALSE;
        Open(dlg);
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsFailure()) << "a taken name fails with renaming off";
        EXPECT_EQ(test::ReadFileBytes(m_move / "a.bmp"), "already here");
        EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
        EXPECT_EQ(Selected(dlg), "a.bmp") << "the picture stays selected";
        EXPECT_EQ(Entries(dlg).size(), 3u);

        dlg.GetSettings().m_bAutoRenameAtMove = 2;  // only 1 turns renaming on
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsFailure());

        dlg.GetSettings().m_bAutoRenameAtMove = TRUE;
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());
        EXPECT_EQ(test::ReadFileBytes(m_move / "a_0000.BMP"), a);
        EXPECT_EQ(Entries(dlg), (Strings{"b.Bmp", "c.bmp"}));
        EXPECT_EQ(Selected(dlg), "b.Bmp") << "the next picture takes the place";
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 0);

        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone()) << "a free name is kept, case and all";
        Select(dlg, 0);
        WriteBmp("a.bmp", 1, 1, 0xABCDEF);
        dlg.Folder().Relist();
        Select(dlg, 0);
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());
        EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "a_0000.BMP", "a_0001.BMP", "b.Bmp"}));
        EXPECT_EQ(Entries(dlg), (Strings{"c.bmp"}));
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());
        EXPECT_TRUE(Entries(dlg).empty());
        EXPECT_EQ(dlg.Folder().SelectedIndex(), -1);
        EXPECT_EQ(dlg.Sorting().MoveSelectedFile().kind, OpResult::Kind::kNothingToDo) << "nothing selected";
    });
    EXPECT_TRUE(prompts.messages.empty()) << "the operations themselves show no failure";
}

TEST_F(FileOps, MoveGivesUpAfterTenThousandNames) {
    WriteBmp("a.bmp", 1, 1, 0x010203);
    test::WriteFileBytes(m_move / "a.bmp", "own name");
    std::vector<std::string> taken;
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "a_%04d.BMP", i);
        taken.push_back(name);
    }
    ASSERT_TRUE(test::HostMakesFiles(m_move.Path(), taken, "taken"));
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bAutoRenameAtMove = TRUE;
        Open(dlg);
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsFailure());
        EXPECT_EQ(test::ReadFileBytes(m_move / "a_9999.BMP"), "taken") << "the last name is not replaced";
        EXPECT_TRUE(test::FileExists(Pic("a.bmp")));
        EXPECT_EQ(Selected(dlg), "a.bmp");

        ::DeleteFileA((m_move / "a_4711.BMP").c_str());
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone()) << "the first free name is found";
        EXPECT_TRUE(test::FileExists(m_move / "a_4711.BMP"));
    });
    EXPECT_TRUE(test::HostRemovesTree(m_move.Path()));
}

TEST_F(FileOps, TrashMoveAndCopyNeverReplace) {
    WriteBmp("a.bmp", 2, 1, 0x102030);
    WriteBmp("b.bmp", 1, 2, 0x405060);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    const std::string b = test::ReadFileBytes(Pic("b.bmp"));
    test::WriteFileBytes(m_trash / "b.bmp", "trash");
    test::WriteFileBytes(m_copy / "b.bmp", "copy");
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bAutoRenameAtMove = TRUE;  // never used by the trash move
        Open(dlg);
        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsDone());
        EXPECT_EQ(test::ReadFileBytes(m_copy / "a.bmp"), a);
        EXPECT_EQ(Selected(dlg), "a.bmp") << "a copy keeps the selection";
        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsFailure()) << "the copy just made is not replaced";

        EXPECT_TRUE(dlg.Sorting().TrashSelectedFile().IsDone());
        EXPECT_EQ(test::ReadFileBytes(m_trash / "a.bmp"), a);
        EXPECT_EQ(Entries(dlg), (Strings{"b.bmp"}));

        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsFailure());
        EXPECT_EQ(test::ReadFileBytes(m_copy / "b.bmp"), "copy");
        EXPECT_TRUE(dlg.Sorting().TrashSelectedFile().IsFailure());
        EXPECT_EQ(test::ReadFileBytes(m_trash / "b.bmp"), "trash");
        EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
        EXPECT_EQ(Selected(dlg), "b.bmp");

        dlg.GetSettings().m_strTrashDir = m_trash / "missing";
        dlg.GetSettings().m_strCopyDir = m_copy / "missing";
        EXPECT_TRUE(dlg.Sorting().TrashSelectedFile().IsFailure()) << "no directory is created";
        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsFailure());
        EXPECT_FALSE(test::DirExists(m_trash / "missing"));

        // An unset target fails instead of meaning the root of the current drive.
        dlg.GetSettings().m_strMoveDir.clear();
        dlg.GetSettings().m_strTrashDir.clear();
        dlg.GetSettings().m_strCopyDir.clear();
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsFailure());
        EXPECT_TRUE(dlg.Sorting().TrashSelectedFile().IsFailure());
        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsFailure());
        EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
        EXPECT_EQ(Selected(dlg), "b.bmp");
    });
}

TEST_F(FileOps, OperationsOnAVanishedFileFailAndKeepTheList) {
    WriteBmp("a.bmp", 1, 1, 0);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        Open(dlg);
        ::DeleteFileA(Pic("a.bmp").c_str());
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsFailure());
        EXPECT_TRUE(dlg.Sorting().CopySelectedFile().IsFailure());
        EXPECT_TRUE(dlg.Sorting().KillSelectedFile().IsFailure());
        EXPECT_EQ(Entries(dlg), (Strings{"a.bmp"}));
    });
}

TEST_F(FileOps, KillOnlyWhenAllowed) {
    test::MakeDir(Pic("sub"));
    WriteBmp("a.bmp", 1, 1, 0);
    WriteBmp("b.bmp", 1, 1, 0);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bDeleteImmediate = FALSE;
        Open(dlg, 1);
        EXPECT_EQ(dlg.Sorting().KillSelectedFile().kind, OpResult::Kind::kRefused) << "told, so no second message";
        EXPECT_TRUE(test::FileExists(Pic("a.bmp")));
        Select(dlg, 0);
        EXPECT_EQ(dlg.Sorting().KillSelectedFile().kind, OpResult::Kind::kRefused);
        ASSERT_EQ(prompts.messages.size(), 2u) << "refused on a directory entry too";
        for (const fw::MessageBoxCall& m : prompts.messages) {
            EXPECT_EQ(m.text, "即時削除の許可が禁止されています。\nKillコマンドはキャンセルされます。");
            EXPECT_EQ(m.caption, "Kill");
            EXPECT_EQ(m.type, static_cast<UINT>(MB_OK));
            EXPECT_EQ(m.owner, dlg.m_hWnd);
        }

        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        EXPECT_EQ(dlg.Sorting().KillSelectedFile().kind, OpResult::Kind::kNothingToDo) << "allowed, on a directory entry";
        EXPECT_TRUE(test::DirExists(Pic("sub")));
        Select(dlg, 1);
        EXPECT_TRUE(dlg.Sorting().KillSelectedFile().IsDone());
        EXPECT_FALSE(test::FileExists(Pic("a.bmp")));
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "b.bmp"}));
        EXPECT_EQ(Selected(dlg), "b.bmp");
        EXPECT_EQ(prompts.messages.size(), 2u);
    });
}

TEST_F(FileOps, DirectoryDeletionTakesTheExactDirectoryThroughTheShell) {
    test::MakeDir(Pic(" lead"));
    test::MakeDir(Pic("lead"));
    WriteBmp(" lead\\inner.bmp", 1, 1, 0);
    WriteBmp("lead\\keep.bmp", 1, 1, 0);
    WriteBmp("z.bmp", 1, 1, 0);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        const Strings listed = Entries(dlg);
        const int lead = static_cast<int>(std::find(listed.begin(), listed.end(), "[  lead ]") - listed.begin());
        ASSERT_LT(lead, 2);
        Select(dlg, lead);
        EXPECT_TRUE(dlg.Sorting().DeleteSelectedDirectory().IsDone());
        ASSERT_EQ(prompts.shellCalls.size(), 1u);
        const auto& call = prompts.shellCalls[0];
        EXPECT_EQ(call.from, m_pics.Path() + "\\ lead");
        EXPECT_TRUE(call.doubleNulTerminated);
        EXPECT_EQ(call.func, static_cast<UINT>(FO_DELETE));
        EXPECT_EQ(call.flags, FOF_ALLOWUNDO) << "the shell asks and keeps an undo";
        EXPECT_EQ(call.title, "削除中");
        EXPECT_EQ(call.to, "");
        EXPECT_EQ(call.owner, dlg.m_hWnd) << "owned by the window, which is disabled meanwhile";
        EXPECT_FALSE(test::DirExists(Pic(" lead")));
        EXPECT_TRUE(test::FileExists(Pic("lead\\keep.bmp")));
        EXPECT_EQ(Entries(dlg), (Strings{"[ lead ]", "z.bmp"}));
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), lead) << "the same index after the reload";

        // Declined in the shell: the listing is read again all the same.
        prompts.shellDeclines = true;
        Select(dlg, 0);
        test::MakeDir(Pic("new"));
        EXPECT_TRUE(dlg.Sorting().DeleteSelectedDirectory().IsDone());
        EXPECT_TRUE(test::DirExists(Pic("lead")));
        EXPECT_EQ(Entries(dlg).size(), 3u);

        // Deleting the last entry clamps the selection to the new last entry.
        prompts.shellDeclines = false;
        test::RemoveTree(Pic("z.bmp"));
        dlg.Folder().Relist();
        ASSERT_EQ(Entries(dlg).size(), 2u);
        Select(dlg, 1);
        const std::string last = Selected(dlg);
        EXPECT_TRUE(dlg.Sorting().DeleteSelectedDirectory().IsDone());
        EXPECT_EQ(Entries(dlg).size(), 1u);
        EXPECT_NE(Entries(dlg)[0], last);
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), 0);
        EXPECT_TRUE(prompts.messages.empty());
    });
}

TEST_F(FileOps, DirectoryDeletionRefusesPicturesAndFileNamesShapedLikeDirectories) {
    WriteBmp("a.bmp", 1, 1, 0);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        EXPECT_EQ(dlg.Sorting().DeleteSelectedDirectory().kind, OpResult::Kind::kRefused);
        // A file entry whose text looks like a directory entry.
        dlg.Folder().Insert(ListEntry::Picture(L"[ a.b]", Decoder::Bmp()));
        const Strings listed = Entries(dlg);
        Select(dlg, static_cast<int>(std::find(listed.begin(), listed.end(), "[ a.b]") - listed.begin()));
        ASSERT_EQ(Selected(dlg), "[ a.b]");
        EXPECT_EQ(dlg.Sorting().DeleteSelectedDirectory().kind, OpResult::Kind::kRefused);
    });
    ASSERT_EQ(prompts.messages.size(), 2u);
    for (const fw::MessageBoxCall& m : prompts.messages) {
        EXPECT_EQ(m.text, "ディレクトリではありません。\n");
        EXPECT_EQ(m.caption, fw::AppName()) << "no caption of its own";
    }
    EXPECT_TRUE(prompts.shellCalls.empty());
    EXPECT_TRUE(test::DirExists(m_pics.Path()));
}

// The shell gets the directory's exact name: "x🙂" is no pattern that takes "x01" with it.
TEST_F(FileOps, ADirectoryIsDeletedByItsExactName) {
    const std::wstring pics = test::Wide(m_pics.Path());
    ASSERT_TRUE(::CreateDirectoryW((pics + L"\\x\U0001F642").c_str(), nullptr));
    test::MakeDir(Pic("x01"));
    WriteBmp("x01\\keep.bmp", 1, 1, 0);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        const int at = dlg.Folder().FindText(L"[ x\U0001F642 ]");
        ASSERT_GE(at, 0) << "listed as it is";
        Select(dlg, at);
        EXPECT_TRUE(dlg.Sorting().DeleteSelectedDirectory().IsDone());
    });
    ASSERT_EQ(prompts.shellCalls.size(), 1u);
    EXPECT_EQ(prompts.shellCalls[0].fromW, pics + L"\\x\U0001F642");
    EXPECT_TRUE(prompts.shellCalls[0].doubleNulTerminated);
    EXPECT_TRUE(test::FileExists(Pic("x01\\keep.bmp")));
    EXPECT_EQ(::GetFileAttributesW((pics + L"\\x\U0001F642").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileOps, NothingToDoOnAnEmptyList) {
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        Open(dlg);
        ASSERT_TRUE(Entries(dlg).empty());
        for (CSortingOps& ops = dlg.Sorting();
             const OpResult result : {ops.MoveSelectedFile(), ops.TrashSelectedFile(), ops.CopySelectedFile(),
                                      ops.KillSelectedFile()}) {
            EXPECT_EQ(result.kind, OpResult::Kind::kNothingToDo);
        }
    });
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
}

}  // namespace
