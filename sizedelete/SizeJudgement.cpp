#include "sizedelete/SizeJudgement.h"

#include <utility>

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

// The reason, and whether the path it names follows it.
std::pair<const char*, bool> StopLine(PassStop stop) {
    switch (stop) {
        case PassStop::kKillNotDone:
            return {"削除できなかったため中断しました: ", true};
        case PassStop::kMoveFailed:
            return {"移動できなかったため中断しました: ", true};
        case PassStop::kEscape:
            return {"Escキーで中断しました。", false};
        case PassStop::kClosed:
            return {"ウィンドウを閉じたため中断しました。", false};
        case PassStop::kFolderLost:
            return {"フォルダが見つからなくなったため中断しました: ", true};
        case PassStop::kNone:
            break;
    }
    return {"", false};
}

}  // namespace

std::wstring PassClosingText(const PassProgress& progress, WidenText widen) {
    std::wstring text = widen("処理終了しました。");
    if (progress.stop != PassStop::kNone) {
        const auto [line, withPath] = StopLine(progress.stop);
        text += widen(std::string("\n") + line);
        if (withPath) {
            text += DisplayPath(progress.stopPath);
        }
    }
    if (progress.unlistedFolders > 0) {
        text += widen("\n一覧を読めないフォルダがありました: ") + DisplayPath(progress.unlistedFolder);
        if (progress.unlistedFolders > 1) {
            text += widen(" ほか " + std::to_string(progress.unlistedFolders - 1) + " 件");
        }
    }
    if (progress.unreadable > 0) {
        text += widen("\n読めなかったため残した画像: " + std::to_string(progress.unreadable) + " 枚");
    }
    if (progress.givenUp > 0) {
        text += widen("\n読むのに時間がかかりすぎたため残した画像: " + std::to_string(progress.givenUp) + " 枚");
    }
    if (progress.changed > 0) {
        text += widen("\n読んだ後に変わったため残した画像: " + std::to_string(progress.changed) + " 枚");
    }
    if (progress.keptFolders > 0) {
        text += widen("\nほかのファイルが残るため残したフォルダ: " + std::to_string(progress.keptFolders) + " 件");
    }
    return text;
}
