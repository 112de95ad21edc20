// The folder model, the picture pane and the parts on their own, in a plain window, with
// fakes of the narrow interfaces through which a part reaches the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/RenameOps.h"
#include "commands/TargetChooser.h"
#include "filelist/FileListBox.h"
#include "filelist/Folder.h"
#include "framework/Dialog.h"
#include "framework/DirectoryEnumerator.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "image/Decode.h"
#include "pane/PicturePane.h"
#include "res/resource.h"
#include "sizedelete/SizeDeletion.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/TestSupport.h"
#include "tools/ExternalPrograms.h"
#include "wallpaper/WallpaperWriter.h"

namespace {

using Strings = std::vector<std::string>;

// A top-level window of 400 x 300 client pixels with a list box down its left 100 pixels
// and room for a pane right of it.
class PlainWindow {
public:
    PlainWindow() {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = ::DefWindowProcA;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.lpszClassName = "IxoPartsTest";
            return ::RegisterClassA(&wc);
        }();
        RECT r{0, 0, 400, 300};
        ::AdjustWindowRect(&r, WS_POPUP, FALSE);
        m_hwnd = ::CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10,
                                   r.right - r.left, r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                                   nullptr);
        // A Unicode list box, as the main window's is.
        m_list = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0, 100, 300, m_hwnd,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    ~PlainWindow() { ::DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    HWND List() const { return m_list; }

private:
    HWND m_hwnd = nullptr;
    HWND m_list = nullptr;
};

class FakeHost : public IViewerHost {
public:
    HWND OwnerWindow() const override { return window; }
    void ReportIfFailed(const OpResult& result, const std::string& text) override {
        if (result.IsFailure()) {
            failures.push_back(text);
        }
    }
    std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) override {
        browses.push_back({test::Narrow(initialFolder), prompt});
        return test::Wide(folderAnswer);
    }
    void ShowTitleNote(const std::wstring& text) override { notes.push_back(test::Narrow(text)); }

    HWND window = nullptr;
    Strings failures;
    std::vector<std::pair<std::string, std::string>> browses;  // initial folder, prompt
    std::string folderAnswer;
    Strings notes;
};

// Counts what the folder tells its listeners.
struct Listener : IFolderListener {
    void OnListed() override { ++listed; }
    void OnRemoved(int index) override { removed.push_back(index); }
    void OnInserted(int index) override { inserted.push_back(index); }
    void OnSelected() override { ++selected; }
    int listed = 0;
    int selected = 0;
    std::vector<int> removed;
    std::vector<int> inserted;
};

Strings Texts(const CFolder& folder) {
    Strings texts;
    for (int i = 0; i < folder.Count(); ++i) {
        texts.push_back(test::Narrow(folder.At(i)->Text()));
    }
    return texts;
}

// The folder model over a real folder, its list box bound to a plain window's list.
class FolderModel : public testing::Test {
protected:
    void SetUp() override {
        m_view.ListBox().Attach(m_window.List());
        m_folder.AddListener(m_view);
        m_folder.AddListener(m_listener);
    }
    void Files(std::initializer_list<const char*> names) const {
        for (const char* name : names) {
            test::WriteFileBytes(m_dir / name, "");
        }
    }
    Strings Shown() const {
        Strings rows;
        for (int i = 0; i < m_view.ListBox().GetCount(); ++i) {
            rows.push_back(m_view.ListBox().GetText(i));
        }
        return rows;
    }

    PlainWindow m_window;
    test::TempDir m_dir{"folder"};
    CSpiPluginList m_plugins;
    CFolder m_folder{m_plugins, test::Wide(m_dir.Path())};
    CFileListBox m_view{m_folder};
    Listener m_listener;
};

TEST_F(FolderModel, DirectoriesStandFirstAndEntriesKeepTheirNames) {
    Files({"b.bmp", "A.bmp", "readme", "c.xyz"});
    test::MakeDir(m_dir / "sub");
    m_folder.Open(test::Wide(m_dir.Path()));
    EXPECT_EQ(m_listener.listed, 1);
    EXPECT_EQ(Texts(m_folder), (Strings{"[ sub ]", "A.bmp", "b.bmp"}));
    // A file whose name looks like a directory entry is still a file; a directory goes
    // before the others, a picture where its name belongs.
    m_folder.Insert(ListEntry::Picture(L"[ a.b]", Decoder::Bmp()));
    m_folder.Insert(ListEntry::Directory(L" lead"));
    m_folder.Insert(ListEntry::Picture(L"B0.bmp", Decoder::Bmp()));
    EXPECT_EQ(Texts(m_folder), (Strings{"[  lead ]", "[ sub ]", "[ a.b]", "A.bmp", "b.bmp", "B0.bmp"}));
    EXPECT_EQ(Shown(), Texts(m_folder)) << "the list box shows the model";
    EXPECT_EQ(m_listener.inserted, (std::vector<int>{1, 0, 5}));
    EXPECT_EQ(m_folder.At(2)->kind, ListEntry::Kind::kPicture);
    EXPECT_EQ(m_folder.At(6), nullptr);
    EXPECT_EQ(m_folder.At(-1), nullptr);
    EXPECT_EQ(m_folder.FindDirectory(L"SUB"), 1) << "found ignoring case";
    EXPECT_EQ(m_folder.FindDirectory(L" lead"), 0);
    EXPECT_EQ(m_folder.FindDirectory(L"a.b"), -1) << "a file shaped like a directory entry is none";
    EXPECT_EQ(m_folder.PathOf(*m_folder.At(1)), test::Wide(m_dir / "sub"));
}

