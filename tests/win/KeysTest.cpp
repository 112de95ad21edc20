// The key dispatcher driven by real keystrokes through the main window's modal loop:
// Shift and Ctrl are set as a user's keyboard would set them.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
using test::ViewerFixture;
using Strings = std::vector<std::string>;

class Keys : public ViewerFixture {
protected:
    // A script whose first step lists the picture folder with the test's targets.
    ModalScript Script(BOOL deleteImmediate = FALSE) {
        ModalScript script;
        script.Then([this, deleteImmediate](fw::CDialog&) {
            m_dlg.GetSettings().m_strMoveDir = m_move.Path();
            m_dlg.GetSettings().m_strTrashDir = m_trash.Path();
            m_dlg.GetSettings().m_strCopyDir = m_copy.Path();
            m_dlg.GetSettings().m_bDeleteImmediate = deleteImmediate;
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }
    std::string Selected() const {
        const int sel = m_dlg.FileList().ListBox().GetCurSel();
        return sel < 0 ? std::string() : m_dlg.FileList().ListBox().GetText(sel);
    }
    void ExpectSelected(ModalScript& script, const std::string& name) {
        script.Then([this, name](fw::CDialog&) { EXPECT_EQ(Selected(), name); });
    }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
    test::TempDir m_trash{"trash"};
    test::TempDir m_copy{"copy"};
};

TEST_F(Keys, SortingKeysActOnTheSelectedPicture) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Key('M');
    ExpectSelected(script, "b.bmp");
    script.Key(VK_INSERT).Key('M', true);  // Insert is M; Shift makes no difference
    ExpectSelected(script, "d.bmp");
    script.Key('C').Key('C', true);
    ExpectSelected(script, "d.bmp");
    // With Ctrl these keys choose a target directory instead: no file moves or copies.
    script.Key('M', false, true).Key(VK_INSERT, false, true).Key('C', false, true);
    script.Key(VK_DELETE).Key(VK_DELETE, true).Key(VK_DELETE, false, true);
    ExpectSelected(script, "g.bmp");
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(test::ListNames(m_copy.Path()), (Strings{"d.bmp"}));
    EXPECT_EQ(test::ListNames(m_trash.Path()), (Strings{"d.bmp", "e.bmp", "f.bmp"}));
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"g.bmp"}));
    ASSERT_EQ(prompts.messages.size(), 1u) << "the second C finds its name taken";
    EXPECT_EQ(prompts.messages[0].text, "コピー失敗\nコピー先Dir  : " + m_copy.Path());
}

// A key handled late, the modifier already released when the window gets to it, still
// means what it meant when it was pressed.
TEST_F(Keys, ModifiersCountAsTheyWereWhenTheKeyWasPressed) {
    for (const char* name : {"a.bmp", "b.bmp"}) {
        WriteBmp(name, 2, 2, 0);
    }
    test::PromptRecorder prompts;
    ModalScript script = Script(TRUE);
    script.Then([this](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = m_copy.Path(); });
    const std::pair<WORD, WORD> presses[] = {
        {VK_CONTROL, 'M'}, {VK_CONTROL, VK_INSERT}, {VK_CONTROL, 'C'}, {VK_CONTROL, 'W'}, {VK_SHIFT, 'K'}};
    for (const auto& [modifier, key] : presses) {
        script.Then([modifier, key](fw::CDialog&) {
            // All queued before the window takes the first: the modifier is up by then.
            test::SendKey(modifier, true);
            test::SendKey(key, true);
            test::SendKey(modifier, false);
            test::SendKey(key, false);
            EXPECT_EQ(::GetAsyncKeyState(modifier) & 0x8000, 0);
        });
    }
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "b.bmp"}));
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
    EXPECT_TRUE(test::ListNames(m_copy.Path()).empty());
    EXPECT_EQ(prompts.browses.size(), 3u) << "Ctrl-M, Ctrl-Insert and Ctrl-C choose a folder";
    ASSERT_EQ(prompts.programStarts.size(), 1u) << "Ctrl-W opens the folder";
    EXPECT_EQ(prompts.programStarts[0].commandLine, "explorer " + m_pics.Path());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "ディレクトリではありません。\n") << "Shift-K is no kill";
}

// A folder that cannot be watched, as on some network shares: files that change behind the
// list stay as listed, until it is read again.
struct UnwatchedFolders {
    UnwatchedFolders() { CFolderWatch::s_refuseWatches = true; }
    ~UnwatchedFolders() { CFolderWatch::s_refuseWatches = false; }
    UnwatchedFolders(const UnwatchedFolders&) = delete;
    UnwatchedFolders& operator=(const UnwatchedFolders&) = delete;
};

