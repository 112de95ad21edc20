// Listing real folders in a real main window: entries, order, item data, navigation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "framework/Gdi.h"
#include "framework/MessagePump.h"
#include "portable/PathUtil.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ViewerFixture;
using Strings = std::vector<std::string>;

class Listing : public ViewerFixture {};

TEST_F(Listing, DirectoriesFirstThenPicturesWithTheirDecoders) {
    UsePlugins({"jpg"});
    WriteBmp("A.bmp", 2, 2, 0xFF0000);
    Touch("b.JPG");
    test::MakeDir(Pic("sub"));
    Touch("readme");
    Touch("c.xyz");
    WithViewer([&](CViewerDlg& dlg) {
        ASSERT_EQ(dlg.GetPlugins().Count(), 1);
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [" + m_pics.Path() + "]");
        EXPECT_EQ(Entries(dlg), (Strings{"[ sub ]", "A.bmp", "b.JPG"}));
        EXPECT_EQ(Decoders(dlg), (std::vector<LRESULT>{-1, 0, reinterpret_cast<LRESULT>(dlg.GetPlugins().At(0))}));
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), 0);
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 0);
    });
}

TEST_F(Listing, WithoutPluginsOnlyBmpFilesAreListed) {
    WriteBmp("x.bmp", 2, 2, 0);
    Touch("y.jpg");
    Touch("z.BMP");
    WithViewer([&](CViewerDlg& dlg) {
        EXPECT_EQ(dlg.GetPlugins().Count(), 0);
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        EXPECT_EQ(Entries(dlg), (Strings{"x.bmp", "z.BMP"}));
        EXPECT_EQ(Decoders(dlg), (std::vector<LRESULT>{0, 0}));
    });
}

TEST_F(Listing, PluginFilesAreLoadedByTheirUpperCasedExtension) {
    // A lower-case extension loads; x.spix may match SPI\*.SPI through its short name but is
    // skipped; an archive plug-in, a file that is no library and a plug-in named for the other
    // width (.SPH beside the 32-bit viewer, .SPI beside the 64-bit one) are refused.
    const std::string ext = kSpiPluginExtension;
    std::string lower = ext;
    CharLowerA(lower.data());
    const std::string otherWidth = ext == "SPI" ? "SPH" : "SPI";
    UsePlugins({"tpi=lower." + lower, "tif=x." + lower + "x", "archive=arch." + ext, "jpg=JPG." + ext,
                "tpi=other." + otherWidth});
    test::WriteFileBytes(m_work / ("SPI\\garbage." + ext), "not a library");
    WithViewer([&](CViewerDlg& dlg) {
        Strings loaded;
        for (int i = 0; i < dlg.GetPlugins().Count(); ++i) {
            loaded.push_back(test::Narrow(GetFileNamePart(dlg.GetPlugins().At(i)->GetLibPath())));
            EXPECT_EQ(GetDirectoryPart(dlg.GetPlugins().At(i)->GetLibPath()), test::Wide(m_work / "SPI\\"))
                << "plug-ins are loaded by full path";
        }
        std::sort(loaded.begin(), loaded.end());
        EXPECT_EQ(loaded, (Strings{"JPG." + ext, "lower." + lower}));
    });
}

TEST_F(Listing, TheFirstPluginInLoadOrderDecodesAnExtension) {
    UsePlugins({"tpi", "jpg"});
    Touch("a.tpi");
    Touch("b.jpeg");
    WithViewer([&](CViewerDlg& dlg) {
        ASSERT_EQ(dlg.GetPlugins().Count(), 2);
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_EQ(Entries(dlg), (Strings{"a.tpi", "b.jpeg"}));
        for (int i = 0; i < 2; ++i) {
            CSpiPlugin* plugin = dlg.Folder().At(i)->GetDecoder().plugin;
            EXPECT_TRUE(plugin->SupportsExtension(GetExtensionUpper(dlg.Folder().At(i)->Text())));
        }
    });
}

