#include "ui/mux_app.h"

#include "ui/mux_dlg.h"
#include "ui/resources.h"

CMuxApp::CMuxApp()
{
    AfxSetResourceModule(&KestrovaResources());
}

BOOL CMuxApp::InitInstance()
{
    Enable3dControls();
    CMuxDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No event loop follows: the program ends with its dialog.
    return FALSE;
}
