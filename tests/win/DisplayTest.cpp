// The picture pane of a real main window, read back from the screen pixel by pixel:
// BMP and plug-in pictures fitted and at actual size, scrolling and its limits,
// directory previews, entries that cannot be shown, and panning with the mouse.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/Gdi.h"
#include "image/FittedCopy.h"
#include "image/PaneGeometry.h"
#include "image/Resample.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/FineDetail.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using testdata::Rgb;
// The colour of a pixel as 0xRRGGBB, in picture or client coordinates depending on use.
using PixelFn = std::function<uint32_t(int x, int y)>;

constexpr uint32_t kBlack = 0x000000;
// An expected colour that is not checked: the rows where two colours of a scaled picture meet.
constexpr uint32_t kAnyColour = 0xFFFFFFFF;

// A different colour for every pixel of a picture up to 4096 pixels a side, so that a
// shifted, mirrored or mis-scrolled row or column shows.
uint32_t Pattern(int x, int y) {
    return Rgb(x, y, ((x >> 8) << 4) | (y >> 8));
}

// The upper half of the rows in one colour, the lower half in another.
PixelFn TwoTone(int height, uint32_t upper, uint32_t lower) {
    return [=](int, int y) { return y < height / 2 ? upper : lower; };
}

PaneRect ToPane(const RECT& r) {
    return PaneRect{r.left, r.top, r.right, r.bottom};
}

