#include "filelist/FileList.h"

#include <algorithm>
#include <unordered_map>

#include "framework/DirectoryEnumerator.h"
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

void CFileList::HoldDrawing(bool hold) const {
    m_list.SetRedraw(hold ? FALSE : TRUE);
    if (!hold) {
        ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    }
}

void CFileList::RemoveCurrent() {
    const ListEntry* gone = Current();
    m_list.DeleteString(m_nCurIndex);
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
