#include "ui/mux_app.h"

#include "kestrova_version.h"
#include "ui/command_line.h"
#include "ui/mux_dlg.h"
#include "ui/resources.h"

CMuxApp::CMuxApp()
{
    AfxSetResourceModule(&KestrovaResources());
    m_desktopEntry = KESTROVA_APP_ID;
    m_translationCatalogue = "kestrova";
    m_translationFolder = KESTROVA_TRANSLATIONS_FOLDER;
    m_profileName = "kestrova";
}

BOOL CMuxApp::InitInstance()
{
    m_exitStatus = 0;
    const CommandLine commandLine = ParseCommandLine(m_arguments);
    if (!commandLine.problem.empty()) {
        m_exitStatus = ReportCommandLineProblem(commandLine.problem);
        return FALSE;
    }
    Enable3dControls();
    CMuxDlg dialog;
    dialog.m_filesToOpen = commandLine.files;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No event loop follows: the program ends with its dialog.
    return FALSE;
}

int CMuxApp::ExitInstance()
{
    return m_exitStatus;
}
