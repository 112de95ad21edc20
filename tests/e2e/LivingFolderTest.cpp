// The real program follows its folder: a picture copied in or deleted by a shell command
// reaches the list without a key; a folder of 100,000 pictures shows its first picture
// while the list is still filling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

constexpr int kFileListId = 1000;

std::string SolidBmp(int width, int height, uint32_t rgb) {
    return testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; });
}

// Runs a command of the shell (cmd.exe /c ...) to its end.
bool RunShell(const std::string& command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = "cmd.exe /c " + command;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &process)) {
        return false;
    }
    const bool ended = ::WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ended;
}

// Waits, without a key, until the list holds (or no longer holds) `name`.
bool ListComesToHold(const e2e::ViewerProcess& viewer, const std::string& name, bool holds, DWORD ms = 5000) {
    const DWORD start = ::GetTickCount();
    do {
        const std::vector<std::string> entries = viewer.ListEntries();
        if ((std::find(entries.begin(), entries.end(), name) != entries.end()) == holds) {
            return true;
        }
        ::Sleep(50);
    } while (::GetTickCount() - start < ms);
    return false;
}

int ListCount(const e2e::ViewerProcess& viewer) {
    DWORD_PTR count = 0;
    ::SendMessageTimeoutA(::GetDlgItem(viewer.Window(), kFileListId), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
    return static_cast<int>(count);
}

TEST(LivingFolder, PicturesCopiedInAndDeletedByTheShellComeAndGoWithoutAKey) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    test::TempDir elsewhere("src");
    test::WriteFileBytes(install.PictureDir() + "\\b.bmp", SolidBmp(40, 30, 0x3060C0));
    test::WriteFileBytes(elsewhere / "a.bmp", SolidBmp(40, 30, 0xC06030));
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), std::vector<std::string>{"b.bmp"});

    ASSERT_TRUE(RunShell("copy /y \"" + (elsewhere / "a.bmp") + "\" \"" + install.PictureDir() + "\\a.bmp\""));
    ASSERT_TRUE(ListComesToHold(viewer, "a.bmp", true));
    EXPECT_EQ(viewer.ListEntries(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
    EXPECT_EQ(viewer.SelectedIndex(), 1) << "the selection stays on b.bmp";

    ASSERT_TRUE(RunShell("del \"" + install.PictureDir() + "\\a.bmp\""));
    ASSERT_TRUE(ListComesToHold(viewer, "a.bmp", false));
    EXPECT_EQ(viewer.ListEntries(), std::vector<std::string>{"b.bmp"});
    EXPECT_EQ(viewer.SelectedIndex(), 0);
}

TEST(LivingFolder, AHundredThousandPicturesShowTheFirstWhileTheListFills) {
    constexpr int kPictures = 100000;
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    const std::string pictures = install.PictureDir();
    std::vector<std::string> names;
    for (int i = 0; i < kPictures; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%06d.bmp", i * 7919 % kPictures);
        names.push_back(name);
    }
    ASSERT_TRUE(test::HostMakesFiles(pictures, names, SolidBmp(8, 6, 0x20C040)));

    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(install, 60000));
        // The window is up; its paint of the first picture may come a moment later (through
        // an emulator, many moments). How much is listed by then is what counts.
        const RECT pane = viewer.PaneRect();
        COLORREF middle = 0;
        int listedFirst = 0;
        for (const DWORD shown = ::GetTickCount(); ::GetTickCount() - shown < 20000; ::Sleep(5)) {
            listedFirst = ListCount(viewer);
            middle = viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2);
            if (middle == RGB(0x20, 0xC0, 0x40)) {
                break;
            }
        }
        viewer.SaveScreenshot(test::ExeDir() + "living-folder-100k-filling.bmp");
        EXPECT_LT(listedFirst, kPictures) << "the list was still filling when the picture was shown";
        EXPECT_GT(listedFirst, 0);
        EXPECT_EQ(middle, RGB(0x20, 0xC0, 0x40)) << "the first picture is on screen";

        const DWORD start = ::GetTickCount();
        while (ListCount(viewer) < kPictures && ::GetTickCount() - start < 60000) {
            ::Sleep(100);
        }
        EXPECT_EQ(ListCount(viewer), kPictures);
        EXPECT_EQ(viewer.SelectedIndex(), 0);
    }
    // The files go before the rest of the folder, by the host.
    EXPECT_TRUE(test::HostRemovesTree(pictures));
}

}  // namespace
