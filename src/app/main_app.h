// The application object: starts the framework, runs the main window modally and
// ends the process when it closes.
#pragma once

#include "fx/fx.h"
#include "platform/net/netapi.h"
#include "platform/net/options.h"

class CMainApp : public CWinApp {
public:
    // `api` must outlive the run; the main window and its workers use it.
    CMainApp(net::NetApi& api, net::Options options);

    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    net::NetApi& m_api;
    net::Options m_options;
};

// Where the help file is installed.
const char* HelpFilePath();
