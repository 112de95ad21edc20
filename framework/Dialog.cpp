#include "framework/Dialog.h"

#include "framework/DataExchange.h"
#include "framework/Debug.h"
#include "framework/Prompts.h"
#include "framework/WinApp.h"

namespace fw {

namespace {

// Posted once a modal loop is running, so that a test responder can act inside it.
UINT ModalStartedMessage() {
    static const UINT msg = ::RegisterWindowMessageW(L"IxoFramework.ModalStarted");
    return msg;
}

// Messages whose result a dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
    switch (msg) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return true;
        default:
            return false;
    }
}

// Whether the dialog template gives no position (x and y both 0).
bool TemplateHasNoPosition(UINT templateId) {
    HINSTANCE instance = InstanceHandle();
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? ::SizeofResource(instance, found) : 0;
    if (bytes == nullptr || size < 22) {
        return false;
    }
    // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; x and y follow at 18.
    // A plain DLGTEMPLATE has them at 10.
    const bool extended = bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    const size_t at = extended ? 18 : 10;
    return bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 0 && bytes[at + 3] == 0;
}

// Centres a window over its owner, or over the work area when it has none.
void CenterOverOwner(HWND hwnd) {
    RECT self{};
    ::GetWindowRect(hwnd, &self);
    RECT area{};
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info);
        area = info.rcWork;
    }
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The derived parts are gone already: no handler may run during this destruction.
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr) {
        // A dialog without a parent is still modal to the application's main window.
        CWinApp* app = TheApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this &&
            ::IsWindow(app->m_pMainWnd->m_hWnd)) {
            owner = app->m_pMainWnd->m_hWnd;
        }
    }
    // Running from the start: OnInitDialog may already end the dialog or pump messages.
    m_nModalResult = -1;
    m_bModalRunning = true;
    HWND hwnd = ::CreateDialogParamW(InstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) {
        m_hWnd = nullptr;
        m_bModalRunning = false;
        return -1;
    }
    const bool disabledOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (disabledOwner) {
        ::EnableWindow(owner, FALSE);
    }
    if (!::IsWindowVisible(hwnd)) {
        ::ShowWindow(hwnd, SW_SHOW);
    }
    ::PostMessageW(hwnd, ModalStartedMessage(), 0, 0);
    RunModalLoop();

    // Give the activation back to the owner before this window goes away.
    if (disabledOwner) {
        ::EnableWindow(owner, TRUE);
    }
    if (owner != nullptr && ::GetActiveWindow() == hwnd) {
        ::SetActiveWindow(owner);
    }
    if (::IsWindow(hwnd)) {
        ::DestroyWindow(hwnd);
    }
    m_hWnd = nullptr;
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (m_bModalRunning && m_hWnd != nullptr) {
        if (WatchesModalIdle() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            NotifyModalIdle(*this);
            if (!m_bModalRunning || m_hWnd == nullptr) {
                break;
            }
        }
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            // Leave the quit message for the loops outside this one.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsOwnMessage(msg.hwnd) && PreTranslateMessage(&msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_bModalRunning = false;
}

bool CDialog::IsOwnMessage(HWND target) const {
    return target != nullptr && m_hWnd != nullptr && (target == m_hWnd || ::IsChild(m_hWnd, target));
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_bModalRunning = false;
    if (m_hWnd != nullptr) {
        // Wake the loop in case it waits for a message.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return ::IsDialogMessageW(m_hWnd, msg);
}

bool CDialog::UpdateData(DataFlow flow) {
    CDataExchange dx(this, flow == DataFlow::kFromControls ? TRUE : FALSE);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(DataFlow::kToControls);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(DataFlow::kFromControls)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) <= 1) {
                OnOK();
                return true;
            }
            if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) <= 1) {
                OnCancel();
                return true;
            }
            return false;
        default:
            return false;
    }
}

std::string CDialog::GetNumberErrorText() const {
    return "整数を入力してください。";
}

std::string CDialog::GetCodePageErrorText() const {
    return "この欄にはシフトJISで表せない文字は使えません。";
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        // Messages before WM_INITDIALOG get the default processing.
        if (msg != WM_INITDIALOG) {
            return FALSE;
        }
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    return self->HandleMessage(msg, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == ModalStartedMessage()) {
        fw::NotifyModalDialogShown(*this);
        return TRUE;
    }
    const HWND hwnd = m_hWnd;
    LRESULT result = 0;
    const bool handled = OnMessage(msg, wParam, lParam, result);

    if (msg == WM_INITDIALOG && TemplateHasNoPosition(m_nIDTemplate)) {
        // A template without a position opens centred.
        CenterOverOwner(hwnd);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        m_bModalRunning = false;
        // Destroying the application's main window ends the application.
        if (CWinApp* app = TheApp(); app != nullptr && app->m_pMainWnd == this) {
            ::PostQuitMessage(0);
        }
    }
    if (!handled) {
        // A list box that reports its keys asks what to do with each one; FALSE would
        // answer "go to item 0". Unanswered, it does what it does without asking.
        if (msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM) {
            return -1;
        }
        return FALSE;
    }
    if (ReturnsResultDirectly(msg)) {
        return static_cast<INT_PTR>(result);
    }
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace fw
