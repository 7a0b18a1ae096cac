#include "app/main_app.h"

#include "app/main_dialog.h"
#include "app/startup.h"
#include "res/res.h"

#include <iostream>

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

net::NetApi* OpenNetworkForWindow(const app::Options& options, std::string& error)
{
    app::StartupHooks hooks;
    hooks.notify = [](const std::string& message) { AfxMessageBox(message.c_str(), MB_OK | MB_ICONWARNING); };
    hooks.askLogon = &net::AskLogonOnce;
    app::Network network = app::OpenNetwork(options, hooks);
    error = network.error;
    return network.api.release();
}

net::NetApi* OpenNetworkBehindWindow(const app::Options& options)
{
    app::StartupHooks hooks;
    hooks.notify = [](const std::string& message) {
        fx::PostToUi([message] { AfxMessageBox(message.c_str(), MB_OK | MB_ICONWARNING); });
    };
    hooks.askLogon = &net::AskLogonOnce;  // the log-on dialog is shown on the window thread
    return app::OpenNetworkLater(options, std::move(hooks));
}

CMainApp::CMainApp(app::Options options) : CWinApp(nullptr), m_options(std::move(options)) { }

BOOL CMainApp::InitInstance()
{
    res::Install();
    Enable3dControls();
    LoadStdProfileSettings(4);
    SetHelpFilePath(HelpFilePath());

    // A real domain is opened while the window shows; the sample domain is read first,
    // so that a file that can't be read ends the program with its reason.
    std::string error;
    net::NetApi* api = m_options.backend == app::Backend::Sample ? OpenNetworkForWindow(m_options, error)
                                                                 : OpenNetworkBehindWindow(m_options);
    if (!api) {
        // Started from a desktop launcher nobody sees standard error: the box says it too.
        std::cerr << "vellox: " << error << '\n';
        AfxMessageBox(error.c_str(), MB_OK | MB_ICONSTOP);
        m_exitCode = 1;
        return FALSE;
    }
    CMainDialog dlg(*api, m_options);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CMainApp::ExitInstance()
{
    const int code = CWinApp::ExitInstance();
    return m_exitCode != 0 ? m_exitCode : code;
}
