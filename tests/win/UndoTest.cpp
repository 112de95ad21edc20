// Ctrl-Z through the main window's modal loop with real keystrokes, and the undo journal
// on disk: moves, trash moves and renames go back one by one, across a restart, never onto
// a taken name, and a damaged journal still undoes what it holds before the damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <thread>

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/win/support/SpareVolume.h"
#include "tests/win/support/ViewerFixture.h"
#include "undo/UndoJournal.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

constexpr char kCaption[] = "元に戻す";
constexpr char kNothingToUndo[] = "元に戻せる操作はありません。";
constexpr char kChanged[] = "記録された場所のファイルが操作の後に変わっているため、元に戻せません。\n";
constexpr char kNotMarked[] = "元に戻しましたが、記録を更新できませんでした。\n";
constexpr char kFailed[] = "元に戻せませんでした。\n";

std::string Utf8(const std::string& ansi) {
    return fw::FromWide(fw::ToWide(ansi, CP_ACP).value_or(L""), CP_UTF8);
}

FILETIME WriteTimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
    return data.ftLastWriteTime;
}

void SetWriteTime(const std::string& path, FILETIME time) {
    fw::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid() && ::SetFileTime(file.Get(), nullptr, nullptr, &time)) << path;
}

// Opens the journal the way a viewer of an earlier version does while it writes: others
// may read it meanwhile, not write.
fw::FileHandle HoldForWriting(const std::string& path) {
    return fw::FileHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Holds the journal for writing as soon as the viewers have let go of it, running this
// thread's messages (and the viewers' keep timers) meanwhile; invalid after `waitMs`.
fw::FileHandle HoldOnceLetGo(const std::string& path, DWORD waitMs) {
    const DWORD start = ::GetTickCount();
    fw::FileHandle holder = HoldForWriting(path);
    while (!holder.IsValid() && ::GetTickCount() - start < waitMs) {
        test::DrainMessages();
        ::Sleep(20);
        holder = HoldForWriting(path);
    }
    return holder;
}

// Records a move of C:\a\<i> to C:\b\<i>.
bool RecordMove(CUndoJournal& journal, int i) {
    return journal.Record(FileOp::kMove, L"C:\\a\\" + std::to_wstring(i), L"C:\\b\\" + std::to_wstring(i));
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
            m_dlg->Folder().Open(test::Wide(m_pics.Path()));
            m_dlg->FileList().ListBox().SetFocus();
        });
        return script;
    }
    // A new main window, as after a restart: a new journal object reads the file.
    void Restart() { m_dlg = std::make_unique<CViewerDlg>(); }
    std::string Selected() const {
        const int sel = m_dlg->FileList().ListBox().GetCurSel();
        return sel < 0 ? std::string() : m_dlg->FileList().ListBox().GetText(sel);
    }
    void ExpectSelected(ModalScript& script, const std::string& text, const char* what) {
        script.Then([this, text, what](fw::CDialog&) {
            EXPECT_EQ(Selected(), text) << what;
            ASSERT_NE(m_dlg->Folder().Selected(), nullptr) << what;
            EXPECT_EQ(m_dlg->Folder().Selected()->Text(), test::Wide(text)) << what << ": and shown";
        });
    }
    void Select(ModalScript& script, const std::string& text) {
        script.Then([this, text](fw::CDialog&) {
            m_dlg->Folder().Select(m_dlg->Folder().FindText(test::Wide(text)));
            m_dlg->Pane().ShowSelected();
        });
    }
    static ModalScript& CtrlZ(ModalScript& script) { return script.Key('Z', false, true); }
    ParsedJournal ReadJournal() const { return ParseJournal(test::ReadFileBytes(Journal())); }

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

TEST_F(Undo, ATakenNameOrAFolderOutOfReachChangesNothingAndTheRecordStays) {
    WriteBmp("a.bmp", 2, 2, 0x123456);
    WriteBmp("b.bmp", 2, 2, 0x654321);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    const std::string away = m_move.Path() + "-away";
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Key('M');  // a.bmp
    script.Then([&](fw::CDialog&) { test::WriteFileBytes(Pic("a.bmp"), "a newcomer"); });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), "a newcomer");
        EXPECT_EQ(test::ReadFileBytes(m_move / "a.bmp"), a);
        ::DeleteFileA(Pic("a.bmp").c_str());
        // The move folder out of reach, as a drive taken away: the file may come back.
        ASSERT_TRUE(::MoveFileA(m_move.Path().c_str(), away.c_str()));
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_FALSE(test::FileExists(Pic("a.bmp")));
        ASSERT_TRUE(::MoveFileA(away.c_str(), m_move.Path().c_str()));
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

