#pragma once
// The rules of size-judged deletion that need no window: when a picture counts as small,
// when a move directory lies inside the tree a pass walks, and the progress text a pass
// shows in the window title. Portable: no <windows.h>.
#include <string>
#include <string_view>

// A picture is small when it is narrower or lower than the threshold (as signed numbers);
// a picture that could not be decoded comes here as 0 x 0.
constexpr bool IsSmallPicture(int width, int height, int thresholdWidth, int thresholdHeight) {
    return width < thresholdWidth || height < thresholdHeight;
}

// Whether `dir` is `tree` or a directory below it, judged on the paths as written: both
// get a final backslash, and `dir` must begin with `tree`. ASCII letters compare without
// regard to case (the file system ignores it); double-byte characters compare whole.
bool IsSameOrInside(std::string_view dir, std::string_view tree);

// What a pass has done so far, for the window title.
struct PassProgress {
    int judged = 0;   // pictures judged
    int deleted = 0;  // pictures deleted
    int moved = 0;    // pictures moved (the moving pass)
    bool moving = false;
    int position = 0;  // entries passed (the pass over the list)
    int total = 0;     // entries at the start of that pass; 0 for the tree passes
};

// The text shown after the directory in the title while a pass runs, with a leading blank.
std::string PassProgressText(const PassProgress& progress);
