#include "host/KeyTable.h"

#include "host/CommandGate.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace {

struct State {
    bool shift;
    bool ctrl;
};
constexpr State kStates[] = {{false, false}, {true, false}, {false, true}, {true, true}};

TEST(KeyTable, KeysWithoutModifierTestIgnoreShiftAndCtrl) {
    const std::pair<int, KeyCommand> keys[] = {
        {13, KeyCommand::kWallpaperReturn}, {27, KeyCommand::kLeaveFullScreen}, {32, KeyCommand::kToggleFit},
        {37, KeyCommand::kParentDirectory}, {38, KeyCommand::kPageUp},        {39, KeyCommand::kEnterDirectory},
        {40, KeyCommand::kPageDown},        {46, KeyCommand::kDelete},        {'D', KeyCommand::kBrowseDirectory},
        {116, KeyCommand::kReload},         {'I', KeyCommand::kOpenUrlMemo},  {123, KeyCommand::kWallpaperSet},
        {'R', KeyCommand::kRename},         {'J', KeyCommand::kJump},         {'P', KeyCommand::kSettings},
        {122, KeyCommand::kToggleFullScreen},
    };
    for (const auto& [key, command] : keys) {
        for (const State s : kStates) {
            EXPECT_EQ(LookUpKeyCommand(key, s.shift, s.ctrl), command) << key << " " << s.shift << s.ctrl;
        }
    }
}

TEST(KeyTable, MoveAndCopyOnlyWithoutCtrl) {
    for (const int key : {int{'M'}, 45}) {
        EXPECT_EQ(LookUpKeyCommand(key, false, false), KeyCommand::kMove) << key;
        EXPECT_EQ(LookUpKeyCommand(key, true, false), KeyCommand::kMove) << "Shift-M is M";
    }
    EXPECT_EQ(LookUpKeyCommand('C', true, false), KeyCommand::kCopy);
}

TEST(KeyTable, CtrlChoosesTheTargetDirectories) {
    const std::pair<int, KeyCommand> keys[] = {
        {'M', KeyCommand::kChooseMoveDir}, {45, KeyCommand::kChooseMoveDir}, {'C', KeyCommand::kChooseCopyDir}};
    for (const auto& [key, command] : keys) {
        EXPECT_EQ(LookUpKeyCommand(key, false, true), command) << key;
        EXPECT_EQ(LookUpKeyCommand(key, true, true), command) << key;
    }
    EXPECT_EQ(LookUpKeyCommand('T', false, true), KeyCommand::kChooseTrashDir);
    EXPECT_NE(LookUpKeyCommand('T', true, true), KeyCommand::kChooseTrashDir) << "Shift-Ctrl-T is no choice";
    // Plain T and Shift-T are swallowed without an action.
    EXPECT_EQ(LookUpKeyCommand('T', false, false), KeyCommand::kNothing);
    EXPECT_EQ(LookUpKeyCommand('T', true, false), KeyCommand::kNothing);
}

TEST(KeyTable, WWritesTheWallpaperFileOnlyWithoutCtrl) {
    EXPECT_EQ(LookUpKeyCommand('W', false, false), KeyCommand::kWallpaperFile);
    EXPECT_EQ(LookUpKeyCommand('W', true, false), KeyCommand::kWallpaperFile);
    EXPECT_NE(LookUpKeyCommand('W', false, true), KeyCommand::kWallpaperFile);
    EXPECT_NE(LookUpKeyCommand('W', true, true), KeyCommand::kWallpaperFile);
}

TEST(KeyTable, OnlyShiftKWithoutCtrlDeletesADirectory) {
    EXPECT_EQ(LookUpKeyCommand('K', true, false), KeyCommand::kDeleteDirectory);
    EXPECT_EQ(LookUpKeyCommand('K', false, false), KeyCommand::kKill);
    EXPECT_EQ(LookUpKeyCommand('K', false, true), KeyCommand::kKill);
    EXPECT_EQ(LookUpKeyCommand('K', true, true), KeyCommand::kKill);
}

