// The application object: starts the framework, opens the network (the log-on dialog
// and start-up messages included), runs the main window modally and ends the process
// when it closes.
#pragma once

#include "app/options.h"
#include "fx/fx.h"
#include "platform/net/netapi.h"

class CMainApp : public CWinApp {
public:
    explicit CMainApp(app::Options options);

    BOOL InitInstance() override;
    int ExitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    app::Options m_options;
    int m_exitCode = 0;
};

// Opens the network for the window: start-up messages in message boxes (and on
// standard error), the log-on dialog when it is needed. Never destroyed: a worker
// still blocked in a network call when the window closes may use it until the process
// ends. nullptr, with `error`, only when the sample domain can't be read.
net::NetApi* OpenNetworkForWindow(const app::Options& options, std::string& error);

// Opens a real domain's network behind the window: the NetApi returned at once answers
// when start-up is done; its messages and the log-on dialog come on the window thread.
// Never destroyed, for the same reason.
net::NetApi* OpenNetworkBehindWindow(const app::Options& options);

// Where the help file is installed.
const char* HelpFilePath();
