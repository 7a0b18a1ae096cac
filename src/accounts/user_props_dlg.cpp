#include "accounts/user_props_dlg.h"

#include "accounts/list_entries.h"
#include "enum/users_lines.h"
#include "platform/net/status_text.h"
#include "res/accounts_resource.h"

#include <algorithm>

using namespace accounts;

BEGIN_MESSAGE_MAP(CUserPropsDlg, CDialog)
ON_BN_CLICKED(res::IDC_USER_ADD, &CUserPropsDlg::OnAdd)
ON_BN_CLICKED(res::IDC_USER_REMOVE, &CUserPropsDlg::OnRemove)
END_MESSAGE_MAP()

namespace {

template <class T, class F>
std::vector<std::string> NamesOf(const std::vector<T>& list, F name)
{
    std::vector<std::string> names;
    for (const T& item : list)
        names.push_back(name(item));
    return names;
}

void Wipe(std::string& text)
{
    std::fill(text.begin(), text.end(), '\0');
    text.clear();
}

}  // namespace

CUserPropsDlg::CUserPropsDlg(net::NetApi& api, CWnd* pParent) : CDialog(res::IDD_USER_PROPS, pParent), m_api(api) { }

CUserPropsDlg::~CUserPropsDlg()
{
    ClearPasswords();
}

void CUserPropsDlg::ClearPasswords()
{
    Wipe(m_strPassword);
    Wipe(m_strConfirmPassword);
    if (m_userInfo.usri3_password)
        Wipe(*m_userInfo.usri3_password);
}

const std::string& CUserPropsDlg::Server() const
{
    return ServerOf(m_pServerName);
}

void CUserPropsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::IDC_USER_NOT_MEMBER_OF, m_listNotMemberOf);
    DDX_Control(pDX, res::IDC_USER_MEMBER_OF, m_listMemberOf);
    DDX_Check(pDX, res::IDC_USER_CANNOT_CHANGE, m_bCannotChangePassword);
    DDX_Text(pDX, res::IDC_USER_LAST_LOGON, m_strLastLogon);
    DDX_Text(pDX, res::IDC_USER_DESCRIPTION, m_strDescription);
    DDX_Text(pDX, res::IDC_USER_FULL_NAME, m_strFullName);
    DDX_Text(pDX, res::IDC_USER_PASSWORD, m_strPassword);
    DDX_Text(pDX, res::IDC_USER_CONFIRM, m_strConfirmPassword);
    DDX_Text(pDX, res::IDC_USER_NAME, m_strUserName);
    DDX_Check(pDX, res::IDC_USER_DISABLED, m_bAccountDisabled);
    DDX_Check(pDX, res::IDC_USER_MUST_CHANGE, m_bMustChangePassword);
    DDX_Check(pDX, res::IDC_USER_NEVER_EXPIRES, m_bPasswordNeverExpires);
    DDX_Check(pDX, res::IDC_USER_LOCKED_OUT, m_bLockedOut);
}

bool CUserPropsDlg::Load(net::Status& status)
{
    m_strUserName = NameOfRow(m_strRowText);
    status = m_api.UserGetInfo(Server(), m_strUserName, m_userInfo);
    if (status != net::NERR_Success)
        return false;
    // A list that can't be read contributes nothing; the others still show.
    MembershipReads reads;
    std::vector<net::GROUP_INFO_0> globals;
    std::vector<net::LOCALGROUP_INFO_0> locals;
    std::vector<net::GROUP_USERS_INFO_1> userGlobals;
    std::vector<net::LOCALGROUP_USERS_INFO_0> indirect, direct;
    if (m_api.GroupEnum(Server(), globals) == net::NERR_Success)
        reads.allGlobal = NamesOf(globals, [](const auto& g) { return g.grpi0_name; });
    if (m_api.LocalGroupEnum(Server(), locals) == net::NERR_Success)
        reads.allLocal = NamesOf(locals, [](const auto& g) { return g.lgrpi0_name; });
    if (m_api.UserGetGroups(Server(), m_strUserName, userGlobals) == net::NERR_Success)
        reads.userGlobal = NamesOf(userGlobals, [](const auto& g) { return g.grui1_name; });
    if (m_api.UserGetLocalGroups(Server(), m_strUserName, net::LG_INCLUDE_INDIRECT, indirect) == net::NERR_Success)
        reads.userIndirect = NamesOf(indirect, [](const auto& g) { return g.lgrui0_name; });
    if (m_api.UserGetLocalGroups(Server(), m_strUserName, 0, direct) == net::NERR_Success)
        reads.userDirect = NamesOf(direct, [](const auto& g) { return g.lgrui0_name; });
    m_lists = BuildMembershipLists(reads);
    return true;
}

