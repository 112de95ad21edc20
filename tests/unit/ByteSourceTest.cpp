#include "plugins/ixwic/ByteSource.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/SparseFile.h"

namespace {

using testunit::SparseFile;

TEST(ByteSource, WindowIsReadAgainOnlyForViewsOutsideIt) {
    SparseFile file(1 << 20, 4096);
    file.Put(0, "ABCD");
    file.Put(100000, "XYZ");
    const uint8_t* start = file.View(0, 4);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(start), 4), "ABCD");
    ASSERT_NE(file.View(4000, 96), nullptr);
    EXPECT_EQ(file.Reads(), 1) << "inside the first window";
    ASSERT_NE(file.View(4000, 97), nullptr);
    EXPECT_EQ(file.Reads(), 2) << "one byte past it";
    const uint8_t* far = file.View(100000, 3);
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(far[2], 'Z');
    EXPECT_EQ(file.Reads(), 3);
    EXPECT_EQ(file.BytesRead(), 3u * 4096);
    const uint8_t* big = file.View(200000, 10000);
    ASSERT_NE(big, nullptr) << "a view larger than the window reads as much as it needs";
    EXPECT_EQ(file.BytesRead(), 3u * 4096 + 10000);
}

TEST(ByteSource, ViewsPastTheEndAreRefused) {
    SparseFile file(5000, 4096);
    EXPECT_NE(file.View(4990, 10), nullptr);
    EXPECT_EQ(file.View(4991, 10), nullptr);
    EXPECT_EQ(file.View(5000, 1), nullptr);
    EXPECT_EQ(file.View(UINT64_MAX - 2, 8), nullptr);
    EXPECT_NE(file.View(0, 5000), nullptr);
    const uint64_t before = file.BytesRead();
    EXPECT_EQ(file.View(0, ixwic::WindowedSource::kMaxView + 1), nullptr);
    EXPECT_EQ(file.BytesRead(), before) << "refused unread";

    const std::string bytes = "0123456789";
    ixwic::MemorySource memory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(memory.View(7, 3)[0], '7');
    EXPECT_EQ(memory.View(7, 4), nullptr);
    EXPECT_EQ(memory.View(UINT64_MAX, 2), nullptr);
    ixwic::MemorySource none(nullptr, 10);
    EXPECT_EQ(none.View(0, 1), nullptr);

    ixwic::SubSource part(memory, 2, 5);  // "23456"
    EXPECT_EQ(part.View(0, 1)[0], '2');
    EXPECT_EQ(part.View(4, 1)[0], '6');
    EXPECT_EQ(part.View(4, 2), nullptr) << "the part ends before the whole";
    ixwic::SubSource overhanging(memory, 8, 100);
    EXPECT_EQ(overhanging.View(1, 2), nullptr) << "the whole ends before the part";
}

// A failed read refuses every later view, unlike the end of the input; reading a whole
// file tells whether every byte of it can be read.
TEST(ByteSource, AFailedReadIsToldApartFromTheEnd) {
    SparseFile file(3 * ixwic::WindowedSource::kMaxView + 5, 4096);
    EXPECT_TRUE(file.ReadsToTheEnd());
    EXPECT_EQ(file.BytesRead(), 3 * ixwic::WindowedSource::kMaxView + 5);
    EXPECT_FALSE(file.Failed());

    file.FailFrom(2 * ixwic::WindowedSource::kMaxView + 7);
    ASSERT_NE(file.View(0, 10), nullptr) << "before the damage";
    EXPECT_FALSE(file.Failed());
    EXPECT_FALSE(file.ReadsToTheEnd());
    EXPECT_TRUE(file.Failed());
    EXPECT_EQ(file.View(0, 10), nullptr) << "nothing more is trusted";

    SparseFile damaged(100, 16);
    damaged.FailFrom(40);
    EXPECT_NE(damaged.View(0, 16), nullptr);
    EXPECT_EQ(damaged.View(30, 16), nullptr);
    EXPECT_TRUE(damaged.Failed());
    ixwic::SubSource part(damaged, 0, 10);
    EXPECT_TRUE(part.Failed()) << "a part fails with its whole";
    SparseFile shortFile(100, 16);
    EXPECT_EQ(shortFile.View(90, 16), nullptr);
    EXPECT_FALSE(shortFile.Failed()) << "the end is no failure";
}

}  // namespace
