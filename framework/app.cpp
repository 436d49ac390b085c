#include "framework/app.h"

#include <QApplication>
#include <QStyleFactory>

#include "framework/resources.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::Enable3dControls()
{
    // Fusion draws raised buttons and sunken fields alike on every desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return AfxLoadIcon(id);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

int AfxWinMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (!g_app)
        return 1;
    return g_app->InitInstance() ? QApplication::exec() : 0;
}
