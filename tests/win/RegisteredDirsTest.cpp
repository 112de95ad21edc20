// The registered directories: the jump dialog on a settings file of its own, and J in the
// main window, which lists the chosen path and keeps the registrations when it closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "regdirs/JumpDlg.h"
#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;
using IniEntries = std::vector<test::IniEntry>;
using NestedStep = std::function<void(fw::CDialog&)>;

std::string PathShown(HWND jump) {
    fw::CWnd item;
    item.Attach(::GetDlgItem(jump, IDC_JUMP_SELECTED_PATH));
    return item.GetWindowText();
}

void Click(fw::CDialog& dialog, int id) {
    dialog.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)));
}

// Selects a list entry as the user's click would: the list tells the dialog.
void SelectEntry(fw::CDialog& dialog, int index) {
    const HWND list = dialog.GetDlgItem(IDC_JUMP_LIST);
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    dialog.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_JUMP_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

Strings ListTexts(const CJumpDlg& dlg) {
    Strings texts;
    for (int i = 0; i < dlg.List().GetCount(); ++i) {
        texts.push_back(dlg.List().GetText(i));
    }
    return texts;
}

// The name dialog's answer: `name` entered and confirmed, or a cancel without one.
NestedStep Name(const char* name, std::string* proposed = nullptr) {
    return [name, proposed](fw::CDialog& nested) {
        EXPECT_EQ(nested.GetWindowText(), "登録ディレクトリの追加");
        if (proposed != nullptr) {
            char text[512] = {};
            ::GetDlgItemTextA(nested.m_hWnd, IDC_DIRNAME_NAME, text, sizeof text);
            *proposed = text;
        }
        if (name == nullptr) {
            nested.EndDialog(IDCANCEL);
            return;
        }
        ::SetDlgItemTextA(nested.m_hWnd, IDC_DIRNAME_NAME, name);
        nested.PostMessage(WM_COMMAND, IDOK);
    };
}

// A script whose further dialogs are answered in turn by `steps`.
test::ModalScript ScriptAnswering(std::deque<NestedStep>& steps) {
    test::ModalScript script;
    script.OnNestedDialog([&steps](fw::CDialog& nested) {
        if (steps.empty()) {
            ADD_FAILURE() << "unexpected dialog " << nested.GetTemplateId();
            nested.EndDialog(IDCANCEL);
            return;
        }
        const NestedStep step = steps.front();
        steps.pop_front();
        step(nested);
    });
    return script;
}

class JumpDialog : public testing::Test {
protected:
    INT_PTR Run(test::ModalScript& script) {
        m_dlg.emplace(test::Wide(m_ini), test::Wide(m_current));
        return script.Run(*m_dlg);
    }

    test::TempDir m_dir{"jump"};
    std::string m_ini = m_dir / "Ixo.ini";
    std::string m_current = "C:\\pics\\cats";
    std::deque<NestedStep> m_nested;
    std::optional<CJumpDlg> m_dlg;
};

TEST_F(JumpDialog, WithoutRegistrationsOkYieldsNoPath) {
    for (const char* file : {"", "[RegistedDirNum]\r\nNum=abc\r\n[RegistedDirName]\r\nDir0=x\r\n",
                             "[RegistedDirNum]\r\nNum=-1\r\n"}) {
        SCOPED_TRACE(file);
        test::WriteFileBytes(m_ini, file);
        test::ModalScript script = ScriptAnswering(m_nested);
        script.Then([this](fw::CDialog& dlg) {
            EXPECT_EQ(dlg.GetWindowText(), "登録ディレクトリへのジャンプ");
            EXPECT_EQ(m_dlg->List().GetCount(), 0);
            EXPECT_EQ(PathShown(dlg.m_hWnd), "") << "the template's placeholder is replaced";
            Click(dlg, IDC_JUMP_DELETE);
            Click(dlg, IDC_JUMP_CHANGE_NAME);
            dlg.PostMessage(WM_COMMAND, IDOK);
        });
        EXPECT_EQ(Run(script), IDOK);
        EXPECT_EQ(m_dlg->SelectedPath(), "");
        EXPECT_EQ(test::ReadFileBytes(m_ini), file) << "nothing is written";
    }
}

// Registering writes at once and closes the dialog without a jump; two registrations give
// the file's layout, sections in the order of their first writing.
TEST_F(JumpDialog, RegisteringWritesAtOnceAndNeverJumps) {
    std::string proposed;
    m_nested = {Name(nullptr), Name("Cats", &proposed)};
    test::ModalScript script = ScriptAnswering(m_nested);
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_ADD_CURRENT); });
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_FALSE(test::FileExists(m_ini)) << "a cancelled name writes nothing";
        Click(dlg, IDC_JUMP_ADD_CURRENT);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(proposed, "C:\\pics\\cats");
    EXPECT_EQ(m_dlg->SelectedPath(), "");

    m_current = "D:\\photos\\";
    m_nested = {Name("D:\\photos\\")};
    script = ScriptAnswering(m_nested);
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_ADD_CURRENT); });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(test::ReadIniEntries(m_ini), (IniEntries{{"RegistedDirNum", "Num", "2"},
                                                       {"RegistedDirPath", "Dir0", "C:\\pics\\cats"},
                                                       {"RegistedDirPath", "Dir1", "D:\\photos\\"},
                                                       {"RegistedDirName", "Dir0", "Cats"},
                                                       {"RegistedDirName", "Dir1", "D:\\photos\\"}}));
}

