// The main window in-process: members, initialisation, layout, painting, closing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mainwnd/ViewerDlg.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/win/support/TestSupport.h"

namespace {

std::string IniPath() {
    return test::ExeDir() + "Ixo.ini";
}

// A menu item's text as shown (UTF-16), in code page 932 exactly: the program's texts
// come back byte for byte.
std::string MenuText(HMENU menu, UINT item, UINT by = MF_BYPOSITION) {
    wchar_t text[256] = {};
    const int len = ::GetMenuStringW(menu, item, text, 256, by);
    return fw::Narrow932(std::wstring_view(text, len > 0 ? static_cast<size_t>(len) : 0))
        .value_or("(not code page 932)");
}

RECT ClientRectOf(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class MainDialog : public testing::Test {
protected:
    void SetUp() override { ::DeleteFileA(IniPath().c_str()); }
    void TearDown() override { ::DeleteFileA(IniPath().c_str()); }
};

TEST_F(MainDialog, ConstructionSetsTheDocumentedDefaults) {
    CViewerDlg dlg;
    EXPECT_TRUE(dlg.Pane().IsFitToPane());
    EXPECT_EQ(dlg.Pane().GetScrollX(), 0);
    EXPECT_EQ(dlg.Pane().GetScrollY(), 0);
    EXPECT_FALSE(dlg.IsLayoutReady());
    EXPECT_EQ(dlg.Folder().Dir(), test::Wide(test::ExeDir()));
    EXPECT_EQ(dlg.Folder().Dir().back(), L'\\');
    EXPECT_NE(dlg.GetIcon(), nullptr);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(MainDialog, InitialisationAddsTheVersionItemIconsAndMenu) {
    CViewerDlg dlg;
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            EXPECT_TRUE(dlg.IsLayoutReady());
            HMENU system = ::GetSystemMenu(dlg.m_hWnd, FALSE);
            ASSERT_NE(system, nullptr);
            const int count = ::GetMenuItemCount(system);
            ASSERT_GE(count, 2);
            EXPECT_EQ(::GetMenuItemID(system, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
            EXPECT_EQ(MenuText(system, count - 1), "Ixo のﾊﾞｰｼﾞｮﾝ情報(&A)...");
            EXPECT_TRUE(::GetMenuState(system, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

            EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_BIG)), dlg.GetIcon());
            EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_SMALL)), dlg.GetIcon());

            HMENU bar = ::GetMenu(dlg.m_hWnd);
            ASSERT_NE(bar, nullptr);
            ASSERT_EQ(::GetMenuItemCount(bar), 5);
            EXPECT_EQ(MenuText(bar, 0), "ﾌｧｲﾙ");
            EXPECT_EQ(MenuText(bar, 1), "設定");
            EXPECT_EQ(MenuText(bar, 2), "移動先");
            EXPECT_EQ(MenuText(bar, 3), "ツール");
            EXPECT_EQ(MenuText(bar, 4), "ヘルプ");
            const std::vector<std::pair<UINT, std::string>> items = {
                {ID_MENU_FULLSCREEN, "全画面表示\tF11"},
                {ID_MENU_EXIT, "終了"},
                {ID_MENU_SETTINGS, "設定"},
                {ID_MENU_SIZEDELETE_SETTINGS, "削除判定サイズ"},
                {ID_MENU_SIZEDELETE_ALL, "全ファイルサイズ判定削除"},
                {ID_MENU_SIZEDELETE_RECURSIVE, "再起的全ファイルサイズ判定削除"},
                {ID_MENU_SIZEDELETE_RECURSIVE_MOVE, "再起的にファイルサイズ判定削除＆移動"},
                {ID_MENU_COMMANDLIST, "コマンド一覧"},
                {ID_MENU_VERSION, "ﾊﾞｰｼﾞｮﾝ情報"},
                {ID_MENU_TARGET1, "1  （未設定）"},
                {ID_MENU_TARGET9, "9  （未設定）"},
            };
            for (const auto& [id, text] : items) {
                EXPECT_EQ(MenuText(bar, id, MF_BYCOMMAND), text) << id;
                EXPECT_EQ(::GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
            }
            // The window and its controls are Unicode windows.
            EXPECT_TRUE(::IsWindowUnicode(dlg.m_hWnd));
            EXPECT_TRUE(::IsWindowUnicode(dlg.FileList().ListBox().m_hWnd));
            EXPECT_TRUE(::IsWindowUnicode(dlg.ChangeDirButton().m_hWnd));
            // The list has the focus and the button is no tab stop.
            EXPECT_EQ(::GetFocus(), dlg.FileList().ListBox().m_hWnd);
            EXPECT_FALSE(::GetWindowLongA(dlg.ChangeDirButton().m_hWnd, GWL_STYLE) & WS_TABSTOP);
        })
        .Run(dlg);
}

