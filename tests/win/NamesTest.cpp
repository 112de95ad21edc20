// Every key on names exactly as the file system gives them. Each name is made through the
// wide functions beside its look-alikes (the names a code-page-932 program would see
// instead), as a picture and as a folder; after each key the whole tree is compared with
// what that key, on that entry alone, must have changed.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "regdirs/JumpDlg.h"
#include "res/resource.h"
#include "settings/SettingsDlg.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
// Every file and folder below the test's folders, by its path below them, with its bytes
// (a folder ends in a backslash and has none).
using World = std::map<std::wstring, std::string>;

struct Subject {
    const char* label;
    std::wstring name;
};

void PrintTo(const Subject& subject, std::ostream* os) {
    *os << subject.label;
}

const Subject kSubjects[] = {
    {"ascii", L"plain"},
    {"trail_byte_5C", L"\u8868\u30BD\u80FD"},  // 表ソ能
    {"half_width_kana", L"\uFF76\uFF85"},
    {"yen_sign", L"2023\u00A504"},  // best fit: 2023\04
    {"accent", L"caf\u00E9"},       // best fit: cafe
    {"plain_look_alike", L"cafe"},
    {"emoji", L"x\U0001F642"},  // a surrogate pair; best fit: x??
    {"what_question_marks_match", L"xab"},
    {"hangul", L"\uD55C\uAE00"},
    {"wave_dash", L"\u6CE2\u301C"},        // 波〜
    {"fullwidth_tilde", L"\u6CE2\uFF5E"},  // 波～
};

void Snapshot(const std::wstring& dir, const std::wstring& prefix, World& world) {
    WIN32_FIND_DATAW found{};
    const fw::FindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &found));
    if (!find.IsValid()) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            world[prefix + name + L"\\"] = "";
            Snapshot(dir + L"\\" + name, prefix + name + L"\\", world);
        } else {
            world[prefix + name] = test::ReadFileBytes(dir + L"\\" + name);
        }
    } while (::FindNextFileW(find.Get(), &found));
}

std::string Bmp(int width, int height, uint32_t rgb) {
    return testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; });
}