// Registrations 'b', 'c', 'a' under keys 0, 1, 2 (and a key beyond the count): deleting
// renumbers the rest in name order, renaming writes only its own keys, down to none.
TEST_F(JumpDialog, DeleteAndRenameFollowTheDisplayNames) {
    test::WriteFileBytes(m_ini,
                         "[RegistedDirNum]\r\nNum=3\r\n"
                         "[RegistedDirPath]\r\nDir0=C:\\pb\r\nDir1=C:\\pc\r\nDir2=C:\\pa\r\nDir3=C:\\beyond\r\n"
                         "[RegistedDirName]\r\nDir0=b\r\nDir1=c\r\nDir2=a\r\n[Directory]\r\nMoveDir=C:\\m\r\n");
    IniEntries afterDelete = {{"RegistedDirNum", "Num", "2"},   {"RegistedDirPath", "Dir3", "C:\\beyond"},
                              {"RegistedDirPath", "Dir0", "C:\\pa"}, {"RegistedDirPath", "Dir1", "C:\\pc"},
                              {"RegistedDirName", "Dir0", "a"},     {"RegistedDirName", "Dir1", "c"},
                              {"Directory", "MoveDir", "C:\\m"}};
    m_nested = {Name("z")};
    test::ModalScript script = ScriptAnswering(m_nested);
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(ListTexts(*m_dlg), (Strings{"a", "b", "c"}));
        EXPECT_EQ(::GetFocus(), m_dlg->List().m_hWnd);
        EXPECT_EQ(PathShown(dlg.m_hWnd), "C:\\pa");
        SelectEntry(dlg, 1);  // 'b'
    });
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_DELETE); });
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(ListTexts(*m_dlg), (Strings{"a", "c"}));
        EXPECT_EQ(m_dlg->List().GetCurSel(), 0) << "the first entry, not the neighbour";
        EXPECT_EQ(test::ReadIniEntries(m_ini), afterDelete);
        Click(dlg, IDC_JUMP_CHANGE_NAME);  // 'a' becomes 'z'
    });
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(ListTexts(*m_dlg), (Strings{"c", "z"}));
        EXPECT_EQ(m_dlg->List().GetCurSel(), 1) << "the renamed entry stays selected where it moved";
        EXPECT_EQ(PathShown(dlg.m_hWnd), "C:\\pa");
        afterDelete[4].value = "z";
        EXPECT_EQ(test::ReadIniEntries(m_ini), afterDelete);
        Click(dlg, IDC_JUMP_DELETE);
    });
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_DELETE); });
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(m_dlg->List().GetCount(), 0);
        EXPECT_EQ(PathShown(dlg.m_hWnd), "");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_EQ(m_dlg->SelectedPath(), "");
    EXPECT_EQ(test::ReadIniEntries(m_ini)[0], (test::IniEntry{"RegistedDirNum", "Num", "0"}));
}

