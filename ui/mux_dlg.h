// The main dialog: the list of source files with their streams, the
// commands Add, Remove, Rename, Merge and Append, and the Start and End of
// the output; files dropped on it, or named on the command line, are added
// as Add adds them. It owns the muxer that carries the merge, and the
// program ends when it closes.
#pragma once

#include <cstdint>
#include <vector>
#include <QCoreApplication>
#include <QString>

#include "framework/dialog.h"
#include "framework/image_list.h"
#include "framework/tree_ctrl.h"
#include "mux/mux_job.h"
#include "mux/rm_muxer.h"
#include "mux/source_details.h"

// Where a file that can be added is damaged so that a merge stops reading
// it early (a packet the reader cannot get past, or fewer packets than its
// headers count), in words for the user; "" when it is not.
std::string DataDamage(const CString& path);

// What a repair did, in the dialog's words: one line, and the whole report.
struct RepairReport {
    QString summary, whole;
};

// The filter of the open and save dialogs, translated where it is used.
inline constexpr char kRealMediaFilter[] = QT_TRANSLATE_NOOP("CMuxDlg", "Real media (*.rm,*.rmvb)|*.rm;*.rmvb||");
// The other type an output may be saved as: a name, the same in every language.
inline constexpr char kMatroskaFilter[] = "Matroska (*.mkv)|*.mkv||";

class CMuxDlg : public CDialog {
    // tr(): the dialog's texts in the user's language.
    Q_DECLARE_TR_FUNCTIONS(CMuxDlg)

public:
    explicit CMuxDlg(CWnd* parent = nullptr);

    // The Merge command (the default button): the ticked streams side by side.
    void OnOK() override;
    // The Append command: the ticked streams of each listed file, one file
    // after another in list order.
    void OnAppend();

    // The source tree: file items at the root, one child per usable stream,
    // whose image and item data are its StreamKind. File items carry data 0.
    CTreeCtrl m_tree;
    int m_addPlugin = 0;
    // The Start and End fields as typed; empty for the sources' own start or end.
    CString m_start, m_end;
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
    // The Delete key in the list: Remove.
    void OnTreeKeyDown(NMHDR* pNMHDR, LRESULT* pResult);
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
        // A repaired copy: what the repair did, in a line for the tip and
        // whole; empty for any other file.
        QString repairSummary, repairReport;
    };

    // Scans the file and lists it with its usable streams, or tells the
    // user why it cannot be added. A damaged file is first offered for
    // repair (unless `offerRepair` is false), and its repaired copy is
    // added instead when the user wants one; a file that can be read as it
    // is is otherwise added as it is.
    void AddSource(const CString& path, bool offerRepair = true);
    // Adds each file as AddSource does; those past the most the list holds
    // are named in one message.
    void AddSources(const std::vector<CString>& paths);

    enum class RepairOffer {
        NotOffered,  // a repair cannot read the file either
        Declined,    // the user said No, cancelled the save dialog or the repair
        Failed,      // the repair failed, and the user was told why
        Added        // the repaired copy is listed
    };
    // Offers to repair a copy of the damaged file, `reason` saying what is
    // wrong with it, and adds the copy when the repair has written it.
    RepairOffer OfferRepair(const CString& path, const std::string& reason);
    // Sets selection[key] for every ticked stream; false, after telling
    // the user why, when the ticks cannot make a merge.
    bool CollectSelection(uint16_t selection[kStreamKeyCount]);
    // Why ticks cannot make an output, as the dialog words the muxer's verdict.
    CString SelectionRefusal(SelectionProblem problem) const;
    // The ticked streams of each listed file that has any, in list order.
    std::vector<JobInput> TickedInputs() const;
    // Reads Start and End into the job; false, after telling the user and
    // putting the field in front, when one is not a time.
    bool CollectRange(MuxJob& job);
    // Merge and Append from the ticks on: the checks, the save dialog, the
    // run with its progress dialog, and what the user is told after it.
    void WriteOutput(JobLayout layout);
    // What a repair did, from its job's report: one line, and the whole.
    static RepairReport ReportOfRepair(const MuxJob& job);
    // Tells the user why the command cannot go on; the dialog stays as it is.
    void Refuse(const QString& text);
    // The output's suggested name: beside the first source, after it, with
    // the extension its streams call for.
    CString SuggestedOutputName(const std::vector<JobInput>& inputs, bool trimmed) const;
    // Position of a file item among the root items.
    std::size_t SourcePosition(HTREEITEM fileItem) const;

    std::vector<Source> m_sources;  // one per file item, in tree order
};
