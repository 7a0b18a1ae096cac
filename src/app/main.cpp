// vellox: parses the command line and runs the window, which opens the network.
#include "app/logon_dlg.h"
#include "app/main_app.h"
#include "app/worker_thread.h"
#include "platform/net/credentials.h"
#include "platform/net/options.h"
#include "platform/net/startup.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    const net::CommandLine commandLine = net::ParseCommandLine(argc, argv);
    if (!commandLine.run) {
        std::cout << commandLine.output;
        std::cerr << commandLine.error;
        return commandLine.exitStatus;
    }

    net::SetLogonPrompt(&PromptLogon);
    CMainApp app(commandLine.options);
    const int status = AfxWinMain(argc, argv);
    if (RunningWorkerThreads() > 0 || net::StartupWorkRunning()) {
        // A thread blocked in a network call can't be waited for; end without it.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
