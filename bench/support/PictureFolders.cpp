#include "bench/support/PictureFolders.h"

#include <cstdint>
#include <cstdio>

#include "bench/support/BenchSupport.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/FineDetail.h"
#include "tests/win/support/WicPictures.h"

namespace bench {

namespace {

using testdata::Scatter;

// Smooth gradients under a fine grain: a JPEG of it is about as big as a photograph's.
uint32_t PictureColour(int seed, int x, int y) {
    const uint32_t grain = Scatter(static_cast<uint32_t>(y * kBigWidth + x) ^ (static_cast<uint32_t>(seed) << 28));
    const int r = (x * 255 / kBigWidth + seed * 40) & 0xFF;
    const int g = (y * 255 / kBigHeight) ^ static_cast<int>(grain & 0x1F);
    const int b = ((x + y) >> 4) + static_cast<int>((grain >> 8) & 0x0F);
    return testdata::Rgb(r, g, b);
}

bool FillBigFolder(const std::string& dir) {
    for (int i = 0; i < kBigBmpCount; ++i) {
        const std::string bytes =
            testdata::MakeBmp24(kBigWidth, kBigHeight, [i](int x, int y) { return PictureColour(i, x, y); });
        if (!WriteFileBytes(dir + "\\" + BigPictureNames()[i], bytes.data(), bytes.size())) {
            return false;
        }
    }
    for (int i = 0; i < kBigJpegCount; ++i) {
        const int seed = kBigBmpCount + i;
        std::string why;
        const std::string bytes = test::EncodeWithWic(
            test::WicFormat::kJpeg, kBigWidth, kBigHeight,
            [seed](int x, int y) { return 0xFF000000u | PictureColour(seed, x, y); }, &why);
        if (bytes.empty()) {
            PrintNote("cannot encode a JPEG: %s", why.c_str());
            return false;
        }
        if (!WriteFileBytes(dir + "\\" + BigPictureNames()[kBigBmpCount + i], bytes.data(), bytes.size())) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string EnsureHeldKeyFolder(int count) {
    const std::string dir = DataDir() + "\\held.24mp";
    char recipe[96];
    std::snprintf(recipe, sizeof recipe, "v1 %dx%d jpeg x%d", kBigWidth, kBigHeight, count);
    const auto fill = [count](const std::string& folder) {
        std::string why;
        const std::string bytes = test::EncodeWithWic(
            test::WicFormat::kJpeg, kBigWidth, kBigHeight,
            [](int x, int y) { return 0xFF000000u | PictureColour(3, x, y); }, &why);
        if (bytes.empty()) {
            PrintNote("cannot encode a JPEG: %s", why.c_str());
            return false;
        }
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "h%03d.jpg", i);
            if (!WriteFileBytes(folder + "\\" + name, bytes.data(), bytes.size())) {
                return false;
            }
        }
        return true;
    };
    if (!MakeDir(DataDir()) || !EnsureFolder(dir, recipe, fill)) {
        return {};
    }
    return dir;
}

std::vector<std::string> BigPictureNames() {
    std::vector<std::string> names;
    for (int i = 0; i < kBigBmpCount; ++i) {
        names.push_back("a" + std::to_string(i) + ".bmp");
    }
    for (int i = 0; i < kBigJpegCount; ++i) {
        names.push_back("b" + std::to_string(i) + ".jpg");
    }
    return names;
}

std::string EnsureBigPictureFolder() {
    const std::string dir = DataDir() + "\\pictures.24mp";
    char recipe[96];
    std::snprintf(recipe, sizeof recipe, "v1 %dx%d bmp24 x%d jpeg x%d", kBigWidth, kBigHeight, kBigBmpCount,
                  kBigJpegCount);
    if (!MakeDir(DataDir()) || !EnsureFolder(dir, recipe, FillBigFolder)) {
        return {};
    }
    return dir;
}

}  // namespace bench
