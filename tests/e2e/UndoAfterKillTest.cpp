// The undo journal of the real program survives the program: a viewer killed right after
// M has done its work leaves the move's record in IxoUndo.log, whole and with the moved
// file's size and time, and the next viewer takes the moves back with Ctrl-Z. The second
// M appends through the handle the first one left open.
#include <gtest/gtest.h>

#include "framework/WideText.h"
#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "undo/UndoJournal.h"

namespace {

using Strings = std::vector<std::string>;

std::string Utf8(const std::string& ansi) {
    return fw::FromWide(fw::ToWide(ansi, CP_ACP).value_or(L""), CP_UTF8);
}

// Ends the viewer at once, as the task manager or a crash would: nothing of it runs after.
void Kill(const e2e::ViewerProcess& viewer) {
    DWORD id = 0;
    ::GetWindowThreadProcessId(viewer.Window(), &id);
    const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(::TerminateProcess(process, 9));
    EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    ::CloseHandle(process);
}

TEST(UndoAfterKill, AMoveIsInTheJournalWhenTheViewerIsKilledRightAfterIt) {
    test::TempDir root("e2e-kill");
    e2e::Installation install(root.Path());
    const std::string pics = install.PictureDir();
    const std::string a = testdata::MakeBmp24(16, 8, [](int x, int) { return x < 8 ? 0xFF0000u : 0x0000FFu; });
    test::WriteFileBytes(pics + "\\a.bmp", a);
    const std::string b = testdata::MakeBmp24(16, 8, [](int, int) { return 0x00FF00u; });
    test::WriteFileBytes(pics + "\\b.bmp", b);
    test::WriteFileBytes(pics + "\\c.bmp", testdata::MakeBmp24(16, 8, [](int, int) { return 0x0000FFu; }));
    test::MakeDir(root / "move");
    ::WritePrivateProfileStringA("Directory", "MoveDir", (root / "move").c_str(), install.IniPath().c_str());

    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install));
        viewer.Key('M');  // back once the viewer has handled the key
        viewer.Key('M');
        ASSERT_EQ(test::ListNames(root / "move"), (Strings{"a.bmp", "b.bmp"}));
        Kill(viewer);
    }
    const std::string text = test::ReadFileBytes(pics + "\\IxoUndo.log");
    const ParsedJournal parsed = ParseJournal(text);
    EXPECT_EQ(parsed.validBytes, text.size());
    ASSERT_EQ(parsed.live.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const JournalEntry& record = parsed.live[i];
        const std::string name = i == 0 ? "\\a.bmp" : "\\b.bmp";
        EXPECT_EQ(record.op, FileOp::kMove);
        EXPECT_EQ(record.from, Utf8(pics + name));
        EXPECT_EQ(record.to, Utf8(root / "move" + name));
        EXPECT_NE(record.id, 0u);
        EXPECT_EQ(record.stamp, CUndoJournal::StampOf(test::Wide(root / "move" + name)));
    }

    e2e::ViewerProcess again;
    ASSERT_TRUE(again.Start(install));
    // Each undo lists the folder again, and a command that comes while it is being listed
    // is not taken: the second waits until the first one's list is there.
    again.Key('Z', false, true);
    for (const DWORD start = ::GetTickCount();
         again.ListEntries() != Strings{"b.bmp", "c.bmp"} && ::GetTickCount() - start < 10000;) {
        ::Sleep(20);
    }
    again.WaitIdle();
    again.Key('Z', false, true);
    EXPECT_EQ(again.ListEntries(), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    again.Key(VK_F4, false, false, true);
    ASSERT_TRUE(again.WaitForExit(10000));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\a.bmp"), a);
    EXPECT_EQ(test::ReadFileBytes(pics + "\\b.bmp"), b);
    EXPECT_EQ(test::ListNames(root / "move"), Strings{});
}

}  // namespace
