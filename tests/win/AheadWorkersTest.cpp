// Reading ahead on the workers, in the real main window with the real plug-ins host: the
// shown picture is decoded beside a neighbour's decode, never after it; a plug-in that
// does not say it is safe on several threads is still called one call at a time; a key
// that goes elsewhere stops a worker's decode; a decode starts only in room for it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/Gdi.h"
#include "image/Decode.h"
#include "image/DecodeThread.h"
#include "image/FittedCopy.h"
#include "image/SpiPlugin.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"
#include "tests/win/support/WicPictures.h"

namespace {

class AheadWorkers : public test::ViewerFixture {
protected:
    // A picture of `rows` rows; the slow mode takes kTpSlowRowMs a row, reporting each.
    void WriteTpi(const std::string& name, uint32_t rows, uint32_t mode = test::kTpBottomUp24) const {
        test::WriteFileBytes(Pic(name), test::MakeSolidTestPicture(64, rows, 0x336699, mode));
    }
    // The most decodes the test plug-in has seen running at once.
    static LONG MostAtOnce(const CViewerDlg& dlg) {
        const HMODULE module = ::GetModuleHandleW(dlg.GetPlugins().At(0)->GetLibPath().c_str());
        using Fn = LONG(WINAPI*)();
        const auto most = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, "TestMostAtOnce")));
        return most != nullptr ? most() : -1;
    }
    // The pixels of a copy of `size`, as drawn.
    static std::vector<uint8_t> CopyBytes(const CFittedCopy& copy, SIZE size) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        const fw::CClientDC screen(nullptr);
        fw::CGdiObject<HBITMAP> section(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        fw::CMemoryDC dc(screen);
        {
            fw::CSelectObject select(dc, section.Get());
            EXPECT_TRUE(copy.Draw(dc, 0, 0));
        }
        ::GdiFlush();
        const auto* p = static_cast<const uint8_t*>(bits);
        return p == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(p, p + 4 * size.cx * size.cy);
    }
    bool Holds(const CViewerDlg& dlg, const std::string& name) const {
        return dlg.Pane().ReadAheadCopies().Holds(test::Wide(Pic(name)));
    }

    // b is slow to decode (200 rows, 0.8 s) and read ahead while a is shown; a key that
    // waits meanwhile gives the read-ahead up where this thread does it. Then c is shown.
    void ShowBesideASlowNeighbour(const std::string& variant, bool safe) {
        UsePlugins({variant});
        WriteTpi("a.tpi", 4);
        WriteTpi("b.tpi", 200, test::kTpSlowRows);
        WriteTpi("c.tpi", 30, test::kTpSlowRows);
        WithViewer([&](CViewerDlg& dlg) {
            dlg.Folder().Open(test::Wide(m_pics.Path()));
            ASSERT_EQ(dlg.GetPlugins().At(0)->IsThreadSafe(), safe);
            dlg.Folder().Select(0);
            // On the decode thread the read-ahead is given up after a while, while b still
            // decodes; a worker takes it at once, however long the header's reading took.
            const DWORD start = ::GetTickCount();
            const DWORD readMs = safe ? 5000 : 50;
            dlg.Pane().ReadAhead({dlg.Folder().At(1)},
                                 [start, readMs](const ListEntry&) { return ::GetTickCount() - start < readMs; });
            EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), safe ? 1u : 0u);
            dlg.Folder().Select(2);
            EXPECT_TRUE(dlg.Pane().HoldsPicture());
            if (safe) {
                EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), 1u) << "c was decoded while b still was";
                EXPECT_EQ(MostAtOnce(dlg), 2);
                dlg.Pane().SettleReadAhead();
                EXPECT_TRUE(Holds(dlg, "b.tpi"));
            } else {
                decode_thread::WaitUntilIdle();
                EXPECT_EQ(MostAtOnce(dlg), 1) << "one call at a time";
            }
        });
    }
};

TEST_F(AheadWorkers, ASafePluginDecodesTheShownPictureBesideANeighbour) {
    ShowBesideASlowNeighbour("safe", true);
}

TEST_F(AheadWorkers, APluginThatSaysNothingIsCalledOneCallAtATime) {
    ShowBesideASlowNeighbour("tpi", false);
}

// The user goes three pictures on while b is read ahead: its decode stops at the
// plug-in's next report, long before its end, and nothing of it is kept.
TEST_F(AheadWorkers, AKeyThatGoesElsewhereStopsTheWorkersDecode) {
    UsePlugins({"safe"});
    WriteTpi("a.tpi", 4);
    WriteTpi("b.tpi", 200, test::kTpSlowRows);
    for (const char* name : {"c.tpi", "d.tpi", "e.tpi"}) {
        WriteTpi(name, 4);
    }
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Folder().Select(0);
        dlg.Pane().ReadAhead({dlg.Folder().At(1)}, [](const ListEntry&) { return true; });
        ASSERT_EQ(dlg.Pane().PicturesOnTheirWay(), 1u);
        ::Sleep(40);
        const DWORD moved = ::GetTickCount();
        dlg.Folder().Select(3);
        dlg.Pane().SettleReadAhead();
        EXPECT_LT(::GetTickCount() - moved, 300u) << "b's decode ran to its end";
        EXPECT_FALSE(Holds(dlg, "b.tpi"));
    });
}

