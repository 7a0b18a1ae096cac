// The User Properties dialog (template 139): one account of the current server, its
// full name, description, password, options and group memberships. Load reads the
// account and every list before the dialog shows; OK writes what the administrator
// changed and nothing else.
#pragma once

#include "accounts/user_plan.h"
#include "fx/fx.h"
#include "platform/net/netapi.h"

#include <string>

class CUserPropsDlg : public CDialog {
public:
    explicit CUserPropsDlg(net::NetApi& api, CWnd* pParent = nullptr);
    ~CUserPropsDlg() override;

    CListBox m_listNotMemberOf;
    CListBox m_listMemberOf;
    BOOL m_bCannotChangePassword = FALSE;
    std::string m_strLastLogon;
    std::string m_strDescription;
    std::string m_strFullName;
    std::string m_strPassword;
    std::string m_strConfirmPassword;
    std::string m_strUserName;
    BOOL m_bAccountDisabled = FALSE;
    BOOL m_bMustChangePassword = FALSE;
    BOOL m_bPasswordNeverExpires = FALSE;
    BOOL m_bLockedOut = FALSE;
    const std::string* m_pServerName = nullptr;  // the main window's current server
    std::string m_strRowText;                    // the USERS row, set by the opener

    // Reads the account and the five group lists from the server. False, with the
    // server's status, when the account itself can't be read: the dialog must not show.
    bool Load(net::Status& status);

    afx_msg void OnAdd();
    afx_msg void OnRemove();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    DECLARE_MESSAGE_MAP()

private:
    const std::string& Server() const;
    accounts::UserEdits Edits() const;
    // The writes of a planned commit, each failure told as it happens.
    void WriteAccount(const accounts::UserCommit& commit);
    void WriteMemberships(const accounts::UserCommit& commit);
    bool AccountSid(net::Sid& sid);
    void ClearPasswords();

    net::NetApi& m_api;
    net::USER_INFO_3 m_userInfo;        // the account as read when the dialog opened
    accounts::MembershipLists m_lists;  // Member of as read, and Not a member of
};
