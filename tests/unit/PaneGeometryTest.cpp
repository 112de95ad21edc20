#include "image/PaneGeometry.h"

#include <gtest/gtest.h>

namespace {

constexpr int L = 200;
constexpr int T = 10;
const PaneRect kPane{L, T, L + 400, T + 300};

PaneRect Fit(int w, int h) {
    return CalcFitRect(PaneRect{0, 0, w, h}, kPane);
}

TEST(PaneGeometry, FitKeepsProportionsCentredAndEnlargesSmallPictures) {
    EXPECT_EQ(Fit(100, 50), (PaneRect{L, T + 50, L + 400, T + 250}));
    EXPECT_EQ(Fit(50, 100), (PaneRect{L + 125, T, L + 275, T + 300}));
    EXPECT_EQ(Fit(400, 300), kPane);
    EXPECT_EQ(Fit(4000, 3000), kPane);
    // Truncating integer arithmetic: 3 x 7 in 400 x 300 -> h = 7*400/3 = 933 > 300, w = 300*3/7 = 128.
    EXPECT_EQ(Fit(3, 7), (PaneRect{L + 136, T, L + 264, T + 300}));
    // Sizes whose products overflow 32 bits.
    EXPECT_EQ(Fit(2000000000, 1000000000), (PaneRect{L, T + 50, L + 400, T + 250}));
}

TEST(PaneGeometry, FitOfNothingIsThePane) {
    EXPECT_EQ(Fit(0, 0), kPane);
    EXPECT_EQ(Fit(100, 0), kPane);
    EXPECT_EQ(Fit(-5, 10), kPane);
}

TEST(PaneGeometry, FitLayoutAlwaysResetsTheOffsets) {
    int sx = 300;
    int sy = -40;
    const PictureLayout layout = LayoutPicture(true, 1000, 900, kPane, sx, sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    EXPECT_EQ(layout.source, (PaneRect{0, 0, 1000, 900}));
    EXPECT_EQ(layout.destination, CalcFitRect(PaneRect{0, 0, 1000, 900}, kPane));
}

TEST(PaneGeometry, ActualSizeCentresSmallPicturesUnscaled) {
    int sx = 0;
    int sy = 0;
    const PictureLayout layout = LayoutPicture(false, 100, 50, kPane, sx, sy);
    EXPECT_EQ(layout.source, (PaneRect{0, 0, 100, 50}));
    EXPECT_EQ(layout.destination, (PaneRect{L + 150, T + 125, L + 250, T + 175}));
    // A picture smaller than the pane cannot scroll.
    sx = 40;
    sy = 7;
    LayoutPicture(false, 100, 50, kPane, sx, sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
}

TEST(PaneGeometry, ActualSizeClampsOffsetsToTheLastFullPane) {
    int sx = 10000;
    int sy = 0;
    LayoutPicture(false, 1000, 100, kPane, sx, sy);
    EXPECT_EQ(sx, 600);
    sx = 500;  // still more than a pane's worth to the right: kept
    LayoutPicture(false, 1000, 100, kPane, sx, sy);
    EXPECT_EQ(sx, 500);
    sx = 601;
    LayoutPicture(false, 1000, 100, kPane, sx, sy);
    EXPECT_EQ(sx, 600);
    sx = -3;
    LayoutPicture(false, 1000, 100, kPane, sx, sy);
    EXPECT_EQ(sx, 0);
}

TEST(PaneGeometry, ScrolledSourceRectangle) {
    int sx = 100;
    int sy = 200;
    const PictureLayout top = LayoutPicture(false, 1000, 900, kPane, sx, sy);
    EXPECT_EQ(top.source, (PaneRect{100, 200, 500, 500}));
    EXPECT_EQ(top.destination, kPane);
}

TEST(PaneGeometry, ActualSizeWiderThanThePaneButShorter) {
    int sx = 0;
    int sy = 0;
    const PictureLayout layout = LayoutPicture(false, 1000, 100, kPane, sx, sy);
    EXPECT_EQ(layout.source, (PaneRect{0, 0, 400, 100}));
    EXPECT_EQ(layout.destination, (PaneRect{L, T + 100, L + 400, T + 200}));
}

}  // namespace