// A decode on a worker starts only when the copies held, the room taken by the decodes
// on their way and twice the picture fit the cap. The next picture starts as soon as one
// is shown and the work that showed it is done.
TEST_F(AheadWorkers, ADecodeStartsOnlyInRoomForIt) {
    WriteBmp("a.bmp", 64, 64, 0x123456);
    WriteBmp("b.bmp", 64, 64, 0x654321);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Pane().SetFitToPane(false);  // no copy scaled to the pane is reserved for
        constexpr uint64_t kNamed = 4 * 64 * 64;
        for (const auto& [cap, starts] : {std::pair{2 * kNamed - 1, false}, std::pair{2 * kNamed, true}}) {
            SCOPED_TRACE(cap);
            dlg.Pane().ReadAheadCopies().SetCap(cap);
            dlg.Folder().Open(test::Wide(m_pics.Path()));
            EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), 0u) << "started once the key that showed a is done";
            dlg.Pane().RunIdleWork();  // the pane's own posted start, taken first
            EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), starts ? 1u : 0u);
            if (starts) {
                EXPECT_FALSE(dlg.Pane().ReadAheadCopies().HasRoomFor(1)) << "its room is taken while it runs";
            }
            dlg.Pane().SettleReadAhead();
            EXPECT_EQ(Holds(dlg, "b.bmp"), starts);
        }
    });
}

// A neighbour read on a worker is held by its copy scaled to the pane only, and shown from
// it at once; the picture is decoded in full where more is needed: for a wallpaper, at
// actual size.
TEST_F(AheadWorkers, ANeighbourIsHeldScaledToThePaneOnlyAndDecodedInFullWhenNeeded) {
    WriteBmp("a.bmp", 1600, 1000, 0x123456);
    WriteBmp("b.bmp", 1600, 1000, 0x202080);
    WriteBmp("c.bmp", 1500, 1000, 0x802020);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        for (const auto& [index, width, rgb] : {std::tuple{1, 1600, 0x202080u}, std::tuple{2, 1500, 0x802020u}}) {
            SCOPED_TRACE(index);
            dlg.Pane().ReadAhead({dlg.Folder().At(index)}, [](const ListEntry&) { return true; });
            dlg.Pane().SettleReadAhead();
            dlg.Folder().Select(index);
            CPicturePane& pane = dlg.Pane();
            ASSERT_TRUE(pane.ShownFromReadAhead());
            EXPECT_TRUE(pane.ShownPicture().IsEmpty()) << "the picture in full was kept";
            EXPECT_TRUE(pane.HoldsPicture());
            EXPECT_EQ(pane.ShownPictureSize().cx, width);
            const SIZE fitted = pane.FittedSizeOf(pane.ShownPictureSize());
            EXPECT_TRUE(pane.ShownFitted().Fits(fitted.cx, fitted.cy));
            if (index == 1) {
                const CPicture& full = pane.FullShownPicture();
                ASSERT_FALSE(full.IsEmpty());
                EXPECT_EQ(full.Width(), width);
                const uint8_t* p = full.Bits().data();
                EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, static_cast<int>(rgb));
            } else {
                pane.ToggleFit();
                EXPECT_FALSE(pane.ShownPicture().IsEmpty()) << "actual size without the picture";
                pane.ToggleFit();
            }
        }
    });
}

// A picture read in bands of rows on a worker (a JPEG through the shipped plug-in) is never
// held whole, and its copy has the bytes of the copy made from the picture decoded whole.
TEST_F(AheadWorkers, APictureReadInBandsIsScaledAsThePictureDecodedWhole) {
    UseShippedPlugins();
    WriteBmp("a.bmp", 64, 64, 0x123456);
    const std::string jpeg = test::EncodeWithWic(test::WicFormat::kJpeg, 1700, 1100, [](int x, int y) {
        return 0xFF000000u | static_cast<uint32_t>(x * 7 % 256) << 16 | static_cast<uint32_t>(y * 3 % 256) << 8 |
               static_cast<uint32_t>((x ^ y) % 256);
    });
    ASSERT_FALSE(jpeg.empty());
    test::WriteFileBytes(Pic("b.jpg"), jpeg);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        const uint64_t banded = PicturesOpenedInRows();
        dlg.Pane().ReadAhead({dlg.Folder().At(1)}, [](const ListEntry&) { return true; });
        dlg.Pane().SettleReadAhead();
        EXPECT_EQ(PicturesOpenedInRows(), banded + 1);
        dlg.Folder().Select(1);
        CPicturePane& pane = dlg.Pane();
        ASSERT_TRUE(pane.ShownFromReadAhead());
        EXPECT_TRUE(pane.ShownPicture().IsEmpty());
        const SIZE fitted = pane.FittedSizeOf(SIZE{1700, 1100});
        ASSERT_TRUE(pane.ShownFitted().Fits(fitted.cx, fitted.cy));
        const fw::CClientDC screen(nullptr);
        const DecodeOutcome whole = DecodePicture(test::Wide(Pic("b.jpg")), dlg.Folder().At(1)->GetDecoder(), screen);
        ASSERT_TRUE(whole);
        const std::optional<CFittedCopy> expected = CFittedCopy::Make(whole.picture, fitted.cx, fitted.cy);
        ASSERT_TRUE(expected && !expected->IsEmpty());
        EXPECT_EQ(CopyBytes(pane.ShownFitted(), fitted), CopyBytes(*expected, fitted));
    });
}

