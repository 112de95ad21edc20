// The file-list model and the picture pane on their own, in a plain window, with a fake
// of the narrow interface through which a part reaches the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/KeyTable.h"
#include "filelist/FileList.h"
#include "host/ViewerHost.h"
#include "pane/PicturePane.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/TestSupport.h"

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
        m_list.Attach(::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_SORT | LBS_NOTIFY, 0, 0, 100, 300,
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

class FakeHost : public IViewerHost {
public:
    HWND OwnerWindow() const override { return window; }
    const std::string& CurrentDir() const override { return dir; }
    const ListEntry* SelectedEntry() const override { return selected; }
    void ListAgain() override { ++listedAgain; }
    void ShowSelection() override { ++shown; }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    void GoToDirectory(const std::string& d) override { wentTo.push_back(d); }

    HWND window = nullptr;
    std::string dir;
    const ListEntry* selected = nullptr;
    int listedAgain = 0;
    int shown = 0;
    Strings failures;
    Strings wentTo;
};

Strings Texts(const CFileList& files) {
    Strings texts;
    for (int i = 0; i < files.Count(); ++i) {
        texts.push_back(files.TextAt(i));
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
    m_files.Add(ListEntry::Picture("[ a.b]", Decoder::Bmp()));
    m_files.Add(ListEntry::Picture("b.JPG", Decoder::Plugin(&plugin)));
    m_files.Add(ListEntry::Directory("sub"));
    m_files.Add(ListEntry::Picture("A.bmp", Decoder::Bmp()));
    m_files.Add(ListEntry::Directory(" lead"));
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
        {2, ListEntry::Kind::kBmp, "[ a.b]", Decoder::Bmp()},
        {4, ListEntry::Kind::kPlugin, "b.JPG", Decoder::Plugin(&plugin)},
    };
    for (const auto& e : expected) {
        const ListEntry* entry = m_files.At(e.index);
        ASSERT_NE(entry, nullptr) << e.index;
        EXPECT_EQ(entry->kind, e.kind) << e.index;
        EXPECT_EQ(entry->name, e.name) << e.index;
        EXPECT_EQ(entry->GetDecoder(), e.decoder) << e.index;
    }
    EXPECT_EQ(m_files.At(5), nullptr);
    EXPECT_EQ(m_files.At(-1), nullptr);
    EXPECT_EQ(m_files.SelectDirectory("SUB"), 1) << "found ignoring case";
    EXPECT_EQ(m_files.SelectDirectory(" lead"), 0);
    EXPECT_EQ(m_files.SelectDirectory("a.b"), -1) << "a file shaped like a directory entry is none";
    m_files.Clear();
    EXPECT_EQ(m_files.Count(), 0);
}

TEST_F(FileListModel, RemovingTheCurrentEntryShowsItsSuccessor) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
        m_files.Add(ListEntry::Picture(name, Decoder::Bmp()));
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
        EXPECT_EQ(m_files.Current()->name, step.after);
    }
    m_files.RemoveCurrent();
    EXPECT_EQ(m_files.Count(), 0);
    EXPECT_EQ(m_files.Current(), nullptr);
    EXPECT_EQ(m_files.SelectedIndex(), -1);
}

TEST_F(FileListModel, SelectNextStopsAtTheLastEntry) {
    EXPECT_FALSE(m_files.SelectNext()) << "empty";
    m_files.Add(ListEntry::Picture("a.bmp", Decoder::Bmp()));
    m_files.Add(ListEntry::Picture("b.bmp", Decoder::Bmp()));
    m_files.Select(0);
    m_files.TakeSelection();
    EXPECT_TRUE(m_files.SelectNext());
    EXPECT_EQ(m_files.SelectedIndex(), 1);
    m_files.TakeSelection();
    EXPECT_FALSE(m_files.SelectNext());
    EXPECT_EQ(m_files.SelectedIndex(), 1);
}

TEST_F(FileListModel, FillListsDirectoriesAndDecodablePictures) {
    test::TempDir dir("fill");
    test::MakeDir(dir / "sub");
    for (const char* name : {"a.BMP", "b.bmp.txt", "noext", "c.jpg"}) {
        test::WriteFileBytes(dir / name, "");
    }
    CSpiPluginList noPlugins;
    int pumps = 0;
    EXPECT_TRUE(m_files.Fill(dir.Path(), noPlugins, [&] { return ++pumps, true; }));
    EXPECT_EQ(Texts(m_files), (Strings{"[ sub ]", "a.BMP"}));
}

// The pane in a plain window: a fake host selects the entries and owns the window.
class Pane : public testing::Test {
protected:
    void SetUp() override {
        m_host.window = m_window.Get();
        m_host.dir = m_dir.Path();
    }
    // A picture in the host's directory, selected and shown.
    void ShowBmp(const std::string& name, int width, int height, uint32_t rgb) {
        test::WriteFileBytes(m_dir / name, testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; }));
        m_entry = ListEntry::Picture(name, Decoder::Bmp());
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
    EXPECT_FALSE(m_pane.GetBmp().IsLoaded()) << "the picture shown before is released";
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
    m_entry = ListEntry::Directory("sub");
    m_host.selected = &m_entry;
    m_pane.ShowEntry(&m_entry);
    EXPECT_EQ(Key(KeyCommand::kPageDown), kPassKeyOn);
    EXPECT_EQ(Key(KeyCommand::kPageUp), kPassKeyOn);
    const std::vector<uint32_t> shot = PaintOffScreen();
    EXPECT_EQ(shot[150 * 400 + 250], 0x30C030u) << "the preview fills the pane's middle";
    EXPECT_TRUE(m_host.failures.empty());
}

}  // namespace
