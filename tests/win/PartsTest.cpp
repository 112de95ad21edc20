// The file-list model and the picture pane on their own, in a plain window, with a fake
// of the narrow interface through which a part reaches the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "commands/RenameOps.h"
#include "commands/TargetChooser.h"
#include "filelist/FileList.h"
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

// A top-level window of 400 x 300 client pixels with a list box down its left 100 pixels.
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
        m_hwnd = ::CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP | WS_VISIBLE, 10, 10, r.right - r.left,
                                   r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        // A Unicode list box, as the main window's is.
        m_list.Attach(::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | LBS_SORT | LBS_NOTIFY, 0, 0, 100, 300,
                                        m_hwnd, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    ~PlainWindow() { ::DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    HWND List() const { return m_list.GetSafeHwnd(); }
    const fw::CWnd& ListWnd() const { return m_list; }

private:
    HWND m_hwnd = nullptr;
    fw::CWnd m_list;
};

class FakeHost : public IViewerHost, public IPassHost {
public:
    HWND OwnerWindow() const override { return window; }
    const std::wstring& CurrentDir() const override { return dir; }
    const ListEntry* SelectedEntry() const override { return selected; }
    void ListAgain() override { ++listedAgain; }
    void ShowSelection() override { ++shown; }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    void EnterSelection() override { ++entered; }
    void LeaveDirectory() override { ++left; }
    bool KeepAlive() override { return alive; }
    bool IsListingRunning() const override { return listing; }
    void EnableListControls(bool enable) override { controlsEnabled.push_back(enable); }
    void ShowProgress(const std::string& text) override { progress.push_back(text); }
    std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) override {
        browses.push_back({test::Narrow(initialFolder), prompt});
        return test::Wide(folderAnswer);
    }
    void ListAgainSelecting(const std::wstring& text) override { listedSelecting.push_back(test::Narrow(text)); }
    void GoToDirectory(const std::wstring& d) override { wentTo.push_back(test::Narrow(d)); }
    void ScheduleIdleWork() override {}

    HWND window = nullptr;
    std::wstring dir;
    const ListEntry* selected = nullptr;
    int listedAgain = 0;
    int shown = 0;
    Strings failures;
    int entered = 0;
    int left = 0;
    bool alive = true;
    bool listing = false;
    std::vector<bool> controlsEnabled;
    Strings progress;
    std::vector<std::pair<std::string, std::string>> browses;  // initial folder, prompt
    std::string folderAnswer;
    Strings listedSelecting;
    Strings wentTo;
};

Strings Texts(const CFileList& files) {
    Strings texts;
    for (int i = 0; i < files.Count(); ++i) {
        texts.push_back(test::Narrow(files.TextAt(i)));
    }
    return texts;
}

class FileListModel : public testing::Test {
protected:
    void SetUp() override { m_files.ListBox().Attach(m_window.List()); }
    PlainWindow m_window;
    CFileList m_files;
};

