// A picture moved onto a name taken by a file of the same bytes is a duplicate: it goes to
// the trash folder rather than beside its twin under a new name.
#include "commands/SortingOps.h"
#include "framework/SameContent.h"
#include "framework/WideText.h"

std::optional<OpResult> CSortingOps::TrashIfDuplicate(const std::wstring& source, const std::wstring& taken) {
    m_strDuplicateOf.clear();
    if (m_settings.m_bTrashIdentical != 1 || !fw::HoldSameBytes(source, taken)) {
        return std::nullopt;
    }
    const OpResult result = TrashFile(source);
    if (result.IsDone()) {
        m_strDuplicateOf = taken;
    }
    return result;
}

bool CSortingOps::ShowIfDuplicate() {
    if (m_strDuplicateOf.empty()) {
        return false;
    }
    m_host.ShowTitleNote(fw::Widen932("  → 削除候補（移動先に同一ファイル: ") + m_strDuplicateOf + fw::Widen932("）"));
    m_strDuplicateOf.clear();
    return true;
}
