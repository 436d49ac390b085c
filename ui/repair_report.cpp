// What a repair did, as the dialog shows it: a line for the repaired
// copy's tip, and the whole report (every region of damage passed over,
// each stream's packets recovered and index records built, the warnings)
// when the user asks for it.
#include <QCoreApplication>

#include "rm/input_file.h"
#include "ui/mux_dlg.h"

namespace {

QString Bytes(uint64_t n)
{
    return QString::fromStdString(rm::formatOffset(n));
}

}  // namespace

RepairReport CMuxDlg::ReportOfRepair(const MuxJob& job)
{
    uint64_t skipped = 0;
    uint32_t packets = 0;
    for (const DamagedRegion& region : job.damage)
        skipped += region.skipped;
    for (const StreamReport& stream : job.streams)
        packets += stream.packets;
    RepairReport report;
    if (job.damage.empty() && job.findings.empty())
        report.summary = tr("no damage found; %1 packets copied").arg(packets);
    else if (job.damage.empty())
        report.summary = QString::fromStdString(job.findings.front());  // in the engine's words, as a warning
    else
        report.summary = tr("%1 damaged regions passed over (%2 bytes); %3 packets recovered")
                             .arg(job.damage.size())
                             .arg(Bytes(skipped), QString::number(packets));
    // A summary that is the first finding is not said twice.
    QStringList lines;
    if (!job.damage.empty() || job.findings.empty())
        lines << report.summary;
    for (const DamagedRegion& region : job.damage) {
        QStringList streams;
        for (uint16_t o : region.streams)
            streams << QString::number(o);
        lines << tr("Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4")
                     .arg(Bytes(region.first), Bytes(region.end), Bytes(region.skipped),
                          streams.isEmpty() ? tr("none") : streams.join(QStringLiteral(", ")));
    }
    for (const std::string& finding : job.findings)
        lines << QString::fromStdString(finding);
    for (std::size_t o = 0; o < job.streams.size(); ++o)
        lines << tr("Stream %1: %2 packets recovered, %3 index records built")
                     .arg(o)
                     .arg(job.streams[o].packets)
                     .arg(job.streams[o].indexBuilt);
    for (const MergeWarning& warning : job.warnings)
        lines << QString::fromStdString(warning.message());
    report.whole = lines.join(QStringLiteral("\n"));
    return report;
}
