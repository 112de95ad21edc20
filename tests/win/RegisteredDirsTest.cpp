// The registered directories: the jump dialog on a settings file of its own, and J in the
// main window, which lists the chosen path and keeps the registrations when it closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "regdirs/JumpDlg.h"
#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;
using test::IniEntry;
using IniEntries = std::vector<IniEntry>;
using NestedStep = std::function<void(fw::CDialog&)>;

std::string ItemText(HWND dialog, int id) {
    fw::CWnd item;
    item.Attach(::GetDlgItem(dialog, id));
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
    for (int i = 0; i < dlg.m_listDirs.GetCount(); ++i) {
        texts.push_back(dlg.m_listDirs.GetText(i));
    }
    return texts;
}

// The name dialog's answer: the name is entered and confirmed with OK.
NestedStep EnterName(std::string name, std::string* proposed = nullptr) {
    return [name, proposed](fw::CDialog& nested) {
        EXPECT_EQ(nested.GetTemplateId(), static_cast<UINT>(IDD_DIRNAME));
        EXPECT_EQ(nested.GetWindowText(), "登録ディレクトリの追加");
        if (proposed != nullptr) {
            *proposed = ItemText(nested.m_hWnd, IDC_DIRNAME_NAME);
        }
        ::SetDlgItemTextA(nested.m_hWnd, IDC_DIRNAME_NAME, name.c_str());
        nested.PostMessage(WM_COMMAND, IDOK);
    };
}

NestedStep CancelName() {
    return [](fw::CDialog& nested) { nested.EndDialog(IDCANCEL); };
}

// Three registrations named 'b', 'c', 'a' under keys 0, 1, 2, a key beyond the count, and
// a section of the other settings behind them.
constexpr char kThreeRegistrations[] =
    "[RegistedDirNum]\r\nNum=3\r\n"
    "[RegistedDirPath]\r\nDir0=C:\\pb\r\nDir1=C:\\pc\r\nDir2=C:\\pa\r\nDir3=C:\\beyond\r\n"
    "[RegistedDirName]\r\nDir0=b\r\nDir1=c\r\nDir2=a\r\n"
    "[Directory]\r\nMoveDir=C:\\m\r\n";

class JumpDialog : public testing::Test {
protected:
    // A script whose nested dialogs (the name dialog) are answered in turn by m_nested.
    test::ModalScript Script() {
        test::ModalScript script;
        script.OnNestedDialog([this](fw::CDialog& nested) {
            if (m_nested.empty()) {
                ADD_FAILURE() << "unexpected dialog " << nested.GetTemplateId();
                nested.EndDialog(IDCANCEL);
                return;
            }
            const NestedStep step = m_nested.front();
            m_nested.pop_front();
            step(nested);
        });
        return script;
    }
    INT_PTR Run(test::ModalScript& script) {
        m_dlg.m_strIniPath = m_ini;
        m_dlg.m_strCurrentDir = m_current;
        return script.Run(m_dlg);
    }
    std::string PathShown() const { return ItemText(m_dlg.m_hWnd, IDC_JUMP_SELECTED_PATH); }

    test::TempDir m_dir{"jump"};
    std::string m_ini = m_dir / "Ixo.ini";
    std::string m_current = "C:\\pics\\cats";
    std::deque<NestedStep> m_nested;
    CJumpDlg m_dlg;
};

TEST_F(JumpDialog, WithoutRegistrationsTheListIsEmptyAndOkYieldsNoPath) {
    for (const char* file : {"", "[RegistedDirNum]\r\nNum=abc\r\n[RegistedDirName]\r\nDir0=x\r\n",
                             "[RegistedDirNum]\r\nNum=-1\r\n"}) {
        SCOPED_TRACE(file);
        test::WriteFileBytes(m_ini, file);
        test::ModalScript script = Script();
        script.Then([this](fw::CDialog& dlg) {
            EXPECT_EQ(dlg.GetWindowText(), "登録ディレクトリへのジャンプ");
            EXPECT_EQ(m_dlg.m_listDirs.GetCount(), 0);
            EXPECT_EQ(PathShown(), "") << "the template's placeholder is replaced";
            Click(dlg, IDC_JUMP_DELETE);
            Click(dlg, IDC_JUMP_CHANGE_NAME);
        });
        script.Then([](fw::CDialog& dlg) { dlg.PostMessage(WM_COMMAND, IDOK); });
        EXPECT_EQ(Run(script), IDOK);
        EXPECT_EQ(m_dlg.m_strSelectedPath, "");
        EXPECT_EQ(test::ReadFileBytes(m_ini), file) << "nothing is written";
    }
}