TEST_F(FileListModel, DirectoriesStandFirstAndEntriesKeepTheirNames) {
    CSpiPlugin plugin;
    // A file whose name looks like a directory entry is still a file.
    m_files.Add(ListEntry::Picture(L"[ a.b]", Decoder::Bmp()));
    m_files.Add(ListEntry::Picture(L"b.JPG", Decoder::Plugin(&plugin)));
    m_files.Add(ListEntry::Directory(L"sub"));
    m_files.Add(ListEntry::Picture(L"A.bmp", Decoder::Bmp()));
    m_files.Add(ListEntry::Directory(L" lead"));
    ASSERT_EQ(m_files.Count(), 5);
    // Each directory goes to the top; the files follow in the list's own order.
    EXPECT_EQ(Texts(m_files), (Strings{"[  lead ]", "[ sub ]", "[ a.b]", "A.bmp", "b.JPG"}));
    const struct {
        int index;
        ListEntry::Kind kind;
        const char* name;
        Decoder decoder;
    } expected[] = {
        {0, ListEntry::Kind::kDirectory, " lead", Decoder{}},
        {1, ListEntry::Kind::kDirectory, "sub", Decoder{}},
        {2, ListEntry::Kind::kPicture, "[ a.b]", Decoder::Bmp()},
        {4, ListEntry::Kind::kPicture, "b.JPG", Decoder::Plugin(&plugin)},
    };
    for (const auto& e : expected) {
        const ListEntry* entry = m_files.At(e.index);
        ASSERT_NE(entry, nullptr) << e.index;
        EXPECT_EQ(entry->kind, e.kind) << e.index;
        EXPECT_EQ(entry->name, test::Wide(e.name)) << e.index;
        EXPECT_EQ(entry->GetDecoder(), e.decoder) << e.index;
    }
    EXPECT_EQ(m_files.At(5), nullptr);
    EXPECT_EQ(m_files.At(-1), nullptr);
    EXPECT_EQ(m_files.SelectDirectory(L"SUB"), 1) << "found ignoring case";
    EXPECT_EQ(m_files.SelectDirectory(L" lead"), 0);
    EXPECT_EQ(m_files.SelectDirectory(L"a.b"), -1) << "a file shaped like a directory entry is none";
    m_files.Clear();
    EXPECT_EQ(m_files.Count(), 0);
}

TEST_F(FileListModel, RemovingTheCurrentEntryShowsItsSuccessor) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
        m_files.Add(ListEntry::Picture(test::Wide(name), Decoder::Bmp()));
    }
    const struct {
        int current;
        const char* after;
        int index;
    } steps[] = {{3, "e.bmp", 3}, {3, "c.bmp", 2}, {0, "b.bmp", 0}, {0, "c.bmp", 0}};
    for (const auto& step : steps) {
        m_files.Select(step.current);
        m_files.TakeSelection();
        m_files.RemoveCurrent();
        EXPECT_EQ(m_files.CurrentIndex(), step.index);
        EXPECT_EQ(m_files.SelectedIndex(), step.index);
        ASSERT_NE(m_files.Current(), nullptr);
        EXPECT_EQ(m_files.Current()->name, test::Wide(step.after));
    }
    m_files.RemoveCurrent();
    EXPECT_EQ(m_files.Count(), 0);
    EXPECT_EQ(m_files.Current(), nullptr);
    EXPECT_EQ(m_files.SelectedIndex(), -1);
}

TEST_F(FileListModel, SelectNextStopsAtTheLastEntry) {
    EXPECT_FALSE(m_files.SelectNext()) << "empty";
    m_files.Add(ListEntry::Picture(L"a.bmp", Decoder::Bmp()));
    m_files.Add(ListEntry::Picture(L"b.bmp", Decoder::Bmp()));
    m_files.Select(0);
    m_files.TakeSelection();
    EXPECT_TRUE(m_files.SelectNext());
    EXPECT_EQ(m_files.SelectedIndex(), 1);
    m_files.TakeSelection();
    EXPECT_FALSE(m_files.SelectNext());
    EXPECT_EQ(m_files.SelectedIndex(), 1);
}

TEST_F(FileListModel, SelectTextPrefersTheWholeTextThenABeginningAfterTheFirstEntry) {
    for (const char* name : {"a.bmp", "a.bmp.bmp", "b.bmp", "c.bmp", "cat.bmp"}) {
        m_files.Add(ListEntry::Picture(test::Wide(name), Decoder::Bmp()));
    }
    m_files.Add(ListEntry::Directory(L"Sub"));
    const struct {
        const char* text;
        int selected;
    } cases[] = {
        {"A.BMP", 1},       // the whole text, ignoring case, though the next entry begins with it
        {"[ sub ]", 0},     // a directory by its shown text
        {"c", 4},           // the first that begins with it, searched from the second entry
        {"[ s", 0},         // ... wrapping round to the first
        {"b.bmp.bmp", -1},  // none: the selection stays
        {"", -1},
    };
    for (const auto& c : cases) {
        m_files.Select(3);
        EXPECT_EQ(m_files.SelectText(test::Wide(c.text)), c.selected) << c.text;
        EXPECT_EQ(m_files.SelectedIndex(), c.selected < 0 ? 3 : c.selected) << c.text;
    }
}

