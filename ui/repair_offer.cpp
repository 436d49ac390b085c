// The repair offer: a file that Add finds damaged, but whose header section
// a repair can read, may be repaired into a copy the user names; the copy
// is then added in its place.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "framework/file_dialog.h"
#include "mux/source_check.h"
#include "rm/input_file.h"
#include "ui/mux_dlg.h"
#include "ui/progress_dlg.h"

namespace {

// "NAME (repaired).EXT" beside the original; ".rm" when it has no extension.
CString RepairedCopyName(const CString& path)
{
    const QFileInfo original(QString::fromStdString(path));
    const QString suffix = original.suffix().isEmpty() ? QStringLiteral("rm") : original.suffix();
    const QString name = QCoreApplication::translate("CMuxDlg", "%1 (repaired).%2").arg(original.completeBaseName(), suffix);
    return original.dir().filePath(name).toStdString();
}

// The reason in the middle of a sentence: "The header section ..." becomes "the header section ...".
std::string InSentence(std::string reason)
{
    if (reason.size() > 1 && reason[0] >= 'A' && reason[0] <= 'Z' && reason[1] >= 'a' && reason[1] <= 'z')
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    return reason;
}

}  // namespace

std::string DataDamage(const CString& path)
{
    // A packet the reader cannot get past ends the file for a merge there;
    // fewer packets than the headers count means packets it will not
    // reach. The packet is the better reason; of the counts, the data
    // chunk's, which comes last.
    const SourceCheck check = CheckSource(path);
    const CheckProblem* damage = nullptr;
    for (const CheckProblem& problem : check.problems) {
        if (problem.kind == ProblemKind::CutPacket || problem.kind == ProblemKind::DamagedPacket) {
            damage = &problem;
            break;
        }
        if (problem.kind == ProblemKind::PacketCount)
            damage = &problem;
    }
    if (!damage)
        return {};
    return QCoreApplication::translate("CMuxDlg", "at byte %1, %2")
        .arg(QString::fromStdString(rm::formatOffset(damage->offset)), QString::fromStdString(damage->text))
        .toStdString();
}

CMuxDlg::RepairOffer CMuxDlg::OfferRepair(const CString& path, const std::string& reason)
{
    // A repair reads the file only when its header section is intact.
    RmMuxer repairer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    const int32_t count = repairer.Scan(path, names, kinds, numbers, /*repair=*/true);
    if (count == 0)
        return RepairOffer::NotOffered;
    MuxJob job;
    job.repair = true;
    job.muxer = &repairer;
    for (int32_t i = 0; i < count; ++i)
        job.selection[repairer.LastScanSource() * 10 + numbers[i]] = 1;
    // Nor is it offered when a repair would find no packet to recover.
    if (!repairer.CheckJob(job).empty())
        return RepairOffer::NotOffered;
    // The reason stays as the muxer or check words it.
    const QString question = tr("%1 is damaged: %2. Repair a copy?")
                                 .arg(QString::fromStdString(path), QString::fromStdString(InSentence(reason)));
    if (MessageBox(question.toStdString(), tr("Damaged file").toStdString(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return RepairOffer::Declined;

    const CString filter = tr(kRealMediaFilter).toStdString();
    CFileDialog dialog(FALSE, "rm", RepairedCopyName(path).c_str(), OFN_OVERWRITEPROMPT, filter.c_str());
    dialog.SetTitle(tr("Save the Repaired Copy As").toStdString());
    if (dialog.DoModal() != IDOK)
        return RepairOffer::Declined;
    const CString copy = dialog.GetPathName();
    // Neither the damaged file nor a listed one may take the copy.
    std::string problem = repairer.OutputPathProblem(copy);
    if (problem.empty())
        problem = m_muxer.OutputPathProblem(copy);
    if (!problem.empty()) {
        MessageBox(problem, tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return RepairOffer::Failed;
    }

    repairer.SetOutputPath(copy);
    if (!RunWithProgress(job, this, tr("Repairing into %1").arg(QFileInfo(QString::fromStdString(copy)).fileName()))) {
        MessageBox(tr("The repair could not be started").toStdString(), tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return RepairOffer::Failed;
    }
    if (job.outcome == MuxOutcome::Cancelled)
        return RepairOffer::Declined;
    if (job.outcome != MuxOutcome::Completed) {
        MessageBox(job.error, tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        return RepairOffer::Failed;
    }
    // The copy is whole: it is added as it is, with no offer of its own,
    // and its tip says what the repair did; the whole report on request.
    const std::size_t listed = m_sources.size();
    AddSource(copy, false);
    if (m_sources.size() == listed)
        return RepairOffer::Failed;
    const RepairReport report = ReportOfRepair(job);
    m_sources.back().repairSummary = report.summary;
    m_sources.back().repairReport = report.whole;
    if (MessageBox(tr("%1 was repaired into %2: %3\n\nShow the whole report?")
                       .arg(QString::fromStdString(path), QString::fromStdString(copy), report.summary)
                       .toStdString(),
                   tr("Repaired").toStdString(), MB_YESNO | MB_ICONINFORMATION)
        == IDYES)
        MessageBox(report.whole.toStdString(), tr("Repair report").toStdString(), MB_ICONINFORMATION | MB_OK);
    return RepairOffer::Added;
}
