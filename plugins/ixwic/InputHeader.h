#pragma once
// The header of the picture a caller hands to an export, read by the plug-in itself from
// the caller's memory or from the file, before the system's decoder sees the picture:
// only the bytes the header occupies are read.
#include <windows.h>

#include "plugins/ixwic/ExportInput.h"
#include "plugins/ixwic/PictureHeader.h"

namespace ixwic {

struct InputHeader {
    int openResult = 0;  // a plug-in result code: why the input cannot be read, or success
    HeaderResult result = HeaderResult::kUnknownFormat;
    PictureHeader header;

    // The result of the system's decoder as the caller sees it: a picture whose signature
    // is known here, and which the decoder calls an unknown format, is broken.
    int Judge(int decoderResult) const;
};

// Reads the header of an export's input.
InputHeader ReadInputHeader(const ExportInput& input);

}  // namespace ixwic
