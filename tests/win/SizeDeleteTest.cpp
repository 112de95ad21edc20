// Size-judged deletion on real folders in a real main window: the judgement, the
// threshold dialog, the pass over the list and the passes over the tree; afterwards
// every file is checked byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "framework/Dialog.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

constexpr char kFinished[] = "処理終了しました。";
constexpr char kConfirmList[] = "全ファイルについて、サイズ判定削除を行います。\nよろしいですか？";
constexpr char kConfirmTree[] = "再起的サイズ判定削除を行います。\nよろしいですか？";
constexpr char kConfirmMove[] = "再起的サイズ判定削除＆移動を行います。\nよろしいですか？";
constexpr char kInside[] =
    "移動先ディレクトリが、現在のディレクトリに含まれています。\n移動先に別ディレクトリを指定してください。";
constexpr char kRefusal[] = "即時削除の許可が禁止されています。\nKillコマンドはキャンセルされます。";

class SizeDelete : public test::ViewerFixture {
protected:
    // A picture below the picture folder, whose bytes are expected to stay unless a test
    // names it gone.
    std::string Bmp(const std::string& name, int width, int height) {
        WriteBmp(name, width, height, 0x406080);
        m_expected[name] = test::ReadFileBytes(Pic(name));
        return name;
    }
    // Every file still below `dir`, with its bytes, as "sub\\name".
    static std::map<std::string, std::string> Tree(const std::string& dir, const std::string& prefix = "") {
        std::map<std::string, std::string> files;
        for (const std::string& name : test::ListNames(dir)) {
            const std::string path = dir + "\\" + name;
            if (test::DirExists(path)) {
                files[prefix + name + "\\"] = "";
                files.merge(Tree(path, prefix + name + "\\"));
            } else {
                files[prefix + name] = test::ReadFileBytes(path);
            }
        }
        return files;
    }
    // What should be left of the written files: all but the named ones, plus directories.
    std::map<std::string, std::string> Left(const Strings& gone, const Strings& dirs = {}) const {
        std::map<std::string, std::string> left = m_expected;
        for (const std::string& name : gone) {
            left.erase(name);
        }
        for (const std::string& dir : dirs) {
            left[dir + "\\"] = "";
        }
        return left;
    }
    void Open(CViewerDlg& dlg, BOOL deleteImmediate = TRUE) {
        dlg.GetSettings().m_bDeleteImmediate = deleteImmediate;
        dlg.GetSettings().m_strMoveDir = m_move.Path();
        dlg.SetCurDir(m_pics.Path());
        dlg.ListDirectory(dlg.GetCurDir());
        dlg.ShowSelectedEntry();
    }
    static Strings Texts(const test::PromptRecorder& prompts) {
        Strings texts;
        for (const fw::MessageBoxCall& m : prompts.messages) {
            texts.push_back(m.text);
        }
        return texts;
    }
    static void ExpectIdleWindow(CViewerDlg& dlg) {
        EXPECT_FALSE(dlg.SizeDeletion().IsPassRunning());
        EXPECT_TRUE(::IsWindowEnabled(dlg.Files().ListBox().m_hWnd));
        EXPECT_TRUE(::IsWindowEnabled(dlg.ChangeDirButton().m_hWnd));
        EXPECT_EQ(dlg.GetWindowText(), "- IXO - [" + dlg.GetCurDir() + "]");
    }

    std::map<std::string, std::string> m_expected;
    test::TempDir m_move{"move"};
};

TEST_F(SizeDelete, ListPassJudgesEachPictureByItsDecodedSize) {
    UsePlugins({"tpi"});
    test::MakeDir(Pic("sub"));
    Bmp("sub\\small.bmp", 8, 8);
    Bmp("a.bmp", 320, 240);
    Bmp("d.bmp", 321, 241);
    const Strings gone = {Bmp("b.bmp", 319, 1000), Bmp("c.bmp", 1000, 239), "broken.bmp", "q.tpi"};
    for (const auto& [name, width] : {std::pair{"p.tpi", 400}, std::pair{"q.tpi", 10}}) {
        WriteTpi(name, width, 300, 0xC0C0C0);
        m_expected[name] = test::ReadFileBytes(Pic(name));
    }
    test::WriteFileBytes(Pic("broken.bmp"), "BM not a picture");  // counts as 0 x 0
    m_expected["broken.bmp"] = "BM not a picture";
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "a.bmp", "d.bmp", "p.tpi"}));
        EXPECT_EQ(dlg.Files().SelectedIndex(), 0);
        ExpectIdleWindow(dlg);
    });
    EXPECT_EQ(Tree(m_pics.Path()), Left(gone, {"sub"}));
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmList, kFinished}));
    EXPECT_EQ(prompts.messages[0].caption, "確認");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OKCANCEL));
}

