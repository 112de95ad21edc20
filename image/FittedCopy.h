#pragma once
// A picture scaled once to the size it is shown at in the pane, so that a fitted picture
// is drawn with one copy of the pane's own pixels instead of stretching the whole decoded
// picture on every paint. The copy is a 32-bit section filled by the resampler (area
// averaging when shrinking), so fine detail is averaged rather than dropped.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "framework/Gdi.h"
#include "image/Picture.h"
#include "image/Resample.h"
#include "portable/KeepGoing.h"

class CFittedCopy {
public:
    CFittedCopy() = default;
    CFittedCopy(CFittedCopy&&) noexcept = default;
    CFittedCopy& operator=(CFittedCopy&&) noexcept = default;

    // `picture` scaled to width x height; empty when there is nothing to scale, a side is
    // not positive, or the memory or the section could not be had. None when `keepGoing`,
    // asked now and then while the picture is scaled, answered false.
    static std::optional<CFittedCopy> Make(const CPicture& picture, int width, int height,
                                           const KeepGoing& keepGoing = {});
    // The same out of a decoder's rows handed over a band at a time (see ResampleRows),
    // for a scaling ResampleRowsFits takes; empty too when the rows failed.
    static std::optional<CFittedCopy> Make(int sourceWidth, int sourceHeight, RowSource& rows, int width,
                                           int height, const KeepGoing& keepGoing = {});

    bool IsEmpty() const { return m_bitmap.Get() == nullptr; }
    // Whether this copy is one of width x height pixels.
    bool Fits(int width, int height) const { return !IsEmpty() && m_width == width && m_height == height; }
    uint64_t HeldBytes() const { return IsEmpty() ? 0 : uint64_t{4} * static_cast<uint32_t>(m_width) * static_cast<uint32_t>(m_height); }
    // Copies the whole copy onto `dc` with its top left at (x, y). False when GDI refused.
    bool Draw(HDC dc, int x, int y) const;

    // How many copies this process has made so far: each costs a resample of a whole
    // picture, which a key should not have to wait for.
    static unsigned MadeCount();

private:
    // A copy of width x height filled by `fill` (a resampler's status for the rows given).
    static std::optional<CFittedCopy> Fill(int width, int height,
                                           const std::function<ResampleStatus(const BgrxRows&)>& fill);

    fw::CGdiObject<HBITMAP> m_bitmap;
    int m_width = 0;
    int m_height = 0;
};
