// Full screen through real keys and the menu: the pane alone on the whole monitor, the keys
// working as in the window, a message box owned by it, and the window given back at its
// size and place.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;

RECT MonitorOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
    if (::EqualRect(&a, &b)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "(" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom
                                       << ") is not (" << b.left << "," << b.top << ")-(" << b.right << ","
                                       << b.bottom << ")";
}

class FullScreen : public test::ViewerFixture {
protected:
    std::string Selected() const { return test::Narrow(m_dlg.Folder().Selected()->Text()); }
    void ExpectFullScreen() {
        const HWND window = m_dlg.m_hWnd;
        EXPECT_TRUE(m_dlg.FullScreen().IsOn());
        EXPECT_TRUE(SameRect(m_dlg.GetWindowRect(), MonitorOf(window)));
        EXPECT_EQ(::GetMenu(window), nullptr);
        EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION, 0);
        const RECT client = m_dlg.GetClientRect();
        EXPECT_TRUE(SameRect(m_dlg.Pane().GetPaneRect(), client)) << "the pane alone";
        EXPECT_FALSE(::IsWindowVisible(m_dlg.ChangeDirButton().m_hWnd));
        RECT list = m_dlg.FileList().ListBox().GetWindowRect();
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&list), 2);
        RECT seen{};
        EXPECT_FALSE(::IntersectRect(&seen, &list, &client)) << "no list in sight";
        EXPECT_EQ(::GetFocus(), m_dlg.FileList().ListBox().m_hWnd) << "the keys go on to the list";
    }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
};

TEST_F(FullScreen, KeysWorkInsideAndTheWindowComesBackAsItWas) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) {
        WriteBmp(name, 8, 6, 0x336699);
    }
    test::PromptRecorder prompts;
    RECT window{};
    RECT list{};
    LONG style = 0;
    HMENU menu = nullptr;
    test::ModalScript script;
    script.Then([&](fw::CDialog&) {
        m_dlg.GetSettings().m_strMoveDir = m_move.Path();
        m_dlg.SetWindowPos(nullptr, 60, 40, 700, 500, SWP_NOZORDER);
        m_dlg.Folder().Open(test::Wide(m_pics.Path()));
        m_dlg.FileList().ListBox().SetFocus();
        window = m_dlg.GetWindowRect();
        list = m_dlg.FileList().ListBox().GetWindowRect();
        style = ::GetWindowLongW(m_dlg.m_hWnd, GWL_STYLE);
        menu = ::GetMenu(m_dlg.m_hWnd);
    });
    script.Key(VK_F11);
    script.Then([&](fw::CDialog&) { ExpectFullScreen(); });
    script.Key(VK_DOWN);
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_move.Path()), Strings{"b.bmp"});
        EXPECT_EQ(Selected(), "c.bmp");
        EXPECT_EQ(m_dlg.Pane().ShownPath(), test::Wide(Pic("c.bmp"))) << "the next picture is shown";
        // A move that fails tells so in a message box over the full screen.
        m_dlg.GetSettings().m_strMoveDir = m_move / "no such folder";
    });
    script.Key('M');
    script.Then([&](fw::CDialog&) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].owner, m_dlg.m_hWnd);
        ExpectFullScreen();
    });
    script.Key(VK_DOWN);
    script.Key(VK_ESCAPE);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "d.bmp") << "a key after the message box";
        EXPECT_FALSE(m_dlg.FullScreen().IsOn());
        EXPECT_TRUE(SameRect(m_dlg.GetWindowRect(), window));
        EXPECT_TRUE(SameRect(m_dlg.FileList().ListBox().GetWindowRect(), list));
        EXPECT_EQ(::GetWindowLongW(m_dlg.m_hWnd, GWL_STYLE), style);
        EXPECT_EQ(::GetMenu(m_dlg.m_hWnd), menu);
        EXPECT_TRUE(::IsWindowVisible(m_dlg.ChangeDirButton().m_hWnd));
        // Maximised, through the menu item, and back with F11.
        ::ShowWindow(m_dlg.m_hWnd, SW_MAXIMIZE);
        m_dlg.SendMessage(WM_COMMAND, ID_MENU_FULLSCREEN);
        ExpectFullScreen();
    });
    script.Key(VK_F11);
    script.Then([&](fw::CDialog&) {
        EXPECT_FALSE(m_dlg.FullScreen().IsOn());
        EXPECT_TRUE(::IsZoomed(m_dlg.m_hWnd));
        ::ShowWindow(m_dlg.m_hWnd, SW_RESTORE);
        EXPECT_TRUE(SameRect(m_dlg.GetWindowRect(), window));
    });
    script.Run(m_dlg);
}

}  // namespace