TEST_F(SizeDelete, ListPassEndsAtOnceWhenThereIsNothingToDoOrTheKillIsRefused) {
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Texts(prompts), (Strings{"処理対象ファイルがありません。"}));

        test::MakeDir(Pic("x"));
        test::MakeDir(Pic("y"));
        Bmp("a.bmp", 4, 4);
        Bmp("b.bmp", 4, 4);
        Open(dlg, FALSE);
        prompts.messages.clear();
        prompts.messageAnswers = {IDCANCEL};
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmList})) << "cancelled";
        // A refused kill is told once and ends the pass: it would be refused again.
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmList, kConfirmList, kRefusal, kFinished}));
        EXPECT_EQ(dlg.Files().SelectedIndex(), 0);
        ExpectIdleWindow(dlg);
    });
    EXPECT_EQ(Tree(m_pics.Path()), Left({}, {"x", "y"}));
}

TEST_F(SizeDelete, TreePassRemovesWhatItEmptiesAndNeverLeavesTheTree) {
    test::TempDir outside("outside");
    test::WriteFileBytes(outside / "o.bmp", testdata::MakeBmp24(4, 4, [](int, int) { return 0u; }));
    ASSERT_TRUE(test::MakeDirectoryLink(Pic("link"), outside.Path()));
    const Strings gone = {Bmp("small\\a.bmp", 5, 500), Bmp("small\\b.bmp", 500, 5), "small\\notes.txt",
                          Bmp("keep\\tiny.bmp", 1, 1), Bmp("top.bmp", 2, 2)};
    test::WriteFileBytes(Pic("small\\notes.txt"), "goes with its folder");
    Bmp("keep\\big.bmp", 400, 300);
    Bmp("top_big.bmp", 320, 240);
    test::MakeDir(Pic("outer"));
    test::MakeDir(Pic("outer\\inner"));
    Bmp("bare\\s.bmp", 3, 3);
    Bmp("held\\s.bmp", 3, 3);
    test::WriteFileBytes(Pic("held\\notes.txt"), "no recycle bin here");
    test::PromptRecorder prompts;
    // The volume of these two has no recycle bin: a folder that still holds a file stays.
    fw::SetRecycleBinResponder([&](const std::wstring& path) {
        return path != fw::Widen932(Pic("bare")) && path != fw::Widen932(Pic("held"));
    });
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
        Strings entries = Entries(dlg);
        std::sort(entries.begin(), entries.end());  // directories stand in no order of their own
        EXPECT_EQ(entries, (Strings{"[ held ]", "[ keep ]", "[ link ]", "top_big.bmp"}));
        ExpectIdleWindow(dlg);
    });
    fw::SetRecycleBinResponder(nullptr);
    m_expected.erase("bare\\s.bmp");
    m_expected.erase("held\\s.bmp");
    m_expected["held\\notes.txt"] = "no recycle bin here";
    std::map<std::string, std::string> left = Left(gone, {"keep", "held"});
    left["link\\"] = "";
    left["link\\o.bmp"] = test::ReadFileBytes(outside / "o.bmp");
    EXPECT_EQ(Tree(m_pics.Path()), left);
    EXPECT_EQ(test::ListNames(outside.Path()), (Strings{"o.bmp"})) << "the link was not followed";
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, kFinished}));
    Strings removed;
    for (const auto& call : prompts.shellCalls) {
        removed.push_back(call.from.substr(m_pics.Path().size() + 1));
        EXPECT_EQ(call.flags, FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
        EXPECT_EQ(call.func, static_cast<UINT>(FO_DELETE));
        EXPECT_TRUE(call.doubleNulTerminated);
    }
    // Depth first: the inner folder goes before the outer one it emptied.
    EXPECT_LT(std::find(removed.begin(), removed.end(), "outer\\inner"),
              std::find(removed.begin(), removed.end(), "outer"));
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (Strings{"bare", "outer", "outer\\inner", "small"}));
    test::RemoveTree(Pic("link"));  // while it leads somewhere: a dangling link cannot be told from nothing
}

