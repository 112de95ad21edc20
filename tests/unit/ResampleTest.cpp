// Scaling pictures into 32-bit rows: area means when shrinking, bilinear when enlarging,
// every source form, both row orders, and descriptions that do not add up.
#include "image/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/data/BmpFiles.h"

namespace {

// A 24-bit top-down picture, rows padded to four bytes.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
    size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
    uint8_t& At(int x, int y, int c) { return bytes[y * Stride() + 3 * x + c]; }
    uint8_t At(int x, int y, int c) const { return bytes[y * Stride() + 3 * x + c]; }
    SourceRows Rows() const { return SourceRows{bytes.data(), bytes.size(), width, height, 24, Stride(), true}; }
};

Picture MakePicture(int width, int height, uint32_t seed) {
    Picture p{width, height, {}};
    p.bytes.resize(p.Stride() * height);
    std::mt19937 random(seed);
    for (uint8_t& b : p.bytes) {
        b = static_cast<uint8_t>(random());
    }
    return p;
}

Picture Grey(int width, int height, const std::vector<int>& values) {
    Picture p{width, height, {}};
    p.bytes.resize(p.Stride() * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                p.At(x, y, c) = static_cast<uint8_t>(values[y * width + x]);
            }
        }
    }
    return p;
}

// The scaled picture, top-down, exactly width * height * 4 bytes (rows as read from a
// bottom-up target are put back in order).
std::vector<uint8_t> Scale(const SourceRows& source, int width, int height, bool topDown = true) {
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    const BgrxRows target{out.data(), out.size(), width, height, static_cast<size_t>(width) * 4, topDown};
    EXPECT_EQ(ResamplePicture(source, target), ResampleStatus::kOk);
    if (!topDown) {
        for (int y = 0; y < height / 2; ++y) {
            std::swap_ranges(out.begin() + y * width * 4, out.begin() + (y + 1) * width * 4,
                             out.begin() + (height - 1 - y) * width * 4);
        }
    }
    return out;
}

// Weights of one direction, worked out in doubles: the part of each source pixel a target
// pixel covers, or bilinear weights of the two nearest centres when enlarging.
std::vector<std::vector<double>> Weights(int from, int to) {
    std::vector<std::vector<double>> w(to, std::vector<double>(from, 0.0));
    const double ratio = static_cast<double>(from) / to;
    for (int x = 0; x < to; ++x) {
        if (from >= to) {
            for (int i = 0; i < from; ++i) {
                const double cover = std::min<double>(i + 1, (x + 1) * ratio) - std::max<double>(i, x * ratio);
                w[x][i] = std::max(0.0, cover) / ratio;
            }
            continue;
        }
        const double at = std::clamp((x + 0.5) * ratio - 0.5, 0.0, from - 1.0);
        const int i = static_cast<int>(at);
        w[x][i] += 1 - (at - i);
        if (i + 1 < from) {
            w[x][i + 1] += at - i;
        }
    }
    return w;
}

// The largest difference on any channel from the scaling worked out in doubles.
int LargestError(const Picture& p, int width, int height) {
    const std::vector<uint8_t> got = Scale(p.Rows(), width, height);
    const auto across = Weights(p.width, width);
    const auto down = Weights(p.height, height);
    int worst = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                for (int j = 0; j < p.height; ++j) {
                    if (down[y][j] == 0)
                        continue;
                    for (int i = 0; i < p.width; ++i) {
                        v += down[y][j] * across[x][i] * p.At(i, j, c);
                    }
                }
                worst = std::max(worst, std::abs(got[(y * width + x) * 4 + c] - static_cast<int>(std::lround(v))));
            }
            EXPECT_EQ(got[(y * width + x) * 4 + 3], 0);
        }
    }
    return worst;
}

