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

// A folder of `count` 24-megapixel JPEG files "h000.jpg" ... of one picture (a held key
// goes through many more pictures than the big folder holds). Empty when it cannot be made.
std::string EnsureHeldKeyFolder(int count);

// The names in the big folder, in list order.
std::vector<std::string> BigPictureNames();

}  // namespace bench
