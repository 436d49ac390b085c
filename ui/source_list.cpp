// The commands that change the list of sources: Add, Remove and Rename.
#include <cstring>

#include "framework/file_dialog.h"
#include "ui/mux_dlg.h"
#include "ui/rename_dlg.h"

namespace {
constexpr int kFileImage = kUnknownStream;
}

void CMuxDlg::OnAddFile()
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                       kRealMediaFilter);
    if (dialog.DoModal() != IDOK)
        return;
    for (const CString& path : dialog.GetPathNames())
        AddSource(path);
}

void CMuxDlg::AddSource(const CString& path, bool offerRepair)
{
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    const int32_t count = m_muxer.Scan(path, names, kinds, numbers);
    if (count == 0) {
        // The muxer says why: not a usable RealMedia file, or past one of
        // its limits; and for an invalid file, what makes it so. An invalid
        // file whose header section is intact is damaged: a repair is offered.
        const std::string& reason = m_muxer.LastScanReason();
        if (offerRepair && m_muxer.LastScanError() == ScanError::Invalid
            && OfferRepair(path, reason.empty() ? m_muxer.LastScanMessage() : reason) != RepairOffer::NotOffered)
            return;
        MessageBox(m_muxer.LastScanMessage() + (reason.empty() ? "" : "\n" + reason), "Error", MB_ICONHAND | MB_OK);
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
    m_sources.push_back({m_muxer.LastScanSource(), {numbers, numbers + count}, ScannedSourceDetails(m_muxer)});
    m_tree.Expand(file, TVE_EXPAND);
    m_tree.EnsureVisible(file);
}

void CMuxDlg::OnRemoveFile()
{
    HTREEITEM item = m_tree.GetNextItem(nullptr, TVGN_CARET);
    if (!item)
        return;
    if (m_tree.GetNextItem(item, TVGN_PARENT)) {
        MessageBox("Only files can be removed", "Warning", MB_ICONHAND | MB_OK);
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
        MessageBox("Video streams can not be renamed", "Warning", MB_ICONHAND | MB_OK);
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
