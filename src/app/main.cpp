// vellox: parses the command line and runs the window, which opens the network, or
// writes a report without one.
#include "app/logon_dlg.h"
#include "app/main_app.h"
#include "app/options.h"
#include "app/report.h"
#include "platform/net/credentials.h"
#include "platform/threads/owned_threads.h"

#include <chrono>
#include <iostream>
#include <unistd.h>

namespace {

// How long the end of the program waits for its threads.
constexpr std::chrono::milliseconds kThreadsAtExit{1500};

}  // namespace

int main(int argc, char** argv)
{
    const app::CommandLine commandLine = app::ParseCommandLine(argc, argv);
    if (!commandLine.run) {
        std::cout << commandLine.output;
        std::cerr << commandLine.error;
        return commandLine.exitStatus;
    }

    // A report creates no application object: it needs no display and asks nothing.
    if (commandLine.options.report.display != DisplayType::NONE) {
        const int status = app::RunReport(commandLine.options, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
        return threads::EndProgram(status, kThreadsAtExit);
    }

    net::SetLogonPrompt(&PromptLogon);
    CMainApp app(commandLine.options);
    // Closing the window stopped the browse; its threads end after their request.
    return threads::EndProgram(AfxWinMain(argc, argv), kThreadsAtExit);
}
