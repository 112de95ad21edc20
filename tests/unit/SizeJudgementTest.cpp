#include "sizedelete/SizeJudgement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(SizeJudgement, MoveDirectoryInsideTheTree) {
    const struct {
        const wchar_t* dir;
        const wchar_t* tree;
        bool inside;
    } cases[] = {
        {L"C:\\pics", L"C:\\pics", true},
        {L"C:\\pics\\", L"C:\\pics", true},
        {L"C:\\pics", L"C:\\pics\\", true},
        {L"C:\\pics\\out\\deep", L"C:\\pics", true},
        {L"c:\\PICS\\out", L"C:\\pics\\", true},  // the file system ignores case
        {L"C:\\pictures", L"C:\\pics", false},
        {L"C:\\pic", L"C:\\pics", false},
        {L"D:\\pics", L"C:\\pics", false},
        {L"", L"C:\\pics", false},
        {L"C:\\", L"C:\\", true},
        {L"C:\\x", L"C:\\", true},
        // Look-alikes are other folders.
        {L"C:\\2023\u00A504\\sub", L"C:\\2023\u00A504", true},
        {L"C:\\2023\u00A504", L"C:\\2023\\04", false},
        {L"C:\\caf\u00E9", L"C:\\cafe", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSameOrInside(c.dir, c.tree), c.inside)
            << testing::PrintToString(std::wstring(c.dir)) << " in " << testing::PrintToString(std::wstring(c.tree));
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
        {DecodeFailure::kStopped, true, header},
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
    EXPECT_EQ(FailureOfPluginResult(1), DecodeFailure::kStopped);
}

// Each byte of the program's text as one code unit: enough to compare texts here.
std::wstring ByteWise(std::string_view text) {
    std::wstring wide;
    for (const char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

TEST(SizeJudgement, ClosingTextSaysWhyThePassStoppedAndWhatItLeft) {
    const std::string finished = "処理終了しました。";
    EXPECT_EQ(PassClosingText(PassProgress{}, ByteWise), ByteWise(finished)) << "a pass that ran to the end";
    PassProgress busy;
    busy.judged = 40, busy.deleted = 12, busy.moved = 3, busy.moving = true;
    EXPECT_EQ(PassClosingText(busy, ByteWise), ByteWise(finished));

    // Paths are shown exactly, whatever code page 932 can hold.
    const std::wstring file = L"C:\\p\\caf\u00e9\U0001F642.jpg";
    const struct {
        PassStop stop;
        const char* line;
        bool withPath;
    } stops[] = {
        {PassStop::kKillNotDone, "削除できなかったため中断しました: ", true},
        {PassStop::kMoveFailed, "移動できなかったため中断しました: ", true},
        {PassStop::kEscape, "Escキーで中断しました。", false},
        {PassStop::kClosed, "ウィンドウを閉じたため中断しました。", false},
        {PassStop::kFolderLost, "フォルダが見つからなくなったため中断しました: ", true},
    };
    for (const auto& s : stops) {
        PassProgress progress;
        progress.stop = s.stop;
        progress.stopPath = file;
        EXPECT_EQ(PassClosingText(progress, ByteWise),
                  ByteWise(finished + "\n" + s.line) + (s.withPath ? file : std::wstring()));
    }

    PassProgress left;
    left.stop = PassStop::kEscape;
    left.unlistedFolder = L"C:\\p\\\uD55C";
    left.unlistedFolders = 1;
    left.unreadable = 2;
    EXPECT_EQ(PassClosingText(left, ByteWise), ByteWise(finished +
                                                        "\nEscキーで中断しました。"
                                                        "\n一覧を読めないフォルダがありました: ") +
                                                   left.unlistedFolder + ByteWise("\n読めなかったため残した画像: 2 枚"));
    left.stop = PassStop::kNone;
    left.unlistedFolders = 3;
    left.unreadable = 0;
    EXPECT_EQ(PassClosingText(left, ByteWise),
              ByteWise(finished + "\n一覧を読めないフォルダがありました: ") + left.unlistedFolder + ByteWise(" ほか 2 件"));

    // What it kept for other reasons follows, in this order.
    PassProgress kept;
    kept.unreadable = 1, kept.givenUp = 2, kept.changed = 3, kept.keptFolders = 4;
    EXPECT_EQ(PassClosingText(kept, ByteWise), ByteWise(finished +
                                                        "\n読めなかったため残した画像: 1 枚"
                                                        "\n読むのに時間がかかりすぎたため残した画像: 2 枚"
                                                        "\n読んだ後に変わったため残した画像: 3 枚"
                                                        "\nほかのファイルが残るため残したフォルダ: 4 件"));
}

}  // namespace
