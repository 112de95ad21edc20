// Ctrl-Z through the main window's modal loop with real keystrokes, and the undo journal
// on disk: moves, trash moves and renames go back one by one, across a restart, never onto
// a taken name, and a damaged journal still undoes what it holds before the damage.
#include <gtest/gtest.h>

#include <deque>

#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"
#include "undo/UndoJournal.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

constexpr char kCaption[] = "元に戻す";
constexpr char kNothingToUndo[] = "元に戻せる操作はありません。";

std::string Utf8(const std::string& ansi) {
    return fw::FromWide(fw::ToWide(ansi, CP_ACP).value_or(L""), CP_UTF8);
}

class Undo : public test::ViewerFixture {
protected:
    std::string Journal() const { return test::Narrow(CUndoJournal::DefaultPath()); }
    ModalScript Script() {
        ModalScript script;
        script.Then([this](fw::CDialog&) {
            m_dlg->GetSettings().m_strMoveDir = m_move.Path();
            m_dlg->GetSettings().m_strTrashDir = m_trash.Path();
            m_dlg->GetSettings().m_strCopyDir = m_copy.Path();
            m_dlg->GetSettings().m_bDeleteImmediate = TRUE;
            m_dlg->GetSettings().m_bAutoRenameAtMove = TRUE;
            m_dlg->SetCurDir(test::Wide(m_pics.Path()));
            m_dlg->ListDirectory(m_dlg->GetCurDir());
            m_dlg->ShowSelectedEntry();
            m_dlg->Files().ListBox().SetFocus();
        });
        return script;
    }
    // A new main window, as after a restart: a new journal object reads the file.
    void Restart() { m_dlg = std::make_unique<CViewerDlg>(); }
    std::string Selected() const {
        const int sel = m_dlg->Files().ListBox().GetCurSel();
        return sel < 0 ? std::string() : m_dlg->Files().ListBox().GetText(sel);
    }
    void ExpectSelected(ModalScript& script, const std::string& text, const char* what) {
        script.Then([this, text, what](fw::CDialog&) {
            EXPECT_EQ(Selected(), text) << what;
            ASSERT_NE(m_dlg->Files().Current(), nullptr) << what;
            EXPECT_EQ(m_dlg->Files().Current()->Text(), test::Wide(text)) << what << ": and shown";
        });
    }
    void Select(ModalScript& script, const std::string& text) {
        script.Then([this, text](fw::CDialog&) {
            m_dlg->Files().SelectText(test::Wide(text));
            m_dlg->ShowSelectedEntry();
        });
    }
    static ModalScript& CtrlZ(ModalScript& script) { return script.Key('Z', false, true); }

    std::unique_ptr<CViewerDlg> m_dlg = std::make_unique<CViewerDlg>();
    test::TempDir m_move{"move"};
    test::TempDir m_trash{"trash"};
    test::TempDir m_copy{"copy"};
};

TEST_F(Undo, MovesTrashMovesAndRenamesGoBackOneByOneAcrossARestart) {
    const std::pair<const char*, uint32_t> pictures[] = {{"a.bmp", 0xFF0000}, {"b.bmp", 0x00FF00},
                                                         {"c.bmp", 0x0000FF}, {"d.bmp", 0xFFFF00},
                                                         {"e.bmp", 0x00FFFF}, {"f.bmp", 0xFF00FF}};
    for (const auto& [name, rgb] : pictures) {
        WriteBmp(name, 3, 2, rgb);
    }
    test::MakeDir(Pic("sub"));
    test::WriteFileBytes(m_move / "d.bmp", "an older d");
    Strings originals;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp"}) {
        originals.push_back(test::ReadFileBytes(Pic(name)));
    }
    test::PromptRecorder prompts;
    std::deque<std::string> names = {"x.bmp", "dir"};
    ModalScript script = Script();
    script.OnNestedDialog([&](fw::CDialog& rename) {
        ASSERT_FALSE(names.empty());
        ::SetDlgItemTextA(rename.m_hWnd, IDC_RENAME_NAME, names.front().c_str());
        names.pop_front();
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    // a moves, b goes to the trash, c becomes x, d moves under a new name, the folder is
    // renamed; e is copied and f killed, neither of which is recorded.
    Select(script, "a.bmp");
    script.Key('M').Key(VK_DELETE).Key('R');
    Select(script, "d.bmp");
    script.Key('M').Key('C');
    Select(script, "f.bmp");
    script.Key('K');
    Select(script, "[ sub ]");
    script.Key('R');
    ExpectSelected(script, "[ dir ]", "renamed");
    CtrlZ(script);
    ExpectSelected(script, "[ sub ]", "the folder has its name back");
    CtrlZ(script);
    ExpectSelected(script, "d.bmp", "back from the move folder");
    script.Run(*m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "d.bmp"}));

    Restart();
    script = Script();
    CtrlZ(script);
    ExpectSelected(script, "c.bmp", "the rename after the restart");
    CtrlZ(script);
    ExpectSelected(script, "b.bmp", "out of the trash");
    CtrlZ(script);
    ExpectSelected(script, "a.bmp", "back from the move folder");
    CtrlZ(script);  // nothing left: the copy and the kill are not undone
    script.Run(*m_dlg);

    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "sub"}));
    const char* back[] = {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};
    for (size_t i = 0; i < std::size(back); ++i) {
        EXPECT_EQ(test::ReadFileBytes(Pic(back[i])), originals[i]) << back[i];
    }
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"d.bmp"});
    EXPECT_EQ(test::ReadFileBytes(m_move / "d.bmp"), "an older d");
    EXPECT_EQ(test::ListNames(m_trash.Path()), Strings{});
    EXPECT_EQ(test::ListNames(m_copy.Path()), Strings{"e.bmp"});
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, kNothingToUndo);
    EXPECT_EQ(prompts.messages[0].caption, kCaption);
}