// The main window's client area as it is on the screen, copied out in one blit.
class Shot {
public:
    // A pending paint lands before the copy, unless the screen is to be read as it is.
    explicit Shot(const CViewerDlg& dlg, bool paintFirst = true) : m_width(dlg.GetClientRect().right) {
        if (paintFirst) {
            dlg.UpdateWindow();
        }
        m_pixels = test::ClientPixels(dlg.m_hWnd);
        m_height = m_width > 0 ? static_cast<int>(m_pixels.size()) / m_width : 0;
    }
    uint32_t At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
    // Kept beside the test program for a person to look at.
    void Save(const std::string& path) const {
        test::WriteFileBytes(path, testdata::MakeBmp24(m_width, m_height, [this](int x, int y) { return At(x, y); }));
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// Compares every pixel of the pane with `expected` (client coordinates).
testing::AssertionResult PaneShows(const CViewerDlg& dlg, const PixelFn& expected, bool paintFirst = true) {
    const Shot shot(dlg, paintFirst);
    const RECT pane = dlg.Pane().GetPaneRect();
    int wrong = 0;
    char first[128] = {};
    for (int y = pane.top; y < pane.bottom; ++y) {
        for (int x = pane.left; x < pane.right; ++x) {
            const uint32_t want = expected(x, y);
            const uint32_t got = shot.At(x, y);
            if (want != kAnyColour && got != want && wrong++ == 0) {
                std::snprintf(first, sizeof first, "first at (%d, %d): %06X instead of %06X", x, y, got, want);
            }
        }
    }
    if (wrong == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << wrong << " pane pixels differ, " << first;
}

// The pane all black.
PixelFn Black() {
    return [](int, int) { return kBlack; };
}

// A two-tone picture `height` rows high scaled into `fit`, black around it. Enlarged, the
// two colours blend across about one source row's height around the seam.
PixelFn FittedTwoTone(const PaneRect& fit, int height, uint32_t upper, uint32_t lower) {
    const int seam = fit.top + static_cast<int>(static_cast<long long>(height / 2) * fit.Height() / height);
    const int blend = std::max(1, fit.Height() / height + 1);
    return [=](int x, int y) {
        if (x < fit.left || x >= fit.right || y < fit.top || y >= fit.bottom) {
            return kBlack;
        }
        if (std::abs(y - seam) <= blend) {
            return kAnyColour;
        }
        return y < seam ? upper : lower;
    };
}

// Where a width x height picture lies at actual size: centred on an axis where it is
// smaller than the pane, cut at the pane's right or bottom edge where it is larger.
PaneRect ActualSizeRect(const RECT& pane, int width, int height) {
    const int pw = pane.right - pane.left;
    const int ph = pane.bottom - pane.top;
    const int left = pane.left + (width < pw ? (pw - width) / 2 : 0);
    const int top = pane.top + (height < ph ? (ph - height) / 2 : 0);
    return PaneRect{left, top, left + std::min(width, pw), top + std::min(height, ph)};
}

// A picture drawn 1:1 into `dst` starting at its pixel (scrollX, scrollY), black around it.
PixelFn Unscaled(const PaneRect& dst, int scrollX, int scrollY, const PixelFn& picture) {
    return [=](int x, int y) {
        if (x < dst.left || x >= dst.right || y < dst.top || y >= dst.bottom) {
            return kBlack;
        }
        return picture(x - dst.left + scrollX, y - dst.top + scrollY);
    };
}

class Display : public test::ViewerFixture {
protected:
    // Writes a picture whose format follows its extension: .bmp (rows stored bottom-up
    // unless `mode` is kTpTopDown24) or the test plug-in's .tpi in the given output mode.
    void WritePicture(const std::string& name,
                      int width,
                      int height,
                      const PixelFn& pixel,
                      uint32_t mode = test::kTpBottomUp24) const {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp") {
            testdata::BmpOptions o;
            o.width = width;
            o.height = height;
            o.topDown = mode == test::kTpTopDown24;
            test::WriteFileBytes(Pic(name), testdata::MakeBmp(o, pixel));
        } else {
            test::WriteFileBytes(Pic(name), test::MakeTestPicture(width, height, mode, pixel));
        }
    }

    // A fixed window size, so that the pane is the same in every run.
    static void SizeWindow(CViewerDlg& dlg) { ::SetWindowPos(dlg.m_hWnd, nullptr, 20, 20, 760, 560, SWP_NOZORDER); }

    // Lets the idle-time work run (the shown picture scaled to the pane, the reading ahead).
    static void Idle() {
        for (int i = 0; i < 10; ++i) {
            ::Sleep(20);
            test::DrainMessages();
        }
    }

    // Lists the picture folder and shows its first entry, as after changing directory,
    // and lets the idle-time work run.
    void Open(CViewerDlg& dlg) const {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        Idle();
    }

    // Selects an entry by its text the way a click in the list does.
    static void Select(CViewerDlg& dlg, const std::string& text) {
        const std::vector<std::string> entries = Entries(dlg);
        const auto it = std::find(entries.begin(), entries.end(), text);
        ASSERT_NE(it, entries.end()) << text;
        dlg.FileList().ListBox().SetCurSel(static_cast<int>(it - entries.begin()));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FILELIST, LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(dlg.FileList().ListBox().m_hWnd));
        Idle();
    }

    // Checks the pane, then makes the window paint itself from scratch and checks it again.
    static void ExpectPaneAndRepaint(CViewerDlg& dlg, const PixelFn& expected, const std::string& what) {
        EXPECT_TRUE(PaneShows(dlg, expected)) << what;
        dlg.Invalidate(TRUE);
        EXPECT_TRUE(PaneShows(dlg, expected)) << what << ", repainted";
    }
};

TEST_F(Display, FittedPicturesKeepTheirProportionsCentredAndUpright) {
    UsePlugins({"tpi"});
    struct Case {
        std::string name;
        int width, height;
        uint32_t mode;
        uint32_t upper, lower;
    };
    // Wider and taller than the pane's proportions, and small ones that are enlarged;
    // rows stored either way up.
    const std::vector<Case> cases = {
        {"a-wide.bmp", 300, 60, test::kTpBottomUp24, 0xE02020, 0x2020E0},
        {"b-tall.bmp", 60, 300, test::kTpTopDown24, 0x20E020, 0xE0E020},
        {"c-tiny.bmp", 7, 4, test::kTpBottomUp24, 0xE020E0, 0x20E0E0},
        {"d-wide.tpi", 300, 60, test::kTpBottomUp24, 0xF08000, 0x0080F0},
        {"e-tall.tpi", 60, 300, test::kTpTopDown24, 0x80F000, 0x8000F0},
        {"f-tiny.tpi", 7, 4, test::kTpBgrx32, 0xFFFFFF, 0x808080},
    };
    for (const Case& c : cases) {
        WritePicture(c.name, c.width, c.height, TwoTone(c.height, c.upper, c.lower), c.mode);
    }
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        Open(dlg);
        const RECT pane = dlg.Pane().GetPaneRect();
        ASSERT_GT(pane.right - pane.left, 300);
        ASSERT_GT(pane.bottom - pane.top, 300);
        for (const Case& c : cases) {
            Select(dlg, c.name);
            const PaneRect fit = CalcFitRect(PaneRect{0, 0, c.width, c.height}, ToPane(pane));
            ExpectPaneAndRepaint(dlg, FittedTwoTone(fit, c.height, c.upper, c.lower), c.name);
        }
    });
}

