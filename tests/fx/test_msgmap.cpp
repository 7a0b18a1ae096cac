// Message-map dispatch: buttons, list and combo notifications, menu commands,
// timers, the system menu, the close box and keys.
#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QWidget>

#include "test_resources.h"

namespace fxtest {
namespace {

using fx::testing::ProcessEvents;

class MessageMap : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        ASSERT_TRUE(dlg.Create());
        // The first tab stop (the list) took the focus on creation.
        ASSERT_EQ(dlg.calls, std::vector<std::string>{"setfocus"});
        dlg.calls.clear();
    }
    void TearDown() override { dlg.DestroyWindow(); }
    CTestDialog dlg;
};

TEST_F(MessageMap, ButtonClickReachesItsHandler)
{
    fx::testing::Click(dlg, IDC_BROWSE);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"browse"});
}

TEST_F(MessageMap, HiddenOrDisabledButtonCannotBeClicked)
{
    fx::testing::Click(dlg, IDC_STOP);  // created hidden
    dlg.m_btnBrowse.EnableWindow(FALSE);
    fx::testing::Click(dlg, IDC_BROWSE);
    EXPECT_TRUE(dlg.calls.empty());
}

TEST_F(MessageMap, MenuCommandAndGrayedItems)
{
    fx::testing::ChooseMenuCommand(dlg, ID_TOOLS_BROWSE);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"menu-browse"});
    // Grayed in the template: choosing it does nothing.
    fx::testing::ChooseMenuCommand(dlg, ID_TOOLS_PROPS);
    EXPECT_EQ(dlg.calls.size(), 1u);
    CMenu* tools = dlg.GetMenu()->GetSubMenu(1);
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->GetMenuState(1, MF_BYPOSITION) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(tools->EnableMenuItem(1, MF_BYPOSITION | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(tools->GetMenuState(ID_TOOLS_PROPS, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
    tools->EnableMenuItem(1, MF_BYPOSITION | MF_DISABLED);
    EXPECT_EQ(tools->GetMenuState(ID_TOOLS_PROPS, MF_BYCOMMAND), MF_DISABLED);
    tools->EnableMenuItem(ID_TOOLS_BROWSE, MF_BYCOMMAND | MF_GRAYED);
    fx::testing::ChooseMenuCommand(dlg, ID_TOOLS_BROWSE);
    EXPECT_EQ(dlg.calls.size(), 1u);
    EXPECT_EQ(tools->GetMenuState(99, MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(tools->GetMenuState(3, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(dlg.GetMenu()->GetSubMenu(0)->GetMenuItemID(2), ID_FILE_EXIT);
    EXPECT_EQ(dlg.GetMenu()->GetSubMenu(5), nullptr);
}

TEST_F(MessageMap, MenuCommandRoutedToABaseClassHandler)
{
    fx::testing::ChooseMenuCommand(dlg, ID_FILE_EXIT);  // mapped to CDialog::OnOK
    EXPECT_TRUE(dlg.IsModalEnded());
    EXPECT_EQ(dlg.GetModalResult(), IDOK);
}

TEST_F(MessageMap, ListDoubleClickSelectionAndFocus)
{
    dlg.m_listResults.AddString("one");
    dlg.m_listResults.AddString("two");
    // Program changes notify nothing.
    dlg.m_listResults.SetSel(0, TRUE);
    dlg.m_listResults.SelItemRange(TRUE, 0, 1);
    EXPECT_TRUE(dlg.calls.empty());
    fx::testing::ClickListItem(dlg, IDC_LIST, 1);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"selchange"});
    dlg.calls.clear();
    fx::testing::DoubleClickListItem(dlg, IDC_LIST, 0);
    ASSERT_FALSE(dlg.calls.empty());
    EXPECT_EQ(dlg.calls.back(), "dblclk");
    dlg.calls.clear();
    fx::testing::FocusControl(dlg, IDC_NAME);
    dlg.calls.clear();
    fx::testing::FocusControl(dlg, IDC_LIST);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"setfocus"});
}

TEST_F(MessageMap, ListWithoutNotifyStyleSendsNoSelectionNotices)
{
    CTestDialog plain(IDD_PLAIN);
    ASSERT_TRUE(plain.Create());
    auto* list = static_cast<CListBox*>(plain.GetDlgItem(IDC_SINGLE_LIST));
    list->AddString("a");
    EXPECT_EQ(list->SetCurSel(0), 0);
    EXPECT_TRUE(plain.calls.empty());
}

TEST_F(MessageMap, ComboUserChangeNotifiesProgramChangeDoesNot)
{
    dlg.m_comboServer.AddString("\\\\B");
    dlg.m_comboServer.AddString("\\\\A");
    dlg.m_comboServer.SetCurSel(0);
    EXPECT_TRUE(dlg.calls.empty());
    fx::testing::SelectComboItem(dlg, IDC_COMBO, 1);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"combo"});
    EXPECT_EQ(dlg.m_comboServer.GetCurSel(), 1);
}

TEST_F(MessageMap, TimerTicksReachOnTimerWithTheirId)
{
    fx::testing::FireTimer(dlg, 3);
    EXPECT_EQ(dlg.timers, std::vector<UINT_PTR>{3});
    dlg.timers.clear();
    ASSERT_EQ(dlg.SetTimer(1, 10), 1u);
    EXPECT_TRUE(fx::testing::HasTimer(dlg, 1));
    QElapsedTimer clock;
    clock.start();
    while (dlg.timers.size() < 2 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ASSERT_GE(dlg.timers.size(), 2u);
    EXPECT_EQ(dlg.timers[0], 1u);
    EXPECT_TRUE(dlg.KillTimer(1));
    EXPECT_FALSE(dlg.KillTimer(1));
    EXPECT_FALSE(fx::testing::HasTimer(dlg, 1));
    dlg.timers.clear();
    // A slower timer started after the kill: a tick of the killed one would come first.
    ASSERT_EQ(dlg.SetTimer(2, 50), 2u);
    while (dlg.timers.empty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(dlg.timers, std::vector<UINT_PTR>{2});
    EXPECT_TRUE(dlg.KillTimer(2));
}

TEST_F(MessageMap, TimerNeedsAWindow)
{
    CTestDialog never;
    EXPECT_EQ(never.SetTimer(1, 500), 0u);
}

TEST_F(MessageMap, AltSpaceOpensTheSystemMenuWithCloseAndAppendedEntries)
{
    std::vector<std::pair<UINT, std::string>> seen;
    fx::testing::SetPopupMenuHandler([&](const auto& entries) {
        seen = entries;
        return ID_SYS_ABOUT;
    });
    fx::testing::PressKey(dlg, Qt::Key_Space, Qt::AltModifier);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, SC_CLOSE);
    EXPECT_EQ(seen[1].first, ID_SYS_ABOUT);
    EXPECT_EQ(seen[1].second, "&About Test...");
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{ID_SYS_ABOUT});
    EXPECT_FALSE(dlg.IsModalEnded());
}

TEST_F(MessageMap, SystemMenuCloseGoesThroughOnSysCommandToOnCancel)
{
    fx::testing::SetPopupMenuHandler([](const auto&) { return SC_CLOSE; });
    fx::testing::PressKey(dlg, Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{SC_CLOSE});
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"cancel"});
    EXPECT_TRUE(dlg.IsModalEnded());
    EXPECT_EQ(dlg.GetModalResult(), IDCANCEL);
}

