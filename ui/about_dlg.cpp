#include "ui/about_dlg.h"

#include <QString>

#include "kestrova_version.h"

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The version line of the template, translated, holds "%1" where the
    // version goes, so that each language places it.
    if (CWnd* version = GetDlgItem(IDC_VERSION))
        version->SetWindowText(QString::fromStdString(version->GetWindowText()).arg(KESTROVA_VERSION).toStdString());
    return TRUE;
}
