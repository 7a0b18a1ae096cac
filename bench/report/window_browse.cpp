// The window's side of the report benchmark: starts as vellox starts its window on a
// real server (the network opened behind the window), presses Browse on USERS, waits for
// the list and exports it to OUTPUT through File > Export, then ends.
//
//   window_browse SERVER AUTH_FILE OUTPUT
#include "app/main_app.h"
#include "app/main_dialog.h"
#include "fx/testing.h"
#include "platform/threads/owned_threads.h"
#include "res/res.h"
#include "res/resource.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: window_browse SERVER AUTH_FILE OUTPUT\n", stderr);
        return 2;
    }
    fx::EnsureApplication();
    res::Install();
    fx::testing::SetMessageBoxHandler([](const fx::testing::MessageBoxCall& call) {
        std::fprintf(stderr, "window_browse: %s\n", call.text.c_str());
        return IDOK;
    });
    app::Options options;
    options.server = argv[1];
    options.authFile = argv[2];
    net::NetApi* api = OpenNetworkBehindWindow(options);
    int status = 1;
    {
        CMainDialog dlg(*api, options);
        if (!dlg.Create())
            return 2;
        fx::testing::Click(dlg, res::IDC_BROWSE);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        fx::testing::ProcessEvents();
        while ((dlg.IsBrowsing() || dlg.m_shownType != DisplayType::USERS) &&
               std::chrono::steady_clock::now() < deadline) {
            fx::testing::WaitForPostedWork(std::chrono::milliseconds(50));
            fx::testing::ProcessEvents();
        }
        if (dlg.m_shownType == DisplayType::USERS) {
            fx::testing::SetSaveDialogHandler([&](const fx::testing::SaveDialogCall&) {
                return fx::testing::SaveDialogAnswer{argv[3], 1};
            });
            fx::testing::Click(dlg, res::IDC_EXPORT);
            status = 0;
        }
    }
    return threads::EndProgram(status, std::chrono::milliseconds(1500));
}
