#include "filelist/Folder.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

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

// A name of the directory as the disk holds it now: found by exactly that spelling.
struct OnDisk {
    bool isDirectory = false;
    bool isReparsePoint = false;
};

std::optional<OnDisk> FindOnDisk(const std::wstring& path, const std::wstring& name) {
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    ::FindClose(find);
    if (name != data.cFileName) {
        return std::nullopt;  // only another spelling of it is there
    }
    return OnDisk{(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                  (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

}  // namespace

CFolder::CFolder(const CSpiPluginList& plugins, std::wstring dir)
    : m_plugins(plugins), m_dir(std::move(dir)), m_watch([this](std::vector<FolderChange> changes) {
          ApplyChanges(std::move(changes));
      }) {}

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

void CFolder::NotifyListed() {
    for (IFolderListener* listener : m_listeners) {
        listener->OnListed();
    }
}

void CFolder::List(Choice choose) {
    m_watch.CancelWork();
    m_reader.reset();
    m_queued.clear();
    m_bListing = true;
    m_entries.clear();
    m_nSelected = -1;
    m_nDirection = 1;
    // Watched before it is read: whatever changes while it is read is seen.
    m_bWatchPaused = false;
    m_watch.Start(m_dir);
    auto reader = std::make_unique<CListingReader>(m_dir, m_plugins);
    reader->Read(kFirstNames, m_keepAlive);
    Listing listing = reader->Take();
    m_entries = std::move(listing.entries);
    m_bListingFailed = listing.failed;
    m_bListing = false;
    if (listing.stopped) {
        m_watch.Stop();
        return;
    }
    m_choose = std::move(choose);
    m_nSelected = m_choose();
    m_bUserMoved = false;
    if (!reader->AtEnd()) {
        m_reader = std::move(reader);
        // The first part is shown before anything more is read.
        m_watch.PostWork([this] { FillMore(); }, true);
    }
    NotifyListed();
    if (m_reader == nullptr) {
        ApplyChanges(std::exchange(m_queued, {}));
    }
}

namespace {

// Keys, clicks, paints, or messages of other threads and programs wait for the thread.
bool SomethingWaits() {
    return HIWORD(::GetQueueStatus(QS_KEY | QS_MOUSEBUTTON | QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0;
}

}  // namespace

void CFolder::FillMore() {
    while (m_reader != nullptr && !m_reader->Read(kLaterNames)) {
        if (SomethingWaits()) {
            m_watch.PostWork([this] { FillMore(); }, true);
            return;
        }
    }
    EndFilling();
}

void CFolder::FillToEnd() {
    m_watch.CancelWork();
    if (m_reader != nullptr) {
        m_reader->Read(SIZE_MAX);
    }
    EndFilling();
}

// The rest goes into the list at its places; the selected entry stays selected, unless the
// user has not moved yet and the complete list chooses another.
void CFolder::EndFilling() {
    if (m_reader == nullptr) {
        return;
    }
    const ListEntry* selected = Selected();
    Listing rest = m_reader->Take();
    m_reader.reset();
    m_bListingFailed = m_bListingFailed || rest.failed;
    MergeListing(m_entries, std::move(rest.entries));
    m_nSelected = selected == nullptr ? -1 : Find(0, [&](const ListEntry& e) { return &e == selected; });
    for (IFolderListener* listener : m_listeners) {
        listener->OnFilled();
    }
    if (!m_bUserMoved && m_choose) {
        const int chosen = m_choose();
        if (chosen != m_nSelected) {
            m_nSelected = chosen;
            m_nDirection = 1;
            for (IFolderListener* listener : m_listeners) {
                listener->OnSelected();
            }
        }
    }
    ApplyChanges(std::exchange(m_queued, {}));
}

// The watch goes on, unheard, until the pass's closing listing starts a new one.
void CFolder::StopWatching() {
    m_bWatchPaused = true;
    m_queued.clear();
}

void CFolder::Open(const std::wstring& dir) {
    OpenSelecting(dir, std::wstring());
}

void CFolder::OpenSelecting(const std::wstring& dir, const std::wstring& name) {
    if (m_bListing) {
        return;
    }
    m_dir = SystemPath(dir);
    List([this, name] {
        const int found = FindName(name);
        return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
    });
}

void CFolder::Relist() {
    if (m_bListing) {
        return;
    }
    const int selected = m_nSelected;
    List([this, selected] { return m_entries.empty() ? -1 : std::clamp(selected, 0, Count() - 1); });
}

void CFolder::RelistSelecting(const std::wstring& text) {
    if (m_bListing) {
        return;
    }
    List([this, text] {
        const int found = FindText(text);
        return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
    });
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
    List([this, leaf] {
        const int found = FindDirectory(leaf);
        return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
    });
}

void CFolder::Select(int index) {
    if (index < -1 || index >= Count() || index == m_nSelected) {
        return;
    }
    if (index >= 0 && m_nSelected >= 0) {
        m_nDirection = index < m_nSelected ? -1 : 1;
    }
    m_nSelected = index;
    m_bUserMoved = true;
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
    m_bUserMoved = true;
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

// An entry other than the selected one leaves; the selected entry stays selected.
void CFolder::RemoveAt(int index) {
    if (index == m_nSelected) {
        RemoveSelected();
        return;
    }
    m_entries.erase(m_entries.begin() + index);
    if (m_nSelected > index) {
        --m_nSelected;
    }
    for (IFolderListener* listener : m_listeners) {
        listener->OnRemoved(index);
    }
}

void CFolder::ApplyChanges(std::vector<FolderChange> changes) {
    if (m_bWatchPaused) {
        return;
    }
    if (m_bListing || IsFilling()) {
        // The list is not whole yet: the changes wait for it.
        std::move(changes.begin(), changes.end(), std::back_inserter(m_queued));
        return;
    }
    for (const FolderChange& change : changes) {
        if (change.kind == FolderChange::Kind::kOverflow) {
            // What changed is unknown: the directory is read again, keeping the selected entry.
            const ListEntry* selected = Selected();
            if (selected == nullptr) {
                Relist();
            } else {
                RelistSelecting(selected->Text());
            }
            return;
        }
        ApplyChange(change);
    }
}

void CFolder::ApplyChange(const FolderChange& change) {
    if (change.name.empty() || change.name.find(L'\\') != std::wstring::npos) {
        return;
    }
    const int index = Find(0, [&](const ListEntry& e) { return e.name == change.name; });
    // The disk is asked only when the list leaves the change something to do: most changes
    // are the viewer's own moves and renames, which the list has already followed.
    const bool listed = index >= 0;
    if ((change.kind == FolderChange::Kind::kAdded) == listed) {
        return;
    }
    const std::optional<OnDisk> disk = FindOnDisk(PathOf(change.name), change.name);
    switch (change.kind) {
    case FolderChange::Kind::kAdded:
        if (disk) {
            if (disk->isDirectory) {
                Insert(ListEntry::Directory(change.name, disk->isReparsePoint));
            } else {
                const std::wstring ext = PictureExtension(change.name);
                const Decoder decoder = ext.empty() ? Decoder() : m_plugins.DecoderFor(ext);
                if (!decoder.IsNone()) {
                    Insert(ListEntry::Picture(change.name, decoder));
                }
            }
        }
        break;
    case FolderChange::Kind::kRemoved:
        if (!disk) {
            RemoveAt(index);
        }
        break;
    case FolderChange::Kind::kModified:
        if (disk && !disk->isDirectory) {
            for (IFolderListener* listener : m_listeners) {
                listener->OnChanged(index);
            }
        }
        break;
    case FolderChange::Kind::kOverflow:
        break;
    }
}
