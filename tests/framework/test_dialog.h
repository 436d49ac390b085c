// A dialog of every control kind the layer knows, with handlers that
// record what reached them.
#pragma once

#include <map>
#include <vector>

#include "framework/dialog.h"
#include "framework/progress_ctrl.h"
#include "framework/resources.h"
#include "framework/tree_ctrl.h"

inline constexpr UINT kTestDialog = 200;
inline constexpr int kEdit = 300;
inline constexpr int kCheck = 301;
inline constexpr int kTree = 302;
inline constexpr int kCount = 303;
inline constexpr int kHidden = 304;
inline constexpr int kProgress = 305;
inline constexpr int kMaxText = 5;

const ResourceModule& TestResources();

class CTestDlg : public CDialog {
public:
    CTestDlg() : CDialog(kTestDialog) {}

    CString m_text;
    int m_check = 0;
    CTreeCtrl m_tree;
    CProgressCtrl m_progress;

    int m_counted = 0;
    bool m_refuseCollapse = true;
    std::vector<UINT> m_expandActions;
    // The tips the tree asks for (item and item data), and the answers.
    std::vector<std::pair<HTREEITEM, LPARAM>> m_tipRequests;
    std::map<HTREEITEM, CString> m_tips;
    std::vector<UINT> m_systemCommands;
    std::vector<UINT_PTR> m_timers;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCount() { ++m_counted; }
    void OnExpanding(NMHDR* pNMHDR, LRESULT* pResult);
    void OnGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()
};
