#pragma once
// Pictures for the Wine tests, made by code: encoded with the platform's WIC encoders,
// or written byte by byte where a test needs a header an encoder would not write.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace test {

// The colour of pixel (x, y), counted from the top left, as 0xAARRGGBB.
using ArgbFunction = std::function<uint32_t(int x, int y)>;

enum class WicFormat { kJpeg, kPng, kGif, kTiff };

// The file bytes of a width x height picture encoded by WIC: JPEG and TIFF from 24-bit
// BGR (alpha dropped), PNG from 32-bit BGRA, GIF from an 8-bit palette of the picture's
// distinct colours (at most 256; alpha dropped). Empty when the encoder is missing or
// refuses the pixel format; the reason goes to the test's failure message.
std::string EncodeWithWic(WicFormat format, uint32_t width, uint32_t height, const ArgbFunction& argb,
                          std::string* why = nullptr);

// A PNG of the given size whose pixel data is a few rows of one colour only; the header
// is valid (CRCs included), so a decoder takes the claimed size at its word.
std::string MakePngClaimingSize(uint32_t width, uint32_t height);

// An uncompressed 24-bit TIFF with an Orientation tag (274) of the given value.
std::string MakeTiffWithOrientation(uint32_t width, uint32_t height, uint16_t orientation, const ArgbFunction& argb);

// An uncompressed 24-bit TIFF of the given size that holds the first row only: the system's
// decoder reads the pixels when they are asked for, so the claimed size reaches the caller.
std::string MakeTiffClaimingSize(uint32_t width, uint32_t height);

// One full decode of the file to 24-bit rows through the system's codec, as a program that
// only shows pictures would make it (the floor of the timings); false when it failed.
bool DecodeWithWic(const std::wstring& path, std::vector<uint8_t>& rows);

}  // namespace test