TEST_F(Keys, FailuresNameTheTargetAsHeldInAnErrorBox) {
    const UnwatchedFolders unwatched;  // a.bmp vanishes behind the list
    WriteBmp("a.bmp", 2, 2, 0);
    test::PromptRecorder prompts;
    ModalScript script = Script(TRUE);
    script.Then([this](fw::CDialog&) {
        m_dlg.GetSettings().m_strMoveDir = "C:\\no such dir";
        m_dlg.GetSettings().m_strTrashDir = "C:\\no trash\\";
        m_dlg.GetSettings().m_strCopyDir = "C:\\no copy";
    });
    script.Key('M').Key(VK_DELETE).Key('C');
    script.Then([this](fw::CDialog&) { ::DeleteFileA(Pic("a.bmp").c_str()); });
    script.Key('K');
    ExpectSelected(script, "a.bmp");
    HWND window = nullptr;
    script.Then([&](fw::CDialog& dlg) { window = dlg.m_hWnd; });
    script.Run(m_dlg);
    ASSERT_EQ(prompts.messages.size(), 4u);
    EXPECT_EQ(prompts.messages[0].text, "移動失敗\n移動先Dir  : C:\\no such dir");
    EXPECT_EQ(prompts.messages[1].text, "移動失敗\n移動先Dir  : C:\\no trash\\");
    EXPECT_EQ(prompts.messages[2].text, "コピー失敗\nコピー先Dir  : C:\\no copy");
    EXPECT_EQ(prompts.messages[3].text, "削除失敗\n");
    for (const fw::MessageBoxCall& m : prompts.messages) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(m.owner, window);
    }
}

TEST_F(Keys, KillAndDirectoryDeletionByModifiers) {
    test::MakeDir(Pic("sub"));
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteBmp(name, 2, 2, 0);
    }
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) { m_dlg.Folder().Select(1); });
    script.Key('K');  // refused: not allowed
    script.Then([&](fw::CDialog&) {
        EXPECT_TRUE(test::FileExists(Pic("a.bmp")));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].caption, "Kill");
        m_dlg.GetSettings().m_bDeleteImmediate = TRUE;
    });
    script.Key('K', false, true).Key('K', true, true);  // Ctrl-K and Shift-Ctrl-K are K
    ExpectSelected(script, "c.bmp");
    script.Key('K', true);  // Shift-K on a picture
    script.Then([&](fw::CDialog&) {
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_EQ(prompts.messages[1].text, "ディレクトリではありません。\n");
        EXPECT_TRUE(prompts.shellCalls.empty());
        m_dlg.Folder().Select(0);
        prompts.shellDeclines = true;
    });
    script.Key(VK_DELETE).Key('K', true);  // both delete the directory through the shell
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"c.bmp", "sub"}));
    ASSERT_EQ(prompts.shellCalls.size(), 2u);
    for (const auto& call : prompts.shellCalls) {
        EXPECT_EQ(call.from, m_pics.Path() + "\\sub");
    }
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(test::ListNames(m_trash.Path()).empty()) << "Delete on a directory is no trash move";
}

