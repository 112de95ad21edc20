#include "commands/TargetChooser.h"

#include "framework/FileIdentity.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "settings/Settings.h"

namespace {

constexpr char kMovePrompt[] = "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。";
constexpr char kCopyPrompt[] =
    "コピー先ディレクトリ選択\n'C'キーを押すと、ファイルがこのディレクトリにコピーされます。";
constexpr char kTrashPrompt[] = "ごみ箱ディレクトリ選択\n'DEL'キーを押すと、ファイルがこのディレクトリに移動されます。";
constexpr char kCurrentFolder[] = "表示中のフォルダーは移動先・コピー先に選べません。設定は変わりません:\n";

// Whether two paths name one folder, whatever each is spelled like.
bool SameFolder(const std::wstring& a, const std::wstring& b) {
    const std::optional<fw::FileIdentity> first = fw::IdentityOf(a);
    return first && first == fw::IdentityOf(b);
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CTargetChooser)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kChooseMoveDir), 0, ChooseMoveDir)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kChooseCopyDir), 0, ChooseCopyDir)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kChooseTrashDir), 0, ChooseTrashDir)
FW_END_PART_MESSAGE_MAP()

CTargetChooser::CTargetChooser(IViewerHost& host, Settings& settings, CFolder& folder)
    : m_host(host), m_folder(folder), m_settings(settings) {}

void CTargetChooser::ChooseMoveDir() {
    Choose(m_settings.m_strMoveDir, fw::Widen932(m_settings.m_strMoveDir), kMovePrompt);
}

void CTargetChooser::ChooseCopyDir() {
    Choose(m_settings.m_strCopyDir, fw::Widen932(m_settings.m_strCopyDir), kCopyPrompt);
}

void CTargetChooser::ChooseTrashDir() {
    Choose(m_settings.m_strTrashDir, fw::Widen932(m_settings.m_strTrashDir), kTrashPrompt);
}

void CTargetChooser::ChooseTarget(int number) {
    if (number < 1 || number > kTargetCount) {
        return;
    }
    std::string& target = m_settings.m_strTargetDirs[static_cast<size_t>(number - 1)];
    const std::string digit(1, static_cast<char>('0' + number));
    const std::string prompt =
        "移動先" + digit + " ディレクトリ選択\n'" + digit + "'キーを押すと、ファイルがこのディレクトリに移動されます。";
    Choose(target, target.empty() ? m_folder.Dir() : fw::Widen932(target), prompt);
}

void CTargetChooser::Choose(std::string& target, const std::wstring& initial, const std::string& prompt) {
    const std::wstring chosen = m_host.ChooseFolder(initial, prompt);
    if (chosen.empty()) {
        return;
    }
    // Moving a picture into its own folder would only rename it in place.
    if (SameFolder(chosen, m_folder.Dir())) {
        fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kCurrentFolder) + chosen);
        return;
    }
    const std::optional<std::string> stored = StorablePath(m_host.OwnerWindow(), chosen);
    if (!stored) {
        return;
    }
    target = *stored;
    // The list is read again; the entry that was selected stays selected and shown.
    if (const ListEntry* selected = m_folder.Selected()) {
        m_folder.RelistSelecting(selected->Text());
    }
}
