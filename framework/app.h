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
    // Installs the program's translations and Qt's for the user's language
    // (AfxWinMain does before InitInstance); returns the program's file
    // loaded, or "" when the language has none.
    CString InstallTranslations() const;
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    // The command line's arguments after the program's name, less those Qt
    // took for itself (such as -platform or -style).
    std::vector<CString> m_arguments;
    // The name of the program's desktop entry, without ".desktop": desktops
    // find a window's name and icon by it.
    CString m_desktopEntry;
    // The program's translations: NAME_<language>.qm files in a folder given
    // relative to the program's own (so that it holds installed and in the
    // build folder alike). Installed for the user's language, with Qt's own,
    // before InitInstance; none when the name is empty.
    CString m_translationCatalogue;
    CString m_translationFolder;
    // The name the user's settings are kept under (see framework/profile.h).
    CString m_profileName;
};

// The application object, or null.
CWinApp* AfxGetApp();

// Creates the Qt application, hands the application object the arguments
// Qt left, runs InitInstance (and the event loop when it asks for one), and
// returns ExitInstance's status.
int AfxWinMain(int argc, char** argv);
