#pragma once
// The header of the picture a caller hands to an export, read by the plug-in itself from
// the caller's memory or from the file, before the system's decoder sees the picture:
// only the bytes the header occupies are read. With it, what the system's decoder answers
// is judged: only a picture whose own decoder found it damaged is called broken, and only
// data that no decoder here and no signature known here takes for a picture is of an
// unknown format.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "image/SpiApi.h"
#include "plugins/ixwic/ExportInput.h"
#include "plugins/ixwic/PictureHeader.h"

namespace ixwic {

class CWicPicture;

// The answer for a picture of a format, or a form, that no decoder here reads: "not
// implemented", which tells a caller to try another plug-in and is no verdict on the data.
constexpr int kSpiNoDecoder = kSpiNotImplemented;

struct InputHeader {
    int openResult = 0;  // a plug-in result code: why the input cannot be read, or success
    HeaderResult result = HeaderResult::kUnknownFormat;
    PictureHeader header;
    std::vector<uint8_t> start;  // the input's first bytes, up to kStartBytes

    // The first bytes kept: as many as the interface hands IsSupported.
    static constexpr size_t kStartBytes = 2048;

    // Whether the header names the picture's size.
    bool HasSize() const { return header.width > 0 && header.height > 0; }
    // The answer the caller gets for what opening `picture` answered (a plug-in result code).
    int Judge(int opened, const CWicPicture& picture) const;
};

// Reads the header of an export's input.
InputHeader ReadInputHeader(const ExportInput& input);

// Whether every byte of the input can be read: a file's are read to its end.
bool InputReadsWhole(const ExportInput& input);

}  // namespace ixwic
