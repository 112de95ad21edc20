#include "pane/TitleFacts.h"

#include <gtest/gtest.h>

namespace {

TEST(TitleFacts, FileSizes) {
    const struct {
        uint64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 B"},
        {1023, L"1023 B"},
        {1024, L"1 KB"},
        {835 * 1024 + 300, L"835 KB"},
        {1024 * 1024 - 513, L"1023 KB"},
        {1024 * 1024 - 512, L"1.0 MB"},
        {7549747, L"7.2 MB"},           // 7.19999 MB
        {7497319, L"7.2 MB"},           // 7.15 MB rounds up
        {7497318, L"7.1 MB"},
        {1024ull * 1024 * 1024 - 1, L"1.0 GB"},
        {uint64_t(-1), L"17179869184.0 GB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileSizeText(c.bytes), c.text) << c.bytes;
    }
}

TEST(TitleFacts, OnlyTheFactsKnown) {
    TitleFacts picture{L"IMG_0001.JPG", 6000, 4000, 7549747, 123, 5000};
    EXPECT_EQ(TitleFactsText(picture), L"  IMG_0001.JPG  6000\u00D74000  7.2 MB  123/5000");
    TitleFacts decoding = picture;
    decoding.width.reset();
    decoding.height.reset();
    EXPECT_EQ(TitleFactsText(decoding), L"  IMG_0001.JPG  7.2 MB  123/5000") << "no size while decoding";
    const TitleFacts folder{L"sub", std::nullopt, std::nullopt, std::nullopt, 1, 2};
    EXPECT_EQ(TitleFactsText(folder), L"  sub  1/2");
    const TitleFacts exact{L"caf\u00E9 \U0001F600.png", 1, 1, 100, 1, 1};
    EXPECT_EQ(TitleFactsText(exact), L"  caf\u00E9 \U0001F600.png  1\u00D71  100 B  1/1") << "the name as it is";
}

}  // namespace