TEST_F(Keys, EscapeReturnAndAltLettersNeitherCloseNorAct) {
    WriteBmp("a.bmp", 2, 2, 0);
    test::PromptRecorder prompts;
    bool stillOpen = false;
    ModalScript script = Script(TRUE);
    script.Key(VK_ESCAPE).Key(VK_RETURN).Key(VK_RETURN, true, true);
    script.Then([](fw::CDialog&) {
        for (const WORD key : {WORD{'M'}, WORD{'K'}, WORD{'C'}}) {
            test::SendKey(VK_MENU, true);
            test::SendKey(key, true);
            test::SendKey(key, false);
            test::SendKey(VK_MENU, false);
        }
        test::SendKey(VK_ESCAPE, true);  // closes the menu the Alt presses may have opened
        test::SendKey(VK_ESCAPE, false);
    });
    // Plain T and Shift-T do nothing at all.
    script.Key('T').Key('T', true);
    script.Then([&](fw::CDialog& dlg) { stillOpen = dlg.IsModalRunning(); });
    script.Run(m_dlg);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp"}));
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
    EXPECT_TRUE(test::ListNames(m_copy.Path()).empty());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(Keys, NavigationReloadAndBrowse) {
    test::MakeDir(Pic("sub"));
    WriteBmp("sub\\inner.bmp", 2, 2, 0);
    WriteBmp("a.bmp", 2, 2, 0);
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Key(VK_RIGHT);
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Folder().Dir(), test::Wide(m_pics.Path() + "\\sub"));
        EXPECT_EQ(Selected(), "inner.bmp");
    });
    script.Key(VK_LEFT);
    ExpectSelected(script, "[ sub ]");
    script.Then([this](fw::CDialog&) { WriteBmp("b.bmp", 2, 2, 0); });
    script.Key(VK_F5, false, true);  // Ctrl-F5 is F5
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Entries(m_dlg), (Strings{"[ sub ]", "a.bmp", "b.bmp"}));
        EXPECT_TRUE(m_dlg.Pane().IsFitToPane());
    });
    script.Key(VK_SPACE);
    script.Then([this](fw::CDialog&) { EXPECT_FALSE(m_dlg.Pane().IsFitToPane()); });
    script.Key(VK_SPACE);
    script.Then([this](fw::CDialog&) { EXPECT_TRUE(m_dlg.Pane().IsFitToPane()); });
    script.Key('D');
    script.Run(m_dlg);
    ASSERT_EQ(prompts.browses.size(), 1u);
    EXPECT_EQ(prompts.browses[0].initialFolder, m_pics.Path() + "\\") << "the parent as Left listed it";
}

TEST_F(Keys, OtherKeysKeepTheListsOwnNavigation) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
        WriteBmp(name, 2, 2, 0);
    }
    ModalScript script = Script();
    script.Key(VK_END);
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "e.bmp");
        EXPECT_EQ(m_dlg.Folder().SelectedIndex(), 4) << "the selection change shows the entry";
    });
    script.Key(VK_UP).Key(VK_UP, true, true);  // Shift and Ctrl make no difference
    ExpectSelected(script, "c.bmp");
    script.Key(VK_SHIFT).Key(VK_CONTROL).Key(VK_DOWN);
    ExpectSelected(script, "d.bmp");
    script.Key(VK_HOME);
    ExpectSelected(script, "a.bmp");
    script.Run(m_dlg);
}

TEST_F(Keys, UpAndDownPageThroughATallPictureBeforeMovingOn) {
    test::PromptRecorder prompts;
    int pageHeight = 0;
    ModalScript script;
    script.Then([&](fw::CDialog&) {
        RECT client{};
        ::GetClientRect(m_dlg.m_hWnd, &client);
        const RECT pane = m_dlg.Pane().GetPaneRect();
        ASSERT_EQ(pane.bottom - pane.top, client.bottom) << "the pane is as tall as the window";
        pageHeight = client.bottom;
        WriteBmp("a.bmp", 40, 3 * pageHeight, 0x00FF00);
        WriteBmp("b.bmp", 40, 3 * pageHeight, 0x0000FF);
        m_dlg.Folder().Open(test::Wide(m_pics.Path()));
        m_dlg.FileList().ListBox().SetFocus();
    });
    // Fitted, the picture is all on screen: Down moves on at once, Up comes back.
    script.Key(VK_DOWN);
    ExpectSelected(script, "b.bmp");
    script.Key(VK_UP);
    ExpectSelected(script, "a.bmp");
    script.Then([this](fw::CDialog&) { m_dlg.Pane().SetFitToPane(false); });
    for (int page = 1; page <= 2; ++page) {
        script.Key(VK_DOWN);
        script.Then([&, page](fw::CDialog&) {
            EXPECT_EQ(m_dlg.Pane().GetScrollY(), page * pageHeight);
            EXPECT_EQ(Selected(), "a.bmp");
        });
    }
    script.Key(VK_DOWN);
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp");
        EXPECT_EQ(m_dlg.Pane().GetScrollY(), 0) << "a new picture is shown from its top";
    });
    script.Key(VK_UP);
    ExpectSelected(script, "a.bmp");
    script.Run(m_dlg);
}

TEST_F(Keys, IWithAnyModifiersOpensTheMemoAndCtrlWTheDirectory) {
    WriteBmp("a.bmp", 2, 2, 0);
    test::WriteFileBytes(Pic("URLMemo.txt"), "http://memo.example/\r\n");
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Then([this](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = m_copy.Path(); });
    script.Key('I').Key('I', true).Key('I', false, true).Key('I', true, true);
    script.Key('W', false, true).Key('W', true, true);
    script.Key('W');  // no Ctrl: the wallpaper file, not the file manager
    script.Run(m_dlg);
    EXPECT_TRUE(test::FileExists(m_copy / "a.BMP"));
    Strings started;
    for (const auto& start : prompts.programStarts) {
        started.push_back(start.commandLine);
    }
    const std::string memo = "explorer http://memo.example/";
    const std::string dir = "explorer " + m_pics.Path();
    EXPECT_EQ(started, (Strings{memo, memo, memo, memo, dir, dir}));
    EXPECT_TRUE(prompts.messages.empty());
}

