// Reading ahead in the real main window: a copy decoded in idle time is shown only for
// its own entry and only while its file is unchanged, and it gives way to waiting input.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "image/FittedCopy.h"
#include "res/resource.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ViewerFixture;

// The first stored pixel of the shown picture as 0xRRGGBB, or the top left one of its copy
// scaled to the pane where only that is held (the pictures here are of one colour); ~0
// when none is held.
uint32_t ShownPixel(const CViewerDlg& dlg) {
    const CPicturePane& pane = dlg.Pane();
    if (!pane.HoldsPicture()) {
        return ~0u;
    }
    if (pane.ShownPicture().IsEmpty()) {
        const fw::CClientDC screen(nullptr);
        const HDC dc = ::CreateCompatibleDC(screen);
        const HBITMAP pixel = ::CreateCompatibleBitmap(screen, 1, 1);
        const HGDIOBJ old = ::SelectObject(dc, pixel);
        pane.ShownFitted().Draw(dc, 0, 0);
        const COLORREF c = ::GetPixel(dc, 0, 0);
        ::SelectObject(dc, old);
        ::DeleteObject(pixel);
        ::DeleteDC(dc);
        return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    }
    const uint8_t* p = pane.ShownPicture().Bits().data();
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

int ShownWidth(const CViewerDlg& dlg) {
    return dlg.Pane().ShownPictureSize().cx;
}

class ReadAhead : public ViewerFixture {
protected:
    void Write(const std::string& ext, const std::string& stem, int width, uint32_t rgb, int height = 4) const {
        if (ext == "bmp") {
            WriteBmp(stem + ".bmp", width, height, rgb);
        } else {
            WriteTpi(stem + ".tpi", width, height, rgb);
        }
    }
    void Open(CViewerDlg& dlg, int index, const std::string& dir = {}) const {
        dlg.Folder().Open(test::Wide(dir.empty() ? m_pics.Path() : dir));
        Select(dlg, index);
    }
    static void Select(CViewerDlg& dlg, int index) {
        dlg.Folder().Select(index);
    }
    // The folder holds the pictures of one kind at a time.
    void Remove(const std::string& ext) const {
        ::DeleteFileA(Pic("a." + ext).c_str());
        ::DeleteFileA(Pic("b." + ext).c_str());
    }
    bool Holds(const CViewerDlg& dlg, const std::string& name) const {
        return dlg.Pane().ReadAheadCopies().Holds(test::Wide(Pic(name)));
    }
};

// Each decoder's copy of the next picture is shown when its file is as it was read, and
// read again when the file was rewritten (in size, or only in content and time) or is gone.
TEST_F(ReadAhead, TheCopyIsShownOnlyWhileItsFileIsUnchanged) {
    UsePlugins({"tpi"});
    struct Case {
        const char* what;
        std::function<void(const std::string& ext)> change;
        bool fromCopy;
        int width;      // of the picture shown then; 0: none
        uint32_t rgb;
    };
    const Case cases[] = {
        {"unchanged", [](const std::string&) {}, true, 12, 0x202080},
        {"rewritten larger", [this](const std::string& ext) { Write(ext, "b", 20, 0x208020); }, false, 20,
         0x208020},
        {"rewritten in place, later time",
         [this](const std::string& ext) {
             Write(ext, "b", 12, 0x802020);
             fw::FileHandle file(::CreateFileA(Pic("b." + ext).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
             FILETIME later{};
             ::GetFileTime(file.Get(), nullptr, nullptr, &later);
             later.dwHighDateTime += 8;  // about two hours on
             ::SetFileTime(file.Get(), nullptr, nullptr, &later);
         },
         false, 12, 0x802020},
        {"deleted", [this](const std::string& ext) { ::DeleteFileA(Pic("b." + ext).c_str()); }, false, 0,
         0},
    };
    for (const std::string ext : {"bmp", "tpi"}) {
        WithViewer([&](CViewerDlg& dlg) {
            for (const Case& c : cases) {
                SCOPED_TRACE(ext + ": " + c.what);
                Write(ext, "a", 11, 0x123456);
                Write(ext, "b", 12, 0x202080);
                Open(dlg, 0);
                dlg.Pane().RunIdleWork();
                dlg.Pane().SettleReadAhead();
                ASSERT_TRUE(Holds(dlg, "b." + ext));
                EXPECT_EQ(ShownPixel(dlg), 0x123456u) << "the shown picture stays as it was";
                c.change(ext);
                dlg.Folder().SelectNext();
                EXPECT_EQ(dlg.Pane().ShownFromReadAhead(), c.fromCopy);
                EXPECT_EQ(ShownWidth(dlg), c.width);
                if (c.width > 0) {
                    EXPECT_EQ(ShownPixel(dlg), c.rgb);
                } else {
                    EXPECT_FALSE(dlg.Pane().HoldsPicture());
                }
                EXPECT_FALSE(Holds(dlg, "b." + ext)) << "the copy is used up or dropped";
            }
        });
        Remove(ext);
    }
}

// The neighbour read ahead comes with its copy scaled to the pane, for the pane's size at
// the time: the key that shows it resamples nothing, and after a resize the next
// read-ahead scales it anew.
TEST_F(ReadAhead, TheNeighbourComesScaledToThePane) {
    WriteBmp("a.bmp", 300, 200, 0x123456);
    WriteBmp("b.bmp", 320, 200, 0x202080);
    WithViewer([&](CViewerDlg& dlg) {
        Open(dlg, 0);
        for (const int width : {760, 600}) {
            ::SetWindowPos(dlg.m_hWnd, nullptr, 20, 20, width, 560, SWP_NOZORDER);
            dlg.UpdateWindow();
            dlg.Pane().RunIdleWork();
            dlg.Pane().SettleReadAhead();
        }
        const unsigned before = CFittedCopy::MadeCount();
        dlg.Folder().SelectNext();
        dlg.UpdateWindow();
        ASSERT_TRUE(dlg.Pane().ShownFromReadAhead());
        const SIZE size = dlg.Pane().FittedSizeOf(dlg.Pane().ShownPictureSize());
        EXPECT_TRUE(dlg.Pane().ShownFitted().Fits(size.cx, size.cy));
        EXPECT_EQ(CFittedCopy::MadeCount(), before) << "nothing resampled on show";
    });
}

// Copies are kept by path: after a move, a kill, a rename and a new listing the entry
// shown is always the file's own picture, at most two copies are held, and only of the
// entries beside the shown one or, once the next is held, the one after it (before the
// one behind).
TEST_F(ReadAhead, EveryEntryShowsItsOwnPictureAfterMovesKillsRenamesAndListings) {
    test::TempDir moved("moved");
    test::TempDir other("other");
    WriteBmp("a.bmp", 11, 4, 0x000011);
    WriteBmp("b.bmp", 12, 4, 0x000012);
    WriteBmp("c.bmp", 13, 4, 0x000013);
    WriteBmp("d.bmp", 14, 4, 0x000014);
    test::WriteFileBytes(other / "d.bmp", test::ReadFileBytes(Pic("a.bmp")));
    CViewerDlg dlg;
    auto expectShown = [&](const char* name, int width, bool fromCopy) {
        ASSERT_NE(dlg.Folder().Selected(), nullptr);
        EXPECT_EQ(dlg.Folder().Selected()->name, test::Wide(name));
        EXPECT_EQ(ShownWidth(dlg), width) << name;
        EXPECT_EQ(dlg.Pane().ShownFromReadAhead(), fromCopy) << name;
    };
    auto readAhead = [&](std::initializer_list<const char*> expected) {
        const auto holdsJustThose = [&] {
            return dlg.Pane().ReadAheadCopies().Count() == expected.size() &&
                   std::all_of(expected.begin(), expected.end(), [&](const char* name) { return Holds(dlg, name); });
        };
        // The system's notices of the window's own moves and renames come first: the idle
        // work gives way to them, also to one that comes late, and runs again after it (the
        // copies it lets go, too, are let go in a round that ran to its end).
        for (int round = 0; round < 5 && (round == 0 || !holdsJustThose()); ++round) {
            test::DrainMessages();
            // What the last show started on a worker has ended, and tells nothing more.
            dlg.Pane().SettleReadAhead();
            dlg.Pane().RunIdleWork();
            dlg.Pane().SettleReadAhead();
        }
        EXPECT_EQ(dlg.Pane().ReadAheadCopies().Count(), expected.size());
        for (const char* name : expected) {
            EXPECT_TRUE(Holds(dlg, name)) << name;
        }
    };
    test::ModalScript script;
    script.OnNestedDialog([](fw::CDialog& rename) {
        ::SetDlgItemTextA(rename.m_hWnd, IDC_RENAME_NAME, "e.bmp");
        rename.PostMessage(WM_COMMAND, IDOK, 0);
    });
    script.Then([&](fw::CDialog&) {
        dlg.GetSettings().m_strMoveDir = moved.Path();
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        Open(dlg, 1);
        readAhead({"c.bmp", "d.bmp"});
        EXPECT_TRUE(dlg.Sorting().MoveSelectedFile().IsDone());  // b leaves: [a c d]
        expectShown("c.bmp", 13, true);
        readAhead({"d.bmp", "a.bmp"});
        EXPECT_TRUE(dlg.Sorting().KillSelectedFile().IsDone());  // c goes: [a d]
        expectShown("d.bmp", 14, true);
        readAhead({"a.bmp"});
        Select(dlg, 0);  // up
        EXPECT_EQ(dlg.Folder().Direction(), -1);
        expectShown("a.bmp", 11, true);
        readAhead({"d.bmp"});
        dlg.Renaming().RenameSelectedEntry();  // a becomes e: [d e]
        expectShown("e.bmp", 11, false);
        EXPECT_FALSE(Holds(dlg, "d.bmp")) << "a listing lets the copies go";
        readAhead({"d.bmp"});
        Select(dlg, 0);
        expectShown("d.bmp", 14, true);
        readAhead({"e.bmp"});
        Open(dlg, 0, other.Path());  // a new listing
        expectShown("d.bmp", 11, false);
    });
    script.Run(dlg);
}

// A key on its way to the neighbour being scaled on this thread waits for the scaling (a
// plug-in's picture has no device bitmap to be stretched through at little cost); a BMP
// neighbour is decoded and scaled on a worker, and a waiting key stops neither.
TEST_F(ReadAhead, AWaitingKeyDoesNotStopTheScalingOfTheNeighbour) {
    UsePlugins({"tpi"});
    for (const std::string ext : {"bmp", "tpi"}) {
        SCOPED_TRACE(ext);
        Write(ext, "a", 400, 0x123456, 1200);
        Write(ext, "b", 400, 0x202080, 1200);
        WithViewer([&](CViewerDlg& dlg) {
            Open(dlg, 0);
            EXPECT_TRUE(dlg.Pane().ReadAhead(
                {dlg.Folder().At(1)}, [](const ListEntry&) { return true; }, [] { return false; }));
            EXPECT_EQ(dlg.Pane().PicturesOnTheirWay(), ext == "bmp" ? 1u : 0u);
            // Shown before a worker took it, it would be taken back and decoded here.
            dlg.Pane().SettleReadAhead();
            dlg.Folder().SelectNext();
            ASSERT_TRUE(dlg.Pane().ShownFromReadAhead());
            const SIZE size = dlg.Pane().FittedSizeOf(dlg.Pane().ShownPictureSize());
            EXPECT_TRUE(dlg.Pane().ShownFitted().Fits(size.cx, size.cy));
        });
        Remove(ext);
    }
}

// The copies stay within their cap: a picture is decoded only while the held copies and
// twice the picture (as its header names it) fit, and it is given a device bitmap only
// while the copy with its bitmap and room for one more copy fit too.
TEST_F(ReadAhead, CopiesAreDecodedAndGivenBitmapsOnlyWithinTheirCap) {
    WriteBmp("a.bmp", 64, 64, 0x123456);
    WriteBmp("b.bmp", 64, 64, 0x654321);
    constexpr uint64_t kNamed = 4 * 64 * 64;
    using Outcome = CReadAhead::Outcome;
    struct Case {
        uint64_t cap;
        Outcome a, b;
        bool bitmaps;  // the copies held have device bitmaps
    };
    const Case cases[] = {
        {2 * kNamed - 1, Outcome::kNoRoom, Outcome::kNoRoom, false},
        {2 * kNamed, Outcome::kHeld, Outcome::kNoRoom, false},
        {64 * kNamed, Outcome::kHeld, Outcome::kHeld, true},
    };
    const fw::CClientDC dc(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        CReadAhead copies(c.cap);
        EXPECT_EQ(copies.Prepare(test::Wide(Pic("a.bmp")), Decoder::Bmp(), dc, {}), c.a);
        EXPECT_EQ(copies.Prepare(test::Wide(Pic("b.bmp")), Decoder::Bmp(), dc, {}), c.b);
        EXPECT_LE(copies.HeldBytes(), c.cap);
        for (const char* name : {"a.bmp", "b.bmp"}) {
            const std::wstring path = test::Wide(Pic(name));
            if (copies.Holds(path)) {
                EXPECT_EQ(copies.HoldsWithDeviceBitmap(path), c.bitmaps) << name;
            }
        }
    }
}

// A read-ahead on this thread (a plug-in that does not say it is safe on other threads)
// does not start while work waits in the queue, stops at the decoder's next report when
// asked to, and runs by itself once the window is idle again.
TEST_F(ReadAhead, GivesWayToWaitingWorkAndResumesWhenIdle) {
    UsePlugins({"tpi"});
    for (const std::string ext : {"tpi"}) {
        SCOPED_TRACE(ext);
        Write(ext, "a", 11, 0x123456);
        Write(ext, "b", 12, 0x202080);
        CViewerDlg dlg;
        test::ModalScript script;
        script.Then([&](fw::CDialog&) {
            Open(dlg, 0);
            const ListEntry* next = dlg.Folder().At(1);
            int asks = 0;
            EXPECT_FALSE(dlg.Pane().ReadAhead({next}, [&](const ListEntry&) { return ++asks > 1000000; }));
            EXPECT_GE(asks, 1);
            EXPECT_FALSE(Holds(dlg, "b." + ext)) << "nothing is kept from a stopped decode";

            dlg.PostMessage(WM_NULL, 0, 0);
            dlg.Pane().RunIdleWork();
            dlg.Pane().SettleReadAhead();
            EXPECT_FALSE(Holds(dlg, "b." + ext)) << "posted work goes first";
            script.HoldUntil([&] { return Holds(dlg, "b." + ext); });
        });
        script.Then([&](fw::CDialog&) {
            dlg.Folder().SelectNext();
            EXPECT_TRUE(dlg.Pane().ShownFromReadAhead());
        });
        script.Run(dlg, 20000);
        Remove(ext);
    }
}

}  // namespace
