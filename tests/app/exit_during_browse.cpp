// Ends as vellox ends, in the middle of a browse. Opens the main window on the sample
// domain, whose requests each take DELAY_MS, starts a browse of DISPLAY, and presses Exit
// once the browse's first request is under way. Prints "exit <monotonic ns>" at the press.
// A thread still counted when the static teardown begins makes it end with status 70.
#include "app/main_dialog.h"
#include "fx/testing.h"
#include "platform/net/sample/sim_netapi.h"
#include "platform/threads/owned_threads.h"
#include "res/res.h"
#include "res/resource.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <unistd.h>

namespace {

void CheckNoThreadAtTeardown()
{
    if (threads::RunningOwnedThreads() != 0) {
        std::fputs("a thread still runs at teardown\n", stderr);
        ::_exit(70);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: exit_during_browse DISPLAY DELAY_MS SAMPLE_FILE\n", stderr);
        return 2;
    }
    fx::EnsureApplication();
    res::Install();
    std::string error;
    auto sim = net::SimNetApi::FromFile(argv[3], error);
    if (!sim) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::atexit(&CheckNoThreadAtTeardown);

    app::Options options;
    options.backend = app::Backend::Sample;
    {
        CMainDialog dlg(*sim, options);
        if (!dlg.Create())
            return 2;
        const int index = dlg.m_comboDisplay.FindStringExact(-1, argv[1]);
        if (index < 0)
            return 2;
        fx::testing::SelectComboItem(dlg, res::IDC_DISPLAY, index);

        std::promise<void> requestBegun;
        std::once_flag once;
        sim->SetCallDelay(std::chrono::milliseconds(std::atoi(argv[2])));
        sim->SetRequestObserver([&](const std::string&) { std::call_once(once, [&] { requestBegun.set_value(); }); });
        fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_BROWSE);
        requestBegun.get_future().wait();

        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("exit %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
        std::fflush(stdout);
        fx::testing::Click(dlg, res::IDC_EXIT);
    }
    return threads::EndProgram(0, std::chrono::milliseconds(1500));
}
