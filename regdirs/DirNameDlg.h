#pragma once
// Asks for the display name of a registered directory, when one is added and when its
// name is changed. Any text is taken, the empty text too.
#include <string>

#include "framework/Dialog.h"

class CDirNameDlg : public fw::CDialog {
public:
    explicit CDirNameDlg(fw::CWnd* parent = nullptr);

    // The name proposed when the dialog opens; after OK, the name entered.
    std::string m_strDisplayName;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
};