TEST_F(FolderModel, RemovingTheSelectedEntrySelectsItsSuccessor) {
    Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
    m_folder.Open(test::Wide(m_dir.Path()));
    const struct {
        int selected;
        const char* after;
        int index;
    } steps[] = {{3, "e.bmp", 3}, {3, "c.bmp", 2}, {0, "b.bmp", 0}, {0, "c.bmp", 0}};
    for (const auto& step : steps) {
        m_folder.Select(step.selected);
        m_folder.RemoveSelected();
        EXPECT_EQ(m_folder.SelectedIndex(), step.index);
        EXPECT_EQ(m_view.ListBox().GetCurSel(), step.index);
        ASSERT_NE(m_folder.Selected(), nullptr);
        EXPECT_EQ(m_folder.Selected()->name, test::Wide(step.after));
        EXPECT_EQ(m_listener.removed.back(), step.selected);
    }
    EXPECT_EQ(m_folder.Direction(), -1) << "the last step went back; taking a place keeps it";
    m_folder.RemoveSelected();
    EXPECT_EQ(m_folder.Count(), 0);
    EXPECT_EQ(m_folder.Selected(), nullptr);
    EXPECT_EQ(m_view.ListBox().GetCount(), 0);
    EXPECT_TRUE(m_folder.SelectedPath().empty());
}

TEST_F(FolderModel, SelectionMovesAndTellsOnlyWhenItChanges) {
    EXPECT_FALSE(m_folder.SelectNext()) << "empty";
    Files({"a.bmp", "b.bmp"});
    m_folder.Open(test::Wide(m_dir.Path()));
    const int told = m_listener.selected;
    m_folder.Select(0);
    EXPECT_EQ(m_listener.selected, told) << "already selected";
    EXPECT_TRUE(m_folder.SelectNext());
    EXPECT_EQ(m_folder.Direction(), 1);
    EXPECT_FALSE(m_folder.SelectNext());
    EXPECT_EQ(m_folder.SelectedIndex(), 1);
    m_folder.Select(0);
    EXPECT_EQ(m_folder.Direction(), -1);
    EXPECT_EQ(m_listener.selected, told + 2);
    // The user moves the list box's selection: the folder takes it.
    m_view.ListBox().SetCurSel(1);
    LRESULT ignored = 0;
    EXPECT_TRUE(m_view.ProcessMessage(WM_COMMAND, MAKEWPARAM(IDC_FILELIST, LBN_SELCHANGE), 0, ignored));
    EXPECT_EQ(m_folder.SelectedIndex(), 1);
    EXPECT_EQ(m_folder.SelectedPath(), test::Wide(m_dir / "b.bmp"));
}

TEST_F(FolderModel, FindTextPrefersTheWholeTextThenABeginningAfterTheFirstEntry) {
    Files({"a.bmp", "a.bmp.bmp", "b.bmp", "c.bmp", "cat.bmp"});
    test::MakeDir(m_dir / "Sub");
    m_folder.Open(test::Wide(m_dir.Path()));
    const struct {
        const char* text;
        int found;
    } cases[] = {
        {"A.BMP", 1},       // the whole text, ignoring case, though the next entry begins with it
        {"[ sub ]", 0},     // a directory by its shown text
        {"c", 4},           // the first that begins with it, searched from the second entry
        {"[ s", 0},         // ... wrapping round to the first
        {"b.bmp.bmp", -1},  // none
        {"", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_folder.FindText(test::Wide(c.text)), c.found) << c.text;
    }
}

// Relisting keeps the position (clamped), a listing selecting a text selects it, and a
// folder that cannot be listed is told from an empty one.
TEST_F(FolderModel, ListingsKeepThePositionAndTellAFolderTheyCannotRead) {
    Files({"a.bmp", "b.bmp", "c.bmp", "b.bmp.txt", "noext"});
    m_folder.Open(test::Wide(m_dir.Path()));
    EXPECT_EQ(Texts(m_folder), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    m_folder.Select(2);
    ::DeleteFileA((m_dir / "c.bmp").c_str());
    m_folder.Relist();
    EXPECT_EQ(m_folder.SelectedIndex(), 1) << "the new last entry";
    m_folder.RelistSelecting(L"A.BMP");
    EXPECT_EQ(m_folder.SelectedIndex(), 0);
    const struct {
        std::string path;
        bool failed;
    } cases[] = {
        {m_dir.Path(), false},
        {m_dir / "gone", true},
        {m_dir / std::string(260, 'x'), true},
    };
    for (const auto& c : cases) {
        m_folder.Open(test::Wide(c.path));
        EXPECT_EQ(m_folder.ListingFailed(), c.failed) << c.path;
    }
    EXPECT_EQ(m_folder.Count(), 0);
    EXPECT_FALSE(fw::CDirectoryEnumerator(test::Wide(m_dir / "*.none")).Failed()) << "a pattern that matches nothing";
}

// The pane in a plain window, right of its list, showing what the folder selects.
class Pane : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pane.Create(m_window.Get(), RECT{100, 0, 400, 300}));
        m_folder.AddListener(m_pane);
    }
    // A picture in the folder, selected and shown.
    void ShowBmp(const std::string& name, int width, int height, uint32_t rgb) {
        test::WriteFileBytes(m_dir / name, testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; }));
        Show(name);
    }
    void Show(const std::string& name) {
        m_folder.Open(test::Wide(m_dir.Path()));
        const int at = m_folder.FindText(test::Wide(name));
        ASSERT_GE(at, 0) << name;
        m_folder.Select(at);
        m_pane.ShowSelected();
    }
    // The pane's client area as it is on the screen after a paint; 0xRRGGBB.
    std::vector<uint32_t> Painted() {
        m_pane.Invalidate(FALSE);
        m_pane.UpdateWindow();
        return test::ClientPixels(m_pane.GetSafeHwnd());
    }
    uint32_t At(const std::vector<uint32_t>& shot, int x, int y) const {
        return shot[static_cast<size_t>(y) * 300 + static_cast<size_t>(x)];
    }
    LRESULT Key(KeyCommand command) {
        LRESULT result = -1;
        EXPECT_TRUE(m_pane.ProcessMessage(WM_COMMAND, KeyCommandId(command), 0, result));
        return result;
    }

    PlainWindow m_window;
    test::TempDir m_dir{"pane"};
    CSpiPluginList m_plugins;
    CFolder m_folder{m_plugins, test::Wide(m_dir.Path())};
    CPicturePane m_pane{m_folder, m_plugins};
};