TEST_F(Listing, HiddenSystemAndDoubleByteNamesAreListed) {
    WriteBmp("hidden.bmp", 1, 1, 0);
    WriteBmp("system.bmp", 1, 1, 0);
    ::SetFileAttributesA(Pic("hidden.bmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesA(Pic("system.bmp").c_str(), FILE_ATTRIBUTE_SYSTEM);
    WriteBmp("表示.bmp", 1, 1, 0);
    test::MakeDir(Pic("ソフト"));
    WriteBmp("ソフト\\能.bmp", 1, 1, 0);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        Strings entries = Entries(dlg);
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_EQ(entries[0], "[ ソフト ]");
        std::sort(entries.begin() + 1, entries.end());
        EXPECT_EQ(entries, (Strings{"[ ソフト ]", "hidden.bmp", "system.bmp", "表示.bmp"}));

        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Folder().EnterSelected();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics / "ソフト"));
        EXPECT_EQ(Entries(dlg), (Strings{"能.bmp"}));
        dlg.Folder().GoToParent();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path() + "\\"));
        EXPECT_EQ(dlg.FileList().ListBox().GetText(dlg.FileList().ListBox().GetCurSel()), "[ ソフト ]");
    });
}

// Each directory entry is re-inserted at the index where the sorted list put its provisional
// text, which is always the top: directories end up above the files, last enumerated first.
Strings DirectoriesAsListed(const std::string& dir) {
    Strings names;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((dir + "\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..") {
            names.insert(names.begin(), "[ " + name + " ]");
        }
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
    return names;
}

int IndexOf(const Strings& entries, const std::string& text) {
    const auto it = std::find(entries.begin(), entries.end(), text);
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

TEST_F(Listing, EnterAndLeaveKeepTheNameAsStoredOnDisk) {
    test::MakeDir(Pic(" lead"));
    test::MakeDir(Pic("lead"));
    test::MakeDir(Pic("sub"));
    WriteBmp(" lead\\in-lead.bmp", 1, 1, 0);
    WriteBmp("top.bmp", 1, 1, 0);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path() + "\\"));
        Strings expected = DirectoriesAsListed(m_pics.Path());
        ASSERT_EQ(expected.size(), 3u);
        expected.push_back("top.bmp");
        const Strings listed = Entries(dlg);
        ASSERT_EQ(listed, expected);

        const int lead = IndexOf(listed, "[  lead ]");
        dlg.Folder().Select(lead);
        dlg.Folder().EnterSelected();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path() + "\\ lead"));
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [" + m_pics.Path() + "\\ lead]");
        EXPECT_EQ(Entries(dlg), (Strings{"in-lead.bmp"}));
        dlg.Folder().GoToParent();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path() + "\\"));
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), lead) << "the directory just left is selected again";
        EXPECT_EQ(dlg.Folder().SelectedIndex(), lead);

        const int sub = IndexOf(listed, "[ sub ]");
        dlg.Folder().Select(sub);
        dlg.Folder().EnterSelected();
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [" + m_pics.Path() + "\\sub]");
        EXPECT_TRUE(Entries(dlg).empty());
        EXPECT_EQ(dlg.Folder().SelectedIndex(), -1);
        dlg.Folder().EnterSelected();  // nothing selected: nothing happens
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path() + "\\sub"));
        dlg.Folder().GoToParent();
        EXPECT_EQ(dlg.FileList().ListBox().GetText(dlg.FileList().ListBox().GetCurSel()), "[ sub ]");
        EXPECT_EQ(dlg.Folder().SelectedIndex(), sub);
    });
}

TEST_F(Listing, EnteringAFileEntryDoesNothing) {
    WriteBmp("a.bmp", 1, 1, 0);
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Folder().EnterSelected();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path()));
    });
}

TEST_F(Listing, LeavingADriveRootListsItAgain) {
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide("C:\\"));
        dlg.Folder().GoToParent();
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide("C:\\"));
        EXPECT_EQ(test::FolderPartOf(dlg.GetWindowText()), "- IXO - [C:\\]");
        EXPECT_GT(dlg.FileList().ListBox().GetCount(), 0);
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), 0);
    });
}

