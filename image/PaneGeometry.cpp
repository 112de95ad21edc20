#include "image/PaneGeometry.h"

#include <algorithm>
#include <cstdint>

PaneRect CalcFitRect(const PaneRect& source, const PaneRect& pane) {
    const int64_t sw = source.Width();
    const int64_t sh = source.Height();
    const int64_t pw = pane.Width();
    const int64_t ph = pane.Height();
    if (sw <= 0 || sh <= 0) {
        return pane;
    }
    int64_t w = pw;
    int64_t h = sh * pw / sw;
    if (h > ph) {
        h = ph;
        w = ph * sw / sh;
    }
    PaneRect fit;
    fit.left = pane.left + static_cast<int>((pw - w) / 2);
    fit.top = pane.top + static_cast<int>((ph - h) / 2);
    fit.right = fit.left + static_cast<int>(w);
    fit.bottom = fit.top + static_cast<int>(h);
    return fit;
}

namespace {

// An offset that shows less than a pane's worth of picture snaps back to the last full pane.
int ClampOffset(int offset, int pictureSize, int paneSize) {
    offset = std::max(offset, 0);
    if (static_cast<int64_t>(pictureSize) - offset <= paneSize) {
        offset = std::max(0, pictureSize - paneSize);
    }
    return offset;
}

}  // namespace

PictureLayout LayoutPicture(bool fitToPane, int width, int height, const PaneRect& pane, int& scrollX, int& scrollY) {
    const int paneW = pane.Width();
    const int paneH = pane.Height();
    if (fitToPane) {
        scrollX = 0;
        scrollY = 0;
    } else {
        scrollX = ClampOffset(scrollX, width, paneW);
        scrollY = ClampOffset(scrollY, height, paneH);
    }

    PictureLayout layout;
    PaneRect& src = layout.source;
    src = PaneRect{scrollX, scrollY, width, height};
    if (fitToPane) {
        layout.destination = CalcFitRect(src, pane);
        return layout;
    }

    PaneRect& dst = layout.destination;
    dst = PaneRect{pane.left, pane.top, pane.left + src.Width(), pane.top + src.Height()};
    if (src.Width() > paneW) {
        const int excess = src.Width() - paneW;
        dst.right -= excess;
        src.right -= excess;
    }
    if (src.Height() > paneH) {
        const int excess = src.Height() - paneH;
        dst.bottom -= excess;
        src.bottom -= excess;
    }
    if (width < paneW) {
        const int shift = (paneW - width) / 2;
        dst.left += shift;
        dst.right += shift;
    }
    if (height < paneH) {
        const int shift = (paneH - height) / 2;
        dst.top += shift;
        dst.bottom += shift;
    }
    return layout;
}
