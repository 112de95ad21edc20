// A move leaves the file in exactly one place, within a volume and across two (a drive
// letter of the test's prefix mapped to another host file system): at its new path, or,
// when the move fails, where it was, with its bytes and attributes, and no copy anywhere.
#include <gtest/gtest.h>

#include "framework/FileMove.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/win/support/SpareVolume.h"
#include "tests/win/support/TestSupport.h"

namespace {

enum class Source { kPlain, kReadOnly, kHeldOpen, kFolder };
enum class Target { kFree, kTaken };

bool ReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

TEST(FileMove, AFileEndsUpInExactlyOnePlace) {
    test::SpareVolume volume;
    if (!volume.IsReady()) {
        GTEST_SKIP() << "no second volume: " << volume.Why();
    }
    const struct {
        const char* what;
        bool acrossVolumes;
        Source source;
        Target target;
        bool moves;
    } cases[] = {
        {"a rename", false, Source::kPlain, Target::kFree, true},
        {"a rename of a read-only file", false, Source::kReadOnly, Target::kFree, true},
        {"a rename onto a taken name", false, Source::kPlain, Target::kTaken, false},
        {"a rename of a file held open", false, Source::kHeldOpen, Target::kFree, false},
        {"a rename of a folder", false, Source::kFolder, Target::kFree, true},
        {"a copy and a deletion", true, Source::kPlain, Target::kFree, true},
        // The copy is made, the source cannot be deleted: the copy goes again.
        {"a read-only file across volumes", true, Source::kReadOnly, Target::kFree, false},
        {"a file held open across volumes", true, Source::kHeldOpen, Target::kFree, false},
        {"onto a taken name across volumes", true, Source::kPlain, Target::kTaken, false},
        {"onto a taken name across volumes, read-only", true, Source::kReadOnly, Target::kTaken, false},
        {"a folder across volumes", true, Source::kFolder, Target::kFree, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir here("move-here");
        const std::string to = c.acrossVolumes ? volume / ("case" + std::to_string(++n)) : here / "moved.bmp";
        const std::string from = here / "picture.bmp";
        const std::string bytes = "picture bytes of " + std::string(c.what);
        if (c.source == Source::kFolder) {
            test::MakeDir(from);
            test::WriteFileBytes(from + "\\inside.bmp", bytes);
        } else {
            test::WriteFileBytes(from, bytes);
        }
        if (c.source == Source::kReadOnly) {
            ASSERT_TRUE(::SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (c.target == Target::kTaken) {
            test::WriteFileBytes(to, "the file already there");
        }
        fw::FileHandle held;
        if (c.source == Source::kHeldOpen) {
            // Readable by others, not deletable: a viewer of another program has it open.
            held.Reset(::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.IsValid());
        }

        EXPECT_EQ(fw::MoveFileNoReplace(test::Wide(from), test::Wide(to)), c.moves);
        held.Reset();

        const std::string& kept = c.moves ? to : from;
        const std::string& empty = c.moves ? from : to;
        if (c.source == Source::kFolder) {
            EXPECT_EQ(test::ReadFileBytes(kept + "\\inside.bmp"), bytes);
        } else {
            EXPECT_EQ(test::ReadFileBytes(kept), bytes);
            EXPECT_EQ(ReadOnly(kept), c.source == Source::kReadOnly) << "the attributes go along";
        }
        if (c.target == Target::kTaken) {
            EXPECT_EQ(test::ReadFileBytes(to), "the file already there") << "never replaced";
        } else {
            EXPECT_FALSE(test::FileExists(empty) || test::DirExists(empty)) << "no second copy at " << empty;
        }
        const size_t atTarget = c.moves || c.target == Target::kTaken ? 1 : 0;
        const size_t atSource = c.moves ? 0 : 1;
        EXPECT_EQ(test::ListNames(here.Path()).size(), atSource + (c.acrossVolumes ? 0 : atTarget))
            << "nothing else made";
        EXPECT_EQ(test::ListNames(volume.Root()).size(), c.acrossVolumes ? atTarget : 0) << "nothing else made";
        if (c.acrossVolumes) {
            ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
            test::RemoveTree(to);
        }
    }
}

}  // namespace
