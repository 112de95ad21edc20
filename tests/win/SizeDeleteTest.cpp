// Size-judged deletion on real folders in a real main window: the judgement, the
// threshold dialog, the pass over the list and the passes over the tree; afterwards
// every file is checked byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "framework/Dialog.h"
#include "framework/WideText.h"
#include "image/FittedCopy.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"
#include "tests/win/support/WicPictures.h"

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

// The closing message with the lines that follow "処理終了しました。".
std::string Finished(const Strings& lines) {
    std::string text = kFinished;
    for (const std::string& line : lines) {
        text += "\n" + line;
    }
    return text;
}

// A picture past the shipped plug-in's limit on the rows it hands out (256 MiB in a 32-bit
// process, 2 GiB in a 64-bit one): an uncompressed TIFF that holds its first row only.
#ifdef _WIN64
constexpr uint32_t kPastOutputLimit = 27000;
#else
constexpr uint32_t kPastOutputLimit = 9500;
#endif

// A 1-bit BMP of 16384 x 16384 pixels at its full length (a sparse file of 32 MiB, rows
// zero): held with a device bitmap of the screen's depth, it exceeds what the BMP reader
// holds. Its path.
std::string WriteBmpPastHeldLimit(const std::string& path) {
    constexpr uint32_t kSide = 16384;
    std::string header = testdata::MakeBmpIndexed(1, 1, 1, {0x000000, 0xFFFFFF}, [](int, int) { return 0u; });
    header.resize(62);  // the headers and the two colours
    testdata::Poke32(header, testdata::kOffWidth, kSide);
    testdata::Poke32(header, testdata::kOffHeight, kSide);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(header.size() + uint64_t{kSide / 8} * kSide);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr));
    EXPECT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
    ::CloseHandle(file);
    return path;
}

class SizeDelete : public test::ViewerFixture {
protected:
    // A picture below the picture folder, whose bytes are expected to stay unless a test
    // names it gone.
    std::string Bmp(const std::string& name, int width, int height) {
        WriteBmp(name, width, height, 0x406080);
        m_expected[name] = Contents(Pic(name));
        return name;
    }
    // A file of the given bytes below the picture folder, expected to stay unless a test
    // names it gone.
    std::string File(const std::string& name, const std::string& bytes) {
        test::WriteFileBytes(Pic(name), bytes);
        m_expected[name] = Contents(Pic(name));
        return name;
    }
    // A file's bytes; a large one's as its length and a digest of its bytes, which a
    // failed comparison can print.
    static std::string Contents(const std::string& path) {
        std::string bytes = test::ReadFileBytes(path);
        if (bytes.size() <= 4096) {
            return bytes;
        }
        uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (const char c : bytes) {
            hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
        }
        return std::to_string(bytes.size()) + " bytes, digest " + std::to_string(hash);
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
                files[prefix + name] = Contents(path);
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
        dlg.Folder().Open(test::Wide(m_pics.Path()));
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
        EXPECT_TRUE(::IsWindowEnabled(dlg.FileList().ListBox().m_hWnd));
        EXPECT_TRUE(::IsWindowEnabled(dlg.ChangeDirButton().m_hWnd));
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [" + test::Narrow(dlg.Folder().Dir()) + "]");
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
        m_expected[name] = Contents(Pic(name));
    }
    test::WriteFileBytes(Pic("broken.bmp"), "BM not a picture");  // counts as 0 x 0
    m_expected["broken.bmp"] = "BM not a picture";
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        const unsigned scaled = CFittedCopy::MadeCount();
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "a.bmp", "d.bmp", "p.tpi"}));
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 0);
        ExpectIdleWindow(dlg);
        // The pictures a pass goes by are drawn without a copy scaled to the pane: at most
        // the entry shown once it has ended is.
        EXPECT_LE(CFittedCopy::MadeCount() - scaled, 1u);
    });
    EXPECT_EQ(Tree(m_pics.Path()), Left(gone, {"sub"}));
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmList, kFinished}));
    EXPECT_EQ(prompts.messages[0].caption, "確認");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OKCANCEL));
}