// While the window waits for the shown picture on a worker, its own core would idle: the
// picture after it starts meanwhile on one worker more.
TEST_F(AheadWorkers, ThePictureAfterTheOneWaitedForStartsBesideIt) {
    UsePlugins({"safe"});
    WriteTpi("a.tpi", 4);
    WriteTpi("b.tpi", 60, test::kTpSlowRows);
    WriteTpi("c.tpi", 60, test::kTpSlowRows);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Folder().Select(0);
        dlg.Pane().ReadAhead({dlg.Folder().At(1)}, [](const ListEntry&) { return true; });
        ASSERT_EQ(dlg.Pane().PicturesOnTheirWay(), 1u);
        // b's decode has begun on the worker (a job still queued is taken back and decoded here).
        for (const DWORD start = ::GetTickCount(); dlg.Pane().MostReadAtOnce() < 1 && ::GetTickCount() - start < 5000;) {
            ::Sleep(1);
        }
        dlg.Folder().Select(1);
        EXPECT_TRUE(dlg.Pane().HoldsPicture());
        EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), 1u) << "c is not on its way";
        dlg.Pane().SettleReadAhead();
        EXPECT_TRUE(Holds(dlg, "c.tpi"));
        EXPECT_EQ(MostAtOnce(dlg), 2);
        EXPECT_EQ(dlg.Pane().MostReadAtOnce(), 2u);
    });
}

// In room for its bands of rows only, a JPEG is read ahead; a picture whose rows do not
// come in bands (a PNG) is not read then, nor asked for again, and is decoded when shown.
TEST_F(AheadWorkers, InRoomForBandsOnlyOnlyAPictureReadInBandsIsReadAhead) {
    UseShippedPlugins();
    WriteBmp("a.bmp", 64, 64, 0x123456);
    const auto argb = [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>((x + y) % 256); };
    test::WriteFileBytes(Pic("b.jpg"), test::EncodeWithWic(test::WicFormat::kJpeg, 1700, 1100, argb));
    test::WriteFileBytes(Pic("c.png"), test::EncodeWithWic(test::WicFormat::kPng, 1700, 1100, argb));
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        const RECT pane = dlg.Pane().GetPaneRect();
        const uint64_t named = CReadAhead::BytesOf(1700, 1100);
        const std::optional<uint64_t> bands = BytesToReadInRows(dlg.Folder().At(1)->GetDecoder(), named);
        ASSERT_TRUE(bands);
        ASSERT_LT(*bands, 2 * named);
        dlg.Pane().ReadAheadCopies().SetCap(*bands + CReadAhead::BytesOf(pane.right - pane.left, pane.bottom - pane.top));
        for (const auto& [index, name, held] : {std::tuple{1, "b.jpg", true}, std::tuple{2, "c.png", false}}) {
            SCOPED_TRACE(name);
            const uint64_t decodes = DecodesStarted();
            dlg.Pane().ReadAhead({dlg.Folder().At(index)}, [](const ListEntry&) { return true; });
            EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), 1u);
            dlg.Pane().SettleReadAhead();
            EXPECT_EQ(Holds(dlg, name), held);
            EXPECT_EQ(DecodesStarted() - decodes, held ? 1u : 0u) << "decoded whole without room for it";
            if (!held) {
                dlg.Pane().ReadAhead({dlg.Folder().At(index)}, [](const ListEntry&) { return true; });
                EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), 0u) << "asked for again";
            }
            dlg.Pane().ReadAheadCopies().KeepOnly({});
        }
        dlg.Folder().Select(2);
        EXPECT_TRUE(dlg.Pane().HoldsPicture());
        EXPECT_EQ(dlg.Pane().ShownPictureSize().cx, 1700);
    });
}

// A worker that ends the next picture goes on with the one after it, by itself: keys typed
// faster than a decode find the next pictures on their way.
TEST_F(AheadWorkers, AWorkerGoesOnWithThePictureAfterTheNext) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) {
        WriteBmp(name, 1600, 1000, 0x123456);
    }
    CViewerDlg dlg;
    test::ModalScript script;
    script.Then([&](fw::CDialog&) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        script.HoldUntil([&] { return Holds(dlg, "b.bmp") && Holds(dlg, "c.bmp"); });
    });
    script.Then([&](fw::CDialog&) {
        dlg.Pane().SettleReadAhead();
        EXPECT_FALSE(Holds(dlg, "d.bmp")) << "three ahead";
    });
    script.Run(dlg, 20000);  // b and c are both read ahead, or the test fails here
}

}  // namespace