BOOL CUserPropsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_strFullName = m_userInfo.usri3_full_name;
    m_strDescription = m_userInfo.usri3_comment;
    m_strLastLogon = LastLogonText(m_userInfo.usri3_last_logon);
    m_bAccountDisabled = (m_userInfo.usri3_flags & net::UF_ACCOUNTDISABLE) != 0;
    m_bPasswordNeverExpires = (m_userInfo.usri3_flags & net::UF_DONT_EXPIRE_PASSWD) != 0;
    m_bCannotChangePassword = (m_userInfo.usri3_flags & net::UF_PASSWD_CANT_CHANGE) != 0;
    m_bLockedOut = (m_userInfo.usri3_flags & net::UF_LOCKOUT) != 0;
    m_bMustChangePassword = m_userInfo.usri3_password_expired != 0;
    // The dialog can unlock an account, never lock one.
    GetDlgItem(res::IDC_USER_LOCKED_OUT)->EnableWindow(m_bLockedOut);
    for (int id : {res::IDC_USER_FULL_NAME, res::IDC_USER_DESCRIPTION, res::IDC_USER_PASSWORD, res::IDC_USER_CONFIRM})
        static_cast<CEdit*>(GetDlgItem(id))->SetLimitText(res::kUserEditLimit);
    for (const std::string& entry : m_lists.memberOf)
        m_listMemberOf.AddString(entry.c_str());
    for (const std::string& entry : m_lists.notMemberOf)
        m_listNotMemberOf.AddString(entry.c_str());
    m_strPassword = res::STR_PASSWORD_PLACEHOLDER;
    m_strConfirmPassword = res::STR_PASSWORD_PLACEHOLDER;
    UpdateData(FALSE);
    return TRUE;
}

void CUserPropsDlg::OnAdd()
{
    for (std::vector<int> selected = m_listNotMemberOf.GetSelItems(); !selected.empty();
         selected = m_listNotMemberOf.GetSelItems()) {
        CString text;
        m_listNotMemberOf.GetText(selected.front(), text);
        m_listMemberOf.AddString(text.c_str());
        m_listNotMemberOf.DeleteString(static_cast<UINT>(selected.front()));
    }
}

void CUserPropsDlg::OnRemove()
{
    for (std::vector<int> selected = m_listMemberOf.GetSelItems(); !selected.empty();
         selected = m_listMemberOf.GetSelItems()) {
        CString text;
        m_listMemberOf.GetText(selected.front(), text);
        if (IsIndirectEntry(text)) {
            MessageBox(res::STR_INDIRECT_GROUP);
            m_listMemberOf.SetSel(selected.front(), FALSE);
            continue;
        }
        m_listNotMemberOf.AddString(text.c_str());
        m_listMemberOf.DeleteString(static_cast<UINT>(selected.front()));
    }
}

UserEdits CUserPropsDlg::Edits() const
{
    UserEdits edits;
    edits.fullName = m_strFullName;
    edits.description = m_strDescription;
    edits.password = m_strPassword;
    edits.confirmPassword = m_strConfirmPassword;
    edits.mustChangePassword = m_bMustChangePassword != 0;
    edits.cannotChangePassword = m_bCannotChangePassword != 0;
    edits.passwordNeverExpires = m_bPasswordNeverExpires != 0;
    edits.accountDisabled = m_bAccountDisabled != 0;
    edits.lockedOut = m_bLockedOut != 0;
    return edits;
}

void CUserPropsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    UserCommit commit;
    const CommitCheck check = PlanUserCommit(m_userInfo, Edits(), res::STR_PASSWORD_PLACEHOLDER, m_lists.memberOf,
                                             ListEntries(m_listMemberOf), commit);
    if (check == CommitCheck::ConflictingOptions) {
        MessageBox(res::STR_CONFLICTING_OPTIONS);
        return;
    }
    if (check == CommitCheck::PasswordsDiffer) {
        MessageBox(res::STR_PASSWORDS_DIFFER);
        return;
    }
    WriteAccount(commit);
    WriteMemberships(commit);
    if (commit.info.usri3_password)
        Wipe(*commit.info.usri3_password);
    ClearPasswords();
    EndDialog(IDOK);
}

void CUserPropsDlg::WriteAccount(const UserCommit& commit)
{
    if (commit.fields.Empty())
        return;
    const net::Status status = m_api.UserSetInfo(Server(), m_strUserName, commit.info, commit.fields);
    if (status == net::NERR_Success)
        return;
    // A route refuses an option its server can't store before it writes anything: say which.
    const bool optionRefused =
        status == net::ERROR_NOT_SUPPORTED && (commit.fields.flags & net::UF_PASSWD_CANT_CHANGE) != 0;
    MessageBox((std::string(res::STR_USER_SETTINGS_FAILED) + "\n" +
                (optionRefused ? std::string(res::STR_CANNOT_CHANGE_NOT_STORED) : net::StatusText(status)))
                   .c_str());
}

bool CUserPropsDlg::AccountSid(net::Sid& sid)
{
    std::string domain;
    net::SidNameUse use = net::SidNameUse::Unknown;
    const net::Status status = m_api.LookupAccountName(Server(), m_strUserName, sid, domain, use);
    if (status == net::NERR_Success)
        return true;
    MessageBox((std::string(res::STR_SID_FAILED) + res::STR_WITH_RETURN_CODE + std::to_string(status)).c_str());
    return false;
}

void CUserPropsDlg::WriteMemberships(const UserCommit& commit)
{
    // Each group of `groups` through `write`; a failure is told with the group and the
    // reason. An entry already done on the server (already in, or already gone) counts
    // as done.
    const auto each = [this](const std::vector<std::string>& groups, bool adding, const auto& write) {
        for (const std::string& group : groups) {
            const net::Status status = write(group);
            const bool done =
                status == net::NERR_Success ||
                (adding ? status == net::ERROR_MEMBER_IN_GROUP || status == net::ERROR_MEMBER_IN_ALIAS
                        : status == net::ERROR_MEMBER_NOT_IN_GROUP || status == net::ERROR_MEMBER_NOT_IN_ALIAS);
            if (!done)
                MessageBox(
                    (std::string(adding ? res::STR_COULD_NOT_ADD_TO_GROUP : res::STR_COULD_NOT_REMOVE_FROM_GROUP) +
                     "\n" + group + "\n" + net::StatusText(status))
                        .c_str());
        }
    };
    each(commit.addGlobal, true, [&](const std::string& g) { return m_api.GroupAddUser(Server(), g, m_strUserName); });
    each(commit.removeGlobal, false,
         [&](const std::string& g) { return m_api.GroupDelUser(Server(), g, m_strUserName); });
    if (commit.addLocal.empty() && commit.removeLocal.empty())
        return;
    net::Sid sid;
    if (!AccountSid(sid))
        return;
    each(commit.addLocal, true, [&](const std::string& g) { return m_api.LocalGroupAddMember(Server(), g, sid); });
    each(commit.removeLocal, false, [&](const std::string& g) { return m_api.LocalGroupDelMember(Server(), g, sid); });
}