// A file deleted from the move folder would stop every Ctrl-Z at its record: it is passed
// over, told once, and the same Ctrl-Z takes the record before it back.
TEST_F(Undo, AGoneFileIsPassedOverOnceAndTheRecordBeforeGoesBack) {
    WriteBmp("a.bmp", 2, 2, 0x123456);
    WriteBmp("b.bmp", 2, 2, 0x654321);
    WriteBmp("c.bmp", 2, 2, 0x111111);
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Key('M').Key('M').Key('M');  // a, b, c
    script.Then([&](fw::CDialog&) {
        ASSERT_TRUE(::DeleteFileA((m_move / "c.bmp").c_str()));
        ASSERT_TRUE(::DeleteFileA((m_move / "b.bmp").c_str()));
    });
    CtrlZ(script);
    ExpectSelected(script, "a.bmp", "the record before the gone ones");
    CtrlZ(script);
    script.Run(*m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{"a.bmp"});
    EXPECT_TRUE(ReadJournal().live.empty());
    Strings texts;
    for (const fw::MessageBoxCall& m : prompts.messages) {
        texts.push_back(m.text);
    }
    EXPECT_EQ(texts, (Strings{"次のファイルは記録された場所にないため、その操作を飛ばしました:\n" + (m_move / "c.bmp") +
                                  "\n" + (m_move / "b.bmp"),
                              kNothingToUndo}));
}

