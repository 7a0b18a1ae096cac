#include "accounts/group_props_dlg.h"

#include "accounts/group_plan.h"
#include "accounts/list_entries.h"
#include "accounts/select_group_dlg.h"
#include "platform/net/status_text.h"
#include "res/accounts_resource.h"

#include <algorithm>

using namespace accounts;

BEGIN_MESSAGE_MAP(CGroupPropsDlg, CDialog)
ON_BN_CLICKED(res::IDC_GROUP_SELECT_GROUP, &CGroupPropsDlg::OnSelectGroup)
ON_LBN_SETFOCUS(res::IDC_GROUP_MEMBERS, &CGroupPropsDlg::OnSetfocusMembers)
ON_LBN_SETFOCUS(res::IDC_GROUP_OTHERS, &CGroupPropsDlg::OnSetfocusOthers)
ON_BN_CLICKED(res::IDC_GROUP_MOVE, &CGroupPropsDlg::OnMove)
ON_BN_CLICKED(res::IDC_GROUP_REMOVE, &CGroupPropsDlg::OnRemove)
ON_BN_CLICKED(res::IDC_GROUP_COPY_TO_MEMBERS, &CGroupPropsDlg::OnCopyToMembers)
ON_BN_CLICKED(res::IDC_GROUP_COPY_TO_OTHERS, &CGroupPropsDlg::OnCopyToOthers)
END_MESSAGE_MAP()

namespace {

// A group's members, read whole.
net::Status Members(net::NetApi& api, const std::string& server, const std::string& group,
                    std::vector<std::string>& names)
{
    std::vector<net::GROUP_USERS_INFO_0> members;
    const net::Status status = api.GroupGetUsers(server, group, members);
    names.clear();
    for (const auto& m : members)
        names.push_back(m.grui0_name);
    return status;
}

}  // namespace

CGroupPropsDlg::CGroupPropsDlg(net::NetApi& api, CWnd* pParent) : CDialog(res::IDD_GROUP_PROPS, pParent), m_api(api) { }

const std::string& CGroupPropsDlg::Server() const
{
    return ServerOf(m_pServerName);
}

void CGroupPropsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::IDC_GROUP_REMOVE, m_btnRemove);
    DDX_Control(pDX, res::IDC_GROUP_COPY_TO_OTHERS, m_btnCopyToOthers);
    DDX_Control(pDX, res::IDC_GROUP_COPY_TO_MEMBERS, m_btnCopyToMembers);
    DDX_Control(pDX, res::IDC_GROUP_MOVE, m_btnMove);
    DDX_Control(pDX, res::IDC_GROUP_SELECT_GROUP, m_btnSelectGroup);
    DDX_Control(pDX, res::IDC_GROUP_OTHERS, m_listOthers);
    DDX_Control(pDX, res::IDC_GROUP_MEMBERS, m_listMembers);
    DDX_Text(pDX, res::IDC_GROUP_OTHERS_LABEL, m_strOthersLabel);
    DDX_Text(pDX, res::IDC_GROUP_DESCRIPTION, m_strDescription);
    DDX_Text(pDX, res::IDC_GROUP_NAME, m_strGroupName);
}

bool CGroupPropsDlg::Load(net::Status& status)
{
    net::GROUP_INFO_2 info;
    status = m_strGroup.empty() ? net::NERR_GroupNotFound : m_api.GroupGetInfo(Server(), m_strGroup, info);
    if (status == net::NERR_Success)
        status = Members(m_api, Server(), m_strGroup, m_membersAtRead);
    if (status != net::NERR_Success)
        return false;
    m_descriptionAtRead = info.grpi2_comment;
    // The accounts that are not members; an unreadable account list leaves the right
    // list empty, which OK never writes without a partner.
    std::vector<net::USER_INFO_0> accounts;
    m_nonMembers.clear();
    if (m_api.UserEnum(Server(), net::FILTER_NORMAL_ACCOUNT, accounts) == net::NERR_Success) {
        const std::vector<std::string>& members = m_membersAtRead;
        for (const auto& a : accounts)
            if (std::find(members.begin(), members.end(), a.usri0_name) == members.end())
                m_nonMembers.push_back(a.usri0_name);
    }
    return true;
}

BOOL CGroupPropsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bNoPartner = 1;
    m_strPartnerGroup.clear();
    m_partnerAtRead.clear();
    m_strGroupName = m_strGroup;
    m_strDescription = m_descriptionAtRead;
    m_strOthersLabel = res::STR_NOT_MEMBERS_OF;
    static_cast<CEdit*>(GetDlgItem(res::IDC_GROUP_DESCRIPTION))->SetLimitText(res::kUserEditLimit);
    FillList(m_listMembers, m_membersAtRead);
    FillList(m_listOthers, m_nonMembers);
    UpdateData(FALSE);
    return TRUE;
}

