// The application object: it shows the main dialog, and the program ends
// when the dialog closes.
#pragma once

#include "framework/app.h"

class CMuxApp : public CWinApp {
public:
    CMuxApp();
    BOOL InitInstance() override;
};
