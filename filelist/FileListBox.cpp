#include "filelist/FileListBox.h"

#include <optional>

#include "framework/Gdi.h"
#include "res/resource.h"

namespace {

// Where the list box showed its rows before one of them was deleted: a list box draws
// every row below a deleted one again, about 0.05 ms a row under Wine, and M deletes a
// row on every key. When nothing else moved, the rows below are moved up on the screen
// instead, and only the row that takes the deleted one's place and the row uncovered at
// the bottom are drawn again, at once.
class RowsBelow {
public:
    // Before `index` is deleted; nothing is moved later unless its row is wholly in view
    // and nothing of the list waits to be painted.
    RowsBelow(HWND list, int index) : m_list(list), m_index(index) {
        m_top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
        ::GetClientRect(list, &m_client);
        m_movable = ::IsWindowVisible(list) && !fw::WaitsToBePainted(list) && RowRect(list, index, m_row) &&
                    m_row.top >= 0 && m_row.bottom <= m_client.bottom && m_row.bottom > m_row.top;
    }

    // After the row was deleted, before the entry that took its place is selected.
    void MoveUp() {
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
        fw::CGdiObject<HRGN> redraw(::CreateRectRgnIndirect(&row));
        const fw::CGdiObject<HRGN> unmoved(::CreateRectRgn(0, 0, 0, 0));
        bool moved = false;
        {
            const fw::CClientDC dc(m_list);
            moved = dc != nullptr && redraw.Get() != nullptr && unmoved.Get() != nullptr &&
                    ::ScrollDC(dc, 0, -height, &below, &below, unmoved.Get(), nullptr) &&
                    ::CombineRgn(redraw.Get(), redraw.Get(), unmoved.Get(), RGN_OR) != ERROR;
        }
        if (!moved) {
            ::InvalidateRect(m_list, &below, TRUE);
            return;
        }
        m_redraw = std::move(redraw);
    }

    // Once the selection is set: what MoveUp left to draw is drawn at once, by the list
    // box's own painting clipped to it. A paint message would cost a round of BeginPaint
    // and EndPaint, under Wine more round trips to the system than the rest of the removal.
    void DrawUncovered() const {
        if (m_redraw.Get() == nullptr) {
            return;
        }
        const fw::CClientDC dc(m_list);
        if (dc == nullptr || ::SelectClipRgn(dc, m_redraw.Get()) == ERROR) {
            ::InvalidateRgn(m_list, m_redraw.Get(), TRUE);
            return;
        }
        ::SendMessageW(m_list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), PRF_CLIENT);
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
    fw::CGdiObject<HRGN> m_redraw;  // what MoveUp left to draw, in client coordinates
};

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CFileListBox)
    FW_ON_COMMAND(IDC_FILELIST, LBN_SELCHANGE, OnSelectionChange)
FW_END_PART_MESSAGE_MAP()

CFileListBox::CFileListBox(CFolder& folder) : m_folder(folder) {}

void CFileListBox::OnSelectionChange() {
    m_folder.Select(m_list.GetCurSel());
}

// Every row is made again with the list's drawing held; its rows are in the folder's order
// already, so each is put at its place without the list box sorting it.
void CFileListBox::OnListed() {
    if (m_list.GetSafeHwnd() == nullptr) {
        return;
    }
    m_list.SetRedraw(FALSE);
    m_list.ResetContent();
    ::SendMessageW(m_list.GetSafeHwnd(), LB_INITSTORAGE, static_cast<WPARAM>(m_folder.Count()), 0);
    for (int i = 0; i < m_folder.Count(); ++i) {
        m_list.InsertString(-1, m_folder.At(i)->Text());
    }
    m_list.SetCurSel(m_folder.SelectedIndex());
    if (!m_bDrawingHeld) {
        m_list.SetRedraw(TRUE);
        ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    }
}

void CFileListBox::OnRemoved(int index) {
    if (m_list.GetSafeHwnd() == nullptr) {
        return;
    }
    std::optional<RowsBelow> below =
        m_bDrawingHeld ? std::nullopt : std::optional<RowsBelow>(std::in_place, m_list.GetSafeHwnd(), index);
    m_list.DeleteString(index);
    if (below) {
        below->MoveUp();
    }
    // A row above the selected one went: the selected entry keeps its row.
    if (m_folder.SelectedIndex() >= 0 && m_list.GetCurSel() != m_folder.SelectedIndex()) {
        m_list.SetCurSel(m_folder.SelectedIndex());
    }
    if (below) {
        below->DrawUncovered();
    }
}

void CFileListBox::OnInserted(int index) {
    if (m_list.GetSafeHwnd() != nullptr) {
        m_list.InsertString(index, m_folder.At(index)->Text());
        m_list.SetCurSel(m_folder.SelectedIndex());
    }
}

void CFileListBox::OnSelected() {
    if (m_list.GetSafeHwnd() != nullptr && m_list.GetCurSel() != m_folder.SelectedIndex()) {
        m_list.SetCurSel(m_folder.SelectedIndex());
    }
}

void CFileListBox::HoldDrawing(bool hold) {
    m_bDrawingHeld = hold;
    m_list.SetRedraw(hold ? FALSE : TRUE);
    if (!hold) {
        ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    }
}

void CFileListBox::Enable(bool enable) const {
    ::EnableWindow(m_list.GetSafeHwnd(), enable ? TRUE : FALSE);
}
