// The real program started in a folder of pictures shows the first entry at once, fitted
// into the pane: a BMP, a JPEG through the shipped plug-in, or a sub-folder's first picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "image/PaneGeometry.h"
#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

// A screen colour within `tolerance` of the expected one on every channel (JPEG is lossy).
testing::AssertionResult Near(COLORREF got, COLORREF want, int tolerance) {
    if (std::abs(GetRValue(got) - GetRValue(want)) <= tolerance &&
        std::abs(GetGValue(got) - GetGValue(want)) <= tolerance &&
        std::abs(GetBValue(got) - GetBValue(want)) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << std::hex << "colour 0x" << got << " is not near 0x" << want;
}

// Where a width x height picture goes in the fitted layout.
PaneRect FitOf(const e2e::ViewerProcess& viewer, int width, int height) {
    const RECT pane = viewer.PaneRect();
    return CalcFitRect(PaneRect{0, 0, width, height}, PaneRect{pane.left, pane.top, pane.right, pane.bottom});
}

// Checks a fitted picture whose upper half is `upper` and lower half `lower`: the corners and
// middles of both halves inside its rectangle, and black just outside each edge of it.
void ExpectFitted(const e2e::ViewerProcess& viewer,
                  const PaneRect& fit,
                  COLORREF upper,
                  COLORREF lower,
                  int tolerance) {
    const RECT pane = viewer.PaneRect();
    const int midX = (fit.left + fit.right) / 2;
    const int upperY = fit.top + fit.Height() / 4;
    const int lowerY = fit.top + fit.Height() * 3 / 4;
    EXPECT_TRUE(Near(viewer.Pixel(midX, upperY), upper, tolerance)) << "upper middle";
    EXPECT_TRUE(Near(viewer.Pixel(midX, lowerY), lower, tolerance)) << "lower middle";
    EXPECT_TRUE(Near(viewer.Pixel(fit.left + 1, fit.top + 1), upper, tolerance)) << "top left";
    EXPECT_TRUE(Near(viewer.Pixel(fit.right - 2, fit.top + 1), upper, tolerance)) << "top right";
    EXPECT_TRUE(Near(viewer.Pixel(fit.left + 1, fit.bottom - 2), lower, tolerance)) << "bottom left";
    EXPECT_TRUE(Near(viewer.Pixel(fit.right - 2, fit.bottom - 2), lower, tolerance)) << "bottom right";
    if (fit.top > pane.top) {
        EXPECT_EQ(viewer.Pixel(midX, fit.top - 1), kBlack) << "above";
        EXPECT_EQ(viewer.Pixel(midX, pane.top), kBlack) << "top of the pane";
    }
    if (fit.bottom < pane.bottom) {
        EXPECT_EQ(viewer.Pixel(midX, fit.bottom), kBlack) << "below";
        EXPECT_EQ(viewer.Pixel(midX, pane.bottom - 1), kBlack) << "bottom of the pane";
    }
    if (fit.left > pane.left) {
        EXPECT_EQ(viewer.Pixel(fit.left - 1, upperY), kBlack) << "left";
        EXPECT_EQ(viewer.Pixel(pane.left, upperY), kBlack) << "left edge of the pane";
    }
    if (fit.right < pane.right) {
        EXPECT_EQ(viewer.Pixel(fit.right, lowerY), kBlack) << "right";
        EXPECT_EQ(viewer.Pixel(pane.right - 1, lowerY), kBlack) << "right edge of the pane";
    }
}

std::string TwoToneBmp(int width, int height, uint32_t upper, uint32_t lower) {
    return testdata::MakeBmp24(width, height, [=](int, int y) { return y < height / 2 ? upper : lower; });
}

// Screenshots are kept beside the test program for a person to look at.
std::string ShotPath(const std::string& name) {
    return test::ExeDir() + name + ".bmp";
}

TEST(FirstPicture, ABigBmpIsFittedIntoThePane) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    test::WriteFileBytes(install.PictureDir() + "\\wide.bmp", TwoToneBmp(800, 300, 0x2090E0, 0xE0A020));
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), std::vector<std::string>{"wide.bmp"});
    EXPECT_EQ(viewer.SelectedIndex(), 0);
    const PaneRect fit = FitOf(viewer, 800, 300);
    const RECT pane = viewer.PaneRect();
    ASSERT_LT(pane.right - pane.left, 800) << "the picture must be larger than the pane";
    EXPECT_EQ(fit.left, pane.left);
    EXPECT_EQ(fit.right, pane.right);
    viewer.SaveScreenshot(ShotPath("first-bmp"));
    ExpectFitted(viewer, fit, RGB(0x20, 0x90, 0xE0), RGB(0xE0, 0xA0, 0x20), 0);
}

TEST(FirstPicture, AJpegIsShownThroughTheShippedPlugin) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    std::string why;
    const std::string jpeg = test::EncodeWithWic(
        test::WicFormat::kJpeg, 360, 480, [](int, int y) { return y < 240 ? 0xFFD03030u : 0xFF3050D0u; }, &why);
    ASSERT_FALSE(jpeg.empty()) << why;
    test::WriteFileBytes(install.PictureDir() + "\\photo.jpg", jpeg);
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), std::vector<std::string>{"photo.jpg"});
    viewer.SaveScreenshot(ShotPath("first-jpeg"));
    ExpectFitted(viewer, FitOf(viewer, 360, 480), RGB(0xD0, 0x30, 0x30), RGB(0x30, 0x50, 0xD0), 24);
}

TEST(FirstPicture, AFolderListedFirstIsPreviewed) {
    test::TempDir root("e2e");
    e2e::Installation install(root.Path());
    test::MakeDir(install.PictureDir() + "\\album");
    test::WriteFileBytes(install.PictureDir() + "\\album\\inside.bmp", TwoToneBmp(300, 400, 0x40C040, 0xC040C0));
    test::WriteFileBytes(install.PictureDir() + "\\beside.bmp", TwoToneBmp(50, 50, 0xFFFFFF, 0xFFFFFF));
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(install));
    ASSERT_EQ(viewer.ListEntries(), (std::vector<std::string>{"[ album ]", "beside.bmp"}));
    EXPECT_EQ(viewer.SelectedIndex(), 0);
    viewer.SaveScreenshot(ShotPath("first-preview"));
    ExpectFitted(viewer, FitOf(viewer, 300, 400), RGB(0x40, 0xC0, 0x40), RGB(0xC0, 0x40, 0xC0), 0);
}

}  // namespace