// Folders have no stamp: a folder rename records the folder's identity, and Ctrl-Z moves
// only that folder back, never another one made under the new name since. A folder's
// record of an earlier version, without one, still goes back.
TEST_F(Undo, AFolderRenameGoesBackOnlyForThatFolder) {
    test::MakeDir(Pic("A"));
    test::MakeDir(Pic("C"));
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.OnNestedDialog([&](fw::CDialog& rename) {
        ::SetDlgItemTextA(rename.m_hWnd, IDC_RENAME_NAME, "B");
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    Select(script, "[ A ]");
    script.Key('R');
    script.Then([&](fw::CDialog&) {
        const ParsedJournal journal = ReadJournal();
        ASSERT_EQ(journal.live.size(), 1u);
        EXPECT_EQ(journal.live[0].folder, CUndoJournal::FolderIdOf(test::Wide(Pic("B"))));
        EXPECT_TRUE(journal.live[0].folder.has_value());
        // The renamed folder moves on (kept: a folder removed may hand its file index on).
        ASSERT_TRUE(::MoveFileA(Pic("B").c_str(), Pic("E").c_str()));
        test::MakeDir(Pic("B"));
        test::WriteFileBytes(Pic("B\\new.txt"), "new");
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_FALSE(test::FileExists(Pic("A")));
        EXPECT_TRUE(test::FileExists(Pic("B\\new.txt")));
        // A record as an earlier version wrote it: C was renamed to D.
        ASSERT_TRUE(::MoveFileA(Pic("C").c_str(), Pic("D").c_str()));
        const std::string from = Utf8(Pic("C")), to = Utf8(Pic("D"));
        const std::string line =
            "R " + std::to_string(from.size()) + ":" + from + " " + std::to_string(to.size()) + ":" + to + "\n";
        // Beside the handle the viewer keeps open.
        fw::FileHandle other(::CreateFileA(Journal().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(other.IsValid() &&
                    ::WriteFile(other.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr));
    });
    CtrlZ(script);
    ExpectSelected(script, "[ C ]", "the earlier version's folder record");
    script.Run(*m_dlg);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"B", "C", "E"}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              "記録された場所のフォルダは操作したフォルダではないため、元に戻せません。\n" + Pic("B"));
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
        Restart();  // the window before lets go of the journal
        test::WriteFileBytes(Journal(), first + damage);
        test::PromptRecorder prompts;
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
            ASSERT_TRUE(
                journal.Record(FileOp::kRename, L"C:\\a\\" + std::to_wstring(i), L"C:\\b\\" + std::to_wstring(i)));
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

// A journal of a million records and many marks naming no record, just under the 64 MiB a
// viewer reads: it is read in linear time, natively within a second, and the first record after
// start reads and compacts it while other viewers wait for the lock.
TEST_F(Undo, AMillionRecordJournalIsReadWithinASecondAndCompactedByTheFirstRecord) {
    constexpr uint64_t kRecords = 1000000;
    std::string text;
    text.reserve(64u << 20);
    size_t tenth = 0;  // where the first tenth of the records ends
    for (uint64_t i = 1; i <= kRecords; ++i) {
        const std::string n = std::to_string(i);
        text += FormatOperation({FileOp::kMove, "C:\\aa\\" + n, "C:\\bb\\" + n, i});
        if (i % 2 == 0) {
            text += "U @fffffffff" + std::to_string(1000000 + i) + "\n";  // no such record
        }
        if (i % 10 == 0) {
            text += FormatUndone({FileOp::kMove, "", "", i - 5});
        }
        if (i == kRecords / 10) {
            tenth = text.size();
        }
    }
    ASSERT_GT(text.size(), 60u << 20);
    ASSERT_LT(text.size(), 64u << 20);
    test::WriteFileBytes(Journal(), text);

    CUndoJournal journal(CUndoJournal::DefaultPath(), 0);
    // The processor time of this thread, which does all the work: the machine may be shared.
    const auto threadMs = [] {
        FILETIME created{}, exited{}, kernel{}, user{};
        ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME t) { return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
        return (ticks(kernel) + ticks(user)) / 10000.0;
    };
    // A tenth of it, read ten times over, is what reading it all costs in linear time on
    // this machine, natively or through an emulator: a second natively at most. (A tenth,
    // not less: the thread's times come in steps of several milliseconds.)
    const std::string part = text.substr(0, tenth);
    const double partStart = threadMs();
    EXPECT_EQ(ParseJournal(part, kJournalKeep).live.size(), kJournalKeep);
    const double linearMs = 10 * (threadMs() - partStart);
    const double allowedMs = std::max(1000.0, 3 * linearMs);
    const double parseStart = threadMs();
    EXPECT_EQ(ParseJournal(text, kJournalKeep).live.size(), kJournalKeep);
    const double parseMs = threadMs() - parseStart;
    EXPECT_LT(parseMs, allowedMs) << "read in linear time (a tenth took " << linearMs / 10 << " ms)";
    // The first record also reads the file and puts a compacted one in its place.
    const double recordStart = threadMs();
    ASSERT_TRUE(journal.Record(FileOp::kMove, L"C:\\a\\new", L"C:\\b\\new"));
    const double recordMs = threadMs() - recordStart;
    std::printf("%zu-byte journal: read in %.0f ms, first record in %.0f ms of processor time\n", text.size(),
                parseMs, recordMs);
    EXPECT_LT(recordMs, 2 * allowedMs);

    const ParsedJournal parsed = ReadJournal();
    EXPECT_EQ(parsed.lines, kJournalKeep + 1) << "compacted, then the new record";
    ASSERT_EQ(parsed.live.size(), kJournalKeep + 1);
    EXPECT_EQ(parsed.live.back().from, "C:\\a\\new");
    // Every record ending in 5 was marked undone.
    EXPECT_EQ(parsed.live[kJournalKeep - 1].id, kRecords);
    EXPECT_EQ(parsed.live[kJournalKeep - 5].id, kRecords - 4);
    EXPECT_EQ(parsed.live[kJournalKeep - 6].id, kRecords - 6);
}

// Two viewers share the journal: while one undoes its latest record, the other records a
// move of its own. The mark names the record undone; the other viewer's stays.
TEST_F(Undo, AnUndoMarksTheRecordItUndidNotTheLatest) {
    ::DeleteFileA(Journal().c_str());
    CUndoJournal first(CUndoJournal::DefaultPath());
    CUndoJournal second(CUndoJournal::DefaultPath());
    ASSERT_TRUE(first.Record(FileOp::kMove, L"C:\\a\\1.bmp", L"C:\\b\\1.bmp"));
    ASSERT_TRUE(first.Record(FileOp::kMove, L"C:\\a\\2.bmp", L"C:\\b\\2.bmp"));
    const std::optional<JournalEntry> undoing = first.Latest();
    ASSERT_TRUE(undoing.has_value());
    EXPECT_EQ(undoing->to, "C:\\b\\2.bmp");
    ASSERT_TRUE(second.Record(FileOp::kTrashMove, L"C:\\a\\3.bmp", L"C:\\t\\3.bmp"));
    const ParsedJournal before = ReadJournal();
    ASSERT_EQ(before.live.size(), 3u);
    EXPECT_NE(before.live[0].id, before.live[1].id);
    EXPECT_NE(before.live[1].id, before.live[2].id) << "the viewers' identities differ too";
    EXPECT_NE(before.live[0].id, before.live[2].id);

    ASSERT_TRUE(first.MarkUndone(*undoing));
    const ParsedJournal after = ReadJournal();
    ASSERT_EQ(after.live.size(), 2u);
    EXPECT_EQ(after.live[0].to, "C:\\b\\1.bmp");
    EXPECT_EQ(after.live[1].to, "C:\\t\\3.bmp") << "the other viewer's record stays";
    EXPECT_EQ(second.Latest(), after.live[1]);
}

// Another viewer killed in the middle of a line leaves a piece of it at the end; the next
// record does not follow it (where the reader would never find it) but replaces it.
TEST_F(Undo, APieceOfALineLeftByAnotherViewerIsCutBeforeTheNextRecord) {
    ::DeleteFileA(Journal().c_str());
    CUndoJournal journal(CUndoJournal::DefaultPath());
    ASSERT_TRUE(journal.Record(FileOp::kMove, L"C:\\a\\1.bmp", L"C:\\b\\1.bmp"));
    const std::string first = test::ReadFileBytes(Journal());
    {
        fw::FileHandle other(::CreateFileA(Journal().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(other.IsValid());
        const std::string piece = "M 12:C:\\a\\2.bmp 1";
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(other.Get(), piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr));
    }
    ASSERT_TRUE(journal.Record(FileOp::kMove, L"C:\\a\\3.bmp", L"C:\\b\\3.bmp"));
    const std::string text = test::ReadFileBytes(Journal());
    const ParsedJournal parsed = ParseJournal(text);
    EXPECT_EQ(parsed.validBytes, text.size());
    ASSERT_EQ(parsed.live.size(), 2u);
    EXPECT_EQ(text.substr(0, first.size()), first);
    EXPECT_EQ(parsed.live[1].from, "C:\\a\\3.bmp");
}

// A viewer keeps the journal open between its records, shared with the other viewers, and
// lets go once it has been quiet for its keep time, for programs that open the file
// without sharing writing; one that keeps nothing lets go after each record.
TEST_F(Undo, AJournalKeepsTheFileOpenBetweenRecordsAndLetsGoOnceQuiet) {
    ::DeleteFileA(Journal().c_str());
    CUndoJournal other(CUndoJournal::DefaultPath(), 0);
    ASSERT_TRUE(RecordMove(other, 1));
    EXPECT_TRUE(HoldForWriting(Journal()).IsValid()) << "closed after the record";

    CUndoJournal journal(CUndoJournal::DefaultPath(), 400);
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(RecordMove(journal, 2));
    ASSERT_TRUE(RecordMove(journal, 3));
    const fw::FileHandle refused = HoldForWriting(Journal());
    EXPECT_EQ(::GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_FALSE(refused.IsValid()) << "kept";
    ASSERT_TRUE(RecordMove(other, 4)) << "the other viewer still appends";
    fw::FileHandle holder = HoldOnceLetGo(Journal(), 5000);
    ASSERT_TRUE(holder.IsValid()) << "let go once quiet";
    EXPECT_GE(::GetTickCount() - start, 400u);
    holder.Reset();
    ASSERT_TRUE(RecordMove(journal, 5)) << "opened again";
    const ParsedJournal parsed = ReadJournal();
    ASSERT_EQ(parsed.live.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(parsed.live[i].from, "C:\\a\\" + std::to_string(i + 1));
    }
}

// A compaction cannot put a file in the place of one a viewer holds: it leaves the file
// as it is and asks the viewers to let go, which they do after their next append and
// until a compaction has succeeded.
TEST_F(Undo, ACompactionLeavesAHeldFileAndTheViewersLetGoOfIt) {
    std::vector<JournalEntry> old;
    for (size_t i = 0; i + 2 < 2 * kJournalKeep; ++i) {
        old.push_back({FileOp::kRename, "C:\\old\\" + std::to_string(i), "C:\\new\\" + std::to_string(i)});
    }
    test::WriteFileBytes(Journal(), FormatCompacted(old, old.size()));
    const auto held = [this] { return !HoldForWriting(Journal()).IsValid(); };
    CUndoJournal holder(CUndoJournal::DefaultPath(), 60000);
    CUndoJournal compactor(CUndoJournal::DefaultPath(), 0);
    ASSERT_TRUE(RecordMove(holder, 1));
    ASSERT_TRUE(held());
    ASSERT_TRUE(RecordMove(compactor, 2));
    ASSERT_TRUE(RecordMove(compactor, 3)) << "recorded, though the compaction due after it is refused";
    EXPECT_EQ(ReadJournal().lines, 2 * kJournalKeep + 1) << "not compacted";
    ASSERT_TRUE(RecordMove(holder, 4));
    EXPECT_FALSE(held()) << "let go after its next append";

    CUndoJournal reader(CUndoJournal::DefaultPath(), 0);
    const std::optional<JournalEntry> latest = reader.Latest();
    ASSERT_TRUE(latest.has_value());
    EXPECT_EQ(latest->from, "C:\\a\\4");
    EXPECT_EQ(ReadJournal().lines, kJournalKeep) << "compacted once nobody held it";
    ASSERT_TRUE(RecordMove(holder, 5));
    EXPECT_TRUE(held()) << "kept again";
    const ParsedJournal parsed = ReadJournal();
    ASSERT_GE(parsed.live.size(), 5u);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(parsed.live[parsed.live.size() - 6 + i].from, "C:\\a\\" + std::to_string(i));
    }
}

// A program that holds the journal for a moment is waited for; one that keeps it makes
// the record fail within a bounded time, and says so.
TEST_F(Undo, AnAppendWaitsForAProgramHoldingTheJournalButNotLong) {
    ::DeleteFileA(Journal().c_str());
    CUndoJournal journal(CUndoJournal::DefaultPath(), 0);  // keeps nothing the program waits for
    ASSERT_TRUE(journal.Record(FileOp::kRename, L"C:\\a\\0", L"C:\\b\\0"));
    for (const DWORD holdMs : {DWORD{100}, DWORD{1500}}) {
        SCOPED_TRACE(holdMs);
        fw::FileHandle holder = HoldForWriting(Journal());
        ASSERT_TRUE(holder.IsValid());
        std::thread release([&holder, holdMs] {
            ::Sleep(holdMs);
            holder.Reset();
        });
        const DWORD start = ::GetTickCount();
        const bool recorded = journal.Record(FileOp::kRename, L"C:\\a\\" + std::to_wstring(holdMs), L"C:\\b\\1");
        const DWORD waited = ::GetTickCount() - start;
        release.join();
        EXPECT_EQ(recorded, holdMs == 100);
        EXPECT_LT(waited, 1200u) << "bounded";
    }
    const ParsedJournal parsed = ReadJournal();
    ASSERT_EQ(parsed.live.size(), 2u);
    EXPECT_EQ(parsed.live[1].from, "C:\\a\\100");
}

// The move and the rename happen; the user learns that Ctrl-Z cannot take them back.
TEST_F(Undo, AMoveOrRenameThatCannotBeRecordedIsDoneAndSaysSo) {
    WriteBmp("a.bmp", 2, 2, 0x112233);
    WriteBmp("b.bmp", 2, 2, 0x445566);
    test::PromptRecorder prompts;
    fw::FileHandle holder;
    ModalScript script = Script();
    script.OnNestedDialog([](fw::CDialog& rename) {
        ::SetDlgItemTextA(rename.m_hWnd, IDC_RENAME_NAME, "c.bmp");
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    script.Then([&](fw::CDialog&) {
        holder = HoldForWriting(Journal());
        ASSERT_TRUE(holder.IsValid());
    });
    Select(script, "a.bmp");
    script.Key('M');
    ExpectSelected(script, "b.bmp", "the moved picture left the list");
    script.Key('R');
    ExpectSelected(script, "c.bmp", "renamed");
    script.Then([&](fw::CDialog&) { holder.Reset(); });
    CtrlZ(script);
    script.Run(*m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"a.bmp"});
    EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{"c.bmp"});
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[0].text, kNotRecordedText);
    EXPECT_EQ(prompts.messages[1].text, kNotRecordedText);
    EXPECT_EQ(prompts.messages[2].text, kNothingToUndo);
}

TEST_F(Undo, AnUndoThatCannotBeMarkedSaysSoWithTheFileBack) {
    WriteBmp("a.bmp", 2, 2, 0x123456);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    test::PromptRecorder prompts;
    fw::FileHandle holder;
    ModalScript script = Script();
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        holder = HoldOnceLetGo(Journal(), 2 * CUndoJournal::kKeepMs);  // once the window is quiet
        ASSERT_TRUE(holder.IsValid());
    });
    CtrlZ(script);
    ExpectSelected(script, "a.bmp", "back");
    script.Then([&](fw::CDialog&) { holder.Reset(); });
    script.Run(*m_dlg);
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    EXPECT_EQ(test::ListNames(m_move.Path()), Strings{});
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, kNotMarked + Pic("a.bmp"));
    EXPECT_EQ(prompts.messages[0].caption, kCaption);
    const ParsedJournal parsed = ReadJournal();
    ASSERT_EQ(parsed.live.size(), 1u) << "the journal still holds the record";
    EXPECT_EQ(parsed.live[0].to, Utf8(m_move / "a.bmp"));
}