TEST_F(Pane, PaintsThePictureFittedInItsOwnWindow) {
    const RECT pane = m_pane.GetPaneRect();
    EXPECT_EQ(pane.left, 100) << "where it lies in its parent";
    EXPECT_EQ(pane.right, 400);
    ShowBmp("red.bmp", 60, 30, 0xD02020);
    EXPECT_TRUE(m_pane.HoldsPicture());
    const std::vector<uint32_t> shot = Painted();
    // 60 x 30 fitted into 300 x 300: 300 x 150, centred at 75.
    EXPECT_EQ(At(shot, 150, 150), 0xD02020u);
    EXPECT_EQ(At(shot, 1, 76), 0xD02020u);
    EXPECT_EQ(At(shot, 150, 10), 0x000000u) << "the pane around the picture is black";
    EXPECT_EQ(At(shot, 150, 290), 0x000000u);

    ::DeleteFileA((m_dir / "red.bmp").c_str());
    m_folder.Open(test::Wide(m_dir.Path()));
    EXPECT_FALSE(m_pane.HoldsPicture());
    EXPECT_TRUE(m_pane.ShownPicture().IsEmpty()) << "the picture shown before is released";
    EXPECT_EQ(At(Painted(), 150, 150), 0x000000u);
}

TEST_F(Pane, PagingAndDraggingMoveAPictureShownAtActualSize) {
    ShowBmp("tall.bmp", 500, 700, 0x2020D0);
    EXPECT_EQ(Key(KeyCommand::kPageDown), kLetListHandleKey) << "fitted: the list moves on";
    Key(KeyCommand::kToggleFit);
    EXPECT_FALSE(m_pane.IsFitToPane());
    EXPECT_EQ(Key(KeyCommand::kPageDown), 0) << "paged by the pane's height";
    EXPECT_EQ(m_pane.GetScrollY(), 300);
    EXPECT_EQ(Key(KeyCommand::kPageDown), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 400) << "stopped at the last full pane";
    EXPECT_EQ(Key(KeyCommand::kPageDown), kLetListHandleKey);
    EXPECT_EQ(Key(KeyCommand::kPageUp), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 100);

    // The pane's own mouse messages, in its own client coordinates.
    m_pane.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(100, 200));
    m_pane.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200));
    EXPECT_EQ(::GetCapture(), m_pane.GetSafeHwnd());
    m_pane.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 230));
    EXPECT_EQ(m_pane.GetScrollX(), 50);
    EXPECT_EQ(m_pane.GetScrollY(), 70);
    m_pane.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(50, 230));
    EXPECT_EQ(::GetCapture(), nullptr);

    // A new entry starts at the top left.
    ShowBmp("other.bmp", 500, 700, 0x20D020);
    EXPECT_EQ(m_pane.GetScrollX(), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 0);
}

TEST_F(Pane, ADirectoryEntryLetsPagingKeysGoOnAndPreviewsItsFirstPicture) {
    test::MakeDir(m_dir / "sub");
    test::WriteFileBytes(m_dir / "sub\\p.bmp", testdata::MakeBmp24(10, 10, [](int, int) { return 0x30C030u; }));
    Show("[ sub ]");
    EXPECT_EQ(Key(KeyCommand::kPageDown), kLetListHandleKey);
    EXPECT_EQ(Key(KeyCommand::kPageUp), kLetListHandleKey);
    EXPECT_EQ(At(Painted(), 150, 150), 0x30C030u) << "the preview fills the pane's middle";
    EXPECT_TRUE(m_pane.ShownPath().empty()) << "no picture of the entry is shown";
}

