// Size-judged deletion on real folders in a real main window: the judgement, the
// threshold dialog, the pass over the list and the passes over the tree; afterwards
// every file is checked byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "framework/Dialog.h"
#include "framework/WideText.h"
#include "image/Decode.h"
#include "image/FittedCopy.h"
#include "res/resource.h"
#include "sizedelete/TreeWalk.h"
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

// Every folder the tree pass emptied of its pictures goes, by the system's removal of an
// empty folder, and no other: one that still holds what the list does not show (notes,
// RAW files, a file that came in after its last picture went) stays with all of it,
// counted at the end, whatever the recycle bin would take; an empty folder the pass found
// so is left alone.
TEST_F(SizeDelete, TreePassRemovesOnlyTheFoldersItEmptied) {
    test::TempDir outside("outside");
    test::WriteFileBytes(outside / "o.bmp", testdata::MakeBmp24(4, 4, [](int, int) { return 0u; }));
    ASSERT_TRUE(test::MakeDirectoryLink(Pic("link"), outside.Path()));
    const Strings gone = {Bmp("small\\a.bmp", 5, 500), Bmp("small\\b.bmp", 500, 5), Bmp("keep\\tiny.bmp", 1, 1),
                          Bmp("top.bmp", 2, 2),          Bmp("bare\\s.bmp", 3, 3),    Bmp("deep\\in\\s.bmp", 3, 3),
                          Bmp("late\\s.bmp", 3, 3)};
    File("small\\notes.txt", "stays with its folder");
    test::MakeDir(Pic("raw"));
    File("raw\\a.CR2", "RAW");
    File("raw\\b.mp4", "film");
    Bmp("keep\\big.bmp", 400, 300);
    Bmp("top_big.bmp", 320, 240);
    test::MakeDir(Pic("outer"));
    test::MakeDir(Pic("outer\\inner"));
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        // Another program puts a file into "late" once its last picture went, before the
        // pass is back in the folder above it.
        const test::TitleHook arrival(dlg.m_hWnd, [&](const std::string& title) {
            if (title.starts_with("- IXO - [" + m_pics.Path() + "\\]") && !test::FileExists(Pic("late\\s.bmp")) &&
                !test::FileExists(Pic("late\\new.jpg"))) {
                File("late\\new.jpg", "came in");
            }
        });
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
        Strings entries = Entries(dlg);
        std::sort(entries.begin(), entries.end());  // directories stand in no order of their own
        EXPECT_EQ(entries, (Strings{"[ keep ]", "[ late ]", "[ link ]", "[ outer ]", "[ raw ]", "[ small ]",
                                    "top_big.bmp"}));
        ExpectIdleWindow(dlg);
    });
    std::map<std::string, std::string> left = Left(gone, {"keep", "late", "outer", "outer\\inner", "raw", "small"});
    left["link\\"] = "";
    left["link\\o.bmp"] = test::ReadFileBytes(outside / "o.bmp");
    EXPECT_EQ(Tree(m_pics.Path()), left);
    EXPECT_EQ(test::ListNames(outside.Path()), (Strings{"o.bmp"})) << "the link was not followed";
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({"ほかのファイルが残るため残したフォルダ: 2 件"})}));
    EXPECT_TRUE(prompts.shellCalls.empty()) << "no folder goes to the shell's deletion";
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
        // The picture folder's removal at the end cannot name a folder whose name ends in a
        // dot: left behind, it would stand in the way of a later run's folder of that name.
        ::DeleteFileW((dotted + L"\\small.bmp").c_str());
        ::RemoveDirectoryW(dotted.c_str());
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
    EXPECT_FALSE(test::DirExists(Pic("s"))) << "emptied and removed";
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
        // Back from the first folder, the pass is mid-way: act there, once.
        const auto act = [&](const std::string& shown) {
            if (!title.empty() || shown != "- IXO - [" + m_pics.Path() + "\\]  判定 1 枚  削除 1 枚") {
                return;
            }
            title = shown;
            window->SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);       // no second pass: no confirmation
            window->SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_SETTINGS);  // no dialog
            window->SendMessage(WM_COMMAND, ID_MENU_SETTINGS);
            window->SendMessage(WM_COMMAND, KeyCommandId(KeyCommand::kSettings));
            if (closing) {
                window->SendMessage(WM_CLOSE);
            } else {
                test::SendKey(VK_ESCAPE, true);
            }
        };
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
            const test::TitleHook hook(dlg.m_hWnd, act);
            dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
            EXPECT_EQ(dlg.IsModalRunning(), !closing);
        });
        script.Run(dlg);
        test::SendKey(VK_ESCAPE, false);
        EXPECT_FALSE(title.empty()) << "the pass was back from its first folder with one picture deleted";
        const std::string why = closing ? "ウィンドウを閉じたため中断しました。" : "Escキーで中断しました。";
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({why})}));
        EXPECT_EQ(dialogs, Strings{}) << "no dialog opens under a pass";
        EXPECT_TRUE(pluginsLoaded) << "the plug-ins outlive the pass";
        EXPECT_EQ(Tree(m_pics.Path()), Left({first + "\\a.bmp"}, {first == "s1" ? "s2" : "s1"}))
            << "nothing after " << first << " was judged";
    }
}