TEST_F(FileListModel, FillListsDirectoriesAndDecodablePictures) {
    test::TempDir dir("fill");
    test::MakeDir(dir / "sub");
    for (const char* name : {"a.BMP", "b.bmp.txt", "noext", "c.jpg"}) {
        test::WriteFileBytes(dir / name, "");
    }
    CSpiPluginList noPlugins;
    int pumps = 0;
    EXPECT_TRUE(m_files.Fill(test::Wide(dir.Path()), noPlugins, [&] { return ++pumps, true; }));
    EXPECT_EQ(Texts(m_files), (Strings{"[ sub ]", "a.BMP"}));
}

// A folder that cannot be listed (gone, or its path too long) is told from an empty one.
TEST_F(FileListModel, FillTellsAFolderItCannotListFromAnEmptyOne) {
    test::TempDir dir("fill");
    test::MakeDir(dir / "empty");
    test::WriteFileBytes(dir / "a.bmp", "");
    CSpiPluginList noPlugins;
    const struct {
        std::string path;
        bool failed;
    } cases[] = {
        {dir / "empty", false},
        {dir.Path(), false},
        {dir / "gone", true},
        {dir / std::string(260, 'x'), true},
    };
    for (const auto& c : cases) {
        m_files.Clear();
        EXPECT_TRUE(m_files.Fill(test::Wide(c.path), noPlugins, [] { return true; }));
        EXPECT_EQ(m_files.ListingFailed(), c.failed) << c.path;
        fw::CDirectoryEnumerator found(test::Wide(c.path + "\\*.*"));
        fw::DirectoryEntry entry;
        while (found.Next(entry)) {
        }
        EXPECT_EQ(found.Failed(), c.failed) << c.path;
    }
    EXPECT_FALSE(fw::CDirectoryEnumerator(test::Wide(dir / "*.none")).Failed()) << "a pattern that matches nothing";
}

// The pane in a plain window: a fake host selects the entries and owns the window.
class Pane : public testing::Test {
protected:
    void SetUp() override {
        m_host.window = m_window.Get();
        m_host.dir = test::Wide(m_dir.Path());
    }
    // A picture in the host's directory, selected and shown.
    void ShowBmp(const std::string& name, int width, int height, uint32_t rgb) {
        test::WriteFileBytes(m_dir / name, testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; }));
        m_entry = ListEntry::Picture(test::Wide(name), Decoder::Bmp());
        m_host.selected = &m_entry;
        m_pane.ShowEntry(&m_entry);
    }
    // The pane painted into an off-screen copy of the window's client area; 0xRRGGBB.
    std::vector<uint32_t> PaintOffScreen() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 400, -300, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = ::GetDC(m_window.Get());
        HDC memory = ::CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, dib);
        RECT all{0, 0, 400, 300};
        ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        m_pane.Paint(memory);
        ::GdiFlush();
        std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 400 * 300);
        for (uint32_t& p : pixels) {
            p &= 0xFFFFFF;
        }
        ::SelectObject(memory, old);
        ::DeleteObject(dib);
        ::DeleteDC(memory);
        ::ReleaseDC(m_window.Get(), screen);
        return pixels;
    }
    LRESULT Key(KeyCommand command) {
        LRESULT result = -1;
        EXPECT_TRUE(m_pane.ProcessMessage(WM_COMMAND, KeyCommandId(command), 0, result));
        return result;
    }

    PlainWindow m_window;
    test::TempDir m_dir{"pane"};
    FakeHost m_host;
    CSpiPluginList m_plugins;
    CPicturePane m_pane{m_host, m_plugins, m_window.ListWnd()};
    ListEntry m_entry;
};

