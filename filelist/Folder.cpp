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

// A name of the directory as the disk holds it now: found by exactly that spelling, or
// with letter case ignored when `anyCase` (its name is then the disk's own).
struct OnDisk {
    std::wstring name;
    bool isDirectory = false;
    bool isReparsePoint = false;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
};

std::optional<OnDisk> FindOnDisk(const std::wstring& path, const std::wstring& name, bool anyCase = false) {
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    ::FindClose(find);
    if (!SameText(name, data.cFileName, anyCase)) {
        return std::nullopt;  // only another spelling of it is there
    }
    return OnDisk{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                  (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                  (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                  (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

// Keys waiting for the thread: the user is about to act on what is shown now.
bool KeyWaits() {
    return HIWORD(::GetQueueStatus(QS_KEY)) != 0;
}

// Whether moment `a` comes after moment `b` (tick counts, which wrap round).
bool IsAfter(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) > 0;
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

// ---- Which entry a key is meant for ----

CFolder::CUserKey::CUserKey(CFolder& folder, uint32_t keyTime)
    : m_folder(folder), m_previous(std::exchange(folder.m_userKeyTime, keyTime)) {}

CFolder::CUserKey::~CUserKey() {
    m_folder.m_userKeyTime = m_previous;
}

void CFolder::NoteSelection() {
    const ListEntry* selected = Selected();
    const uint64_t id = selected == nullptr ? 0 : selected->id;
    if (!m_selections.empty() && m_selections.back().id == id) {
        return;
    }
    SelectionNote note;
    note.id = id;
    note.byUser = m_nOwnWork == 0;
    if (!note.byUser) {
        note.time = ::GetTickCount();
    } else if (m_userKeyTime) {
        note.time = *m_userKeyTime;
    } else {
        // A click on the list, or the viewer's own start: the message being handled.
        note.time = static_cast<uint32_t>(::GetMessageTime());
    }
    if (m_selections.size() == kSelectionsKept) {
        m_selections.erase(m_selections.begin());
    }
    m_selections.push_back(note);
}

// The user saw a selection the folder made before the key was pressed; one the user made
// with a key typed earlier counts even when the folder's own change came in between, since
// keys are carried out in the order they were typed.
std::optional<int> CFolder::IndexSelectedAt(uint32_t keyTime) const {
    if (m_selections.empty()) {
        return m_nSelected;
    }
    for (auto note = m_selections.rbegin(); note != m_selections.rend(); ++note) {
        const bool before = note->byUser ? !IsAfter(note->time, keyTime) : IsAfter(keyTime, note->time);
        if (!before) {
            continue;
        }
        if (note->id == 0) {
            return -1;
        }
        if (Selected() != nullptr && Selected()->id == note->id) {
            return m_nSelected;
        }
        const int index = Find(0, [&](const ListEntry& e) { return e.id == note->id; });
        if (index < 0) {
            return std::nullopt;
        }
        return index;
    }
    return std::nullopt;
}

void CFolder::Identify(std::vector<std::unique_ptr<ListEntry>>& entries) {
    for (auto& e : entries) {
        e->id = m_nextId++;
    }
}

// ---- Listing ----

void CFolder::List(Choice choose, const Aim& aim) {
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
    reader->Read(aim.whole ? SIZE_MAX : kFirstNames, m_keepAlive);
    Listing listing = reader->Take();
    m_entries = std::move(listing.entries);
    Identify(m_entries);
    m_bListingFailed = listing.failed;
    m_bListing = false;
    if (listing.stopped) {
        m_watch.Stop();
        return;
    }
    const bool atEnd = reader->AtEnd();
    if (!atEnd) {
        BringIn(aim);
    }
    m_choose = std::move(choose);
    m_nSelected = m_choose();
    m_bUserMoved = false;
    NoteSelection();
    if (!atEnd) {
        m_reader = std::move(reader);
        // The first part is shown before anything more is read.
        m_watch.PostWork([this] { FillMore(); }, true);
    }
    NotifyListed();
    if (m_reader == nullptr) {
        ApplyChanges(std::exchange(m_queued, {}));
    }
}

// The entry a listing is for is shown from its first part on: the rest of the listing, read
// later, drops the name it brings again.
void CFolder::BringIn(const Aim& aim) {
    if (aim.named.empty() || aim.named.find(L'\\') != std::wstring::npos ||
        (aim.directory ? FindDirectory(aim.named) : FindName(aim.named)) >= 0) {
        return;
    }
    std::optional<ListEntry> entry = EntryOnDisk(aim.named, true);
    if (!entry || (aim.directory && !entry->IsDirectory())) {
        return;
    }
    std::vector<std::unique_ptr<ListEntry>> one;
    one.push_back(std::make_unique<ListEntry>(std::move(*entry)));
    Identify(one);
    MergeListing(m_entries, std::move(one));
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
// user has not moved yet, no key waits to act on what is shown, and the complete list
// chooses another.
void CFolder::EndFilling() {
    if (m_reader == nullptr) {
        return;
    }
    ++m_nOwnWork;
    const ListEntry* selected = Selected();
    Listing rest = m_reader->Take();
    m_reader.reset();
    m_bListingFailed = m_bListingFailed || rest.failed;
    Identify(rest.entries);
    MergeListing(m_entries, std::move(rest.entries));
    m_nSelected = selected == nullptr ? -1 : Find(0, [&](const ListEntry& e) { return &e == selected; });
    for (IFolderListener* listener : m_listeners) {
        listener->OnFilled();
    }
    if (!m_bUserMoved && m_choose && !KeyWaits()) {
        const int chosen = m_choose();
        if (chosen != m_nSelected) {
            m_nSelected = chosen;
            m_nDirection = 1;
            NoteSelection();
            for (IFolderListener* listener : m_listeners) {
                listener->OnSelected();
            }
        }
    }
    ApplyChanges(std::exchange(m_queued, {}));
    --m_nOwnWork;
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
    List(
        [this, name] {
            const int found = FindName(name);
            return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        },
        Aim{name});
}

void CFolder::Relist() {
    if (m_bListing) {
        return;
    }
    const ListEntry* selected = Selected();
    if (selected != nullptr && FindOnDisk(PathOf(*selected), selected->name)) {
        const std::wstring name = selected->name;
        const bool directory = selected->IsDirectory();
        List(
            [this, name, directory] {
                const int found = directory ? FindDirectory(name) : FindName(name);
                return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
            },
            Aim{name, directory});
        return;
    }
    // The selected entry went: its position in the complete list.
    const int position = m_nSelected;
    Aim whole;
    whole.whole = true;
    List([this, position] { return m_entries.empty() ? -1 : std::clamp(position, 0, Count() - 1); }, whole);
}

void CFolder::RelistSelecting(const std::wstring& text) {
    if (m_bListing) {
        return;
    }
    // A directory is shown as "[ name ]".
    Aim aim;
    if (text.size() > 4 && text.compare(0, 2, L"[ ") == 0 && text.compare(text.size() - 2, 2, L" ]") == 0) {
        aim = Aim{text.substr(2, text.size() - 4), true};
    } else {
        aim = Aim{text};
    }
    List(
        [this, text] {
            const int found = FindText(text);
            return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        },
        aim);
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
    List(
        [this, leaf] {
            const int found = FindDirectory(leaf);
            return found >= 0 ? found : (m_entries.empty() ? -1 : 0);
        },
        Aim{leaf, true});
}

// ---- The selection ----

void CFolder::Select(int index) {
    if (index < -1 || index >= Count() || index == m_nSelected) {
        return;
    }
    if (index >= 0 && m_nSelected >= 0) {
        m_nDirection = index < m_nSelected ? -1 : 1;
    }
    m_nSelected = index;
    m_bUserMoved = true;
    NoteSelection();
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
    NoteSelection();
    for (IFolderListener* listener : m_listeners) {
        listener->OnRemoved(removed);
    }
    for (IFolderListener* listener : m_listeners) {
        listener->OnSelected();
    }
}

void CFolder::RemoveNamed(const std::wstring& name) {
    const int index = FindExactly(name);
    if (index >= 0) {
        RemoveAt(index);
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
    entry.id = m_nextId++;
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

int CFolder::FindExactly(const std::wstring& name) const {
    return Find(0, [&](const ListEntry& e) { return e.name == name; });
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
    // Whatever key is being carried out (one whose message box let this batch in), these
    // changes are not the user's.
    ++m_nOwnWork;
    for (const FolderChange& change : changes) {
        if (change.kind == FolderChange::Kind::kOverflow) {
            // What changed is unknown: the directory is read again, keeping the selected entry.
            const ListEntry* selected = Selected();
            if (selected == nullptr) {
                Relist();
            } else {
                RelistSelecting(selected->Text());
            }
            break;
        }
        ApplyChange(change);
    }
    --m_nOwnWork;
}

std::optional<ListEntry> CFolder::EntryOnDisk(const std::wstring& name, bool anyCase) const {
    std::optional<OnDisk> disk = FindOnDisk(PathOf(name), name, anyCase);
    if (!disk) {
        return std::nullopt;
    }
    if (disk->isDirectory) {
        return ListEntry::Directory(std::move(disk->name), disk->isReparsePoint);
    }
    const std::wstring ext = PictureExtension(disk->name);
    const Decoder decoder = ext.empty() ? Decoder() : m_plugins.DecoderFor(ext);
    if (decoder.IsNone()) {
        return std::nullopt;
    }
    return ListEntry::Picture(std::move(disk->name), decoder, disk->size, disk->lastWrite);
}

void CFolder::ApplyChange(const FolderChange& change) {
    if (change.name.empty() || change.name.find(L'\\') != std::wstring::npos) {
        return;
    }
    const int index = FindExactly(change.name);
    if (index >= 0) {
        Reread(index, change.kind == FolderChange::Kind::kModified);
        return;
    }
    // The disk is asked only when the list leaves the change something to do: most removals
    // are the viewer's own moves, which the list has already followed.
    if (change.kind == FolderChange::Kind::kAdded) {
        if (std::optional<ListEntry> entry = EntryOnDisk(change.name, false)) {
            Insert(std::move(*entry));
        }
    }
}

// A name taken by another file (renamed onto it: the usual way to replace a file safely),
// written to, gone, or now a directory where a picture was (or the other way round): the
// entry becomes what the disk holds. A file found replaced is another entry: a key pressed
// before it was seen is not carried out on it.
void CFolder::Reread(int index, bool modified) {
    ListEntry& listed = *m_entries[static_cast<size_t>(index)];
    std::optional<ListEntry> now = EntryOnDisk(listed.name, false);
    if (!now) {
        RemoveAt(index);
        return;
    }
    if (now->kind != listed.kind) {
        const bool wasSelected = index == m_nSelected;
        const std::wstring name = listed.name;
        RemoveAt(index);
        Insert(std::move(*now));
        if (wasSelected) {
            Select(FindExactly(name));
        }
        return;
    }
    if (listed.IsDirectory()) {
        return;
    }
    const bool replaced = now->size != listed.size || now->lastWrite != listed.lastWrite;
    if (replaced) {
        listed.size = now->size;
        listed.lastWrite = now->lastWrite;
        listed.id = m_nextId++;
        if (index == m_nSelected) {
            NoteSelection();
        }
    }
    if (replaced || modified) {
        for (IFolderListener* listener : m_listeners) {
            listener->OnChanged(index);
        }
    }
}
