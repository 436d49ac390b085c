// CWinApp: the one application object. The program's entry hands control
// to AfxWinMain, which runs the object's InitInstance.
#pragma once

#include <vector>

#include "framework/wnd.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // TRUE runs the application's event loop afterwards; FALSE ends the program.
    virtual BOOL InitInstance() = 0;
    // Called as the program ends; returns its exit status, 0 unless overridden.
    virtual int ExitInstance();

    // Gives every dialog the framework's three-dimensional control style.
    void Enable3dControls();
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    // The command line's arguments after the program's name, less those Qt
    // took for itself (such as -platform or -style).
    std::vector<CString> m_arguments;
    // The name of the program's desktop entry, without ".desktop": desktops
    // find a window's name and icon by it.
    CString m_desktopEntry;
};

// The application object, or null.
CWinApp* AfxGetApp();

// Creates the Qt application, hands the application object the arguments
// Qt left, runs InitInstance (and the event loop when it asks for one), and
// returns ExitInstance's status.
int AfxWinMain(int argc, char** argv);
