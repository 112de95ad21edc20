// The real program with real keys typed at once while it lists, asks or works: every key
// acts on the picture the user saw selected when pressing it. In a folder of 20,000
// pictures listed in parts, Ctrl-Z, F5 and a rename followed at once by M move the picture
// they are about; Delete held stops before the folders; a picture replaced by another
// program is shown as it is now; a message box that lets the folder watch in skips no
// picture; a target that is the picture's own folder renames nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;
constexpr int kFileListId = 1000;
constexpr int kRenameEdit = 1021;  // the rename dialog's name box

std::string SolidBmp(int width, int height, uint32_t rgb) {
    return testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; });
}

class KeyAimSession : public testing::Test {
protected:
    void SetUp() override {
        for (const char* dir : {"move", "trash"}) {
            test::MakeDir(m_root / dir);
        }
        Set("Directory", "MoveDir", m_root / "move");
        Set("Directory", "TrashDir", m_root / "trash");
    }
    void Set(const char* section, const char* key, const std::string& value) const {
        ::WritePrivateProfileStringA(section, key, value.c_str(), m_install.IniPath().c_str());
    }
    std::string Pics() const { return m_install.PictureDir(); }
    // The selected entry's text, read alone (the list may hold 20,000 rows).
    std::string Selected() const {
        const HWND list = ::GetDlgItem(m_viewer.Window(), kFileListId);
        const int index = m_viewer.SelectedIndex();
        wchar_t text[600] = {};
        if (index < 0 || ::SendMessageW(list, LB_GETTEXTLEN, index, 0) >= 600) {
            return {};
        }
        ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return test::Narrow(text);
    }
    Strings Moved() const { return test::ListNames(m_root / "move"); }
    // Waits until `done` holds: the viewer may still be reading a listing in parts, during
    // which it answers messages but has not yet reached the keys.
    static bool WaitUntil(const std::function<bool()>& done, DWORD ms = 20000) {
        const DWORD start = ::GetTickCount();
        while (!done()) {
            if (::GetTickCount() - start > ms) {
                return false;
            }
            ::Sleep(50);
        }
        return true;
    }
    void Type(WORD vk) { m_viewer.KeysAtOnce({{vk, true}, {vk, false}}); }
    COLORREF Centre() const {
        const RECT pane = m_viewer.PaneRect();
        return m_viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2);
    }

    test::TempDir m_root{"e2e-aim"};
    e2e::Installation m_install{m_root.Path()};
    e2e::ViewerProcess m_viewer;
};