TEST_F(MainDialog, LayoutKeepsTheLeftColumnOnResize) {
    CViewerDlg dlg;
    int listWidth = 0;
    int buttonWidth = 0;
    auto checkLayout = [&](fw::CDialog&) {
        const RECT client = dlg.GetClientRect();
        const RECT list = ClientRectOf(dlg.m_hWnd, dlg.FileList().ListBox().m_hWnd);
        const RECT button = ClientRectOf(dlg.m_hWnd, dlg.ChangeDirButton().m_hWnd);
        EXPECT_EQ(list.left, 0);
        EXPECT_EQ(list.top, 0);
        EXPECT_EQ(list.bottom, button.top);
        EXPECT_EQ(button.left, 0);
        EXPECT_EQ(button.bottom, client.bottom);
        EXPECT_EQ(list.right - list.left, listWidth);
        EXPECT_EQ(button.right - button.left, buttonWidth);
    };
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            // Both keep the template's width of 77 dialog units.
            RECT units{0, 0, 77, 14};
            ::MapDialogRect(dlg.m_hWnd, &units);
            listWidth = units.right;
            buttonWidth = units.right;
            checkLayout(dlg);
            ::SetWindowPos(dlg.m_hWnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
        })
        .Then(checkLayout)
        .Then([&](fw::CDialog&) { ::SetWindowPos(dlg.m_hWnd, nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER); })
        .Then(checkLayout)
        .Then([&](fw::CDialog&) { ::ShowWindow(dlg.m_hWnd, SW_MAXIMIZE); })
        .Then(checkLayout)
        .Run(dlg);
}

// The manifest in the built program declares per-monitor awareness (v2), and the fallbacks
// of the systems before it: per monitor (v1), then "true/pm" for those that read only dpiAware.
TEST(Manifest, TheProgramIsPerMonitorDpiAware) {
    const std::string exe = test::BuildDir() + "\\dist\\Ixo.exe";
    const HMODULE image =
        ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr) << exe;
    const HRSRC found = ::FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr);
    const HGLOBAL loaded = ::LoadResource(image, found);
    const char* bytes = static_cast<const char*>(::LockResource(loaded));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, ::SizeofResource(image, found));
    ::FreeLibrary(image);
    // The text of the first element named `name`.
    const auto element = [&](const std::string& name) {
        const size_t open = manifest.find("<" + name + " ");
        const size_t start = open == std::string::npos ? open : manifest.find('>', open);
        const size_t end = manifest.find("</" + name + ">");
        return start == std::string::npos || end == std::string::npos || end < start
                   ? std::string()
                   : manifest.substr(start + 1, end - start - 1);
    };
    EXPECT_EQ(element("dpiAwareness"), "PerMonitorV2, PerMonitor");
    EXPECT_EQ(element("dpiAware"), "true/pm");
}

TEST_F(MainDialog, ThePaneIsPaintedBlack) {
    CViewerDlg dlg;
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            dlg.Invalidate(TRUE);
            dlg.UpdateWindow();
            const RECT client = dlg.GetClientRect();
            // The pane starts where the list ends, measured from the window's outer left edge.
            const RECT window = dlg.GetWindowRect();
            const RECT list = dlg.FileList().ListBox().GetWindowRect();
            const int paneLeft = list.right - window.left;
            HDC dc = ::GetDC(dlg.m_hWnd);
            EXPECT_EQ(::GetPixel(dc, paneLeft, 0), RGB(0, 0, 0));
            EXPECT_NE(::GetPixel(dc, paneLeft - 1, client.bottom - 1), RGB(0, 0, 0)) << "left of the pane is not painted";
            EXPECT_EQ(::GetPixel(dc, (paneLeft + client.right) / 2, client.bottom / 2), RGB(0, 0, 0));
            EXPECT_EQ(::GetPixel(dc, client.right - 1, client.bottom - 1), RGB(0, 0, 0));
            ::ReleaseDC(dlg.m_hWnd, dc);
        })
        .Run(dlg);
}

