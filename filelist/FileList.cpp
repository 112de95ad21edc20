#include "filelist/FileList.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "framework/DirectoryEnumerator.h"
#include "framework/Gdi.h"
#include "portable/PathUtil.h"

namespace {

// The queue is drained at most this often while a directory is listed.
constexpr DWORD kDrainIntervalMs = 15;

// Whether two texts are equal code unit for code unit, or with letter case ignored as the
// file system ignores it (an ordinal comparison: no look-alikes are taken for equal).
bool SameText(std::wstring_view a, std::wstring_view b, bool ignoreCase) {
    if (!ignoreCase || a.empty() || b.empty()) {
        return a == b;
    }
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// Where the list box showed its rows before one of them was deleted: a list box draws
// every row below a deleted one again, about 0.05 ms a row under Wine, and M deletes a
// row on every key. When nothing else moved, the rows below are moved up on the screen
// instead, and only the row that takes the deleted one's place and the row uncovered at
// the bottom are drawn again.
class RowsBelow {
public:
    // Before `index` is deleted; nothing is moved later unless its row is wholly in view
    // and nothing of the list waits to be painted.
    RowsBelow(HWND list, int index) : m_list(list), m_index(index) {
        m_top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
        ::GetClientRect(list, &m_client);
        m_movable = ::IsWindowVisible(list) && !::GetUpdateRect(list, nullptr, FALSE) && RowRect(list, index, m_row) &&
                    m_row.top >= 0 && m_row.bottom <= m_client.bottom && m_row.bottom > m_row.top;
    }

    // After the row was deleted, before the entry that took its place is selected.
    void MoveUp() const {
        RECT client{};
        RECT row{};
        ::GetClientRect(m_list, &client);
        if (!m_movable || ::SendMessageW(m_list, LB_GETTOPINDEX, 0, 0) != m_top || !::EqualRect(&client, &m_client) ||
            !RowRect(m_list, m_index, row) || !::EqualRect(&row, &m_row)) {
            return;  // the list scrolled or the row is gone: it draws itself as it asked to
        }
        const int height = row.bottom - row.top;
        const RECT below{client.left, row.top, client.right, client.bottom};
        ::ValidateRect(m_list, &below);
        // What could not be moved (the uncovered bottom, a part hidden on the screen) is
        // drawn again, and the row that took the deleted one's place.
        const fw::CGdiObject<HRGN> unmoved(::CreateRectRgn(0, 0, 0, 0));
        bool moved = false;
        {
            const fw::CClientDC dc(m_list);
            moved = dc != nullptr && unmoved.Get() != nullptr &&
                    ::ScrollDC(dc, 0, -height, &below, &below, unmoved.Get(), nullptr);
        }
        if (!moved) {
            ::InvalidateRect(m_list, &below, TRUE);
            return;
        }
        ::InvalidateRgn(m_list, unmoved.Get(), TRUE);
        ::InvalidateRect(m_list, &row, TRUE);
    }

private:
    static bool RowRect(HWND list, int index, RECT& row) {
        const auto rowAt = reinterpret_cast<LPARAM>(&row);
        return ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), rowAt) != LB_ERR;
    }

    HWND m_list;
    int m_index;
    LRESULT m_top = 0;
    RECT m_client{};
    RECT m_row{};
    bool m_movable = false;
};

}  // namespace

void CFileList::Clear() {
    m_list.ResetContent();
    m_entries.clear();
}

const ListEntry* CFileList::At(int index) const {
    const LRESULT data = m_list.GetItemData(index);
    return data == LB_ERR || data == 0 ? nullptr : reinterpret_cast<const ListEntry*>(data);
}

// A directory is added under a text that begins with a line feed, which sorts ahead of
// every file name, and is then renamed in place to "[ name ]" without moving.
void CFileList::Add(ListEntry entry) {
    m_entries.push_back(std::make_unique<ListEntry>(std::move(entry)));
    const ListEntry* stored = m_entries.back().get();
    const auto data = reinterpret_cast<LRESULT>(stored);
    if (!stored->IsDirectory()) {
        m_list.SetItemData(m_list.AddString(stored->name), data);
        return;
    }
    const int added = m_list.AddString(L"\n " + stored->name + L" ]");
    std::wstring text = m_list.GetTextW(added);
    std::replace(text.begin(), text.end(), L'\n', L'[');
    m_list.DeleteString(added);
    m_list.SetItemData(m_list.InsertString(added, text), data);
}