// A fitted picture is drawn from one copy resampled to the size it is shown at: the pane
// shows the resampler's own pixels, the copy is made once per picture and pane size (a
// repaint reuses it, a resize makes it anew), and actual size draws the picture 1:1.
TEST_F(Display, FittedPicturesAreDrawnFromOneResampledCopyPerPaneSize) {
    const testdata::BgrPicture detail = testdata::MakeFineDetail(900, 700);
    const PixelFn pixel = [&](int x, int y) {
        const uint8_t* p = &detail.bytes[static_cast<size_t>(y) * detail.stride + static_cast<size_t>(x) * 3];
        return Rgb(p[2], p[1], p[0]);
    };
    WritePicture("detail.bmp", 900, 700, pixel);
    WithViewer([&](CViewerDlg& dlg) {
        const auto expectResampled = [&](const std::string& what) {
            const RECT pane = dlg.Pane().GetPaneRect();
            const PaneRect fit = CalcFitRect(PaneRect{0, 0, 900, 700}, ToPane(pane));
            const size_t stride = size_t{4} * static_cast<size_t>(fit.Width());
            std::vector<uint8_t> want(stride * static_cast<size_t>(fit.Height()));
            const SourceRows source{detail.bytes.data(), detail.bytes.size(), 900, 700, 24, detail.stride, true};
            ASSERT_EQ(ResamplePicture(source, BgrxRows{want.data(), want.size(), fit.Width(), fit.Height(), stride, true}),
                      ResampleStatus::kOk);
            EXPECT_TRUE(PaneShows(dlg, [&](int x, int y) {
                if (x < fit.left || x >= fit.right || y < fit.top || y >= fit.bottom) {
                    return kBlack;
                }
                const uint8_t* p = &want[static_cast<size_t>(y - fit.top) * stride + static_cast<size_t>(x - fit.left) * 4];
                return Rgb(p[2], p[1], p[0]);
            })) << what;
        };
        SizeWindow(dlg);
        const unsigned before = CFittedCopy::MadeCount();
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.UpdateWindow();
        EXPECT_EQ(CFittedCopy::MadeCount() - before, 0u) << "showing waits for no copy: it is made in idle time";
        EXPECT_FALSE(dlg.Pane().ScaleShownToPane([] { return false; })) << "a key that comes stops the scaling";
        EXPECT_TRUE(dlg.Pane().ShownFitted().IsEmpty());
        Idle();
        expectResampled("shown");
        EXPECT_EQ(CFittedCopy::MadeCount() - before, 1u) << "one copy for the picture";
        dlg.Invalidate(TRUE);
        expectResampled("repainted");
        EXPECT_EQ(CFittedCopy::MadeCount() - before, 1u) << "a repaint reuses the copy";
        ::SetWindowPos(dlg.m_hWnd, nullptr, 20, 20, 640, 600, SWP_NOZORDER);
        Idle();
        expectResampled("resized");
        EXPECT_EQ(CFittedCopy::MadeCount() - before, 2u) << "a resize makes it anew";
        dlg.Pane().ToggleFit();
        EXPECT_TRUE(PaneShows(dlg, Unscaled(ActualSizeRect(dlg.Pane().GetPaneRect(), 900, 700), 0, 0, pixel)));
        EXPECT_EQ(CFittedCopy::MadeCount() - before, 2u) << "actual size draws the picture itself";
    });
}

