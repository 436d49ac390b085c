// The application object: it shows the main dialog, with the files named
// on the command line added, and the program ends when the dialog closes.
#pragma once

#include "framework/app.h"

class CMuxApp : public CWinApp {
public:
    CMuxApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    int m_exitStatus = 0;
};
