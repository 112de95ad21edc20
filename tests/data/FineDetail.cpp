#include "tests/data/FineDetail.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace testdata {

uint32_t Scatter(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    return v ^ (v >> 16);
}

BgrPicture MakeFineDetail(int width, int height) {
    BgrPicture p{width, height, (static_cast<size_t>(width) * 3 + 3) / 4 * 4, {}};
    p.bytes.assign(p.stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p.bytes.data() + static_cast<size_t>(y) * p.stride;
        const bool top = y < height / 2;
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            uint8_t* px = row + 3 * static_cast<size_t>(x);
            if (top && left) {  // vertical stripes, blue every third column
                px[0] = x % 3 == 0 ? 255 : 0;
                px[1] = px[2] = x % 2 ? 255 : 0;
            } else if (top) {  // horizontal stripes of red and teal
                px[0] = px[1] = y % 2 ? 0 : 200;
                px[2] = y % 2 ? 230 : 20;
            } else if (left) {  // a checkerboard of single pixels
                px[0] = px[1] = px[2] = (x + y) % 2 ? 255 : 0;
            } else {
                const uint32_t noise = Scatter(static_cast<uint32_t>(y) * 65599u + static_cast<uint32_t>(x));
                px[0] = static_cast<uint8_t>(noise), px[1] = static_cast<uint8_t>(noise >> 8);
                px[2] = static_cast<uint8_t>(noise >> 16);
            }
        }
    }
    return p;
}

std::string EncodePpm(const BgrPicture& picture) {
    char header[64];
    std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", picture.width, picture.height);
    std::string file = header;
    file.reserve(file.size() + static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = picture.bytes.data() + static_cast<size_t>(y) * picture.stride;
        for (int x = 0; x < picture.width; ++x) {
            file += static_cast<char>(row[3 * x + 2]);
            file += static_cast<char>(row[3 * x + 1]);
            file += static_cast<char>(row[3 * x]);
        }
    }
    return file;
}

BgrPicture DecodePpm(const std::string& file) {
    int width = 0, height = 0, maxval = 0, used = 0;
    if (std::sscanf(file.c_str(), "P6 %d %d %d%n", &width, &height, &maxval, &used) != 3 || maxval != 255 ||
        width <= 0 || height <= 0 || static_cast<size_t>(used) >= file.size()) {
        return {};
    }
    const size_t start = static_cast<size_t>(used) + 1;  // one white-space character ends the header
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if ((file.size() - start) / 3 < count) {
        return {};
    }
    BgrPicture p{width, height, static_cast<size_t>(width) * 3, std::vector<uint8_t>(count * 3)};
    for (size_t i = 0; i < count; ++i) {
        p.bytes[3 * i] = static_cast<uint8_t>(file[start + 3 * i + 2]);
        p.bytes[3 * i + 1] = static_cast<uint8_t>(file[start + 3 * i + 1]);
        p.bytes[3 * i + 2] = static_cast<uint8_t>(file[start + 3 * i]);
    }
    return p;
}

double ChannelMeans::Largest() const {
    return std::max({blue, green, red});
}

ChannelMeans MeanAbsoluteDifference(const BgrPicture& a, const uint8_t* b, size_t bStride, int bytesPerPixel) {
    double sums[3] = {0, 0, 0};
    for (int y = 0; y < a.height; ++y) {
        const uint8_t* ra = a.bytes.data() + static_cast<size_t>(y) * a.stride;
        const uint8_t* rb = b + static_cast<size_t>(y) * bStride;
        for (int x = 0; x < a.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[c] += std::abs(ra[3 * x + c] - rb[bytesPerPixel * x + c]);
            }
        }
    }
    const double pixels = static_cast<double>(a.width) * a.height;
    return ChannelMeans{sums[0] / pixels, sums[1] / pixels, sums[2] / pixels};
}

}  // namespace testdata
