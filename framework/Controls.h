#pragma once
#include <windows.h>

#include <string>

#include "framework/Wnd.h"

namespace fw {

// A list box control of a dialog, with code-page-932 texts.
class CListBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The entry's text; empty when there is no entry at the index.
    std::string GetText(int index) const;
    int AddString(const std::string& text) const {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    // Inserts at the index without sorting; -1 appends.
    int InsertString(int index, const std::string& text) const {
        return static_cast<int>(
            SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) const { return static_cast<int>(SendMessage(LB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() const { SendMessage(LB_RESETCONTENT); }
    // LB_ERR (-1) when there is no entry at the index.
    LRESULT GetItemData(int index) const { return SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)); }
    int SetItemData(int index, LRESULT data) const {
        return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
    }
    // Selects the first entry after `startAfter` (wrapping) whose text begins with `prefix`,
    // ignoring case; the index selected or LB_ERR.
    int SelectString(int startAfter, const std::string& prefix) const {
        return static_cast<int>(
            SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(prefix.c_str())));
    }
    // The first entry after `startAfter` (wrapping) whose whole text is `text`, ignoring
    // case; LB_ERR when there is none.
    int FindStringExact(int startAfter, const std::string& text) const {
        return static_cast<int>(
            SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text.c_str())));
    }
    void SetRedraw(BOOL redraw) const { SendMessage(WM_SETREDRAW, static_cast<WPARAM>(redraw)); }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

}  // namespace fw
