#pragma once
// The folder being viewed: the one owner of the current directory (exactly as the file
// system names it, UTF-16), its entries in list order (sub-directories first as
// "[ name ]", then the decodable pictures by name, in the list's case-insensitive order),
// the one selected entry, the direction the user travels the list in, and the full path of
// every entry, built here and nowhere else. It tells its listeners when the listing or the
// selection changes; the list box only shows it (CFileListBox), the pane shows the
// selected entry's picture.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/FolderWatch.h"
#include "filelist/ListEntry.h"
#include "filelist/Listing.h"
#include "image/SpiPluginList.h"

class IFolderListener {
public:
    // The folder was listed anew: every entry and the selection may have changed.
    virtual void OnListed() {}
    // The entry at `index` left the list (its file went); the selection has moved on to
    // the entry that took its place, and OnSelected follows.
    virtual void OnRemoved(int index) { (void)index; }
    // An entry came in at `index`; the selected entry stays selected.
    virtual void OnInserted(int index) { (void)index; }
    // The selected entry changed.
    virtual void OnSelected() {}
    // The rest of a listing read after its first part came in: every entry may have moved,
    // the selected entry stays selected.
    virtual void OnFilled() {}
    // The file of the entry at `index` was written to by another program.
    virtual void OnChanged(int index) { (void)index; }

protected:
    ~IFolderListener() = default;
};

class CFolder {
public:
    // `dir` is the current directory until the first listing.
    CFolder(const CSpiPluginList& plugins, std::wstring dir);
    CFolder(const CFolder&) = delete;
    CFolder& operator=(const CFolder&) = delete;

    // Listeners are told in the order they were added.
    void AddListener(IFolderListener& listener) { m_listeners.push_back(&listener); }
    // Asked now and then while a directory is listed, to keep the window alive; when it
    // answers false (the window is closing) the listing stops where it is.
    void SetKeepAlive(std::function<bool()> keepAlive) { m_keepAlive = std::move(keepAlive); }

    // The directory listed, exactly as it was given.
    const std::wstring& Dir() const { return m_dir; }
    // Whether a listing is being read now (it keeps the window alive meanwhile).
    bool IsListing() const { return m_bListing; }
    // Whether the rest of a listing is still read, a part in each idle turn, after its
    // first part was listed (keys act on the entries listed meanwhile).
    bool IsFilling() const { return m_reader != nullptr; }
    // Reads what remains of the listing now.
    void FillToEnd();
    // Whether what other programs do in the directory reaches the list.
    bool IsWatched() const { return m_watch.IsWatching() && !m_bWatchPaused; }
    // Stops that until the next listing (a size-judged pass lists again when it ends):
    // what is reported meanwhile is let go.
    void StopWatching();
    // Whether the latest listing could not read the whole directory.
    bool ListingFailed() const { return m_bListingFailed; }

    int Count() const { return static_cast<int>(m_entries.size()); }
    // The entry at an index; null when there is none.
    const ListEntry* At(int index) const;
    // -1 when nothing is selected (an empty list).
    int SelectedIndex() const { return m_nSelected; }
    const ListEntry* Selected() const { return At(m_nSelected); }
    // +1 when the entry selected last lay after the one before it (or took its place),
    // -1 when it lay before it.
    int Direction() const { return m_nDirection; }

    // The full path of an entry of this folder, in the one form every operation hands to
    // the system.
    std::wstring PathOf(const ListEntry& entry) const { return PathOf(entry.name); }
    // The same for a name in this folder that the list may not show (yet).
    std::wstring PathOf(const std::wstring& name) const;
    // The selected entry's path; empty when nothing is selected.
    std::wstring SelectedPath() const;

    // Lists `dir` (which becomes the current directory exactly as given; one that does
    // not exist lists as empty) and selects its first entry.
    void Open(const std::wstring& dir);
    // Lists `dir` as Open does and selects the entry named `name` (see FindName), else the
    // first entry.
    void OpenSelecting(const std::wstring& dir, const std::wstring& name);
    // Lists the current directory again; the selected entry stays selected while its name
    // is still on disk, else the same position of the complete list (the last entry when
    // the list got shorter).
    void Relist();
    // Lists the current directory again and selects the entry shown as `text`
    // (see FindText), else the first.
    void RelistSelecting(const std::wstring& text);
    // The selected directory entry becomes the current directory.
    void EnterSelected();
    // The parent directory becomes the current one, with the directory left selected.
    void GoToParent();

    // Selects an entry (-1: none) and tells the listeners when that changed anything.
    void Select(int index);
    // Selects the entry after the selected one; false on the last entry or an empty list.
    bool SelectNext();
    // Drops the selected entry after its file has gone; the entry that took its place (or
    // the new last one) is selected.
    void RemoveSelected();
    // Drops the entry named `name` exactly after its file has gone: when it was selected,
    // the entry that took its place is selected. Nothing when no entry has that name (the
    // watch saw the file go first), so one operation changes the list once.
    void RemoveNamed(const std::wstring& name);
    // Puts an entry in at its place in the list's order; the selected entry stays selected.
    void Insert(ListEntry entry);