TEST(KeyTable, CtrlWOpensTheDirectoryWindow) {
    EXPECT_EQ(LookUpKeyCommand('W', false, true), KeyCommand::kOpenDirWindow);
    EXPECT_EQ(LookUpKeyCommand('W', true, true), KeyCommand::kOpenDirWindow);
    EXPECT_NE(LookUpKeyCommand('W', false, false), KeyCommand::kOpenDirWindow);
    EXPECT_NE(LookUpKeyCommand('W', true, false), KeyCommand::kOpenDirWindow);
}

TEST(KeyTable, ShiftCtrlTJudgesTheSizeAndTWithoutCtrlIsSwallowed) {
    EXPECT_EQ(LookUpKeyCommand('T', true, true), KeyCommand::kSizeDeleteSelected);
    EXPECT_EQ(LookUpKeyCommand('T', false, false), KeyCommand::kNothing);
    EXPECT_EQ(LookUpKeyCommand('T', true, false), KeyCommand::kNothing);
    EXPECT_NE(LookUpKeyCommand('T', false, true), KeyCommand::kSizeDeleteSelected);
}

TEST(KeyTable, OnlyCtrlZWithoutShiftUndoes) {
    EXPECT_EQ(LookUpKeyCommand('Z', false, true), KeyCommand::kUndo);
    EXPECT_FALSE(LookUpKeyCommand('Z', true, true).has_value());
    EXPECT_FALSE(LookUpKeyCommand('Z', true, false).has_value());
}

// The digits 1 to 9 of the number row and of the keypad: alone or with Shift they move the
// picture into their target, Ctrl chooses the target, Shift-Ctrl clears it. 0 is no digit key.
TEST(KeyTable, DigitsServeTheirTargetsFromTheRowAndTheKeypad) {
    constexpr int kNumpad0 = 0x60;
    for (int number = 1; number <= kTargetKeyCount; ++number) {
        for (const int key : {'0' + number, kNumpad0 + number}) {
            const KeyCommand move = TargetCommand(KeyCommand::kMoveToTarget1, number);
            EXPECT_EQ(LookUpKeyCommand(key, false, false), move) << key;
            EXPECT_EQ(LookUpKeyCommand(key, true, false), move) << key;
            EXPECT_EQ(LookUpKeyCommand(key, false, true), TargetCommand(KeyCommand::kChooseTarget1, number)) << key;
            EXPECT_EQ(LookUpKeyCommand(key, true, true), TargetCommand(KeyCommand::kClearTarget1, number)) << key;
        }
    }
    for (const State s : kStates) {
        EXPECT_FALSE(LookUpKeyCommand('0', s.shift, s.ctrl).has_value());
        EXPECT_FALSE(LookUpKeyCommand(kNumpad0, s.shift, s.ctrl).has_value());
    }
}

// A digit's move is a file command, acting on a picture once it is on screen; choosing and
// clearing act on no picture.
TEST(KeyTable, OnlyTheDigitsMovesAreFileCommands) {
    for (int number = 1; number <= kTargetKeyCount; ++number) {
        EXPECT_TRUE(IsFileCommand(TargetCommand(KeyCommand::kMoveToTarget1, number)));
        EXPECT_TRUE(UsesShownPicture(TargetCommand(KeyCommand::kMoveToTarget1, number)));
        for (const KeyCommand kind : {KeyCommand::kChooseTarget1, KeyCommand::kClearTarget1}) {
            EXPECT_FALSE(IsFileCommand(TargetCommand(kind, number)));
            EXPECT_FALSE(UsesShownPicture(TargetCommand(kind, number)));
        }
    }
}

