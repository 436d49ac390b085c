#include "ui/progress_dlg.h"

#include <algorithm>
#include <QCoreApplication>

#include "framework/thread.h"
#include "mux/merge_signals.h"
#include "ui/resource.h"

namespace {
constexpr UINT kPollMilliseconds = 250;
}

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg(CWnd* parent, const QString& what) : CDialog(IDD_PROGRESS, parent), m_what(what) {}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_progress.SetRange(0, 100);
    ShowPercent(0);
    SetTimer(IDT_PROGRESS, kPollMilliseconds);
    return TRUE;
}

void CProgressDlg::OnTimer(UINT_PTR nIDEvent)
{
    const int32_t progress = g_progress;
    if (progress == kProgressDone)
        OnOK();
    // At the end the bar, whose range ends at 100, shows full.
    m_progress.SetPos(progress);
    ShowPercent(progress);
    UpdateData(FALSE);
    CDialog::OnTimer(nIDEvent);
}

void CProgressDlg::ShowPercent(int32_t progress)
{
    const int32_t percent = std::clamp<int32_t>(progress, 0, 100);
    SetDlgItemText(IDC_PROGRESS_TEXT,
                   (m_what.isEmpty() ? QCoreApplication::translate("CProgressDlg", "%1 %").arg(percent)
                                     : QCoreApplication::translate("CProgressDlg", "%1 — %2 %").arg(m_what).arg(percent))
                       .toStdString());
}

void CProgressDlg::OnCancel()
{
    g_stop = 1;
    CDialog::OnCancel();
}

bool RunWithProgress(MuxJob& job, CWnd* parent, const QString& what)
{
    ResetMergeSignals();
    std::unique_ptr<CWinThread> worker = AfxBeginThread(MuxWorker, &job);
    if (!worker)
        return false;
    CProgressDlg progress(parent, what);
    progress.DoModal();
    // The run is over only when the worker returns: after a Cancel it is
    // still removing the partial output when the progress dialog closes.
    worker->Wait();
    return true;
}
