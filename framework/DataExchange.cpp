#include "framework/DataExchange.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "framework/Controls.h"
#include "framework/Debug.h"
#include "framework/Dialog.h"
#include "framework/Prompts.h"

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
        ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    HWND hwnd = dx->PrepareCtrl(id);
    if (control.m_hWnd != hwnd) {
        control.Attach(hwnd);
    }
}

namespace {

std::string ControlText(HWND control) {
    const int len = ::GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(len > 0 ? len : 0) + 1, '\0');
    const int got = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
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
        value = ControlText(control);
    } else {
        ::SetWindowTextA(control, value.c_str());
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        int parsed = 0;
        if (!ParseWholeNumber(ControlText(control), parsed)) {
            fw::MessageBox(dx->m_pDlgWnd->m_hWnd, dx->m_pDlgWnd->GetNumberErrorText(), nullptr, MB_OK | MB_ICONEXCLAMATION);
            dx->Fail(control);
            return;
        }
        value = parsed;
    } else {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        ::SetWindowTextA(control, text);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    if (dx->m_bFailed) {
        return;
    }
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_LBString(CDataExchange* dx, int id, std::string& value) {
    if (dx->m_bFailed) {
        return;
    }
    CListBox list;
    list.Attach(dx->PrepareCtrl(id));
    const int selected = list.GetCurSel();
    if (dx->m_bSaveAndValidate) {
        value = selected >= 0 ? list.GetText(selected) : std::string();
        return;
    }
    // The list compares ignoring case; the text must be the same byte for byte.
    if (selected >= 0 && list.GetText(selected) == value) {
        return;
    }
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        if (list.GetText(i) == value) {
            list.SetCurSel(i);
            return;
        }
    }
}

}  // namespace fw
