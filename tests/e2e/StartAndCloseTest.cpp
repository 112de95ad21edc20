// The real program starts, shows its window, and writes its settings however it is closed.
#include <gtest/gtest.h>

#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

int CountSettingsKeys(const std::string& ini) {
    const std::string text = test::ReadFileBytes(ini);
    int keys = 0;
    for (const char* key : {"MoveDir=", "TrashDir=", "CopyDir=", "WallPaperDir=", "OpenWindowProgram=", "URLProgram=",
                            "URLMemo=", "ResizeWallPaperToScreenSize=", "AutoRenameAtMove=", "DeleteImmediate=", "TrashIdentical=",
                            "Width=", "Height="}) {
        keys += text.find(std::string("\n") + key) != std::string::npos ? 1 : 0;
    }
    return keys;
}

TEST(StartAndClose, AltF4ClosesAndWritesTheSettings) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    EXPECT_EQ(viewer.Caption().rfind("- IXO - [", 0), 0u) << viewer.Caption();
    viewer.SaveScreenshot(test::ExeDir() + "start.bmp");
    // The pane right of the list is black.
    const RECT pane = viewer.PaneRect();
    EXPECT_EQ(viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2), RGB(0, 0, 0));

    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    EXPECT_EQ(CountSettingsKeys(install.IniPath()), 13);
}

TEST(StartAndClose, MenuExitByKeyboardClosesAndWritesTheSettings) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    // Alt opens the menu bar on its first menu, Return opens that menu, Return takes its first item.
    viewer.Key(VK_MENU);
    viewer.Key(VK_RETURN);
    viewer.Key(VK_RETURN);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    EXPECT_EQ(CountSettingsKeys(install.IniPath()), 13);
}

}  // namespace