// Another picture is on the screen as soon as the selection has changed, with no paint left
// to wait for; a part of the pane that was waiting to be painted still waits, and its paint
// message paints it from the picture shown now.
TEST_F(Display, AnotherPictureIsOnTheScreenAtOnceAndWhatWaitedIsPaintedAfter) {
    WritePicture("a.bmp", 60, 40, [](int, int) { return 0xFF0000u; });
    WritePicture("b.bmp", 10, 40, [](int, int) { return 0x0000FFu; });
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        Open(dlg);
        const HWND pane = dlg.Pane().m_hWnd;
        RECT corner{0, 0, 8, 8};  // black around the narrow picture
        {
            const fw::CClientDC dc(pane);
            const fw::CGdiObject<HBRUSH> green(::CreateSolidBrush(RGB(0, 255, 0)));
            ::FillRect(dc, &corner, green.Get());
        }
        ::InvalidateRect(pane, &corner, FALSE);
        dlg.FileList().ListBox().SetCurSel(1);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FILELIST, LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(dlg.FileList().ListBox().m_hWnd));
        RECT waiting{};
        EXPECT_TRUE(::GetUpdateRect(pane, &waiting, FALSE) && ::EqualRect(&waiting, &corner))
            << "only what waited before waits now";
        const RECT at = dlg.Pane().GetPaneRect();
        const PaneRect fit = CalcFitRect(PaneRect{0, 0, 10, 40}, ToPane(at));
        const PixelFn shown = [&](int x, int y) {
            return x >= fit.left && x < fit.right && y >= fit.top && y < fit.bottom ? 0x0000FFu : kBlack;
        };
        const PixelFn beside = [&](int x, int y) {
            return x - at.left < corner.right && y - at.top < corner.bottom ? kAnyColour : shown(x, y);
        };
        EXPECT_TRUE(PaneShows(dlg, beside, false)) << "on the screen before any paint message";
        EXPECT_TRUE(PaneShows(dlg, shown)) << "whole once the paint message is handled";
        EXPECT_FALSE(::GetUpdateRect(pane, nullptr, FALSE));
    });
}

// A BMP, shown or previewed inside a directory, is on the screen before the device bitmap it
// is drawn through is made: it is drawn from its rows until the window has been idle with it.
TEST_F(Display, ABmpIsShownBeforeItsDeviceBitmapIsMade) {
    const PixelFn twoTone = TwoTone(60, 0xE02020, 0x2020E0);
    WritePicture("a.bmp", 300, 60, twoTone);
    test::MakeDir(Pic("sub"));
    test::WriteFileBytes(Pic("sub\\b.bmp"), testdata::MakeBmp24(300, 60, twoTone));
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        const PaneRect fit = CalcFitRect(PaneRect{0, 0, 300, 60}, ToPane(dlg.Pane().GetPaneRect()));
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        for (const int index : {1, 0}) {  // the picture, the directory's preview (never read ahead)
            dlg.Folder().Select(index);
            const CPicture& picture = index == 0 ? dlg.Pane().PreviewPicture() : dlg.Pane().ShownPicture();
            EXPECT_TRUE(picture.LacksDeviceBitmap()) << index;
            EXPECT_TRUE(PaneShows(dlg, FittedTwoTone(fit, 60, 0xE02020, 0x2020E0))) << index;
            Idle();
            EXPECT_FALSE(picture.LacksDeviceBitmap()) << index << ": made in idle time";
        }
    });
}

// The bitmap is as large as the picture again: the shown picture gets it only while it and
// the room to make it fit beside the copies read ahead.
TEST_F(Display, TheDeviceBitmapIsMadeOnlyWithinTheCopiesCap) {
    const PixelFn twoTone = TwoTone(60, 0xE02020, 0x2020E0);
    WritePicture("a.bmp", 300, 60, twoTone);
    constexpr uint64_t kBitmap = 4 * 300 * 60;
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        const PaneRect fit = CalcFitRect(PaneRect{0, 0, 300, 60}, ToPane(dlg.Pane().GetPaneRect()));
        dlg.Pane().ReadAheadCopies().SetCap(2 * kBitmap - 1);
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        const CPicture& picture = dlg.Pane().ShownPicture();
        Idle();
        EXPECT_TRUE(picture.LacksDeviceBitmap()) << "no room for it";
        EXPECT_TRUE(PaneShows(dlg, FittedTwoTone(fit, 60, 0xE02020, 0x2020E0))) << "drawn from its rows";
        dlg.Pane().ReadAheadCopies().SetCap(2 * kBitmap);
        dlg.Pane().RunIdleWork();
        dlg.Pane().SettleReadAhead();
        EXPECT_FALSE(picture.LacksDeviceBitmap()) << "room for it";
    });
}

