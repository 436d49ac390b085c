// The user's settings of the program (window sizes, the folder last used),
// kept by Qt's settings under the application's name: on Linux in
// ~/.config/NAME/NAME.conf.
#pragma once

#include <memory>
#include <QSettings>

// The application object's m_profileName, or Qt's application name when it has none.
std::unique_ptr<QSettings> AfxOpenProfile();
