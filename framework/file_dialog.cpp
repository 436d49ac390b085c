#include "framework/file_dialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "framework/message_box.h"
#include "framework/profile.h"
#include "framework/script_hooks.h"

namespace {
constexpr char kFolderKey[] = "FileDialog/folder";
}

CString AfxLastFileFolder()
{
    const QString folder = AfxOpenProfile()->value(kFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder.toStdString() : CString();
}

CString AfxQtFileFilter(const CString& filter)
{
    CString result;
    std::size_t pos = 0;
    while (pos < filter.size()) {
        const std::size_t nameEnd = filter.find('|', pos);
        if (nameEnd == CString::npos || nameEnd == pos)
            break;
        const std::size_t patternsEnd = filter.find('|', nameEnd + 1);
        CString patterns = filter.substr(nameEnd + 1, patternsEnd - nameEnd - 1);
        for (char& c : patterns)
            if (c == ';')
                c = ' ';
        if (!result.empty())
            result += ";;";
        result += filter.substr(pos, nameEnd - pos) + " (" + patterns + ")";
        if (patternsEnd == CString::npos)
            break;
        pos = patternsEnd + 1;
    }
    return result;
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_open(openFileDialog),
      m_defaultExtension(defaultExtension ? defaultExtension : ""),
      m_fileName(fileName ? fileName : ""),
      m_flags(flags),
      m_filter(filter ? filter : ""),
      m_parent(parent)
{
}

INT_PTR CFileDialog::DoModal()
{
    m_paths.clear();
    if (AfxScriptHooks* hooks = AfxGetScriptHooks())
        return DoScriptedModal(*hooks);

    QFileDialog dialog(m_parent ? m_parent->GetSafeHwnd() : nullptr);
    // Qt's own dialog looks and behaves the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (!m_title.empty())
        dialog.setWindowTitle(QString::fromStdString(m_title));
    if (!m_open)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (m_flags & OFN_ALLOWMULTISELECT)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(m_flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Qt asks "... already exists. Do you want to replace it?" itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_flags & OFN_OVERWRITEPROMPT));
    dialog.setDefaultSuffix(QString::fromStdString(m_defaultExtension));
    // Choosing a type gives a name typed without an extension that type's.
    if (!m_defaultExtension.empty())
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            const QRegularExpressionMatch pattern = QRegularExpression(R"(\*\.(\w+))").match(filter);
            if (pattern.hasMatch())
                dialog.setDefaultSuffix(pattern.captured(1));
        });
    // The filter's name already lists its patterns; Qt need not add them again.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(QString::fromStdString(AfxQtFileFilter(m_filter)));
    if (const CString folder = AfxLastFileFolder(); !folder.empty())
        dialog.setDirectory(QString::fromStdString(folder));
    if (!m_fileName.empty())
        dialog.selectFile(QString::fromStdString(m_fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return IDCANCEL;
    std::vector<CString> paths;
    for (const QString& path : dialog.selectedFiles())
        paths.push_back(path.toStdString());
    return Chosen(std::move(paths));
}

INT_PTR CFileDialog::Chosen(std::vector<CString> paths)
{
    m_paths = std::move(paths);
    const QString folder = QFileInfo(QString::fromStdString(m_paths.front())).absolutePath();
    AfxOpenProfile()->setValue(kFolderKey, folder);
    return IDOK;
}

INT_PTR CFileDialog::DoScriptedModal(AfxScriptHooks& hooks)
{
    // Each answer stands for what the user chose in the dialog; one that
    // the user does not want to replace leaves the dialog open for the next.
    for (;;) {
        const auto answer = hooks.OnFileDialog({m_open, m_filter, m_flags, AfxLastFileFolder(), m_fileName, m_title});
        if (!answer || answer->empty())
            return IDCANCEL;
        std::vector<CString> paths;
        for (const CString& path : *answer)
            paths.push_back(WithDefaultExtension(path));
        if (m_open || ConfirmOverwrite(paths.front()))
            return Chosen(std::move(paths));
    }
}

CString CFileDialog::WithDefaultExtension(const CString& path) const
{
    // As Qt's dialog does: a file name without a dot gets the extension.
    if (m_defaultExtension.empty() || QFileInfo(QString::fromStdString(path)).fileName().contains(u'.'))
        return path;
    return path + "." + m_defaultExtension;
}

BOOL CFileDialog::ConfirmOverwrite(const CString& path) const
{
    const QFileInfo file(QString::fromStdString(path));
    if (!(m_flags & OFN_OVERWRITEPROMPT) || !file.exists() || file.isDir())
        return TRUE;
    // The question, caption and buttons of Qt's save dialog.
    const QString question = QCoreApplication::translate("CFileDialog", "%1 already exists.\nDo you want to replace it?")
                                 .arg(file.fileName());
    return AfxShowMessageBox(m_parent ? m_parent->GetSafeHwnd() : nullptr, question.toStdString(),
                             QCoreApplication::translate("CFileDialog", "Save As").toStdString(),
                             MB_YESNO | MB_ICONEXCLAMATION)
           == IDYES;
}
