// The log-on dialog: the domain comes prefilled, OK gives what was typed, Cancel gives
// nothing, and a worker thread's request is answered on the window thread.
#include "app/logon_dlg.h"
#include "fx/testing.h"
#include "res/res.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

class LogonDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        res::Install();
    }
    void TearDown() override { fx::testing::ResetHandlers(); }
};

TEST_F(LogonDialog, OkGivesTheTypedCredentialsWithThePrefilledDomain)
{
    std::string shownDomain;
    bool passwordHidden = false;
    fx::testing::SetModalHandler([&](CWnd& dlg) {
        CString domain;
        dlg.GetDlgItemText(res::IDC_LOGON_DOMAIN, domain);
        shownDomain = domain;
        passwordHidden = static_cast<CEdit*>(dlg.GetDlgItem(res::IDC_LOGON_PASSWORD))->IsPassword();
        fx::testing::TypeText(dlg, res::IDC_LOGON_USER, "jdoe");
        fx::testing::TypeText(dlg, res::IDC_LOGON_PASSWORD, "s3cret pass");
        EXPECT_TRUE(fx::testing::RenderToPng(dlg, std::string(APP_TEST_OUTDIR) + "/logon.png"));
        fx::testing::Click(dlg, IDOK);
    });
    const std::optional<net::Credentials> answer = PromptLogon("VELLOX");
    EXPECT_EQ(shownDomain, "VELLOX");
    EXPECT_TRUE(passwordHidden);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->user, "jdoe");
    EXPECT_EQ(answer->domain, "VELLOX");
    EXPECT_EQ(answer->password, "s3cret pass");
}

TEST_F(LogonDialog, CancelGivesNoCredentials)
{
    fx::testing::SetModalHandler([](CWnd& dlg) {
        fx::testing::TypeText(dlg, res::IDC_LOGON_USER, "jdoe");
        fx::testing::Click(dlg, IDCANCEL);
    });
    EXPECT_FALSE(PromptLogon("VELLOX"));
}

TEST_F(LogonDialog, WorkerRequestIsAnsweredOnTheWindowThread)
{
    std::thread::id dialogThread;
    fx::testing::SetModalHandler([&](CWnd& dlg) {
        dialogThread = std::this_thread::get_id();
        fx::testing::TypeText(dlg, res::IDC_LOGON_USER, "worker");
        fx::testing::Click(dlg, IDOK);
    });
    auto answer = std::async(std::launch::async, [] { return PromptLogon("RESEARCH"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (answer.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline)
        fx::testing::ProcessEvents();
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    const std::optional<net::Credentials> credentials = answer.get();
    EXPECT_EQ(dialogThread, std::this_thread::get_id());
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->user, "worker");
    EXPECT_EQ(credentials->domain, "RESEARCH");
}

}  // namespace
