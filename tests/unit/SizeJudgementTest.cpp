#include "sizedelete/SizeJudgement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

// Only a decoder that found no picture in the file makes it 0 x 0; any other failure
// goes by the header, and without one the picture is not judged at all.
TEST(SizeJudgement, SizeToJudgeAfterEachKindOfFailure) {
    const PictureSize header{12000, 8000};
    const struct {
        std::optional<DecodeFailure> failure;
        bool headerReadable;
        std::optional<PictureSize> judged;
    } cases[] = {
        {DecodeFailure::kNotAPicture, true, PictureSize{0, 0}},
        {DecodeFailure::kBroken, false, PictureSize{0, 0}},
        {DecodeFailure::kUnsupported, true, header},
        {DecodeFailure::kOutOfMemory, true, header},
        {DecodeFailure::kTooLarge, true, header},
        {DecodeFailure::kReadError, true, header},
        {DecodeFailure::kAborted, true, header},
        {DecodeFailure::kUnnamed, true, header},
        {std::nullopt, true, header},  // nothing held, and no reason known
        {DecodeFailure::kOutOfMemory, false, std::nullopt},
        {DecodeFailure::kReadError, false, std::nullopt},
        {DecodeFailure::kTooLarge, false, std::nullopt},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const auto readHeader = [&]() -> std::optional<PictureSize> {
            ++asked;
            return c.headerReadable ? std::optional(header) : std::nullopt;
        };
        const std::optional<PictureSize> judged = SizeToJudge(std::nullopt, c.failure, readHeader);
        EXPECT_EQ(judged, c.judged) << static_cast<int>(c.failure.value_or(DecodeFailure::kUnnamed));
        EXPECT_EQ(asked, c.failure && SaysNoPicture(*c.failure) ? 0 : 1) << "the header is read only when needed";
    }
    int asked = 0;
    EXPECT_EQ(SizeToJudge(PictureSize{5, 6}, std::nullopt, [&] { return ++asked, std::optional(header); }),
              (PictureSize{5, 6}));
    EXPECT_EQ(asked, 0);
}

TEST(SizeJudgement, OnlyUnknownFormatAndBrokenDataFromAPluginSayNoPicture) {
    for (int result = -1; result <= 12; ++result) {
        EXPECT_EQ(SaysNoPicture(FailureOfPluginResult(result)), result == 2 || result == 3) << result;
    }
    EXPECT_EQ(FailureOfPluginResult(4), DecodeFailure::kOutOfMemory);
    EXPECT_EQ(FailureOfPluginResult(6), DecodeFailure::kReadError);
    EXPECT_EQ(FailureOfPluginResult(1), DecodeFailure::kAborted);
}

TEST(SizeJudgement, ClosingTextSaysWhyThePassStoppedAndWhatItLeft) {
    const std::string finished = "処理終了しました。";
    EXPECT_EQ(PassClosingText(PassProgress{}), finished) << "a pass that ran to the end";
    PassProgress busy;
    busy.judged = 40, busy.deleted = 12, busy.moved = 3, busy.moving = true;
    EXPECT_EQ(PassClosingText(busy), finished);

    const struct {
        PassStop stop;
        const char* line;
    } stops[] = {
        {PassStop::kKillNotDone, "削除できなかったため中断しました: C:\\p\\a.jpg"},
        {PassStop::kMoveFailed, "移動できなかったため中断しました: C:\\p\\a.jpg"},
        {PassStop::kEscape, "Escキーで中断しました。"},
        {PassStop::kClosed, "ウィンドウを閉じたため中断しました。"},
        {PassStop::kFolderLost, "フォルダが見つからなくなったため中断しました: C:\\p\\a.jpg"},
    };
    for (const auto& s : stops) {
        PassProgress progress;
        progress.stop = s.stop;
        progress.stopPath = "C:\\p\\a.jpg";
        EXPECT_EQ(PassClosingText(progress), finished + "\n" + s.line);
    }

    PassProgress left;
    left.stop = PassStop::kEscape;
    left.unlistedFolder = "C:\\p\\x";
    left.unlistedFolders = 1;
    left.unreadable = 2;
    EXPECT_EQ(PassClosingText(left), finished +
                                         "\nEscキーで中断しました。"
                                         "\n一覧を読めないフォルダがありました: C:\\p\\x"
                                         "\n読めなかったため残した画像: 2 枚");
    left.stop = PassStop::kNone;
    left.unlistedFolders = 3;
    left.unreadable = 0;
    EXPECT_EQ(PassClosingText(left), finished + "\n一覧を読めないフォルダがありました: C:\\p\\x ほか 2 件");
}

}  // namespace
