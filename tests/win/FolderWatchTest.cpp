// The list following the disk: files made, deleted, renamed and written by another thread
// (as another program would) reach the list of a real main window without a key; and a
// large folder is listed in parts, keys acting meanwhile on the entry selected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

#include "filelist/FolderWatch.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
using Names = std::vector<std::wstring>;

// Runs the thread's queue until `done` answers true; false when `ms` went by first.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) {
            return false;
        }
        test::DrainMessages();
        ::Sleep(5);
    }
    return true;
}

// Does `op` on a thread of its own, as another program does it beside the window.
void Elsewhere(const std::function<void()>& op) {
    std::thread(op).join();
}

void WriteWide(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string SolidBmp(int width, int height, uint32_t rgb) {
    return testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; });
}

class FolderWatch : public test::ViewerFixture {
protected:
    void TearDown() override {
        CFolderWatch::s_refuseWatches = false;
        test::ViewerFixture::TearDown();
    }

    std::wstring WPic(const std::wstring& name) const { return test::Wide(m_pics.Path()) + L"\\" + name; }

    static Names NamesOf(const CViewerDlg& dlg) {
        Names names;
        for (int i = 0; i < dlg.Folder().Count(); ++i) {
            names.push_back(dlg.Folder().At(i)->name);
        }
        return names;
    }
    static std::wstring SelectedName(const CViewerDlg& dlg) {
        return dlg.Folder().Selected() != nullptr ? dlg.Folder().Selected()->name : L"";
    }
    // The list box shows what the folder holds, with the folder's selection.
    static void ExpectListAgrees(const CViewerDlg& dlg) {
        EXPECT_EQ(dlg.FileList().ListBox().GetCount(), dlg.Folder().Count());
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), dlg.Folder().SelectedIndex());
    }
    // A file made elsewhere that the list shows once the changes before it have reached it.
    bool Sentinel(CViewerDlg& dlg, const std::wstring& name) {
        Elsewhere([&] { WriteWide(WPic(name), SolidBmp(1, 1, 0)); });
        return PumpUntil([&] { return dlg.Folder().FindName(name) >= 0; });
    }
};

TEST_F(FolderWatch, ChangesMadeElsewhereReachTheListWithTheSelectionKept) {
    for (const char* name : {"a.bmp", "c.bmp", "e.bmp", "g.bmp"}) {
        WriteBmp(name, 2, 2, 0x808080);
    }
    // A name code page 932 cannot hold.
    const std::wstring outside = L"\u00E9t\u00E9\uD55C.bmp";
    struct Step {
        const char* what;
        std::function<void()> op;
        Names expected;
    };
    const Step steps[] = {
        {"added", [this] { WriteWide(WPic(L"b.bmp"), SolidBmp(1, 1, 0)); },
         {L"a.bmp", L"b.bmp", L"c.bmp", L"e.bmp", L"g.bmp"}},
        {"not a picture", [this] { WriteWide(WPic(L"notes.txt"), "x"); },
         {L"a.bmp", L"b.bmp", L"c.bmp", L"e.bmp", L"g.bmp"}},
        {"sub-folder", [this] { ::CreateDirectoryW(WPic(L"sub").c_str(), nullptr); },
         {L"sub", L"a.bmp", L"b.bmp", L"c.bmp", L"e.bmp", L"g.bmp"}},
        {"removed", [this] { ::DeleteFileW(WPic(L"a.bmp").c_str()); },
         {L"sub", L"b.bmp", L"c.bmp", L"e.bmp", L"g.bmp"}},
        {"renamed", [&] { ::MoveFileW(WPic(L"e.bmp").c_str(), WPic(outside).c_str()); },
         {L"sub", L"b.bmp", L"c.bmp", outside, L"g.bmp"}},  // the list's order puts "é" beside "e"
        {"renamed back before the selection",
         [&] { ::MoveFileW(WPic(outside).c_str(), WPic(L"0.bmp").c_str()); },
         {L"sub", L"0.bmp", L"b.bmp", L"c.bmp", L"g.bmp"}},
        {"sub-folder removed", [this] { ::RemoveDirectoryW(WPic(L"sub").c_str()); },
         {L"0.bmp", L"b.bmp", L"c.bmp", L"g.bmp"}},
    };
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().OpenSelecting(test::Wide(m_pics.Path()), L"c.bmp");
        ASSERT_TRUE(dlg.Folder().IsWatched());
        ASSERT_EQ(SelectedName(dlg), L"c.bmp");
        for (const Step& step : steps) {
            Elsewhere(step.op);
            EXPECT_TRUE(PumpUntil([&] { return NamesOf(dlg) == step.expected; })) << step.what;
            EXPECT_EQ(SelectedName(dlg), L"c.bmp") << step.what;
            EXPECT_EQ(dlg.Pane().ShownPath(), WPic(L"c.bmp")) << step.what;
            ExpectListAgrees(dlg);
        }
        EXPECT_EQ(dlg.FileList().ListBox().GetText(0), "0.bmp");

        // The window's own removal is not applied again when the system reports it.
        ASSERT_TRUE(::DeleteFileW(WPic(L"c.bmp").c_str()));
        dlg.Folder().RemoveSelected();
        ASSERT_TRUE(Sentinel(dlg, L"z.bmp"));
        EXPECT_EQ(NamesOf(dlg), (Names{L"0.bmp", L"b.bmp", L"g.bmp", L"z.bmp"}));
        EXPECT_EQ(SelectedName(dlg), L"g.bmp");
    });
}

