#include "accounts/select_group_dlg.h"

#include "res/accounts_resource.h"

BEGIN_MESSAGE_MAP(CSelectGroupDlg, CDialog)
ON_LBN_DBLCLK(res::IDC_SELECT_GROUPS, &CSelectGroupDlg::OnDblclkGroups)
END_MESSAGE_MAP()

CSelectGroupDlg::CSelectGroupDlg(net::NetApi& api, CWnd* pParent) : CDialog(res::IDD_SELECT_GROUP, pParent), m_api(api)
{
}

void CSelectGroupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::IDC_SELECT_GROUPS, m_listGroups);
}

BOOL CSelectGroupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Every group, read whole; a failed read leaves the list empty, so only Cancel is left.
    std::vector<net::GROUP_INFO_0> groups;
    if (m_pServerName && m_api.GroupEnum(*m_pServerName, groups) == net::NERR_Success) {
        std::vector<std::string> names;
        for (const auto& g : groups)
            if (g.grpi0_name != m_strGroup)
                names.push_back(g.grpi0_name);
        m_listGroups.AddStrings(std::move(names));
    }
    UpdateData(TRUE);
    return TRUE;
}

void CSelectGroupDlg::OnOK()
{
    const int selected = m_listGroups.GetCurSel();
    if (selected < 0) {
        EndDialog(IDCANCEL);
        return;
    }
    CString name;
    m_listGroups.GetText(selected, name);
    m_strGroup = name;
    CDialog::OnOK();
}

void CSelectGroupDlg::OnDblclkGroups()
{
    OnOK();
}
