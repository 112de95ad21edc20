// The window's title after the folder: the shown entry's name, its size as decoded, its
// file's size and its place in the list; a folder entry's name and place; no size while a
// picture is still to be decoded; names as they are on disk.
#include <gtest/gtest.h>

#include "pane/TitleFacts.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

class WindowTitle : public test::ViewerFixture {
protected:
    std::wstring Title(const CViewerDlg& dlg) const { return dlg.GetWindowTextW(); }
    std::wstring Folder() const { return test::Wide("- IXO - [" + m_pics.Path() + "]"); }
    std::wstring Bytes(const std::string& name) const {
        return FileSizeText(test::ReadFileBytes(Pic(name)).size());
    }
};

TEST_F(WindowTitle, ThePictureOrFolderShownAndItsPlace) {
    test::MakeDir(Pic("sub"));
    WriteBmp("a.bmp", 5, 4, 0x336699);
    WriteBmp("b.bmp", 7, 2, 0x996633);
    const std::wstring wide = L"caf\u00E9\u0101.bmp";  // not in code page 932
    test::WriteFileBytes(test::Wide(m_pics.Path()) + L"\\" + wide, test::ReadFileBytes(Pic("b.bmp")));
    WithViewer([&](CViewerDlg& dlg) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_EQ(dlg.Folder().Count(), 4);
        dlg.Folder().Select(0);
        EXPECT_EQ(Title(dlg), Folder() + L"  sub  1/4");
        dlg.Folder().Select(1);
        EXPECT_EQ(Title(dlg), Folder() + L"  a.bmp  5\u00D74  " + Bytes("a.bmp") + L"  2/4");
        dlg.Folder().Select(3);
        EXPECT_EQ(Title(dlg), Folder() + L"  " + wide + L"  7\u00D72  " + Bytes("b.bmp") + L"  4/4");
    });
}

// A picture whose decode was given up for a held key waiting is named without a size until it
// has been decoded in idle time.
TEST_F(WindowTitle, NoSizeWhileThePictureIsStillToBeDecoded) {
    UsePlugins({"tpi"});
    for (const char* name : {"a.tpi", "b.tpi"}) {
        test::WriteFileBytes(Pic(name), test::MakeSolidTestPicture(64, 48, 0x336699, test::kTpSlowSilent));
    }
    CViewerDlg dlg;
    test::ModalScript script;
    script.Then([&](fw::CDialog&) {
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        dlg.FileList().ListBox().SetFocus();
        // Down held: its press is taken, its repeat waits.
        test::SendKey(VK_DOWN, true);
        test::SendKey(VK_DOWN, true);
        MSG press;
        ASSERT_TRUE(::PeekMessageW(&press, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
        dlg.Folder().Select(1);
        ASSERT_TRUE(dlg.Pane().IsPending());
        EXPECT_EQ(Title(dlg), Folder() + L"  b.tpi  " + Bytes("b.tpi") + L"  2/2");
        // The key is taken back: the picture is decoded once nothing waits.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        test::SendKey(VK_DOWN, false);
        script.HoldUntil([&] { return !dlg.Pane().IsPending(); });
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Title(dlg), Folder() + L"  b.tpi  64\u00D748  " + Bytes("b.tpi") + L"  2/2");
    });
    script.Run(dlg);
}

}  // namespace