// Another file under the recorded name (another last-write time, or another size with
// the same time) is not moved back; the record stays until the file is the one moved.
TEST_F(Undo, OnlyTheFileTheOperationLeftThereGoesBack) {
    WriteBmp("a.bmp", 3, 2, 0xAA0000);
    WriteBmp("b.bmp", 3, 2, 0x00AA00);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    const std::string b = test::ReadFileBytes(Pic("b.bmp"));
    test::PromptRecorder prompts;
    FILETIME aTime{};
    FILETIME bTime{};
    ModalScript script = Script();
    script.Key('M').Key('M');
    script.Then([&](fw::CDialog&) {
        aTime = WriteTimeOf(m_move / "a.bmp");
        bTime = WriteTimeOf(m_move / "b.bmp");
        FILETIME later = bTime;
        later.dwHighDateTime += 1;
        SetWriteTime(m_move / "b.bmp", later);
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{});
        SetWriteTime(m_move / "b.bmp", bTime);
    });
    CtrlZ(script);
    ExpectSelected(script, "b.bmp", "b back once its time is back");
    script.Then([&](fw::CDialog&) {
        test::WriteFileBytes(m_move / "a.bmp", a + "x");
        SetWriteTime(m_move / "a.bmp", aTime);
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_pics.Path()), Strings{"b.bmp"});
        test::WriteFileBytes(m_move / "a.bmp", a);
        SetWriteTime(m_move / "a.bmp", aTime);
    });
    CtrlZ(script);
    ExpectSelected(script, "a.bmp", "a back once its bytes are back");
    script.Run(*m_dlg);
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, kChanged + (m_move / "b.bmp"));
    EXPECT_EQ(prompts.messages[0].caption, kCaption);
    EXPECT_EQ(prompts.messages[1].text, kChanged + (m_move / "a.bmp"));
}