// The prompts themselves are checked against the part; here the keys reach it.
TEST_F(Keys, CtrlMAndCtrlInsertChooseTheMoveTargetThatMUsesNext) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteBmp(name, 2, 2, 0);
    }
    test::TempDir newMove("new move");
    test::PromptRecorder prompts;
    prompts.browseAnswers = {test::Wide(newMove.Path()), L""};
    HWND window = nullptr;
    ModalScript script = Script();
    script.Then([&](fw::CDialog& dlg) {
        window = dlg.m_hWnd;
        m_dlg.Folder().Select(1);
    });
    script.Key('M', false, true);
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp") << "the same picture after the list is read again";
        EXPECT_EQ(m_dlg.Folder().SelectedIndex(), 1);
    });
    script.Key(VK_INSERT, false, true);  // cancelled
    script.Key('M');
    script.Run(m_dlg);

    EXPECT_EQ(test::ListNames(newMove.Path()), Strings{"b.bmp"});
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
    ASSERT_EQ(prompts.browses.size(), 2u);
    EXPECT_EQ(prompts.browses[0].initialFolder, m_move.Path());
    EXPECT_EQ(prompts.browses[1].initialFolder, newMove.Path());
    for (const auto& browse : prompts.browses) {
        EXPECT_EQ(browse.title, "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。");
        EXPECT_EQ(browse.owner, window);
        EXPECT_EQ(browse.flags, 0x41u);
    }
}

TEST_F(Keys, RRenamesTheEntryAndSelectsItUnderItsNewName) {
    const UnwatchedFolders unwatched;  // c.bmp, made behind the list, shows whether it is read again
    test::MakeDir(Pic(" photos"));
    WriteBmp("a.bmp", 2, 2, 0x112233);
    WriteBmp("b.bmp", 3, 3, 0x445566);
    const std::string b = test::ReadFileBytes(Pic("b.bmp"));
    std::deque<std::optional<std::string>> answers = {"pics", "A.BMP", std::nullopt, "a.bmp", std::nullopt};
    Strings shown;  // caption and name, as each dialog opened
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.OnNestedDialog([&](fw::CDialog& nested) {
        char name[MAX_PATH] = {};
        ::GetDlgItemTextA(nested.m_hWnd, IDC_RENAME_NAME, name, sizeof name);
        shown.push_back(nested.GetWindowText() + ":" + name);
        ASSERT_FALSE(answers.empty());
        const std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (answer) {
            ::SetDlgItemTextA(nested.m_hWnd, IDC_RENAME_NAME, answer->c_str());
        }
        nested.PostMessage(WM_COMMAND, answer ? IDOK : IDCANCEL, 0);
    });
    script.Key('R');
    ExpectSelected(script, "[ pics ]");
    script.Then([this](fw::CDialog&) { m_dlg.Folder().Select(1); });
    script.Key('R', false, true);  // a change of letter case only; Ctrl makes no difference
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "A.BMP");
        ASSERT_NE(m_dlg.Folder().Selected(), nullptr);
        EXPECT_EQ(m_dlg.Folder().Selected()->name, L"A.BMP") << "and shown";
        WriteBmp("c.bmp", 2, 2, 0);
        m_dlg.Folder().Select(2);
    });
    script.Key('R', true);  // cancelled
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp");
        EXPECT_EQ(Entries(m_dlg), (Strings{"[ pics ]", "A.BMP", "b.bmp"})) << "not listed again";
    });
    script.Key('R');  // onto the name of the other picture: refused, said, and b.bmp stays selected
    ExpectSelected(script, "b.bmp");
    script.Then([this](fw::CDialog&) { m_dlg.Folder().Select(-1); });
    script.Key('R');  // nothing selected: no dialog
    script.Run(m_dlg);

    EXPECT_EQ(shown, (Strings{"リネーム: photos", "リネーム:a.bmp", "リネーム:b.bmp", "リネーム:b.bmp"}));
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"A.BMP", "b.bmp", "c.bmp", "pics"}));
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "名前を変更できません。同じ名前のファイルかフォルダがあります:\na.bmp");
}

}  // namespace
