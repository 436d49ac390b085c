// CFileDialog: asks the user for a file to open or to save to.
#pragma once

#include "framework/wnd.h"

class CFileDialog {
public:
    // `filter` lists "Name|patterns|" pairs and ends with "|", patterns
    // separated by ";". Flags: OFN_FILEMUSTEXIST (open only an existing
    // file), OFN_OVERWRITEPROMPT (confirm replacing a file); a default
    // extension, when given, is appended to a name typed without one.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = 0, const char* filter = nullptr, CWnd* parent = nullptr);

    // IDOK once a file is chosen, IDCANCEL otherwise.
    INT_PTR DoModal();
    CString GetPathName() const { return m_path; }

private:
    BOOL m_open;
    CString m_defaultExtension;
    CString m_fileName;
    DWORD m_flags;
    CString m_filter;
    CWnd* m_parent;
    CString m_path;
};

// The filter in Qt's form: "Name (patterns)" entries separated by ";;".
CString AfxQtFileFilter(const CString& filter);