TEST_F(Listing, ReloadKeepsThePositionClampedToTheEnd) {
    for (int i = 0; i < 8; ++i) {
        WriteBmp("p" + std::to_string(i) + ".bmp", 1, 1, 0);
    }
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.Folder().Select(7);
        for (int i = 0; i < 3; ++i) {
            ::DeleteFileA(Pic("p" + std::to_string(i) + ".bmp").c_str());
        }
        dlg.Folder().Relist();
        EXPECT_EQ(dlg.FileList().ListBox().GetCount(), 5);
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), 4);
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 4);

        // A picture that sorts first came: the selected picture stays selected, never the
        // one that took its position.
        dlg.Folder().Select(1);
        WriteBmp("a0.bmp", 1, 1, 0);
        dlg.Folder().Relist();
        EXPECT_EQ(dlg.FileList().ListBox().GetText(dlg.Folder().SelectedIndex()), "p4.bmp");

        for (int i = 3; i < 8; ++i) {
            ::DeleteFileA(Pic("p" + std::to_string(i) + ".bmp").c_str());
        }
        ::DeleteFileA(Pic("a0.bmp").c_str());
        dlg.Folder().Relist();
        EXPECT_EQ(dlg.FileList().ListBox().GetCount(), 0);
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), -1);
        EXPECT_EQ(dlg.Folder().SelectedIndex(), -1);
    });
}

// The list's scroll bar is kept by the window: it must follow every way the list changes
// or scrolls, and be drawn anew only when its thumb moves, not on every removal.
TEST_F(Listing, TheScrollBarFollowsTheListAndIsDrawnOnlyWhenItsThumbMoves) {
    WithViewer([&](CViewerDlg& dlg) {
        CFolder& folder = dlg.Folder();
        CFileListBox& files = dlg.FileList();
        const test::TempDir empty("empty");
        const HWND bar = files.ScrollBar().Bar();
        ASSERT_TRUE(::IsWindowVisible(bar));
        const auto expectInStep = [&](const char* after) {
            SCROLLINFO shown{};
            shown.cbSize = sizeof shown;
            shown.fMask = SIF_ALL;
            ASSERT_TRUE(::GetScrollInfo(bar, SB_CTL, &shown)) << after;
            const int count = folder.Count();
            EXPECT_EQ(shown.nMax, std::max(count - 1, 0)) << after;
            EXPECT_EQ(shown.nPos, static_cast<int>(files.ListBox().SendMessage(LB_GETTOPINDEX))) << after;
            const RECT client = files.ListBox().GetClientRect();
            const auto rowHeight = static_cast<LONG>(files.ListBox().SendMessage(LB_GETITEMHEIGHT));
            const LONG page = std::max(1L, client.bottom / rowHeight);  // the scroll bar takes no more than all
            EXPECT_EQ(shown.nPage, static_cast<UINT>(std::min(page, static_cast<LONG>(std::max(count, 1))))) << after;
        };

        constexpr int kEntries = 20000;
        files.HoldDrawing(true);
        for (int i = 0; i < kEntries; ++i) {
            folder.Insert(ListEntry::Picture(L"p" + std::to_wstring(100000 + i) + L".bmp", Decoder::Bmp()));
        }
        files.HoldDrawing(false);
        expectInStep("filling");

        folder.Select(kEntries / 2);
        expectInStep("selecting");
        const unsigned drawnBefore = files.ScrollBar().RedrawCount();
        constexpr int kRemoved = 300;
        for (int i = 0; i < kRemoved; ++i) {
            folder.RemoveSelected();
        }
        expectInStep("removing");
        const unsigned drawn = files.ScrollBar().RedrawCount() - drawnBefore;
        EXPECT_GE(drawn, 1u) << "the thumb moved";
        EXPECT_LE(drawn, kRemoved / 10u);

        const std::pair<UINT, WPARAM> scrolls[] = {{WM_VSCROLL, SB_PAGEDOWN},    {WM_VSCROLL, SB_LINEUP},
                                                   {WM_VSCROLL, SB_TOP},         {WM_KEYDOWN, VK_END},
                                                   {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)},
                                                   {LB_SETTOPINDEX, 5000}};
        for (const auto& [msg, wParam] : scrolls) {
            const auto topBefore = files.ListBox().SendMessage(LB_GETTOPINDEX);
            files.ListBox().SendMessage(msg, wParam);
            EXPECT_NE(files.ListBox().SendMessage(LB_GETTOPINDEX), topBefore) << msg << " " << wParam;
            expectInStep("scrolling");
        }
        // The bar itself: a page down, and its thumb let go of further down.
        files.ListBox().SendMessage(LB_SETTOPINDEX, 0);
        files.ListBox().SendMessage(WM_VSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(bar));
        EXPECT_GT(files.ListBox().SendMessage(LB_GETTOPINDEX), 0);
        expectInStep("paging on the bar");
        ::SetScrollPos(bar, SB_CTL, 7000, FALSE);
        files.ListBox().SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7000), reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(files.ListBox().SendMessage(LB_GETTOPINDEX), 7000);
        expectInStep("letting go of the thumb");
        folder.Open(test::Wide(empty.Path()));
        expectInStep("clearing");
    });
}

