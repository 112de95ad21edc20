#include "host/KeyTable.h"

#include <array>
#include <cstddef>
#include <iterator>

namespace {

// Virtual-key codes, spelled out: this file does not see <windows.h>.
constexpr int kReturn = 13;
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kInsert = 45;
constexpr int kDeleteKey = 46;
constexpr int kF5 = 116;
constexpr int kF11 = 122;
constexpr int kF12 = 123;
constexpr int kNumpad0 = 0x60;

// The first row of a key whose test passes decides; a key with several rows lists the
// narrower tests first.
constexpr KeyBinding kTable[] = {
    {kReturn, ModifierTest::kAny, KeyCommand::kWallpaperReturn},
    {kEscape, ModifierTest::kAny, KeyCommand::kLeaveFullScreen},
    {kSpace, ModifierTest::kAny, KeyCommand::kToggleFit},
    {kLeft, ModifierTest::kAny, KeyCommand::kParentDirectory},
    {kUp, ModifierTest::kAny, KeyCommand::kPageUp},
    {kRight, ModifierTest::kAny, KeyCommand::kEnterDirectory},
    {kDown, ModifierTest::kAny, KeyCommand::kPageDown},
    {kInsert, ModifierTest::kCtrlUp, KeyCommand::kMove},
    {kDeleteKey, ModifierTest::kAny, KeyCommand::kDelete},
    {'C', ModifierTest::kCtrlUp, KeyCommand::kCopy},
    {'D', ModifierTest::kAny, KeyCommand::kBrowseDirectory},
    {'K', ModifierTest::kShiftDownCtrlUp, KeyCommand::kDeleteDirectory},
    {'K', ModifierTest::kAny, KeyCommand::kKill},
    {'M', ModifierTest::kCtrlUp, KeyCommand::kMove},
    {'T', ModifierTest::kShiftDownCtrlDown, KeyCommand::kSizeDeleteSelected},
    {'T', ModifierTest::kCtrlUp, KeyCommand::kNothing},
    {kF5, ModifierTest::kAny, KeyCommand::kReload},
    {'I', ModifierTest::kAny, KeyCommand::kOpenUrlMemo},
    {'W', ModifierTest::kCtrlDown, KeyCommand::kOpenDirWindow},
    {'W', ModifierTest::kCtrlUp, KeyCommand::kWallpaperFile},
    {kF12, ModifierTest::kAny, KeyCommand::kWallpaperSet},
    {kInsert, ModifierTest::kCtrlDown, KeyCommand::kChooseMoveDir},
    {'M', ModifierTest::kCtrlDown, KeyCommand::kChooseMoveDir},
    {'C', ModifierTest::kCtrlDown, KeyCommand::kChooseCopyDir},
    {'T', ModifierTest::kCtrlDownShiftUp, KeyCommand::kChooseTrashDir},
    {'R', ModifierTest::kAny, KeyCommand::kRename},
    {'J', ModifierTest::kAny, KeyCommand::kJump},
    {'P', ModifierTest::kAny, KeyCommand::kSettings},
    {'Z', ModifierTest::kCtrlDownShiftUp, KeyCommand::kUndo},
    {kF11, ModifierTest::kAny, KeyCommand::kToggleFullScreen},
};

// The digit keys 1 to 9, of the number row and of the keypad alike: Shift-Ctrl clears the
// target, Ctrl chooses it, the digit with or without Shift moves the picture into it.
constexpr int kDigitRowsPerKey = 3;
constexpr auto kDigitTable = [] {
    std::array<KeyBinding, kTargetKeyCount * 2 * kDigitRowsPerKey> rows{};
    size_t at = 0;
    for (int number = 1; number <= kTargetKeyCount; ++number) {
        for (const int key : {'0' + number, kNumpad0 + number}) {
            rows[at++] = {key, ModifierTest::kShiftDownCtrlDown, TargetCommand(KeyCommand::kClearTarget1, number)};
            rows[at++] = {key, ModifierTest::kCtrlDown, TargetCommand(KeyCommand::kChooseTarget1, number)};
            rows[at++] = {key, ModifierTest::kAny, TargetCommand(KeyCommand::kMoveToTarget1, number)};
        }
    }
    return rows;
}();

template <class Rows>
std::optional<KeyCommand> FirstMatch(const Rows& rows, int virtualKey, bool shift, bool ctrl) {
    for (const KeyBinding& row : rows) {
        if (row.virtualKey == virtualKey && ModifiersMatch(row.test, shift, ctrl)) {
            return row.command;
        }
    }
    return std::nullopt;
}

}  // namespace

bool ModifiersMatch(ModifierTest test, bool shift, bool ctrl) {
    switch (test) {
        case ModifierTest::kAny:
            return true;
        case ModifierTest::kCtrlUp:
            return !ctrl;
        case ModifierTest::kShiftDownCtrlUp:
            return shift && !ctrl;
        case ModifierTest::kCtrlDown:
            return ctrl;
        case ModifierTest::kShiftDownCtrlDown:
            return shift && ctrl;
        case ModifierTest::kCtrlDownShiftUp:
            return ctrl && !shift;
    }
    return false;
}

bool IsFileCommand(KeyCommand command) {
    switch (command) {
        case KeyCommand::kMove:
        case KeyCommand::kDelete:
        case KeyCommand::kCopy:
        case KeyCommand::kKill:
            return true;
        default:
            return TargetNumberOf(command, KeyCommand::kMoveToTarget1) != 0;
    }
}

bool UsesShownPicture(KeyCommand command) {
    switch (command) {
        case KeyCommand::kWallpaperReturn:
        case KeyCommand::kWallpaperFile:
        case KeyCommand::kWallpaperSet:
        case KeyCommand::kSizeDeleteSelected:
            return true;
        default:
            return IsFileCommand(command);
    }
}

bool ActsOnSelection(KeyCommand command) {
    switch (command) {
        case KeyCommand::kPageUp:
        case KeyCommand::kPageDown:
        case KeyCommand::kEnterDirectory:
        case KeyCommand::kDeleteDirectory:
        case KeyCommand::kOpenUrlMemo:
        case KeyCommand::kRename:
            return true;
        default:
            return UsesShownPicture(command);
    }
}

bool DeletesEntry(KeyCommand command) {
    switch (command) {
        case KeyCommand::kDelete:
        case KeyCommand::kKill:
        case KeyCommand::kDeleteDirectory:
        case KeyCommand::kSizeDeleteSelected:
            return true;
        default:
            return false;
    }
}

std::optional<KeyCommand> LookUpKeyCommand(int virtualKey, bool shift, bool ctrl) {
    if (const std::optional<KeyCommand> command = FirstMatch(kTable, virtualKey, shift, ctrl)) {
        return command;
    }
    return FirstMatch(kDigitTable, virtualKey, shift, ctrl);
}
