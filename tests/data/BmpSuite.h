#pragma once
// The independent BMP conformance suite that lies beside the checkout, in
// ../shared/corpus/bmpsuite: its index (suite.tsv), its files and its reference pictures
// (8-bit RGBA PAM files). Portable; the host tests drive the reader's core over it, the
// Wine tests the viewer's BMP picture.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image/BmpLayout.h"

namespace testdata {

// One line of suite.tsv.
struct SuiteFile {
    std::string set;                      // "g" (valid), "q" (questionable or rare) or "b" (broken)
    std::string file;                     // relative to the suite's folder, e.g. "g/pal8.bmp"
    std::string expect;                   // "correct", "any" or "safe"
    std::vector<std::string> references;  // relative paths; none for some q/ and most b/ files
};

// The suite's lines; empty, with *error saying why, when suite.tsv cannot be read.
std::vector<SuiteFile> ReadSuiteIndex(const std::string& dir, std::string* error);

// The q/ files this reader refuses, with the reason its core gives. Every other g/ and q/
// file is read and shown as one of its references.
const std::map<std::string, bmp::Status>& RefusedSuiteFiles();

// The whole file; empty when it cannot be read.
std::string ReadBinaryFile(const std::string& path);

// A picture as 0xAARRGGBB pixels, rows from the top.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Reads an 8-bit RGBA PAM file; false when it is missing or of another form.
bool ReadPam(const std::string& path, RgbaPicture* out);

// The colour shown at pixel (x, y from the top), as 0x00RRGGBB.
using ShownFn = std::function<uint32_t(int x, int y)>;

// The first of the file's references that a width x height picture `shown` equals, compared
// wherever the reference is not fully transparent (transparent pixels carry no meaning)
// and allowing each channel to differ by up to `tolerance`; empty when none matches, with
// *why naming the first difference from each.
std::string MatchingReference(const std::string& dir,
                              const SuiteFile& file,
                              int width,
                              int height,
                              const ShownFn& shown,
                              int tolerance,
                              std::string* why);

// The tolerance a file's pixels are compared with: 0, except where the file's channels and
// its reference are two independent roundings of the same colours.
int SuiteTolerance(const SuiteFile& file);

}  // namespace testdata
