// The Merge and Append commands: the ticked streams become the job's
// selection (Merge) or its inputs in list order (Append), Start and End its
// range; the engine checks the job before the user names the output, and
// the job runs on a worker thread while the progress dialog is shown. The
// main dialog closes once the output is written, and stays after a job
// that failed.
#include <algorithm>
#include <cstring>
#include <string>
#include <QDir>
#include <QFileInfo>

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

// Where a trimmed output really starts and ends, and what each stream holds.
QString TrimText(const TrimReport& trim)
{
    return QCoreApplication::translate("CMuxDlg", "The output holds the media %1")
        .arg(QString::fromStdString(trim.message()));
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
    Refuse(QString::fromStdString(SelectionRefusal(problem)));
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

CString CMuxDlg::SuggestedOutputName(const std::vector<JobInput>& inputs, bool trimmed) const
{
    // Beside the first source, named after it; RealVideo 3 and 4 call for ".rmvb".
    const auto first = std::find_if(m_sources.begin(), m_sources.end(),
                                    [&inputs](const Source& s) { return s.fileIndex == inputs.front().file; });
    if (first == m_sources.end())
        return {};
    bool realVideo34 = false;
    for (const JobInput& input : inputs)
        for (const Source& source : m_sources)
            if (source.fileIndex == input.file)
                for (std::size_t i = 0; i < source.streamNumbers.size(); ++i)
                    realVideo34 = realVideo34
                                  || (std::find(input.streams.begin(), input.streams.end(), source.streamNumbers[i])
                                          != input.streams.end()
                                      && (source.details.streams[i].codec == "RV30"
                                          || source.details.streams[i].codec == "RV40"));
    HTREEITEM item = m_tree.GetNextItem(nullptr, TVGN_ROOT);
    for (auto s = m_sources.begin(); s != first; ++s)
        item = m_tree.GetNextItem(item, TVGN_NEXT);
    const QFileInfo original(QString::fromStdString(m_tree.GetItemText(item)));
    const QString name = (trimmed ? tr("%1 (trimmed).%2") : tr("%1 (merged).%2"))
                             .arg(original.completeBaseName(), realVideo34 ? QStringLiteral("rmvb") : QStringLiteral("rm"));
    return original.dir().filePath(name).toStdString();
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
    // A file item's tick stands for its streams' ticks; only streams are read.
    const std::vector<JobInput> ticked = TickedInputs();
    if (ticked.empty()) {
        Refuse(append ? tr("Tick the streams to append in at least two files") : tr("Tick at least one stream to merge"));
        return;
    }
    if (append) {
        // Each part on its own must make an output.
        job.inputs = ticked;
        if (job.inputs.size() < 2) {
            Refuse(tr("Tick the streams to append in at least two files"));
            return;
        }
        for (const JobInput& input : job.inputs) {
            uint16_t part[kStreamKeyCount] = {};
            for (uint16_t number : input.streams)
                part[input.file * 10 + number] = 1;
            const SelectionProblem problem = m_muxer.CheckSelection(part, m_addPlugin != 0).problem;
            if (problem != SelectionProblem::None) {
                Refuse(QString::fromStdString(SelectionRefusal(problem)));
                return;
            }
        }
    } else if (!CollectSelection(job.selection)) {
        return;
    }
    if (!CollectRange(job))
        return;
    job.layout = layout;
    job.muxer = &m_muxer;
    job.addHelper = m_addPlugin != 0;
    // What would stop the job (parts that do not match, a range past the
    // end or without a packet, a source without packets), before the user
    // names the output.
    if (const std::string problem = m_muxer.CheckJob(job); !problem.empty()) {
        Refuse(QString::fromStdString(problem));
        return;
    }

    // An existing file is replaced only when the user says so; a name typed
    // without an extension gets ".rm", or ".mkv" when Matroska is the type
    // chosen. The title says what the file will hold.
    CString filter = tr(kRealMediaFilter).toStdString();
    filter.pop_back();  // the filter's end: Matroska follows
    filter += kMatroskaFilter;
    const CString suggested = SuggestedOutputName(ticked, job.startMs || job.endMs);
    CFileDialog dialog(FALSE, "rm", suggested.c_str(), OFN_OVERWRITEPROMPT, filter.c_str());
    dialog.SetTitle((append ? tr("Append the Files Into") : tr("Merge the Streams Into")).toStdString());
    if (dialog.DoModal() != IDOK)
        return;
    const CString output = dialog.GetPathName();
    if (const std::string problem = m_muxer.OutputPathProblem(output); !problem.empty()) {
        Refuse(QString::fromStdString(problem));
        return;
    }

    if (mkv::namesMatroska(output))
        job.output = mkv::matroskaOutput("Kestrova " KESTROVA_VERSION, text::KeptTextsToUtf8());
    m_muxer.SetOutputPath(output);
    m_job = std::move(job);
    const QString name = QFileInfo(QString::fromStdString(output)).fileName();
    if (!RunWithProgress(m_job, this, append ? tr("Appending into %1").arg(name) : tr("Merging into %1").arg(name))) {
        Refuse(append ? tr("The append could not be started") : tr("The merge could not be started"));
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
    // A job that failed wrote nothing, and the sources are still held: the
    // list stays, so that it may be mended and the command run again.
    if (m_job.outcome == MuxOutcome::Failed) {
        MessageBox(m_job.error, tr("Error").toStdString(), kError);
        return;
    }
    // The engine's words stay as it gives them; the trimmed output's report
    // is the dialog's sentence around the times.
    if (m_job.outcome == MuxOutcome::Completed && m_job.trim.trimmed)
        MessageBox(TrimText(m_job.trim).toStdString(),
                   (append ? tr("Append") : tr("Merge")).toStdString(), MB_ICONINFORMATION | MB_OK);
    OnCancel();
}

void CMuxDlg::Refuse(const QString& text)
{
    MessageBox(text.toStdString(), tr("Error").toStdString(), kError);
}
