// The digit keys: moving the shown picture into one of the nine numbered target folders,
// choosing and clearing those folders, and the menu that lists them.
#include "commands/TargetKeys.h"

#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "res/resource.h"

static_assert(kTargetKeyCount == kTargetCount, "a digit for each numbered target");
static_assert(ID_MENU_TARGET9 == ID_MENU_TARGET1 + kTargetCount - 1, "the targets' menu items are consecutive");

namespace {

std::string Digit(int number) {
    return std::string(1, static_cast<char>('0' + number));
}

// The menu item of a target: its digit as the item's access key, then its folder, whose
// '&' characters are shown as they are rather than taken for access keys.
std::string MenuItemText(int number, const std::string& dir) {
    std::string text = "&" + Digit(number) + "  ";
    if (dir.empty()) {
        return text + "（未設定）";
    }
    for (const char c : dir) {
        text += c;
        if (c == '&') {
            text += '&';
        }
    }
    return text;
}

}  // namespace

// The three kinds of key command and the menu item of target N.
#define IXO_TARGET_ENTRIES(N)                                                                 \
    FW_ON_COMMAND(KeyCommandId(TargetCommand(KeyCommand::kMoveToTarget1, N)), 0, OnMoveTo<N>) \
    FW_ON_COMMAND(KeyCommandId(TargetCommand(KeyCommand::kChooseTarget1, N)), 0, OnChoose<N>) \
    FW_ON_COMMAND(KeyCommandId(TargetCommand(KeyCommand::kClearTarget1, N)), 0, OnClear<N>)   \
    FW_ON_COMMAND(ID_MENU_TARGET1 + (N) - 1, 0, OnChoose<N>)

FW_BEGIN_PART_MESSAGE_MAP(CTargetKeys)
    FW_ON_MESSAGE(WM_INITMENUPOPUP, Command, OnInitMenuPopup)
    IXO_TARGET_ENTRIES(1)
    IXO_TARGET_ENTRIES(2)
    IXO_TARGET_ENTRIES(3)
    IXO_TARGET_ENTRIES(4)
    IXO_TARGET_ENTRIES(5)
    IXO_TARGET_ENTRIES(6)
    IXO_TARGET_ENTRIES(7)
    IXO_TARGET_ENTRIES(8)
    IXO_TARGET_ENTRIES(9)
FW_END_PART_MESSAGE_MAP()

#undef IXO_TARGET_ENTRIES

CTargetKeys::CTargetKeys(IViewerHost& host, Settings& settings, CSortingOps& sorting, CTargetChooser& chooser)
    : m_host(host), m_settings(settings), m_sorting(sorting), m_chooser(chooser) {}

int CTargetKeys::MoveToTarget(int number) {
    if (number < 1 || number > kTargetCount || Target(number).empty()) {
        return kLetListHandleKey;
    }
    // Copied: the failure message names the folder the move was for.
    const std::string dir = Target(number);
    const OpResult result = m_sorting.MoveSelectedFileInto(dir);
    m_host.ReportIfFailed(result, "移動失敗\n移動先Dir  : " + dir);
    // A picture that went to the trash as a duplicate says so instead.
    if (result.IsDone() && !m_sorting.ShowIfDuplicate()) {
        m_host.ShowTitleNote(fw::Widen932("  → " + dir));
    }
    return 0;
}

void CTargetKeys::ClearTarget(int number) {
    if (number < 1 || number > kTargetCount || Target(number).empty()) {
        return;
    }
    const std::string question = "移動先" + Digit(number) + " の設定を解除しますか？\n" + Target(number);
    if (fw::MessageBox(m_host.OwnerWindow(), question, "確認", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        Target(number).clear();
    }
}

void CTargetKeys::ShowTargetsIn(HMENU menu) const {
    if (menu == nullptr || ::GetMenuItemID(menu, 0) != ID_MENU_TARGET1) {
        return;
    }
    for (int number = 1; number <= kTargetCount; ++number) {
        std::wstring text =
            fw::Widen932(MenuItemText(number, m_settings.m_strTargetDirs[static_cast<size_t>(number - 1)]));
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING;
        item.dwTypeData = text.data();
        ::SetMenuItemInfoW(menu, ID_MENU_TARGET1 + number - 1, FALSE, &item);
    }
}

// Each time the menu opens it shows the targets as they are now.
fw::Handled CTargetKeys::OnInitMenuPopup(WPARAM wParam, LPARAM) {
    ShowTargetsIn(reinterpret_cast<HMENU>(wParam));
    return fw::Handled::kNo;
}
