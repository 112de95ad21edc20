// A picture of one-pixel detail fitted into a pane, against the same picture scaled by
// ImageMagick's -scale, an independent area-averaging resize: each target pixel is the
// mean of the source pixels it covers, cut ones counted by the part covered. (Its
// "-filter Box -resize" is no area mean when the ratio is not whole: it counts a source
// pixel wholly or not at all by where its centre lies.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "image/Resample.h"
#include "tests/data/FineDetail.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ResampleQuality, FineDetailFittedLikeImageMagicksAreaMean) {
    constexpr int kWidth = 4000, kHeight = 3000, kToWidth = 1100, kToHeight = 825;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ixo-resample-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const testdata::BgrPicture picture = testdata::MakeFineDetail(kWidth, kHeight);
    {
        std::ofstream out(dir / "in.ppm", std::ios::binary);
        const std::string ppm = testdata::EncodePpm(picture);
        out.write(ppm.data(), static_cast<std::streamsize>(ppm.size()));
    }
    const std::string command = std::string("'") + IXO_CONVERT + "' '" + (dir / "in.ppm").string() + "' -scale " +
                                std::to_string(kToWidth) + "x" + std::to_string(kToHeight) + "! '" +
                                (dir / "out.ppm").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const testdata::BgrPicture reference = testdata::DecodePpm(ReadAll(dir / "out.ppm"));
    std::filesystem::remove_all(dir);
    ASSERT_EQ(reference.width, kToWidth);
    ASSERT_EQ(reference.height, kToHeight);

    std::vector<uint8_t> fitted(size_t{kToWidth} * kToHeight * 4);
    const SourceRows source{picture.bytes.data(), picture.bytes.size(), kWidth, kHeight, 24, picture.stride, true};
    const BgrxRows target{fitted.data(), fitted.size(), kToWidth, kToHeight, size_t{kToWidth} * 4, true};
    ASSERT_EQ(ResamplePicture(source, target), ResampleStatus::kOk);
    const testdata::ChannelMeans difference =
        testdata::MeanAbsoluteDifference(reference, fitted.data(), size_t{kToWidth} * 4, 4);
    std::printf("mean absolute difference from ImageMagick's -scale: blue %.3f green %.3f red %.3f\n", difference.blue,
                difference.green, difference.red);
    EXPECT_LE(difference.Largest(), 2.0);
}

}  // namespace