// Removing an entry leaves the list on the screen exactly as drawing it whole would, at
// once unless the list scrolls: the rows below it move up, whether at the top, in the
// middle, on the last row in view, at the end of the list, when the list scrolls back or
// holds fewer rows than fit; with the focus on the list (its focus rectangle) and
// elsewhere. Wine's list box itself leaves the focus rectangle off the new last entry when
// the last one goes: not checked with focus.
TEST_F(Listing, RemovingAnEntryLeavesTheListAsDrawingItWholeWould) {
    WithViewer([&](CViewerDlg& dlg) {
        CFolder& folder = dlg.Folder();
        CFileListBox& files = dlg.FileList();
        const test::TempDir empty("empty");
        const HWND list = files.ListBox().GetSafeHwnd();
        const auto rowHeight = static_cast<int>(files.ListBox().SendMessage(LB_GETITEMHEIGHT));
        const int inView = files.ListBox().GetClientRect().bottom / rowHeight;
        ASSERT_GT(inView, 4);
        struct Case {
            const char* what;
            int entries;
            int top;       // the first row in view
            int selected;  // relative to `top`, or from the end when negative
        };
        const Case cases[] = {
            {"the first row", 3 * inView, 0, 0},
            {"a middle row", 3 * inView, 0, inView / 2},
            {"the last row wholly in view", 3 * inView, 0, inView - 1},
            {"a row of a list scrolled down", 3 * inView, inView, 2},
            {"a row of a list scrolled to its end", 3 * inView, 2 * inView, -3},
            {"the last entry", 3 * inView, 2 * inView, -1},
            {"a list shorter than the view", inView / 2, 0, 1},
        };
        for (const bool focused : {false, true}) {
            ::SetFocus(focused ? list : nullptr);
            for (const Case& c : cases) {
                folder.Open(test::Wide(empty.Path()));
                for (int i = 0; i < c.entries; ++i) {
                    folder.Insert(ListEntry::Picture(L"entry " + std::to_wstring(1000 + i) + L".bmp", Decoder::Bmp()));
                }
                files.ListBox().SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(c.top));
                const int top = static_cast<int>(files.ListBox().SendMessage(LB_GETTOPINDEX));
                folder.Select(c.selected >= 0 ? top + c.selected : c.entries + c.selected);
                ::UpdateWindow(list);
                for (int removal = 1; removal <= 3; ++removal) {
                    const bool last = folder.SelectedIndex() == folder.Count() - 1;
                    const auto topBefore = files.ListBox().SendMessage(LB_GETTOPINDEX);
                    folder.RemoveSelected();
                    // Unless the list scrolled, the removal is on the screen at once.
                    if (!last && files.ListBox().SendMessage(LB_GETTOPINDEX) == topBefore) {
                        EXPECT_FALSE(fw::WaitsToBePainted(list)) << c.what << ", removal " << removal;
                    }
                    ::UpdateWindow(list);
                    const std::vector<uint32_t> shown = test::ClientPixels(list);
                    ::InvalidateRect(list, nullptr, TRUE);
                    ::UpdateWindow(list);
                    if (!focused || !last) {
                        EXPECT_TRUE(shown == test::ClientPixels(list)) << c.what << ", removal " << removal
                                                               << (focused ? ", focused" : "");
                    }
                }
            }
        }
    });
}

