#include "tests/data/TestPicture.h"

namespace test {

namespace {

void AppendUint32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

}  // namespace

std::string MakeTestPicture(uint32_t width, uint32_t height, uint32_t mode,
                            const std::function<uint32_t(int x, int y)>& rgb) {
    std::string out = "IXTP";
    AppendUint32(out, width);
    AppendUint32(out, height);
    AppendUint32(out, mode);
    out.reserve(kTestPictureHeaderSize + static_cast<size_t>(uint64_t{width} * height * 3));
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t colour = rgb(static_cast<int>(x), static_cast<int>(y));
            out.push_back(static_cast<char>((colour >> 16) & 0xFF));
            out.push_back(static_cast<char>((colour >> 8) & 0xFF));
            out.push_back(static_cast<char>(colour & 0xFF));
        }
    }
    return out;
}

std::string MakeSolidTestPicture(uint32_t width, uint32_t height, uint32_t rgb, uint32_t mode) {
    return MakeTestPicture(width, height, mode, [rgb](int, int) { return rgb; });
}

}  // namespace test
