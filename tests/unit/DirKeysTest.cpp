#include "regdirs/DirKeys.h"

#include <gtest/gtest.h>

namespace {

TEST(DirKeys, KeysAreDecimalWithoutPadding) {
    EXPECT_EQ(MakeDirKey(0), "Dir0");
    EXPECT_EQ(MakeDirKey(9), "Dir9");
    EXPECT_EQ(MakeDirKey(10), "Dir10");
}

TEST(DirKeys, CountIsReadAsAtoiAndBounded) {
    const struct {
        const char* text;
        int count;
    } cases[] = {
        {"2", 2},       {"  3", 3},   {"+4", 4},          {"5abc", 5},     {"0", 0},
        {"-2", 0},      {"abc", 0},   {"", 0},            {" - 1", 0},     {"\t7", 7},
        {"10000", kMaxRegistrations}, {"99999999999999999999", kMaxRegistrations},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseRegistrationCount(c.text), c.count) << '"' << c.text << '"';
    }
}

}  // namespace
