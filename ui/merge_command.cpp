// The Merge and Append commands: the ticked streams become the job's
// selection (Merge) or its inputs in list order (Append), Start and End its
// range, the user names the output, and the job runs on a worker thread
// while the progress dialog is shown. The main dialog closes once the run
// is over.
#include <cstring>
#include <string>

#include "framework/file_dialog.h"
#include "kestrova_version.h"
#include "mkv/matroska_output.h"
#include "mkv/matroska_run_output.h"
#include "mux/media_time.h"
#include "text/source_texts.h"
#include "ui/mux_dlg.h"
#include "ui/progress_dlg.h"

namespace {

constexpr UINT kError = MB_ICONHAND | MB_OK;

// Where a trimmed output really starts and ends, in the dialog's words: a
// start that is not a keyframe moves to the keyframe before it.
QString TrimText(const TrimReport& trim)
{
    const QString start = QString::fromStdString(formatMediaTime(trim.startMs));
    const QString end = QString::fromStdString(formatMediaTime(trim.endMs));
    if (trim.askedStartMs && *trim.askedStartMs != trim.startMs)
        return QCoreApplication::translate("CMuxDlg",
                                           "The output holds the media from %1, the keyframe before %2, to %3")
            .arg(start, QString::fromStdString(formatMediaTime(*trim.askedStartMs)), end);
    return QCoreApplication::translate("CMuxDlg", "The output holds the media from %1 to %2").arg(start, end);
}

}  // namespace

CString CMuxDlg::SelectionRefusal(SelectionProblem problem) const
{
    switch (problem) {
    case SelectionProblem::None:
        break;
    case SelectionProblem::TwoVideos:
        return tr("Only one video stream allowed").toStdString();
    case SelectionProblem::TooManyStreams:
        return (m_addPlugin ? tr("More than 9 streams are ticked; with the helper stream a merge holds at most 9")
                            : tr("More than 10 streams are ticked; a merge holds at most 10"))
            .toStdString();
    }
    return {};
}

bool CMuxDlg::CollectSelection(uint16_t selection[kStreamKeyCount])
{
    for (const JobInput& input : TickedInputs())
        for (uint16_t number : input.streams)
            selection[input.file * 10 + number] = 1;
    // The muxer judges the ticks; the dialog words its verdict.
    const SelectionProblem problem = m_muxer.CheckSelection(selection, m_addPlugin != 0).problem;
    if (problem == SelectionProblem::None)
        return true;
    MessageBox(SelectionRefusal(problem), tr("Error").toStdString(), kError);
    return false;
}

std::vector<JobInput> CMuxDlg::TickedInputs() const
{
    std::vector<JobInput> inputs;
    std::size_t f = 0;
    for (HTREEITEM file = m_tree.GetNextItem(nullptr, TVGN_ROOT); file; file = m_tree.GetNextItem(file, TVGN_NEXT), ++f) {
        const Source& source = m_sources[f];
        // The muxer knows a file by its own index and a stream by its number in that file.
        JobInput input{.file = source.fileIndex, .streams = {}};
        std::size_t i = 0;
        for (HTREEITEM stream = m_tree.GetNextItem(file, TVGN_CHILD); stream;
             stream = m_tree.GetNextItem(stream, TVGN_NEXT), ++i)
            if (m_tree.GetCheck(stream))
                input.streams.push_back(source.streamNumbers[i]);
        if (!input.streams.empty())
            inputs.push_back(std::move(input));
    }
    return inputs;
}

void CMuxDlg::OnOK()
{
    WriteOutput(JobLayout::SideBySide);
}

void CMuxDlg::OnAppend()
{
    WriteOutput(JobLayout::EndToEnd);
}

