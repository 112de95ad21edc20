#pragma once
// The starts of files of the picture formats that only a decoder added to the system reads
// (WebP, HEIF and AVIF, JPEG XL, JPEG 2000, JPEG XR, Photoshop), made by code as their
// writers lay them out: the headers, then a few dummy bytes where the pixels would be.
// Portable (no <windows.h>); a file is returned as a byte string.
#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

// WebP: the RIFF container with one picture chunk. Lossy ("VP8 ", a key frame), lossless
// ("VP8L"), or extended ("VP8X": the canvas size, a lossless picture, and, when
// `exifOrientation` is not 0, an EXIF chunk naming it after the picture, with or without
// the "Exif\0\0" mark).
std::string MakeWebpLossy(uint32_t width, uint32_t height);
std::string MakeWebpLossless(uint32_t width, uint32_t height);
std::string MakeWebpExtended(uint32_t width, uint32_t height, uint16_t exifOrientation = 0, bool exifMark = false);

// An ISO base media file: the file-type box with the brands, a meta box whose primary item
// (item 1) has the size `width` x `height` and `turns` quarter turns anticlockwise (none
// when 0), beside a thumbnail (item 2) of 160 x 120 whose properties come first; then a
// media data box. `wideIndices`: the associations use 16-bit property indices and 32-bit
// item numbers.
std::string MakeHeif(const std::string& majorBrand,
                     const std::vector<std::string>& compatibleBrands,
                     uint32_t width,
                     uint32_t height,
                     int turns = 0,
                     bool wideIndices = false);

// A JPEG XL codestream: its signature, the size header as the reference encoder writes it
// (the small form for sides of multiples of 8 up to 256, a fixed ratio where one fits),
// and the picture's metadata, which names the orientation (1..8).
std::string MakeJxlCodestream(uint32_t width, uint32_t height, int orientation = 1);
// The JPEG XL container around a codestream: whole in a "jxlc" box, or (partial) its
// first part in a "jxlp" box.
std::string MakeJxlContainer(const std::string& codestream, bool partial = false);

// JPEG 2000: a bare codestream whose picture lies at an offset on the reference grid, and
// the JP2 file format with its header box.
std::string MakeJ2kCodestream(uint32_t width, uint32_t height);
std::string MakeJp2(uint32_t width, uint32_t height);

// JPEG XR: the file header and a directory naming the sides.
std::string MakeJxrHeader(uint32_t width, uint32_t height);

// A Photoshop file's header.
std::string MakePsdHeader(uint32_t width, uint32_t height);

}  // namespace testdata