TEST_F(Display, ActualSizeDrawsSmallPicturesUnscaledAndCentred) {
    UsePlugins({"tpi"});
    struct Case {
        std::string name;
        int width, height;
        uint32_t mode;
    };
    // Odd sizes too: the centring halves are truncated.
    const std::vector<Case> cases = {
        {"a.bmp", 100, 50, test::kTpBottomUp24}, {"b.bmp", 61, 33, test::kTpTopDown24},
        {"c.tpi", 100, 50, test::kTpBottomUp24}, {"d.tpi", 61, 33, test::kTpTopDown24},
        {"e.tpi", 45, 27, test::kTpBgrx32},
    };
    for (const Case& c : cases) {
        WritePicture(c.name, c.width, c.height, Pattern, c.mode);
    }
    // At most 256 colours for the palette output of the plug-in.
    const PixelFn fewColours = [](int x, int y) { return Rgb((x % 16) * 16, (y % 16) * 16, 0x40); };
    WritePicture("f.tpi", 40, 30, fewColours, test::kTpPalette8);
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        dlg.Pane().SetFitToPane(false);
        Open(dlg);
        const RECT pane = dlg.Pane().GetPaneRect();
        for (const Case& c : cases) {
            Select(dlg, c.name);
            ExpectPaneAndRepaint(dlg, Unscaled(ActualSizeRect(pane, c.width, c.height), 0, 0, Pattern), c.name);
        }
        Select(dlg, "f.tpi");
        ExpectPaneAndRepaint(dlg, Unscaled(ActualSizeRect(pane, 40, 30), 0, 0, fewColours), "palette picture");
    });
}

TEST_F(Display, ScrollingAtActualSizeStaysWithinThePicture) {
    UsePlugins({"tpi"});
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        const RECT pane = dlg.Pane().GetPaneRect();
        const int pw = pane.right - pane.left;
        const int ph = pane.bottom - pane.top;
        const int width = pw + 300;
        const int height = ph + 200;
        WritePicture("big.bmp", width, height, Pattern);
        WritePicture("big.tpi", width, height, Pattern);
        WritePicture("narrow.tpi", pw - 100, ph + 100, Pattern, test::kTpTopDown24);
        dlg.Pane().SetFitToPane(false);
        Open(dlg);
        const PaneRect whole = ToPane(pane);
        auto expectView = [&](int x, int y, const std::string& what) {
            EXPECT_EQ(dlg.Pane().GetScrollX(), x) << what;
            EXPECT_EQ(dlg.Pane().GetScrollY(), y) << what;
            EXPECT_TRUE(PaneShows(dlg, Unscaled(whole, x, y, Pattern))) << what;
        };
        for (const std::string name : {"big.bmp", "big.tpi"}) {
            SCOPED_TRACE(name);
            Select(dlg, name);
            expectView(0, 0, "top left after selection");
            EXPECT_FALSE(dlg.Pane().Scroll(40, 30));
            expectView(40, 30, "scrolled");
            EXPECT_FALSE(dlg.Pane().Scroll(10000, 10000));
            expectView(300, 200, "stopped at the bottom right");
            EXPECT_TRUE(dlg.Pane().Scroll(10000, 10000)) << "nothing moves past the end";
            EXPECT_FALSE(dlg.Pane().Scroll(-1000000, -5));
            expectView(0, 195, "stopped at the left edge");
            EXPECT_FALSE(dlg.Pane().Scroll(INT_MAX, INT_MIN));
            expectView(300, 0, "the largest steps do not overflow");
            EXPECT_TRUE(dlg.Pane().Scroll(1, -1));
        }

        // Narrower than the pane: centred across, scrolled only up and down.
        Select(dlg, "narrow.tpi");
        const PaneRect narrow = ActualSizeRect(pane, pw - 100, ph + 100);
        EXPECT_FALSE(dlg.Pane().Scroll(70, 60));
        EXPECT_EQ(dlg.Pane().GetScrollX(), 0);
        EXPECT_EQ(dlg.Pane().GetScrollY(), 60);
        EXPECT_TRUE(PaneShows(dlg, Unscaled(narrow, 0, 60, Pattern)));
        EXPECT_TRUE(dlg.Pane().Scroll(70, 0)) << "there is nothing to scroll across";

        // Fitted, a picture never scrolls.
        dlg.Pane().SetFitToPane(true);
        for (const std::string name : {"big.bmp", "big.tpi"}) {
            Select(dlg, name);
            EXPECT_TRUE(dlg.Pane().Scroll(25, 25)) << name;
            EXPECT_TRUE(dlg.Pane().Scroll(-25, 1000)) << name;
            EXPECT_EQ(dlg.Pane().GetScrollX(), 0) << name;
            EXPECT_EQ(dlg.Pane().GetScrollY(), 0) << name;
        }
    });
}

