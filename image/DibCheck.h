#pragma once
// Validation of a device-independent bitmap handed over by a plug-in, before any of its
// rows is read. A plug-in's two memory blocks are untrusted: the header may lie about
// the size of the colour table or the rows, and the blocks may be shorter than the
// header says. Portable: no <windows.h>.
#include <cstddef>
#include <cstdint>

struct DibDescription {
    int width = 0;             // pixels, > 0
    int height = 0;            // pixels, > 0 (absolute)
    bool topDown = false;      // biHeight was negative
    int bitCount = 0;          // 1, 4, 8, 16, 24 or 32
    uint32_t compression = 0;  // 0 = BI_RGB, 3 = BI_BITFIELDS (RLE is refused)
    size_t headerBytes = 0;    // biSize
    size_t colorTableBytes = 0;
    size_t rowBytes = 0;
    size_t imageBytes = 0;  // rowBytes * height
};

// `info`/`infoSize`: the locked header handle and its LocalSize; `bitsSize`: LocalSize of the bits handle;
// expected width/height: from the plug-in's PictureInfo. False when the header is malformed, disagrees with
// the expected size, or any read of the colour table or rows would run past either block.
// colorTableBytes covers everything GDI may read after the header: the three masks of
// BI_BITFIELDS (GDI reads them after any header size) and biClrUsed entries, or 2 to the
// power of the bit count entries for 8 bits or fewer when biClrUsed is 0. biPlanes is
// left to GDI: no value of it makes GDI read more.
bool CheckPluginDib(const uint8_t* info, size_t infoSize, size_t bitsSize, long expectedWidth, long expectedHeight,
                    DibDescription* out);

// Composites the rows of a checked 32-bit BI_RGB bitmap (`rows`: dib.imageBytes bytes,
// blue, green, red, alpha) on black when its alpha bytes are neither all 0 nor all 255:
// each colour weighted by its pixel's straight alpha, rounded, and the alpha made 255.
// Rows whose alpha is all 0 (no alpha at all) or all 255 stay as they are. True when the
// rows were composited.
bool CompositeAlphaOnBlack(uint8_t* rows, const DibDescription& dib);
