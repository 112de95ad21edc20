#pragma once
// Writer of the test picture format that the test plug-in decodes:
//   bytes 0-3 "IXTP", 4-7 width, 8-11 height, 12-15 output mode (little-endian uint32),
//   then width x height R,G,B triplets, top-down rows, no padding.
// Portable: compiles for the host unit tests and for the Wine tests alike.
#include <cstdint>
#include <functional>
#include <string>

namespace test {

// Output modes understood by the test plug-in's GetPicture.
enum TestPictureMode : uint32_t {
    kTpBottomUp24 = 0,
    kTpTopDown24 = 1,
    kTpPalette8 = 2,
    kTpBgrx32 = 3,
    kTpShortBits = 4,         // bits handle only half the size the header needs
    kTpWiderHeader = 5,       // header width 7 more than the picture's
    kTpCoreHeaderSize = 6,    // biSize 12 in a 40-byte header
    kTpTooManyColours = 7,    // 8-bit, biClrUsed 1000 but only 256 entries present
    kTpOutOfMemory = 8,       // GetPicture answers "out of memory", GetPictureInfo the size
    kTpNoMemoryAtAll = 9,     // both answer "out of memory"
    kTpStraightAlpha32 = 10,  // 32-bit, alpha 255, 128, 0 by column, repeating
    kTpSlowRows = 11,         // as mode 0, taking kTpSlowRowMs a row, with progress after each
    kTpSlowSilent = 12,       // as mode 0 after a pause of kTpSilentMs without progress
    kTpArriving = 13,         // pixels short (broken) until GetPictureInfo has written the rest
    kTpStall = 14,            // as mode 0 after a pause of kTpStallMs without progress
    kTpSharedHandle = 15,     // GetPicture hands over one block as header and rows
};

// How slow the slow modes are.
constexpr uint32_t kTpSlowRowMs = 4;
constexpr uint32_t kTpSilentMs = 400;
constexpr uint32_t kTpStallMs = 2500;

constexpr size_t kTestPictureHeaderSize = 16;

// A picture whose pixel (x, y), counted from the top left, has the colour rgb(x, y) as 0xRRGGBB.
std::string MakeTestPicture(uint32_t width, uint32_t height, uint32_t mode,
                            const std::function<uint32_t(int x, int y)>& rgb);
// A picture of one colour (0xRRGGBB).
std::string MakeSolidTestPicture(uint32_t width, uint32_t height, uint32_t rgb, uint32_t mode = kTpBottomUp24);

}  // namespace test
