// A key acts on the entry the user saw selected when pressing it, through real key messages
// in the window's real modal loop: nothing the viewer or another program selects after the
// key was pressed (a listing in parts, a watch batch, a message box that lets one in)
// hands the key to another entry, and a held key that deletes stops at a directory entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/SortingOps.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/win/support/ViewerFixture.h"
#include "undo/OperationRecorder.h"
#include "undo/UndoJournal.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

class KeyAim : public test::ViewerFixture {
protected:
    ModalScript Script() {
        ModalScript script;
        script.Then([this](fw::CDialog&) {
            m_dlg.GetSettings().m_strMoveDir = m_move.Path();
            m_dlg.GetSettings().m_strTrashDir = m_trash.Path();
            m_dlg.GetSettings().m_bAutoRenameAtMove = TRUE;
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }
    void Select(ModalScript& script, const std::string& name) {
        script.Then([this, name](fw::CDialog&) {
            const int index = m_dlg.Folder().FindName(test::Wide(name));
            ASSERT_GE(index, 0) << name;
            m_dlg.Folder().Select(index);
        });
    }
    std::string Selected() const {
        const ListEntry* selected = m_dlg.Folder().Selected();
        return selected == nullptr ? std::string() : test::Narrow(selected->name);
    }
    std::wstring Title() const {
        wchar_t text[1024] = {};
        ::GetWindowTextW(m_dlg.m_hWnd, text, 1024);
        return text;
    }
    bool TitleTellsKeyDropped() const {
        return Title().find(fw::Widen932(CViewerDlg::kAimGoneNote)) != std::wstring::npos;
    }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
    test::TempDir m_trash{"trash"};
};

// The watch's removal of the selected picture is handled before a key pressed earlier
// (posted messages come before input): the key is dropped and told, never handed to the
// picture that took its place. A change made before the key was pressed counts.
TEST_F(KeyAim, AKeyPressedBeforeTheSelectedPictureWentIsDropped) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    ModalScript script = Script();
    Select(script, "b.bmp");
    script.Then([this](fw::CDialog&) {
        test::SendKey('M', true);
        test::SendKey('M', false);
        ::Sleep(20);
        // Another program deletes b.bmp; the watch's batch is applied before the key.
        ASSERT_TRUE(::DeleteFileA(Pic("b.bmp").c_str()));
        m_dlg.Folder().ApplyChanges({{FolderChange::Kind::kRemoved, L"b.bmp"}});
        EXPECT_EQ(Selected(), "c.bmp");
    });
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_move.Path()), Strings{}) << "c.bmp was never seen";
        EXPECT_TRUE(TitleTellsKeyDropped());
        // Now seen: a key pressed after the change acts on it.
        ::Sleep(20);
        test::SendKey('M', true);
        test::SendKey('M', false);
    });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"c.bmp"});
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "d.bmp"}));
}

// A message box shown while a move is carried out lets the watch's batch in, which takes the
// moved picture out of the list first: the move changes the list no more, so the next
// picture is selected and every other one stays listed.
TEST_F(KeyAim, AMessageBoxThatLetsTheWatchInChangesTheListOnce) {
    for (const char* name : {"p1.bmp", "p2.bmp", "p3.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    const std::string journal = test::Narrow(CUndoJournal::DefaultPath());
    // Held the way another viewer holds it while it writes: the move cannot be recorded.
    fw::FileHandle holder(::CreateFileA(journal.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());
    std::vector<std::string> told;
    // The message box runs the thread's messages, as a real one does, until the watch saw
    // the move.
    fw::SetMessageBoxResponder([&](const fw::MessageBoxCall& call) {
        told.push_back(call.text);
        const DWORD start = ::GetTickCount();
        while (m_dlg.Folder().FindName(L"p1.bmp") >= 0 && ::GetTickCount() - start < 5000) {
            test::DrainMessages();
            ::Sleep(10);
        }
        return IDOK;
    });
    ModalScript script = Script();
    Select(script, "p1.bmp");
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Entries(m_dlg), (Strings{"p2.bmp", "p3.bmp"}));
        EXPECT_EQ(Selected(), "p2.bmp");
    });
    script.Run(m_dlg);
    fw::SetMessageBoxResponder(nullptr);
    EXPECT_EQ(told, Strings{kNotRecordedText});
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"p1.bmp"});
}

