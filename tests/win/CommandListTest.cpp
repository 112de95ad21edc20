// The command list dialog: its fixed text, the ways it closes, and the help menu that
// opens it from the main window.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mainwnd/ViewerDlg.h"
#include "res/resource.h"
#include "tests/win/support/CommandListText.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/ViewerFixture.h"
#include "tools/CommandListDlg.h"

namespace {

std::string ItemText(HWND dialog, int id) {
    char text[4096] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string WindowText(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the open dialog shows, checked on every opening.
void ExpectTheList(HWND dialog) {
    EXPECT_EQ(WindowText(dialog), "ﾀﾞｲｱﾛｸﾞ");
    EXPECT_EQ(ItemText(dialog, IDC_COMMANDLIST_TEXT), test::kCommandListText);
    EXPECT_TRUE(::GetWindowLongA(::GetDlgItem(dialog, IDC_COMMANDLIST_TEXT), GWL_STYLE) & SS_SUNKEN);
    EXPECT_EQ(ItemText(dialog, IDCANCEL), "閉じる");
    EXPECT_EQ(::GetDlgItem(dialog, IDOK), nullptr) << "there is no OK button";
}

TEST(CommandList, EachWayOfClosingEndsItTheSameWay) {
    const auto press = [](WORD key) {
        return [key](fw::CDialog&) {
            test::SendKey(key, true);
            test::SendKey(key, false);
        };
    };
    const struct {
        const char* what;
        test::ModalScript::Step close;
    } ways[] = {
        {"Escape", press(VK_ESCAPE)},
        {"Return", press(VK_RETURN)},
        {"close box", [](fw::CDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"the button", [](fw::CDialog& d) { ::PostMessageA(::GetDlgItem(d.m_hWnd, IDCANCEL), BM_CLICK, 0, 0); }},
    };
    // One object opened again and again: the text is made anew on each opening.
    CCommandListDlg dialog;
    EXPECT_TRUE(dialog.Text().empty());
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        bool stillOpen = false;
        test::ModalScript script;
        script.Then([](fw::CDialog& d) { ExpectTheList(d.m_hWnd); });
        script.Then(way.close);
        script.Then([&](fw::CDialog&) { stillOpen = true; });
        EXPECT_EQ(script.Run(dialog, 20000), IDCANCEL);
        EXPECT_FALSE(stillOpen);
        EXPECT_EQ(dialog.Text(), test::kCommandListText);
    }
}

class CommandListFromMenu : public test::ViewerFixture {};

TEST_F(CommandListFromMenu, TheHelpMenuOpensItOverTheMainWindow) {
    CViewerDlg dlg;
    int opened = 0;
    test::ModalScript()
        .OnNestedDialog([&](fw::CDialog& nested) {
            ++opened;
            EXPECT_EQ(nested.GetTemplateId(), static_cast<UINT>(IDD_COMMANDLIST));
            EXPECT_EQ(::GetWindow(nested.m_hWnd, GW_OWNER), dlg.m_hWnd);
            EXPECT_FALSE(::IsWindowEnabled(dlg.m_hWnd)) << "modal to the main window";
            ExpectTheList(nested.m_hWnd);
            nested.EndDialog(IDCANCEL);
        })
        .Then([&](fw::CDialog&) { dlg.PostMessage(WM_COMMAND, ID_MENU_COMMANDLIST, 0); })
        .Then([&](fw::CDialog&) { dlg.PostMessage(WM_COMMAND, ID_MENU_COMMANDLIST, 0); })
        .Then([&](fw::CDialog&) { EXPECT_TRUE(::IsWindowEnabled(dlg.m_hWnd)); })
        .Run(dlg);
    EXPECT_EQ(opened, 2);
}

}  // namespace