class Names : public test::ViewerFixture, public testing::WithParamInterface<Subject> {
protected:
    // Every subject as a picture of its own size ("name.bmp", 8 + k pixels wide) and as a
    // folder holding a picture, and the folder the yen sign's best fit names. With `small`,
    // this test's subject and its folder's picture are 2 x 2, everything else larger.
    void MakeLayout(bool small = false) {
        int k = 0;
        for (const Subject& s : kSubjects) {
            const bool mine = small && s.name == Name();
            test::WriteFileBytes(Pics() + s.name + L".bmp", mine ? Bmp(2, 2, 0x102030) : Bmp(8 + k, 8, 0x010101u * k));
            ASSERT_TRUE(::CreateDirectoryW((Pics() + s.name).c_str(), nullptr));
            test::WriteFileBytes(Pics() + s.name + L"\\in.bmp", mine ? Bmp(2, 2, 0x102030) : Bmp(40 + k, 8, 0x020202u * k));
            ++k;
        }
        ASSERT_TRUE(::CreateDirectoryW((Pics() + L"2023").c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW((Pics() + L"2023\\04").c_str(), nullptr));
        test::WriteFileBytes(Pics() + L"2023\\04.bmp", Bmp(9, 9, 0x445566));
        test::WriteFileBytes(Pics() + L"2023\\04\\in.bmp", Bmp(9, 9, 0x445566));
    }
    // The test's subject and the size of its picture.
    static const std::wstring& Name() { return GetParam().name; }
    static std::wstring File() { return Name() + L".bmp"; }
    static SIZE FileSize() {
        int k = 0;
        while (kSubjects[k].name != Name()) {
            ++k;
        }
        return {8 + k, 8};
    }
    std::wstring Pics() const { return test::Wide(m_pics.Path()) + L"\\"; }

    World Now() const {
        World world;
        Snapshot(test::Wide(m_pics.Path()), L"pics\\", world);
        Snapshot(test::Wide(m_move.Path()), L"move\\", world);
        Snapshot(test::Wide(m_trash.Path()), L"trash\\", world);
        Snapshot(test::Wide(m_copy.Path()), L"copy\\", world);
        Snapshot(test::Wide(m_wall.Path()), L"wall\\", world);
        return world;
    }
    // A step that checks the tree against `expected`, made from the tree as it stands
    // when the step before it runs.
    void Expect(ModalScript& script, const char* what, std::function<void(World&)> change) {
        auto before = std::make_shared<World>();
        script.Then([this, before](fw::CDialog&) { *before = Now(); });
        m_pending.push_back({what, before, std::move(change)});
    }
    void Check(ModalScript& script) {
        auto pending = m_pending;
        m_pending.clear();
        script.Then([this, pending](fw::CDialog&) {
            for (const auto& p : pending) {
                World expected = *p.before;
                p.change(expected);
                EXPECT_EQ(Now(), expected) << p.what << " on " << GetParam().label;
            }
        });
    }
    // Selects the subject's entry by its text and shows it.
    void Select(ModalScript& script, const std::wstring& text) {
        script.Then([this, text](fw::CDialog&) {
            const int at = m_dlg.Folder().FindText(text);
            ASSERT_GE(at, 0) << GetParam().label;
            m_dlg.Folder().Select(at);
            m_dlg.Pane().ShowSelected();
        });
    }
    ModalScript Script() {
        ModalScript script;
        script.Then([this](fw::CDialog&) {
            Settings& settings = m_dlg.GetSettings();
            settings.m_strMoveDir = m_move.Path();
            settings.m_strTrashDir = m_trash.Path();
            settings.m_strCopyDir = m_copy.Path();
            settings.m_strWallPaperDir = m_wall.Path();
            settings.m_bDeleteImmediate = TRUE;
            settings.m_nDeleteSmallWidth = 4;
            settings.m_nDeleteSmallHeight = 4;
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }

    struct Pending {
        const char* what;
        std::shared_ptr<World> before;
        std::function<void(World&)> change;
    };
    std::vector<Pending> m_pending;
    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
    test::TempDir m_trash{"trash"};
    test::TempDir m_copy{"copy"};
    test::TempDir m_wall{"wall"};
};

// Moves the picture at `from` to `to` in the expected tree.
std::function<void(World&)> Moved(std::wstring from, std::wstring to) {
    return [from, to](World& w) {
        w[to] = w[from];
        w.erase(from);
    };
}

TEST_P(Names, EachKeyActsOnExactlyThePicture) {
    MakeLayout();
    const World initial = Now();
    const std::wstring file = File();
    const std::wstring renamed = L"r\U0001F642" + file;
    test::PromptRecorder prompts;
    ModalScript script = Script();
    script.OnNestedDialog([&renamed](fw::CDialog& rename) {
        ::SetDlgItemTextW(rename.m_hWnd, IDC_RENAME_NAME, renamed.c_str());
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    // Listed once, as it is, among all the entries, and shown: its own picture's size.
    script.Then([this, &initial, &file](fw::CDialog&) {
        int listed = 0;  // the entries of the folder itself: "pics\\x" and "pics\\x\\"
        for (const auto& entry : initial) {
            const size_t slash = entry.first.find(L'\\', 5);
            listed += entry.first.rfind(L"pics\\", 0) == 0 && (slash == std::wstring::npos || slash + 1 == entry.first.size());
        }
        ASSERT_EQ(m_dlg.Folder().Count(), listed);
        int found = 0;
        for (int i = 0; i < m_dlg.Folder().Count(); ++i) {
            if (m_dlg.Folder().At(i)->name == file) {
                ++found;
                EXPECT_EQ(m_dlg.Folder().At(i)->Text(), file);
            }
        }
        EXPECT_EQ(found, 1);
    });
    Select(script, file);
    script.Then([this](fw::CDialog&) {
        ASSERT_TRUE(m_dlg.Pane().HoldsPicture());
        EXPECT_EQ(m_dlg.Pane().ShownPictureSize().cx, FileSize().cx);
    });
    // M, then Ctrl-Z; Delete, then Ctrl-Z; C; W; R, then Ctrl-Z; K.
    const std::wstring pics = L"pics\\" + file;
    Expect(script, "M", Moved(pics, L"move\\" + file));
    script.Key('M');
    Check(script);
    Expect(script, "Ctrl-Z after M", Moved(L"move\\" + file, pics));
    script.Key('Z', false, true);
    Check(script);
    Select(script, file);
    Expect(script, "Delete", Moved(pics, L"trash\\" + file));
    script.Key(VK_DELETE);
    Check(script);
    Expect(script, "Ctrl-Z after Delete", Moved(L"trash\\" + file, pics));
    script.Key('Z', false, true);
    Check(script);
    Select(script, file);
    Expect(script, "C", [pics, file](World& w) { w[L"copy\\" + file] = w[pics]; });
    script.Key('C');
    Check(script);
    // W writes the picture's own name with ".BMP" into the wallpaper folder, nothing else.
    auto before = std::make_shared<World>();
    script.Then([this, before](fw::CDialog&) { *before = Now(); });
    script.Key('W');
    script.Then([this, before](fw::CDialog&) {
        World now = Now();
        EXPECT_EQ(now.erase(L"wall\\" + Name() + L".BMP"), 1u) << "W";
        EXPECT_EQ(now, *before) << "W";
    });
    Select(script, file);
    Expect(script, "R", Moved(pics, L"pics\\" + renamed));
    script.Key('R');
    Check(script);
    script.Then([this, &renamed](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Folder().Selected() != nullptr ? m_dlg.Folder().Selected()->name : L"", renamed);
    });
    Expect(script, "Ctrl-Z after R", Moved(L"pics\\" + renamed, pics));
    script.Key('Z', false, true);
    Check(script);
    Select(script, file);
    Expect(script, "K", [pics](World& w) { w.erase(pics); });
    script.Key('K');
    Check(script);
    script.Run(m_dlg);
    for (const fw::MessageBoxCall& m : prompts.messages) {
        ADD_FAILURE() << m.text;
    }
}

TEST_P(Names, RightLeftAndDeletionActOnExactlyTheFolder) {
    MakeLayout();
    const std::wstring text = L"[ " + Name() + L" ]";
    test::PromptRecorder prompts;
    ModalScript script = Script();
    Select(script, text);
    script.Key(VK_RIGHT);
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Folder().Dir(), Pics() + Name());
        ASSERT_EQ(m_dlg.Folder().Count(), 1);
        EXPECT_EQ(m_dlg.Folder().At(0)->name, L"in.bmp");
        EXPECT_EQ(m_dlg.Pane().ShownPath(), Pics() + Name() + L"\\in.bmp");
    });
    script.Key(VK_LEFT);
    script.Then([this, &text](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Folder().Selected()->Text(), text) << "Left selects the folder left";
    });
    const std::wstring dir = L"pics\\" + Name() + L"\\";
    Expect(script, "Delete on the folder", [dir](World& w) {
        w.erase(dir);
        w.erase(dir + L"in.bmp");
    });
    script.Key(VK_DELETE);
    Check(script);
    script.Run(m_dlg);
    ASSERT_EQ(prompts.shellCalls.size(), 1u);
    EXPECT_EQ(prompts.shellCalls[0].fromW, Pics() + Name());
}