TEST(Resample, HandCheckedMeans) {
    struct Case {
        int width, height;
        std::vector<int> values;
        int toWidth, toHeight;
        std::vector<int> expected;
    } cases[] = {
        // Blocks of 2 x 2.
        {4, 4, {0, 16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224, 240}, 2, 2, {40, 72, 168, 200}},
        // Each target pixel covers one and a half pixels: (30 + 90 / 2) / 1.5, (90 / 2 + 150) / 1.5.
        {3, 1, {30, 90, 150}, 2, 1, {50, 130}},
        {1, 3, {0, 90, 255}, 1, 2, {30, 200}},
        // One-pixel stripes, 5 into 3: every target pixel is 1 of 5/3 bright.
        {5, 1, {255, 0, 255, 0, 255}, 3, 1, {153, 153, 153}},
        // Enlarged: samples at -1/4, 1/4, 3/4 and 5/4 of the way between the two centres.
        {2, 1, {0, 255}, 4, 1, {0, 64, 191, 255}},
        {1, 2, {0, 255}, 1, 4, {0, 64, 191, 255}},
        // Shrunk across, enlarged down.
        {4, 1, {0, 40, 80, 120}, 2, 2, {20, 100, 20, 100}},
    };
    for (const Case& c : cases) {
        for (bool topDown : {true, false}) {
            const std::vector<uint8_t> got =
                Scale(Grey(c.width, c.height, c.values).Rows(), c.toWidth, c.toHeight, topDown);
            for (size_t i = 0; i < c.expected.size(); ++i) {
                EXPECT_EQ(got[i * 4], c.expected[i])
                    << c.width << "x" << c.height << " pixel " << i << " topDown " << topDown;
                EXPECT_EQ(got[i * 4 + 2], c.expected[i]);
            }
        }
    }
}

TEST(Resample, AgreesWithMeansWorkedOutInDoubles) {
    const struct {
        int width, height, toWidth, toHeight;
    } sizes[] = {
        {37, 23, 5, 7},   {100, 3, 7, 3},  {13, 50, 13, 9}, {5, 5, 3, 12}, {7, 4, 19, 11},
        {64, 48, 63, 47}, {3, 2000, 2, 3}, {2000, 3, 9, 2}, {1, 1, 4, 3},  {300, 200, 97, 61},
        // Shrunk 16 times both ways, and 17 times across: either side of the ratio up to
        // which the weights are coarser.
        {320, 48, 20, 3}, {340, 17, 20, 1},
    };
    uint32_t seed = 1;
    for (const auto& s : sizes) {
        EXPECT_LE(LargestError(MakePicture(s.width, s.height, seed++), s.toWidth, s.toHeight), 1)
            << s.width << "x" << s.height << " -> " << s.toWidth << "x" << s.toHeight;
    }
}

TEST(Resample, FlatPicturesStayFlatAtEveryRatio) {
    const struct {
        int width, height, toWidth, toHeight;
    } sizes[] = {
        {1, 1, 1, 1},           {7, 3, 2, 2},    {3, 5, 8, 2},     {2, 2, 9, 9},
        {30000, 1, 1000, 1000}, {6000, 1, 1, 1}, {1, 70000, 1, 1}, {1, 140001, 3, 2},
        // Rows added up before they are shrunk across, so many that their sums across one
        // target pixel of 70,000 would pass 2^32 if fewer rows were not added at a time.
        {70000, 260, 1, 1},
    };
    for (const uint8_t value : {uint8_t{255}, uint8_t{1}, uint8_t{128}}) {
        for (const auto& s : sizes) {
            Picture p{s.width, s.height, {}};
            p.bytes.assign(p.Stride() * s.height, value);
            std::vector<uint8_t> flat(static_cast<size_t>(s.toWidth) * s.toHeight * 4, value);
            for (size_t i = 3; i < flat.size(); i += 4) {
                flat[i] = 0;
            }
            EXPECT_TRUE(Scale(p.Rows(), s.toWidth, s.toHeight) == flat)
                << int{value} << ": " << s.width << "x" << s.height << " -> " << s.toWidth << "x" << s.toHeight;
        }
    }
}

TEST(Resample, MoreThanTwoToThe24PixelsIntoOneStayInRange) {
    // 2^25 one-bit pixels, all of colour 1, into a single pixel: the weight of the pixels
    // between the first and the last is below 2^-24 and left out, without overflowing.
    std::vector<uint8_t> bits(size_t{1} << 22, 0xFF);
    const uint8_t table[8] = {0, 0, 0, 0, 10, 200, 250, 0};
    const SourceRows source{bits.data(), bits.size(), 1 << 25, 1, 1, bits.size(), true, table, 2};
    EXPECT_EQ(Scale(source, 1, 1), (std::vector<uint8_t>{10, 200, 250, 0}));
}

