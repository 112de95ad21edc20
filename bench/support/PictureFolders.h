#pragma once
// Folders of big pictures for the benchmarks, made once and kept below the build folder.
#include <string>
#include <vector>

namespace bench {

// 24-megapixel pictures, as a camera of today takes them.
constexpr int kBigWidth = 6000;
constexpr int kBigHeight = 4000;

// A folder of kBigCount pictures of kBigWidth x kBigHeight: first the 24-bit BMP files
// "a0.bmp" ... then the JPEG files "b0.jpg" ..., so that in list order a run of BMP
// files is followed by a run of JPEG files. Each picture differs from the others.
// Returns the folder, or the empty string when it could not be made.
constexpr int kBigBmpCount = 5;
constexpr int kBigJpegCount = 5;
std::string EnsureBigPictureFolder();

// The names in the big folder, in list order.
std::vector<std::string> BigPictureNames();

}  // namespace bench