// The preview is decoded when its entry is selected (again on each selection), and a
// paint, however often the window is uncovered, only draws it.
TEST_F(Pane, APreviewIsDecodedOncePerSelectionNotPerPaint) {
    test::MakeDir(m_dir / "sub");
    test::WriteFileBytes(m_dir / "sub\\p.bmp", testdata::MakeBmp24(10, 8, [](int, int) { return 0x30C030u; }));
    m_folder.Open(test::Wide(m_dir.Path()));
    const uint64_t before = DecodesStarted();
    m_pane.ShowSelected();
    EXPECT_EQ(DecodesStarted(), before + 1);
    EXPECT_EQ(m_pane.PreviewPicture().Width(), 10);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(At(Painted(), 150, 150), 0x30C030u);
    }
    EXPECT_EQ(DecodesStarted(), before + 1) << "painting decodes nothing";
    m_pane.ShowSelected();
    EXPECT_EQ(DecodesStarted(), before + 2) << "selected again, looked at again";
}

// A picture handed from the pane to the read-ahead and back, then to the wallpaper writer,
// keeps its size and every byte of its rows, whichever decoder made it.
TEST_F(Pane, APictureSurvivesMovesBetweenThePaneTheReadAheadAndTheWallpaper) {
    test::MakeDir(m_dir / "SPI");
    const std::string plugin = std::string("tpi.") + kSpiPluginExtension;
    ASSERT_TRUE(::CopyFileA((test::BuildDir() + "\\testplugins\\" + plugin).c_str(), (m_dir / plugin).c_str(), FALSE));
    CSpiPlugin tpi;
    ASSERT_TRUE(tpi.Load(m_dir / plugin));
    m_plugins.Add(std::move(tpi));
    const auto pixel = [](int x, int y) { return static_cast<uint32_t>(0x102030 + x * 0x0B0700 + y * 0x05); };
    test::WriteFileBytes(m_dir / "a.bmp", testdata::MakeBmp24(5, 3, pixel));
    test::WriteFileBytes(m_dir / "a.tpi", test::MakeTestPicture(5, 3, test::kTpBottomUp24, pixel));
    for (const auto& [name, other] : {std::pair{"a.bmp", "a.tpi"}, std::pair{"a.tpi", "a.bmp"}}) {
        SCOPED_TRACE(name);
        Show(name);
        const std::vector<uint8_t> rows(m_pane.ShownPicture().Bits().begin(), m_pane.ShownPicture().Bits().end());
        ASSERT_EQ(rows.size(), 3u * 16);
        m_folder.Select(m_folder.FindText(test::Wide(other)));
        EXPECT_TRUE(m_pane.ReadAheadCopies().Holds(test::Wide(m_dir / name)));
        m_folder.Select(m_folder.FindText(test::Wide(name)));
        ASSERT_TRUE(m_pane.ShownFromReadAhead());
        const CPicture& shown = m_pane.ShownPicture();
        EXPECT_EQ(shown.Width(), 5);
        EXPECT_EQ(shown.Height(), 3);
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), shown.Bits().begin(), shown.Bits().end()));

        const std::string target = m_dir / "wall.bmp";
        ASSERT_TRUE(WriteWallpaperBmp(shown, 5, 3, test::Wide(target)));
        const std::string file = test::ReadFileBytes(target);
        ASSERT_EQ(file.size(), 54 + rows.size());
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), file.begin() + 54, file.end(),
                               [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
    }
    m_pane.ReleasePictures();
}

// The file manager and the URL memo on a real folder, with memo files on disk and the
// program starts recorded.
class ExternalPrograms : public testing::Test {
protected:
    void SetUp() override { m_host.window = m_window.Get(); }
    // Lists `dir` and selects the entry shown as `text` (none: nothing selected).
    void Open(const std::string& dir, const char* text = nullptr) {
        m_folder.Open(test::Wide(dir));
        m_folder.Select(text == nullptr ? -1 : m_folder.FindText(test::Wide(text)));
    }
    // What one I press did: the command line started, or the message shown.
    std::string PressI() {
        test::PromptRecorder prompts;
        m_programs.OpenUrlFromMemo();
        EXPECT_EQ(prompts.programStarts.size() + prompts.messages.size(), 1u);
        if (!prompts.programStarts.empty()) {
            EXPECT_EQ(prompts.programStarts[0].showCommand, static_cast<UINT>(SW_SHOWDEFAULT));
            return prompts.programStarts[0].commandLine;
        }
        if (!prompts.messages.empty()) {
            const fw::MessageBoxCall& box = prompts.messages[0];
            EXPECT_EQ(box.caption, fw::AppName());
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
            EXPECT_EQ(box.owner, m_window.Get());
            return "box: " + box.text;
        }
        return {};
    }

    PlainWindow m_window;
    test::TempDir m_dir{"memo"};
    FakeHost m_host;
    Settings m_settings;
    CSpiPluginList m_plugins;
    CFolder m_folder{m_plugins, test::Wide(m_dir.Path())};
    CExternalPrograms m_programs{m_host, m_settings, m_folder};
};

TEST_F(ExternalPrograms, TheMemosLastLineOpensOnlyWhenItIsAWebAddress) {
    const std::string notFound = "box: URLが見つかりません。";
    const struct {
        const char* what;
        std::string memo;
        std::string result;
    } cases[] = {
        {"the last of several addresses", "http://a.example/\r\nnote\r\nhttps://c.example/x?y=1&z\r\n",
         "explorer https://c.example/x?y=1&z"},
        {"no final line break", "note\nhttp://b.example/", "explorer http://b.example/"},
        {"trailing empty lines", "http://a.example/\n\n\r\n\n", "explorer http://a.example/"},
        {"a last line of blanks", "http://a.example/\n   \n", notFound},
        {"line breaks only", "\r\n\n", notFound},
        {"a too long line", "http://" + std::string(5000, 'a') + "\n", notFound},
        {"a local file", "file:///C:/windows/system32/calc.exe\n", notFound},
        {"a network share", "\\\\server\\share\\run.exe\n", notFound},
        {"a program", "cmd /c del *.*\n", notFound},
    };
    Open(m_dir.Path());
    for (const auto& c : cases) {
        test::WriteFileBytes(m_dir / "URLMemo.txt", c.memo);
        EXPECT_EQ(PressI(), c.result) << c.what;
    }
}

