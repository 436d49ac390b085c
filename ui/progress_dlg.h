// Shows how far a merge has come and offers Cancel. It reads the merge's
// progress every 250 ms and closes itself once the merge is over.
#pragma once

#include "framework/dialog.h"
#include "framework/progress_ctrl.h"

class CProgressDlg : public CDialog {
public:
    explicit CProgressDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

private:
    CProgressCtrl m_progress;
};