TEST_F(Pane, PaintsThePictureFittedRightOfTheList) {
    const RECT pane = m_pane.GetPaneRect();
    EXPECT_EQ(pane.left, 100);
    EXPECT_EQ(pane.right, 400);
    ShowBmp("red.bmp", 60, 30, 0xD02020);
    EXPECT_TRUE(m_pane.HoldsPicture());
    const std::vector<uint32_t> shot = PaintOffScreen();
    auto at = [&](int x, int y) { return shot[static_cast<size_t>(y) * 400 + x]; };
    // 60 x 30 fitted into 300 x 300: 300 x 150, centred at 75.
    EXPECT_EQ(at(250, 150), 0xD02020u);
    EXPECT_EQ(at(101, 76), 0xD02020u);
    EXPECT_EQ(at(250, 10), 0x000000u) << "the pane around the picture is black";
    EXPECT_EQ(at(250, 290), 0x000000u);
    EXPECT_EQ(at(50, 150), 0xFFFFFFu) << "left of the pane is not painted";

    m_host.selected = nullptr;
    m_pane.ShowEntry(nullptr);
    EXPECT_FALSE(m_pane.HoldsPicture());
    EXPECT_TRUE(m_pane.ShownPicture().IsEmpty()) << "the picture shown before is released";
    EXPECT_EQ(PaintOffScreen()[150 * 400 + 250], 0x000000u);
}

TEST_F(Pane, PagingAndDraggingMoveAPictureShownAtActualSize) {
    ShowBmp("tall.bmp", 500, 700, 0x2020D0);
    EXPECT_EQ(Key(KeyCommand::kPageDown), kPassKeyOn) << "fitted: the list moves on";
    Key(KeyCommand::kToggleFit);
    EXPECT_FALSE(m_pane.IsFitToPane());
    EXPECT_EQ(Key(KeyCommand::kPageDown), 0) << "paged by the client height";
    EXPECT_EQ(m_pane.GetScrollY(), 300);
    EXPECT_EQ(Key(KeyCommand::kPageDown), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 400) << "stopped at the last full pane";
    EXPECT_EQ(Key(KeyCommand::kPageDown), kPassKeyOn);
    EXPECT_EQ(Key(KeyCommand::kPageUp), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 100);

    LRESULT ignored = 0;
    m_pane.ProcessMessage(WM_MOUSEMOVE, 0, MAKELPARAM(200, 200), ignored);
    m_pane.ProcessMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200), ignored);
    EXPECT_EQ(::GetCapture(), m_window.Get());
    m_pane.ProcessMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 230), ignored);
    EXPECT_EQ(m_pane.GetScrollX(), 50);
    EXPECT_EQ(m_pane.GetScrollY(), 70);
    m_pane.ProcessMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 230), ignored);
    EXPECT_EQ(::GetCapture(), nullptr);

    // A new entry starts at the top left.
    ShowBmp("other.bmp", 500, 700, 0x20D020);
    EXPECT_EQ(m_pane.GetScrollX(), 0);
    EXPECT_EQ(m_pane.GetScrollY(), 0);
}

TEST_F(Pane, ADirectoryEntryLetsPagingKeysGoOnAndPreviewsItsFirstPicture) {
    test::MakeDir(m_dir / "sub");
    test::WriteFileBytes(m_dir / "sub\\p.bmp", testdata::MakeBmp24(10, 10, [](int, int) { return 0x30C030u; }));
    m_entry = ListEntry::Directory(L"sub");
    m_host.selected = &m_entry;
    m_pane.ShowEntry(&m_entry);
    EXPECT_EQ(Key(KeyCommand::kPageDown), kPassKeyOn);
    EXPECT_EQ(Key(KeyCommand::kPageUp), kPassKeyOn);
    const std::vector<uint32_t> shot = PaintOffScreen();
    EXPECT_EQ(shot[150 * 400 + 250], 0x30C030u) << "the preview fills the pane's middle";
    EXPECT_TRUE(m_host.failures.empty());
}

