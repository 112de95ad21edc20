// The digit keys and the nine numbered target folders, through real key messages and the
// main window's own dispatcher: each digit moves the shown picture into its target as M
// does into the move folder, a digit without a target is the list's own search, Ctrl and
// Shift-Ctrl choose and clear a target, and the menu shows the targets held.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

constexpr char kMoveFailed[] = "移動失敗\n移動先Dir  : ";

class TargetKeys : public test::ViewerFixture {
protected:
    // A script whose first step sets the targets given and lists the picture folder.
    ModalScript Script(const std::vector<std::pair<int, std::string>>& targets, int autoRename = 0) {
        ModalScript script;
        script.Then([this, targets, autoRename](fw::CDialog&) {
            Settings& settings = m_dlg.GetSettings();
            settings.m_strMoveDir = m_move.Path();
            settings.m_bAutoRenameAtMove = autoRename;
            for (const auto& [number, dir] : targets) {
                settings.m_strTargetDirs[static_cast<size_t>(number - 1)] = dir;
            }
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }
    std::string Selected() const {
        const ListEntry* selected = m_dlg.Folder().Selected();
        return selected == nullptr ? std::string() : test::Narrow(selected->Text());
    }
    void ExpectSelected(ModalScript& script, const std::string& name) {
        script.Then([this, name](fw::CDialog&) { EXPECT_EQ(Selected(), name); });
    }
    // The title without the shown entry's facts: the folder part and the note.
    std::string Title() const {
        const std::string title = test::Narrow(m_dlg.GetWindowTextW());
        const size_t note = title.find("  → ");
        return test::FolderPartOf(title) + (note == std::string::npos ? "" : title.substr(note));
    }
    std::string PlainTitle() const { return "- IXO - [" + m_pics.Path() + "]"; }
    // A picture of its own colour, so that each file's bytes tell it from every other.
    std::string Picture(const std::string& name, uint32_t rgb) const {
        WriteBmp(name, 5, 4, rgb);
        return test::ReadFileBytes(Pic(name));
    }
    const std::string& Target(int number) const { return m_targets[static_cast<size_t>(number - 1)]->Path(); }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
    std::array<std::unique_ptr<test::TempDir>, kTargetCount> m_targets = [] {
        std::array<std::unique_ptr<test::TempDir>, kTargetCount> dirs;
        for (int i = 0; i < kTargetCount; ++i) {
            dirs[static_cast<size_t>(i)] = std::make_unique<test::TempDir>("target" + std::to_string(i + 1));
        }
        return dirs;
    }();
};

TEST_F(TargetKeys, EachDigitOfTheRowAndTheKeypadMovesTheShownPictureIntoItsTarget) {
    // p01 ... p18: the row's digits take the first nine, the keypad's the next nine.
    std::vector<std::string> bytes;
    for (int i = 1; i <= 2 * kTargetCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.bmp", i);
        bytes.push_back(Picture(name, 0x010203u * static_cast<uint32_t>(i)));
    }
    std::vector<std::pair<int, std::string>> targets;
    for (int number = 1; number <= kTargetCount; ++number) {
        targets.emplace_back(number, Target(number));
    }
    test::PromptRecorder prompts;
    ModalScript script = Script(targets);
    for (int number = 1; number <= kTargetCount; ++number) {
        script.Key(static_cast<WORD>('0' + number));
    }
    for (int number = 1; number <= kTargetCount; ++number) {
        // Shift makes no difference, as with M.
        script.Key(static_cast<WORD>(VK_NUMPAD0 + number), number % 2 == 0);
        script.Then([this, number](fw::CDialog&) {
            EXPECT_EQ(Title(), PlainTitle() + "  → " + Target(number)) << "the title names where it went";
        });
    }
    script.Run(m_dlg);

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(test::ListNames(m_pics.Path()).empty());
    EXPECT_TRUE(test::ListNames(m_move.Path()).empty());
    for (int number = 1; number <= kTargetCount; ++number) {
        char first[16];
        char second[16];
        std::snprintf(first, sizeof first, "p%02d.bmp", number);
        std::snprintf(second, sizeof second, "p%02d.bmp", number + kTargetCount);
        ASSERT_EQ(test::ListNames(Target(number)), (Strings{first, second})) << number;
        EXPECT_EQ(test::ReadFileBytes(Target(number) + "\\" + first), bytes[static_cast<size_t>(number - 1)]);
        EXPECT_EQ(test::ReadFileBytes(Target(number) + "\\" + second),
                  bytes[static_cast<size_t>(number - 1 + kTargetCount)]);
    }
}

// A taken name, with renaming off and on; a folder that does not exist; a picture whose
// name code page 932 cannot hold; Ctrl-Z after each kind of move.
TEST_F(TargetKeys, MovesFollowTheMoveRulesAndCtrlZBringsThemBack) {
    const std::string a = Picture("a.bmp", 0x112233);
    const std::string b = Picture("b.bmp", 0x445566);
    const std::wstring wideName = L"c\u0101\u00e9.bmp";  // neither character is in code page 932
    const std::string c = testdata::MakeBmp24(3, 2, [](int, int) { return 0x778899u; });
    test::WriteFileBytes(test::Wide(m_pics.Path()) + L"\\" + wideName, c);
    const std::string taken = testdata::MakeBmp24(2, 2, [](int, int) { return 0xABCDEFu; });
    test::WriteFileBytes(Target(1) + "\\a.bmp", taken);
    const std::string missing = m_pics / "no such folder";

    test::PromptRecorder prompts;
    ModalScript script = Script({{1, Target(1)}, {2, missing}, {3, Target(3)}});
    script.Key('1');  // a.bmp's name is taken and renaming is off
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "a.bmp");
        EXPECT_EQ(Title(), PlainTitle()) << "no note after a failure";
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kMoveFailed + Target(1));
        EXPECT_EQ(prompts.messages[0].caption, "Error");
        m_dlg.GetSettings().m_bAutoRenameAtMove = 1;
    });
    script.Key(VK_NUMPAD1);
    ExpectSelected(script, "b.bmp");
    script.Key(VK_NUMPAD2);  // into a folder that does not exist
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp");
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_EQ(prompts.messages[1].text, kMoveFailed + missing);
    });
    script.Key(VK_DOWN).Key('3');  // the wide name
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(test::ReadFileBytes(test::Wide(Target(3)) + L"\\" + wideName), c);
        EXPECT_EQ(test::ListNames(Target(1)), (Strings{"a.bmp", "a_0000.BMP"}));
        EXPECT_EQ(test::ReadFileBytes(Target(1) + "\\a_0000.BMP"), a);
    });
    script.Key('Z', false, true).Key('Z', false, true);
    script.Run(m_dlg);

    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_FALSE(test::DirExists(missing));
    EXPECT_EQ(test::ListNames(Target(1)), Strings{"a.bmp"});
    EXPECT_EQ(test::ReadFileBytes(Target(1) + "\\a.bmp"), taken) << "the taken name's file untouched";
    EXPECT_TRUE(test::ListNames(Target(3)).empty());
    EXPECT_EQ(test::ReadFileBytes(Pic("a.bmp")), a);
    EXPECT_EQ(test::ReadFileBytes(Pic("b.bmp")), b);
    EXPECT_EQ(test::ReadFileBytes(test::Wide(m_pics.Path()) + L"\\" + wideName), c);
}