TEST_F(SizeDelete, MovingPassKeepsTheMovedPicturesOutOfTheTree) {
    const Strings moved = {Bmp("sub\\big.bmp", 400, 400), Bmp("wide.bmp", 640, 240)};
    const Strings gone = {Bmp("sub\\small.bmp", 100, 100), Bmp("zlow.bmp", 640, 200)};
    test::WriteFileBytes(m_move / "wide.bmp", "an older wide");
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        // Refused after the confirmation: the move directory is the tree or inside it.
        for (const std::string& move : {m_pics.Path(), m_pics.Path() + "\\", m_pics / "sub"}) {
            for (const std::string& cur : {m_pics.Path(), m_pics.Path() + "\\"}) {
                dlg.GetSettings().m_strMoveDir = move;
                dlg.SetCurDir(cur);
                prompts.messages.clear();
                dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
                EXPECT_EQ(Texts(prompts), (Strings{kConfirmMove, kInside})) << move << " from " << cur;
            }
        }
        EXPECT_EQ(Tree(m_pics.Path()), Left({}, {"sub"}));
        // Renaming off: the taken name makes the move fail, which ends the pass.
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
        EXPECT_EQ(Tree(m_pics.Path()), Left({"sub\\big.bmp", "sub\\small.bmp"})) << "sub went, zlow.bmp was not judged";
        dlg.GetSettings().m_bAutoRenameAtMove = TRUE;
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
        EXPECT_TRUE(Entries(dlg).empty());
        EXPECT_EQ(::GetFocus(), dlg.Files().ListBox().m_hWnd);
    });
    EXPECT_TRUE(Tree(m_pics.Path()).empty());
    EXPECT_EQ(Tree(m_move.Path()), (std::map<std::string, std::string>{{"big.bmp", m_expected["sub\\big.bmp"]},
                                                                       {"wide.bmp", "an older wide"},
                                                                       {"wide_0000.BMP", m_expected["wide.bmp"]}}));
}

// What runs while a pass drains the queue: another pass, the threshold dialog, Escape and
// closing the window.
TEST_F(SizeDelete, APassIsStoppedByEscapeOrClosingAndIsNeverNested) {
    UsePlugins({"tpi"});
    for (const bool closing : {false, true}) {
        Bmp("s1\\a.bmp", 2, 2);
        Bmp("s2\\a.bmp", 2, 2);
        Bmp("z.bmp", 2, 2);
        test::PromptRecorder prompts;
        CViewerDlg* window = nullptr;
        std::string title;
        std::string first;  // the directory walked first: the list keeps no order among them
        bool pluginsLoaded = false;
        // The removal of the first folder comes mid-pass: act there.
        fw::SetShellOperationResponder([&](SHFILEOPSTRUCTW& op) {
            test::RemoveTree(fw::Narrow932Lossy(op.pFrom));
            title = window->GetWindowText();
            window->SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);       // no second pass: no confirmation
            window->SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_SETTINGS);  // no dialog
            if (closing) {
                window->SendMessage(WM_CLOSE);
            } else {
                test::SendKey(VK_ESCAPE, true);
            }
            return 0;
        });
        fw::SetMessageBoxResponder([&](const fw::MessageBoxCall& call) {
            prompts.messages.push_back(call);
            pluginsLoaded = window->GetPlugins().GetSize() > 0 && ::IsWindow(window->m_hWnd);
            return IDOK;
        });
        WithViewer([&](CViewerDlg& dlg) {
            window = &dlg;
            Open(dlg);
            first = dlg.Files().At(0)->name;
            dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
            EXPECT_EQ(dlg.IsModalRunning(), !closing);
        });
        test::SendKey(VK_ESCAPE, false);
        EXPECT_EQ(title, "- IXO - [" + m_pics.Path() + "\\]  判定 1 枚  削除 1 枚");
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, kFinished})) << closing;
        EXPECT_TRUE(pluginsLoaded) << "the plug-ins outlive the pass";
        EXPECT_EQ(Tree(m_pics.Path()), Left({first + "\\a.bmp"}, {first == "s1" ? "s2" : "s1"}))
            << "nothing after " << first << " was judged";
    }
}

