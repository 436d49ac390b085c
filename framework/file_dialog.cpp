#include "framework/file_dialog.h"

#include <QFileDialog>

#include "framework/script_hooks.h"

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
    m_path.clear();
    if (AfxScriptHooks* hooks = AfxGetScriptHooks()) {
        const auto answer = hooks->OnFileDialog({m_open, m_filter, m_flags});
        if (!answer)
            return IDCANCEL;
        m_path = *answer;
        return IDOK;
    }

    QFileDialog dialog(m_parent ? m_parent->GetSafeHwnd() : nullptr);
    // Qt's own dialog looks and behaves the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_open && (m_flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_flags & OFN_OVERWRITEPROMPT));
    dialog.setDefaultSuffix(QString::fromStdString(m_defaultExtension));
    // The filter's name already lists its patterns; Qt need not add them again.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(QString::fromStdString(AfxQtFileFilter(m_filter)));
    if (!m_fileName.empty())
        dialog.selectFile(QString::fromStdString(m_fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return IDCANCEL;
    m_path = dialog.selectedFiles().first().toStdString();
    return IDOK;
}