    // The directory entry named `name` exactly, or else the first whose name is `name`
    // ignoring case; -1 when there is none.
    int FindDirectory(const std::wstring& name) const;
    // The entry, directory or picture, named `name` exactly, or else the first whose name
    // is `name` ignoring case; -1 when there is none.
    int FindName(const std::wstring& name) const;
    // The entry shown as `text` exactly, or else the first shown so ignoring case, or else
    // the first after the first entry (wrapping round to it) whose shown text begins with
    // `text`, ignoring case; -1 when there is none (always for an empty text).
    int FindText(const std::wstring& text) const;

    // What other programs did in the directory, as the watch reports it: each change is
    // checked against the disk and applied only where the list does not agree already.
    void ApplyChanges(std::vector<FolderChange> changes);

    // ---- Which entry a key is meant for ----
    // While one lives, the selection changes made are those of the user's key pressed at
    // `keyTime` (its message time), being carried out. Changes the folder makes itself
    // (what the watch reports, the rest of a listing) are never the user's.
    class CUserKey {
    public:
        CUserKey(CFolder& folder, uint32_t keyTime);
        ~CUserKey();
        CUserKey(const CUserKey&) = delete;
        CUserKey& operator=(const CUserKey&) = delete;

    private:
        CFolder& m_folder;
        std::optional<uint32_t> m_previous;
    };
    // The index of the entry that was selected when a key was pressed at `keyTime` (-1 when
    // nothing was): the latest selection the user made before or by then (with a key typed
    // earlier or a click), or that the folder made before that moment. None when that entry
    // has left the list since, or the moment lies before what the folder remembers: the key
    // has nothing to act on then.
    std::optional<int> IndexSelectedAt(uint32_t keyTime) const;

    // A listing's first part holds the first this many names read.
    static constexpr size_t kFirstNames = 1000;
    // Its rest is read this many names at a time, until a key, a paint or a message waits.
    static constexpr size_t kLaterNames = 4000;

private:
    using Choice = std::function<int()>;
    // What a listing is for: the entry it selects is `named` (a picture or directory by its
    // name, or only a directory when `directory`), found on disk directly and put into the
    // first part when the enumeration has not reached it; `whole` reads the directory to
    // its end before anything is chosen.
    struct Aim {
        std::wstring named;
        bool directory = false;
        bool whole = false;
    };
    // Reads `m_dir`'s first part into the entries, selects the entry `choose` picks and
    // tells the listeners; the rest follows in idle turns, after which `choose` is asked
    // again unless the user moved meanwhile or a key waits. Nothing is told when the window
    // went away.
    void List(Choice choose, const Aim& aim);
    // Puts the entry named `aim.named` into the entries from the disk when none has that
    // name yet.
    void BringIn(const Aim& aim);
    // Gives entries just read their identities.
    void Identify(std::vector<std::unique_ptr<ListEntry>>& entries);
    // Remembers the selected entry when it is another than the one remembered last.
    void NoteSelection();
    // The entry at `index` as the disk holds it now: its file was replaced (another file
    // renamed onto its name), written to, or made another kind of entry.
    void Reread(int index, bool modified);
    // The entry the disk holds under `name` (exactly, or with letter case ignored when
    // `anyCase`); none when it is no directory and no picture a decoder reads.
    std::optional<ListEntry> EntryOnDisk(const std::wstring& name, bool anyCase) const;
    void FillMore();
    void EndFilling();
    void RemoveAt(int index);
    void ApplyChange(const FolderChange& change);
    void NotifyListed();
    int Find(int start, const std::function<bool(const ListEntry&)>& matches) const;
    // The entry named `name` code unit for code unit; -1 when there is none.
    int FindExactly(const std::wstring& name) const;

    const CSpiPluginList& m_plugins;
    std::vector<IFolderListener*> m_listeners;
    std::function<bool()> m_keepAlive;
    std::wstring m_dir;
    std::vector<std::unique_ptr<ListEntry>> m_entries;  // an entry keeps its address while listed
    int m_nSelected = -1;
    int m_nDirection = 1;
    bool m_bListing = false;
    bool m_bListingFailed = false;
    // The rest of the listing while it is read, and how its first part chose the selection.
    std::unique_ptr<CListingReader> m_reader;
    Choice m_choose;
    bool m_bUserMoved = false;
    // Changes reported while a listing is read, applied once it is complete.
    std::vector<FolderChange> m_queued;
    // The latest selections, oldest first: which entry, whether the user made it, and when
    // (the time of the user's key, else the tick count when the folder made it).
    struct SelectionNote {
        uint64_t id = 0;  // 0: nothing selected
        bool byUser = false;
        uint32_t time = 0;
    };
    std::vector<SelectionNote> m_selections;
    static constexpr size_t kSelectionsKept = 64;
    uint64_t m_nextId = 1;
    std::optional<uint32_t> m_userKeyTime;  // while a user's key is carried out
    int m_nOwnWork = 0;                     // while the folder applies changes of its own
    bool m_bWatchPaused = false;
    CFolderWatch m_watch;
};