// Without a target a digit is what it always was: the list box's own search by the first
// character. Nothing moves and no message shows.
TEST_F(TargetKeys, ADigitWithoutATargetSearchesTheList) {
    for (const char* name : {"1st.bmp", "2nd.bmp", "5th.bmp", "a.bmp", "b.bmp"}) {
        Picture(name, 0x203040);
    }
    test::PromptRecorder prompts;
    bool numLockToggled = false;
    ModalScript script = Script({{3, Target(3)}});
    script.Then([&](fw::CDialog&) {
        m_dlg.Folder().Select(4);
        // The keypad's keys are digits with NumLock on, as a keyboard that sends them has it.
        if ((::GetKeyState(VK_NUMLOCK) & 1) == 0) {
            test::SendKey(VK_NUMLOCK, true);
            test::SendKey(VK_NUMLOCK, false);
            numLockToggled = true;
        }
    });
    script.Key('2');
    ExpectSelected(script, "2nd.bmp");
    script.Key(VK_NUMPAD5);
    ExpectSelected(script, "5th.bmp");
    script.Key('1');
    ExpectSelected(script, "1st.bmp");
    script.Key('3');  // set: moves
    ExpectSelected(script, "2nd.bmp");
    script.Key(VK_NUMPAD9);  // no entry begins with 9: the selection stays
    ExpectSelected(script, "2nd.bmp");
    script.Key('7', true, true);  // Shift-Ctrl on an unset target: nothing to clear
    script.Then([&](fw::CDialog&) {
        if (numLockToggled) {
            test::SendKey(VK_NUMLOCK, true);
            test::SendKey(VK_NUMLOCK, false);
        }
    });
    script.Run(m_dlg);

    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"2nd.bmp", "5th.bmp", "a.bmp", "b.bmp"}));
    EXPECT_EQ(test::ListNames(Target(3)), Strings{"1st.bmp"});
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.browses.empty());
}

