#include "plugins/ixwic/DibPacker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Opaque rows packed straight land where composited BGRA rows of the same pixels land, in
// every orientation, strip by strip; the padding is zero whatever the heap held.
TEST(DibPacker, OpaqueRowsLandWhereCompositedRowsDo) {
    constexpr uint32_t kWidth = 5;  // 15 bytes a row: padded, and turned 3 x 5 it is 9
    constexpr uint32_t kHeight = 3;
    std::vector<uint8_t> bgr(kWidth * 3 * kHeight);
    std::vector<uint8_t> bgra(kWidth * 4 * kHeight);
    for (uint32_t i = 0; i < kWidth * kHeight; ++i) {
        for (int c = 0; c < 3; ++c) {
            bgr[i * 3 + c] = bgra[i * 4 + c] = static_cast<uint8_t>(i * 16 + c * 5 + 1);
        }
        bgra[i * 4 + 3] = 255;
    }
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const ixwic::DibLayout layout = ixwic::MakeDibLayout(kWidth, kHeight, orientation);
        std::vector<uint8_t> composited(layout.bitsSize, 0);
        std::vector<uint8_t> straight(layout.bitsSize, 0xCD);
        ixwic::PackBgraRows(layout, bgra.data(), kWidth * 4, 0, kHeight, composited.data());
        ixwic::ZeroRowPadding(layout, straight.data());
        ixwic::PackBgrRows(layout, bgr.data(), kWidth * 3, 0, 2, straight.data());
        ixwic::PackBgrRows(layout, bgr.data() + 2 * kWidth * 3, kWidth * 3, 2, 1, straight.data());
        EXPECT_EQ(straight, composited) << "orientation " << orientation;
    }
}

}  // namespace