// Registering writes at once and closes the dialog without a jump; two registrations
// give the file's layout of the example, sections in the order of their first writing.
TEST_F(JumpDialog, RegisteringWritesAtOnceAndNeverJumps) {
    std::string proposed;
    m_nested = {CancelName(), EnterName("Cats", &proposed)};
    test::ModalScript script = Script();
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_ADD_CURRENT); });
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_TRUE(dlg.IsModalRunning()) << "a cancelled name keeps the dialog open";
        EXPECT_FALSE(test::FileExists(m_ini));
        Click(dlg, IDC_JUMP_ADD_CURRENT);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(proposed, "C:\\pics\\cats");
    EXPECT_EQ(m_dlg.m_strSelectedPath, "");
    EXPECT_EQ(test::ReadIniEntries(m_ini), (IniEntries{{"RegistedDirNum", "Num", "1"},
                                                    {"RegistedDirPath", "Dir0", "C:\\pics\\cats"},
                                                    {"RegistedDirName", "Dir0", "Cats"}}));

    // The proposed name unchanged: the path is the name too.
    m_current = "D:\\photos\\";
    m_nested = {EnterName("D:\\photos\\")};
    script = Script();
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"Cats"}));
        Click(dlg, IDC_JUMP_ADD_CURRENT);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(test::ReadIniEntries(m_ini),
              (IniEntries{{"RegistedDirNum", "Num", "2"},
                       {"RegistedDirPath", "Dir0", "C:\\pics\\cats"},
                       {"RegistedDirPath", "Dir1", "D:\\photos\\"},
                       {"RegistedDirName", "Dir0", "Cats"},
                       {"RegistedDirName", "Dir1", "D:\\photos\\"}}));
}

TEST_F(JumpDialog, ListIsSortedByNameAndShowsTheSelectedPath) {
    test::WriteFileBytes(m_ini, kThreeRegistrations);
    test::ModalScript script = Script();
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"a", "b", "c"}));
        EXPECT_EQ(m_dlg.m_listDirs.GetCurSel(), 0);
        EXPECT_EQ(::GetFocus(), m_dlg.m_listDirs.m_hWnd);
        EXPECT_EQ(PathShown(), "C:\\pa");
    });
    script.Key(VK_DOWN);
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(m_dlg.m_listDirs.GetCurSel(), 1);
        EXPECT_EQ(PathShown(), "C:\\pb");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_EQ(m_dlg.m_strSelectedPath, "C:\\pb");
    EXPECT_EQ(m_dlg.m_strListText, "b");
}

TEST_F(JumpDialog, DeletingRenumbersTheRestInNameOrder) {
    test::WriteFileBytes(m_ini, kThreeRegistrations);
    test::ModalScript script = Script();
    script.Then([](fw::CDialog& dlg) { SelectEntry(dlg, 1); });  // 'b'
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_DELETE); });
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"a", "c"}));
        EXPECT_EQ(m_dlg.m_listDirs.GetCurSel(), 0) << "the first entry, not the neighbour";
        EXPECT_EQ(PathShown(), "C:\\pa");
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(test::ReadIniEntries(m_ini), (IniEntries{{"RegistedDirNum", "Num", "2"},
                                                    {"RegistedDirPath", "Dir3", "C:\\beyond"},
                                                    {"RegistedDirPath", "Dir0", "C:\\pa"},
                                                    {"RegistedDirPath", "Dir1", "C:\\pc"},
                                                    {"RegistedDirName", "Dir0", "a"},
                                                    {"RegistedDirName", "Dir1", "c"},
                                                    {"Directory", "MoveDir", "C:\\m"}}));
}

TEST_F(JumpDialog, RenamingWritesOnlyItsOwnTwoKeys) {
    test::WriteFileBytes(m_ini, kThreeRegistrations);
    IniEntries expected = test::ReadIniEntries(m_ini);
    m_nested = {CancelName(), EnterName("z")};
    test::ModalScript script = Script();
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_CHANGE_NAME); });  // 'a', cancelled
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"a", "b", "c"}));
        Click(dlg, IDC_JUMP_CHANGE_NAME);
    });
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"b", "c", "z"}));
        EXPECT_EQ(m_dlg.m_listDirs.GetCurSel(), 2) << "the renamed entry stays selected where it moved";
        EXPECT_EQ(PathShown(), "C:\\pa");
        EXPECT_EQ(::GetFocus(), m_dlg.m_listDirs.m_hWnd);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    expected[7].value = "z";  // [RegistedDirName] Dir2
    EXPECT_EQ(test::ReadIniEntries(m_ini), expected);
}

