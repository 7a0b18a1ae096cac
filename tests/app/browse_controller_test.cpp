// The browse engine as a user sees it: Working... then the rows, Stop and Browse
// swapping, the busy animation, the Properties (cyclic) item, SERVERS inline, the
// failure messages, and browses that are stopped or replaced while they run.
#include "app_test_env.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

using namespace std::chrono_literals;
using BrowseController = MainWindowTest;

int VisibleFrame(CMainDialog& dlg)
{
    int visible = -1;
    for (int frame = 0; frame < 4; ++frame) {
        if (dlg.m_busyIcon[3 - frame].IsWindowVisible()) {
            if (visible != -1)
                return -2;  // more than one
            visible = frame;
        }
    }
    return visible;
}

TEST_F(BrowseController, UsersShowsWorkingThenTheRows)
{
    m_sim->SetCallDelay(100ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    EXPECT_EQ(ListLines(), std::vector<std::string>{"Working..."});
    EXPECT_TRUE(Browsing());
    EXPECT_FALSE(PropertiesCyclicEnabled());
    EXPECT_EQ(EntriesFoundText(), "0");

    ASSERT_TRUE(WaitForBrowse());
    const std::vector<std::string> lines = ListLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t");
    EXPECT_EQ(lines[1], g_separatorLine);
    EXPECT_EQ(lines.back(), g_separatorLine);
    EXPECT_EQ(EntriesFoundText(), std::to_string(lines.size() - 3));
    EXPECT_EQ(dlg.m_settings.entryCount, static_cast<int>(lines.size() - 3));
    EXPECT_EQ(dlg.m_shownType, DisplayType::USERS);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(PropertiesCyclicEnabled());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(BrowseController, ToolsBrowseRunsTheSameBrowse)
{
    CMainDialog& dlg = Open();
    SelectDisplay("GROUPS");
    fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_BROWSE);
    EXPECT_TRUE(dlg.IsBrowsing());
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::GROUPS);
    EXPECT_EQ(ListLines().at(0), "Name\tComment\t");
}

TEST_F(BrowseController, AnimationStepsEveryTickAndResumesWhereItStopped)
{
    m_sim->SetCallDelay(200ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(dlg.IsBrowsing());
    g_busyFrame = 0;
    for (int tick = 0; tick < 6; ++tick) {
        const int before = g_busyFrame;
        fx::testing::FireTimer(dlg, 1);
        EXPECT_TRUE(dlg.m_busyIcon[3 - before].IsWindowVisible()) << "tick " << tick;
        EXPECT_FALSE(dlg.m_busyIcon[3 - (before + 3) % 4].IsWindowVisible()) << "tick " << tick;
        EXPECT_EQ(g_busyFrame, (before + 1) % 4);
    }
    // After a full cycle exactly one frame shows.
    EXPECT_EQ(VisibleFrame(dlg), 1);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(g_busyFrame, 2);

    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(dlg.IsBrowsing());
    fx::testing::FireTimer(dlg, 1);
    EXPECT_EQ(VisibleFrame(dlg), 2);
    EXPECT_EQ(g_busyFrame, 3);
}

TEST_F(BrowseController, OutOfRangeFrameStaysPut)
{
    CMainDialog& dlg = Open();
    g_busyFrame = 7;
    fx::testing::FireTimer(dlg, 1);
    EXPECT_EQ(g_busyFrame, 7);
    g_busyFrame = 0;
}

// SERVERS leaves the buttons, the timer and the menu alone, and builds its list off the
// window thread: work posted to the window runs while the servers are still being asked.
TEST_F(BrowseController, ServersLeavesButtonsTimerAndMenuAloneAndTheWindowResponsive)
{
    CMainDialog& dlg = Open();
    SelectDisplay("SERVERS");
    m_sim->SetCallDelay(300ms);
    fx::testing::Click(dlg, res::IDC_BROWSE);
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_TRUE(Idle());
    bool windowRan = false;
    fx::PostToUi([&] { windowRan = dlg.m_listResults.GetCount() == 0; });
    fx::testing::ProcessEvents();
    EXPECT_TRUE(windowRan) << "the window ran posted work before the list came";
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_listResults.GetCount() > 0; }));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(PropertiesCyclicEnabled());
    EXPECT_EQ(dlg.m_shownType, DisplayType::SERVERS);
    const std::vector<std::string> lines = ListLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("Name\tWkst\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], g_separatorLine);
    EXPECT_EQ(lines.back(), g_separatorLine);
    EXPECT_EQ(EntriesFoundText(), std::to_string(lines.size() - 3));
}