TEST_F(MessageMap, CloseBoxCanBeRefusedByTheDialog)
{
    dlg.m_bRefuseClose = true;
    fx::testing::CloseBox(dlg);
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{SC_CLOSE});
    EXPECT_FALSE(dlg.IsModalEnded());
    EXPECT_TRUE(dlg.GetWidget()->isVisible());
}

TEST_F(MessageMap, EscapeCallsOnCancel)
{
    dlg.m_bRefuseClose = true;
    fx::testing::PressKey(dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"cancel"});
    EXPECT_FALSE(dlg.IsModalEnded());
}

TEST_F(MessageMap, EnterClicksTheVisibleDefaultButton)
{
    fx::testing::FocusControl(dlg, IDC_NAME);
    fx::testing::PressKey(dlg, Qt::Key_Return);
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"browse"});
    dlg.m_btnBrowse.ShowWindow(SW_HIDE);
    dlg.m_btnStop.ShowWindow(SW_SHOWNORMAL);
    fx::testing::PressKey(dlg, Qt::Key_Return);
    EXPECT_EQ(dlg.calls, (std::vector<std::string>{"browse", "stop"}));
    dlg.m_btnStop.EnableWindow(FALSE);
    fx::testing::PressKey(dlg, Qt::Key_Return);
    EXPECT_EQ(dlg.calls.size(), 2u);
    EXPECT_FALSE(dlg.IsModalEnded());
}

