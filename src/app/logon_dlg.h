// The log-on dialog: user name, domain and password for the servers of the domain.
#pragma once

#include "fx/fx.h"
#include "platform/net/credentials.h"

#include <optional>
#include <string>

class CLogonDlg : public CDialog {
public:
    explicit CLogonDlg(CWnd* pParent = nullptr);

    std::string m_strUser;
    std::string m_strDomain;
    std::string m_strPassword;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

// Shows the log-on dialog with `defaultDomain` filled in; nullopt when cancelled.
// Runs the dialog on the window thread, also when called from a worker (which then
// waits for the answer).
std::optional<net::Credentials> PromptLogon(const std::string& defaultDomain);