TEST_P(Names, TheSizePassDeletesExactlyTheSmallPictures) {
    MakeLayout(true);
    const std::wstring dir = L"pics\\" + Name() + L"\\";
    test::PromptRecorder prompts;
    ModalScript script = Script();
    Expect(script, "the tree pass", [dir](World& w) {
        w.erase(L"pics\\" + File());
        w.erase(dir);
        w.erase(dir + L"in.bmp");
    });
    script.Then([this](fw::CDialog&) { m_dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE); });
    Check(script);
    script.Run(m_dlg);
}

// The settings file keeps code page 932: a folder chosen or registered that it cannot hold
// is refused with a message, and nothing is stored.
class SettingsNames : public test::ViewerFixture {};

TEST_F(SettingsNames, AFolderTheSettingsFileCannotHoldIsRefused) {
    const std::wstring folder = L"C:\\caf\u00E9\U0001F642";
    const std::wstring refusal = fw::Widen932("この名前はシフトJISで表せないため、設定に保存できません。\n") + folder;
    const auto click = [](fw::CDialog& dialog, int id) {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, id)));
    };
    test::PromptRecorder prompts;
    prompts.browseAnswers = {folder, folder};
    {  // Ctrl-M's folder browser
        CViewerDlg viewer;
        test::ModalScript script;
        script.Then([&](fw::CDialog&) {
            viewer.GetSettings().m_strMoveDir = "C:\\before";
            viewer.FileList().ListBox().SetFocus();
        });
        script.Key('M', false, true);
        script.Then([&](fw::CDialog&) { EXPECT_EQ(viewer.GetSettings().m_strMoveDir, "C:\\before"); });
        script.Run(viewer);
    }
    {  // the settings dialog's browse button
        Settings settings;
        settings.m_strMoveDir = "C:\\before";
        CSettingsDlg dialog(settings);
        test::ModalScript()
            .Then([&](fw::CDialog& d) { click(d, IDC_SET_BROWSE_MOVEDIR); })
            .Then([](fw::CDialog& d) { d.PostMessage(WM_COMMAND, IDOK); })
            .Run(dialog);
        EXPECT_EQ(dialog.GetSettings().m_strMoveDir, "C:\\before");
    }
    {  // "カレントを追加" in the jump dialog, with such a folder viewed
        test::TempDir dir("jump");
        CJumpDlg jump(test::Wide(dir / "Ixo.ini"), folder);
        test::ModalScript script;
        script.OnNestedDialog([](fw::CDialog& nested) {
            ADD_FAILURE() << "no name is asked for";
            nested.EndDialog(IDCANCEL);
        });
        script.Then([&](fw::CDialog& d) { click(d, IDC_JUMP_ADD_CURRENT); }).Run(jump);
        EXPECT_FALSE(test::FileExists(dir / "Ixo.ini")) << "nothing registered";
    }
    ASSERT_EQ(prompts.messages.size(), 3u);
    for (const fw::MessageBoxCall& m : prompts.messages) {
        EXPECT_EQ(m.wideText, refusal);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, Names, testing::ValuesIn(kSubjects),
                         [](const testing::TestParamInfo<Subject>& info) { return std::string(info.param.label); });

}  // namespace