// A picture caught while it was still being written reads as broken; by the time the pass
// would delete it the rest of it has come: it is kept, and so is its folder.
TEST_F(SizeDelete, APassKeepsAPictureThatChangedAfterItWasRead) {
    UsePlugins({"tpi"});
    const std::string whole = test::MakeSolidTestPicture(400, 300, 0x808080, test::kTpArriving);
    // A level down: the pane's preview of the selected folder never reads it.
    const Strings gone = {Bmp("in\\deeper\\small.bmp", 4, 4)};
    test::WriteFileBytes(Pic("in\\deeper\\copying.tpi"), whole.substr(0, 1000));
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
    });
    EXPECT_EQ(test::ReadFileBytes(Pic("in\\deeper\\copying.tpi")).size(), whole.size()) << "kept, whole now";
    EXPECT_FALSE(test::FileExists(Pic("in\\deeper\\small.bmp")));
    EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({"読んだ後に変わったため残した画像: 1 枚"})}));
}

// What the stalled-decoder test does once the pass has begun to read the picture: it runs
// from a thread timer, which the pass's own message loop serves while it waits.
enum class Interrupt { kNone, kEscape, kClose };
Interrupt g_interrupt = Interrupt::kNone;
HWND g_interrupted = nullptr;
uint64_t g_decodesBefore = 0;

void CALLBACK InterruptOnceReading(HWND, UINT, UINT_PTR timer, DWORD) {
    if (DecodesStarted() == g_decodesBefore) {
        return;
    }
    ::KillTimer(nullptr, timer);
    if (g_interrupt == Interrupt::kEscape) {
        test::SendKey(VK_ESCAPE, true);
    } else if (g_interrupt == Interrupt::kClose) {
        ::PostMessageW(g_interrupted, WM_CLOSE, 0, 0);
    }
}