// A picture the decoder refuses for its size, for want of memory or because the file
// cannot be read is judged by the size its header names, or kept when that cannot be read
// either; only a file that holds no picture counts as 0 x 0. The list pass and the tree
// pass alike, over the same kinds of file at the top and in a sub-folder.
TEST_F(SizeDelete, PassesJudgePicturesTheyCannotDecodeByTheirHeaderOrKeepThem) {
    UseShippedPlugins();
    UsePlugins({"tpi"});
    test::MakeDir(Pic("sub"));
    Strings gone;
    std::vector<HANDLE> locks;
    for (const std::string dir : {"", "sub\\"}) {
        File(dir + "panorama.tif", test::MakeTiffClaimingSize(kPastOutputLimit, kPastOutputLimit));
        m_expected[dir + "huge.bmp"] = Contents(WriteBmpPastHeldLimit(Pic(dir + "huge.bmp")));
        Bmp(dir + "good.bmp", 400, 300);
        File(dir + "oom.tpi", test::MakeSolidTestPicture(400, 300, 0x808080, test::kTpOutOfMemory));
        File(dir + "nomem.tpi", test::MakeSolidTestPicture(4, 4, 0x808080, test::kTpNoMemoryAtAll));
        gone.push_back(Bmp(dir + "small.bmp", 8, 8));
        gone.push_back(File(dir + "oom-small.tpi", test::MakeSolidTestPicture(10, 10, 0x808080, test::kTpOutOfMemory)));
        gone.push_back(File(dir + "broken.bmp", "BM not a picture"));
        gone.push_back(File(dir + "garbage.tpi", "not a test picture"));
        // Locked against reading by another handle: neither decoded nor its header read.
        for (const std::string& name :
             {Bmp(dir + "locked.bmp", 8, 8), File(dir + "locked.tpi", test::MakeSolidTestPicture(4, 4, 0))}) {
            locks.push_back(::CreateFileA(Pic(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_NE(locks.back(), INVALID_HANDLE_VALUE) << name;
        }
    }
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "good.bmp", "huge.bmp", "locked.bmp", "locked.tpi", "nomem.tpi",
                                         "oom.tpi", "panorama.tif"}));
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
    });
    for (HANDLE lock : locks) {
        ::CloseHandle(lock);
    }
    EXPECT_EQ(Tree(m_pics.Path()), Left(gone, {"sub"}));
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmList, Finished({"読めなかったため残した画像: 3 枚"}), kConfirmTree,
                                       Finished({"読めなかったため残した画像: 6 枚"})}));
    EXPECT_TRUE(prompts.shellCalls.empty()) << "sub still holds pictures";
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
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmList, kConfirmList, kRefusal,
                                           Finished({"削除できなかったため中断しました: " + Pic("a.bmp")})}));
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 0);
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
    Bmp("heavy\\s.bmp", 3, 3);
    test::WriteFileBytes(Pic("heavy\\notes.txt"), std::string(3000, 'x'));
    test::PromptRecorder prompts;
    // The recycle bin as the volumes have it: none for "bare" and "held", one too small for
    // what "heavy" still holds, one large enough elsewhere. A folder that still holds a
    // file goes only where the bin surely takes it; an empty one goes anyway.
    fw::SetRecycleBinResponder([&](const std::wstring& path) -> std::optional<uint64_t> {
        if (path == fw::Widen932(Pic("bare")) || path == fw::Widen932(Pic("held"))) {
            return std::nullopt;
        }
        return path == fw::Widen932(Pic("heavy")) ? 2000 : 1 << 30;
    });
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
        Strings entries = Entries(dlg);
        std::sort(entries.begin(), entries.end());  // directories stand in no order of their own
        EXPECT_EQ(entries, (Strings{"[ heavy ]", "[ held ]", "[ keep ]", "[ link ]", "top_big.bmp"}));
        ExpectIdleWindow(dlg);
    });
    fw::SetRecycleBinResponder(nullptr);
    m_expected.erase("bare\\s.bmp");
    m_expected.erase("held\\s.bmp");
    m_expected.erase("heavy\\s.bmp");
    m_expected["held\\notes.txt"] = "no recycle bin here";
    m_expected["heavy\\notes.txt"] = std::string(3000, 'x');
    std::map<std::string, std::string> left = Left(gone, {"keep", "held", "heavy"});
    left["link\\"] = "";
    left["link\\o.bmp"] = test::ReadFileBytes(outside / "o.bmp");
    EXPECT_EQ(Tree(m_pics.Path()), left);
    EXPECT_EQ(test::ListNames(outside.Path()), (Strings{"o.bmp"})) << "the link was not followed";
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, kFinished}));
    Strings removed;
    for (const auto& call : prompts.shellCalls) {
        removed.push_back(call.from.substr(m_pics.Path().size() + 1));
        // Where files are left, the shell is to warn rather than delete them for good.
        const FILEOP_FLAGS warn = removed.back() == "small" ? FOF_WANTNUKEWARNING : 0;
        EXPECT_EQ(call.flags, FOF_ALLOWUNDO | FOF_NOCONFIRMATION | warn) << removed.back();
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

// A folder whose listing fails is no empty folder: the tree pass goes past it, keeps it
// whole and names it at the end (the host's permissions make this one unreadable). A folder
// whose name ends in a dot (made elsewhere, as another system allows) is walked like any
// other: its own pictures are judged, not those of the folder without the dot.
TEST_F(SizeDelete, TreePassPassesOverAFolderItCannotList) {
    const std::string picture = testdata::MakeBmp24(4, 4, [](int, int) { return 0u; });
    const std::wstring dotted = L"\\\\?\\" + fw::ToWide(Pic("dotted."), CP_ACP).value_or(L"");
    ASSERT_TRUE(::CreateDirectoryW(dotted.c_str(), nullptr));
    test::WriteFileBytes(dotted + L"\\small.bmp", picture);
    const Strings kept = {Bmp("dotted\\big.bmp", 400, 400), Bmp("locked\\small.bmp", 4, 4)};
    const Strings gone = {Bmp("s\\small.bmp", 4, 4)};
    const std::string locked = test::UnixPathOf(Pic("locked"));
    test::RunHostProgram("/bin/chmod 000 \"" + locked + "\"", [&] { return !test::FileExists(Pic("locked\\small.bmp")); });
    if (test::FileExists(Pic("locked\\small.bmp"))) {
        GTEST_SKIP() << "the folder could not be made unreadable";
    }
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
        EXPECT_EQ(Entries(dlg), (Strings{"[ dotted ]", "[ locked ]"}));
    });
    test::RunHostProgram("/bin/chmod 755 \"" + locked + "\"", [&] { return test::FileExists(Pic("locked\\small.bmp")); });
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({"一覧を読めないフォルダがありました: " + Pic("locked")})}));
    EXPECT_EQ(::GetFileAttributesW(dotted.c_str()), INVALID_FILE_ATTRIBUTES) << "emptied and removed";
    std::vector<std::string> removed;
    for (const auto& call : prompts.shellCalls) {
        removed.push_back(test::Narrow(call.fromW));
    }
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (Strings{"\\\\?\\" + Pic("dotted."), Pic("s")}));
    EXPECT_TRUE(test::FileExists(Pic("dotted\\big.bmp"))) << "the folder without the dot keeps what stays";
    EXPECT_TRUE(test::FileExists(Pic("locked\\small.bmp")));
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
                dlg.Folder().Open(test::Wide(cur));
                prompts.messages.clear();
                dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
                EXPECT_EQ(Texts(prompts), (Strings{kConfirmMove, kInside})) << move << " from " << cur;
            }
        }
        EXPECT_EQ(Tree(m_pics.Path()), Left({}, {"sub"}));
        // Renaming off: the taken name makes the move fail, which ends the pass.
        Open(dlg);
        prompts.messages.clear();
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
        EXPECT_EQ(Tree(m_pics.Path()), Left({"sub\\big.bmp", "sub\\small.bmp"})) << "sub went, zlow.bmp was not judged";
        EXPECT_EQ(Texts(prompts),
                  (Strings{kConfirmMove, Finished({"移動できなかったため中断しました: " + Pic("wide.bmp")})}));
        dlg.GetSettings().m_bAutoRenameAtMove = TRUE;
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
        EXPECT_TRUE(Entries(dlg).empty());
        EXPECT_EQ(::GetFocus(), dlg.FileList().ListBox().m_hWnd);
    });
    EXPECT_TRUE(Tree(m_pics.Path()).empty());
    EXPECT_EQ(Tree(m_move.Path()), (std::map<std::string, std::string>{{"big.bmp", m_expected["sub\\big.bmp"]},
                                                                       {"wide.bmp", "an older wide"},
                                                                       {"wide_0000.BMP", m_expected["wide.bmp"]}}));
}

