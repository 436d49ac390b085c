// Shows how far a merge has come and offers Cancel. It reads the merge's
// progress every 250 ms and closes itself once the merge is over.
#pragma once

#include "framework/dialog.h"
#include "framework/progress_ctrl.h"
#include "mux/mux_job.h"

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

// Runs `job` on a worker thread while the progress dialog is shown over
// `parent`, and returns once the worker has ended: its outcome and report
// are then in `job`. False when no worker could be started.
bool RunWithProgress(MuxJob& job, CWnd* parent);