// A decoder that stalls without a word holds the pass no longer than its limit: Escape
// and the close box stop it while it waits, and past the limit the picture is given up,
// kept and counted, and the pass goes on.
TEST_F(SizeDelete, APassDoesNotWaitForAStalledDecoder) {
    UsePlugins({"tpi"});
    const struct {
        Interrupt interrupt;
        std::string line;
        bool goesOn;  // the picture after the stalled one is judged
    } cases[] = {
        {Interrupt::kNone, "読むのに時間がかかりすぎたため残した画像: 1 枚", true},
        {Interrupt::kEscape, "Escキーで中断しました。", false},
        {Interrupt::kClose, "ウィンドウを閉じたため中断しました。", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        // Two levels down: the pane's preview of the selected folder never reads it.
        test::MakeDir(Pic("sub"));
        test::MakeDir(Pic("sub\\in"));
        File("sub\\in\\a.tpi", test::MakeSolidTestPicture(8, 8, 0x808080, test::kTpStall));
        File("sub\\in\\z.bmp", testdata::MakeBmp24(2, 2, [](int, int) { return 0u; }));
        test::PromptRecorder prompts;
        DWORD took = 0;
        WithViewer([&](CViewerDlg& dlg) {
            Open(dlg);
            dlg.SizeDeletion().SetDecodeLimit(c.interrupt == Interrupt::kNone ? 300 : CSizeDeletion::kDecodeLimitMs);
            g_interrupt = c.interrupt;
            g_interrupted = dlg.m_hWnd;
            g_decodesBefore = DecodesStarted();
            ::SetTimer(nullptr, 0, 20, &InterruptOnceReading);
            const DWORD start = ::GetTickCount();
            dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
            took = ::GetTickCount() - start;
        });
        test::SendKey(VK_ESCAPE, false);
        EXPECT_LT(took, test::kTpStallMs - 1000) << "the pass did not wait the decoder out";
        EXPECT_EQ(Texts(prompts), (Strings{kConfirmTree, Finished({c.line})}));
        EXPECT_TRUE(test::FileExists(Pic("sub\\in\\a.tpi")));
        EXPECT_EQ(test::FileExists(Pic("sub\\in\\z.bmp")), !c.goesOn);
        test::RemoveTree(Pic("sub"));
        m_expected.clear();
    }
}

// A tree 10,000 folders deep, made by the host, far past the path any system names: the
// pass goes down as far as the system lists it, deletes the small picture on the way and
// names the folder where the listing failed; no folder on the way goes. (Long names bring
// Wine's limit, the host's path length, within a few dozen levels.)
TEST_F(SizeDelete, TreePassWalksATreeTenThousandFoldersDeep) {
    constexpr int kDepth = 10000;
    const std::string name(100, 'd');
    test::WriteFileBytes(Pic("s.bmp"), testdata::MakeBmp24(2, 2, [](int, int) { return 0u; }));
    test::WriteFileBytes(Pic("deep.py"),
                         "import os, sys\n"
                         "os.chdir(sys.argv[1])\n"
                         "for level in range(" + std::to_string(kDepth) + "):\n"
                         "    os.mkdir('" + name + "')\n"
                         "    os.chdir('" + name + "')\n"
                         "    if level == 0:\n"
                         "        open('s.bmp', 'wb').write(open('../s.bmp', 'rb').read())\n"
                         "open(sys.argv[2], 'w').close()\n");
    const std::string made = m_work / "deep.made";
    test::RunHostProgram("/usr/bin/python3 \"" + test::UnixPathOf(Pic("deep.py")) + "\" \"" +
                             test::UnixPathOf(m_pics.Path()) + "\" \"" + test::UnixPathOf(made) + "\"",
                         [&] { return test::FileExists(made); });
    ASSERT_TRUE(test::FileExists(made)) << "the host made no tree";
    ::DeleteFileA(Pic("deep.py").c_str());
    ::DeleteFileA(Pic("s.bmp").c_str());
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
        EXPECT_EQ(Entries(dlg), (Strings{"[ " + name + " ]"}));
    });
    EXPECT_FALSE(test::FileExists(Pic(name + "\\s.bmp"))) << "the picture one level down went";
    ASSERT_EQ(prompts.messages.size(), 2u);
    const std::string unlisted =
        "処理終了しました。\n一覧を読めないフォルダがありました: " + Pic(name + "\\" + name + "\\" + name);
    EXPECT_TRUE(prompts.messages[1].text.starts_with(unlisted)) << prompts.messages[1].text.substr(0, 300);
    EXPECT_TRUE(test::HostRemovesTree(Pic(name)));
}

// The walk itself on a tree of 10,000 folders, one inside the other, given to it level by
// level: every folder is left once, the deepest first, each emptied by the picture that
// went at the bottom, and the folder above each is the one it was entered from.
TEST(TreeWalk, GoesThroughTenThousandLevelsAndLeavesEachOnce) {
    constexpr size_t kDepth = 10000;
    class CDeepTree : public ITreeWalkSteps {
    public:
        bool GoOn() override { return true; }
        Outcome Picture(const std::wstring& path, const ListEntry&) override {
            pictureDepth = entered;
            pictureLength = path.size();
            return Outcome::kGone;
        }
        std::optional<Entries> Enter(const std::wstring& path, const ListEntry&) override {
            Entries entries;
            entries.push_back(std::make_unique<ListEntry>(++entered < kDepth ? ListEntry::Directory(L"d")
                                                                            : ListEntry::Picture(L"p.bmp", Decoder::Bmp())));
            enteredLengths.push_back(path.size());
            return entries;
        }
        Outcome Leave(const std::wstring& parent, const std::wstring& path, bool emptied) override {
            const size_t depth = enteredLengths.size() - leftCount;
            rightOrder = rightOrder && path.size() == enteredLengths[depth - 1] &&
                         (depth == 1 ? parent == L"C:\\t" : parent.size() == enteredLengths[depth - 2]);
            allEmptied = allEmptied && emptied;
            ++leftCount;
            return Outcome::kGone;
        }
        size_t entered = 0;
        size_t pictureDepth = 0;
        size_t pictureLength = 0;
        std::vector<size_t> enteredLengths;
        size_t leftCount = 0;
        bool rightOrder = true;
        bool allEmptied = true;
    } tree;
    const ListEntry top = ListEntry::Directory(L"d");
    WalkTree(L"C:\\t", {&top}, tree);
    EXPECT_EQ(tree.pictureDepth, kDepth);
    EXPECT_EQ(tree.pictureLength, std::wstring(L"C:\\t").size() + 2 * kDepth + std::wstring(L"\\p.bmp").size());
    EXPECT_EQ(tree.leftCount, kDepth);
    EXPECT_TRUE(tree.rightOrder);
    EXPECT_TRUE(tree.allEmptied);
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