// Entries that share a name keep their own paths, and values of any length are read whole.
TEST_F(JumpDialog, SharedNamesAndLongValues) {
    const std::string longPath = "C:\\" + std::string(200, 'p') + "\\表示\\" + std::string(300, 'q');
    const std::string longName = std::string(1500, 'n') + "名前";
    test::WriteFileBytes(m_ini, "[RegistedDirNum]\r\nNum=4\r\n[RegistedDirPath]\r\nDir0=C:\\first\r\nDir1=C:\\second\r\n"
                                "Dir2=" + longPath + "\r\n[RegistedDirName]\r\nDir0=same\r\nDir1=same\r\nDir2=" +
                                    longName + "\r\n");
    std::string third;
    test::ModalScript script = ScriptAnswering(m_nested);
    script.Then([&](fw::CDialog& dlg) {
        // Dir3 has neither path nor name: an empty line first.
        EXPECT_EQ(ListTexts(*m_dlg), (Strings{"", longName, "same", "same"}));
        SelectEntry(dlg, 1);
    });
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(PathShown(dlg.m_hWnd), longPath);
        SelectEntry(dlg, 3);
    });
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(m_dlg->List().GetCurSel(), 3) << "the exchange keeps the second of two equal names";
        third = m_dlg->Paths().at(static_cast<size_t>(m_dlg->List().GetItemData(3)));
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_TRUE(third == "C:\\first" || third == "C:\\second") << third;
    EXPECT_EQ(m_dlg->SelectedPath(), third);
}

class JumpFromTheViewer : public test::ViewerFixture {};

// J with real keys: registering never jumps, OK lists a registered path that is gone as
// an empty directory, and the settings written at the close keep a registration made in
// the same run.
TEST_F(JumpFromTheViewer, JumpListsTheChosenPathAndTheCloseKeepsTheRegistrations) {
    WriteBmp("a.bmp", 2, 2, 0);
    CViewerDlg dlg;
    const std::string gone = m_pics / "gone";
    test::WriteFileBytes(dlg.GetIniFilePath(), "[RegistedDirNum]\r\nNum=1\r\n[RegistedDirPath]\r\nDir0=" + gone +
                                                   "\r\n[RegistedDirName]\r\nDir0=gone\r\n");
    std::deque<NestedStep> nested = {
        [](fw::CDialog& jump) { Click(jump, IDC_JUMP_ADD_CURRENT); },
        Name("here"),
        [](fw::CDialog& jump) {
            SelectEntry(jump, 0);  // 'gone' before 'here'
            jump.PostMessage(WM_COMMAND, IDOK);
        },
        [](fw::CDialog& jump) { jump.PostMessage(WM_COMMAND, IDCANCEL); },
    };
    test::ModalScript script = ScriptAnswering(nested);
    script.Then([&](fw::CDialog&) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.FileList().ListBox().SetFocus();
    });
    script.Key('J');
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path())) << "registering never jumps";
        EXPECT_EQ(Entries(dlg), (Strings{"a.bmp"}));
    });
    script.Key('J', true, true);  // Shift and Ctrl make no difference
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(gone));
        EXPECT_TRUE(Entries(dlg).empty());
        EXPECT_NE(dlg.GetWindowText().find("[" + gone + "]"), std::string::npos);
    });
    script.Key('J');  // cancelled: nothing changes
    script.Then([&](fw::CDialog&) { EXPECT_EQ(dlg.Folder().Dir(), test::Wide(gone)); });
    script.Run(dlg);
    EXPECT_TRUE(nested.empty());

    const IniEntries entries = test::ReadIniEntries(test::Narrow(dlg.GetIniFilePath()));
    const IniEntries registrations(entries.begin(), entries.begin() + std::min<size_t>(entries.size(), 5));
    EXPECT_EQ(registrations, (IniEntries{{"RegistedDirNum", "Num", "2"},
                                         {"RegistedDirPath", "Dir0", gone},
                                         {"RegistedDirPath", "Dir1", m_pics.Path()},
                                         {"RegistedDirName", "Dir0", "gone"},
                                         {"RegistedDirName", "Dir1", "here"}}));
    EXPECT_EQ(entries.size(), 5u + 13u) << "and all thirteen settings";
}

}  // namespace