TEST_F(Display, SelectingAnotherEntryStartsAtTheTopLeft) {
    UsePlugins({"tpi"});
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        const RECT pane = dlg.Pane().GetPaneRect();
        const int width = pane.right - pane.left + 200;
        const int height = pane.bottom - pane.top + 200;
        WritePicture("a.bmp", width, height, Pattern);
        WritePicture("b.tpi", width, height, Pattern);
        test::MakeDir(Pic("sub"));
        dlg.Pane().SetFitToPane(false);
        Open(dlg);
        const std::vector<std::string> order = {"a.bmp", "b.tpi", "a.bmp", "[ sub ]", "b.tpi"};
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            Select(dlg, order[i]);
            dlg.Pane().Scroll(120, 80);
            Select(dlg, order[i + 1]);
            EXPECT_EQ(dlg.Pane().GetScrollX(), 0) << order[i] << " to " << order[i + 1];
            EXPECT_EQ(dlg.Pane().GetScrollY(), 0) << order[i] << " to " << order[i + 1];
        }
        EXPECT_TRUE(PaneShows(dlg, Unscaled(ToPane(pane), 0, 0, Pattern)));
    });
}

// Moved to a monitor of another DPI, the window takes the rectangle the system suggests and
// a left column of the new DPI's size; the picture is drawn again from what the pane holds,
// never loaded again: its file is gone by then.
TEST_F(Display, ADpiChangeLaysTheWindowOutAgainWithoutLoadingThePicture) {
    UsePlugins({"tpi"});
    WritePicture("a.bmp", 120, 90, Pattern);
    WritePicture("b.tpi", 130, 70, Pattern);
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        dlg.Pane().SetFitToPane(false);
        Open(dlg);
        const HWND list = dlg.FileList().ListBox().m_hWnd;
        const HWND button = dlg.ChangeDirButton().m_hWnd;
        const auto size = [](HWND hwnd) {
            RECT r{};
            ::GetWindowRect(hwnd, &r);
            return SIZE{r.right - r.left, r.bottom - r.top};
        };
        const SIZE column = size(list);
        const SIZE changeDir = size(button);
        const UINT dpi = dlg.GetDpi();
        const std::vector<std::tuple<std::string, int, int>> pictures = {{"a.bmp", 120, 90}, {"b.tpi", 130, 70}};
        for (const auto& [name, width, height] : pictures) {
            Select(dlg, name);
            const std::wstring shown = dlg.Pane().ShownPath();
            ASSERT_TRUE(::DeleteFileA(Pic(name).c_str())) << name;
            RECT suggested{40, 30, 40 + 900, 30 + 700};
            dlg.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi * 2, dpi * 2), reinterpret_cast<LPARAM>(&suggested));
            RECT window{};
            ::GetWindowRect(dlg.m_hWnd, &window);
            EXPECT_TRUE(::EqualRect(&window, &suggested)) << name;
            const RECT client = dlg.GetClientRect();
            RECT listRect{};
            ::GetWindowRect(list, &listRect);
            ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&listRect), 2);
            EXPECT_EQ(listRect.left, 0) << name;
            EXPECT_EQ(size(list).cx, column.cx * 2) << name;
            EXPECT_EQ(size(button).cx, column.cx * 2) << name;
            EXPECT_EQ(size(button).cy, changeDir.cy * 2) << name;
            EXPECT_EQ(listRect.bottom + size(button).cy, client.bottom) << name;
            EXPECT_TRUE(dlg.Pane().HoldsPicture()) << name;
            EXPECT_EQ(dlg.Pane().ShownPath(), shown);
            const RECT pane = dlg.Pane().GetPaneRect();
            EXPECT_TRUE(PaneShows(dlg, Unscaled(ActualSizeRect(pane, width, height), 0, 0, Pattern))) << name;

            RECT back{20, 20, 20 + 760, 20 + 560};
            dlg.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&back));
            EXPECT_EQ(size(list).cx, column.cx) << name;
            EXPECT_EQ(size(button).cy, changeDir.cy) << name;
        }
    });
}