// A listing's first part shows the entry it is for, however late the enumeration reaches
// it: open on a name, F5 on a selection, and a relisting selecting a name (Ctrl-Z, R, a
// target chosen) never select another entry first, and a key typed at once acts on it.
TEST_F(KeyAim, AListingInPartsShowsTheNamedEntryFromItsFirstPartOn) {
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%05d.bmp", i);
        names.push_back(name);
    }
    ASSERT_TRUE(test::HostMakesFiles(m_pics.Path(), names, ""));
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_strMoveDir = m_move.Path();
        for (const char* name : {"p04999.bmp", "p00000.bmp", "p02500.bmp", "p03333.bmp", "p01234.bmp"}) {
            SCOPED_TRACE(name);
            dlg.Folder().OpenSelecting(test::Wide(m_pics.Path()), test::Wide(name));
            ASSERT_TRUE(dlg.Folder().IsFilling()) << "listed in parts";
            EXPECT_EQ(test::Narrow(dlg.Folder().Selected()->name), name);
            dlg.Folder().FillToEnd();
            EXPECT_EQ(test::Narrow(dlg.Folder().Selected()->name), name);
            EXPECT_EQ(dlg.Folder().Count(), 5000) << "no entry twice";
        }
        dlg.Folder().Select(dlg.Folder().FindName(L"p00002.bmp"));
        dlg.Folder().Relist();
        EXPECT_EQ(test::Narrow(dlg.Folder().Selected()->name), "p00002.bmp") << "F5 keeps the entry";
        dlg.Folder().RelistSelecting(L"p04000.bmp");
        EXPECT_EQ(test::Narrow(dlg.Folder().Selected()->name), "p04000.bmp");
        dlg.Folder().FillToEnd();
        // F5 when the selected entry went: its position in the complete list.
        dlg.Folder().Select(dlg.Folder().FindName(L"p00010.bmp"));
        ASSERT_TRUE(::DeleteFileA(Pic("p00010.bmp").c_str()));
        dlg.Folder().Relist();
        EXPECT_FALSE(dlg.Folder().IsFilling());
        EXPECT_EQ(test::Narrow(dlg.Folder().Selected()->name), "p00011.bmp");
    });
}

// Delete held down goes through the pictures and stops at the first directory entry it
// reaches; only a fresh press deletes a directory.
TEST_F(KeyAim, AHeldDeleteStopsAtADirectoryEntry) {
    for (const char* name : {"x.bmp", "y.bmp", "z.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    test::MakeDir(Pic("d1"));
    test::MakeDir(Pic("d2"));
    test::WriteFileBytes(Pic("d1\\keep.txt"), "kept");
    test::PromptRecorder prompts;
    ModalScript script = Script();
    Select(script, "x.bmp");
    script.Then([](fw::CDialog&) {
        for (int i = 0; i < 6; ++i) {
            test::SendKey(VK_DELETE, true);
        }
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_trash.Path()), (Strings{"x.bmp", "y.bmp", "z.bmp"}));
        EXPECT_TRUE(prompts.shellCalls.empty()) << "no directory deleted by a repeat";
        test::SendKey(VK_DELETE, true);
        test::SendKey(VK_DELETE, false);
    });
    HWND window = nullptr;
    script.Then([&](fw::CDialog&) {
        window = m_dlg.m_hWnd;
        EXPECT_TRUE(prompts.shellCalls.empty()) << "nor by the repeat after its release";
        // Pressed anew: the directory selected is deleted through the shell, owned by the window.
        test::SendKey(VK_DELETE, true);
        test::SendKey(VK_DELETE, false);
    });
    script.Run(m_dlg);
    ASSERT_EQ(prompts.shellCalls.size(), 1u);
    EXPECT_EQ(prompts.shellCalls[0].owner, window);
    EXPECT_TRUE(test::DirExists(Pic("d1")) != test::DirExists(Pic("d2"))) << "one directory, by the fresh press";
}

