#include "image/PictureInfoLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A block as the host hands it over, then filled the way a plug-in of one layout does.
std::vector<uint8_t> Filled(size_t handleSize, size_t handleOffset, uint64_t handle) {
    std::vector<uint8_t> block(spi::RecordRoom(handleSize), 0);
    std::memset(block.data() + spi::kPackedHandleOffset, spi::kUnwritten, block.size() - spi::kPackedHandleOffset);
    // The padding of a natural record is written with whatever the plug-in's stack held.
    for (size_t i = spi::kPackedHandleOffset; i < handleOffset; ++i) {
        block[i] = 0xCD;
    }
    std::memcpy(block.data() + handleOffset, &handle, handleSize);
    return block;
}

TEST(PictureInfoLayout, RoomCoversBothLayouts) {
    EXPECT_EQ(spi::RecordRoom(4), 28u);
    EXPECT_EQ(spi::RecordRoom(8), 32u);
    EXPECT_EQ(spi::NaturalHandleOffset(4), 24u);
    EXPECT_EQ(spi::NaturalHandleOffset(8), 24u);
}

TEST(PictureInfoLayout, TheHandleIsFoundWhereThePluginWroteIt) {
    const struct {
        size_t handleSize;
        size_t writtenAt;
        uint64_t handle;
    } cases[] = {
        {4, 22, 0x00340018}, {4, 22, 0},  {4, 24, 0x00340018}, {4, 24, 0},
        {8, 22, 0x0000012300450060}, {8, 22, 0}, {8, 24, 0x0000012300450060}, {8, 24, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.handleSize << "-byte handle written at " << c.writtenAt);
        const std::vector<uint8_t> block = Filled(c.handleSize, c.writtenAt, c.handle);
        EXPECT_EQ(spi::TextHandleOffset(block, c.handleSize), c.writtenAt);
    }
}

TEST(PictureInfoLayout, ARecordWithoutAHandleReadsAsPacked) {
    std::vector<uint8_t> block(spi::RecordRoom(4), 0);
    std::memset(block.data() + spi::kPackedHandleOffset, spi::kUnwritten, block.size() - spi::kPackedHandleOffset);
    EXPECT_EQ(spi::TextHandleOffset(block, 4), spi::kPackedHandleOffset);
}

}  // namespace
