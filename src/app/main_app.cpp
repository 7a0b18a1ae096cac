#include "app/main_app.h"

#include "app/main_dialog.h"
#include "res/res.h"

#ifndef VELLOX_DOCDIR
#define VELLOX_DOCDIR "/usr/local/share/doc/vellox"
#endif

BEGIN_MESSAGE_MAP(CMainApp, CWinApp)
    ON_COMMAND(ID_CONTEXT_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

const char* HelpFilePath()
{
    return VELLOX_DOCDIR "/index.html";
}

CMainApp::CMainApp(net::NetApi& api, net::Options options)
    : CWinApp(nullptr), m_api(api), m_options(std::move(options))
{
}

BOOL CMainApp::InitInstance()
{
    res::Install();
    Enable3dControls();
    LoadStdProfileSettings(4);
    SetHelpFilePath(HelpFilePath());

    CMainDialog dlg(m_api, m_options);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
