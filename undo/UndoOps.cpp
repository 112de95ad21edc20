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
constexpr char kOtherFolder[] = "記録された場所のフォルダは操作したフォルダではないため、元に戻せません。\n";
constexpr char kSkipped[] = "次のファイルは記録された場所にないため、その操作を飛ばしました:\n";
constexpr char kFailed[] = "元に戻せませんでした。\n";
constexpr char kNotMarked[] = "元に戻しましたが、記録を更新できませんでした。\n";
}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CUndoOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kUndo), 0, OnUndo)
FW_END_PART_MESSAGE_MAP()

CUndoOps::CUndoOps(IViewerHost& host, CFolder& folder, CUndoJournal& journal)
    : m_host(host), m_folder(folder), m_journal(journal) {}

std::optional<JournalEntry> CUndoOps::LatestPresent() {
    std::wstring skipped;
    const auto tellSkipped = [this, &skipped] {
        if (!skipped.empty()) {
            fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kSkipped) + skipped, kCaption, MB_OK);
        }
    };
    for (;;) {
        std::optional<JournalEntry> entry = m_journal.Latest();
        if (!entry) {
            tellSkipped();
            ShowUndoMessage(kNothingToUndo);
            return std::nullopt;
        }
        // The journal holds well-formed UTF-8 only, so the path converts.
        const std::wstring current = fw::ToWide(entry->to, CP_UTF8).value_or(L"");
        if (fw::PathExists(current)) {
            tellSkipped();
            return entry;
        }
        // Gone only when its folder is still there: a folder out of reach (a drive taken
        // away) may come back, and its records stay.
        if (!fw::PathExists(GetDirectoryPart(current)) || !m_journal.MarkUndone(*entry)) {
            tellSkipped();
            ShowUndoMessage(kNotThere, current);
            return std::nullopt;
        }
        skipped += (skipped.empty() ? L"" : L"\n") + DisplayPath(current);
    }
}

bool CUndoOps::UndoLatest() {
    const std::optional<JournalEntry> entry = LatestPresent();
    if (!entry) {
        return false;
    }
    const std::wstring current = fw::ToWide(entry->to, CP_UTF8).value_or(L"");
    const std::wstring former = fw::ToWide(entry->from, CP_UTF8).value_or(L"");
    // Only the file the operation left there goes back, not another that took its name
    // since. A record of an earlier version has no stamp to compare.
    if (entry->stamp && CUndoJournal::StampOf(current) != entry->stamp) {
        ShowUndoMessage(kChanged, current);
        return false;
    }
    // The same for a folder: another one made under the name since stays where it is.
    if (entry->folder && CUndoJournal::FolderIdOf(current) != entry->folder) {
        ShowUndoMessage(kOtherFolder, current);
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
        ShowUndoMessage(kFailed, DisplayPath(current) + fw::Widen932("\n→ ") + DisplayPath(former));
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
    fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(text) + DisplayPath(path), kCaption, MB_OK);
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
