#pragma once
// Where a plug-in wrote the text handle of its picture-info record. The published layout
// is packed: the handle follows the colour depth at byte 22. A plug-in built with the
// natural layout pads the record and writes the handle at the next multiple of the
// handle's size, two bytes further on (28 bytes in all for 4-byte handles, 32 for 8-byte
// ones). The host therefore hands over a block large enough for either, with the bytes
// after the packed record filled with kUnwritten, and looks afterwards at which layout
// was written. Portable: no <windows.h>.
#include <cstddef>
#include <cstdint>
#include <span>

namespace spi {

// Offset of the text handle in the packed layout; the fields before it are the same in both.
constexpr size_t kPackedHandleOffset = 22;
constexpr uint8_t kUnwritten = 0xA5;

constexpr size_t NaturalHandleOffset(size_t handleSize) {
    return (kPackedHandleOffset + handleSize - 1) / handleSize * handleSize;
}
// The bytes a record of either layout may fill.
constexpr size_t RecordRoom(size_t handleSize) {
    return NaturalHandleOffset(handleSize) + handleSize;
}

// The offset of the text handle in a block of RecordRoom(handleSize) bytes whose bytes from
// kPackedHandleOffset on were kUnwritten before the plug-in filled it: the natural offset
// when the plug-in wrote past the packed record, else the packed one.
size_t TextHandleOffset(std::span<const uint8_t> block, size_t handleSize);

}  // namespace spi