// Ctrl and a digit choose that target in the browser; a folder the settings file cannot
// hold is refused with the message the other targets give. Shift-Ctrl and the digit clear
// the target once the user says yes.
TEST_F(TargetKeys, CtrlDigitChoosesAndShiftCtrlDigitClearsATarget) {
    Picture("a.bmp", 0x102030);
    Picture("b.bmp", 0x405060);
    test::TempDir chosen("chosen");
    const std::wstring wide = test::Wide(m_pics.Path()) + L"\\\u0101";
    ASSERT_TRUE(::CreateDirectoryW(wide.c_str(), nullptr));
    test::PromptRecorder prompts;
    prompts.browseAnswers = {test::Wide(chosen.Path()), wide, L"", test::Wide(Target(2))};
    prompts.messageAnswers = {IDOK, IDNO, IDYES};
    HWND window = nullptr;
    ModalScript script = Script({{5, Target(5)}});
    script.Then([&](fw::CDialog& dlg) {
        window = dlg.m_hWnd;
        m_dlg.Folder().Select(m_dlg.Folder().FindText(L"b.bmp"));
    });
    script.Key('6', false, true);         // unset: the browser opens on the folder viewed
    script.Key(VK_NUMPAD6, false, true);  // a folder outside code page 932: refused
    script.Key('5', false, true);         // cancelled
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp") << "the same entry after the list is read again";
        const Settings& settings = m_dlg.GetSettings();
        EXPECT_EQ(settings.m_strTargetDirs[5], chosen.Path());
        EXPECT_EQ(settings.m_strTargetDirs[4], Target(5));
    });
    script.Key('6');
    script.Key('5', true, true);         // answered no
    script.Key(VK_NUMPAD5, true, true);  // answered yes
    script.Key('5');                     // no target now: the list's search, nothing moves
    script.Key(VK_NUMPAD2, true, true);  // unset: no question
    script.Key('2', false, true);
    script.Key('2');
    script.Run(m_dlg);

    ASSERT_EQ(prompts.browses.size(), 4u);
    const std::pair<std::string, std::string> expected[] = {
        {m_pics.Path(), "6"}, {chosen.Path(), "6"}, {Target(5), "5"}, {m_pics.Path(), "2"}};
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& [initial, digit] = expected[i];
        EXPECT_EQ(prompts.browses[i].initialFolder, initial) << i;
        EXPECT_EQ(prompts.browses[i].title, "移動先" + digit + " ディレクトリ選択\n'" + digit +
                                                "'キーを押すと、ファイルがこのディレクトリに移動されます。")
            << i;
        EXPECT_EQ(prompts.browses[i].owner, window);
    }
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[0].wideText,
              fw::Widen932("この名前はシフトJISで表せないため、設定に保存できません。\n") + wide);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(prompts.messages[i].text, "移動先5 の設定を解除しますか？\n" + Target(5));
        EXPECT_EQ(prompts.messages[i].caption, "確認");
        EXPECT_EQ(prompts.messages[i].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    }
    const Settings& settings = m_dlg.GetSettings();
    EXPECT_EQ(settings.m_strTargetDirs[5], chosen.Path());
    EXPECT_TRUE(settings.m_strTargetDirs[4].empty());
    EXPECT_EQ(settings.m_strTargetDirs[1], Target(2));
    EXPECT_EQ(test::ListNames(chosen.Path()), Strings{"b.bmp"});
    EXPECT_EQ(test::ListNames(Target(2)), Strings{"a.bmp"});
    EXPECT_TRUE(test::ListNames(Target(5)).empty());
}

// The menu lists the nine targets as they are when it opens, and an item chooses its target.
TEST_F(TargetKeys, TheMenuShowsTheTargetsHeldAndChoosesOne) {
    test::TempDir ampersand("R&D");
    test::PromptRecorder prompts;
    prompts.browseAnswers = {test::Wide(Target(8))};
    Strings texts;
    ModalScript script = Script({{1, Target(1)}, {4, ampersand.Path()}});
    script.Then([&](fw::CDialog& dlg) {
        HMENU bar = ::GetMenu(dlg.m_hWnd);
        ASSERT_EQ(::GetMenuItemCount(bar), 5);
        HMENU menu = ::GetSubMenu(bar, 2);
        char name[32] = {};
        ::GetMenuStringA(bar, 2, name, sizeof name, MF_BYPOSITION);
        EXPECT_STREQ(name, "移動先");
        dlg.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 2);
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[MAX_PATH] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, MAX_PATH, MF_BYPOSITION);
            texts.push_back(test::Narrow(text));
            EXPECT_EQ(::GetMenuItemID(menu, i), static_cast<UINT>(ID_MENU_TARGET1 + i));
        }
        dlg.SendMessage(WM_COMMAND, ID_MENU_TARGET1 + 7, 0);
        dlg.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 2);
        wchar_t text[MAX_PATH] = {};
        ::GetMenuStringW(menu, ID_MENU_TARGET1 + 7, text, MAX_PATH, MF_BYCOMMAND);
        EXPECT_EQ(test::Narrow(text), "&8  " + Target(8)) << "the item chose its target";
    });
    script.Run(m_dlg);

    std::string doubled = ampersand.Path();
    doubled.replace(doubled.find('&'), 1, "&&");
    EXPECT_EQ(texts,
              (Strings{"&1  " + Target(1), "&2  （未設定）", "&3  （未設定）", "&4  " + doubled, "&5  （未設定）",
                       "&6  （未設定）", "&7  （未設定）", "&8  （未設定）", "&9  （未設定）"}));
    ASSERT_EQ(prompts.browses.size(), 1u);
    EXPECT_EQ(prompts.browses[0].title,
              "移動先8 ディレクトリ選択\n'8'キーを押すと、ファイルがこのディレクトリに移動されます。");
    EXPECT_EQ(m_dlg.GetSettings().m_strTargetDirs[7], Target(8));
}

