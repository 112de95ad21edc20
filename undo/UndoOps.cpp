#include "undo/UndoOps.h"

#include "portable/PathUtil.h"
#include "framework/FileMove.h"
#include "framework/FileNames.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"

namespace {

constexpr char kCaption[] = "元に戻す";
constexpr char kNothingToUndo[] = "元に戻せる操作はありません。";
constexpr char kNotThere[] = "ファイルが記録された場所にないため、元に戻せません。\n";
constexpr char kNameTaken[] = "元の場所に同じ名前のファイルがあるため、元に戻せません。\n";
constexpr char kChanged[] = "記録された場所のファイルが操作の後に変わっているため、元に戻せません。\n";
constexpr char kFailed[] = "元に戻せませんでした。\n";
constexpr char kNotMarked[] = "元に戻しましたが、記録を更新できませんでした。\n";
}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CUndoOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kUndo), 0, OnUndo)
FW_END_PART_MESSAGE_MAP()

CUndoOps::CUndoOps(IViewerHost& host, CFolder& folder, CUndoJournal& journal)
    : m_host(host), m_folder(folder), m_journal(journal) {}

bool CUndoOps::UndoLatest() {
    const std::optional<JournalEntry> entry = m_journal.Latest();
    if (!entry) {
        ShowUndoMessage(kNothingToUndo);
        return false;
    }
    // The journal holds well-formed UTF-8 only, so both convert.
    const std::wstring former = fw::ToWide(entry->from, CP_UTF8).value_or(L"");
    const std::wstring current = fw::ToWide(entry->to, CP_UTF8).value_or(L"");
    if (!fw::PathExists(current)) {
        ShowUndoMessage(kNotThere, current);
        return false;
    }
    // Only the file the operation left there goes back, not another that took its name
    // since. A record of an earlier version, or of a folder, has no stamp to compare.
    if (entry->stamp && CUndoJournal::StampOf(current) != entry->stamp) {
        ShowUndoMessage(kChanged, current);
        return false;
    }
    // A rename that changed only the letter case finds the file itself at its former name.
    const bool caseOnly = fw::SameNameIgnoringCase(former, current);
    if (!caseOnly && fw::PathExists(former)) {
        ShowUndoMessage(kNameTaken, former);
        return false;
    }
    // A name taken meanwhile is still never replaced.
    const bool moved = caseOnly ? fw::ChangeNameCase(current, former) : fw::MoveFileNoReplace(current, former);
    if (!moved) {
        ShowUndoMessage(kFailed, current + fw::Widen932("\n→ ") + former);
        return false;
    }
    const bool marked = m_journal.MarkUndone(*entry);
    ShowOutcome(former, current);
    if (!marked) {
        ShowUndoMessage(kNotMarked, former);
    }
    return true;
}

void CUndoOps::ShowUndoMessage(const char* text, const std::wstring& path) const {
    fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(text) + path, kCaption, MB_OK);
}

void CUndoOps::ShowOutcome(const std::wstring& restored, const std::wstring& left) {
    const std::wstring folder = AddTrailingBackslash(m_folder.Dir());
    if (fw::SameNameIgnoringCase(GetDirectoryPart(restored), folder)) {
        const std::wstring name = GetFileNamePart(restored);
        const DWORD attributes = ::GetFileAttributesW(restored.c_str());
        const bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        m_folder.RelistSelecting(directory ? ListEntry::Directory(name).Text() : name);
    } else if (fw::SameNameIgnoringCase(GetDirectoryPart(left), folder)) {
        m_folder.Relist();
    }
}
