// The About box, opened from the main dialog's system menu.
#pragma once

#include "framework/dialog.h"
#include "ui/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