// The note in the title after a move lasts until the next command.
TEST_F(TargetKeys, TheTitlesNoteGoesAtTheNextCommand) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) {
        Picture(name, 0x808080);
    }
    ModalScript script = Script({{9, Target(9)}});
    script.Key('9');
    script.Then([this](fw::CDialog&) { EXPECT_EQ(Title(), PlainTitle() + "  → " + Target(9)); });
    script.Key(VK_DOWN);
    script.Then([this](fw::CDialog&) { EXPECT_EQ(Title(), PlainTitle()) << "Down"; });
    script.Key(VK_NUMPAD9);
    script.Key(VK_HOME);  // the list's own navigation
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp");
        EXPECT_EQ(Title(), PlainTitle()) << "Home";
    });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(Target(9)), (Strings{"a.bmp", "c.bmp"}));
}

// The targets are kept in their own section of the settings file, beside everything the
// file held before: the registered directories, keys and sections the program does not
// know. A target cleared leaves no key, and a file whose user sets no target gets none.
TEST(TargetSettings, TheTargetsRoundTripAndEverythingElseInTheFileStays) {
    test::TempDir dir("ini");
    const std::string ini = dir / "Ixo.ini";
    test::WriteFileBytes(ini,
                         "[RegistedDirNum]\r\nNum=1\r\n[RegistedDirPath]\r\nDir0=C:\\reg\r\n"
                         "[RegistedDirName]\r\nDir0=reg\r\n[Directory]\r\nMoveDir=C:\\move\r\nMine=kept\r\n"
                         "[Targets]\r\nDir2=C:\\two\r\nDir7=C:\\七\r\nDir10=C:\\ten\r\nNote=mine\r\n"
                         "[My own]\r\nkey=value\r\n");
    const std::vector<test::IniEntry> before = test::ReadIniEntries(ini);
    Settings settings = Settings::Defaults(L"C:\\app");
    settings.Load(test::Wide(ini));
    std::array<std::string, kTargetCount> expected{};
    expected[1] = "C:\\two";
    expected[6] = "C:\\七";
    EXPECT_EQ(settings.m_strTargetDirs, expected);

    settings.m_strTargetDirs[0] = "C:\\one";
    settings.m_strTargetDirs[6].clear();
    ASSERT_TRUE(settings.Save(test::Wide(ini)));
    const std::vector<test::IniEntry> after = test::ReadIniEntries(ini);
    for (const test::IniEntry& entry : before) {
        const bool ours = entry.section == "Targets" && (entry.key == "Dir2" || entry.key == "Dir7");
        if (!ours) {
            EXPECT_NE(std::find(after.begin(), after.end(), entry), after.end()) << entry.section << " " << entry.key;
        }
    }
    const auto targetKeys = [](const std::vector<test::IniEntry>& entries) {
        Strings keys;
        for (const test::IniEntry& entry : entries) {
            if (entry.section == "Targets") {
                keys.push_back(entry.key + "=" + entry.value);
            }
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    };
    EXPECT_EQ(targetKeys(after), (Strings{"Dir10=C:\\ten", "Dir1=C:\\one", "Dir2=C:\\two", "Note=mine"}));
    Settings again = Settings::Defaults(L"C:\\app");
    again.Load(test::Wide(ini));
    EXPECT_EQ(again, settings);

    const std::string fresh = dir / "fresh.ini";
    ASSERT_TRUE(Settings::Defaults(L"C:\\app").Save(test::Wide(fresh)));
    EXPECT_EQ(test::ReadFileBytes(fresh).find("Targets"), std::string::npos);
}

}  // namespace