TEST_F(Listing, TheFolderBrowserChoosesTheCurrentDirectory) {
    WriteBmp("a.bmp", 1, 1, 0);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        const std::wstring start = dlg.Folder().Dir();
        const Strings before = Entries(dlg);
        // Cancelled: nothing changes.
        EXPECT_EQ(dlg.BrowseCurrentDirectory(), start);
        ASSERT_EQ(prompts.browses.size(), 1u);
        EXPECT_EQ(prompts.browses[0].title, "ディレクトリ選択\nこのディレクトリ内の画像ファイルについて操作します。");
        EXPECT_EQ(prompts.browses[0].initialFolderW, start);
        EXPECT_EQ(prompts.browses[0].flags, 0x41u);
        EXPECT_EQ(prompts.browses[0].owner, dlg.m_hWnd);
        EXPECT_EQ(dlg.Folder().Dir(), start);
        EXPECT_EQ(Entries(dlg), before);

        // Chosen, through the "Change Dir" button.
        prompts.browseAnswers.push_back(test::Wide(m_pics.Path()));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.ChangeDirButton().m_hWnd));
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path()));
        EXPECT_EQ(Entries(dlg), (Strings{"a.bmp"}));
        EXPECT_EQ(prompts.browses.back().initialFolderW, start);
    });
}

TEST_F(Listing, TenThousandFilesInCaseInsensitiveOrder) {
    // Names alternate between upper and lower case; the list sorts them ignoring case.
    Strings names;
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%05d.bmp", i % 2 ? "Pic" : "pic", 9999 - i);
        names.push_back(name);
    }
    ASSERT_TRUE(test::HostMakesFiles(m_pics.Path(), names, ""));
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        // Listed in parts: the first part, then the rest merged into it.
        EXPECT_TRUE(dlg.Folder().IsFilling());
        dlg.Folder().FillToEnd();
        const Strings entries = Entries(dlg);
        ASSERT_EQ(entries.size(), 10000u);
        for (int i = 0; i < 10000; ++i) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%s%05d.bmp", (9999 - i) % 2 ? "Pic" : "pic", i);
            ASSERT_EQ(entries[i], expected) << i;
        }
        EXPECT_EQ(dlg.FileList().ListBox().GetCurSel(), 0);
    });
    EXPECT_TRUE(test::HostRemovesTree(m_pics.Path()));
}

// Names f0 to f2999 with the extension `ext`.
Strings ThreeThousandNames(const std::string& ext) {
    Strings names;
    for (int i = 0; i < 3000; ++i) {
        names.push_back("f" + std::to_string(i) + ext);
    }
    return names;
}

TEST_F(Listing, ClosingTheWindowDuringAListingStopsIt) {
    ASSERT_TRUE(test::HostMakesFiles(m_pics.Path(), ThreeThousandNames(".tpi"), ""));
    UsePlugins({"tpi"});
    CViewerDlg dlg;
    test::ModalScript()
        .Then([&](fw::CDialog&) {
            // Handled by the listing's own message pump: the menu's "終了" destroys the window.
            dlg.PostMessage(WM_COMMAND, 32771, 0);
            dlg.Folder().Open(test::Wide(m_pics.Path()));
            EXPECT_EQ(dlg.m_hWnd, nullptr);
            EXPECT_EQ(dlg.GetPlugins().Count(), 0) << "the plug-ins went with the window";
            MSG msg;
            EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
                << "the quit message is left for the loop";
        })
        .Run(dlg);
    EXPECT_TRUE(test::HostRemovesTree(m_pics.Path()));
}

TEST_F(Listing, TheMessagePumpLeavesTheQuitMessage) {
    WithViewer([&](CViewerDlg&) {
        ::PostQuitMessage(7);
        EXPECT_FALSE(fw::DrainQueue(fw::Input::kLeave));
        MSG msg;
        ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 7u);
        EXPECT_TRUE(fw::DrainQueue(fw::Input::kLeave));
    });
}

TEST_F(Listing, NoSecondListingWhileOneRuns) {
    ASSERT_TRUE(test::HostMakesFiles(m_pics.Path(), ThreeThousandNames(".bmp"), ""));
    test::PromptRecorder prompts;
    prompts.browseAnswers.push_back(L"C:\\");
    WithViewer([&](CViewerDlg& dlg) {
        // A click on "Change Dir" reaches the window while the listing drains the queue.
        dlg.PostMessage(WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.ChangeDirButton().m_hWnd));
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        EXPECT_TRUE(prompts.browses.empty()) << "the browser did not open during the listing";
        EXPECT_EQ(dlg.Folder().Dir(), test::Wide(m_pics.Path()));
        dlg.Folder().FillToEnd();
        EXPECT_EQ(dlg.FileList().ListBox().GetCount(), 3000);
        EXPECT_FALSE(dlg.Folder().IsListing());
    });
    EXPECT_TRUE(test::HostRemovesTree(m_pics.Path()));
}

}  // namespace
