// Writes the seed corpus of the fuzzer: one small BMP file of every form the reader
// accepts, a few it refuses, and the headers of the other formats the shipped plug-in
// reads itself, into the folder given as the only argument.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/data/BmpFiles.h"
#include "tests/data/HeaderFiles.h"
#include "tests/data/OtherHeaderFiles.h"

namespace {

using testdata::BmpOptions;

uint32_t Color(int x, int y) {
    return testdata::Rgb(x * 29, y * 41, (x + y) * 13);
}

uint32_t Index(int x, int y) {
    return static_cast<uint32_t>(x < 4 ? y : x * 7 + y);
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    const auto add = [&](const std::string& name, const BmpOptions& o) {
        seeds.emplace_back(name, testdata::MakeBmp(o, o.bitCount <= 8 ? testdata::PixelFn(Index) : Color));
    };
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        BmpOptions o;
        o.width = 7, o.height = 5, o.bitCount = bits;
        o.palette = testdata::MakePalette(bits <= 8 ? 1 << bits : 0);
        add("plain" + std::to_string(bits), o);
        o.topDown = true;
        add("topdown" + std::to_string(bits), o);
        o.topDown = false, o.headerSize = 124, o.gapBeforeRows = 3;
        add("v5gap" + std::to_string(bits), o);
    }
    BmpOptions o;
    o.width = 6, o.height = 4, o.bitCount = 8, o.clrUsed = 16, o.palette = testdata::MakePalette(16);
    add("clrused16", o);
    o = BmpOptions{};
    o.width = 5, o.height = 3, o.bitCount = 16, o.compression = 3;
    o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;
    add("rgb565", o);
    o.headerSize = 108, o.topDown = true;
    add("rgb565v4topdown", o);
    o = BmpOptions{};
    o.width = 4, o.height = 3, o.bitCount = 32, o.compression = 3, o.headerSize = 56;
    o.masks[0] = 0x3FF00000, o.masks[1] = 0x000FFC00, o.masks[2] = 0x000003FF;
    add("bits10", o);
    for (int bits : {8, 4}) {
        o = BmpOptions{};
        o.width = 23, o.height = 6, o.bitCount = bits, o.compression = bits == 8 ? 1 : 2;
        o.palette = testdata::MakePalette(1 << bits);
        add("rle" + std::to_string(bits), o);
    }
    for (uint32_t header : {12u, 16u, 64u}) {
        o = BmpOptions{};
        o.width = 9, o.height = 4, o.bitCount = 8, o.headerSize = header, o.palette = testdata::MakePalette(256);
        add("os2header" + std::to_string(header), o);
    }
    o.headerSize = 12, o.offBits = 26 + 3 * 200;
    add("os2cuttable", o);
    o = BmpOptions{};
    o.width = 11, o.height = 3, o.bitCount = 2, o.palette = testdata::MakePalette(4);
    add("plain2", o);
    o.topDown = true;
    add("topdown2", o);
    o = BmpOptions{};
    o.width = 5, o.height = 3, o.bitCount = 8, o.clrUsed = 300, o.palette = testdata::MakePalette(256);
    add("oversizedtable", o);
    o = BmpOptions{};
    o.width = 4, o.height = 3, o.bitCount = 32, o.compression = 6, o.alphaMask = 0xFF000000;
    add("alphafields", o);
    std::string truncated = testdata::MakeBmp24(9, 9, Color);
    truncated.resize(truncated.size() - 100);
    seeds.emplace_back("truncated24", truncated);
    std::string jpeg = testdata::MakeBmp24(2, 2, Color);
    testdata::Poke32(jpeg, testdata::kOffCompression, 4);
    seeds.emplace_back("jpeg", jpeg);
    std::string core = testdata::MakeBmp24(2, 2, Color);
    testdata::Poke32(core, testdata::kOffHeaderSize, 12);
    seeds.emplace_back("coreheader", core);
    for (auto& seed : seeds) {
        seed.first += ".bmp";
    }
    const std::string phys = testdata::PngChunk("pHYs", std::string("\0\0\x0E\xC4\0\0\x0E\xC4\x01", 9));
    seeds.emplace_back("header.png", testdata::MakePngHeader(40, 30, 8, 6, phys));
    seeds.emplace_back("palette.png",
                       testdata::MakePngHeader(9, 9, 4, 3, testdata::PngChunk("PLTE", std::string(48, 'p'))));
    seeds.emplace_back("header.gif", testdata::MakeGifHeader(50, 40, 20, 10, {testdata::GifComment("seed")}));
    seeds.emplace_back("header.tif", testdata::MakeTiffHeader(
                                         false, {{256, 3, 1, 64}, {257, 4, 1, 48}, {274, 3, 1, 6}, {282, 5, 1, 8}},
                                         testdata::TiffRational(false, 72, 1)));
    const std::string app1 = std::string("\xFF\xD8\xFF\xE1\x00\x2A", 6);  // after the start of image
    seeds.emplace_back("exif.jpg", app1 + std::string("Exif\0\0", 6) +
                                       testdata::MakeTiffHeader(true, {{274, 3, 1, 8}}).substr(0, 34) +
                                       std::string("\xFF\xC0\x00\x0B\x08\x00\x30\x00\x40\x01\x01\x11\x00", 13));
    // The formats only an added decoder reads.
    seeds.emplace_back("exif.webp", testdata::MakeWebpExtended(300, 400, 6, true));
    seeds.emplace_back("lossy.webp", testdata::MakeWebpLossy(64, 48));
    seeds.emplace_back("turned.heic", testdata::MakeHeif("heic", {"mif1"}, 640, 480, 1, true));
    seeds.emplace_back("parts.jxl", testdata::MakeJxlContainer(testdata::MakeJxlCodestream(1001, 70, 6), true));
    seeds.emplace_back("header.jp2", testdata::MakeJp2(30, 20));
    seeds.emplace_back("header.jxr", testdata::MakeJxrHeader(30, 20));
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bmp_seeds <folder>\n");
        return 2;
    }
    for (const auto& [name, bytes] : Seeds()) {
        const std::string path = std::string(argv[1]) + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make_bmp_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