// The preview is decoded when its entry is selected (again on each selection), and a
// paint, however often the window is uncovered, only draws it.
TEST_F(Pane, APreviewIsDecodedOncePerSelectionNotPerPaint) {
    test::MakeDir(m_dir / "sub");
    test::WriteFileBytes(m_dir / "sub\\p.bmp", testdata::MakeBmp24(10, 8, [](int, int) { return 0x30C030u; }));
    m_entry = ListEntry::Directory(L"sub");
    m_host.selected = &m_entry;
    const uint64_t before = DecodesStarted();
    m_pane.ShowEntry(&m_entry);
    EXPECT_EQ(DecodesStarted(), before + 1);
    EXPECT_EQ(m_pane.PreviewPicture().Width(), 10);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(PaintOffScreen()[150 * 400 + 250], 0x30C030u);
    }
    EXPECT_EQ(DecodesStarted(), before + 1) << "painting decodes nothing";
    m_pane.ShowEntry(&m_entry);
    EXPECT_EQ(DecodesStarted(), before + 2) << "selected again, looked at again";
}

// A picture handed from the pane to the read-ahead and back, then to the wallpaper writer,
// keeps its size and every byte of its rows, whichever decoder made it.
TEST_F(Pane, APictureSurvivesMovesBetweenThePaneTheReadAheadAndTheWallpaper) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(test::BuildDir() + "\\testplugins\\tpi." + kSpiPluginExtension));
    const auto pixel = [](int x, int y) { return static_cast<uint32_t>(0x102030 + x * 0x0B0700 + y * 0x05); };
    test::WriteFileBytes(m_dir / "a.bmp", testdata::MakeBmp24(5, 3, pixel));
    test::WriteFileBytes(m_dir / "a.tpi", test::MakeTestPicture(5, 3, test::kTpBottomUp24, pixel));
    ListEntry other = ListEntry::Picture(L"a.bmp", Decoder::Bmp());
    for (const ListEntry& entry : {ListEntry::Picture(L"a.bmp", Decoder::Bmp()),
                                   ListEntry::Picture(L"a.tpi", Decoder::Plugin(&plugin))}) {
        SCOPED_TRACE(fw::FromWide(entry.name, CP_UTF8));
        m_pane.ShowEntry(&entry);
        const std::vector<uint8_t> rows(m_pane.ShownPicture().Bits().begin(), m_pane.ShownPicture().Bits().end());
        ASSERT_EQ(rows.size(), 3u * 16);
        other.name = entry.name == L"a.bmp" ? L"a.tpi" : L"a.bmp";
        other.decoder = entry.name == L"a.bmp" ? Decoder::Plugin(&plugin) : Decoder::Bmp();
        m_pane.ShowEntry(&other);
        EXPECT_TRUE(m_pane.ReadAheadCopies().Holds(test::Wide(m_dir / fw::FromWide(entry.name, CP_UTF8))));
        m_pane.ShowEntry(&entry);
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

// The file manager and the URL memo against a fake host, with memo files on disk and the
// program starts recorded.
class ExternalPrograms : public testing::Test {
protected:
    void SetUp() override {
        m_host.window = m_window.Get();
        m_host.dir = test::Wide(m_dir.Path());
    }
    void Select(const ListEntry& entry) {
        m_entry = entry;
        m_host.selected = &m_entry;
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
            EXPECT_EQ(box.caption, fw::AfxGetAppName());
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
    CExternalPrograms m_programs{m_host, m_settings};
    ListEntry m_entry;
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
    Select(ListEntry::Picture(L"a.bmp", Decoder::Bmp()));
    EXPECT_EQ(PressI(), "explorer http://top.example/");
    Select(ListEntry::Directory(L"sub dir"));
    EXPECT_EQ(PressI(), "explorer http://sub.example/");
    m_host.dir = test::Wide(m_dir.Path() + "\\");  // held with a final backslash
    EXPECT_EQ(PressI(), "explorer http://sub.example/");
    Select(ListEntry::Directory(L"empty"));
    EXPECT_EQ(PressI(), "box: URLMemo.txt が開けませんでした。");

    m_host.selected = nullptr;
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
        m_host.dir = test::Wide(c.dir);
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

// A pass over the list against a fake host: the list controls are disabled around the
// whole handler, and no pass starts while a listing is being filled.
TEST(SizeDeletionPart, PassesWaitForTheListingAndDisableTheListThroughout) {
    PlainWindow window;
    FakeHost host;
    host.window = window.Get();
    CFileList files;
    files.ListBox().Attach(window.List());
    CSpiPluginList plugins;
    Settings settings;
    CPicturePane pane(host, plugins, window.ListWnd());
    CSortingOps sorting(host, settings, files);
    CSizeDeletion part(host, host, settings, files, pane, sorting);
    test::PromptRecorder prompts;
    LRESULT ignored = 0;
    host.listing = true;
    EXPECT_TRUE(part.ProcessMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE, 0, ignored));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(host.controlsEnabled.empty());
    host.listing = false;
    part.ProcessMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE, 0, ignored);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "処理対象ファイルがありません。");
    EXPECT_EQ(prompts.messages[0].owner, window.Get());
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
}

