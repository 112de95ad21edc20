// The real program on displays of 96, 120, 144 and 192 DPI: the list column keeps its
// template width in the dialog font of that DPI, a picture at actual size appears pixel
// for pixel, every dialog shows its controls and texts whole, and W writes a wallpaper
// with the proportions of the screen's real pixels. Wine reads the DPI (LogPixels) as a
// program starts: it is switched for each run of the viewer and put back afterwards.
// 144 DPI runs on a 1920x1200 display and 192 DPI on a 2560x1600 one, each as large at its
// DPI as 1280x800 is at 96: in the IPA fonts the settings dialog is taller than 1024
// pixels at 144 DPI.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";

// Programs started while it lives run at `dpi`.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi) {
        DWORD size = sizeof m_previous;
        m_bHadValue = ::RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr,
                                     &m_previous, &size) == ERROR_SUCCESS;
        Set(dpi);
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    ~ScreenDpi() {
        if (m_bHadValue) {
            Set(m_previous);
        } else {
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
        }
    }

private:
    static void Set(DWORD dpi) {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }
    DWORD m_previous = 0;
    bool m_bHadValue = false;
};

SIZE DisplayPixels() {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    ::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return SIZE{static_cast<LONG>(mode.dmPelsWidth), static_cast<LONG>(mode.dmPelsHeight)};
}

// The display at `size` while it lives (no change when it is that size already).
class DisplayMode {
public:
    explicit DisplayMode(SIZE size) : m_previous(DisplayPixels()) {
        if (size.cx != m_previous.cx || size.cy != m_previous.cy) {
            m_bChanged = Change(size);
        }
    }
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;
    ~DisplayMode() {
        if (m_bChanged) {
            Change(m_previous);
        }
    }

private:
    static bool Change(SIZE size) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(size.cx);
        mode.dmPelsHeight = static_cast<DWORD>(size.cy);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        return ::ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr) == DISP_CHANGE_SUCCESSFUL;
    }
    SIZE m_previous;
    bool m_bChanged = false;
};

// A picture no scaling leaves as it is: every pixel differs from its neighbours.
uint32_t Noise(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h & 0xFFFFFF;
}

RECT ClientRectOnScreen(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[4096] = {};
    ::GetWindowTextW(hwnd, text, 4096);
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

// The templates' font, "ＭＳ Ｐゴシック" at 9 points, as the dialog manager makes it at `dpi`.
class DialogFont {
public:
    explicit DialogFont(UINT dpi)
        : m_dc(::CreateCompatibleDC(nullptr)),
          m_font(::CreateFontW(-::MulDiv(9, static_cast<int>(dpi), 72),
                               0,
                               0,
                               0,
                               FW_NORMAL,
                               FALSE,
                               FALSE,
                               FALSE,
                               DEFAULT_CHARSET,
                               0,
                               0,
                               PROOF_QUALITY,
                               FF_DONTCARE,
                               L"ＭＳ Ｐゴシック")),
          m_old(::SelectObject(m_dc, m_font)) {}
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;
    ~DialogFont() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_font);
        ::DeleteDC(m_dc);
    }
    // The horizontal dialog base unit: the average width of the Latin letters.
    int BaseUnitX() const {
        SIZE size{};
        ::GetTextExtentPoint32W(m_dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
        return (size.cx / 26 + 1) / 2;
    }
    // The rectangle `text` takes when drawn into `width` pixels with `format`.
    SIZE Measure(const std::wstring& text, int width, UINT format) const {
        RECT r{0, 0, width, 0};
        ::DrawTextW(m_dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_old;
};

// Every control of `window` lies inside its client area, and every text of a static
// control, button or group box fits the control in the dialog font at `dpi`.
void ExpectWhole(HWND window, UINT dpi, const std::string& name) {
    SCOPED_TRACE(name + " at " + std::to_string(dpi) + " DPI");
    ASSERT_NE(window, nullptr);
    const DialogFont font(dpi);
    const RECT client = ClientRectOnScreen(window);
    const int margin = ::MulDiv(16, static_cast<int>(dpi), 96);  // a check box, a group box's inset
    int controls = 0;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) {
            continue;
        }
        ++controls;
        const std::wstring cls = ClassOf(child);
        const std::wstring text = WindowText(child);
        const std::string what = std::to_string(::GetDlgCtrlID(child)) + " " + std::string(cls.begin(), cls.end());
        RECT r{};
        ::GetWindowRect(child, &r);
        EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << what << " lies outside the client area";
        RECT inner{};
        ::GetClientRect(child, &inner);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (text.empty()) {
            continue;
        }
        if (cls == L"Static" && (style & SS_TYPEMASK) <= SS_RIGHT) {
            const UINT format = DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            const SIZE need = font.Measure(text, inner.right, format);
            EXPECT_LE(need.cx, inner.right) << what << " is too narrow for its text";
            EXPECT_LE(need.cy, inner.bottom) << what << " is too low for its text";
        } else if (cls == L"Button") {
            const LONG type = style & BS_TYPEMASK;
            const bool framed = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
            const int room = inner.right - (framed ? ::MulDiv(4, static_cast<int>(dpi), 96) : margin);
            const SIZE need = font.Measure(text, room, DT_SINGLELINE);
            EXPECT_LE(need.cx, room) << what << " is too narrow for its text";
            EXPECT_LE(need.cy, inner.bottom) << what << " is too low for its text";
        }
    }
    EXPECT_GT(controls, 0);
    RECT frame{};
    ::GetWindowRect(window, &frame);
    EXPECT_TRUE(frame.left >= 0 && frame.top >= 0 && frame.right <= ::GetSystemMetrics(SM_CXSCREEN) &&
                frame.bottom <= ::GetSystemMetrics(SM_CYSCREEN))
        << "the window lies on the screen";
}