// Another program replaces the shown picture the usual safe way (written aside, renamed over
// it): the pane shows the new picture soon after, and a key pressed on the old one before
// the new one was found is not carried out on it.
TEST_F(KeyAim, APictureReplacedUnderItsNameIsShownAsItIsNow) {
    WriteBmp("x.bmp", 4, 3, 0x336699);
    WriteBmp("y.bmp", 4, 3, 0x336699);
    ModalScript script = Script();
    Select(script, "x.bmp");
    DWORD replacedAt = 0;
    script.Then([&](fw::CDialog&) {
        ASSERT_EQ(m_dlg.Pane().ShownPictureSize().cx, 4);
        WriteBmp("x.tmp", 8, 6, 0xcc0000);
        ASSERT_TRUE(::MoveFileExA(Pic("x.tmp").c_str(), Pic("x.bmp").c_str(), MOVEFILE_REPLACE_EXISTING));
        replacedAt = ::GetTickCount();
        script.HoldUntil([&] { return m_dlg.Pane().ShownPictureSize().cx == 8; });
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_LT(::GetTickCount() - replacedAt, 2000u) << "shown soon after";
        EXPECT_EQ(Selected(), "x.bmp");
        // A key pressed, then the file replaced again before the key is carried out.
        test::SendKey('M', true);
        test::SendKey('M', false);
        ::Sleep(20);
        WriteBmp("x.tmp", 2, 2, 0x00cc00);
        ASSERT_TRUE(::MoveFileExA(Pic("x.tmp").c_str(), Pic("x.bmp").c_str(), MOVEFILE_REPLACE_EXISTING));
        m_dlg.Folder().ApplyChanges({{FolderChange::Kind::kAdded, L"x.bmp"}});
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Pane().ShownPictureSize().cx, 2);
        EXPECT_TRUE(TitleTellsKeyDropped());
    });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{}) << "the key was pressed on a picture no longer there";
}

// A target that is the folder the picture is in, spelt another way, is refused with a
// message naming it: nothing is renamed in place, nothing recorded. The browser does not
// take the current folder as a target either.
TEST_F(KeyAim, ATargetIsNeverThePicturesOwnFolder) {
    WriteBmp("x.bmp", 4, 3, 0x336699);
    WriteBmp("y.bmp", 4, 3, 0x336699);
    test::PromptRecorder prompts;
    std::string upper = m_pics.Path();
    for (char& c : upper) {
        c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    }
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) {
        m_dlg.GetSettings().m_strMoveDir = upper + "\\.";
        m_dlg.GetSettings().m_strTargetDirs[4] = m_pics.Path() + "\\";
    });
    Select(script, "x.bmp");
    script.Key('M');
    script.Key('5');
    script.Then([&](fw::CDialog&) { prompts.browseAnswers.push_back(test::Wide(upper)); });
    script.Key('M', false, true);
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"x.bmp", "y.bmp"})) << "nothing renamed in place";
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_NE(prompts.messages[0].text.find(upper), std::string::npos) << prompts.messages[0].text;
    EXPECT_NE(prompts.messages[1].text.find(m_pics.Path()), std::string::npos) << prompts.messages[1].text;
    EXPECT_NE(prompts.messages[2].text.find(upper), std::string::npos) << prompts.messages[2].text;
    EXPECT_EQ(m_dlg.GetSettings().m_strMoveDir, upper + "\\.") << "the browser's choice was not taken";
    EXPECT_TRUE(test::ReadFileBytes(test::Narrow(CUndoJournal::DefaultPath())).empty()) << "nothing recorded";
}

}  // namespace

namespace {

// Repeats of a key let go of and pressed again at once are still leftovers of the first
// press: their release waits in the queue after them.
TEST_F(KeyAim, RepeatsQueuedBeforeAReleaseDoNotCountWhenTheKeyIsPressedAgain) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    ModalScript script = Script();
    script.Then([](fw::CDialog&) {
        test::SendKey('M', true);
        test::SendKey('M', true);
        test::SendKey('M', true);
        test::SendKey('M', false);
        test::SendKey('M', true);  // held again while the window gets to the repeats
    });
    script.Then([](fw::CDialog&) { test::SendKey('M', false); });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp"}));
}

// A folder value of the length an earlier version cut values to may name the folder's parent
// or a sibling: it is never used as a folder.
TEST_F(KeyAim, AFolderValueThatMayHaveBeenCutIsRefused) {
    WriteBmp("a.bmp", 4, 3, 0x336699);
    test::PromptRecorder prompts;
    const std::string cut = m_move.Path() + "\\" + std::string(259 - m_move.Path().size() - 1, 'x');
    ASSERT_EQ(cut.size(), 259u);
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) { m_dlg.GetSettings().m_strMoveDir = cut; });
    script.Key('M');
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{"a.bmp"});
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, std::string(CSortingOps::kMayBeCutText) + cut);
}

}  // namespace
