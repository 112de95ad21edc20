// The settings dialog: its layout, the exchange of the eleven values, and the folder and
// program buttons.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/WideText.h"
#include "res/resource.h"
#include "settings/SettingsDlg.h"
#include "tests/win/support/TestSupport.h"

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

class SettingsDialog : public testing::Test {
protected:
    Settings m_settings = Sample();
    CSettingsDlg m_dlg{m_settings};
};

TEST_F(SettingsDialog, TemplateLayout) {
    test::ModalScript()
        .Then([](fw::CDialog& dlg) {
            EXPECT_EQ(dlg.GetWindowText(), "設定");
            RECT size{0, 0, 243, 411};
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

            // Thirty-five controls in template order, which is the tab order.
            std::vector<int> tabStops;
            int controls = 0;
            for (HWND child = ::GetWindow(dlg.m_hWnd, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT), ++controls) {
                if (::GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP) {
                    tabStops.push_back(::GetDlgCtrlID(child));
                }
            }
            EXPECT_EQ(controls, 35);
            EXPECT_EQ(tabStops, (std::vector<int>{1009, 1010, 1011, 1002, 1013, 1003, 1012, 1014, 1015, 1008, 1, 2,
                                                  1020, 1016, 1021, 1022, 1017, 1019, 1024}));
            EXPECT_EQ(::GetFocus(), dlg.GetDlgItem(1009));
            EXPECT_FALSE(::IsWindowEnabled(dlg.GetDlgItem(1015))) << "the scaling switch cannot be changed here";
            for (const int id : {1008, 1015, 1019, 1024}) {
                EXPECT_EQ(::GetWindowLongA(dlg.GetDlgItem(id), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << id;
            }
            EXPECT_EQ(::GetWindowLongA(dlg.GetDlgItem(IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            EXPECT_TRUE(::GetWindowLongA(dlg.GetDlgItem(1009), GWL_STYLE) & ES_AUTOHSCROLL);
        })
        .Run(m_dlg);
}

// Each control shows its own value; OK takes back what the controls hold, Cancel nothing.
TEST_F(SettingsDialog, OkTakesAllElevenValuesAndCancelNone) {
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
                  {1019, &Settings::m_bAutoRenameAtMove},
                  {1024, &Settings::m_bTrashIdentical}};
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
        prompts.browseAnswers = {L"", L"E:\\chosen", L""};
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
    // 304 characters, double-byte ones from the fifth on: the initial name is cut to the
    // 259 characters that fit the dialog's buffer.
    m_settings.m_strOpenWindowProgram = "C:\\y";
    for (int i = 0; i < 300; ++i) {
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
    EXPECT_EQ(prompts.openFiles[1].initialFile, m_settings.m_strOpenWindowProgram.substr(0, 4 + 255 * 2));
    for (const auto& call : prompts.openFiles) {
        EXPECT_EQ(call.flags, 0x1008u);
        EXPECT_EQ(call.maxFile, static_cast<DWORD>(MAX_PATH));
        EXPECT_FALSE(call.hasFilter);
        EXPECT_FALSE(call.hasDefaultExtension);
    }
    EXPECT_EQ(dlg.GetSettings().m_strUrlProgram, "C:\\tools\\web.exe");
    EXPECT_EQ(dlg.GetSettings().m_strOpenWindowProgram, "typed.exe");
}

// Every text of the dialog is shown as the program's code-page-932 literal, byte for byte
// once converted back; the dialog and its controls are Unicode windows.
TEST_F(SettingsDialog, TextsAsShownAreTheProgramsTexts) {
    const char* const expected[] = {
        "参照", "参照", "参照", "参照", "ＢＭＰを画面の大きさに合わせる",
        "'W'キーを押すと、壁紙用ＢＭＰがこのディレクトリに保存されます。", "Killコマンドを許可する(&K)", "OK",
        "ｷｬﾝｾﾙ",
        "'K'キーを押したときに、ファイルを即時削除できるようにします。\n削除したファイルは、基本的に復元できませんのでご注意ください。",
        "'M'キーを押すと、ファイルがこのディレクトリに移動されます。",
        "'T'キーを押すと、削除候補のファイルとして、ファイルがこのディレクトリに\n移動されます。　　実際のファイル削除は、別途手動で行ってください。",
        "移動先ディレクトリ", "削除候補ファイルディレクトリ", "Kill許可",
        "'C'キーを押すと、ファイルがこのディレクトリにコピーされます。", "コピー先ディレクトリ",
        "壁紙用ＢＭＰ格納ディレクトリ", "実行プログラム", "Window", "URL", "URL File", "参照", "参照", "自動リネーム",
        "移動先に同一ファイル名があった場合、自動リネームします。",
        "移動先に同じ内容のファイルがあれば削除候補へ移動する(&D)", "移動時の自動リネーム",
    };
    test::ModalScript()
        .Then([&](fw::CDialog& dlg) {
            EXPECT_TRUE(::IsWindowUnicode(dlg.m_hWnd));
            EXPECT_EQ(fw::Narrow932(dlg.GetWindowTextW()), "設定");
            std::vector<std::string> shown;
            for (HWND child = ::GetWindow(dlg.m_hWnd, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT)) {
                EXPECT_TRUE(::IsWindowUnicode(child));
                wchar_t kind[16] = {};
                ::GetClassNameW(child, kind, 16);
                if (::lstrcmpiW(kind, L"Edit") != 0) {
                    fw::CWnd control;
                    control.Attach(child);
                    shown.push_back(fw::Narrow932(control.GetWindowTextW()).value_or("(not code page 932)"));
                }
            }
            EXPECT_EQ(shown, std::vector<std::string>(std::begin(expected), std::end(expected)));
        })
        .Run(m_dlg);
}

// A folder or program that code page 932 cannot hold is refused where it is typed: the
// user is told, the box has the focus, and the dialog stays open.
TEST_F(SettingsDialog, OkRefusesATextOutsideCodePage932) {
    const struct {
        int id;
        std::wstring text;
    } cases[] = {
        {1009, L"C:\\x\U0001F642"}, {1011, L"C:\\caf\u00E9"}, {1012, L"C:\\\u6CE2\u301C"},
        {1020, L"\uD55C\uAE00.exe"}, {1022, L"2023\u00A5.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        test::PromptRecorder prompts;
        CSettingsDlg dlg(m_settings);
        test::ModalScript()
            .Then([&](fw::CDialog& d) {
                ::SetDlgItemTextW(d.m_hWnd, c.id, c.text.c_str());
                d.PostMessage(WM_COMMAND, IDOK);
            })
            .Then([&](fw::CDialog& d) {
                EXPECT_TRUE(d.IsModalRunning());
                EXPECT_EQ(::GetFocus(), d.GetDlgItem(c.id));
                d.PostMessage(WM_COMMAND, IDCANCEL);
            })
            .Run(dlg);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, "この欄にはシフトJISで表せない文字は使えません。");
        EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
}

}  // namespace
