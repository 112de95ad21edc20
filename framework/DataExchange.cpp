#include "framework/DataExchange.h"

#include <cctype>
#include <climits>
#include <cwchar>
#include <optional>
#include <utility>

#include "framework/Controls.h"
#include "framework/Debug.h"
#include "framework/Dialog.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"

namespace fw {

HWND CDataExchange::PrepareCtrl(int id) const {
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    FW_ASSERT(control != nullptr);
    return control;
}

void CDataExchange::Fail(HWND control) {
    m_bFailed = true;
    if (control != nullptr) {
        ::SetFocus(control);
        ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    HWND hwnd = dx->PrepareCtrl(id);
    if (control.m_hWnd != hwnd) {
        control.Attach(hwnd);
    }
}

namespace {

std::wstring ControlText(HWND control) {
    CWnd wnd;
    wnd.Attach(control);
    return wnd.GetWindowTextW();
}

// A text the control holds in code page 932, exactly; otherwise the user is told and the
// exchange fails, so that no approximation of the text is ever stored.
std::optional<std::string> Take932(CDataExchange* dx, HWND control, std::wstring_view text) {
    std::optional<std::string> narrow = Narrow932(text);
    if (!narrow) {
        fw::MessageBox(dx->m_pDlgWnd->m_hWnd, dx->m_pDlgWnd->GetCodePageErrorText(), nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
        dx->Fail(control);
    }
    return narrow;
}

// A whole decimal number with optional blanks around it and an optional sign.
bool ParseWholeNumber(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
        ++i;
        ++digits;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (digits == 0 || i != text.size()) {
        return false;
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX || signedValue < INT_MIN) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

}  // namespace

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        if (std::optional<std::string> text = Take932(dx, control, ControlText(control))) {
            value = std::move(*text);
        }
    } else {
        ::SetWindowTextW(control, Widen932(value).c_str());
    }
}

void DDX_Text(CDataExchange* dx, int id, std::wstring& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        ::SetWindowTextW(control, value.c_str());
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        int parsed = 0;
        const std::optional<std::string> text = Narrow932(ControlText(control));
        if (!text || !ParseWholeNumber(*text, parsed)) {
            fw::MessageBox(dx->m_pDlgWnd->m_hWnd, dx->m_pDlgWnd->GetNumberErrorText(), nullptr, MB_OK | MB_ICONEXCLAMATION);
            dx->Fail(control);
            return;
        }
        value = parsed;
    } else {
        wchar_t text[16];
        std::swprintf(text, sizeof text / sizeof text[0], L"%d", value);
        ::SetWindowTextW(control, text);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

namespace {

// Selects the first entry whose text is `value` unless the selected one has it already
// (entries may share a text). The list compares ignoring case; the text must be the same
// character for character.
void SelectEntryText(const CListBox& list, const std::wstring& value) {
    const int selected = list.GetCurSel();
    if (selected >= 0 && list.GetTextW(selected) == value) {
        return;
    }
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        if (list.GetTextW(i) == value) {
            list.SetCurSel(i);
            return;
        }
    }
}

}  // namespace

void DDX_LBString(CDataExchange* dx, int id, std::string& value) {
    if (dx->m_bFailed) {
        return;
    }
    CListBox list;
    list.Attach(dx->PrepareCtrl(id));
    if (!dx->m_bSaveAndValidate) {
        SelectEntryText(list, Widen932(value));
        return;
    }
    const int selected = list.GetCurSel();
    if (selected < 0) {
        value.clear();
    } else if (std::optional<std::string> text = Take932(dx, list.m_hWnd, list.GetTextW(selected))) {
        value = std::move(*text);
    }
}

void DDX_LBString(CDataExchange* dx, int id, std::wstring& value) {
    if (dx->m_bFailed) {
        return;
    }
    CListBox list;
    list.Attach(dx->PrepareCtrl(id));
    if (!dx->m_bSaveAndValidate) {
        SelectEntryText(list, value);
        return;
    }
    const int selected = list.GetCurSel();
    value = selected >= 0 ? list.GetTextW(selected) : std::wstring();
}

}  // namespace fw
