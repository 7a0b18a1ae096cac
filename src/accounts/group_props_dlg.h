// The Group Properties dialog (template 140): one global group's description and
// members, and a partner group chosen with Select Group, whose members the transfers
// move and copy. Load reads the group before the dialog shows; OK adds and removes
// only the names that entered or left a list, and writes the description only when
// it changed.
#pragma once

#include "fx/fx.h"
#include "platform/net/netapi.h"

#include <string>
#include <vector>

class CGroupPropsDlg : public CDialog {
public:
    explicit CGroupPropsDlg(net::NetApi& api, CWnd* pParent = nullptr);

    CButton m_btnRemove;
    CButton m_btnCopyToOthers;
    CButton m_btnCopyToMembers;
    CButton m_btnMove;
    CButton m_btnSelectGroup;
    CListBox m_listOthers;
    CListBox m_listMembers;
    std::string m_strOthersLabel;
    std::string m_strDescription;
    std::string m_strGroupName;
    const std::string* m_pServerName = nullptr;  // the main window's current server
    std::string m_strGroup;                      // the group, set by the opener
    std::string m_strPartnerGroup;
    int m_bNoPartner = 1;

    // Reads the group, its members and the server's accounts. False, with the status,
    // when the group or its members can't be read: the dialog must not show.
    bool Load(net::Status& status);

    afx_msg void OnSelectGroup();
    afx_msg void OnSetfocusMembers();
    afx_msg void OnSetfocusOthers();
    afx_msg void OnMove();
    afx_msg void OnRemove();
    afx_msg void OnCopyToMembers();
    afx_msg void OnCopyToOthers();
    void FillPartnerList();
    void DisableSelectGroup();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    DECLARE_MESSAGE_MAP()

private:
    const std::string& Server() const;
    // One transfer from `source` to `destination` (Move/Remove take entries out).
    void TransferBetween(CListBox& source, CListBox& destination, bool move);
    // Adds and removes what changed in `list` since `atRead`, for `group`.
    void CommitMembers(const std::string& group, const std::vector<std::string>& atRead, const CListBox& list);

    net::NetApi& m_api;
    std::string m_descriptionAtRead;
    std::vector<std::string> m_membersAtRead;
    std::vector<std::string> m_nonMembers;
    std::vector<std::string> m_partnerAtRead;
};
