// vellox: parses the command line, opens the network back end and runs the window.
#include "app/logon_dlg.h"
#include "app/main_app.h"
#include "app/worker_thread.h"
#include "platform/net/credentials.h"
#include "platform/net/options.h"

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

    std::string error;
    // Never destroyed: a worker still blocked in a network call when the window closes
    // may use it until the process ends.
    net::NetApi* api = net::CreateNetApi(commandLine.options, error).release();
    if (!api) {
        std::cerr << "vellox: " << error << '\n';
        return 1;
    }
    net::SetLogonPrompt(&PromptLogon);

    CMainApp app(*api, commandLine.options);
    const int status = AfxWinMain(argc, argv);
    if (RunningWorkerThreads() > 0) {
        // A worker blocked in a network call can't be waited for; end without it.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
