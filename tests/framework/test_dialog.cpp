#include "test_dialog.h"

#include <cstdio>

const ResourceModule& TestResources()
{
    constexpr DWORD kChild = WS_VISIBLE | WS_TABSTOP;
    static const ResourceModule module{
        .dialogs = {{
            .id = kTestDialog,
            .caption = "Test dialog",
            .cx = 200,
            .cy = 100,
            .fontName = "MS Sans Serif",
            .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
            .controls = {
                {.id = IDOK, .windowClass = "button", .text = "OK", .x = 140, .y = 7, .cx = 50, .cy = 14,
                 .style = kChild | BS_DEFPUSHBUTTON},
                {.id = IDCANCEL, .windowClass = "button", .text = "Cancel", .x = 140, .y = 24, .cx = 50, .cy = 14,
                 .style = kChild},
                {.id = kEdit, .windowClass = "edit", .x = 7, .y = 7, .cx = 120, .cy = 12, .style = kChild},
                {.id = kCheck, .windowClass = "button", .text = "Check", .x = 7, .y = 24, .cx = 60, .cy = 10,
                 .style = kChild | BS_AUTOCHECKBOX},
                {.id = kTree, .windowClass = "SysTreeView32", .x = 7, .y = 40, .cx = 120, .cy = 40,
                 .style = kChild | TVS_CHECKBOXES | TVS_INFOTIP | TVS_HASLINES},
                {.id = kCount, .windowClass = "button", .text = "Count", .x = 140, .y = 41, .cx = 50, .cy = 14,
                 .style = kChild},
                {.id = kHidden, .windowClass = "button", .text = "Hidden", .x = 140, .y = 58, .cx = 50, .cy = 14,
                 .style = WS_TABSTOP},
                {.id = kProgress, .windowClass = "msctls_progress32", .x = 7, .y = 85, .cx = 120, .cy = 10,
                 .style = WS_VISIBLE},
            },
        }},
        .icons = {},
        .strings = {},
    };
    return module;
}

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
    ON_BN_CLICKED(kCount, OnCount)
    ON_NOTIFY(TVN_ITEMEXPANDINGA, kTree, OnExpanding)
    ON_NOTIFY(TVN_GETINFOTIPA, kTree, OnGetInfoTip)
    ON_WM_SYSCOMMAND()
    ON_WM_TIMER()
END_MESSAGE_MAP()

void CTestDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kEdit, m_text);
    DDV_MaxChars(pDX, m_text, kMaxText);
    DDX_Check(pDX, kCheck, m_check);
    DDX_Control(pDX, kTree, m_tree);
    DDX_Control(pDX, kProgress, m_progress);
}

void CTestDlg::OnExpanding(NMHDR* pNMHDR, LRESULT* pResult)
{
    const auto* notification = reinterpret_cast<NMTREEVIEW*>(pNMHDR);
    m_expandActions.push_back(notification->action);
    *pResult = m_refuseCollapse && notification->action == TVE_COLLAPSE;
}

void CTestDlg::OnGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* tip = reinterpret_cast<NMTVGETINFOTIPA*>(pNMHDR);
    m_tipRequests.emplace_back(tip->hItem, tip->lParam);
    std::snprintf(tip->pszText, static_cast<std::size_t>(tip->cchTextMax), "%s", m_tips[tip->hItem].c_str());
    *pResult = 0;
}

void CTestDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    m_systemCommands.push_back(nID);
    CDialog::OnSysCommand(nID, lParam);
}

void CTestDlg::OnTimer(UINT_PTR nIDEvent)
{
    m_timers.push_back(nIDEvent);
    if (m_timers.size() == 3)
        EndDialog(IDOK);
}
