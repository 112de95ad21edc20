#pragma once
// Where a picture goes in the picture pane: fitted (scaled to the largest rectangle
// with its proportions, centred) or at actual size with scroll offsets.

struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PaneRect&) const = default;
};

// The largest rectangle with the source's proportions that fits the pane, centred in it;
// small pictures are enlarged. A source without area gives the pane itself.
PaneRect CalcFitRect(const PaneRect& source, const PaneRect& pane);

// Source rectangle (picture pixels) and destination rectangle (pane coordinates) of one draw.
struct PictureLayout {
    PaneRect source;
    PaneRect destination;
};

// Lays out a width x height picture in the pane and clamps the scroll offsets in place:
// negative offsets become 0, both are 0 in the fit layout, and at actual size each ends
// within 0 and max(0, picture size - pane size). Source rows count from the picture's top.
PictureLayout LayoutPicture(bool fitToPane, int width, int height, const PaneRect& pane, int& scrollX, int& scrollY);
