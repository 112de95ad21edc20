#pragma once
// The input of a decoding export as the plug-in interface passes it, from the ANSI or the
// wide form of the export: `flag` 0 names a file whose picture starts at offset `len`,
// 1 hands over `len` bytes of the caller's memory.
#include <windows.h>

#include <cstdint>
#include <string>

namespace ixwic {

struct ExportInput {
    bool memory = false;
    const uint8_t* data = nullptr;  // the caller's bytes, for memory input
    LONG_PTR len = 0;               // their count, or the picture's offset in the file
    std::wstring path;              // the file's name; empty when there is none to open
};

ExportInput MakeExportInput(LPCSTR buf, LONG_PTR len, unsigned int flag);
ExportInput MakeExportInput(LPCWSTR buf, LONG_PTR len, unsigned int flag);

}  // namespace ixwic
