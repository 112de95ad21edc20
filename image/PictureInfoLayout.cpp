#include "image/PictureInfoLayout.h"

namespace spi {

size_t TextHandleOffset(std::span<const uint8_t> block, size_t handleSize) {
    const size_t packedEnd = kPackedHandleOffset + handleSize;
    const size_t room = RecordRoom(handleSize);
    for (size_t i = packedEnd; i < room && i < block.size(); ++i) {
        if (block[i] != kUnwritten) {
            return NaturalHandleOffset(handleSize);
        }
    }
    return kPackedHandleOffset;
}

}  // namespace spi
