#include "app/logon_dlg.h"

#include "res/resource.h"

#include <future>
#include <memory>

BEGIN_MESSAGE_MAP(CLogonDlg, CDialog)
END_MESSAGE_MAP()

CLogonDlg::CLogonDlg(CWnd* pParent) : CDialog(res::IDD_LOGON, pParent) { }

void CLogonDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, res::IDC_LOGON_USER, m_strUser);
    DDX_Text(pDX, res::IDC_LOGON_DOMAIN, m_strDomain);
    DDX_Text(pDX, res::IDC_LOGON_PASSWORD, m_strPassword);
}

namespace {

std::optional<net::Credentials> RunLogonDialog(const std::string& defaultDomain)
{
    CLogonDlg dlg(AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr);
    dlg.m_strDomain = defaultDomain;
    if (dlg.DoModal() != IDOK)
        return std::nullopt;
    net::Credentials credentials{dlg.m_strUser, dlg.m_strDomain, std::move(dlg.m_strPassword)};
    return credentials;
}

}  // namespace

std::optional<net::Credentials> PromptLogon(const std::string& defaultDomain)
{
    if (fx::IsUiThread())
        return RunLogonDialog(defaultDomain);
    auto answer = std::make_shared<std::promise<std::optional<net::Credentials>>>();
    std::future<std::optional<net::Credentials>> result = answer->get_future();
    fx::PostToUi([answer, defaultDomain]() { answer->set_value(RunLogonDialog(defaultDomain)); });
    try {
        return result.get();
    } catch (const std::future_error&) {
        // The window thread ended before it could ask: no credentials.
        return std::nullopt;
    }
}
