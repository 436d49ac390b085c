// The About box, opened from the main dialog's system menu.
#pragma once

#include "framework/dialog.h"
#include "ui/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    // Puts the program's version into the template's version line.
    BOOL OnInitDialog() override;
};
