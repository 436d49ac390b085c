// CWinApp: the one application object. The program's entry hands control
// to AfxWinMain, which runs the object's InitInstance.
#pragma once

#include "framework/wnd.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // TRUE runs the application's event loop afterwards; FALSE ends the program.
    virtual BOOL InitInstance() = 0;

    // Gives every dialog the framework's three-dimensional control style.
    void Enable3dControls();
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
};

// The application object, or null.
CWinApp* AfxGetApp();

// Creates the Qt application, then runs InitInstance. Command-line
// arguments are left to Qt (for instance -platform); the program reads none.
int AfxWinMain(int argc, char** argv);