TEST_F(MessageMap, EnterWithoutDefaultButtonMeansOK)
{
    CTestDialog plain(IDD_PLAIN);
    ASSERT_TRUE(plain.Create());
    fx::testing::FocusControl(plain, IDC_NAME);
    fx::testing::PressKey(plain, Qt::Key_Return);
    EXPECT_TRUE(plain.IsModalEnded());
    EXPECT_EQ(plain.GetModalResult(), IDOK);
}

TEST_F(MessageMap, DerivedMapChainsToTheBaseMap)
{
    CDerivedDialog derived;
    ASSERT_TRUE(derived.Create());
    derived.calls.clear();
    fx::testing::Click(derived, IDC_CHECK);
    fx::testing::Click(derived, IDC_BROWSE);
    EXPECT_EQ(derived.calls, (std::vector<std::string>{"extra", "browse"}));
}

TEST_F(MessageMap, PaintGoesThroughTheMap)
{
    int before = dlg.paints;
    QImage image(dlg.GetWidget()->size(), QImage::Format_ARGB32);
    dlg.GetWidget()->render(&image);
    EXPECT_GT(dlg.paints, before);
}

TEST_F(MessageMap, PostMessageFromAWorkerArrivesOnTheWindowThread)
{
    std::thread worker([&] { dlg.PostMessage(WM_APP + 1, 5, 6); });
    worker.join();
    EXPECT_TRUE(dlg.done.empty());  // queued, not run on the worker
    ProcessEvents();
    ASSERT_EQ(dlg.done.size(), 1u);
    EXPECT_EQ(dlg.done[0], (std::pair<WPARAM, LPARAM>{5, 6}));
    EXPECT_EQ(dlg.SendMessage(WM_APP + 1, 1, 2), 42);
}

TEST_F(MessageMap, PostedMessageToADestroyedWindowIsDropped)
{
    auto* other = new CTestDialog;
    ASSERT_TRUE(other->Create());
    int before = CTestDialog::s_doneCalls;
    EXPECT_TRUE(other->PostMessage(WM_APP + 1, 1, 1));
    delete other;
    ProcessEvents();  // must not touch the deleted dialog
    EXPECT_EQ(CTestDialog::s_doneCalls, before);
    dlg.PostMessage(WM_APP + 1, 1, 1);
    ProcessEvents();
    EXPECT_EQ(CTestDialog::s_doneCalls, before + 1);
}

TEST_F(MessageMap, PostToUiRunsQueuedOnTheWindowThread)
{
    std::atomic<bool> onUi{false};
    std::atomic<int> ran{0};
    std::thread worker([&] {
        fx::PostToUi([&] {
            onUi = fx::IsUiThread();
            ++ran;
        });
    });
    worker.join();
    EXPECT_EQ(ran.load(), 0);
    ProcessEvents();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_TRUE(onUi.load());
}

}  // namespace
}  // namespace fxtest