// What runs while a pass drains the queue: another pass, the threshold and the settings
// dialogs (neither opens), Escape and closing the window (each named at the end).
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
            window->SendMessage(WM_COMMAND, ID_MENU_SETTINGS);
            window->SendMessage(WM_COMMAND, KeyCommandId(KeyCommand::kSettings));
            if (closing) {
                window->SendMessage(WM_CLOSE);
            } else {
                test::SendKey(VK_ESCAPE, true);
            }
            return 0;
        });
        fw::SetMessageBoxResponder([&](const fw::MessageBoxCall& call) {
            prompts.messages.push_back(call);
            pluginsLoaded = window->GetPlugins().Count() > 0 && ::IsWindow(window->m_hWnd);
            return IDOK;
        });
        Strings dialogs;  // any dialog that opened, by its caption
        CViewerDlg dlg;
        ModalScript script;
        script.OnNestedDialog([&](fw::CDialog& nested) {
            dialogs.push_back(nested.GetWindowText());
            nested.SendMessage(WM_COMMAND, IDCANCEL);
        });
        script.Then([&](fw::CDialog&) {
            window = &dlg;
            Open(dlg);
            first = test::Narrow(dlg.Folder().At(0)->name);
            dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
            EXPECT_EQ(dlg.IsModalRunning(), !closing);
        });
        script.Run(dlg);
        test::SendKey(VK_ESCAPE, false);
        EXPECT_EQ(title, "- IXO - [" + m_pics.Path() + "\\]  判定 1 枚  削除 1 枚");
        const std::string why = closing ? "ウィンドウを閉じたため中断しました。" : "Escキーで中断しました。";
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({why})}));
        EXPECT_EQ(dialogs, Strings{}) << "no dialog opens under a pass";
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
    UsePlugins({"tpi"});
    test::MakeDir(Pic("sub"));
    Bmp("a.bmp", 400, 300);
    Bmp("b.bmp", 10, 300);
    File("bb.tpi", test::MakeSolidTestPicture(10, 10, 0x808080, test::kTpNoMemoryAtAll));  // no size to be read
    Bmp("c.bmp", 400, 300);
    test::PromptRecorder prompts;
    CViewerDlg dlg;
    ModalScript script;
    script.Then([&](fw::CDialog&) {
        Open(dlg);
        dlg.FileList().ListBox().SetFocus();
    });
    script.Key('T', true, true);  // on the directory: refused with a message
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Texts(prompts), (Strings{"ディレクトリ選択時は実行できません。"}));
        dlg.Folder().Select(1);
    });
    script.Key('T', true, true).Key('T', true, true);  // a.bmp stays, b.bmp goes
    script.Key('T', true, true);                       // bb.tpi cannot be read: kept
    script.Key('T', true, true);                       // c.bmp, the last entry, stays
    script.Key('T').Key('T', true);                    // plain T and Shift-T do nothing
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "a.bmp", "bb.tpi", "c.bmp"}));
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 3);
    });
    script.Run(dlg);
    EXPECT_EQ(Tree(m_pics.Path()), Left({"b.bmp"}, {"sub"}));
    EXPECT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