TEST_F(FolderWatch, TheSelectedPictureRemovedElsewhereGivesWayToTheNext) {
    WriteBmp("a.bmp", 2, 2, 0xFF0000);
    WriteBmp("b.bmp", 3, 3, 0x00FF00);
    WriteBmp("c.bmp", 4, 4, 0x0000FF);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().OpenSelecting(test::Wide(m_pics.Path()), L"b.bmp");
        Elsewhere([&] { ::DeleteFileW(WPic(L"b.bmp").c_str()); });
        ASSERT_TRUE(PumpUntil([&] { return dlg.Folder().Count() == 2; }));
        EXPECT_EQ(SelectedName(dlg), L"c.bmp");
        EXPECT_EQ(dlg.Pane().ShownPath(), WPic(L"c.bmp"));
        EXPECT_EQ(dlg.Pane().ShownPictureSize().cx, 4);
        ExpectListAgrees(dlg);
        // The last one gone: the one before it is selected.
        Elsewhere([&] { ::DeleteFileW(WPic(L"c.bmp").c_str()); });
        ASSERT_TRUE(PumpUntil([&] { return dlg.Folder().Count() == 1; }));
        EXPECT_EQ(SelectedName(dlg), L"a.bmp");
        EXPECT_EQ(dlg.Pane().ShownPictureSize().cx, 2);
    });
}

TEST_F(FolderWatch, APictureWrittenElsewhereIsReadAgainNotShownFromItsCopy) {
    WriteBmp("a.bmp", 2, 2, 0xFF0000);
    WriteBmp("b.bmp", 3, 3, 0x00FF00);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Pane().RunIdleWork();
        dlg.Pane().SettleReadAhead();
        ASSERT_TRUE(dlg.Pane().ReadAheadCopies().Holds(WPic(L"b.bmp")));
        Elsewhere([&] { WriteWide(WPic(L"b.bmp"), SolidBmp(7, 5, 0x0000FF)); });
        ASSERT_TRUE(Sentinel(dlg, L"c.bmp"));
        dlg.Folder().SelectNext();
        EXPECT_EQ(dlg.Pane().ShownPictureSize().cx, 7);

        // The picture shown is read again as soon as its file changes.
        Elsewhere([&] { WriteWide(WPic(L"b.bmp"), SolidBmp(9, 9, 0xFFFFFF)); });
        EXPECT_TRUE(PumpUntil([&] { return dlg.Pane().ShownPictureSize().cx == 9; }));
        EXPECT_EQ(dlg.Folder().Count(), 3);
    });
}

// A window of the test's own whose posted message is handled inside the pass's message pump.
struct DuringPass {
    static inline std::function<void()> action;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP && action) {
            std::exchange(action, nullptr)();
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
};

TEST_F(FolderWatch, WatchingPausesDuringAPassAndResumesWithItsListing) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteBmp(name, 400, 400, 0x808080);
    }
    test::PromptRecorder prompts;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DuringPass::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FolderWatchTestPass";
    ::RegisterClassW(&wc);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_TRUE(dlg.Folder().IsWatched());
        bool watchedMeanwhile = true;
        bool ranInPass = false;
        DuringPass::action = [&] {
            ranInPass = dlg.SizeDeletion().IsPassRunning();
            watchedMeanwhile = dlg.Folder().IsWatched();
        };
        const HWND probe = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             wc.hInstance, nullptr);
        ::PostMessageW(probe, WM_APP, 0, 0);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        ::DestroyWindow(probe);
        EXPECT_TRUE(ranInPass);
        EXPECT_FALSE(watchedMeanwhile);
        EXPECT_TRUE(dlg.Folder().IsWatched()) << "the listing at the pass's end watches again";
        EXPECT_TRUE(Sentinel(dlg, L"new.bmp"));
    });
}