// The names of a folder's files in the order the system enumerates them.
std::vector<std::string> FilesAsEnumerated(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((dir + "\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(fd.cFileName);
        }
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
    return names;
}

TEST_F(Display, DirectoryPreviewShowsTheFirstDisplayableFileInside) {
    UsePlugins({"tpi"});
    constexpr uint32_t kGreen = 0x30C030, kBlue = 0x3030C0, kOrange = 0xF0A000;
    // Files without a picture extension and pictures in deeper folders are passed over.
    test::MakeDir(Pic("bmp"));
    Touch("bmp\\notes.txt");
    Touch("bmp\\noext");
    WriteBmp("bmp\\deeper\\other.bmp", 10, 10, kOrange);
    WriteBmp("bmp\\pic.BMP", 40, 20, kGreen);
    WriteTpi("tpi\\readme.txt", 3, 3, kOrange);
    WriteTpi("tpi\\pic.tpi", 20, 40, kBlue);
    Touch("none\\notes.txt");
    // Of two known files, the one enumerated first is shown, whatever its kind.
    WriteBmp("mixed\\x.bmp", 40, 20, kGreen);
    WriteTpi("mixed\\y.tpi", 20, 40, kBlue);
    // When the first one cannot be decoded, no other is tried.
    Touch("broken\\p.tpi");
    Touch("broken\\q.tpi");
    const std::string brokenFirst = FilesAsEnumerated(Pic("broken")).at(0);
    WriteTpi("broken\\" + std::string(brokenFirst == "p.tpi" ? "q.tpi" : "p.tpi"), 20, 20, kOrange);
    test::WriteFileBytes(Pic("broken\\" + brokenFirst), "IXTP and then nothing sensible");

    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        Open(dlg);
        const PaneRect pane = ToPane(dlg.Pane().GetPaneRect());
        auto fitted = [&](int w, int h, uint32_t colour) {
            return FittedTwoTone(CalcFitRect({0, 0, w, h}, pane), h, colour, colour);
        };
        Select(dlg, "[ tpi ]");
        ExpectPaneAndRepaint(dlg, fitted(20, 40, kBlue), "a plug-in picture");
        Select(dlg, "[ none ]");
        ExpectPaneAndRepaint(dlg, Black(), "no picture inside");
        Select(dlg, "[ bmp ]");
        ExpectPaneAndRepaint(dlg, fitted(40, 20, kGreen), "a BMP");
        Select(dlg, "[ broken ]");
        ExpectPaneAndRepaint(dlg, Black(), "the first picture does not decode");

        Select(dlg, "[ mixed ]");
        const bool bmpFirst = FilesAsEnumerated(Pic("mixed")).at(0) == "x.bmp";
        ExpectPaneAndRepaint(dlg, bmpFirst ? fitted(40, 20, kGreen) : fitted(20, 40, kBlue), "mixed");
    });
}

// A folder that cannot be watched, as on some network shares: files that change behind the
// list stay as listed, until it is read again.
struct UnwatchedFolders {
    UnwatchedFolders() { CFolderWatch::s_refuseWatches = true; }
    ~UnwatchedFolders() { CFolderWatch::s_refuseWatches = false; }
    UnwatchedFolders(const UnwatchedFolders&) = delete;
    UnwatchedFolders& operator=(const UnwatchedFolders&) = delete;
};

TEST_F(Display, EntriesThatCannotBeShownLeaveThePaneBlack) {
    UsePlugins({"tpi"});
    constexpr uint32_t kRed = 0xD02020;
    WriteBmp("a.bmp", 30, 30, kRed);
    WriteBmp("gone.bmp", 30, 30, 0x20D020);
    WriteTpi("gone.tpi", 30, 30, 0x2020D0);
    test::WriteFileBytes(Pic("garbage.bmp"), "BM but nothing more");
    test::WriteFileBytes(Pic("garbage.tpi"), "not a test picture");
    WriteBmp("empty\\readme.bmp.txt", 5, 5, kRed);
    // Files that vanish behind the list, which keeps them.
    const UnwatchedFolders unwatched;
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        Open(dlg);
        ASSERT_TRUE(::DeleteFileA(Pic("gone.bmp").c_str()));
        ASSERT_TRUE(::DeleteFileA(Pic("gone.tpi").c_str()));
        const PaneRect red = CalcFitRect({0, 0, 30, 30}, ToPane(dlg.Pane().GetPaneRect()));
        // Each failure follows a shown picture, which must not be left on the pane.
        for (const std::string name : {"gone.bmp", "gone.tpi", "garbage.bmp", "garbage.tpi", "[ empty ]"}) {
            Select(dlg, "a.bmp");
            ASSERT_TRUE(PaneShows(dlg, FittedTwoTone(red, 30, kRed, kRed)));
            Select(dlg, name);
            ExpectPaneAndRepaint(dlg, Black(), name);
        }
    });
}

