#include "undo/UndoOps.h"

#include "framework/Prompts.h"
#include "framework/WideText.h"

namespace {

constexpr char kCaption[] = "元に戻す";
constexpr char kNothingToUndo[] = "元に戻せる操作はありません。";
constexpr char kNotThere[] = "ファイルが記録された場所にないため、元に戻せません。\n";
constexpr char kNameTaken[] = "元の場所に同じ名前のファイルがあるため、元に戻せません。\n";
constexpr char kFailed[] = "元に戻せませんでした。\n";
// Free names tried beside an entry whose name changes only its letter case.
constexpr int kStepAsideTries = 100;

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    if (path.size() > 1 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

// The folder of a path, without a trailing backslash ("C:" for "C:\a.bmp").
std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::string Shown(const std::wstring& path) {
    return fw::FromWide(path, CP_ACP);
}

// The entry at `from` goes to `to`, which differs from it in letter case only: through a
// free name beside it, since a file system may take the new name for the entry itself and
// leave it as it was; back when the second step fails.
bool ChangeCase(const std::wstring& from, const std::wstring& to) {
    for (int i = 0; i < kStepAsideTries; ++i) {
        const std::wstring aside = from + L".undo" + std::to_wstring(i);
        if (Exists(aside)) {
            continue;
        }
        if (!::MoveFileExW(from.c_str(), aside.c_str(), 0)) {
            return false;
        }
        if (::MoveFileExW(aside.c_str(), to.c_str(), 0)) {
            return true;
        }
        ::MoveFileExW(aside.c_str(), from.c_str(), 0);
        return false;
    }
    return false;
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CUndoOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kUndo), 0, OnUndo)
FW_END_PART_MESSAGE_MAP()

CUndoOps::CUndoOps(IViewerHost& host, CUndoJournal& journal) : m_host(host), m_journal(journal) {}

bool CUndoOps::UndoLatest() {
    if (m_host.IsListingRunning()) {
        return false;  // the list it would show again is being filled
    }
    const std::optional<JournalEntry> entry = m_journal.Latest();
    if (!entry) {
        Tell(kNothingToUndo);
        return false;
    }
    // The journal holds well-formed UTF-8 only, so both convert.
    const std::wstring former = fw::ToWide(entry->from, CP_UTF8).value_or(L"");
    const std::wstring current = fw::ToWide(entry->to, CP_UTF8).value_or(L"");
    if (!Exists(current)) {
        Tell(kNotThere + Shown(current));
        return false;
    }
    // A rename that changed only the letter case finds the file itself at its former name.
    const bool caseOnly = SameIgnoringCase(former, current);
    if (!caseOnly && Exists(former)) {
        Tell(kNameTaken + Shown(former));
        return false;
    }
    // Without MOVEFILE_REPLACE_EXISTING a name taken meanwhile is still never replaced.
    const bool moved = caseOnly ? ChangeCase(current, former)
                                : ::MoveFileExW(current.c_str(), former.c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
    if (!moved) {
        Tell(kFailed + Shown(current) + "\n→ " + Shown(former));
        return false;
    }
    m_journal.MarkLatestUndone();
    ShowOutcome(former, current);
    return true;
}

void CUndoOps::Tell(const std::string& text) const {
    fw::MessageBox(m_host.OwnerWindow(), text, kCaption, MB_OK);
}

void CUndoOps::ShowOutcome(const std::wstring& restored, const std::wstring& left) {
    const std::wstring folder = WithoutTrailingBackslash(m_host.CurrentDir());
    if (SameIgnoringCase(FolderOf(restored), folder)) {
        const std::string name = Shown(restored.substr(restored.find_last_of(L'\\') + 1));
        const DWORD attributes = ::GetFileAttributesW(restored.c_str());
        const bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        m_host.ListAgainSelecting(fw::Widen932(directory ? "[ " + name + " ]" : name));
    } else if (SameIgnoringCase(FolderOf(left), folder)) {
        m_host.ListAgain();
    }
}
