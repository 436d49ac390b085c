#include "framework/profile.h"

#include <QCoreApplication>

#include "framework/app.h"

std::unique_ptr<QSettings> AfxOpenProfile()
{
    const CWinApp* app = AfxGetApp();
    const QString name = app && !app->m_profileName.empty() ? QString::fromStdString(app->m_profileName)
                                                            : QCoreApplication::applicationName();
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, name, name);
}
