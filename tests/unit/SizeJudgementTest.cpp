#include "sizedelete/SizeJudgement.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeJudgement, MoveDirectoryInsideTheTree) {
    const struct {
        const char* dir;
        const char* tree;
        bool inside;
    } cases[] = {
        {"C:\\pics", "C:\\pics", true},
        {"C:\\pics\\", "C:\\pics", true},
        {"C:\\pics", "C:\\pics\\", true},
        {"C:\\pics\\out\\deep", "C:\\pics", true},
        {"c:\\PICS\\out", "C:\\pics\\", true},  // the file system ignores case
        {"C:\\pictures", "C:\\pics", false},
        {"C:\\pic", "C:\\pics", false},
        {"D:\\pics", "C:\\pics", false},
        {"", "C:\\pics", false},
        {"C:\\", "C:\\", true},
        {"C:\\x", "C:\\", true},
        // A trail byte that is a letter is no letter: 0x83 0x61 and 0x83 0x41 differ.
        {"C:\\\x83\x61", "C:\\\x83\x41", false},
        // ...and a trail byte 0x5C is no separator: 0x95 0x5C is one character.
        {"C:\\\x95\x5C\\sub", "C:\\\x95\x5C", true},
        {"C:\\\x95\x5Csub", "C:\\\x95\x5C", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSameOrInside(c.dir, c.tree), c.inside) << c.dir << " in " << c.tree;
    }
}

}  // namespace