// Every key that acts on the selected entry is bound to the entry selected when it was
// pressed; keys about the folder, the settings or the targets are not. Of those, only the
// deleting ones stop at a directory entry when held.
TEST(KeyTable, KeysBoundToTheSelectedEntry) {
    const struct {
        KeyCommand command;
        bool actsOnSelection;
        bool deletes;
    } kCases[] = {
        {KeyCommand::kPageDown, true, false},       {KeyCommand::kPageUp, true, false},
        {KeyCommand::kEnterDirectory, true, false}, {KeyCommand::kMove, true, false},
        {KeyCommand::kCopy, true, false},           {KeyCommand::kDelete, true, true},
        {KeyCommand::kKill, true, true},            {KeyCommand::kDeleteDirectory, true, true},
        {KeyCommand::kSizeDeleteSelected, true, true}, {KeyCommand::kRename, true, false},
        {KeyCommand::kWallpaperFile, true, false},  {KeyCommand::kOpenUrlMemo, true, false},
        {KeyCommand::kReload, false, false},        {KeyCommand::kUndo, false, false},
        {KeyCommand::kParentDirectory, false, false}, {KeyCommand::kChooseMoveDir, false, false},
        {KeyCommand::kJump, false, false},          {KeyCommand::kToggleFit, false, false},
        {TargetCommand(KeyCommand::kMoveToTarget1, 5), true, false},
        {TargetCommand(KeyCommand::kChooseTarget1, 5), false, false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ActsOnSelection(c.command), c.actsOnSelection) << static_cast<int>(c.command);
        EXPECT_EQ(DeletesEntry(c.command), c.deletes) << static_cast<int>(c.command);
    }
}

TEST(KeyTable, OtherKeysGoOn) {
    for (const int key : {0, int{'A'}, int{'Z'}, int{'m'}, 33, 34, 35, 36, 112, 117, 255}) {
        EXPECT_FALSE(LookUpKeyCommand(key, false, false).has_value()) << key;
    }
}

TEST(KeyTable, ModifierTests) {
    const std::pair<ModifierTest, int> tests[] = {
        {ModifierTest::kAny, 0b1111},
        {ModifierTest::kCtrlUp, 0b0011},
        {ModifierTest::kShiftDownCtrlUp, 0b0010},
        {ModifierTest::kCtrlDown, 0b1100},
        {ModifierTest::kShiftDownCtrlDown, 0b1000},
        {ModifierTest::kCtrlDownShiftUp, 0b0100},
    };
    for (const auto& [test, mask] : tests) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(ModifiersMatch(test, kStates[i].shift, kStates[i].ctrl), ((mask >> i) & 1) != 0)
                << static_cast<int>(test) << " state " << i;
        }
    }
}

}  // namespace

namespace {

// While the window reads a listing or runs a pass, no command runs but closing the program;
// idle, every command does.
TEST(CommandGate, OnlyClosingRunsWhileTheWindowIsBusy) {
    const unsigned commands[] = {ID_MENU_SETTINGS,       ID_MENU_SIZEDELETE_ALL,     ID_MENU_SIZEDELETE_SETTINGS,
                                 ID_MENU_COMMANDLIST,    ID_MENU_VERSION,            IDC_CHANGEDIR,
                                 KeyCommandId(KeyCommand::kMove), KeyCommandId(KeyCommand::kBrowseDirectory),
                                 KeyCommandId(KeyCommand::kMoveToTarget1), KeyCommandId(KeyCommand::kClearTarget9),
                                 ID_MENU_TARGET1, ID_MENU_TARGET9};
    for (const unsigned id : commands) {
        EXPECT_TRUE(MayRunCommand(Activity::kIdle, id)) << id;
        EXPECT_FALSE(MayRunCommand(Activity::kListing, id)) << id;
        EXPECT_FALSE(MayRunCommand(Activity::kPass, id)) << id;
    }
    for (const Activity activity : {Activity::kIdle, Activity::kListing, Activity::kPass}) {
        EXPECT_TRUE(MayRunCommand(activity, ID_MENU_EXIT));
        EXPECT_TRUE(MayRunCommand(activity, 2)) << "the close box, Alt-F4";
    }
    // While the shell deletes a directory under the window, nothing runs at all.
    for (const unsigned id : {commands[0], commands[6], unsigned{ID_MENU_EXIT}, 2u}) {
        EXPECT_FALSE(MayRunCommand(Activity::kDeleting, id)) << id;
    }
}

}  // namespace
