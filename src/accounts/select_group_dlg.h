// The Select Group dialog (template 141): the server's global groups but one; OK gives
// the chosen name, or acts as Cancel when none is selected.
#pragma once

#include "fx/fx.h"
#include "platform/net/netapi.h"

#include <string>

class CSelectGroupDlg : public CDialog {
public:
    explicit CSelectGroupDlg(net::NetApi& api, CWnd* pParent = nullptr);

    CListBox m_listGroups;
    std::string m_strGroup;  // in: the group left out; out, after OK: the chosen one
    const std::string* m_pServerName = nullptr;

    afx_msg void OnDblclkGroups();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    DECLARE_MESSAGE_MAP()

private:
    net::NetApi& m_api;
};