TEST_F(ExternalPrograms, TheMemoOfTheSelectedDirectoryAndTheConfiguredNames) {
    test::WriteFileBytes(m_dir / "URLMemo.txt", "http://top.example/\n");
    test::MakeDir(m_dir / "sub dir");
    test::WriteFileBytes(m_dir / "sub dir\\URLMemo.txt", "http://sub.example/\n");
    test::MakeDir(m_dir / "empty");
    test::WriteFileBytes(m_dir / "a.bmp", "");
    Open(m_dir.Path(), "a.bmp");
    EXPECT_EQ(PressI(), "explorer http://top.example/");
    Open(m_dir.Path(), "[ sub dir ]");
    EXPECT_EQ(PressI(), "explorer http://sub.example/");
    Open(m_dir.Path() + "\\", "[ sub dir ]");  // the folder held with a final backslash
    EXPECT_EQ(PressI(), "explorer http://sub.example/");
    Open(m_dir.Path(), "[ empty ]");
    EXPECT_EQ(PressI(), "box: URLMemo.txt が開けませんでした。");

    Open(m_dir.Path());
    m_settings.m_strUrlProgram = "browser.exe -new";
    m_settings.m_strUrlMemo = "links.txt";
    EXPECT_EQ(PressI(), "box: links.txt が開けませんでした。") << "URLMemo.txt is not read then";
    test::WriteFileBytes(m_dir / "links.txt", "ftp://files.example/\n");
    EXPECT_EQ(PressI(), "browser.exe -new ftp://files.example/");
}

TEST_F(ExternalPrograms, TheFileManagerGetsTheDirectoryAsOneArgument) {
    const struct {
        const char* dir;
        const char* program;
        std::vector<std::string> started;
    } cases[] = {
        {"C:\\pics", "explorer", {"explorer C:\\pics"}},
        {"C:\\My Pictures", "filer.exe /n", {"filer.exe /n \"C:\\My Pictures\""}},
        {"C:\\a\" b", "explorer", {}},
    };
    for (const auto& c : cases) {
        test::PromptRecorder prompts;
        m_folder.Open(test::Wide(c.dir));
        m_settings.m_strOpenWindowProgram = c.program;
        LRESULT ignored = 0;
        EXPECT_TRUE(m_programs.ProcessMessage(WM_COMMAND, KeyCommandId(KeyCommand::kOpenDirWindow), 0, ignored));
        std::vector<std::string> started;
        for (const auto& start : prompts.programStarts) {
            started.push_back(start.commandLine);
            EXPECT_EQ(start.showCommand, static_cast<UINT>(SW_SHOWDEFAULT));
        }
        EXPECT_EQ(started, c.started) << c.dir;
        EXPECT_TRUE(prompts.messages.empty());
    }
}

// cmd acts on & | < > ^ % and quotation marks inside quotation marks too: a batch program
// is not handed an address or a folder holding one; every other program is.
TEST_F(ExternalPrograms, ABatchProgramIsNotHandedWhatCmdWouldRun) {
    const std::string url = "box: このURLはバッチファイルのプログラムに渡せません（& | < > ^ % \" のどれかを含みます）:\n";
    const struct {
        const char* program;
        const char* address;
        std::string result;
    } cases[] = {
        {"C:\\tools\\open.cmd", "http://x.example/?a&calc", url + "http://x.example/?a&calc"},
        {"\"C:\\my tools\\OPEN.BAT\" /u", "http://x.example/%PATH%", url + "http://x.example/%PATH%"},
        {"C:\\my tools\\open.bat -n", "http://x.example/a|b^c", url + "http://x.example/a|b^c"},
        {"C:\\tools\\open.cmd", "http://x.example/a,b", "C:\\tools\\open.cmd \"http://x.example/a,b\""},
        {"browser.exe", "http://x.example/?a&calc", "browser.exe http://x.example/?a&calc"},
        {"C:\\tools\\cmd.files\\browser.exe", "http://x.example/?a&b", "C:\\tools\\cmd.files\\browser.exe http://x.example/?a&b"},
    };
    Open(m_dir.Path());
    for (const auto& c : cases) {
        m_settings.m_strUrlProgram = c.program;
        test::WriteFileBytes(m_dir / "URLMemo.txt", std::string(c.address) + "\n");
        EXPECT_EQ(PressI(), c.result) << c.program;
    }

    test::MakeDir(m_dir / "a&calc");
    m_settings.m_strOpenWindowProgram = "filer.cmd";
    for (const std::string& folder : {m_dir / "a&calc", m_dir.Path()}) {
        test::PromptRecorder prompts;
        m_folder.Open(test::Wide(folder));
        m_programs.OpenCurrentDirWindow();
        if (folder == m_dir.Path()) {
            ASSERT_EQ(prompts.programStarts.size(), 1u);
            EXPECT_EQ(prompts.programStarts[0].commandLine, "filer.cmd " + folder);
            continue;
        }
        EXPECT_TRUE(prompts.programStarts.empty());
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text,
                  "このフォルダはバッチファイルのプログラムに渡せません（& | < > ^ % \" のどれかを含みます）:\n" + folder);
    }
}