// Mouse messages sent to the main window as the system sends them for a click in the pane:
// client coordinates, MK_LBUTTON in the flags while the left button is held. (Input injected
// under Wine on Xvfb comes back mixed with stale pointer positions, so it is not used here.)
class Mouse {
public:
    explicit Mouse(const CViewerDlg& dlg) : m_dlg(dlg) {
        // The real cursor goes off the window and its last moves are handled before the drag.
        ::SetCursorPos(0, 0);
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 200;) {
            test::DrainMessages();
            ::Sleep(10);
        }
    }
    void MoveTo(int x, int y) {
        m_x = x;
        m_y = y;
        Send(WM_MOUSEMOVE);
    }
    void Press() {
        m_down = true;
        Send(WM_LBUTTONDOWN);
    }
    void Release() {
        m_down = false;
        Send(WM_LBUTTONUP);
    }

private:
    // To the pane, which takes its own mouse messages, at the point given in the main
    // window's client coordinates.
    void Send(UINT message) const {
        const RECT pane = m_dlg.Pane().GetPaneRect();
        m_dlg.Pane().SendMessage(message, m_down ? MK_LBUTTON : 0, MAKELPARAM(m_x - pane.left, m_y - pane.top));
    }

    const CViewerDlg& m_dlg;
    int m_x = 0;
    int m_y = 0;
    bool m_down = false;
};

TEST_F(Display, DraggingAtActualSizePansThePicture) {
    UsePlugins({"tpi"});
    WithViewer([&](CViewerDlg& dlg) {
        SizeWindow(dlg);
        const RECT pane = dlg.Pane().GetPaneRect();
        const int cx = (pane.left + pane.right) / 2;  // where the drag starts: the middle of the pane
        const int cy = (pane.top + pane.bottom) / 2;
        WritePicture("big.tpi", pane.right - pane.left + 400, pane.bottom - pane.top + 300, Pattern);
        dlg.Pane().SetFitToPane(false);
        Open(dlg);
        dlg.Pane().Scroll(100, 80);
        auto expectOffsets = [&](int x, int y, const std::string& what) {
            EXPECT_EQ(dlg.Pane().GetScrollX(), x) << what;
            EXPECT_EQ(dlg.Pane().GetScrollY(), y) << what;
        };

        Mouse mouse(dlg);
        mouse.MoveTo(cx, cy);
        mouse.Press();
        EXPECT_EQ(::GetCapture(), dlg.Pane().GetSafeHwnd()) << "the drag keeps the mouse";
        // The picture follows the mouse: moved left and up, it shows more of its right and bottom.
        mouse.MoveTo(cx - 30, cy - 20);
        expectOffsets(130, 100, "dragged left and up");
        mouse.MoveTo(cx + 20, cy + 70);
        expectOffsets(80, 10, "dragged right and down");
        EXPECT_TRUE(PaneShows(dlg, Unscaled(ToPane(pane), 80, 10, Pattern)));
        Shot(dlg).Save(test::ExeDir() + "dragged.bmp");
        // Dragged further than the picture reaches, it stops at its top left corner.
        mouse.MoveTo(pane.right - 1, pane.bottom - 1);
        expectOffsets(0, 0, "dragged past the corner");
        mouse.Release();
        EXPECT_EQ(::GetCapture(), nullptr) << "released with the button";

        // Without the button the picture stays; the next drag starts from where the mouse is.
        mouse.MoveTo(cx + 40, cy + 30);
        expectOffsets(0, 0, "moved without the button");
        mouse.Press();
        mouse.MoveTo(cx + 35, cy + 23);
        expectOffsets(5, 7, "a second drag");
        mouse.Release();
        EXPECT_TRUE(PaneShows(dlg, Unscaled(ToPane(pane), 5, 7, Pattern)));

        // Fitted, a drag moves nothing.
        dlg.Pane().SetFitToPane(true);
        mouse.MoveTo(cx - 100, cy - 100);
        mouse.Press();
        mouse.MoveTo(cx - 60, cy - 60);
        mouse.Release();
        expectOffsets(0, 0, "fitted");
    });
}

}  // namespace