bool CFileList::Fill(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& pump) {
    m_list.SetRedraw(FALSE);
    m_bListingFailed = false;
    fw::CDirectoryEnumerator found(AddTrailingBackslash(dir) + L"*.*");
    // What decodes each extension within this listing: the answers do not change.
    std::unordered_map<std::wstring, Decoder> decoderOf;
    DWORD lastDrain = ::GetTickCount();
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        if (e.isDirectory) {
            Add(ListEntry::Directory(e.name, e.isReparsePoint));
            continue;
        }
        const size_t dot = e.name.rfind(L'.');
        if (dot == std::wstring::npos) {
            continue;
        }
        const std::wstring ext = UpperCaseAscii(std::wstring_view(e.name).substr(dot));
        auto cached = decoderOf.find(ext);
        if (cached == decoderOf.end()) {
            cached = decoderOf.emplace(ext, plugins.DecoderFor(ext)).first;
        }
        if (cached->second.IsNone()) {
            continue;
        }
        Add(ListEntry::Picture(std::move(e.name), cached->second));
        if (::GetTickCount() - lastDrain >= kDrainIntervalMs) {
            if (!pump()) {
                // The window may be gone, and its list with it.
                if (::IsWindow(m_list.GetSafeHwnd())) {
                    m_list.SetRedraw(TRUE);
                }
                return false;
            }
            lastDrain = ::GetTickCount();
        }
    }
    m_bListingFailed = found.Failed();
    m_list.SetRedraw(TRUE);
    ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    return true;
}

int CFileList::Find(int start, const std::function<bool(const ListEntry&)>& matches) const {
    const int count = m_list.GetCount();
    for (int n = 0; n < count; ++n) {
        const int index = (start + n) % count;
        const ListEntry* entry = At(index);
        if (entry != nullptr && matches(*entry)) {
            return index;
        }
    }
    return -1;
}

int CFileList::SelectDirectory(const std::wstring& name) const {
    for (const bool ignoreCase : {false, true}) {
        const int found =
            Find(0, [&](const ListEntry& e) { return e.IsDirectory() && SameText(e.name, name, ignoreCase); });
        if (found >= 0) {
            m_list.SetCurSel(found);
            return found;
        }
    }
    return -1;
}

int CFileList::SelectText(const std::wstring& text) const {
    if (text.empty()) {
        return -1;  // every text would begin with it
    }
    // The whole text first: another entry may begin with it ("a.jpg" and "a.jpg.png").
    int found = Find(0, [&](const ListEntry& e) { return e.Text() == text; });
    if (found < 0) {
        found = Find(0, [&](const ListEntry& e) { return SameText(e.Text(), text, true); });
    }
    if (found < 0) {
        found = Find(1, [&](const ListEntry& e) {
            const std::wstring shown = e.Text();
            return shown.size() >= text.size() && SameText(std::wstring_view(shown).substr(0, text.size()), text, true);
        });
    }
    if (found >= 0) {
        m_list.SetCurSel(found);
    }
    return found;
}

void CFileList::HoldDrawing(bool hold) {
    m_bDrawingHeld = hold;
    m_list.SetRedraw(hold ? FALSE : TRUE);
    if (!hold) {
        ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    }
}

void CFileList::RemoveCurrent() {
    const ListEntry* gone = Current();
    const std::optional<RowsBelow> below =
        m_bDrawingHeld ? std::nullopt : std::optional<RowsBelow>(std::in_place, m_list.GetSafeHwnd(), m_nCurIndex);
    m_list.DeleteString(m_nCurIndex);
    if (below) {
        below->MoveUp();
    }
    if (gone != nullptr) {
        std::erase_if(m_entries, [gone](const auto& e) { return e.get() == gone; });
    }
    const int count = m_list.GetCount();
    m_nCurIndex = std::max(std::min(m_nCurIndex, count - 1), 0);
    m_list.SetCurSel(m_nCurIndex);
}

bool CFileList::SelectNext() const {
    if (m_nCurIndex >= m_list.GetCount() - 1) {
        return false;
    }
    m_list.SetCurSel(m_list.GetCurSel() + 1);
    return true;
}
