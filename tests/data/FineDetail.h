#pragma once
// A picture of fine detail for judging how a picture is scaled down, and the plain
// portable pixmap files (PPM) through which ImageMagick scales it for comparison.
// Portable: compiles for the host unit tests and for the Wine tests alike.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

// Pixels as blue, green, red triplets, `stride` bytes from one row to the next, top row first.
struct BgrPicture {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::vector<uint8_t> bytes;
};

// A well-mixed 32-bit hash of `v`: repeatable noise for generated pictures.
uint32_t Scatter(uint32_t v);

// Quarters of one-pixel detail: vertical stripes (top left), horizontal stripes (top
// right), a checkerboard (bottom left) and noise (bottom right). Rows padded to four bytes.
BgrPicture MakeFineDetail(int width, int height);

// A binary PPM file (P6, maxval 255) of the picture.
std::string EncodePpm(const BgrPicture& picture);
// The picture in a binary PPM file (P6, maxval 255, no comments), rows unpadded; none
// (width 0) when the file is of another form or cut short.
BgrPicture DecodePpm(const std::string& file);

// The mean over all pixels of the absolute difference of each channel (blue, green, red);
// `bytesPerPixel` of `b` is 3 or 4 (the fourth byte ignored). Both pictures must be of the same size.
struct ChannelMeans {
    double blue = 0, green = 0, red = 0;
    double Largest() const;
};
ChannelMeans MeanAbsoluteDifference(const BgrPicture& a, const uint8_t* b, size_t bStride, int bytesPerPixel);

}  // namespace testdata