TEST(Resample, StopsWhenAskedAndOtherwiseScalesAsWithoutAsking) {
    const struct {
        int width, height, toWidth, toHeight;
    } sizes[] = {{800, 600, 120, 90}, {2000, 600, 40, 30}, {300, 600, 500, 700}};
    for (const auto& s : sizes) {
        const Picture p = MakePicture(s.width, s.height, 7);
        std::vector<uint8_t> out(static_cast<size_t>(s.toWidth) * s.toHeight * 4);
        const BgrxRows target{out.data(), out.size(), s.toWidth, s.toHeight, static_cast<size_t>(s.toWidth) * 4, true};
        int asked = 0;
        EXPECT_EQ(ResamplePicture(p.Rows(), target, [&] { return ++asked < 2; }), ResampleStatus::kStopped)
            << s.width << "x" << s.height;
        EXPECT_EQ(asked, 2);
        asked = 0;
        EXPECT_EQ(ResamplePicture(p.Rows(), target, [&] { return ++asked > 0; }), ResampleStatus::kOk);
        EXPECT_GE(asked, s.height / 128);
        EXPECT_EQ(out, Scale(p.Rows(), s.toWidth, s.toHeight)) << s.width << "x" << s.height;
    }
}

// Shrinking by at most 16 times both ways, x86 builds work in 14-bit weights and 8.7
// column means, in vectors of 16 bytes. The same arithmetic one value at a time: the
// vector code must give exactly these bytes at every width, including its ragged ends.
#if defined(__i386__) || defined(__x86_64__)
// Each target pixel's source pixels and weights in fractions of 2^14, adding up to 2^14.
std::vector<std::vector<std::pair<int, uint32_t>>> CoarseWeights(uint64_t from, uint64_t to) {
    constexpr uint64_t kOne = 1 << 14;
    std::vector<std::vector<std::pair<int, uint32_t>>> w(to);
    const uint64_t middle = to * kOne / from;
    for (uint64_t x = 0; x < to; ++x) {
        const uint64_t start = x * from;
        const uint64_t first = start / to;
        const uint64_t last = (start + from - 1) / to;
        if (first == last) {
            w[x] = {{static_cast<int>(first), kOne}};
            continue;
        }
        const uint64_t firstWeight = ((first + 1) * to - start) * kOne / from;
        w[x].emplace_back(static_cast<int>(first), firstWeight);
        for (uint64_t i = first + 1; i < last; ++i) {
            w[x].emplace_back(static_cast<int>(i), middle);
        }
        w[x].emplace_back(static_cast<int>(last), kOne - firstWeight - (last - first - 1) * middle);
    }
    return w;
}

