#pragma once
// The file list of the main window: the entries of one directory, bound to the window's
// sorted list box, which only shows them. Sub-directories stand first as "[ name ]",
// then the picture files by name, in the list box's case-insensitive order. What an
// entry is lives here, by its exact name; nobody reads the list box's item data or texts,
// and an entry is found by its name in the model, never by the list box's own search
// (which may take a look-alike for the name: "2023\u00A504" for "2023\\04").
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filelist/ListEntry.h"
#include "framework/Controls.h"
#include "framework/ListScrollBar.h"
#include "image/SpiPluginList.h"

class CFileList {
public:
    CFileList() = default;
    CFileList(const CFileList&) = delete;
    CFileList& operator=(const CFileList&) = delete;

    // The list box the entries are shown in (bound by the window's data exchange).
    fw::CListBox& ListBox() { return m_list; }
    const fw::CListBox& ListBox() const { return m_list; }

    // Removes every entry.
    void Clear();
    // Adds an entry where the list's order puts it.
    void Add(ListEntry entry);
    // Adds the sub-directories and the decodable pictures of `dir`, in enumeration order,
    // with the list's redrawing suspended. `pump` is called now and then to keep the
    // window alive; when it answers false the filling stops at once and false is returned.
    bool Fill(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& pump);
    // Whether the latest Fill could not read the whole directory (it could not be listed,
    // or reading it broke off): the list then shows less than the directory holds.
    bool ListingFailed() const { return m_bListingFailed; }

    int Count() const { return m_list.GetCount(); }
    // The entry at an index; null when there is none.
    const ListEntry* At(int index) const;
    // The text the list shows for the entry at an index.
    std::wstring TextAt(int index) const { return m_list.GetTextW(index); }

    // The index of the selected entry as the window last took it (-1: none).
    int CurrentIndex() const { return m_nCurIndex; }
    void SetCurrentIndex(int index) { m_nCurIndex = index; }
    // Takes the list box's selection as the current index.
    void TakeSelection() { m_nCurIndex = m_list.GetCurSel(); }
    const ListEntry* Current() const { return At(m_nCurIndex); }
    // Selects an entry in the list box (-1: none); the current index is left alone.
    void Select(int index) const { m_list.SetCurSel(index); }
    int SelectedIndex() const { return m_list.GetCurSel(); }

    // Selects the directory entry named `name` exactly, or else the first one whose name
    // is `name` ignoring case; its index or -1.
    int SelectDirectory(const std::wstring& name) const;
    // Selects the entry shown as `text` exactly, or else the first shown so ignoring case,
    // or else the first one after the first entry (wrapping round to it) whose text begins
    // with `text`, ignoring case; its index, or -1 with the selection left as it was
    // (always for an empty text).
    int SelectText(const std::wstring& text) const;
    // Drops the current entry after its file has gone and selects the entry that took its
    // place, or the new last one.
    void RemoveCurrent();
    // Keeps the list from drawing itself while `hold`; on release it is drawn whole again.
    void HoldDrawing(bool hold);
    // Gives the list its scroll bar, kept in step with the entries and drawn only when its
    // thumb moves (the list box is made without scroll bars): removing an entry then costs
    // little more than selecting one. Called once the list box is bound.
    void KeepScrollBar() { m_scrollBar.Attach(m_list.GetSafeHwnd()); }
    const fw::CListScrollBar& ScrollBar() const { return m_scrollBar; }
    // Gives the list the keyboard focus.
    void TakeFocus() const { ::SetFocus(m_list.GetSafeHwnd()); }
    // Selects the entry after the current one; false on the last entry or an empty list.
    bool SelectNext() const;

private:
    // The index of the first entry, from `start` on and wrapping round, that `matches`; -1.
    int Find(int start, const std::function<bool(const ListEntry&)>& matches) const;

    fw::CListBox m_list;
    fw::CListScrollBar m_scrollBar;
    int m_nCurIndex = -1;
    bool m_bListingFailed = false;
    bool m_bDrawingHeld = false;
    std::vector<std::unique_ptr<ListEntry>> m_entries;  // the list box's item data point here
};
