#include "sizedelete/SizeJudgement.h"

#include "portable/PathUtil.h"

std::optional<PictureSize> SizeToJudge(std::optional<PictureSize> decoded,
                                       std::optional<DecodeFailure> failure,
                                       const std::function<std::optional<PictureSize>()>& readHeader) {
    if (decoded) {
        return decoded;
    }
    if (failure && SaysNoPicture(*failure)) {
        return PictureSize{0, 0};
    }
    return readHeader ? readHeader() : std::nullopt;
}

bool IsSameOrInside(std::string_view dir, std::string_view tree) {
    const std::string inner = UpperCaseAscii(AddTrailingBackslash(dir));
    const std::string outer = UpperCaseAscii(AddTrailingBackslash(tree));
    // Equal bytes from the start split into equal characters: a match ends where `outer`
    // ends, after a whole character of `inner`.
    return inner.compare(0, outer.size(), outer) == 0;
}

bool IsSameOrInside(std::wstring_view dir, std::wstring_view tree) {
    const std::wstring inner = UpperCaseAscii(AddTrailingBackslash(dir));
    const std::wstring outer = UpperCaseAscii(AddTrailingBackslash(tree));
    return inner.compare(0, outer.size(), outer) == 0;
}

std::string PassProgressText(const PassProgress& progress) {
    std::string text =
        "  判定 " + std::to_string(progress.judged) + " 枚  削除 " + std::to_string(progress.deleted) + " 枚";
    if (progress.moving) {
        text += "  移動 " + std::to_string(progress.moved) + " 枚";
    }
    if (progress.total > 0) {
        text += "  (" + std::to_string(progress.position) + " / " + std::to_string(progress.total) + ")";
    }
    return text;
}

namespace {

std::string StopLine(PassStop stop, const std::string& path) {
    switch (stop) {
        case PassStop::kKillNotDone:
            return "削除できなかったため中断しました: " + path;
        case PassStop::kMoveFailed:
            return "移動できなかったため中断しました: " + path;
        case PassStop::kEscape:
            return "Escキーで中断しました。";
        case PassStop::kClosed:
            return "ウィンドウを閉じたため中断しました。";
        case PassStop::kFolderLost:
            return "フォルダが見つからなくなったため中断しました: " + path;
        case PassStop::kNone:
            break;
    }
    return {};
}

}  // namespace

std::string PassClosingText(const PassProgress& progress) {
    std::string text = "処理終了しました。";
    if (progress.stop != PassStop::kNone) {
        text += "\n" + StopLine(progress.stop, progress.stopPath);
    }
    if (progress.unlistedFolders > 0) {
        text += "\n一覧を読めないフォルダがありました: " + progress.unlistedFolder;
        if (progress.unlistedFolders > 1) {
            text += " ほか " + std::to_string(progress.unlistedFolders - 1) + " 件";
        }
    }
    if (progress.unreadable > 0) {
        text += "\n読めなかったため残した画像: " + std::to_string(progress.unreadable) + " 枚";
    }
    return text;
}
