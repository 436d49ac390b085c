// The Start and End fields: the part of the output to write, in the times
// the command line takes ("90.5", "1:30", "0:01:30.250").
#include <QString>

#include "mux/media_time.h"
#include "ui/mux_dlg.h"
#include "ui/resource.h"

bool CMuxDlg::CollectRange(MuxJob& job)
{
    const struct {
        const CString& typed;
        std::optional<uint32_t>& ms;
        QString notATime;
        int id;
    } fields[] = {
        {m_start, job.startMs, tr("Start \"%1\" is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)"),
         IDC_START},
        {m_end, job.endMs, tr("End \"%1\" is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)"),
         IDC_END}};
    for (const auto& field : fields) {
        // Spaces around a time are no part of it; a field of spaces is empty.
        const QString text = QString::fromStdString(field.typed).trimmed();
        if (text.isEmpty())
            continue;
        field.ms = parseMediaTime(text.toStdString());
        if (!field.ms) {
            MessageBox(field.notATime.arg(text).toStdString(), tr("Error").toStdString(), MB_ICONHAND | MB_OK);
            GotoDlgCtrl(GetDlgItem(field.id));
            return false;
        }
    }
    if (job.startMs && job.endMs && *job.endMs <= *job.startMs) {
        MessageBox(tr("End (%1) must come after Start (%2)")
                       .arg(QString::fromStdString(formatMediaTime(*job.endMs)),
                            QString::fromStdString(formatMediaTime(*job.startMs)))
                       .toStdString(),
                   tr("Error").toStdString(), MB_ICONHAND | MB_OK);
        GotoDlgCtrl(GetDlgItem(IDC_END));
        return false;
    }
    return true;
}
