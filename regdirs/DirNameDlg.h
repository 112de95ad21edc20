#pragma once
// Asks for the display name of a registered directory, when one is added and when its
// name is changed. Any text is taken, the empty text too.
#include <string>

#include "framework/Dialog.h"

class CDirNameDlg : public fw::CDialog {
public:
    // `proposed`: the name shown when the dialog opens.
    explicit CDirNameDlg(std::string proposed, fw::CWnd* parent = nullptr);

    // After OK, the name entered.
    const std::string& Name() const { return m_strDisplayName; }

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;

private:
    std::string m_strDisplayName;
};