void CGroupPropsDlg::OnSelectGroup()
{
    CSelectGroupDlg select(m_api);
    select.m_pServerName = m_pServerName;
    select.m_strGroup = m_strGroup;
    if (select.DoModal() != IDOK)
        return;
    std::vector<std::string> members;
    const net::Status status = Members(m_api, Server(), select.m_strGroup, members);
    if (status != net::NERR_Success) {
        // The previous partner (or none) stays.
        MessageBox((std::string(res::STR_GROUP_UNREADABLE) + "\n" + select.m_strGroup + "\n" + net::StatusText(status))
                       .c_str());
        return;
    }
    m_strPartnerGroup = select.m_strGroup;
    m_partnerAtRead = std::move(members);
    FillPartnerList();
}

void CGroupPropsDlg::FillPartnerList()
{
    UpdateData(TRUE);
    FillList(m_listOthers, m_partnerAtRead);
    m_strOthersLabel = m_strPartnerGroup;
    m_bNoPartner = 0;
    UpdateData(FALSE);
}

void CGroupPropsDlg::OnSetfocusMembers()
{
    m_listOthers.SetSel(-1, FALSE);
    m_btnMove.EnableWindow(FALSE);
    m_btnRemove.EnableWindow(TRUE);
    if (!m_bNoPartner) {
        m_btnCopyToMembers.EnableWindow(FALSE);
        m_btnCopyToOthers.EnableWindow(TRUE);
    }
}

void CGroupPropsDlg::OnSetfocusOthers()
{
    m_listMembers.SetSel(-1, FALSE);
    m_btnMove.EnableWindow(TRUE);
    m_btnRemove.EnableWindow(FALSE);
    if (!m_bNoPartner) {
        m_btnCopyToMembers.EnableWindow(TRUE);
        m_btnCopyToOthers.EnableWindow(FALSE);
    }
}

void CGroupPropsDlg::DisableSelectGroup()
{
    m_btnSelectGroup.EnableWindow(FALSE);
}

void CGroupPropsDlg::TransferBetween(CListBox& source, CListBox& destination, bool move)
{
    const auto tell = [this](const std::string& name) {
        MessageBox((std::string(res::STR_ALREADY_MEMBER) + name).c_str());
    };
    const auto ask = [this](const std::string& name) {
        const std::string text = std::string(res::STR_ALREADY_MEMBER) + name + "\n" + res::STR_MOVE_EXISTS + "\n" +
                                 res::STR_REMOVING_WARNING;
        return MessageBox(text.c_str(), res::STR_WARNING, MB_YESNO | MB_ICONHAND | MB_DEFBUTTON2) == IDYES;
    };
    const TransferOutcome outcome =
        Transfer(ListEntries(source), source.GetSelItems(), ListEntries(destination), move, tell, ask);
    if (!outcome.changed)
        return;
    DisableSelectGroup();
    FillList(source, outcome.source);
    FillList(destination, outcome.destination);
}

void CGroupPropsDlg::OnMove()
{
    TransferBetween(m_listOthers, m_listMembers, true);
}

void CGroupPropsDlg::OnRemove()
{
    TransferBetween(m_listMembers, m_listOthers, true);
}

void CGroupPropsDlg::OnCopyToMembers()
{
    TransferBetween(m_listOthers, m_listMembers, false);
}

void CGroupPropsDlg::OnCopyToOthers()
{
    TransferBetween(m_listMembers, m_listOthers, false);
}

void CGroupPropsDlg::CommitMembers(const std::string& group, const std::vector<std::string>& atRead,
                                   const CListBox& list)
{
    const MemberChanges changes = PlanMemberChanges(atRead, ListEntries(list));
    // An addition of a member already in, or a removal of one already gone, is done.
    for (const std::string& user : changes.add) {
        const net::Status status = m_api.GroupAddUser(Server(), group, user);
        if (status != net::NERR_Success && status != net::ERROR_MEMBER_IN_GROUP)
            MessageBox((res::STR_COULD_NOT_ADD_USER + user + "\n" + net::StatusText(status)).c_str());
    }
    for (const std::string& user : changes.remove) {
        const net::Status status = m_api.GroupDelUser(Server(), group, user);
        if (status != net::NERR_Success && status != net::ERROR_MEMBER_NOT_IN_GROUP)
            MessageBox((res::STR_COULD_NOT_REMOVE_USER + user + "\n" + net::StatusText(status)).c_str());
    }
}

void CGroupPropsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_strDescription != m_descriptionAtRead) {
        net::GROUP_INFO_2 info;
        info.grpi2_name = m_strGroup;
        info.grpi2_comment = m_strDescription;
        if (m_api.GroupSetInfo(Server(), m_strGroup, info) != net::NERR_Success)
            MessageBox(res::STR_GROUP_WRITE_FAILED);
    }
    CommitMembers(m_strGroup, m_membersAtRead, m_listMembers);
    if (!m_bNoPartner)
        CommitMembers(m_strPartnerGroup, m_partnerAtRead, m_listOthers);
    CDialog::OnOK();
}
