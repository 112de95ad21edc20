#pragma once
#include <windows.h>

#include <string>

#include "framework/Wnd.h"

namespace fw {

class CDataExchange;

// A modal dialog built from a dialog resource, as a Unicode window (its controls too).
// DoModal runs the dialog's own modal loop, which offers every message addressed to the
// dialog or one of its controls to PreTranslateMessage before the standard dialog
// keyboard handling.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, runs it until EndDialog or the window's destruction, and
    // returns the result given to EndDialog (-1 when no window could be created).
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Standard dialog keyboard handling (IsDialogMessage); nonzero means handled.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Which way a data exchange runs.
    enum class DataFlow { kFromControls, kToControls };
    // Runs the data exchange: controls to members or members to controls. False when a
    // control held a value that could not be taken.
    bool UpdateData(DataFlow flow = DataFlow::kFromControls);

    UINT GetTemplateId() const { return m_nIDTemplate; }
    bool IsModalRunning() const { return m_bModalRunning; }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);

    // Handlers of a derived message map; true when the message was handled. A message
    // left unhandled gets the dialog manager's default processing.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

public:
    // The text shown when a number field of the data exchange holds no whole number.
    virtual std::string GetNumberErrorText() const;
    // The text shown when a text field of the data exchange holds a character that code
    // page 932 cannot hold, where only such a text can be kept.
    virtual std::string GetCodePageErrorText() const;

protected:

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();
    bool IsOwnMessage(HWND target) const;

    bool m_bModalRunning = false;
    int m_nModalResult = -1;
};

}  // namespace fw
