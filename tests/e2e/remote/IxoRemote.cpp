// Runs the viewer once without a person: starts it, waits for its window, saves a
// screenshot and closes it through its menu ("ﾌｧｲﾙ" → "終了") by keyboard.
//   ixo_remote.exe EXE WORKDIR SCREENSHOT.bmp
#include <windows.h>

#include <cstdio>

#include "tests/e2e/support/ViewerProcess.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ixo_remote EXE WORKDIR SCREENSHOT.bmp\n");
        return 2;
    }
    e2e::ViewerProcess viewer;
    if (!viewer.Start(argv[1], argv[2], 60000)) {
        std::fprintf(stderr, "ixo_remote: the viewer's window did not appear\n");
        return 1;
    }
    ::Sleep(500);  // let the picture settle on screen
    viewer.WaitIdle();
    const bool saved = viewer.SaveScreenshot(argv[3]);
    viewer.Key(VK_MENU);
    viewer.Key(VK_RETURN);
    viewer.Key(VK_RETURN);
    if (!viewer.WaitForExit(15000)) {
        std::fprintf(stderr, "ixo_remote: the viewer did not close through its menu\n");
        return 1;
    }
    return saved ? 0 : 1;
}