TEST_F(Undo, ATakenNameOrAMissingFileChangesNothingAndTheRecordStays) {
    WriteBmp("a.bmp", 2, 2, 0x123456);
    WriteBmp("b.bmp", 2, 2, 0x654321);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Key('M');  // a.bmp
    script.Then([&](fw::CDialog&) { test::WriteFileBytes(Pic("a.bmp"), "a newcomer"); });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), "a newcomer");
        EXPECT_EQ(test::ReadFileBytes(m_move / "a.bmp"), a);
        ::DeleteFileA(Pic("a.bmp").c_str());
        ::MoveFileA((m_move / "a.bmp").c_str(), (m_move / "elsewhere.bmp").c_str());
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_FALSE(test::FileExists(Pic("a.bmp")));
        ::MoveFileA((m_move / "elsewhere.bmp").c_str(), (m_move / "a.bmp").c_str());
    });
    CtrlZ(script);  // the record stayed: now it goes back
    ExpectSelected(script, "a.bmp", "restored");
    script.Run(*m_dlg);
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "元の場所に同じ名前のファイルがあるため、元に戻せません。\n" + Pic("a.bmp"));
    EXPECT_EQ(prompts.messages[1].text, "ファイルが記録された場所にないため、元に戻せません。\n" + (m_move / "a.bmp"));
    EXPECT_EQ(prompts.messages[1].caption, kCaption);
}

// A name outside code page 932 goes back through the wide API; after the damage nothing
// counts, not even a well-formed record, and the damaged tail is cut off.
TEST_F(Undo, ADamagedJournalStillUndoesTheRecordsBeforeTheDamage) {
    const std::wstring hangul = L"\xD55C.bmp";
    const std::wstring wideMove = *fw::ToWide(m_move.Path(), CP_ACP) + L"\\" + hangul;
    const std::wstring widePics = *fw::ToWide(m_pics.Path(), CP_ACP) + L"\\" + hangul;
    const std::string hangulFrom = fw::FromWide(widePics, CP_UTF8);
    const std::string hangulTo = fw::FromWide(wideMove, CP_UTF8);
    const std::string first = FormatOperation({FileOp::kMove, hangulFrom, hangulTo});
    const std::string after = FormatOperation({FileOp::kMove, Utf8(Pic("z.bmp")), Utf8(m_move / "z.bmp")});
    for (const std::string& damage : {std::string("M 12:C:\\cut"), "\xFF\xFE garbage\n" + after}) {
        SCOPED_TRACE(damage);
        {
            fw::FileHandle file(::CreateFileW(wideMove.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            ASSERT_TRUE(file.IsValid());
        }
        test::WriteFileBytes(m_move / "z.bmp", "z");
        test::WriteFileBytes(Journal(), first + damage);
        test::PromptRecorder prompts;
        Restart();
        ModalScript script = Script();
        CtrlZ(script);
        CtrlZ(script);
        script.Run(*m_dlg);
        EXPECT_NE(::GetFileAttributesW(widePics.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(::GetFileAttributesW(wideMove.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(test::FileExists(m_move / "z.bmp"));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kNothingToUndo);
        // The record of an earlier version is marked by its content.
        EXPECT_EQ(test::ReadFileBytes(Journal()), first + FormatUndone({FileOp::kMove, hangulFrom, hangulTo}));
        ::DeleteFileW(widePics.c_str());
    }
}

TEST_F(Undo, TheJournalKeepsTheLatestOperationsAndReadsThemBackInANewObject) {
    ::DeleteFileA(Journal().c_str());
    {
        CUndoJournal journal(CUndoJournal::DefaultPath());
        for (size_t i = 0; i <= 2 * kJournalKeep; ++i) {
            journal.Recorded(FileOp::kRename, L"C:\\a\\" + std::to_wstring(i), L"C:\\b\\" + std::to_wstring(i));
        }
    }
    const ParsedJournal parsed = ParseJournal(test::ReadFileBytes(Journal()));
    EXPECT_EQ(parsed.lines, kJournalKeep) << "compacted by a file put in its place";
    ASSERT_EQ(parsed.live.size(), kJournalKeep);
    EXPECT_EQ(parsed.live.front().from, "C:\\a\\" + std::to_string(kJournalKeep + 1));
    CUndoJournal again(CUndoJournal::DefaultPath());
    const std::optional<JournalEntry> latest = again.Latest();
    ASSERT_TRUE(latest.has_value());
    EXPECT_EQ(latest->to, "C:\\b\\" + std::to_string(2 * kJournalKeep));
    for (const std::string& name : test::ListNames(test::ExeDir())) {
        EXPECT_FALSE(name.ends_with(".tmp")) << name << ": no temporary file is left behind";
    }
}

}  // namespace