TEST_F(JumpDialog, DeletingTheOnlyRegistrationLeavesNothingToJumpTo) {
    test::WriteFileBytes(m_ini, "[RegistedDirNum]\r\nNum=1\r\n[RegistedDirPath]\r\nDir0=C:\\x\r\n"
                                "[RegistedDirName]\r\nDir0=x\r\n");
    test::ModalScript script = Script();
    script.Then([](fw::CDialog& dlg) { Click(dlg, IDC_JUMP_DELETE); });
    script.Then([this](fw::CDialog& dlg) {
        EXPECT_EQ(m_dlg.m_listDirs.GetCount(), 0);
        EXPECT_EQ(PathShown(), "");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_EQ(m_dlg.m_strSelectedPath, "");
    EXPECT_EQ(test::ReadIniEntries(m_ini), (IniEntries{{"RegistedDirNum", "Num", "0"}}));
}

// Entries that share a name keep their own paths, and values of any length are read whole.
TEST_F(JumpDialog, SharedNamesAndLongValues) {
    const std::string longPath = "C:\\" + std::string(200, 'p') + "\\表示\\" + std::string(300, 'q');
    const std::string longName = std::string(1500, 'n') + "名前";
    test::WriteFileBytes(m_ini, "[RegistedDirNum]\r\nNum=4\r\n[RegistedDirPath]\r\nDir0=C:\\first\r\nDir1=C:\\second\r\n"
                                "Dir2=" + longPath + "\r\n[RegistedDirName]\r\nDir0=same\r\nDir1=same\r\nDir2=" +
                                    longName + "\r\n");
    test::ModalScript script = Script();
    script.Then([&](fw::CDialog& dlg) {
        // Dir3 has neither path nor name: an empty line first.
        EXPECT_EQ(ListTexts(m_dlg), (Strings{"", longName, "same", "same"}));
        EXPECT_EQ(PathShown(), "");
        SelectEntry(dlg, 1);
    });
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(PathShown(), longPath);
        SelectEntry(dlg, 3);
    });
    std::string third;
    script.Then([&](fw::CDialog& dlg) {
        EXPECT_EQ(m_dlg.m_listDirs.GetCurSel(), 3) << "the exchange keeps the second of two equal names";
        third = m_dlg.m_arrPaths.at(static_cast<size_t>(m_dlg.m_listDirs.GetItemData(3)));
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_TRUE(third == "C:\\first" || third == "C:\\second") << third;
    EXPECT_EQ(m_dlg.m_strSelectedPath, third);
}

// J in the main window, with real keys.
class JumpFromTheViewer : public test::ViewerFixture {
protected:
    test::ModalScript Script() {
        test::ModalScript script;
        script.OnNestedDialog([this](fw::CDialog& nested) {
            if (m_nested.empty()) {
                ADD_FAILURE() << "unexpected dialog " << nested.GetTemplateId();
                nested.EndDialog(IDCANCEL);
                return;
            }
            const NestedStep step = m_nested.front();
            m_nested.pop_front();
            step(nested);
        });
        script.Then([this](fw::CDialog&) {
            m_dlg.SetCurDir(m_pics.Path());
            m_dlg.ListDirectory(m_dlg.GetCurDir());
            m_dlg.ShowSelectedEntry();
            m_dlg.Files().ListBox().SetFocus();
        });
        return script;
    }

    std::deque<NestedStep> m_nested;
    CViewerDlg m_dlg;
};

// A registration made in this run is still in the file after the window wrote its
// settings; a registered path that is gone lists as an empty directory.
TEST_F(JumpFromTheViewer, JumpListsTheChosenPathAndTheCloseKeepsTheRegistrations) {
    WriteBmp("a.bmp", 2, 2, 0);
    const std::string gone = m_pics / "gone";
    test::WriteFileBytes(m_dlg.GetIniFilePath(), "[RegistedDirNum]\r\nNum=1\r\n[RegistedDirPath]\r\nDir0=" + gone +
                                                     "\r\n[RegistedDirName]\r\nDir0=gone\r\n");
    m_nested = {
        [](fw::CDialog& jump) {
            EXPECT_EQ(jump.GetTemplateId(), static_cast<UINT>(IDD_JUMP));
            Click(jump, IDC_JUMP_ADD_CURRENT);
        },
        EnterName("here"),
        [](fw::CDialog& jump) {
            SelectEntry(jump, 0);  // 'gone' before 'here'
            jump.PostMessage(WM_COMMAND, IDOK);
        },
        [](fw::CDialog& jump) { jump.PostMessage(WM_COMMAND, IDCANCEL); },
    };
    test::ModalScript script = Script();
    script.Key('J');
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(m_dlg.GetCurDir(), m_pics.Path()) << "registering never jumps";
        EXPECT_EQ(Entries(m_dlg), (Strings{"a.bmp"}));
    });
    script.Key('J', true, true);  // Shift and Ctrl make no difference
    script.Then([this, gone](fw::CDialog&) {
        EXPECT_EQ(m_dlg.GetCurDir(), gone);
        EXPECT_TRUE(Entries(m_dlg).empty());
        EXPECT_NE(m_dlg.GetWindowText().find("[" + gone + "]"), std::string::npos);
    });
    script.Key('J');  // cancelled: nothing changes
    script.Then([this, gone](fw::CDialog&) { EXPECT_EQ(m_dlg.GetCurDir(), gone); });
    script.Run(m_dlg);
    EXPECT_TRUE(m_nested.empty());

    const IniEntries entries = test::ReadIniEntries(m_dlg.GetIniFilePath());
    const IniEntries registrations(entries.begin(), entries.begin() + std::min<size_t>(entries.size(), 5));
    EXPECT_EQ(registrations, (IniEntries{{"RegistedDirNum", "Num", "2"},
                                      {"RegistedDirPath", "Dir0", gone},
                                      {"RegistedDirPath", "Dir1", m_pics.Path()},
                                      {"RegistedDirName", "Dir0", "gone"},
                                      {"RegistedDirName", "Dir1", "here"}}));
    EXPECT_EQ(entries.size(), 5u + 12u) << "and all twelve settings";
}

}  // namespace