// A size-judged pass with a fake of the window's side: it walks the folder's entries and
// the folders below, judges every picture by reading it, and reports through its results.
class SizeDeletionPart : public testing::Test {
protected:
    struct FakeView : IPassView {
        void PassRunning(bool now) override { running.push_back(now); }
        void ShowJudged(const std::wstring& path, CPicture picture) override {
            judged.push_back({test::Narrow(path), picture.Width()});
        }
        void ShowProgress(const std::wstring& dir, const std::string& text) override {
            progress.push_back(test::Narrow(dir) + text);
        }
        // False once the window has gone: after `openFor` pictures were shown.
        bool KeepAlive() override { return judged.size() < openFor; }
        std::vector<bool> running;
        std::vector<std::pair<std::string, int>> judged;  // path, width read
        Strings progress;
        size_t openFor = SIZE_MAX;
    };

    void SetUp() override {
        m_host.window = m_window.Get();
        m_settings.m_nDeleteSmallWidth = 20;
        m_settings.m_nDeleteSmallHeight = 20;
        m_settings.m_bDeleteImmediate = TRUE;
        m_settings.m_strMoveDir = m_move.Path();
        ASSERT_TRUE(m_pane.Create(m_window.Get(), RECT{100, 0, 400, 300}));
    }
    void Bmp(const std::string& name, int side) const {
        const size_t slash = name.rfind('\\');
        if (slash != std::string::npos) {
            test::MakeDir(m_dir / name.substr(0, slash));
        }
        test::WriteFileBytes(m_dir / name, testdata::MakeBmp24(side, side, [](int, int) { return 0x406080u; }));
    }
    // Runs a pass from the menu, confirming it; the closing message.
    std::string Run(UINT command) {
        test::PromptRecorder prompts;
        m_folder.Open(test::Wide(m_dir.Path()));
        LRESULT ignored = 0;
        EXPECT_TRUE(m_part.ProcessMessage(WM_COMMAND, command, 0, ignored));
        return prompts.messages.empty() ? std::string() : prompts.messages.back().text;
    }

    PlainWindow m_window;
    test::TempDir m_dir{"pass"};
    test::TempDir m_move{"pass-move"};
    FakeHost m_host;
    FakeView m_view;
    Settings m_settings;
    CSpiPluginList m_plugins;
    CFolder m_folder{m_plugins, test::Wide(m_dir.Path())};
    CPicturePane m_pane{m_folder, m_plugins};
    CSortingOps m_sorting{m_host, m_settings, m_folder};
    CSizeDeletion m_part{m_host, m_view, m_settings, m_folder, m_pane, m_sorting, m_plugins};
};

TEST_F(SizeDeletionPart, TheTreePassJudgesEveryPictureBelowAndRemovesWhatItEmpties) {
    Bmp("big.bmp", 40);
    Bmp("small.bmp", 8);
    Bmp("sub\\tiny.bmp", 4);
    Bmp("keep\\large.bmp", 30);
    Bmp("keep\\deeper\\dot.bmp", 2);
    EXPECT_EQ(Run(ID_MENU_SIZEDELETE_RECURSIVE), "処理終了しました。");
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"big.bmp", "keep"}));
    EXPECT_EQ(test::ListNames(m_dir / "keep"), Strings{"large.bmp"}) << "its emptied sub-folder went";
    EXPECT_EQ(m_view.running, (std::vector<bool>{true, false}));
    EXPECT_EQ(m_view.judged.size(), 5u) << "every picture read and shown";
    for (const auto& [path, width] : m_view.judged) {
        EXPECT_GT(width, 0) << path;
    }
    const PassProgress& done = m_part.Progress();
    EXPECT_EQ(done.judged, 5);
    EXPECT_EQ(done.deleted, 3);
    EXPECT_EQ(done.stop, PassStop::kNone);
    EXPECT_EQ(Texts(m_folder), (Strings{"[ keep ]", "big.bmp"})) << "listed again when it ended";
    EXPECT_FALSE(m_view.progress.empty());
}

TEST_F(SizeDeletionPart, TheMovingPassMovesWhatStaysAndStopsWhereAMoveFails) {
    Bmp("a.bmp", 40);
    Bmp("b.bmp", 4);
    Bmp("sub\\c.bmp", 50);
    Run(ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "c.bmp"}));
    EXPECT_TRUE(test::ListNames(m_dir.Path()).empty()) << "the emptied sub-folder went too";
    EXPECT_EQ(m_part.Progress().moved, 2);

    Bmp("a.bmp", 40);  // its name is taken in the move folder now
    m_settings.m_bAutoRenameAtMove = FALSE;
    const std::string closing = Run(ID_MENU_SIZEDELETE_RECURSIVE_MOVE);
    EXPECT_EQ(m_part.Progress().stop, PassStop::kMoveFailed);
    EXPECT_NE(closing.find("移動できなかったため中断しました: "), std::string::npos) << closing;
    EXPECT_EQ(test::ListNames(m_dir.Path()), Strings{"a.bmp"});
}