TEST(Resample, VectorShrinkGivesTheBytesOfItsArithmeticDoneOneValueAtATime) {
    const struct {
        int width, height, toWidth, toHeight, bits;
    } cases[] = {
        // Widths of rows in bytes off every multiple of 16, 8 and 4.
        {37, 23, 5, 7, 24},
        {17, 9, 3, 2, 24},
        {31, 15, 2, 1, 32},
        {13, 5, 13, 5, 24},
        {101, 77, 99, 70, 24},
        {1, 1, 1, 1, 24},
        {1, 16, 1, 1, 24},
        {16, 1, 1, 1, 32},
        {5, 3, 1, 1, 8},
        // 16 times both ways, the most the vectors take.
        {320, 48, 20, 3, 24},
        {256, 256, 16, 16, 32},
        // Wide rows, ragged at the end.
        {5003, 40, 313, 3, 24},
        {4099, 9, 4097, 9, 32},
        {3001, 30, 257, 7, 8},
    };
    std::mt19937 random(5);
    for (const auto& c : cases) {
        const size_t pixelBytes = static_cast<size_t>(c.bits) / 8;
        const size_t stride = (static_cast<size_t>(c.width) * pixelBytes + 3) / 4 * 4;
        std::vector<uint8_t> rows(stride * c.height);
        for (uint8_t& b : rows) {
            b = static_cast<uint8_t>(random());
        }
        std::vector<uint8_t> table(256 * 4);
        for (uint8_t& b : table) {
            b = static_cast<uint8_t>(random());
        }
        SourceRows source{rows.data(), rows.size(), c.width, c.height, c.bits, stride, false};
        if (c.bits == 8) {
            source.colorTable = table.data(), source.colorCount = 256;
        }
        // Channel ch of pixel i of source row j, from the top (the rows are bottom-up).
        const auto value = [&](int i, int j, int ch) -> uint32_t {
            const uint8_t* p = rows.data() + (c.height - 1 - j) * stride;
            return c.bits == 8 ? table[4 * p[i] + ch] : p[pixelBytes * i + ch];
        };
        const auto across = CoarseWeights(c.width, c.toWidth);
        const auto down = CoarseWeights(c.height, c.toHeight);
        const std::vector<uint8_t> got = Scale(source, c.toWidth, c.toHeight);
        int wrong = 0;
        for (int y = 0; y < c.toHeight; ++y) {
            for (int x = 0; x < c.toWidth; ++x) {
                for (int ch = 0; ch < 3; ++ch) {
                    uint32_t sum = 1 << 20;
                    for (const auto& [i, wi] : across[x]) {
                        uint32_t column = 1 << 6;
                        for (const auto& [j, wj] : down[y]) {
                            column += wj * value(i, j, ch);
                        }
                        sum += wi * (column >> 7);
                    }
                    wrong += got[(y * c.toWidth + x) * 4 + ch] != (sum >> 21);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << " -> " << c.toWidth << "x" << c.toHeight << ", " << c.bits
                            << " bits";
    }
}

// A decoder's rows handed over a band at a time: every row the resampler reads lies in
// the band it asked for last, and the band only moves down. A new band is copied over the
// old one, so a read of a row let go shows in the result.
class BandedRows : public RowSource {
public:
    BandedRows(const Picture& p, size_t band) : m_picture(p), m_band(band) {}
    const uint8_t* Hold(size_t first, size_t count, size_t* stride) override {
        EXPECT_GE(first, m_first);
        EXPECT_LE(first + count, static_cast<size_t>(m_picture.height));
        m_most = std::max(m_most, count);
        if (first + count > m_first + m_rows.size() / m_picture.Stride() || first < m_first || m_rows.empty()) {
            m_first = first;
            const size_t rows = std::min(std::max(count, m_band), static_cast<size_t>(m_picture.height) - first);
            m_rows.assign(m_picture.bytes.begin() + first * m_picture.Stride(),
                          m_picture.bytes.begin() + (first + rows) * m_picture.Stride());
        }
        *stride = m_picture.Stride();
        return m_fail ? nullptr : m_rows.data() + (first - m_first) * m_picture.Stride();
    }
    size_t Most() const { return m_most; }
    void Fail() { m_fail = true; }

private:
    const Picture& m_picture;
    size_t m_band;
    size_t m_first = 0;
    size_t m_most = 0;
    bool m_fail = false;
    std::vector<uint8_t> m_rows;
};

TEST(Resample, RowsHandedOverInBandsScaleAsThePictureHeldWhole) {
    const struct {
        int width, height, toWidth, toHeight;
        size_t band;
    } cases[] = {{6000, 40, 1000, 7, 1}, {601, 977, 97, 62, 5}, {640, 480, 640, 480, 3}, {1600, 1600, 100, 100, 64}};
    for (const auto& c : cases) {
        ASSERT_TRUE(ResampleRowsFits(c.width, c.height, c.toWidth, c.toHeight));
        const Picture p = MakePicture(c.width, c.height, 11);
        BandedRows rows(p, c.band);
        std::vector<uint8_t> out(static_cast<size_t>(c.toWidth) * c.toHeight * 4);
        const BgrxRows target{out.data(), out.size(), c.toWidth, c.toHeight, static_cast<size_t>(c.toWidth) * 4, true};
        EXPECT_EQ(ResampleRows(c.width, c.height, rows, target), ResampleStatus::kOk);
        EXPECT_EQ(out, Scale(p.Rows(), c.toWidth, c.toHeight)) << c.width << "x" << c.height;
        EXPECT_LE(rows.Most(), size_t{17});
    }
    // Not shrinking, or by more than 16 times, is not taken; a failed decoder is told.
    EXPECT_FALSE(ResampleRowsFits(100, 100, 101, 50));
    EXPECT_FALSE(ResampleRowsFits(1700, 100, 100, 50));
    const Picture p = MakePicture(64, 64, 3);
    BandedRows failing(p, 8);
    failing.Fail();
    std::vector<uint8_t> out(32 * 32 * 4);
    EXPECT_EQ(ResampleRows(64, 64, failing, BgrxRows{out.data(), out.size(), 32, 32, 128, true}),
              ResampleStatus::kBadSource);
}
#endif

// Eight colours, the corners of the colour cube: every form of pixel holds them exactly.
uint32_t Corner(int k) {
    return testdata::Rgb(k & 1 ? 255 : 0, k & 2 ? 255 : 0, k & 4 ? 255 : 0);
}

TEST(Resample, ReadsEveryFormOfRowLikeTwentyFourBits) {
    const struct {
        int bits;
        uint32_t compression;
        uint32_t masks[3];
    } forms[] = {
        {1, 0, {}},
        {4, 0, {}},
        {8, 0, {}},
        {16, 0, {}},
        {16, 3, {0xF800, 0x07E0, 0x001F}},
        {24, 0, {}},
        {32, 0, {}},
        {32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}},
    };
    constexpr int kWidth = 13;
    constexpr int kHeight = 7;
    for (const auto& form : forms) {
        const int colours = form.bits == 1 ? 2 : 8;
        const auto index = [&](int x, int y) { return static_cast<uint32_t>((x * 3 + y * 5 + x * y) % colours); };
        Picture reference{kWidth, kHeight, {}};
        reference.bytes.resize(reference.Stride() * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t rgb = Corner(static_cast<int>(index(x, y)));
                reference.At(x, y, 0) = static_cast<uint8_t>(testdata::BlueOf(rgb));
                reference.At(x, y, 1) = static_cast<uint8_t>(testdata::GreenOf(rgb));
                reference.At(x, y, 2) = static_cast<uint8_t>(testdata::RedOf(rgb));
            }
        }
        for (bool topDown : {false, true}) {
            testdata::BmpOptions o;
            o.width = kWidth, o.height = kHeight, o.bitCount = form.bits, o.compression = form.compression;
            o.topDown = topDown;
            std::copy(std::begin(form.masks), std::end(form.masks), o.masks);
            for (int k = 0; form.bits <= 8 && k < (1 << form.bits); ++k) {
                o.palette.push_back(Corner(k % colours));
            }
            const std::string file = testdata::MakeBmp(
                o, [&](int x, int y) { return form.bits <= 8 ? index(x, y) : Corner(static_cast<int>(index(x, y))); });
            const auto bytes = testdata::Bytes(file);
            const uint32_t offBits = testdata::Peek32(file, testdata::kOffOffBits);
            SourceRows source;
            ASSERT_TRUE(DescribeDibRows(bytes.subspan(14, offBits - 14), bytes.subspan(offBits), &source)) << form.bits;
            EXPECT_EQ(source.topDown, topDown);
            for (const auto& [w, h] : {std::pair{5, 3}, std::pair{20, 9}, std::pair{kWidth, kHeight}}) {
                EXPECT_EQ(Scale(source, w, h), Scale(reference.Rows(), w, h))
                    << form.bits << " bits, compression " << form.compression << ", topDown " << topDown << ", " << w;
            }
        }
    }
}

TEST(Resample, RefusesDescriptionsThatDoNotAddUpAndWritesNothing) {
    const Picture p = MakePicture(6, 4, 7);
    const uint8_t table[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    const auto with = [&](auto change) {
        SourceRows s = p.Rows();
        change(s);
        return s;
    };
    const SourceRows badSources[] = {
        with([](SourceRows& s) { s.rows = nullptr; }),
        with([](SourceRows& s) { s.width = 0; }),
        with([](SourceRows& s) { s.height = -4; }),
        with([](SourceRows& s) { s.bitCount = 2; }),
        with([](SourceRows& s) { s.rowStride = 17; }),       // shorter than 6 pixels of 3 bytes
        with([](SourceRows& s) { s.bytes = 3 * 20 + 17; }),  // the last row's 18 bytes run past the end
        with([](SourceRows& s) { s.redMask = 0xFF0000; }),   // masks on 24-bit pixels
        with([](SourceRows& s) { s.bitCount = 16, s.redMask = 0x0F0F, s.greenMask = 0x10, s.blueMask = 0x20; }),
        with([&](SourceRows& s) { s.bitCount = 8, s.colorTable = table, s.colorCount = 2, s.blueMask = 1; }),
    };
    std::vector<uint8_t> out(3 * 2 * 4, 0xAB);
    const BgrxRows target{out.data(), out.size(), 3, 2, 12, true};
    for (const SourceRows& s : badSources) {
        EXPECT_EQ(ResamplePicture(s, target), ResampleStatus::kBadSource);
    }
    const BgrxRows badTargets[] = {
        {out.data(), out.size(), -3, 2, 12, true},
        {out.data(), out.size(), 3, 2, 11, true},      // rows narrower than 3 pixels
        {out.data(), out.size() - 1, 3, 2, 12, true},  // the last row runs past the bytes
        {nullptr, out.size(), 3, 2, 12, true},
        {out.data(), out.size(), 3, 3, 12, false},
    };
    for (const BgrxRows& t : badTargets) {
        EXPECT_EQ(ResamplePicture(p.Rows(), t), ResampleStatus::kBadTarget);
    }
    EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0xAB));
    // A target without pixels has nothing to be written.
    EXPECT_EQ(ResamplePicture(p.Rows(), BgrxRows{nullptr, 0, 0, 5, 0, true}), ResampleStatus::kOk);
}