TEST_F(SizeDelete, ThresholdDialogTakesOnlySizesAboveZero) {
    test::PromptRecorder prompts;
    const struct {
        const char* width;
        const char* height;
        const char* message;  // null: the dialog closes
    } tries[] = {
        {"0", "0", "幅には、０より大きな値を設定してください。"},
        {"-3", "100", "幅には、０より大きな値を設定してください。"},
        {"100", "0", "高さには、０より大きな値を設定してください。"},
        {"100", "x", "整数を入力してください。"},
        {" 64 ", "48", nullptr},
    };
    std::vector<std::string> seen;
    ModalScript script;
    script.OnNestedDialog([&](fw::CDialog& dlg) {
        char text[64] = {};
        ::GetWindowTextA(dlg.m_hWnd, text, sizeof text);
        seen.push_back(text);
        for (const int id : {IDC_SIZEDELETE_WIDTH, IDC_SIZEDELETE_HEIGHT}) {
            ::GetDlgItemTextA(dlg.m_hWnd, id, text, sizeof text);
            seen.push_back(text);
        }
        if (seen.size() > 3) {
            ::SetDlgItemTextA(dlg.m_hWnd, IDC_SIZEDELETE_WIDTH, "1");
            dlg.SendMessage(WM_COMMAND, IDCANCEL);
            return;
        }
        for (const auto& t : tries) {
            ::SetDlgItemTextA(dlg.m_hWnd, IDC_SIZEDELETE_WIDTH, t.width);
            ::SetDlgItemTextA(dlg.m_hWnd, IDC_SIZEDELETE_HEIGHT, t.height);
            const size_t before = prompts.messages.size();
            dlg.SendMessage(WM_COMMAND, IDOK);
            EXPECT_EQ(dlg.IsModalRunning(), t.message != nullptr) << t.width << "x" << t.height;
            EXPECT_EQ(prompts.messages.size(), before + (t.message ? 1 : 0));
            if (t.message != nullptr && prompts.messages.size() > before) {
                EXPECT_EQ(prompts.messages.back().text, t.message);
                EXPECT_EQ(prompts.messages.back().owner, dlg.m_hWnd);
            }
        }
    });
    CViewerDlg dlg;
    script.Then([&](fw::CDialog&) { dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_SETTINGS); });
    script.Then([&](fw::CDialog&) { dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_SETTINGS); });
    script.Run(dlg);
    EXPECT_EQ(seen, (Strings{"サイズ判定削除設定", "320", "240", "サイズ判定削除設定", "64", "48"}));
    EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallWidth, 64) << "cancel keeps what OK took";
    EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallHeight, 48);
}

TEST_F(SizeDelete, ShiftCtrlTJudgesTheSelectedPicture) {
    test::MakeDir(Pic("sub"));
    Bmp("a.bmp", 400, 300);
    Bmp("b.bmp", 10, 300);
    Bmp("c.bmp", 400, 300);
    test::PromptRecorder prompts;
    CViewerDlg dlg;
    ModalScript script;
    script.Then([&](fw::CDialog&) {
        Open(dlg);
        dlg.Files().ListBox().SetFocus();
    });
    script.Key('T', true, true);  // on the directory: refused with a message
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Texts(prompts), (Strings{"ディレクトリ選択時は実行できません。"}));
        dlg.Files().Select(1), dlg.ShowSelectedEntry();
    });
    script.Key('T', true, true).Key('T', true, true);  // a.bmp stays, b.bmp goes
    script.Key('T', true, true);                       // c.bmp, the last entry, stays
    script.Key('T').Key('T', true);                    // plain T and Shift-T do nothing
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "a.bmp", "c.bmp"}));
        EXPECT_EQ(dlg.Files().SelectedIndex(), 2);
    });
    script.Run(dlg);
    EXPECT_EQ(Tree(m_pics.Path()), Left({"b.bmp"}, {"sub"}));
    EXPECT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
