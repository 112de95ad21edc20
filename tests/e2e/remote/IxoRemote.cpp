// Runs the viewer once without a person: starts it, waits for its window, saves a
// screenshot and closes it through its menu ("ﾌｧｲﾙ" → "終了") by keyboard.
//   ixo_remote.exe EXE WORKDIR SCREENSHOT.bmp [PATH]
// PATH, a folder or a picture, goes on the viewer's command line exactly as given.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "portable/CommandLine.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

int main() {
    // The wide arguments: a path may hold names no code page has.
    const std::vector<std::wstring> args = CommandLineArguments(::GetCommandLineW());
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "usage: ixo_remote EXE WORKDIR SCREENSHOT.bmp [PATH]\n");
        return 2;
    }
    const std::wstring path = args.size() == 4 ? L"\"" + args[3] + L"\"" : std::wstring();
    e2e::ViewerProcess viewer;
    if (!viewer.Start(args[0], args[1], path, 60000)) {
        std::fprintf(stderr, "ixo_remote: the viewer's window did not appear\n");
        return 1;
    }
    ::Sleep(500);  // let the picture settle on screen
    viewer.WaitIdle();
    const bool saved = viewer.SaveScreenshot(test::Narrow(args[2]));
    viewer.Key(VK_MENU);
    viewer.Key(VK_RETURN);
    viewer.Key(VK_RETURN);
    if (!viewer.WaitForExit(15000)) {
        std::fprintf(stderr, "ixo_remote: the viewer did not close through its menu\n");
        return 1;
    }
    return saved ? 0 : 1;
}
