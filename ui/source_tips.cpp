// The tips of the source tree: a file's title, author and duration, and a
// stream's codec and figures, the line kestrova-cli list shows.
#include <cstdio>

#include "ui/mux_dlg.h"

namespace {

// "m:ss", or "h:mm:ss" from an hour on.
CString FormatDuration(uint32_t ms)
{
    const uint32_t seconds = ms / 1000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
    return text;
}

CString FileTip(const SourceDetails& details)
{
    // The file's own texts and the figures stay as they are; the labels are the dialog's.
    QString tip;
    if (!details.title.empty())
        tip += QCoreApplication::translate("CMuxDlg", "Title: %1").arg(QString::fromStdString(details.title)) + "\n";
    if (!details.author.empty())
        tip += QCoreApplication::translate("CMuxDlg", "Author: %1").arg(QString::fromStdString(details.author)) + "\n";
    return (tip + QCoreApplication::translate("CMuxDlg", "Duration: %1")
                      .arg(QString::fromStdString(FormatDuration(details.durationMs))))
        .toStdString();
}

}  // namespace

void CMuxDlg::OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* request = reinterpret_cast<NMTVGETINFOTIPA*>(pNMHDR);
    *pResult = 0;
    HTREEITEM file = m_tree.GetNextItem(request->hItem, TVGN_PARENT);
    const bool isStream = file != nullptr;
    if (!isStream)
        file = request->hItem;
    const SourceDetails& details = m_sources[SourcePosition(file)].details;

    CString tip;
    if (isStream) {
        std::size_t position = 0;
        for (HTREEITEM item = m_tree.GetNextItem(file, TVGN_CHILD); item && item != request->hItem;
             item = m_tree.GetNextItem(item, TVGN_NEXT))
            ++position;
        tip = StreamSummary(details.streams[position]);
    } else {
        tip = FileTip(details);
    }
    std::snprintf(request->pszText, static_cast<std::size_t>(request->cchTextMax), "%s", tip.c_str());
}
