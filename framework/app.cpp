#include "framework/app.h"

#include <QApplication>
#include <QStyleFactory>

#include "framework/resources.h"
#include "framework/translations.h"

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

CString CWinApp::InstallTranslations() const
{
    if (m_translationCatalogue.empty())
        return {};
    const QString folder = QApplication::applicationDirPath() + u'/' + QString::fromStdString(m_translationFolder);
    return AfxInstallTranslations(QLocale::system(), m_translationCatalogue, {folder.toStdString()});
}

int CWinApp::ExitInstance()
{
    return 0;
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
    // Qt takes its own options out of argc and argv.
    QApplication application(argc, argv);
    if (!g_app)
        return 1;
    QGuiApplication::setDesktopFileName(QString::fromStdString(g_app->m_desktopEntry));
    g_app->m_arguments.assign(argv + 1, argv + argc);
    g_app->InstallTranslations();
    if (g_app->InitInstance())
        QApplication::exec();
    return g_app->ExitInstance();
}
