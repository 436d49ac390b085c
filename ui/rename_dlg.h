// Asks for a stream's new label, at most 12 characters.
#pragma once

#include "framework/dialog.h"

class CRenameDlg : public CDialog {
public:
    static constexpr int kMaxNameLength = 12;

    explicit CRenameDlg(CWnd* parent = nullptr);

    void SetName(CString name) { m_name = std::move(name); }
    CString GetName() const { return m_name; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    CString m_name;
};