TEST_F(SizeDeletionPart, AListPassStopsAtARefusedKillAndWhenTheWindowGoes) {
    Bmp("a.bmp", 4);
    Bmp("b.bmp", 4);
    m_settings.m_bDeleteImmediate = FALSE;
    Run(ID_MENU_SIZEDELETE_ALL);
    EXPECT_EQ(m_part.Progress().stop, PassStop::kKillNotDone);
    EXPECT_EQ(m_view.judged.size(), 1u) << "the refusal is not repeated for every picture";
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"a.bmp", "b.bmp"}));

    m_settings.m_bDeleteImmediate = TRUE;
    m_view.judged.clear();
    m_view.openFor = 1;  // the window closes after the first picture
    Run(ID_MENU_SIZEDELETE_ALL);
    EXPECT_EQ(m_part.Progress().stop, PassStop::kClosed);
    EXPECT_EQ(test::ListNames(m_dir.Path()), Strings{"b.bmp"});
}

// The target choosers: each one browses from its own target with its own prompt, keeps
// what the browser returns, and lists the folder again with the same entry selected.
TEST(TargetChooserPart, EachChooserKeepsTheChosenFolderAndTheSelection) {
    test::TempDir dir("targets");
    test::WriteFileBytes(dir / "a b.bmp", "");
    test::MakeDir(dir / " sub");
    FakeHost host;
    Settings settings;
    CSpiPluginList plugins;
    CFolder folder(plugins, test::Wide(dir.Path()));
    Listener listener;
    folder.AddListener(listener);
    CTargetChooser chooser(host, settings, folder);
    const struct {
        KeyCommand command;
        std::string Settings::*target;
        const char* prompt;
    } choosers[] = {
        {KeyCommand::kChooseMoveDir, &Settings::m_strMoveDir,
         "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。"},
        {KeyCommand::kChooseCopyDir, &Settings::m_strCopyDir,
         "コピー先ディレクトリ選択\n'C'キーを押すと、ファイルがこのディレクトリにコピーされます。"},
        {KeyCommand::kChooseTrashDir, &Settings::m_strTrashDir,
         "ごみ箱ディレクトリ選択\n'DEL'キーを押すと、ファイルがこのディレクトリに移動されます。"},
    };
    for (const auto& c : choosers) {
        SCOPED_TRACE(c.prompt);
        settings.m_strMoveDir = "C:\\move";
        settings.m_strCopyDir = "C:\\copy";
        settings.m_strTrashDir = "C:\\trash";
        const Settings before = settings;
        host.browses.clear();
        Strings selectedAfter;
        auto run = [&](const char* select, const char* answer) {
            folder.Open(test::Wide(dir.Path()));
            folder.Select(select == nullptr ? -1 : folder.FindText(test::Wide(select)));
            host.folderAnswer = answer;
            const int listed = listener.listed;
            LRESULT result = -1;
            EXPECT_TRUE(chooser.ProcessMessage(WM_COMMAND, KeyCommandId(c.command), 0, result));
            if (listener.listed > listed) {
                selectedAfter.push_back(folder.Selected() == nullptr ? "" : test::Narrow(folder.Selected()->Text()));
            }
        };
        run("a b.bmp", "");  // cancelled
        EXPECT_EQ(settings.*c.target, before.*c.target);
        EXPECT_TRUE(selectedAfter.empty()) << "a cancel does not list again";
        run("a b.bmp", "D:\\picked");
        EXPECT_EQ(settings.*c.target, "D:\\picked");
        run("[  sub ]", "D:\\");
        EXPECT_EQ(settings.*c.target, "D:\\") << "kept as the browser returned it";
        run(nullptr, "E:\\x");  // nothing selected: the target changes, the list is left alone
        EXPECT_EQ(settings.*c.target, "E:\\x");

        EXPECT_EQ(selectedAfter, (Strings{"a b.bmp", "[  sub ]"}));
        const std::vector<std::pair<std::string, std::string>> expected = {
            {before.*c.target, c.prompt}, {before.*c.target, c.prompt}, {"D:\\picked", c.prompt}, {"D:\\", c.prompt}};
        EXPECT_EQ(host.browses, expected) << "opened on the present target";
        for (std::string Settings::*other :
             {&Settings::m_strMoveDir, &Settings::m_strCopyDir, &Settings::m_strTrashDir}) {
            if (other != c.target) {
                EXPECT_EQ(settings.*other, before.*other);
            }
        }
    }
}

