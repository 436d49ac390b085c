#include "framework/translations.h"

#include <memory>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The translators installed now: Qt's, then the program's.
std::vector<std::unique_ptr<QTranslator>>& installed()
{
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

// The locales whose translations serve `locale`, nearest first. Chinese
// is translated once per script, under the names zh_CN (Simplified) and
// zh_TW (Traditional) that Qt's catalogues use too: Hong Kong and Macao
// read the Traditional one, Singapore the Simplified one.
std::vector<QLocale> candidates(const QLocale& locale)
{
    std::vector<QLocale> locales{locale};
    if (locale.language() == QLocale::Chinese) {
        if (locale.script() == QLocale::TraditionalChineseScript)
            locales.emplace_back(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
        else
            locales.emplace_back(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    }
    return locales;
}

// Loads `name`_<language>.qm for the locale from `folder` and installs it;
// null when there is no such file.
std::unique_ptr<QTranslator> install(const QLocale& locale, const QString& name, const QString& folder)
{
    for (const QLocale& candidate : candidates(locale)) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(candidate, name, QStringLiteral("_"), folder))
            continue;
        QCoreApplication::installTranslator(translator.get());
        return translator;
    }
    return nullptr;
}

}  // namespace

QString AfxTranslateResource(const char* text)
{
    return *text ? QCoreApplication::translate(kResourceContext, text) : QString();
}

CString AfxInstallTranslations(const QLocale& locale, const CString& catalogue, const std::vector<CString>& folders)
{
    auto& translators = installed();
    for (auto& translator : translators)
        QCoreApplication::removeTranslator(translator.get());
    translators.clear();

    // Installed first, so that the program's own texts are looked up before Qt's.
    if (auto qt = install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        translators.push_back(std::move(qt));
    for (const CString& folder : folders) {
        if (auto own = install(locale, QString::fromStdString(catalogue), QString::fromStdString(folder))) {
            const CString path = own->filePath().toStdString();
            translators.push_back(std::move(own));
            return path;
        }
    }
    return {};
}
