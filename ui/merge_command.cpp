// The Merge command: the ticked streams become the merge's selection, the
// user names the output, and the merge runs on a worker thread while the
// progress dialog is shown. The main dialog closes once the merge is over.
#include <cstring>
#include <string>

#include "framework/file_dialog.h"
#include "framework/thread.h"
#include "mux/merge_signals.h"
#include "ui/mux_dlg.h"
#include "ui/progress_dlg.h"

bool CMuxDlg::CollectSelection(uint16_t selection[kStreamKeyCount])
{
    std::size_t f = 0;
    for (HTREEITEM file = m_tree.GetNextItem(nullptr, TVGN_ROOT); file; file = m_tree.GetNextItem(file, TVGN_NEXT), ++f) {
        const Source& source = m_sources[f];
        std::size_t i = 0;
        for (HTREEITEM stream = m_tree.GetNextItem(file, TVGN_CHILD); stream;
             stream = m_tree.GetNextItem(stream, TVGN_NEXT), ++i) {
            // The key the muxer reads: its own file index and the stream's number in that file.
            if (m_tree.GetCheck(stream))
                selection[source.fileIndex * 10 + source.streamNumbers[i]] = 1;
        }
    }
    // The muxer judges the ticks; the dialog words its verdict.
    switch (m_muxer.CheckSelection(selection, m_addPlugin != 0).problem) {
    case SelectionProblem::None:
        return true;
    case SelectionProblem::TwoVideos:
        MessageBox(tr("Only one video stream allowed").toStdString(), tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return false;
    case SelectionProblem::TooManyStreams:
        MessageBox((m_addPlugin ? tr("More than 9 streams are ticked; with the helper stream a merge holds at most 9")
                                : tr("More than 10 streams are ticked; a merge holds at most 10"))
                       .toStdString(),
                   tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return false;
    }
    return false;
}

void CMuxDlg::OnOK()
{
    if (!m_tree.GetNextItem(nullptr, TVGN_ROOT))
        return;
    // Reads the "Add plugin" box, which decides how many streams fit.
    UpdateData(TRUE);
    uint16_t selection[kStreamKeyCount] = {};
    if (!CollectSelection(selection))
        return;

    // An existing file is replaced only when the user says so; a name typed
    // without an extension gets ".rm".
    const CString filter = tr(kRealMediaFilter).toStdString();
    CFileDialog dialog(FALSE, "rm", nullptr, OFN_OVERWRITEPROMPT, filter.c_str());
    if (dialog.DoModal() != IDOK)
        return;
    const CString output = dialog.GetPathName();
    if (const std::string problem = m_muxer.OutputPathProblem(output); !problem.empty()) {
        MessageBox(problem, tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return;
    }

    std::memcpy(m_job.selection, selection, sizeof m_job.selection);
    m_job.muxer = &m_muxer;
    m_job.addHelper = m_addPlugin != 0;
    m_muxer.SetOutputPath(output);

    ResetMergeSignals();
    std::unique_ptr<CWinThread> worker = AfxBeginThread(MuxWorker, &m_job);
    if (!worker) {
        MessageBox(tr("The merge could not be started").toStdString(), tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return;
    }
    CProgressDlg progress;
    progress.DoModal();
    // The run is over only when the worker returns: after a Cancel it is
    // still removing the partial output when the progress dialog closes.
    worker->Wait();

    // What the user should know about the sources, then why the merge failed.
    if (!m_job.warnings.empty()) {
        std::string text;
        for (const MergeWarning& warning : m_job.warnings)
            text += (text.empty() ? "" : "\n") + warning.message();
        MessageBox(text, tr("Warning").toStdString(), MB_ICONHAND | MB_OK);
    }
    if (m_job.outcome == MuxOutcome::Failed)
        MessageBox(m_job.error, tr("Error").toStdString(), MB_ICONHAND | MB_OK);
    OnCancel();
}