TEST_F(BrowseController, UnsupportedDisplayTextListsTheMessageOnly)
{
    CMainDialog& dlg = Open();
    dlg.m_comboDisplay.AddString("PRINTERS");
    SelectDisplay("PRINTERS");
    fx::testing::Click(dlg, res::IDC_BROWSE);
    EXPECT_EQ(ListLines(), std::vector<std::string>{"Unsupported Display Type."});
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(EntriesFoundText(), "0");
}

TEST_F(BrowseController, UnknownWorkerKindReportsAndFinishes)
{
    CMainDialog& dlg = Open();
    ASSERT_TRUE(dlg.StartWorker(static_cast<WorkerKind>(9)));
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(m_messages, std::vector<std::string>{"An unknown thread has terminated."});
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
    EXPECT_EQ(dlg.m_shownType, DisplayType::NONE);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(EntriesFoundText(), "0");
}

TEST_F(BrowseController, StopDuringASlowWorkerDropsItsLateResult)
{
    m_sim->SetCallDelay(300ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(Browsing());
    fx::testing::Click(dlg, res::IDC_STOP);
    EXPECT_EQ(ListLines(), std::vector<std::string>{"User terminated browse."});
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(PropertiesCyclicEnabled());
    EXPECT_EQ(EntriesFoundText(), "0");

    ASSERT_TRUE(WaitForWorkers());
    fx::testing::ProcessEvents();
    EXPECT_EQ(ListLines(), std::vector<std::string>{"User terminated browse."});
    EXPECT_EQ(dlg.m_shownType, DisplayType::NONE);
    EXPECT_FALSE(PropertiesCyclicEnabled());
    EXPECT_TRUE(m_messages.empty());
}

// Stop ends the work, not only the wait: each thread of the browse sends at most the
// request it was making (NETWORK reads up to 16 servers' shares side by side).
TEST_F(BrowseController, StopEndsTheRequestsOfEveryKindOfBrowse)
{
    struct Case {
        const char* display;
        std::vector<const char*> methods;
        std::size_t threads;
    };
    const std::vector<Case> cases = {
        {"USERS", {"UserEnum", "UserGetInfo"}, 1},
        {"GROUPS", {"GroupEnum", "GroupGetUsers"}, 1},
        {"NETWORK", {"DomainEnum", "ServerEnum", "ShareEnum"}, 1 + 16},
    };
    m_sim->SetCallDelay(20ms);
    m_sim->SetBatchSize(1);
    CMainDialog& dlg = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        const auto requests = [&] {
            std::size_t n = 0;
            for (const char* method : c.methods)
                n += m_sim->RequestCount(method);
            return n;
        };
        const std::size_t before = requests();
        SelectDisplay(c.display);
        fx::testing::Click(dlg, res::IDC_BROWSE);
        ASSERT_TRUE(WaitUntil([&] { return requests() >= before + 3; }));
        fx::testing::Click(dlg, res::IDC_STOP);
        const std::size_t atStop = requests();
        ASSERT_TRUE(WaitForWorkers());
        EXPECT_LE(requests(), atStop + c.threads);
        EXPECT_EQ(ListLines(), std::vector<std::string>{"User terminated browse."});
    }
}

TEST_F(BrowseController, StopAfterTheWorkerEndedSaysSoAndTheRowsStillCome)
{
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    // The worker has posted its list, the window has not shown it yet.
    ASSERT_TRUE(WaitForWorkers());
    fx::testing::Click(dlg, res::IDC_STOP);
    EXPECT_EQ(m_messages, std::vector<std::string>{"Could not terminate browse (finished concurrently?)"});
    EXPECT_TRUE(Idle());
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::USERS);
    EXPECT_EQ(ListLines().at(0), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t");
}

TEST_F(BrowseController, StopWhenIdleSaysTheBrowseHasFinished)
{
    CMainDialog& dlg = Open();
    dlg.OnStop();
    EXPECT_EQ(m_messages, std::vector<std::string>{"Could not terminate browse (finished concurrently?)"});
    EXPECT_TRUE(Idle());
}

