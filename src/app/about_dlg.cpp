#include "app/about_dlg.h"

#include "res/about_resource.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(res::IDD_ABOUTBOX, pParent), m_strVersion(""), m_strBuild("") { }

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::IDC_HISTORY, m_listHistory);
    DDX_Text(pDX, res::IDC_VERSION, m_strVersion);
    DDX_Text(pDX, res::IDC_BUILD, m_strBuild);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();

    m_listHistory.AddString(res::STR_HISTORY_HEADING);
    for (const char* line : res::HISTORY_LINES)
        m_listHistory.AddString(line);

    UpdateData(FALSE);
    return TRUE;
}