TEST(Resample, IndicesPastTheColourTableAreBlack) {
    const uint8_t pixels[4] = {0, 1, 5, 255};
    const uint8_t table[8] = {10, 20, 30, 99, 40, 50, 60, 99};
    const SourceRows source{pixels, sizeof pixels, 4, 1, 8, 4, true, table, 2};
    EXPECT_EQ(Scale(source, 4, 1), (std::vector<uint8_t>{10, 20, 30, 0, 40, 50, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// Bit-field masks follow a header too short to hold them, and lie inside one of 52 bytes or
// more. A block that ends with a 44-byte header holds no masks: nothing past it is read
// (each block is allocated to its exact size, which the sanitizers watch).
TEST(Resample, BitFieldMasksAreReadOnlyInsideTheBlock) {
    const auto block = [](uint32_t headerSize, size_t size) {
        std::vector<uint8_t> info(size, 0);
        const auto put = [&info](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                info[at + i] = static_cast<uint8_t>(v >> (8 * i));
            }
        };
        put(0, headerSize);
        put(4, 2);      // width
        put(8, 1);      // height
        info[12] = 1;   // planes
        info[14] = 16;  // bits
        put(16, 3);     // BI_BITFIELDS
        for (size_t at = 40; at + 4 <= size; at += 4) {
            put(at, 0xDEADBEEF);  // whatever lies here is no mask but where the header holds them
        }
        const size_t masksAt = headerSize >= 52 ? 40 : headerSize;
        if (size >= masksAt + 12) {
            put(masksAt, 0x7C00), put(masksAt + 4, 0x03E0), put(masksAt + 8, 0x001F);
        }
        return info;
    };
    const std::vector<uint8_t> rows(4, 0);
    SourceRows s;
    for (const uint32_t headerSize : {40u, 41u, 44u, 51u}) {
        SCOPED_TRACE(headerSize);
        const std::vector<uint8_t> bare = block(headerSize, headerSize);
        EXPECT_FALSE(DescribeDibRows(bare, rows, &s));
        const std::vector<uint8_t> cut = block(headerSize, headerSize + 11);
        EXPECT_FALSE(DescribeDibRows(cut, rows, &s));
        const std::vector<uint8_t> whole = block(headerSize, headerSize + 12);
        ASSERT_TRUE(DescribeDibRows(whole, rows, &s));
        EXPECT_EQ(s.redMask, 0x7C00u);
        EXPECT_EQ(s.greenMask, 0x03E0u);
        EXPECT_EQ(s.blueMask, 0x001Fu);
    }
    const std::vector<uint8_t> v4 = block(108, 108);
    ASSERT_TRUE(DescribeDibRows(v4, rows, &s));
    EXPECT_EQ(s.greenMask, 0x03E0u) << "inside a long header";
}

TEST(Resample, DescribesOnlyDibsGdiDraws) {
    testdata::BmpOptions o;
    o.width = 3, o.height = 2, o.bitCount = 8;
    const std::string file = testdata::MakeBmp(o, [](int x, int) { return static_cast<uint32_t>(x); });
    const auto bytes = testdata::Bytes(file);
    const auto info = bytes.subspan(14, 40 + 256 * 4);
    const auto rows = bytes.subspan(14 + info.size());
    SourceRows s;
    ASSERT_TRUE(DescribeDibRows(info, rows, &s));
    EXPECT_EQ(s.colorCount, 256u);
    EXPECT_EQ(s.rowStride, 4u);
    EXPECT_FALSE(DescribeDibRows(info.first(info.size() - 1), rows, &s)) << "colour table cut short";
    EXPECT_FALSE(DescribeDibRows(info.first(39), rows, &s)) << "header cut short";
    std::vector<uint8_t> rle(info.begin(), info.end());
    rle[16] = 1;  // biCompression: RLE8
    EXPECT_FALSE(DescribeDibRows(rle, rows, &s));
    std::vector<uint8_t> tooMany(info.begin(), info.end());
    tooMany[33] = 2;  // biClrUsed 512 for 8 bits
    EXPECT_FALSE(DescribeDibRows(tooMany, rows, &s));
}

}  // namespace
