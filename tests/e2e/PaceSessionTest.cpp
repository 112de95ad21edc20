// Sorting at the user's pace with the real keyboard: M typed four times a second over
// 24-megapixel JPEG files. Every picture is on the screen before it moves, and the last
// one moves within the keys' own pace: twelve such decodes on one thread take longer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/WideText.h"
#include "tests/e2e/support/PaneWatcher.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

constexpr int kKeys = 12;
constexpr DWORD kKeyMs = 250;

// Whether this 32-bit program runs through the host's emulator (scripts/wine-env says so).
bool ThroughEmulator() {
#ifdef _WIN64
    return false;
#else
    char way[16] = {};
    return ::GetEnvironmentVariableA("IXO_32BIT_WAY", way, sizeof way) > 0 && std::string(way) == "emulated";
#endif
}

TEST(PaceSession, TwelveTypedMovesEachPaintedFirstKeepThePaceOfTheKeys) {
    test::TempDir root("e2e-pace");
    e2e::Installation install(root.Path());
    const std::string move = root / "move";
    test::MakeDir(move);
    ::WritePrivateProfileStringA("Directory", "MoveDir", move.c_str(), install.IniPath().c_str());
    // Far apart from each other and from the black around the picture.
    const std::vector<uint32_t> colours = {0xC03030, 0x30C030, 0x3030C0, 0xC0C030, 0xC030C0, 0x30C0C0, 0xE0E0E0,
                                           0x806020, 0x208060, 0x602080, 0x808080, 0xF08040, 0x4080F0};
    static_assert(kKeys == 12);
    for (size_t i = 0; i < colours.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "\\p%02zu.jpg", i);
        test::WriteFileBytes(install.PictureDir() + name, e2e::SolidJpeg(6000, 4000, colours[i]));
    }
    // One decode by the system's codec on one thread, the least of three.
    DWORD decodeMs = ~0u;
    std::vector<uint8_t> rows;
    for (int i = 0; i < 3; ++i) {
        const DWORD start = ::GetTickCount();
        ASSERT_TRUE(test::DecodeWithWic(fw::Widen932(install.PictureDir() + "\\p00.jpg"), rows));
        decodeMs = std::min(decodeMs, ::GetTickCount() - start);
    }
    rows = {};

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ::SetForegroundWindow(viewer.Window());
    viewer.WaitIdle();
    e2e::PaneWatcher watcher(viewer);
    const DWORD started = ::GetTickCount();
    while (!watcher.Saw(colours[0]) && ::GetTickCount() - started < 60000) {
        ::Sleep(10);
    }
    ASSERT_TRUE(watcher.Saw(colours[0]));
    std::string keys = "/usr/bin/xdotool key --delay " + std::to_string(kKeyMs);
    for (int i = 0; i < kKeys; ++i) {
        keys += " m";
    }
    const DWORD typed = ::GetTickCount();
    std::vector<DWORD> movedAt(kKeys, 0);
    test::RunHostProgram(keys, [] { return true; });
    while (::GetTickCount() - typed < 60000) {
        const DWORD now = ::GetTickCount();
        for (int i = 0; i < kKeys; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "\\p%02d.jpg", i);
            if (movedAt[i] == 0 && ::GetFileAttributesA((move + name).c_str()) != INVALID_FILE_ATTRIBUTES) {
                movedAt[i] = now;
            }
        }
        if (std::count(movedAt.begin(), movedAt.end(), DWORD{0}) == 0 && watcher.Saw(colours[kKeys])) {
            break;
        }
        ::Sleep(2);
    }
    viewer.WaitIdle();
    watcher.Stop();
    EXPECT_EQ(test::ListNames(move).size(), static_cast<size_t>(kKeys));
    for (int i = 0; i < kKeys; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(movedAt[i], 0u) << "not moved";
        const std::optional<DWORD> seen = watcher.FirstSeen(colours[i]);
        ASSERT_TRUE(seen) << "moved unseen";
        EXPECT_LE(*seen, movedAt[i]) << "moved before it was on the screen";
    }
    EXPECT_TRUE(watcher.Saw(colours[kKeys])) << "the picture after the last moved one is not shown";
    // From the first move (the first key: its picture was on the screen) to the twelfth,
    // against twelve decodes on one thread: 0.6 of them, or, where the keys themselves come
    // later, a few decodes after the last key. Through an emulator the times are the
    // emulator's, and only what happened counts.
    const DWORD took = *std::max_element(movedAt.begin(), movedAt.end()) - movedAt[0];
    const DWORD allowed = std::max<DWORD>(kKeys * decodeMs * 6 / 10, (kKeys - 1) * kKeyMs + 3 * decodeMs);
    if (!ThroughEmulator()) {
        EXPECT_LE(took, allowed) << "one decode took " << decodeMs << " ms";
    }
    std::printf("pace: twelve moves in %lu ms, one decode %lu ms, allowed %lu ms\n", static_cast<unsigned long>(took),
                static_cast<unsigned long>(decodeMs), static_cast<unsigned long>(allowed));
}

}  // namespace
