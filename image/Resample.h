#pragma once
// Scaling a decoded picture to the size it is shown at, into 32-bit BGRX rows that the
// display blits as they are. Shrinking averages areas: each target pixel is the mean of
// the source pixels it covers, pixels cut by its edges counted by the part covered.
// Enlarging interpolates bilinearly between the four nearest source pixel centres. Each
// direction picks its own filter, so a picture may shrink across and grow down.
//
// The work runs row by row. Shrinking both ways by at most 16 times (a photo fitted into a
// pane) on an x86 processor with SSE2, each target row is one vector pass down its source
// rows into a row of column means and one pass across that row, with weights of 14 bits.
// Otherwise, shrinking both ways, the rows wholly inside a target row are added up byte by
// byte and that sum is shrunk across once, beside the two rows its edges cut; and in every
// other case each source row is shrunk (or stretched) across and the rows across are
// summed down into the target rows. Integer and fixed-point arithmetic only, no division
// per pixel. Working memory is a few rows, of the source's width and of the target's.
// Portable: no <windows.h>.
//
// Colours are averaged as stored (no gamma), as the display's own stretching does. The
// fourth byte of a 32-bit source pixel is ignored and every target pixel's fourth byte is
// 0: the pictures shown are opaque (partly transparent ones are composited before).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// Rows of DIB pixels: 1, 4 or 8-bit indices into a colour table, 16-bit pixels (5-5-5
// unless masks are given), 24-bit blue-green-red, or 32-bit blue-green-red-unused pixels
// (masks may place the channels otherwise).
struct SourceRows {
    const uint8_t* rows = nullptr;  // the first row in memory
    size_t bytes = 0;               // bytes readable from `rows`
    int width = 0;
    int height = 0;
    int bitCount = 0;
    size_t rowStride = 0;  // bytes from one row to the next in memory
    bool topDown = false;  // the first row in memory is the picture's top row
    // Colour table of 1, 4 and 8-bit pixels: 4-byte entries blue, green, red, unused. An
    // index past its end is black.
    const uint8_t* colorTable = nullptr;
    size_t colorCount = 0;
    // Channel masks of 16 and 32-bit pixels (BI_BITFIELDS); all zero for the plain layout.
    // Each must be one run of set bits.
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
};

// Rows of 32-bit pixels to write: blue, green, red, 0.
struct BgrxRows {
    uint8_t* rows = nullptr;  // the first row in memory
    size_t bytes = 0;         // bytes writable from `rows`
    int width = 0;
    int height = 0;
    size_t rowStride = 0;
    bool topDown = false;
};

enum class ResampleStatus {
    kOk,           // the target holds the scaled picture (or has no pixels to fill)
    kStopped,      // keepGoing answered false: the target holds part of the picture
    kBadSource,    // sides not positive, unknown bit count, bad masks, rows past `bytes`
    kBadTarget,    // negative sides, rows past `bytes` or narrower than the width
    kOutOfMemory,  // the working rows could not be had
};

// Scales the whole source into the whole target. Writes nothing unless the status is kOk
// or kStopped; kOk writes every pixel of the target and no byte between its rows. When
// `keepGoing` is given it is asked every 128 source rows worked through (about a
// millisecond apart for a large photo), and the scaling stops once it answers false.
ResampleStatus ResamplePicture(const SourceRows& source, const BgrxRows& target,
                               const std::function<bool()>& keepGoing = {});

// Source rows that a decoder makes a band at a time, top row first, so that a picture is
// scaled without ever being held whole.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Makes rows first .. first + count - 1 (the top row is 0) of 24-bit blue-green-red
    // pixels readable, each `*stride` bytes after the one before from the address returned,
    // until the next call; rows before `first` are not asked for again. Null when they
    // cannot be had (the decoder failed).
    virtual const uint8_t* Hold(size_t first, size_t count, size_t* stride) = 0;
};
// Whether ResampleRows takes this scaling: both sides shrink (or keep their size) by at
// most 16 times, on a processor with SSE2.
bool ResampleRowsFits(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);
// Scales a picture of 24-bit rows read from `rows` into the whole target, with the same
// result as ResamplePicture of the same rows held whole. Each target row asks for its own
// rows, at most 17 of them (the one between two target rows twice). kBadSource when the
// scaling is not one ResampleRowsFits takes, or `rows` failed.
ResampleStatus ResampleRows(int sourceWidth, int sourceHeight, RowSource& rows, const BgrxRows& target,
                            const std::function<bool()>& keepGoing = {});
// Describes the rows of a DIB held as a BITMAPINFO block (header, masks, colour table) and
// its rows, as GDI takes them: biHeight negative for top-down rows, rows padded to four
// bytes, BI_RGB or (16 and 32 bits) BI_BITFIELDS. False when the block is too short for
// its header, masks and colour table, or the compression is another; the rows themselves
// are checked by ResamplePicture.
bool DescribeDibRows(std::span<const uint8_t> info, std::span<const uint8_t> rows, SourceRows* out);