TEST_F(KeyAimSession, KeysTypedAtOnceInAFolderListedInPartsMoveThePictureTheyAreAbout) {
    Strings names;
    for (int i = 0; i < 20000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%05d.bmp", i);
        names.push_back(name);
    }
    ASSERT_TRUE(test::HostMakesFiles(Pics(), names, SolidBmp(8, 6, 0x336699)));
    ASSERT_TRUE(m_viewer.Start(test::Wide(m_install.ExePath()), test::Wide(m_install.WorkDir()),
                               L"\"" + test::Wide(Pics() + "\\p15000.bmp") + L"\""));
    ASSERT_EQ(Selected(), "p15000.bmp");

    // M, then Ctrl-Z and M at once: the picture comes back and is moved again.
    Type('M');
    m_viewer.WaitIdle();
    ASSERT_EQ(Moved(), Strings{"p15000.bmp"});
    m_viewer.KeysAtOnce({{VK_CONTROL, true}, {'Z', true}, {'Z', false}, {VK_CONTROL, false}, {'M', true}, {'M', false}});
    // Ctrl-Z brings it back, M moves it again (the list may still be filling: what follows
    // it there is shown). Before the keys are handled the folders look as they will after
    // them: the undo journal tells that the second move is done.
    const auto movesRecorded = [&] {
        std::istringstream lines(test::ReadFileBytes(m_install.PictureDir() + "\\IxoUndo.log"));
        int moves = 0;
        for (std::string line; std::getline(lines, line);) {
            moves += line.rfind("M ", 0) == 0 ? 1 : 0;
        }
        return moves;
    };
    EXPECT_TRUE(WaitUntil([&] { return movesRecorded() >= 2 && Moved() == Strings{"p15000.bmp"} &&
                                       !Selected().empty() && Selected() != "p15000.bmp"; }))
        << Selected();
    EXPECT_EQ(Moved(), Strings{"p15000.bmp"}) << "moved again, nothing else";
    EXPECT_TRUE(test::FileExists(Pics() + "\\p00000.bmp"));

    // F5 and M at once on p00002.
    m_viewer.KeysAtOnce({{VK_HOME, true}, {VK_HOME, false}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_DOWN, true},
                         {VK_DOWN, false}});
    ASSERT_TRUE(WaitUntil([&] { return Selected() == "p00002.bmp"; })) << Selected();
    m_viewer.KeysAtOnce({{VK_F5, true}, {VK_F5, false}, {'M', true}, {'M', false}});
    EXPECT_TRUE(WaitUntil([&] { return Moved().size() == 2; }));
    EXPECT_EQ(Moved(), (Strings{"p00002.bmp", "p15000.bmp"}));

    // R on p00004 to renamed.bmp, then Return and M at once.
    m_viewer.KeysAtOnce({{VK_HOME, true}, {VK_HOME, false}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_DOWN, true},
                         {VK_DOWN, false}, {VK_DOWN, true}, {VK_DOWN, false}});
    ASSERT_TRUE(WaitUntil([&] { return Selected() == "p00004.bmp"; })) << Selected();
    Type('R');
    const HWND rename = m_viewer.WaitForDialog("リネーム");
    ASSERT_NE(rename, nullptr);
    ::SendMessageA(::GetDlgItem(rename, kRenameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed.bmp"));
    ::SetForegroundWindow(rename);
    m_viewer.WaitIdle();
    INPUT typed[] = {test::KeyInput(VK_RETURN, true), test::KeyInput(VK_RETURN, false), test::KeyInput('M', true),
                     test::KeyInput('M', false)};
    ::SendInput(4, typed, sizeof(INPUT));
    ASSERT_TRUE(m_viewer.WaitForDialogClosed("リネーム"));
    EXPECT_TRUE(WaitUntil([&] { return Moved().size() == 3; }));
    EXPECT_EQ(Moved(), (Strings{"p00002.bmp", "p15000.bmp", "renamed.bmp"}));
    EXPECT_TRUE(test::FileExists(Pics() + "\\p00001.bmp"));
    EXPECT_TRUE(test::FileExists(Pics() + "\\p00000.bmp"));
}

TEST_F(KeyAimSession, DeleteHeldStopsBeforeTheFoldersAndAskNothing) {
    for (const char* name : {"x.bmp", "y.bmp", "z.bmp"}) {
        test::WriteFileBytes(Pics() + "\\" + name, SolidBmp(40, 30, 0x3060C0));
    }
    test::MakeDir(Pics() + "\\d1");
    test::MakeDir(Pics() + "\\d2");
    test::WriteFileBytes(Pics() + "\\d1\\keep.txt", "kept");
    ASSERT_TRUE(m_viewer.Start(test::Wide(m_install.ExePath()), test::Wide(m_install.WorkDir()),
                               L"\"" + test::Wide(Pics() + "\\x.bmp") + L"\""));
    ASSERT_EQ(Selected(), "x.bmp");
    // Pressed and held: each repeat comes once the one before was handled, as a key held
    // over pictures that show at once.
    const auto trashed = [&] { return test::ListNames(m_root / "trash").size(); };
    for (size_t n = 1; n <= 6; ++n) {
        m_viewer.KeysAtOnce({{VK_DELETE, true}});
        WaitUntil([&] { return trashed() >= std::min<size_t>(n, 3); }, 5000);
        m_viewer.WaitIdle();
    }
    m_viewer.KeysAtOnce({{VK_DELETE, false}});
    m_viewer.WaitIdle();
    EXPECT_EQ(test::ListNames(m_root / "trash"), (Strings{"x.bmp", "y.bmp", "z.bmp"}));
    EXPECT_EQ(m_viewer.WaitForDialogOtherThan({m_viewer.Window()}, 1500), nullptr) << "no question asked";
    EXPECT_TRUE(test::FileExists(Pics() + "\\d1\\keep.txt"));
    EXPECT_TRUE(test::DirExists(Pics() + "\\d2"));
}

TEST_F(KeyAimSession, APictureReplacedByAnotherProgramIsShownAsItIsNow) {
    test::WriteFileBytes(Pics() + "\\x.bmp", SolidBmp(40, 30, 0xFF0000));
    test::WriteFileBytes(Pics() + "\\y.bmp", SolidBmp(40, 30, 0x00FF00));
    ASSERT_TRUE(m_viewer.Start(test::Wide(m_install.ExePath()), test::Wide(m_install.WorkDir()),
                               L"\"" + test::Wide(Pics() + "\\x.bmp") + L"\""));
    // Painted a moment after the window is up (through an emulator, many moments).
    ASSERT_TRUE(WaitUntil([&] { return Centre() == RGB(255, 0, 0); }, 10000)) << Centre();
    test::WriteFileBytes(Pics() + "\\x.tmp", SolidBmp(40, 30, 0x0000FF));
    ASSERT_TRUE(::MoveFileExA((Pics() + "\\x.tmp").c_str(), (Pics() + "\\x.bmp").c_str(), MOVEFILE_REPLACE_EXISTING));
    const DWORD start = ::GetTickCount();
    while (Centre() != RGB(0, 0, 255) && ::GetTickCount() - start < 3000) {
        ::Sleep(20);
    }
    const DWORD took = ::GetTickCount() - start;
    EXPECT_EQ(Centre(), RGB(0, 0, 255));
    EXPECT_LT(took, 1000u) << "the new picture within a second";
    std::printf("[ replaced picture shown after %lu ms ]\n", static_cast<unsigned long>(took));
    EXPECT_EQ(Selected(), "x.bmp");
}

TEST_F(KeyAimSession, AMessageBoxDuringAMoveSkipsNoPicture) {
    for (const char* name : {"p1.bmp", "p2.bmp", "p3.bmp"}) {
        test::WriteFileBytes(Pics() + "\\" + name, SolidBmp(40, 30, 0x3060C0));
    }
    // The journal held for writing, as another viewer holds it while it writes.
    const std::string journal = Pics() + "\\IxoUndo.log";
    HANDLE holder = ::CreateFileA(journal.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(m_viewer.Start(m_install));
    ASSERT_EQ(Selected(), "p1.bmp");
    Type('M');
    const HWND told = m_viewer.WaitForDialogOtherThan({m_viewer.Window()});
    ASSERT_NE(told, nullptr);
    ::Sleep(1000);  // the folder watch reports the move while the message is shown
    m_viewer.KeyToDialog(told, VK_RETURN);
    m_viewer.WaitIdle();
    ::CloseHandle(holder);
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"p2.bmp", "p3.bmp"}));
    EXPECT_EQ(Selected(), "p2.bmp");
    EXPECT_EQ(Moved(), Strings{"p1.bmp"});
}

