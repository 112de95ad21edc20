#include "filelist/Folder.h"

#include <windows.h>

#include <algorithm>

#include "filelist/EntryPath.h"
#include "filelist/Listing.h"
#include "portable/PathUtil.h"

namespace {

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

CFolder::CFolder(const CSpiPluginList& plugins, std::wstring dir) : m_plugins(plugins), m_dir(std::move(dir)) {}

const ListEntry* CFolder::At(int index) const {
    return index >= 0 && index < Count() ? m_entries[static_cast<size_t>(index)].get() : nullptr;
}

std::wstring CFolder::PathOf(const std::wstring& name) const {
    return EntryPath(m_dir, name);
}

std::wstring CFolder::SelectedPath() const {
    const ListEntry* selected = Selected();
    return selected == nullptr ? std::wstring() : PathOf(*selected);
}

bool CFolder::Fill() {
    m_bListing = true;
    m_entries.clear();
    m_nSelected = -1;
    m_nDirection = 1;
    Listing listing = ReadListing(m_dir, m_plugins, m_keepAlive);
    m_entries = std::move(listing.entries);
    m_bListingFailed = listing.failed;
    m_bListing = false;
    return !listing.stopped;
}

void CFolder::NotifyListed() {
    for (IFolderListener* listener : m_listeners) {
        listener->OnListed();
    }
}

void CFolder::Open(const std::wstring& dir) {
    OpenSelecting(dir, std::wstring());
}

void CFolder::OpenSelecting(const std::wstring& dir, const std::wstring& name) {
    if (m_bListing) {
        return;
    }
    m_dir = SystemPath(dir);
    if (Fill()) {
        const int found = FindName(name);
        m_nSelected = found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        NotifyListed();
    }
}

void CFolder::Relist() {
    if (m_bListing) {
        return;
    }
    const int selected = m_nSelected;
    if (Fill()) {
        m_nSelected = m_entries.empty() ? -1 : std::clamp(selected, 0, Count() - 1);
        NotifyListed();
    }
}

void CFolder::RelistSelecting(const std::wstring& text) {
    if (m_bListing) {
        return;
    }
    if (Fill()) {
        const int found = FindText(text);
        m_nSelected = found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        NotifyListed();
    }
}

void CFolder::EnterSelected() {
    const ListEntry* selected = Selected();
    if (m_bListing || selected == nullptr || !selected->IsDirectory()) {
        return;
    }
    // The name exactly as stored on disk, blanks included.
    Open(PathOf(*selected));
}

void CFolder::GoToParent() {
    if (m_bListing) {
        return;
    }
    const std::wstring leaf = GetFileNamePart(RemoveTrailingBackslash(m_dir));
    m_dir = GetParentDirectory(m_dir);
    if (Fill()) {
        const int found = FindDirectory(leaf);
        m_nSelected = found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        NotifyListed();
    }
}

void CFolder::Select(int index) {
    if (index < -1 || index >= Count() || index == m_nSelected) {
        return;
    }
    if (index >= 0 && m_nSelected >= 0) {
        m_nDirection = index < m_nSelected ? -1 : 1;
    }
    m_nSelected = index;
    for (IFolderListener* listener : m_listeners) {
        listener->OnSelected();
    }
}

bool CFolder::SelectNext() {
    if (m_nSelected >= Count() - 1) {
        return false;
    }
    Select(m_nSelected + 1);
    return true;
}

// The entry that takes the removed one's place keeps the direction of travel.
void CFolder::RemoveSelected() {
    if (m_nSelected < 0 || m_nSelected >= Count()) {
        return;
    }
    const int removed = m_nSelected;
    m_entries.erase(m_entries.begin() + removed);
    m_nSelected = m_entries.empty() ? -1 : std::min(removed, Count() - 1);
    for (IFolderListener* listener : m_listeners) {
        listener->OnRemoved(removed);
    }
    for (IFolderListener* listener : m_listeners) {
        listener->OnSelected();
    }
}

// A directory goes before the directories listed, as a listing would put it; a picture
// after the directories, where its name belongs among the pictures.
void CFolder::Insert(ListEntry entry) {
    const auto pictures = std::find_if(m_entries.begin(), m_entries.end(), [](const auto& e) { return !e->IsDirectory(); });
    const auto at = entry.IsDirectory() ? m_entries.begin()
                                        : std::upper_bound(pictures, m_entries.end(), entry.name,
                                                           [](const std::wstring& name, const auto& e) {
                                                               return PictureComesBefore(name, e->name);
                                                           });
    const int index = static_cast<int>(at - m_entries.begin());
    m_entries.insert(at, std::make_unique<ListEntry>(std::move(entry)));
    if (m_nSelected >= index) {
        ++m_nSelected;
    }
    for (IFolderListener* listener : m_listeners) {
        listener->OnInserted(index);
    }
}

int CFolder::Find(int start, const std::function<bool(const ListEntry&)>& matches) const {
    const int count = Count();
    for (int n = 0; n < count; ++n) {
        const int index = (start + n) % count;
        if (matches(*m_entries[static_cast<size_t>(index)])) {
            return index;
        }
    }
    return -1;
}

int CFolder::FindDirectory(const std::wstring& name) const {
    for (const bool ignoreCase : {false, true}) {
        const int found =
            Find(0, [&](const ListEntry& e) { return e.IsDirectory() && SameText(e.name, name, ignoreCase); });
        if (found >= 0) {
            return found;
        }
    }
    return -1;
}

int CFolder::FindName(const std::wstring& name) const {
    for (const bool ignoreCase : {false, true}) {
        const int found = Find(0, [&](const ListEntry& e) { return SameText(e.name, name, ignoreCase); });
        if (found >= 0) {
            return found;
        }
    }
    return -1;
}

int CFolder::FindText(const std::wstring& text) const {
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
    return found;
}
