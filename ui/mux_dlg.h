// The main dialog: the list of source files with their streams, and the
// commands Add, Remove, Rename and Merge; files dropped on it, or named on
// the command line, are added as Add adds them. It owns the muxer that
// carries the merge, and the program ends when it closes.
#pragma once

#include <cstdint>
#include <vector>
#include <QCoreApplication>

#include "framework/dialog.h"
#include "framework/image_list.h"
#include "framework/tree_ctrl.h"
#include "mux/mux_job.h"
#include "mux/rm_muxer.h"
#include "mux/source_details.h"

// The filter of the open and save dialogs, translated where it is used.
inline constexpr char kRealMediaFilter[] = QT_TRANSLATE_NOOP("CMuxDlg", "Real media (*.rm,*.rmvb)|*.rm;*.rmvb||");

class CMuxDlg : public CDialog {
    // tr(): the dialog's texts in the user's language.
    Q_DECLARE_TR_FUNCTIONS(CMuxDlg)

public:
    explicit CMuxDlg(CWnd* parent = nullptr);

    // The Merge command (the default button).
    void OnOK() override;

    // The source tree: file items at the root, one child per usable stream,
    // whose image and item data are its StreamKind. File items carry data 0.
    CTreeCtrl m_tree;
    int m_addPlugin = 0;
    RmMuxer m_muxer;
    MuxJob m_job;
    // Files added, in order, once the dialog is shown.
    std::vector<CString> m_filesToOpen;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnAddFile();
    void OnRemoveFile();
    void OnTreeItemExpanding(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRenameStream();
    void OnDropFiles(HDROP hDropInfo);
    LRESULT OnOpenFiles(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

    HICON m_hIcon;
    CImageList m_imageList;

private:
    // A listed file: the muxer's index of it, which stays the same when
    // files before it are removed from the tree, the stream_number of
    // each listed stream, in list order, and the details its tips show.
    struct Source {
        uint16_t fileIndex;
        std::vector<uint16_t> streamNumbers;
        SourceDetails details;
    };

    // Scans the file and lists it with its usable streams, or tells the
    // user why it cannot be added.
    void AddSource(const CString& path);
    // Sets selection[key] for every ticked stream; false, after telling
    // the user why, when the ticks cannot make a merge.
    bool CollectSelection(uint16_t selection[kStreamKeyCount]);
    // Position of a file item among the root items.
    std::size_t SourcePosition(HTREEITEM fileItem) const;

    std::vector<Source> m_sources;  // one per file item, in tree order
};