TEST_F(FolderWatch, AFolderThatCannotBeWatchedListsAsBefore) {
    WriteBmp("a.bmp", 2, 2, 0);
    CFolderWatch::s_refuseWatches = true;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        EXPECT_FALSE(dlg.Folder().IsWatched());
        Elsewhere([&] { WriteWide(WPic(L"b.bmp"), SolidBmp(1, 1, 0)); });
        PumpUntil([] { return false; }, 700);
        EXPECT_EQ(NamesOf(dlg), (Names{L"a.bmp"}));
        dlg.Folder().Relist();
        EXPECT_EQ(NamesOf(dlg), (Names{L"a.bmp", L"b.bmp"}));
    });
}

// More names than a listing's first part holds.
class ListingInParts : public FolderWatch {
protected:
    static constexpr int kFiles = 2400;
    void SetUp() override {
        FolderWatch::SetUp();
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "p%04d.bmp", (i * 7919) % kFiles);
            Touch(name);
        }
    }
    static bool Sorted(const Names& names) {
        return std::is_sorted(names.begin(), names.end(),
                              [](const auto& a, const auto& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    }
};

TEST_F(ListingInParts, AKeyMeanwhileActsOnTheSelectedEntryWhichStaysSelected) {
    CViewerDlg dlg;
    std::wstring second;
    ModalScript script;
    script.Then([&](fw::CDialog&) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_TRUE(dlg.Folder().IsFilling());
        EXPECT_LE(dlg.Folder().Count(), static_cast<int>(CFolder::kFirstNames));
        EXPECT_TRUE(Sorted(NamesOf(dlg)));
        ExpectListAgrees(dlg);
        EXPECT_EQ(dlg.Pane().ShownPath(), WPic(SelectedName(dlg))) << "the first part's first entry is shown";
        second = dlg.Folder().At(1)->name;
        // Queued before the next part is read: the key comes first.
        test::SendKey(VK_DOWN, true);
        test::SendKey(VK_DOWN, false);
        script.HoldUntil([&] { return !dlg.Folder().IsFilling(); });
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(dlg.Folder().Count(), kFiles);
        EXPECT_TRUE(Sorted(NamesOf(dlg)));
        EXPECT_EQ(SelectedName(dlg), second) << "the key moved to the first part's second entry";
        EXPECT_EQ(dlg.Pane().ShownPath(), WPic(second));
        ExpectListAgrees(dlg);
    });
    // Without a key, the complete list's first entry is selected and shown once it is read.
    script.Then([&](fw::CDialog&) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_TRUE(dlg.Folder().IsFilling());
        script.HoldUntil([&] { return !dlg.Folder().IsFilling(); });
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 0);
        EXPECT_EQ(SelectedName(dlg), L"p0000.bmp");
        EXPECT_EQ(dlg.Pane().ShownPath(), WPic(L"p0000.bmp"));
        ExpectListAgrees(dlg);
        // A change made while the rest is read reaches the list once it is whole.
        dlg.Folder().Relist();
        Elsewhere([&] {
            ::DeleteFileW(WPic(L"p1234.bmp").c_str());
            WriteWide(WPic(L"p9999.bmp"), "");
        });
        script.HoldUntil([&] { return !dlg.Folder().IsFilling() && dlg.Folder().FindName(L"p9999.bmp") >= 0; });
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(dlg.Folder().Count(), kFiles);
        EXPECT_LT(dlg.Folder().FindName(L"p1234.bmp"), 0);
        EXPECT_TRUE(Sorted(NamesOf(dlg)));
    });
    script.Run(dlg);
}

}  // namespace

