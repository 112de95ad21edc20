#pragma once
// The headers of PNG, GIF and TIFF files made by code, for the tests of the plug-in's
// header reading and the fuzzer's seeds: everything up to the first pixel data, which is
// a few dummy bytes. Portable (no <windows.h>); a file is returned as a byte string.
#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

// A PNG chunk: length, type, data and the checksum over type and data.
std::string PngChunk(const std::string& type, const std::string& data);

// Signature, header chunk (IHDR), the chunks given, then pixel data and the end chunk.
std::string MakePngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                          const std::string& chunksBeforePixels = "");

// GIF89a: a screen descriptor with a global colour table of 4 entries, the extension
// blocks given (each complete, from its 0x21 on), then an image descriptor and a few
// bytes of pixel data.
std::string MakeGifHeader(uint16_t screenWidth, uint16_t screenHeight, uint16_t imageWidth, uint16_t imageHeight,
                          const std::vector<std::string>& extensions = {});
// A comment extension holding `text` in sub-blocks of at most 255 bytes.
std::string GifComment(const std::string& text);

struct TiffEntry {
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG, 5 RATIONAL
    uint32_t count;
    uint32_t value;  // the value itself (a SHORT in the first two bytes), or an offset
};

// A TIFF file in either byte order: the 8-byte file header, the `extra` bytes (values
// that entries point at, from offset 8 on), `gap` zero bytes, then the first directory
// holding the entries.
std::string MakeTiffHeader(bool little, const std::vector<TiffEntry>& entries, const std::string& extra = "",
                           uint32_t gap = 0);
// Two unsigned 32-bit numbers (a RATIONAL) in the byte order.
std::string TiffRational(bool little, uint32_t numerator, uint32_t denominator);

}  // namespace testdata