TEST_F(KeyAimSession, ATargetThatIsThePicturesOwnFolderRenamesNothing) {
    for (const char* name : {"x.bmp", "y.bmp"}) {
        test::WriteFileBytes(Pics() + "\\" + name, SolidBmp(40, 30, 0x3060C0));
    }
    Set("Preference", "AutoRenameAtMove", "TRUE");
    Set("Targets", "Dir5", Pics());
    Set("Directory", "MoveDir", Pics() + "\\.");
    ASSERT_TRUE(m_viewer.Start(m_install));
    for (const WORD key : {WORD{'5'}, WORD{'M'}}) {
        Type(key);
        const HWND told = m_viewer.WaitForDialogOtherThan({m_viewer.Window()});
        ASSERT_NE(told, nullptr) << key;
        EXPECT_NE(e2e::ViewerProcess::MessageText(told).find(Pics()), std::string::npos)
            << e2e::ViewerProcess::MessageText(told);
        m_viewer.KeyToDialog(told, VK_RETURN);
        for (int i = 0; i < 250 && ::IsWindow(told); ++i) {
            ::Sleep(20);
        }
        m_viewer.WaitIdle();
    }
    Strings pictures;
    for (const std::string& name : test::ListNames(Pics())) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) {
            pictures.push_back(name);
        }
    }
    EXPECT_EQ(pictures, (Strings{"x.bmp", "y.bmp"})) << "nothing renamed in place";
}

}  // namespace
