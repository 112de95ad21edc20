#pragma once
#include <windows.h>

#include <string>

#include "framework/Wnd.h"

namespace fw {

// A list box control of a dialog. Its texts are UTF-16 (a dialog's list is a Unicode
// window); a code-page-932 text is converted on the way in and out, a wide text goes
// through as it is.
class CListBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The entry's text; empty when there is no entry at the index. The code-page-932 form
    // shows a character the code page cannot hold as the system's substitute.
    std::string GetText(int index) const;
    std::wstring GetTextW(int index) const;
    int AddString(const std::string& text) const;
    int AddString(const std::wstring& text) const { return static_cast<int>(SendText(LB_ADDSTRING, 0, text)); }
    // Inserts at the index without sorting; -1 appends.
    int InsertString(int index, const std::string& text) const;
    int InsertString(int index, const std::wstring& text) const {
        return static_cast<int>(SendText(LB_INSERTSTRING, static_cast<WPARAM>(index), text));
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
    int SelectString(int startAfter, const std::string& prefix) const;
    int SelectString(int startAfter, const std::wstring& prefix) const {
        return static_cast<int>(SendText(LB_SELECTSTRING, static_cast<WPARAM>(startAfter), prefix));
    }
    // The first entry after `startAfter` (wrapping) whose whole text is `text`, ignoring
    // case; LB_ERR when there is none.
    int FindStringExact(int startAfter, const std::string& text) const;
    int FindStringExact(int startAfter, const std::wstring& text) const {
        return static_cast<int>(SendText(LB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), text));
    }
    void SetRedraw(BOOL redraw) const { SendMessage(WM_SETREDRAW, static_cast<WPARAM>(redraw)); }

private:
    LRESULT SendText(UINT msg, WPARAM wParam, const std::wstring& text) const {
        return SendMessage(msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

}  // namespace fw
