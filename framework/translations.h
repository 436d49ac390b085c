// The translations of the program's texts into the user's language, and the
// one context in which the texts of dialog templates and string tables are
// translated.
//
// How a text is made translatable:
// - In a dialog template or the string table (resources.cpp), mark it with
//   QT_TRANSLATE_NOOP("Resources", "Text"); the framework translates it when
//   it builds the dialog or loads the string.
// - In a dialog's code, declare Q_DECLARE_TR_FUNCTIONS(ClassName) in the
//   class and write tr("Text").toStdString() (with .arg() for "%1").
// - Elsewhere, QCoreApplication::translate("Context", "Text").
// Then build the target update_translations (lupdate) and translate the new
// entries in every ui/translations/*.ts file.
#pragma once

#include <vector>
#include <QLocale>

#include "framework/afx.h"

// The context of every template and string-table text.
inline constexpr char kResourceContext[] = "Resources";

// A template or string-table text in the user's language.
QString AfxTranslateResource(const char* text);

// Installs the translations for `locale`, replacing those installed before:
// Qt's own (qtbase_*.qm from Qt's translations folder: file dialogs and
// standard buttons), and the program's `catalogue`_*.qm from the first of
// `folders` that has a file for the locale. Returns the path of the
// program's file loaded, or "" when none matches the locale (English).
CString AfxInstallTranslations(const QLocale& locale, const CString& catalogue, const std::vector<CString>& folders);
