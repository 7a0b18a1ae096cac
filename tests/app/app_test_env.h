// The main window on the sample domain, offscreen, with message boxes recorded and the
// settings file in a folder of the test's own.
#pragma once

#include "app/main_dialog.h"
#include "app/worker_thread.h"
#include "fx/testing.h"
#include "platform/net/sample/sim_netapi.h"
#include "platform/threads/owned_threads.h"
#include "res/res.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        res::Install();
        m_dir =
            std::filesystem::temp_directory_path() / ("vellox-app-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "config");
        ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);

        ::unsetenv("QT_QPA_PLATFORMTHEME");
        const char* data = std::getenv("VELLOX_SOURCE_DATADIR");
        std::string error;
        m_sim = net::SimNetApi::FromFile(std::string(data ? data : APP_TEST_DATADIR) + "/sample-domain.json", error);
        ASSERT_TRUE(m_sim) << error;

        fx::testing::SetMessageBoxHandler([this](const fx::testing::MessageBoxCall& call) {
            m_messages.push_back(call.text);
            return IDOK;
        });
    }

    void TearDown() override
    {
        m_dlg.reset();
        WaitForWorkers();
        fx::testing::ProcessEvents();
        fx::testing::ResetHandlers();
        std::filesystem::remove_all(m_dir);
    }

    CMainDialog& Open()
    {
        m_dlg = std::make_unique<CMainDialog>(*m_sim, SampleOptions());
        EXPECT_TRUE(m_dlg->Create());
        return *m_dlg;
    }

    static app::Options SampleOptions()
    {
        app::Options options;
        options.backend = app::Backend::Sample;
        return options;
    }

    // Runs posted work until `done` holds (or a generous time has passed). Between
    // looks it waits until another thread posts work to the window thread, so `done`
    // must turn true through posted work (a result, a message); a test waiting on
    // another thread's state has that thread post a wake-up (fx::PostToUi) after
    // changing it. Work of the window thread's own timers is run at least every 50 ms.
    static bool WaitUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        fx::testing::ProcessEvents();
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            fx::testing::WaitForPostedWork(std::chrono::milliseconds(50));
            fx::testing::ProcessEvents();
        }
        return true;
    }
    bool WaitForBrowse()
    {
        return WaitUntil([this] { return !m_dlg->IsBrowsing(); });
    }
    // Every thread of the program has ended; posted results are not yet processed.
    static bool WaitForWorkers() { return threads::WaitForOwnedThreads(std::chrono::seconds(20)); }

    std::vector<std::string> ListLines() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < m_dlg->m_listResults.GetCount(); ++i) {
            CString text;
            m_dlg->m_listResults.GetText(i, text);
            lines.push_back(text);
        }
        return lines;
    }
    std::string EntriesFoundText() const
    {
        CString text;
        m_dlg->GetDlgItemText(res::IDC_ENTRIES_FOUND, text);
        return text;
    }
    void SelectDisplay(const char* name)
    {
        const int index = m_dlg->m_comboDisplay.FindStringExact(-1, name);
        ASSERT_GE(index, 0) << name;
        fx::testing::SelectComboItem(*m_dlg, res::IDC_DISPLAY, index);
    }
    UINT ToolsItemState(int position) const
    {
        CMenu* tools = m_dlg->GetMenu()->GetSubMenu(res::kToolsMenuPosition);
        return tools->GetMenuState(static_cast<UINT>(position), MF_BYPOSITION);
    }
    bool PropertiesCyclicEnabled() const
    {
        return (ToolsItemState(res::kPropertiesCyclicPosition) & (MF_GRAYED | MF_DISABLED)) == 0;
    }
    bool Idle() const
    {
        return m_dlg->m_btnBrowse.IsWindowVisible() && m_dlg->m_btnBrowse.IsWindowEnabled() &&
               !m_dlg->m_btnStop.IsWindowVisible() && !fx::testing::HasTimer(*m_dlg, 1);
    }
    bool Browsing() const
    {
        return !m_dlg->m_btnBrowse.IsWindowVisible() && !m_dlg->m_btnBrowse.IsWindowEnabled() &&
               m_dlg->m_btnStop.IsWindowVisible() && m_dlg->m_btnStop.IsWindowEnabled() &&
               fx::testing::HasTimer(*m_dlg, 1);
    }

    std::filesystem::path m_dir;
    std::unique_ptr<net::SimNetApi> m_sim;
    std::unique_ptr<CMainDialog> m_dlg;
    std::vector<std::string> m_messages;
};
