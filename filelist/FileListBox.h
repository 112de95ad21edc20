#pragma once
// The list box that shows the folder: one row per entry, in the folder's order, the
// selected entry selected. It only shows: what an entry is, and which one is selected,
// the folder knows. A selection the user makes in the list box (arrow keys, a click) is
// handed to the folder at once.
#include "filelist/Folder.h"
#include "framework/Controls.h"
#include "framework/ListScrollBar.h"
#include "framework/MessageMap.h"

class CFileListBox : public IFolderListener {
public:
    explicit CFileListBox(CFolder& folder);
    CFileListBox(const CFileListBox&) = delete;
    CFileListBox& operator=(const CFileListBox&) = delete;

    // The list box control (bound by the window's data exchange).
    fw::CListBox& ListBox() { return m_list; }
    const fw::CListBox& ListBox() const { return m_list; }
    // Gives the list its scroll bar, kept in step with the rows and drawn only when its
    // thumb moves (the list box is made without scroll bars): removing a row then costs
    // little more than selecting one. Called once the list box is bound.
    void KeepScrollBar() { m_scrollBar.Attach(m_list.GetSafeHwnd()); }
    const fw::CListScrollBar& ScrollBar() const { return m_scrollBar; }
    // Keeps the list from drawing itself while `hold`; on release it is drawn whole again.
    void HoldDrawing(bool hold);
    // Lets the list take input, or not.
    void Enable(bool enable) const;
    // Gives the list the keyboard focus.
    void TakeFocus() const { ::SetFocus(m_list.GetSafeHwnd()); }

    // IFolderListener
    void OnListed() override;
    void OnRemoved(int index) override;
    void OnInserted(int index) override;
    void OnSelected() override;
    void OnFilled() override { OnListed(); }

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // The user moved the list box's selection.
    void OnSelectionChange();

    CFolder& m_folder;
    fw::CListBox m_list;
    fw::CListScrollBar m_scrollBar;
    bool m_bDrawingHeld = false;
};
