// Shows how far a merge has come, in a bar and in words ("Merging into
// OUT.rm — 42 %"), and offers Cancel. It reads the merge's progress every
// 250 ms and closes itself once the merge is over.
#pragma once

#include <QString>

#include "framework/dialog.h"
#include "framework/progress_ctrl.h"
#include "mux/mux_job.h"

class CProgressDlg : public CDialog {
public:
    // `what`: what is being written ("Merging into OUT.rm"); the percentage follows it.
    explicit CProgressDlg(CWnd* parent = nullptr, const QString& what = {});

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

private:
    // The words over the bar: what is written, and how far it has come.
    void ShowPercent(int32_t progress);

    CProgressCtrl m_progress;
    QString m_what;
};

// Runs `job` on a worker thread while the progress dialog is shown over
// `parent`, saying `what` is being written, and returns once the worker has
// ended: its outcome and report are then in `job`. False when no worker
// could be started.
bool RunWithProgress(MuxJob& job, CWnd* parent, const QString& what);
