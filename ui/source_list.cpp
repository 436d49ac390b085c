// The commands that change the list of sources: Add, Remove and Rename.
#include <cstring>
#include <utility>

#include <QFileInfo>
#include <QStringList>

#include "framework/file_dialog.h"
#include "text/source_texts.h"
#include "ui/mux_dlg.h"
#include "ui/rename_dlg.h"

namespace {

constexpr int kFileImage = kUnknownStream;

// The muxer's message for a file it could not open: its sentence in the
// dialog's words, with the system's reason as given. Any other message as
// the muxer words it (a read that failed says at which byte, and why).
QString UnopenedText(const std::string& message)
{
    const std::string sentence = "The file cannot be opened: ";
    if (message.rfind(sentence, 0) != 0)
        return QString::fromStdString(message);
    return QCoreApplication::translate("CMuxDlg", "The file cannot be opened: %1")
        .arg(QString::fromStdString(message.substr(sentence.size())));
}

// Why the muxer refused a file, in the dialog's words; the details the
// muxer reads from the file's bytes stay as it words them.
QString RefusalText(const RmMuxer& muxer)
{
    switch (muxer.LastScanError()) {
    case ScanError::Invalid:
        return QCoreApplication::translate("CMuxDlg", "Invalid RM file or no usable streams");
    case ScanError::TooManyFiles:
        return QCoreApplication::translate("CMuxDlg", "No more than 10 files can be added");
    case ScanError::TooManyStreams:
        return QCoreApplication::translate("CMuxDlg",
                                           "The file has more than 10 usable streams, more than a merge can hold");
    case ScanError::StreamNumberTooHigh:
        return QCoreApplication::translate("CMuxDlg",
                                           "The file has a usable stream numbered above 9, which a merge cannot hold");
    case ScanError::StreamDataTooLarge:
        return QCoreApplication::translate(
            "CMuxDlg", "The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry");
    case ScanError::None:
    case ScanError::CannotOpen:
    case ScanError::CannotRead:
        break;
    }
    return UnopenedText(muxer.LastScanMessage());
}

}  // namespace

void CMuxDlg::OnAddFile()
{
    const CString filter = tr(kRealMediaFilter).toStdString();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                       filter.c_str());
    if (dialog.DoModal() != IDOK)
        return;
    AddSources(dialog.GetPathNames());
}

void CMuxDlg::AddSources(const std::vector<CString>& paths)
{
    QStringList notAdded;
    for (const CString& path : paths) {
        if (m_sources.size() >= static_cast<std::size_t>(kMaxSources))
            notAdded << QFileInfo(QString::fromStdString(path)).fileName();
        else
            AddSource(path);
    }
    if (!notAdded.isEmpty())
        MessageBox(tr("No more than 10 files can be added; not added: %1").arg(notAdded.join(QStringLiteral(", "))).toStdString(),
                   tr("Error").toStdString(), MB_ICONHAND | MB_OK);
}

void CMuxDlg::AddSource(const CString& path, bool offerRepair)
{
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    const int32_t count = m_muxer.Scan(path, names, kinds, numbers);
    if (count == 0) {
        // The muxer says why: not a usable RealMedia file, or past one of
        // its limits; and for an invalid file, what makes it so (that
        // detail, from the file's bytes, stays as the muxer words it). An
        // invalid file whose header section is intact is damaged: a repair
        // is offered.
        const std::string& reason = m_muxer.LastScanReason();
        if (offerRepair && m_muxer.LastScanError() == ScanError::Invalid
            && OfferRepair(path, reason.empty() ? m_muxer.LastScanMessage() : reason) != RepairOffer::NotOffered)
            return;
        Refuse(RefusalText(m_muxer) + QString::fromStdString(reason.empty() ? "" : "\n" + reason));
        return;
    }
    // The file's texts in UTF-8, as kestrova-cli shows them; taken before
    // the check below reuses the muxer's record.
    SourceDetails details = ScannedSourceDetails(m_muxer);
    text::ShowTextsAsUtf8(details);
    // A file a merge would refuse (one that holds no packets) is refused
    // here, in the engine's words, unless a repair can recover packets.
    // (Its first stream stands for the file: the packets are the file's.)
    MuxJob whole;
    whole.selection[m_muxer.LastScanSource() * 10 + numbers[0]] = 1;
    if (const std::string refusal = m_muxer.CheckJob(whole); !refusal.empty()) {
        m_muxer.RemoveSource(m_muxer.LastScanSource());
        if (!offerRepair || OfferRepair(path, refusal) == RepairOffer::NotOffered)
            Refuse(tr("%1 cannot be added: %2").arg(QString::fromStdString(path), QString::fromStdString(refusal)));
        return;
    }
    if (offerRepair) {
        // A file a merge would stop reading at its damage: the muxer lets go
        // of it while a repaired copy is offered, and it is added as it is
        // unless the copy is.
        if (const std::string damage = DataDamage(path); !damage.empty()) {
            m_muxer.RemoveSource(m_muxer.LastScanSource());
            if (OfferRepair(path, damage) != RepairOffer::Added)
                AddSource(path, false);
            return;
        }
    }

    HTREEITEM file = m_tree.InsertItem(path, kFileImage, kFileImage);
    for (int32_t i = 0; i < count; ++i) {
        HTREEITEM stream = m_tree.InsertItem(names[i], kinds[i], kinds[i], file);
        m_tree.SetItemData(stream, static_cast<DWORD_PTR>(kinds[i]));
    }
    m_sources.push_back({m_muxer.LastScanSource(), {numbers, numbers + count}, std::move(details), {}, {}});
    m_tree.Expand(file, TVE_EXPAND);
    m_tree.EnsureVisible(file);
}

void CMuxDlg::OnRemoveFile()
{
    HTREEITEM item = m_tree.GetNextItem(nullptr, TVGN_CARET);
    if (!item)
        return;
    if (m_tree.GetNextItem(item, TVGN_PARENT)) {
        MessageBox(tr("Only files can be removed").toStdString(), tr("Warning").toStdString(), MB_ICONHAND | MB_OK);
        return;
    }
    // The muxer lets go of the file, and every later file keeps its index.
    const auto source = m_sources.begin() + static_cast<std::ptrdiff_t>(SourcePosition(item));
    m_muxer.RemoveSource(source->fileIndex);
    m_sources.erase(source);
    m_tree.DeleteItem(item);
}

void CMuxDlg::OnRenameStream()
{
    CRenameDlg dialog;
    HTREEITEM item = m_tree.GetNextItem(nullptr, TVGN_CARET);
    if (!item)
        return;
    // Video streams carry data 0, and so do file items.
    if (m_tree.GetItemData(item) == kVideoStream) {
        MessageBox(tr("Video streams can not be renamed").toStdString(), tr("Warning").toStdString(),
                   MB_ICONHAND | MB_OK);
        return;
    }
    dialog.SetName(m_tree.GetItemText(item));
    if (dialog.DoModal() == IDOK)
        m_tree.SetItemText(item, dialog.GetName());
}

std::size_t CMuxDlg::SourcePosition(HTREEITEM fileItem) const
{
    std::size_t position = 0;
    for (HTREEITEM item = m_tree.GetNextItem(nullptr, TVGN_ROOT); item && item != fileItem;
         item = m_tree.GetNextItem(item, TVGN_NEXT))
        ++position;
    return position;
}