TEST_F(BrowseController, SecondBrowseReplacesTheRunningOne)
{
    m_sim->SetCallDelay(200ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(dlg.IsBrowsing());
    SelectDisplay("GROUPS");
    fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_BROWSE);
    EXPECT_TRUE(Browsing());
    EXPECT_EQ(ListLines(), std::vector<std::string>{"Working..."});

    ASSERT_TRUE(WaitForWorkers());
    ASSERT_TRUE(WaitForBrowse());
    fx::testing::ProcessEvents();
    // Only the second browse's rows are shown; the first one's never arrive.
    EXPECT_EQ(dlg.m_shownType, DisplayType::GROUPS);
    EXPECT_EQ(ListLines().at(0), "Name\tComment\t");
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(BrowseController, WorkerUsesTheServerAndSettingsTakenAtItsStart)
{
    m_sim->SetCallDelay(200ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    dlg.m_settings.serverName = "\\\\NO-SUCH-SERVER";
    dlg.m_settings.u_num_logons = 1;
    ASSERT_TRUE(WaitForBrowse());
    const std::vector<std::string> lines = ListLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t");
    EXPECT_NE(lines[2], "Could not enumerate domain.");
}

TEST_F(BrowseController, RefusedEnumerationShowsOneLineAndCountsIt)
{
    CMainDialog& dlg = Open();
    m_sim->FailCall("UserEnum", net::ERROR_ACCESS_DENIED);
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    const std::vector<std::string> lines = ListLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "Could not enumerate domain.");
    EXPECT_EQ(EntriesFoundText(), "1");
}

TEST_F(BrowseController, PriorityFailureIsReportedAndTheWorkerRunsOn)
{
    CMainDialog& dlg = Open();
    std::vector<int> deltas;
    dlg.SetPrioritySetter([&](pid_t tid, int delta) {
        EXPECT_GT(tid, 0);
        deltas.push_back(delta);
        return false;
    });
    dlg.m_settings.browse_priority = 4;
    fx::testing::Click(dlg, res::IDC_BROWSE);
    EXPECT_EQ(m_messages, std::vector<std::string>{"Failed to set thread priority."});
    EXPECT_EQ(deltas, std::vector<int>{-10});
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::USERS);
    EXPECT_GE(ListLines().size(), 4u);
}

TEST_F(BrowseController, EachPriorityAsksForItsNiceChange)
{
    CMainDialog& dlg = Open();
    std::vector<int> deltas;
    dlg.SetPrioritySetter([&](pid_t, int delta) {
        deltas.push_back(delta);
        return true;
    });
    for (int priority : {0, 1, 2, 3, 4, 9, -1}) {
        dlg.m_settings.browse_priority = priority;
        fx::testing::Click(dlg, res::IDC_BROWSE);
        ASSERT_TRUE(WaitForBrowse());
    }
    EXPECT_EQ(deltas, (std::vector<int>{10, 5, 0, -5, -10, 0, 0}));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(BrowseController, WorkerThatCannotBeCreatedLeavesTheWindowIdle)
{
    CMainDialog& dlg = Open();
    // Larger than the whole user address space: no thread can get this stack.
    dlg.SetWorkerStackBytes(std::size_t(1) << 47);
    fx::testing::Click(dlg, res::IDC_BROWSE);
    EXPECT_EQ(m_messages, std::vector<std::string>{"Could not start the browse."});
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
    EXPECT_FALSE(PropertiesCyclicEnabled());

    // The next browse with a sound stack works as usual.
    dlg.SetWorkerStackBytes(kWorkerStackBytes);
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::USERS);
}

TEST_F(BrowseController, FilesAndNetworkListTheirHeaders)
{
    CMainDialog& dlg = Open();
    SelectDisplay("FILES");
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::FILES);
    EXPECT_EQ(ListLines().at(0), "UserName\tFilesize in use");

    SelectDisplay("NETWORK");
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::NETWORK);
    EXPECT_EQ(ListLines().at(0), "Network\tDomain\tResource\tResource type");
}

TEST_F(BrowseController, ClosingTheWindowWhileABrowseRunsIsSafe)
{
    m_sim->SetCallDelay(200ms);
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(dlg.IsBrowsing());
    fx::testing::CloseBox(dlg);
    EXPECT_TRUE(dlg.IsModalEnded());
    m_dlg.reset();
    ASSERT_TRUE(WaitForWorkers());
    // The late result finds no window and is dropped.
    fx::testing::ProcessEvents();
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