// Opens a dialog of the viewer, checks it and takes its picture, and closes it with Escape.
void CheckDialog(e2e::ViewerProcess& viewer,
                 const std::string& caption,
                 UINT dpi,
                 const std::string& shot,
                 const std::function<void()>& open) {
    open();
    const HWND dialog = viewer.WaitForDialog(caption);
    ASSERT_NE(dialog, nullptr) << caption;
    viewer.WaitIdle();
    ExpectWhole(dialog, dpi, caption);
    RECT area{};
    ::GetWindowRect(dialog, &area);
    viewer.SaveScreenArea(shot, area);
    viewer.KeyToDialog(dialog, VK_ESCAPE);
    EXPECT_TRUE(viewer.WaitForDialogClosed(caption)) << caption;
}

std::pair<uint32_t, uint32_t> BmpSize(const std::string& path) {
    const std::string bytes = test::ReadFileBytes(path);
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) {
        return {0, 0};
    }
    return {testdata::Peek32(bytes, testdata::kOffWidth), testdata::Peek32(bytes, testdata::kOffHeight)};
}

struct Display {
    UINT dpi;
    SIZE pixels;  // the display's size for the run
};

TEST(HighDpiSession, PicturesOneToOneAndWholeDialogsAtEveryDpi) {
    constexpr int kWidth = 257;
    constexpr int kHeight = 181;
    const std::string picture = testdata::MakeBmp24(kWidth, kHeight, Noise);
    const SIZE desktop{1280, 1024};  // the prefix's desktop
    for (const Display& display : {Display{96, desktop}, Display{120, desktop}, Display{144, SIZE{1920, 1200}},
                                   Display{192, SIZE{2560, 1600}}}) {
        const UINT dpi = display.dpi;
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const std::string tag = "dpi" + std::to_string(dpi) + "-";
        test::TempDir root("e2e-dpi");
        e2e::Installation install(root.Path());
        test::WriteFileBytes(install.PictureDir() + "\\noise.bmp", picture);
        const std::string wall = root / "wall";
        test::MakeDir(wall);
        ::WritePrivateProfileStringA("Directory", "WallPaperDir", wall.c_str(), install.IniPath().c_str());

        const DisplayMode mode(display.pixels);
        const SIZE screen = DisplayPixels();
        ASSERT_EQ(screen.cx, display.pixels.cx) << "the display cannot take this size";
        const ScreenDpi screenDpi(dpi);
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install));
        ASSERT_EQ(viewer.ListEntries(), std::vector<std::string>{"noise.bmp"});
        const HWND main = viewer.Window();

        // The column is the template's 77 dialog units in the dialog font of this DPI.
        RECT list{};
        ::GetWindowRect(::GetDlgItem(main, IDC_FILELIST), &list);
        EXPECT_EQ(list.right - list.left, ::MulDiv(77, DialogFont(dpi).BaseUnitX(), 4));
        ExpectWhole(main, dpi, "main window");
        RECT window{};
        ::GetWindowRect(main, &window);

        // Actual size: the picture, centred in the pane, pixel for pixel.
        viewer.Key(VK_SPACE);
        const RECT pane = viewer.PaneRect();
        ASSERT_GT(pane.right - pane.left, kWidth);
        ASSERT_GT(pane.bottom - pane.top, kHeight);
        POINT at{pane.left + (pane.right - pane.left - kWidth) / 2, pane.top + (pane.bottom - pane.top - kHeight) / 2};
        ::ClientToScreen(main, &at);
        // One pixel of black around the picture: it is no larger either.
        const std::vector<uint32_t> shown =
            test::AreaPixels(nullptr, RECT{at.x - 1, at.y - 1, at.x + kWidth + 1, at.y + kHeight + 1});
        int wrong = 0;
        std::string first;
        for (int y = -1; y <= kHeight; ++y) {
            for (int x = -1; x <= kWidth; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < kWidth && y < kHeight;
                const uint32_t want = inside ? Noise(x, y) : 0;
                const uint32_t got = shown[static_cast<size_t>(y + 1) * (kWidth + 2) + (x + 1)];
                if (got != want && wrong++ == 0) {
                    first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels that differ from the picture's; " << first;
        viewer.SaveScreenArea(test::ExeDir() + tag + "main.bmp", window);

        viewer.Key('W');
        // The picture on a canvas of the screen's proportions, as wide or as high as it.
        const bool wider = static_cast<long long>(kWidth) * screen.cy > static_cast<long long>(kHeight) * screen.cx;
        const auto want = wider ? std::make_pair(uint32_t(kWidth), uint32_t(kWidth * screen.cy / screen.cx))
                                : std::make_pair(uint32_t(kHeight * screen.cx / screen.cy), uint32_t(kHeight));
        EXPECT_EQ(BmpSize(wall + "\\noise.BMP"), want) << "a wallpaper for " << screen.cx << " x " << screen.cy;

        const auto command = [&](UINT id) {
            return [&viewer, id] { ::PostMessageW(viewer.Window(), WM_COMMAND, id, 0); };
        };
        CheckDialog(viewer, "リネーム", dpi, test::ExeDir() + tag + "rename.bmp", [&] { viewer.Key('R'); });
        CheckDialog(viewer, "登録ディレクトリへのジャンプ", dpi, test::ExeDir() + tag + "jump.bmp",
                    [&] { viewer.Key('J'); });
        CheckDialog(viewer, "設定", dpi, test::ExeDir() + tag + "settings.bmp", [&] { viewer.Key('P'); });
        CheckDialog(viewer, "サイズ判定削除設定", dpi, test::ExeDir() + tag + "sizedelete.bmp",
                    command(ID_MENU_SIZEDELETE_SETTINGS));
        CheckDialog(viewer, "ﾀﾞｲｱﾛｸﾞ", dpi, test::ExeDir() + tag + "commandlist.bmp", command(ID_MENU_COMMANDLIST));
        CheckDialog(viewer, "Ixoのﾊﾞｰｼﾞｮﾝ情報", dpi, test::ExeDir() + tag + "version.bmp", command(ID_MENU_VERSION));
        viewer.Key(VK_F4, false, false, true);
        EXPECT_TRUE(viewer.WaitForExit(10000));
    }
}

}  // namespace
