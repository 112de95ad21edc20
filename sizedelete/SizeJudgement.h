#pragma once
// The rules of size-judged deletion that need no window: when a picture counts as small,
// what size a picture that failed to decode is judged by, when a move directory lies
// inside the tree a pass walks, and the texts a pass shows in the window title and when
// it ends. Portable: no <windows.h>.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "image/DecodeFailure.h"

// A picture is small when it is narrower or lower than the threshold (as signed numbers).
constexpr bool IsSmallPicture(int width, int height, int thresholdWidth, int thresholdHeight) {
    return width < thresholdWidth || height < thresholdHeight;
}

// The size a picture is judged by: its decoded size when it was decoded; 0 x 0 when its
// decoder found no picture in the file (not a picture, or broken); else the size its
// header names, asked of `readHeader`. None when that cannot be read either: the picture
// is then kept unjudged, for a picture too large, a lack of memory or a read error says
// nothing about its size.
std::optional<PictureSize> SizeToJudge(std::optional<PictureSize> decoded,
                                       std::optional<DecodeFailure> failure,
                                       const std::function<std::optional<PictureSize>()>& readHeader);

// Whether `dir` is `tree` or a directory below it, judged on the paths as written: both
// get a final backslash, and `dir` must begin with `tree`. ASCII letters compare without
// regard to case (the file system ignores it); double-byte characters compare whole.

// The same for paths in UTF-16: ASCII letters compare without regard to case, every other
// code unit as it is.
bool IsSameOrInside(std::wstring_view dir, std::wstring_view tree);

// Why a pass ended before it had gone through everything.
enum class PassStop {
    kNone,
    kKillNotDone,  // a small picture could not be deleted (refused or failed)
    kMoveFailed,   // the moving pass could not move a picture that stays
    kEscape,       // Escape was held down
    kClosed,       // the window was closed
    kFolderLost,   // a folder the pass walked was gone when it came back
};

// What a pass has done so far, for the window title and its closing message.
struct PassProgress {
    int judged = 0;   // pictures judged
    int deleted = 0;  // pictures deleted
    int moved = 0;    // pictures moved (the moving pass)
    bool moving = false;
    int position = 0;            // entries passed (the pass over the list)
    int total = 0;               // entries at the start of that pass; 0 for the tree passes
    int unreadable = 0;          // pictures kept because no size could be read
    int givenUp = 0;             // pictures kept because reading them took too long
    int changed = 0;             // pictures kept because they changed after they were read
    int keptFolders = 0;         // folders the pass emptied of pictures, kept for what else is in them
    std::wstring unlistedFolder;  // the first folder that could not be listed
    int unlistedFolders = 0;
    PassStop stop = PassStop::kNone;
    std::wstring stopPath;  // the file or folder the pass stopped at
};

// The text shown after the directory in the title while a pass runs, with a leading blank.
std::string PassProgressText(const PassProgress& progress);
// The closing message: "処理終了しました。", then a line for each of these that holds:
// why the pass stopped early, a folder it could not list, the pictures it could not read,
// those it gave up reading, those that changed, the emptied folders it kept.
// The paths in it are shown exactly; `widen` turns the program's own code-page-932 texts
// into UTF-16.
using WidenText = std::wstring (*)(std::string_view text);
std::wstring PassClosingText(const PassProgress& progress, WidenText widen);
