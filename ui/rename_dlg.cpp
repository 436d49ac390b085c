#include "ui/rename_dlg.h"

#include "ui/resource.h"

CRenameDlg::CRenameDlg(CWnd* parent) : CDialog(IDD_RENAME, parent) {}

void CRenameDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_STREAM_NAME, m_name);
    DDV_MaxChars(pDX, m_name, kMaxNameLength);
}