TEST_F(MainDialog, SystemMenuItemAndMenuCommandOpenTheVersionDialog) {
    CViewerDlg dlg;
    std::vector<UINT> opened;
    std::vector<std::string> captions;
    test::ModalScript()
        .OnNestedDialog([&](fw::CDialog& nested) {
            opened.push_back(nested.GetTemplateId());
            captions.push_back(nested.GetWindowText());
            EXPECT_EQ(::GetWindow(nested.m_hWnd, GW_OWNER), dlg.m_hWnd);
            nested.EndDialog(IDOK);
        })
        .Then([&](fw::CDialog&) { dlg.PostMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0); })
        .Then([&](fw::CDialog&) { dlg.PostMessage(WM_COMMAND, ID_MENU_VERSION, 0); })
        .Then([&](fw::CDialog&) { EXPECT_TRUE(::IsWindowEnabled(dlg.m_hWnd)) << "the owner is enabled again"; })
        .Run(dlg);
    EXPECT_EQ(opened, (std::vector<UINT>{IDD_ABOUTBOX, IDD_ABOUTBOX}));
    for (const std::string& caption : captions) {
        EXPECT_EQ(caption, "Ixoのﾊﾞｰｼﾞｮﾝ情報");
    }
}

// Each way of closing the window ends the modal loop and writes the settings.
TEST_F(MainDialog, EveryClosePathWritesTheSettings) {
    const struct {
        const char* name;
        std::function<void(CViewerDlg&)> close;
    } paths[] = {
        {"close box", [](CViewerDlg& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"menu exit", [](CViewerDlg& d) { d.PostMessage(WM_COMMAND, ID_MENU_EXIT, 0); }},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        ::DeleteFileA(IniPath().c_str());
        CViewerDlg dlg;
        bool stillOpen = false;
        test::ModalScript()
            .Then([&](fw::CDialog&) { path.close(dlg); })
            .Then([&](fw::CDialog&) { stillOpen = true; })
            .Run(dlg, 10000);
        EXPECT_FALSE(stillOpen) << "the loop should have ended";
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_NE(test::ReadFileBytes(IniPath()).find("Height=240"), std::string::npos);
    }
}

TEST_F(MainDialog, AltF4ClosesTheWindowAndWritesTheSettings) {
    CViewerDlg dlg;
    bool stillOpen = false;
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            test::SendKey(VK_MENU, true);
            test::SendKey(VK_F4, true);
            test::SendKey(VK_F4, false);
            test::SendKey(VK_MENU, false);
        })
        .Then([&](fw::CDialog&) { stillOpen = true; })
        .Run(dlg, 10000);
    EXPECT_FALSE(stillOpen);
    EXPECT_NE(test::ReadFileBytes(IniPath()).find("[DeleteSmall]"), std::string::npos);
}

// The file list holds every name exactly, beside its look-alikes, and a code-page-932
// text comes back byte for byte.
TEST_F(MainDialog, TheListHoldsEveryNameExactly) {
    const std::wstring names[] = {
        L"x\U0001F642.jpg", L"caf\u00E9.jpg", L"cafe.jpg", L"\u6CE2\u301C.jpg", L"\u6CE2\uFF5E.jpg",
        L"\uD55C\uAE00.png", L"2023\u00A504", L"2023\\04", L"\u8868\u30BD\u80FD.jpg", L"\uFF76\uFF85.bmp",
    };
    CViewerDlg dlg;
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            const fw::CListBox& list = dlg.FileList().ListBox();
            list.ResetContent();
            for (const std::wstring& name : names) {
                list.AddString(name);
            }
            ASSERT_EQ(list.GetCount(), static_cast<int>(std::size(names)));
            // Each name once, exactly. (The list's own search ignores case and may take a
            // look-alike, "2023\\04" for "2023¥04": it finds no entry by name here.)
            for (const std::wstring& name : names) {
                int found = 0;
                for (int i = 0; i < list.GetCount(); ++i) {
                    if (list.GetTextW(i) != name) {
                        continue;
                    }
                    ++found;
                    if (const std::optional<std::string> narrow = fw::Narrow932(name)) {
                        EXPECT_EQ(list.GetText(i), *narrow);
                    }
                }
                EXPECT_EQ(found, 1) << fw::Narrow932Lossy(name);
            }
            list.ResetContent();
            const std::string bytes = "表ソ能 ｶﾅ ①\x81\x60.jpg";  // 0x8160: the full-width tilde
            list.InsertString(-1, bytes);
            EXPECT_EQ(list.GetText(0), bytes);
        })
        .Run(dlg);
}

}  // namespace
