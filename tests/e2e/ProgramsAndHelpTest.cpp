// The keys that hand over to other programs, and the help menu's command list, in the
// real program. The configured programs are command shells that write their argument
// into a file, so the test sees what a file manager or browser would have been given.
#include <gtest/gtest.h>

#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/CommandListText.h"
#include "tests/win/support/TestSupport.h"

namespace {

// The text a program started by the viewer wrote, once it is there; empty on timeout.
std::string WaitForFileText(const std::string& path, DWORD timeoutMs = 20000) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        const std::string text = test::ReadFileBytes(path);
        if (text.find('\n') != std::string::npos) {
            return text;
        }
        ::Sleep(50);
    }
    return {};
}

// A program that writes its arguments into `path`.
std::string Recorder(const std::string& path) {
    return "cmd /c echo>" + path;
}

TEST(ProgramsAndHelp, IOpensTheMemoOfTheSelectedFolderAndCtrlWItsDirectory) {
    test::TempDir root("e2e-tools");
    e2e::Installation install(root.Path());
    const std::string inner = install.PictureDir() + "\\My Pictures";
    test::MakeDir(inner);
    test::WriteFileBytes(install.PictureDir() + "\\URLMemo.txt", "http://top.example/\r\n");
    test::WriteFileBytes(inner + "\\URLMemo.txt", "note\r\nhttp://inner.example/a?b=1\r\n\r\n");
    const std::string ini = install.IniPath();
    ::WritePrivateProfileStringA("Directory", "URLProgram", Recorder(root / "url.txt").c_str(), ini.c_str());
    ::WritePrivateProfileStringA("Directory", "OpenWindowProgram", Recorder(root / "dir.txt").c_str(), ini.c_str());

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.SelectedIndex(), 0) << "the folder entry comes first";
    viewer.Key('I');
    EXPECT_EQ(WaitForFileText(root / "url.txt"), "http://inner.example/a?b=1\r\n");

    viewer.Key(VK_RIGHT);
    viewer.Key('W', false, true);
    EXPECT_EQ(WaitForFileText(root / "dir.txt"), "\"" + inner + "\"\r\n") << "one argument despite the blank";

    viewer.Key(VK_F4, false, false, true);
    EXPECT_TRUE(viewer.WaitForExit(10000));
}

TEST(ProgramsAndHelp, TheHelpMenuShowsTheCommandListAndEscapeClosesIt) {
    test::TempDir root("e2e-help");
    e2e::Installation install(root.Path());
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    // Alt takes the menu bar at its first menu; four steps right is the help menu, Return
    // opens it and takes its first item.
    viewer.Key(VK_MENU);
    for (int i = 0; i < 4; ++i) {
        viewer.Key(VK_RIGHT);
    }
    viewer.Key(VK_RETURN);
    viewer.Key(VK_RETURN);
    const HWND list = viewer.WaitForDialog("ﾀﾞｲｱﾛｸﾞ");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(e2e::ViewerProcess::ItemText(list, 1025), test::kCommandListText);
    viewer.SaveScreenshot(test::ExeDir() + "commandlist.bmp");
    viewer.KeyToDialog(list, VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(list));
    EXPECT_TRUE(viewer.IsRunning()) << "Escape closes only the list";

    viewer.Key(VK_F4, false, false, true);
    EXPECT_TRUE(viewer.WaitForExit(10000));
}

}  // namespace
