#include "sizedelete/SizeJudgement.h"

#include "filelist/PathUtil.h"

bool IsSameOrInside(std::string_view dir, std::string_view tree) {
    const std::string inner = UpperCaseAscii(AddTrailingBackslash(dir));
    const std::string outer = UpperCaseAscii(AddTrailingBackslash(tree));
    // Equal bytes from the start split into equal characters: a match ends where `outer`
    // ends, after a whole character of `inner`.
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