// Two journal objects in two threads are two viewers as far as the file is concerned:
// each opens the file and the mutex through handles of its own, and the mutex belongs to
// the thread that waited for it. A journal just short of its compaction gets records from
// both at once, and each compacts when its count is due, while the other appends. Nothing
// either recorded is lost, round after round.
TEST_F(Undo, TwoViewersRecordingAtOnceLoseNoRecordAcrossCompactions) {
    constexpr size_t kBefore = 2 * kJournalKeep - 40;
    constexpr int kEach = 150;
    std::vector<JournalEntry> old;
    for (size_t i = 0; i < kBefore; ++i) {
        old.push_back({FileOp::kRename, "C:\\old\\" + std::to_string(i), "C:\\new\\" + std::to_string(i)});
    }
    const std::string before = FormatCompacted(old, kBefore);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        test::WriteFileBytes(Journal(), before);
        std::atomic<int> failed{0};
        const auto viewer = [&failed](int which) {
            CUndoJournal journal(CUndoJournal::DefaultPath());
            for (int i = 0; i < kEach; ++i) {
                const std::wstring name = std::to_wstring(which) + L"\\" + std::to_wstring(i);
                if (!journal.Record(FileOp::kMove, L"C:\\viewer" + name, L"D:\\moved" + name)) {
                    ++failed;
                }
            }
        };
        std::thread first(viewer, 0);
        std::thread second(viewer, 1);
        first.join();
        second.join();
        EXPECT_EQ(failed.load(), 0);

        const std::string text = test::ReadFileBytes(Journal());
        const ParsedJournal parsed = ParseJournal(text);
        EXPECT_EQ(parsed.validBytes, text.size());
        EXPECT_LT(parsed.lines, kBefore) << "compacted on the way";
        int next[2] = {0, 0};
        for (const JournalEntry& entry : parsed.live) {
            if (entry.from.starts_with("C:\\viewer")) {
                const int which = entry.from[9] - '0';
                ASSERT_TRUE(which == 0 || which == 1) << entry.from;
                ASSERT_EQ(entry.from, "C:\\viewer" + std::to_string(which) + "\\" + std::to_string(next[which]))
                    << "each viewer's records in order, none missing";
                ++next[which];
            }
        }
        EXPECT_EQ(next[0], kEach);
        EXPECT_EQ(next[1], kEach);
    }
    for (const std::string& name : test::ListNames(test::ExeDir())) {
        EXPECT_FALSE(name.ends_with(".tmp")) << name << ": no temporary file is left behind";
    }
}