void CMuxDlg::WriteOutput(JobLayout layout)
{
    if (!m_tree.GetNextItem(nullptr, TVGN_ROOT))
        return;
    // Reads the "Add plugin" box, which decides how many streams fit, and
    // the Start and End fields.
    UpdateData(TRUE);
    const bool append = layout == JobLayout::EndToEnd;
    MuxJob job;
    if (append) {
        // Each part on its own must make an output; whether the parts
        // match is the muxer's to judge when it runs.
        job.inputs = TickedInputs();
        if (job.inputs.size() < 2) {
            MessageBox(tr("Tick the streams to append in at least two files").toStdString(), tr("Error").toStdString(),
                       kError);
            return;
        }
        for (const JobInput& input : job.inputs) {
            uint16_t part[kStreamKeyCount] = {};
            for (uint16_t number : input.streams)
                part[input.file * 10 + number] = 1;
            const SelectionProblem problem = m_muxer.CheckSelection(part, m_addPlugin != 0).problem;
            if (problem != SelectionProblem::None) {
                MessageBox(SelectionRefusal(problem), tr("Error").toStdString(), kError);
                return;
            }
        }
    } else if (!CollectSelection(job.selection)) {
        return;
    }
    if (!CollectRange(job))
        return;

    // An existing file is replaced only when the user says so; a name typed
    // without an extension gets ".rm", or ".mkv" when Matroska is the type
    // chosen. The title says what the file will hold.
    CString filter = tr(kRealMediaFilter).toStdString();
    filter.pop_back();  // the filter's end: Matroska follows
    filter += kMatroskaFilter;
    CFileDialog dialog(FALSE, "rm", nullptr, OFN_OVERWRITEPROMPT, filter.c_str());
    dialog.SetTitle((append ? tr("Append the Files Into") : tr("Merge the Streams Into")).toStdString());
    if (dialog.DoModal() != IDOK)
        return;
    const CString output = dialog.GetPathName();
    if (const std::string problem = m_muxer.OutputPathProblem(output); !problem.empty()) {
        MessageBox(problem, tr("Error").toStdString(), kError);
        return;
    }

    job.layout = layout;
    job.muxer = &m_muxer;
    job.addHelper = m_addPlugin != 0;
    if (mkv::namesMatroska(output))
        job.output = mkv::matroskaOutput("Kestrova " KESTROVA_VERSION, text::KeptTextsToUtf8());
    m_muxer.SetOutputPath(output);
    m_job = std::move(job);
    if (!RunWithProgress(m_job, this)) {
        MessageBox((append ? tr("The append could not be started") : tr("The merge could not be started")).toStdString(),
                   tr("Error").toStdString(), kError);
        return;
    }

    if (m_job.refused) {
        // Parts that do not match: nothing was read past their headers and
        // the sources are still held, so the ticks may be mended and the
        // command run again.
        MessageBox(m_job.error, tr("Error").toStdString(), kError);
        return;
    }
    // What the user should know about the sources, then why the run failed,
    // or, for a trimmed output, where it really starts and ends. Warnings
    // are not a failure: a run that completed says it wrote the output.
    if (!m_job.warnings.empty()) {
        std::string text;
        for (const MergeWarning& warning : m_job.warnings)
            text += (text.empty() ? "" : "\n") + warning.message();
        if (m_job.outcome == MuxOutcome::Completed)
            text += "\n\n" + tr("The output was written: %1").arg(QString::fromStdString(output)).toStdString();
        MessageBox(text, tr("Warning").toStdString(), MB_ICONEXCLAMATION | MB_OK);
    }
    // The engine's words stay as it gives them; the trimmed output's report
    // is the dialog's sentence around the times.
    if (m_job.outcome == MuxOutcome::Failed)
        MessageBox(m_job.error, tr("Error").toStdString(), kError);
    else if (m_job.outcome == MuxOutcome::Completed && m_job.trim.trimmed)
        MessageBox(TrimText(m_job.trim).toStdString(),
                   (append ? tr("Append") : tr("Merge")).toStdString(), MB_ICONINFORMATION | MB_OK);
    OnCancel();
}