// The target choosers against the fake host: each one browses from its own target with
// its own prompt and keeps what the browser returns.
TEST(TargetChooserPart, EachChooserKeepsTheChosenFolderAndTheSelection) {
    FakeHost host;
    Settings settings;
    CTargetChooser chooser(host, settings);
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
    const ListEntry picture = ListEntry::Picture(L"a b.bmp", Decoder::Bmp());
    const ListEntry directory = ListEntry::Directory(L" sub");
    for (const auto& c : choosers) {
        SCOPED_TRACE(c.prompt);
        settings.m_strMoveDir = "C:\\move";
        settings.m_strCopyDir = "C:\\copy";
        settings.m_strTrashDir = "C:\\trash";
        const Settings before = settings;
        host.browses.clear();
        host.listedSelecting.clear();
        auto run = [&] {
            LRESULT result = -1;
            EXPECT_TRUE(chooser.ProcessMessage(WM_COMMAND, KeyCommandId(c.command), 0, result));
        };

        host.selected = &picture;
        host.folderAnswer = "";  // cancelled
        run();
        EXPECT_EQ(settings.*c.target, before.*c.target);
        EXPECT_TRUE(host.listedSelecting.empty()) << "a cancel does not list again";

        host.folderAnswer = "D:\\picked";
        run();
        EXPECT_EQ(settings.*c.target, "D:\\picked");
        host.selected = &directory;
        host.folderAnswer = "D:\\";
        run();
        EXPECT_EQ(settings.*c.target, "D:\\") << "kept as the browser returned it";
        host.selected = nullptr;  // an empty list: the target changes, the list is left alone
        host.folderAnswer = "E:\\x";
        run();
        EXPECT_EQ(settings.*c.target, "E:\\x");

        EXPECT_EQ(host.listedSelecting, (Strings{"a b.bmp", "[  sub ]"}));
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
        m_host.dir = test::Wide(m_dir.Path());
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
    // Presses R on `entry`, answering the dialog with `answer` (none: cancel).
    void Rename(const ListEntry* entry, std::optional<std::string> answer) {
        m_host.selected = entry;
        m_answer = std::move(answer);
        LRESULT result = -1;
        EXPECT_TRUE(m_rename.ProcessMessage(WM_COMMAND, KeyCommandId(KeyCommand::kRename), 0, result));
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
    Recorder m_recorder;
    CRenameOps m_rename{m_host, &m_recorder};
    std::optional<std::string> m_answer;
    std::vector<std::pair<std::string, std::string>> m_opened;  // caption, name shown
};

TEST_F(RenamePart, NeverReplacesAnEntryNorMovesOneOutOfTheDirectory) {
    test::TempDir parent("rename-parent");
    m_host.dir = test::Wide(parent / "pics");
    test::MakeDir(parent / "pics");
    test::MakeDir(parent / "pics\\sub");
    test::WriteFileBytes(parent / "pics\\a.bmp", "picture a");
    test::WriteFileBytes(parent / "pics\\b.bmp", "picture b");
    const ListEntry a = ListEntry::Picture(L"a.bmp", Decoder::Bmp());
    const ListEntry sub = ListEntry::Directory(L"sub");
    const struct {
        const ListEntry* entry;
        const char* answer;
        const char* selecting;
    } cases[] = {
        {&a, "b.bmp", "b.bmp"},  // onto a taken name
        {&a, "B.bmp", "B.bmp"},  // ... in another letter case
        {&sub, "a.bmp", "[ a.bmp ]"},
        {&a, "sub", "sub"},
        {&a, "..\\x.bmp", "..\\x.bmp"},
        {&a, "sub\\x.bmp", "sub\\x.bmp"},
        {&a, "sub/x.bmp", "sub/x.bmp"},
        {&a, "C:x.bmp", "C:x.bmp"},
        {&a, "", ""},
        {&sub, "..", "[ .. ]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        m_host.listedSelecting.clear();
        Rename(c.entry, c.answer);
        EXPECT_EQ(m_host.listedSelecting, Strings{c.selecting}) << "listed again all the same";
        EXPECT_EQ(test::ListNames(parent / "pics"), (Strings{"a.bmp", "b.bmp", "sub"}));
        EXPECT_EQ(test::ReadFileBytes(parent / "pics\\a.bmp"), "picture a");
        EXPECT_EQ(test::ReadFileBytes(parent / "pics\\b.bmp"), "picture b");
        EXPECT_TRUE(test::ListNames(parent / "pics\\sub").empty());
        EXPECT_EQ(test::ListNames(parent.Path()), Strings{"pics"});
    }
}

TEST_F(RenamePart, AnUnchangedNameDoesNothingAndALetterCaseChangeRenames) {
    test::WriteFileBytes(m_dir / "a.bmp", "picture a");
    test::MakeDir(m_dir / "sub");
    const ListEntry a = ListEntry::Picture(L"a.bmp", Decoder::Bmp());
    const ListEntry sub = ListEntry::Directory(L"sub");
    Rename(&a, "a.bmp");
    Rename(&sub, "sub");
    EXPECT_TRUE(m_host.listedSelecting.empty()) << "as if cancelled";
    EXPECT_TRUE(m_recorder.records.empty()) << "Ctrl-Z still undoes the operation before";
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"a.bmp", "sub"}));

    Rename(&a, "A.BMP");
    Rename(&sub, "Sub");
    EXPECT_EQ(m_host.listedSelecting, (Strings{"A.BMP", "[ Sub ]"}));
    EXPECT_EQ(test::ListNames(m_dir.Path()), (Strings{"A.BMP", "Sub"})) << "the new case on disk, nothing beside";
    EXPECT_EQ(test::ReadFileBytes(m_dir / "A.BMP"), "picture a");
    using Record = std::array<std::string, 3>;
    EXPECT_EQ(m_recorder.records, (std::vector<Record>{{"rename", m_dir / "a.bmp", m_dir / "A.BMP"},
                                                       {"rename", m_dir / "sub", m_dir / "Sub"}}));
}

}  // namespace
