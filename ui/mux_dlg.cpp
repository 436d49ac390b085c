// The main dialog's shell: construction, initialisation, the system menu,
// the minimised icon, the tree that never collapses, and the files it is
// given by a drop or on the command line.
#include "ui/mux_dlg.h"

#include "framework/app.h"
#include "framework/paint_dc.h"
#include "framework/resources.h"
#include "ui/about_dlg.h"
#include "ui/resource.h"

namespace {
// Posted once the dialog is shown, to add the files named on the command line.
constexpr UINT WM_OPEN_FILES = WM_USER;
}  // namespace

BEGIN_MESSAGE_MAP(CMuxDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_APPEND, OnAppend)
    ON_BN_CLICKED(IDC_ADD, OnAddFile)
    ON_BN_CLICKED(IDC_REMOVE, OnRemoveFile)
    ON_NOTIFY(TVN_ITEMEXPANDINGA, IDC_SOURCE_TREE, OnTreeItemExpanding)
    ON_NOTIFY(TVN_GETINFOTIPA, IDC_SOURCE_TREE, OnTreeGetInfoTip)
    ON_NOTIFY(TVN_KEYDOWN, IDC_SOURCE_TREE, OnTreeKeyDown)
    ON_BN_CLICKED(IDC_RENAME, OnRenameStream)
    ON_WM_DROPFILES()
    ON_MESSAGE(WM_OPEN_FILES, OnOpenFiles)
END_MESSAGE_MAP()

CMuxDlg::CMuxDlg(CWnd* parent) : CDialog(IDD_MUX_DIALOG, parent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)) {}

void CMuxDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SOURCE_TREE, m_tree);
    DDX_Check(pDX, IDC_ADD_PLUGIN, m_addPlugin);
    DDX_Text(pDX, IDC_START, m_start);
    DDX_Text(pDX, IDC_END, m_end);
}

BOOL CMuxDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        const CString about = AfxLoadString(IDS_ABOUTBOX);
        if (!about.empty()) {
            systemMenu->AppendMenu(MF_SEPARATOR);
            systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Image indexes are StreamKind values: video, audio, then unknown (also files).
    m_imageList.Create(16, 16, ILC_COLOR8, 0, 4);
    m_imageList.Add(AfxGetApp()->LoadIcon(IDI_VIDEO));
    m_imageList.Add(AfxGetApp()->LoadIcon(IDI_AUDIO));
    m_imageList.Add(AfxGetApp()->LoadIcon(IDI_DOCUMENT));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);

    DragAcceptFiles();
    // Added once the dialog is on the screen, so that a message about a
    // file stands over it.
    if (!m_filesToOpen.empty())
        PostMessage(WM_OPEN_FILES);
    return TRUE;
}

LRESULT CMuxDlg::OnOpenFiles(WPARAM, LPARAM)
{
    AddSources(m_filesToOpen);
    m_filesToOpen.clear();
    return 0;
}

void CMuxDlg::OnDropFiles(HDROP hDropInfo)
{
    const UINT count = DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr);
    std::vector<CString> paths(count);
    for (UINT i = 0; i < count; ++i)
        DragQueryFile(hDropInfo, i, &paths[i]);
    AddSources(paths);
}

void CMuxDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CMuxDlg::OnPaint()
{
    if (!IsIconic())
        return CDialog::OnPaint();
    // Minimised: the icon, centred in the client area.
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    dc.DrawIcon((rect.Width() - cxIcon + 1) / 2, (rect.Height() - cyIcon + 1) / 2, m_hIcon);
}

void CMuxDlg::OnTreeKeyDown(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    if (reinterpret_cast<NMTVKEYDOWN*>(pNMHDR)->wVKey == VK_DELETE)
        OnRemoveFile();
}

void CMuxDlg::OnTreeItemExpanding(NMHDR* pNMHDR, LRESULT* pResult)
{
    // Items may be expanded, never collapsed.
    *pResult = reinterpret_cast<NMTREEVIEW*>(pNMHDR)->action == TVE_COLLAPSE;
}
