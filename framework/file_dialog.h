// CFileDialog: asks the user for files to open or a file to save to.
#pragma once

#include <vector>

#include "framework/wnd.h"

class AfxScriptHooks;

// Every file dialog opens in the folder of the files chosen last, in this
// run of the program or in one before (kept in the user's settings).
class CFileDialog {
public:
    // `filter` lists "Name|patterns|" pairs and ends with "|", patterns
    // separated by ";". Flags: OFN_FILEMUSTEXIST (open only existing
    // files), OFN_ALLOWMULTISELECT (open several at once), OFN_OVERWRITEPROMPT
    // (ask before an existing file is replaced); a default extension, when
    // given, is appended to a name typed without one.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = 0, const char* filter = nullptr, CWnd* parent = nullptr);

    // The dialog's title, which says what the chosen file is for; without
    // one the dialog has the platform's own ("Save As").
    void SetTitle(const CString& title) { m_title = title; }

    // IDOK once a file is chosen, IDCANCEL otherwise.
    INT_PTR DoModal();
    // The chosen file; with OFN_ALLOWMULTISELECT, the first of them.
    CString GetPathName() const { return m_paths.empty() ? CString() : m_paths.front(); }
    // Every chosen file, in the order the dialog gave them.
    const std::vector<CString>& GetPathNames() const { return m_paths; }

private:
    INT_PTR DoScriptedModal(AfxScriptHooks& hooks);
    CString WithDefaultExtension(const CString& path) const;
    // Keeps the chosen files and remembers their folder for the next dialog.
    INT_PTR Chosen(std::vector<CString> paths);
    // FALSE when `path` exists and the user does not want it replaced.
    BOOL ConfirmOverwrite(const CString& path) const;

    BOOL m_open;
    CString m_defaultExtension;
    CString m_fileName;
    DWORD m_flags;
    CString m_filter;
    CString m_title;
    CWnd* m_parent;
    std::vector<CString> m_paths;
};

// The folder the last file dialog's files were chosen in, if it still exists; "" otherwise.
CString AfxLastFileFolder();

// The filter in Qt's form: "Name (patterns)" entries separated by ";;".
CString AfxQtFileFilter(const CString& filter);