// The move folder on another volume: a move is a copy and a deletion there, and so is the
// way back. A read-only picture cannot be deleted after its copy: the copy goes again and
// the move fails; nothing is recorded. A way back that cannot delete leaves the file where
// it was, and the record stays.
TEST_F(Undo, MovesAcrossVolumesLeaveOneFileAndGoBack) {
    test::SpareVolume volume;
    if (!volume.IsReady()) {
        GTEST_SKIP() << "no second volume: " << volume.Why();
    }
    test::MakeDir(volume / "move");
    const std::string moveDir = volume / "move";
    WriteBmp("a.bmp", 3, 2, 0x102030);
    WriteBmp("b.bmp", 3, 2, 0x405060);
    WriteBmp("c.bmp", 3, 2, 0x708090);
    const std::string a = test::ReadFileBytes(Pic("a.bmp"));
    const std::string b = test::ReadFileBytes(Pic("b.bmp"));
    const std::string c = test::ReadFileBytes(Pic("c.bmp"));
    ASSERT_TRUE(::SetFileAttributesA(Pic("b.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) { m_dlg->GetSettings().m_strMoveDir = moveDir; });
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(moveDir), Strings{"a.bmp"});
        EXPECT_FALSE(test::FileExists(Pic("a.bmp")));
        const std::optional<JournalEntry> latest = CUndoJournal(CUndoJournal::DefaultPath()).Latest();
        ASSERT_TRUE(latest.has_value());
        EXPECT_EQ(latest->to, Utf8(moveDir + "\\a.bmp"));
        EXPECT_EQ(latest->stamp, CUndoJournal::StampOf(test::Wide(moveDir + "\\a.bmp")));
    });
    CtrlZ(script);
    ExpectSelected(script, "a.bmp", "back from the other volume");
    Select(script, "b.bmp");
    script.Key('M');
    ExpectSelected(script, "b.bmp", "the read-only picture stays");
    CtrlZ(script);  // nothing recorded for it
    Select(script, "c.bmp");
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        ASSERT_TRUE(::SetFileAttributesA((moveDir + "\\c.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    });
    CtrlZ(script);
    script.Then([&](fw::CDialog&) {
        EXPECT_FALSE(test::FileExists(Pic("c.bmp"))) << "no copy left behind";
        ASSERT_TRUE(::SetFileAttributesA((moveDir + "\\c.bmp").c_str(), FILE_ATTRIBUTE_NORMAL));
    });
    CtrlZ(script);
    ExpectSelected(script, "c.bmp", "back once it can be deleted there");
    script.Run(*m_dlg);

    EXPECT_EQ(test::ListNames(moveDir), Strings{});
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    EXPECT_EQ(test::ReadFileBytes(Pic("c.bmp")), c);
    EXPECT_NE(::GetFileAttributesA(Pic("b.bmp").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ::SetFileAttributesA(Pic("b.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[0].text, "移動失敗\n移動先Dir  : " + moveDir);
    EXPECT_EQ(prompts.messages[1].text, kNothingToUndo);
    EXPECT_EQ(prompts.messages[2].text, kFailed + (moveDir + "\\c.bmp") + "\n→ " + Pic("c.bmp"));
}

}  // namespace
