// The settings dialog: its layout, the exchange of the ten values, the folder and
// program buttons, and the settings command of the main window (menu and P).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsEditor.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

std::string ItemText(HWND dialog, int id) {
    fw::CWnd item;
    item.Attach(::GetDlgItem(dialog, id));
    return item.GetWindowText();
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    ::SetDlgItemTextA(dialog, id, text.c_str());
}

void Click(fw::CDialog& dialog, int id) {
    dialog.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)));
}

int Checked(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

Settings Sample() {
    Settings s;
    s.m_strMoveDir = "C:\\move";
    s.m_strTrashDir = "C:\\trash";
    s.m_strCopyDir = "C:\\copy";
    s.m_strWallPaperDir = "C:\\壁紙";
    s.m_strOpenWindowProgram = "filer.exe";
    s.m_strUrlProgram = "browser.exe";
    s.m_strUrlMemo = "memo.txt";
    s.m_bResizeWallPaperToScreenSize = 1;
    s.m_bAutoRenameAtMove = 0;
    s.m_bDeleteImmediate = 1;
    s.m_nDeleteSmallWidth = 11;
    s.m_nDeleteSmallHeight = 22;
    return s;
}

// Every control of the template, in template order (the tab order): id (-1 for none),
// window class, text, and position and size in dialog units.
struct ControlRow {
    int id;
    const char* cls;
    const char* text;
    int x, y, cx, cy;
};
const ControlRow kLayout[] = {
    {1009, "Edit", "", 17, 18, 168, 14},
    {1010, "Button", "参照", 186, 18, 44, 14},
    {1011, "Edit", "", 17, 64, 168, 14},
    {1002, "Button", "参照", 186, 64, 44, 14},
    {1013, "Edit", "", 17, 119, 168, 14},
    {1003, "Button", "参照", 186, 119, 44, 14},
    {1012, "Edit", "", 17, 167, 168, 14},
    {1014, "Button", "参照", 186, 167, 44, 14},
    {1015, "Button", "ＢＭＰを画面の大きさに合わせる", 17, 183, 109, 10},
    {-1, "Static", "'W'キーを押すと、壁紙用ＢＭＰがこのディレクトリに保存されます。", 18, 196, 190, 8},
    {1008, "Button", "Killコマンドを許可する(&K)", 17, 229, 88, 10},
    {1, "Button", "OK", 133, 375, 50, 14},
    {2, "Button", "ｷｬﾝｾﾙ", 186, 375, 50, 14},
    {-1, "Static",
     "'K'キーを押したときに、ファイルを即時削除できるようにします。\n"
     "削除したファイルは、基本的に復元できませんのでご注意ください。",
     18, 241, 212, 18},
    {-1, "Static", "'M'キーを押すと、ファイルがこのディレクトリに移動されます。", 18, 35, 211, 8},
    {-1, "Static",
     "'T'キーを押すと、削除候補のファイルとして、ファイルがこのディレクトリに\n"
     "移動されます。　　実際のファイル削除は、別途手動で行ってください。",
     18, 81, 212, 17},
    {-1, "Button", "移動先ディレクトリ", 7, 7, 229, 41},
    {-1, "Button", "削除候補ファイルディレクトリ", 7, 54, 229, 49},
    {-1, "Button", "Kill許可", 7, 217, 229, 44},
    {-1, "Static", "'C'キーを押すと、ファイルがこのディレクトリにコピーされます。", 18, 137, 180, 8},
    {-1, "Button", "コピー先ディレクトリ", 7, 109, 229, 41},
    {-1, "Button", "壁紙用ＢＭＰ格納ディレクトリ", 7, 157, 229, 54},
    {-1, "Button", "実行プログラム", 7, 306, 229, 65},
    {-1, "Static", "Window", 21, 320, 23, 8},
    {-1, "Static", "URL", 30, 336, 14, 8},
    {-1, "Static", "URL File", 17, 352, 27, 8},
    {1020, "Edit", "", 47, 316, 138, 14},
    {1016, "Button", "参照", 186, 316, 44, 14},
    {1021, "Edit", "", 47, 332, 138, 14},
    {1022, "Edit", "", 47, 348, 138, 14},
    {1017, "Button", "参照", 186, 332, 44, 14},
    {1019, "Button", "自動リネーム", 17, 278, 55, 10},
    {-1, "Static", "移動先に同一ファイル名があった場合、自動リネームします。", 18, 290, 212, 10},
    {-1, "Button", "移動時の自動リネーム", 7, 266, 229, 36},
};

class SettingsDialog : public testing::Test {
protected:
    Settings m_settings = Sample();
    CSettingsDlg m_dlg{m_settings};
};

TEST_F(SettingsDialog, TemplateLayout) {
    test::ModalScript()
        .Then([](fw::CDialog& dlg) {
            EXPECT_EQ(dlg.GetWindowText(), "設定");
            RECT size{0, 0, 243, 397};
            ::MapDialogRect(dlg.m_hWnd, &size);
            const RECT client = dlg.GetClientRect();
            EXPECT_EQ(client.right, size.right);
            EXPECT_EQ(client.bottom, size.bottom);
            const LONG style = ::GetWindowLongA(dlg.m_hWnd, GWL_STYLE);
            EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
                      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
            LOGFONTA font{};
            ::GetObjectA(reinterpret_cast<HFONT>(dlg.SendMessage(WM_GETFONT)), sizeof font, &font);
            EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");

            std::vector<int> tabStops;
            HWND child = ::GetWindow(dlg.m_hWnd, GW_CHILD);
            for (const ControlRow& row : kLayout) {
                ASSERT_NE(child, nullptr) << row.text;
                char cls[32] = {};
                ::GetClassNameA(child, cls, sizeof cls);
                // Position and size are each converted from dialog units, as the dialog manager does.
                RECT expected{row.x, row.y, row.cx, row.cy};
                ::MapDialogRect(dlg.m_hWnd, &expected);
                expected.right += expected.left;
                expected.bottom += expected.top;
                RECT actual{};
                ::GetWindowRect(child, &actual);
                ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
                fw::CWnd control;
                control.Attach(child);
                const std::string what = std::to_string(row.id) + " " + row.text;
                EXPECT_EQ(::GetDlgCtrlID(child) & 0xFFFF, row.id & 0xFFFF) << what;
                EXPECT_STRCASEEQ(cls, row.cls) << what;
                if (std::string(row.cls) != "Edit") {  // an edit box shows its value
                    EXPECT_EQ(control.GetWindowText(), row.text) << what;
                }
                EXPECT_TRUE(::EqualRect(&actual, &expected))
                    << what << ": " << actual.left << "," << actual.top << " " << actual.right << "," << actual.bottom
                    << " instead of " << expected.left << "," << expected.top << " " << expected.right << ","
                    << expected.bottom;
                if (::GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP) {
                    tabStops.push_back(row.id);
                }
                child = ::GetWindow(child, GW_HWNDNEXT);
            }
            EXPECT_EQ(child, nullptr) << "no control beyond the table";
            EXPECT_EQ(tabStops, (std::vector<int>{1009, 1010, 1011, 1002, 1013, 1003, 1012, 1014, 1015, 1008, 1, 2,
                                                  1020, 1016, 1021, 1022, 1017, 1019}));
            EXPECT_EQ(::GetFocus(), dlg.GetDlgItem(1009));
            EXPECT_FALSE(::IsWindowEnabled(dlg.GetDlgItem(1015))) << "the scaling switch cannot be changed here";
            for (const int id : {1008, 1015, 1019}) {
                EXPECT_EQ(::GetWindowLongA(dlg.GetDlgItem(id), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << id;
            }
            EXPECT_EQ(::GetWindowLongA(dlg.GetDlgItem(IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            EXPECT_TRUE(::GetWindowLongA(dlg.GetDlgItem(1009), GWL_STYLE) & ES_AUTOHSCROLL);
        })
        .Run(m_dlg);
}

// Each control shows its own value; OK takes back what the controls hold, Cancel nothing.
TEST_F(SettingsDialog, OkTakesAllTenValuesAndCancelNone) {
    const struct {
        int id;
        std::string Settings::*member;
        const char* edited;
    } texts[] = {
        {1009, &Settings::m_strMoveDir, "D:\\m"},        {1011, &Settings::m_strTrashDir, "D:\\t"},
        {1013, &Settings::m_strCopyDir, "D:\\c"},        {1012, &Settings::m_strWallPaperDir, "D:\\w"},
        {1020, &Settings::m_strOpenWindowProgram, "fm"}, {1021, &Settings::m_strUrlProgram, "web"},
        {1022, &Settings::m_strUrlMemo, ""},
    };
    const struct {
        int id;
        int Settings::*member;
    } checks[] = {{1008, &Settings::m_bDeleteImmediate},
                  {1015, &Settings::m_bResizeWallPaperToScreenSize},
                  {1019, &Settings::m_bAutoRenameAtMove}};
    for (const int ending : {IDCANCEL, IDOK}) {
        CSettingsDlg dlg(m_settings);
        test::ModalScript()
            .Then([&](fw::CDialog& d) {
                for (const auto& t : texts) {
                    EXPECT_EQ(ItemText(d.m_hWnd, t.id), m_settings.*t.member) << t.id;
                    SetItemText(d.m_hWnd, t.id, t.edited);
                }
                for (const auto& c : checks) {
                    EXPECT_EQ(Checked(d.m_hWnd, c.id), m_settings.*c.member) << c.id;
                    ::SendDlgItemMessageA(d.m_hWnd, c.id, BM_SETCHECK, !(m_settings.*c.member), 0);
                }
                d.PostMessage(WM_COMMAND, static_cast<WPARAM>(ending));
            })
            .Run(dlg);
        Settings expected = m_settings;
        if (ending == IDOK) {
            for (const auto& t : texts) {
                expected.*t.member = t.edited;
            }
            for (const auto& c : checks) {
                expected.*c.member = !(m_settings.*c.member);
            }
        }
        EXPECT_TRUE(dlg.GetSettings() == expected) << ending;
        EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallWidth, 11);
    }
}

// A folder button opens the browser at the member's value, whatever was typed into its
// box, and puts the member (chosen or kept) back into the box.
TEST_F(SettingsDialog, FolderButtonsBrowseFromTheMembersValue) {
    const struct {
        int button;
        int edit;
        std::string Settings::*member;
        const char* prompt;
    } buttons[] = {
        {1010, 1009, &Settings::m_strMoveDir,
         "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。"},
        {1002, 1011, &Settings::m_strTrashDir,
         "TRASHディレクトリ選択\n'T'キーを押すと、ファイルがこのディレクトリに移動されます。"},
        {1003, 1013, &Settings::m_strCopyDir,
         "コピー先ディレクトリ選択\n'C'キーを押すと、ファイルがこのディレクトリにコピーされます。"},
        {1014, 1012, &Settings::m_strWallPaperDir,
         "壁紙保存ディレクトリ選択\n'W'キーを押すと、ファイルがこのディレクトリにＢＭＰが作成されます。"},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.button);
        test::PromptRecorder prompts;
        prompts.browseAnswers = {"", "E:\\chosen", ""};
        CSettingsDlg dlg(m_settings);
        test::ModalScript()
            .Then([&](fw::CDialog& d) {
                SetItemText(d.m_hWnd, b.edit, "typed by hand");
                Click(d, b.button);  // cancelled
            })
            .Then([&](fw::CDialog& d) {
                EXPECT_EQ(ItemText(d.m_hWnd, b.edit), m_settings.*b.member);
                SetItemText(d.m_hWnd, b.edit, "typed again");
                Click(d, b.button);  // E:\chosen
            })
            .Then([&](fw::CDialog& d) {
                EXPECT_EQ(ItemText(d.m_hWnd, b.edit), "E:\\chosen");
                Click(d, b.button);  // cancelled: opens at the last choice
            })
            .Then([](fw::CDialog& d) { d.PostMessage(WM_COMMAND, IDOK); })
            .Run(dlg);
        ASSERT_EQ(prompts.browses.size(), 3u);
        EXPECT_EQ(prompts.browses[0].initialFolder, m_settings.*b.member);
        EXPECT_EQ(prompts.browses[1].initialFolder, m_settings.*b.member);
        EXPECT_EQ(prompts.browses[2].initialFolder, "E:\\chosen");
        for (const auto& call : prompts.browses) {
            EXPECT_EQ(call.title, b.prompt);
            EXPECT_EQ(call.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE));
            EXPECT_NE(call.owner, nullptr);
        }
        EXPECT_EQ(dlg.GetSettings().*b.member, "E:\\chosen");
    }
}

// The program buttons: the file-open dialog (file must exist, current directory kept, no
// filter) on the member's value; a chosen file fills its own box only, a cancel keeps
// what was typed.
TEST_F(SettingsDialog, ProgramButtonsChooseAFile) {
    // 260 bytes, double-byte characters from the fifth byte on: the initial name is cut
    // to 258 bytes, before the character that would end beyond 259.
    m_settings.m_strOpenWindowProgram = "C:\\y";
    for (int i = 0; i < 128; ++i) {
        m_settings.m_strOpenWindowProgram += "\x88\x9F";
    }
    test::PromptRecorder prompts;
    prompts.openFileAnswers = {"C:\\tools\\web.exe", ""};
    CSettingsDlg dlg(m_settings);
    test::ModalScript()
        .Then([](fw::CDialog& d) { Click(d, 1017); })
        .Then([](fw::CDialog& d) {
            EXPECT_EQ(ItemText(d.m_hWnd, 1021), "C:\\tools\\web.exe");
            SetItemText(d.m_hWnd, 1020, "typed.exe");
            Click(d, 1016);  // cancelled
        })
        .Then([&](fw::CDialog& d) {
            EXPECT_EQ(ItemText(d.m_hWnd, 1020), "typed.exe");
            d.PostMessage(WM_COMMAND, IDOK);
        })
        .Run(dlg);
    ASSERT_EQ(prompts.openFiles.size(), 2u);
    EXPECT_EQ(prompts.openFiles[0].initialFile, "browser.exe");
    EXPECT_EQ(prompts.openFiles[1].initialFile, m_settings.m_strOpenWindowProgram.substr(0, 258));
    for (const auto& call : prompts.openFiles) {
        EXPECT_EQ(call.flags, 0x1008u);
        EXPECT_EQ(call.maxFile, static_cast<DWORD>(MAX_PATH));
        EXPECT_FALSE(call.hasFilter);
        EXPECT_FALSE(call.hasDefaultExtension);
    }
    EXPECT_EQ(dlg.GetSettings().m_strUrlProgram, "C:\\tools\\web.exe");
    EXPECT_EQ(dlg.GetSettings().m_strOpenWindowProgram, "typed.exe");
}

// The settings command of the main window: P and the menu item open the dialog on the
// window's settings; OK assigns them back, Cancel after edits changes nothing, and the
// file is written only when the window closes.
class SettingsCommand : public test::ViewerFixture {};

TEST_F(SettingsCommand, KeyAndMenuOpenTheDialogAndOnlyOkAssigns) {
    CViewerDlg dlg;
    const Settings before = dlg.GetSettings();
    const std::string ini = dlg.GetIniFilePath();
    std::vector<UINT> opened;
    int shown = 0;
    test::ModalScript()
        .OnNestedDialog([&](fw::CDialog& nested) {
            opened.push_back(nested.GetTemplateId());
            SetItemText(nested.m_hWnd, 1009, "F:\\elsewhere");
            ::SendDlgItemMessageA(nested.m_hWnd, 1019, BM_SETCHECK, BST_CHECKED, 0);
            // The first opening is cancelled, the others confirmed.
            nested.PostMessage(WM_COMMAND, ++shown == 1 ? IDCANCEL : IDOK);
        })
        .Then([&](fw::CDialog& d) {
            EXPECT_EQ(::GetMenuState(::GetMenu(d.m_hWnd), ID_MENU_SETTINGS, MF_BYCOMMAND) & MF_GRAYED, 0u);
            dlg.Files().ListBox().SetFocus();
        })
        .Key('P')
        .Then([&](fw::CDialog&) { EXPECT_TRUE(dlg.GetSettings() == before); })
        .Key('P', true, true)
        .Then([&](fw::CDialog& d) {
            EXPECT_EQ(dlg.GetSettings().m_strMoveDir, "F:\\elsewhere");
            EXPECT_EQ(dlg.GetSettings().m_bAutoRenameAtMove, 1);
            EXPECT_FALSE(test::FileExists(ini)) << "written when the window closes";
            dlg.GetSettings().m_strMoveDir = "F:\\again";
            d.PostMessage(WM_COMMAND, ID_MENU_SETTINGS);
        })
        .Then([&](fw::CDialog&) { EXPECT_EQ(dlg.GetSettings().m_strMoveDir, "F:\\elsewhere"); })
        .Run(dlg);
    EXPECT_EQ(opened, (std::vector<UINT>{IDD_SETTINGS, IDD_SETTINGS, IDD_SETTINGS}));
    const std::vector<test::IniEntry> entries = test::ReadIniEntries(ini);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0], (test::IniEntry{"Directory", "MoveDir", "F:\\elsewhere"}));
}

}  // namespace