// The rename part on a real folder, with the rename dialog answered in its modal loop.
class RenamePart : public testing::Test {
protected:
    void SetUp() override {
        m_host.window = m_window.Get();
        m_folder.AddListener(m_listener);
        fw::SetModalDialogResponder([this](fw::CDialog& dlg) {
            m_opened.push_back({dlg.GetWindowText(), GetDlgText(dlg, IDC_RENAME_NAME)});
            EXPECT_EQ(::GetWindow(dlg.m_hWnd, GW_OWNER), m_window.Get());
            if (m_answer) {
                ::SetDlgItemTextA(dlg.m_hWnd, IDC_RENAME_NAME, m_answer->c_str());
                dlg.SendMessage(WM_COMMAND, IDOK, 0);
            } else {
                dlg.SendMessage(WM_COMMAND, IDCANCEL, 0);
            }
        });
    }
    void TearDown() override { fw::SetModalDialogResponder(nullptr); }
    static std::string GetDlgText(const fw::CDialog& dlg, int id) {
        char text[512] = {};
        ::GetDlgItemTextA(dlg.m_hWnd, id, text, sizeof text);
        return text;
    }
    // Presses R on the entry shown as `text`, answering the dialog with `answer` (none:
    // cancel). What is selected afterwards when the folder was listed again, else none.
    std::optional<std::string> Rename(const std::string& dir, const char* text, std::optional<std::string> answer) {
        m_folder.Open(test::Wide(dir));
        m_folder.Select(m_folder.FindText(test::Wide(text)));
        m_answer = std::move(answer);
        const int listed = m_listener.listed;
        LRESULT result = -1;
        EXPECT_TRUE(m_rename.ProcessMessage(WM_COMMAND, KeyCommandId(KeyCommand::kRename), 0, result));
        if (m_listener.listed == listed) {
            return std::nullopt;
        }
        return m_folder.Selected() == nullptr ? "" : test::Narrow(m_folder.Selected()->Text());
    }

    // The journal's side: each rename reported as recorded.
    struct Recorder : IOperationRecorder {
        bool Record(FileOp op, const std::wstring& from, const std::wstring& to) override {
            records.push_back({op == FileOp::kRename ? "rename" : "other", test::Narrow(from), test::Narrow(to)});
            return true;
        }
        std::vector<std::array<std::string, 3>> records;
    };

    PlainWindow m_window;
    test::TempDir m_dir{"rename"};
    FakeHost m_host;
    CSpiPluginList m_plugins;
    CFolder m_folder{m_plugins, test::Wide(m_dir.Path())};
    Listener m_listener;
    Recorder m_recorder;
    CRenameOps m_rename{m_host, m_folder, &m_recorder};
    test::PromptRecorder m_prompts;
    std::optional<std::string> m_answer;
    std::vector<std::pair<std::string, std::string>> m_opened;  // caption, name shown
};

TEST_F(RenamePart, NeverReplacesAnEntryNorMovesOneOutOfTheDirectory) {
    test::TempDir parent("rename-parent");
    const std::string pics = parent / "pics";
    test::MakeDir(pics);
    test::MakeDir(parent / "pics\\sub");
    test::WriteFileBytes(parent / "pics\\a.bmp", "picture a");
    test::WriteFileBytes(parent / "pics\\b.bmp", "picture b");
    const struct {
        const char* entry;
        const char* answer;
    } cases[] = {
        {"a.bmp", "b.bmp"},  // onto a taken name
        {"a.bmp", "B.bmp"},  // ... in another letter case
        {"[ sub ]", "a.bmp"},
        {"a.bmp", "sub"},
        {"a.bmp", "..\\x.bmp"},
        {"a.bmp", "sub\\x.bmp"},
        {"a.bmp", "sub/x.bmp"},
        {"a.bmp", "C:x.bmp"},
        {"a.bmp", ""},
        {"[ sub ]", ".."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const size_t told = m_prompts.messages.size();
        EXPECT_EQ(Rename(pics, c.entry, c.answer), std::nullopt) << "not listed again: the entry stays selected";
        ASSERT_EQ(m_prompts.messages.size(), told + 1) << "why is told";
        EXPECT_EQ(m_prompts.messages.back().owner, m_window.Get());
        EXPECT_EQ(test::Narrow(m_folder.Selected()->Text()), c.entry);
        EXPECT_EQ(test::ListNames(pics), (Strings{"a.bmp", "b.bmp", "sub"}));
        EXPECT_EQ(test::ReadFileBytes(parent / "pics\\a.bmp"), "picture a");
        EXPECT_EQ(test::ReadFileBytes(parent / "pics\\b.bmp"), "picture b");
        EXPECT_TRUE(test::ListNames(parent / "pics\\sub").empty());
        EXPECT_EQ(test::ListNames(parent.Path()), Strings{"pics"});
    }
    EXPECT_TRUE(m_recorder.records.empty());
}

TEST_F(RenamePart, AnUnchangedNameDoesNothingAndALetterCaseChangeRenames) {
    test::WriteFileBytes(m_dir / "a.bmp", "picture a");
    test::MakeDir(m_dir / "sub");
    EXPECT_EQ(Rename(m_dir.Path(), "a.bmp", "a.bmp"), std::nullopt) << "as if cancelled";
    EXPECT_EQ(Rename(m_dir.Path(), "[ sub ]", "sub"), std::nullopt);
    EXPECT_TRUE(m_recorder.records.empty()) << "Ctrl-Z still undoes the operation before";
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"a.bmp", "sub"}));

    EXPECT_EQ(Rename(m_dir.Path(), "a.bmp", "A.BMP"), "A.BMP");
    EXPECT_EQ(Rename(m_dir.Path(), "[ sub ]", "Sub"), "[ Sub ]");
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"A.BMP", "Sub"})) << "the new case on disk, nothing beside";
    EXPECT_EQ(test::ReadFileBytes(m_dir / "A.BMP"), "picture a");
    using Record = std::array<std::string, 3>;
    EXPECT_EQ(m_recorder.records, (std::vector<Record>{{"rename", m_dir / "a.bmp", m_dir / "A.BMP"},
                                                       {"rename", m_dir / "sub", m_dir / "Sub"}}));
}

}  // namespace