namespace {

// The system's change records are read only as far as the bytes received hold them: a
// record cut short, pointing past the end or into itself ends the batch with "unknown" (the
// folder is then read again), never a read past the buffer. Records packed without padding,
// as Wine writes them, are read whole.
TEST(ChangeRecords, AreReadWithinTheBytesReceived) {
    // Two records: "a.bmp" added, then "bc.bmp" removed.
    const auto record = [](DWORD next, DWORD action, const std::wstring& name, bool padded = true) {
        std::string bytes(12 + name.size() * 2, '\0');
        const DWORD length = static_cast<DWORD>(name.size() * 2);
        std::memcpy(&bytes[0], &next, 4);
        std::memcpy(&bytes[4], &action, 4);
        std::memcpy(&bytes[8], &length, 4);
        std::memcpy(&bytes[12], name.data(), length);
        if (padded) {
            bytes.resize((bytes.size() + 3) / 4 * 4, '\0');
        }
        return bytes;
    };
    const std::string first = record(24, FILE_ACTION_ADDED, L"a.bmp");
    ASSERT_EQ(first.size(), 24u);
    const std::string both = first + record(0, FILE_ACTION_REMOVED, L"bc.bmp");
    const std::string packed = record(22, FILE_ACTION_ADDED, L"a.bmp", false) + record(0, FILE_ACTION_REMOVED, L"bc.bmp", false);
    using Kind = FolderChange::Kind;
    const struct {
        const char* what;
        std::string bytes;
        DWORD received;
        std::vector<Kind> kinds;
    } kCases[] = {
        {"whole", both, static_cast<DWORD>(both.size()), {Kind::kAdded, Kind::kRemoved}},
        {"second record's name cut", both, 24 + 14, {Kind::kAdded, Kind::kOverflow}},
        {"second record's header cut", both, 24 + 6, {Kind::kAdded, Kind::kOverflow}},
        {"first name longer than received", record(0, FILE_ACTION_ADDED, L"a.bmp").substr(0, 16), 16, {Kind::kOverflow}},
        {"next offset past the end", record(4000, FILE_ACTION_ADDED, L"a.bmp"), 24, {Kind::kAdded, Kind::kOverflow}},
        {"packed, unaligned", packed, static_cast<DWORD>(packed.size()), {Kind::kAdded, Kind::kRemoved}},
        {"next offset inside its own name", record(13, FILE_ACTION_ADDED, L"a.bmp") + std::string(24, '\0'), 48,
         {Kind::kAdded, Kind::kOverflow}},
        {"nothing kept", std::string(), 0, {Kind::kOverflow}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        // The received bytes alone, in a buffer of their size: a read past them is caught.
        std::vector<BYTE> buffer(c.bytes.begin(), c.bytes.begin() + std::min<size_t>(c.received, c.bytes.size()));
        buffer.resize(c.received);
        const std::vector<FolderChange> changes = ParseChangeRecords(buffer.data(), c.received);
        std::vector<Kind> kinds;
        for (const FolderChange& change : changes) {
            kinds.push_back(change.kind);
        }
        EXPECT_EQ(kinds, c.kinds);
        if (!changes.empty() && changes[0].kind == Kind::kAdded) {
            EXPECT_EQ(changes[0].name, L"a.bmp");
        }
        if (changes.size() == 2 && changes[1].kind == Kind::kRemoved) {
            EXPECT_EQ(changes[1].name, L"bc.bmp");
        }
    }
}

// The system's own batches: names of odd length, several to a batch, each one reported
// (Wine packs such records without padding; none is taken for a lost batch).
TEST(ChangeRecords, EveryChangeOfABusyFolderIsReported) {
    test::TempDir dir("watch-batches");
    std::vector<FolderChange> seen;
    CFolderWatch watch([&seen](std::vector<FolderChange> changes) {
        seen.insert(seen.end(), changes.begin(), changes.end());
    });
    ASSERT_TRUE(watch.Start(test::Wide(dir.Path())));
    Names made;
    for (int i = 1; i <= 24; ++i) {
        made.push_back(L"p" + std::to_wstring(100 + i).substr(1) + L".bmp");
    }
    Elsewhere([&] {
        for (const std::wstring& name : made) {
            WriteWide(test::Wide(dir.Path()) + L"\\" + name, "x");
        }
    });
    const auto added = [&seen] {
        Names names;
        for (const FolderChange& change : seen) {
            if (change.kind == FolderChange::Kind::kAdded && std::find(names.begin(), names.end(), change.name) == names.end()) {
                names.push_back(change.name);
            }
        }
        return names;
    };
    EXPECT_TRUE(PumpUntil([&] { return added().size() >= made.size(); }));
    EXPECT_EQ(added(), made);
    EXPECT_TRUE(std::none_of(seen.begin(), seen.end(),
                             [](const FolderChange& c) { return c.kind == FolderChange::Kind::kOverflow; }));
    watch.Stop();
}

}  // namespace
