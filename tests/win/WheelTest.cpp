// The mouse wheel over the list and the pane: a notch is Down or Up, a picture taller than
// the pane is paged through first, parts of a notch add up, and notches that came while a
// step was carried out are dropped.
#include <gtest/gtest.h>

#include "tests/win/support/ViewerFixture.h"

namespace {

class Wheel : public test::ViewerFixture {
protected:
    std::string Selected() const { return test::Narrow(m_dlg.Folder().Selected()->Text()); }
    static void Turn(HWND window, int delta) {
        ::PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), 0);
    }

    CViewerDlg m_dlg;
};

TEST_F(Wheel, NotchesStepLikeDownAndUp) {
    WriteBmp("a.bmp", 8, 6, 0x336699);
    WriteBmp("b.bmp", 8, 6000, 0x996633);  // taller than the pane at actual size
    WriteBmp("c.bmp", 8, 6, 0x339966);
    WriteBmp("d.bmp", 8, 6, 0x663399);
    HWND list = nullptr;
    HWND pane = nullptr;
    test::ModalScript script;
    script.Then([&](fw::CDialog&) {
        m_dlg.Folder().Open(test::Wide(m_pics.Path()));
        m_dlg.FileList().ListBox().SetFocus();
        list = m_dlg.FileList().ListBox().m_hWnd;
        pane = m_dlg.Pane().m_hWnd;
        m_dlg.Pane().SetFitToPane(false);
        Turn(list, -kWheelNotch);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp");
        Turn(pane, -kWheelNotch);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp") << "paged through first";
        EXPECT_GT(m_dlg.Pane().GetScrollY(), 0);
        Turn(pane, kWheelNotch);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(m_dlg.Pane().GetScrollY(), 0);
        EXPECT_EQ(Selected(), "b.bmp");
        Turn(pane, kWheelNotch);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "a.bmp");
        m_dlg.Pane().SetFitToPane(true);
        Turn(list, -kWheelNotch / 2);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "a.bmp") << "half a notch";
        Turn(list, -kWheelNotch / 2);
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "b.bmp") << "the other half";
        // A fast wheel: these came while the first was carried out.
        for (int i = 0; i < 5; ++i) {
            Turn(list, -kWheelNotch);
        }
    });
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(Selected(), "c.bmp") << "no queued steps after it stops";
        Turn(list, -2 * kWheelNotch);
    });
    script.Then([&](fw::CDialog&) { EXPECT_EQ(Selected(), "d.bmp") << "two notches in one message, the last entry"; });
    script.Run(m_dlg);
}

}  // namespace
