// A key held down on the real keyboard (the X server's own auto-repeat) over 24-megapixel
// JPEG files: when the user lets go, the viewer stops, and a held M moves only pictures
// that were on the screen first.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/support/PaneWatcher.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr DWORD kHoldMs = 2000;

std::string SolidJpeg(uint32_t rgb) {
    return e2e::SolidJpeg(kWidth, kHeight, rgb);
}

// Holds a key down on the X server's keyboard for a while, then lets it go; true once
// Windows programs have seen both.
bool HoldOnXKeyboard(const char* xKey, WORD vk, DWORD ms) {
    test::RunHostProgram(std::string("/usr/bin/xdotool keydown ") + xKey,
                         [vk] { return (::GetAsyncKeyState(vk) & 0x8000) != 0; });
    const bool held = (::GetAsyncKeyState(vk) & 0x8000) != 0;
    ::Sleep(ms);
    test::RunHostProgram(std::string("/usr/bin/xdotool keyup ") + xKey,
                         [vk] { return (::GetAsyncKeyState(vk) & 0x8000) == 0; });
    return held && (::GetAsyncKeyState(vk) & 0x8000) == 0;
}

TEST(HeldKeySession, DownStopsWhenLetGo) {
    test::TempDir root("e2e-held-down");
    e2e::Installation install(root.Path());
    const std::string jpeg = SolidJpeg(0x406080);
    for (int i = 0; i < 80; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "\\p%02d.jpg", i);
        test::WriteFileBytes(install.PictureDir() + name, jpeg);
    }
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ::SetForegroundWindow(viewer.Window());
    viewer.WaitIdle();
    ASSERT_TRUE(HoldOnXKeyboard("Down", VK_DOWN, kHoldMs));
    const int atRelease = viewer.SelectedIndex();
    ::Sleep(3000);
    viewer.WaitIdle();
    const int after = viewer.SelectedIndex();
    EXPECT_GE(atRelease, 10) << "the keyboard's repeats did not step through the pictures";
    EXPECT_LE(after - atRelease, 1) << "stepped on after the key was let go";
}

TEST(HeldKeySession, HeldMoveStopsWhenLetGoAndMovesOnlyPicturesOnScreen) {
    test::TempDir root("e2e-held-m");
    e2e::Installation install(root.Path());
    const std::string move = root / "move";
    test::MakeDir(move);
    ::WritePrivateProfileStringA("Directory", "MoveDir", move.c_str(), install.IniPath().c_str());
    // Colours far apart from each other and from the black around the picture.
    const std::vector<uint32_t> colours = {0xC03030, 0x30C030, 0x3030C0, 0xC0C030, 0xC030C0,
                                           0x30C0C0, 0xE0E0E0, 0x806020, 0x208060, 0x602080};
    for (size_t i = 0; i < colours.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "\\m%02zu.jpg", i);
        test::WriteFileBytes(install.PictureDir() + name, SolidJpeg(colours[i]));
    }
    const DWORD started = ::GetTickCount();
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ::SetForegroundWindow(viewer.Window());
    viewer.WaitIdle();
    e2e::PaneWatcher watcher(viewer);
    while (!watcher.Saw(colours[0]) && ::GetTickCount() - started < 60000) {
        ::Sleep(10);
    }
    // A held M moves a picture only once it is painted, so the key is held for at least three
    // times what the start took to show the first picture in this run (several times the
    // native time where the viewer runs through an emulator): the repeats then move two.
    const DWORD holdMs = std::max<DWORD>(kHoldMs, 3 * (::GetTickCount() - started));
    ASSERT_TRUE(HoldOnXKeyboard("m", 'M', holdMs));
    const size_t movedByRelease = test::ListNames(move).size();
    ::Sleep(3000);
    viewer.WaitIdle();
    watcher.Stop();
    const std::vector<std::string> moved = test::ListNames(move);
    EXPECT_GE(movedByRelease, 2u) << "the keyboard's repeats moved nothing";
    EXPECT_LE(moved.size() - movedByRelease, 1u) << "moved on after the key was let go";
    for (const std::string& name : moved) {
        const uint32_t rgb = colours[static_cast<size_t>(std::stoi(name.substr(1, 2)))];
        EXPECT_TRUE(watcher.Saw(rgb)) << name << " went unseen";
    }
}

}  // namespace
