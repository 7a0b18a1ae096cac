// Opening properties from the list and the User Properties dialog on the sample
// domain, driven as a user would through the framework's hooks.
#include "app_test_env.h"

#include "accounts/list_entries.h"
#include "accounts/user_props_dlg.h"
#include "res/accounts_resource.h"

#include <algorithm>

namespace {

using Names = std::vector<std::string>;

class UserProps : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fx::testing::SetMessageBoxHandler([this](const fx::testing::MessageBoxCall& call) {
            m_messages.push_back(call.text);
            m_captions.push_back(call.caption);
            const int answer = m_answers.empty() ? IDYES : m_answers.front();
            if (!m_answers.empty())
                m_answers.erase(m_answers.begin());
            return answer;
        });
        Open();
    }

    // Browses USERS and returns the row index of `name`.
    int UserRow(const std::string& name)
    {
        if (m_dlg->m_shownType != DisplayType::USERS) {
            SelectDisplay("USERS");
            fx::testing::Click(*m_dlg, res::IDC_BROWSE);
            EXPECT_TRUE(WaitForBrowse());
        }
        const Names lines = ListLines();
        for (std::size_t i = 2; i + 1 < lines.size(); ++i)
            if (lines[i].rfind(name + "\t", 0) == 0)
                return static_cast<int>(i);
        ADD_FAILURE() << name << " is not listed";
        return -1;
    }

    // Double-clicks the row of `name`; `act` runs inside the dialog for each opening.
    void Edit(const std::string& name, std::function<void(CUserPropsDlg&)> act)
    {
        const int row = UserRow(name);
        fx::testing::SetModalHandler([&](CWnd& window) {
            ++m_opened;
            act(dynamic_cast<CUserPropsDlg&>(window));
        });
        fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, row);
    }

    static Names Entries(const CListBox& list) { return accounts::ListEntries(list); }
    static int IndexOf(CListBox& list, const std::string& entry)
    {
        const Names names = Entries(list);
        const auto it = std::find(names.begin(), names.end(), entry);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }

    net::USER_INFO_3 Account(const std::string& name)
    {
        net::USER_INFO_3 user;
        EXPECT_EQ(m_sim->UserGetInfo("\\\\VELLOX-PDC", name, user), net::NERR_Success);
        return user;
    }
    Names GlobalGroups(const std::string& name)
    {
        std::vector<net::GROUP_USERS_INFO_1> groups;
        EXPECT_EQ(m_sim->UserGetGroups("\\\\VELLOX-PDC", name, groups), net::NERR_Success);
        Names names;
        for (const auto& g : groups)
            names.push_back(g.grui1_name);
        return names;
    }

    std::vector<std::string> m_captions;
    std::vector<int> m_answers;
    int m_opened = 0;
};

bool Has(const Names& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(UserProps, TheDialogShowsTheAccountAndOkWritesOnlyTheChange)
{
    Edit("abrown", [&](CUserPropsDlg& dlg) {
        CString text;
        dlg.GetDlgItemText(res::IDC_USER_NAME, text);
        EXPECT_EQ(text, "abrown");
        dlg.GetDlgItemText(res::IDC_USER_PASSWORD, text);
        EXPECT_EQ(text, res::STR_PASSWORD_PLACEHOLDER);
        EXPECT_FALSE(dlg.GetDlgItem(res::IDC_USER_LOCKED_OUT)->IsWindowEnabled());
        EXPECT_FALSE(dlg.GetDlgItem(res::IDC_USER_PRIMARY)->IsWindowEnabled());
        const Names memberOf = Entries(dlg.m_listMemberOf);
        EXPECT_TRUE(Has(memberOf, "(G) Sales"));
        EXPECT_TRUE(Has(memberOf, "(I) Sales Printers"));
        EXPECT_TRUE(Has(Entries(dlg.m_listNotMemberOf), "(L) Sales Printers"));
        EXPECT_TRUE(fx::testing::RenderToPng(dlg, std::string(APP_TEST_OUTDIR) + "/user_props.png"));
        fx::testing::TypeText(dlg, res::IDC_USER_FULL_NAME, "Brown, Alice M.");
        fx::testing::Click(dlg, IDOK);
    });
    ASSERT_EQ(m_opened, 1);
    EXPECT_EQ(Account("abrown").usri3_full_name, "Brown, Alice M.");
    EXPECT_EQ(m_sim->CallCount("UserSetInfo"), 1u);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();

    Edit("abrown", [](CUserPropsDlg& dlg) { fx::testing::Click(dlg, IDOK); });
    EXPECT_EQ(m_sim->CallCount("UserSetInfo"), 1u) << "nothing changed: no write";
}

TEST_F(UserProps, OptionsAndPasswordsAreCheckedBeforeAnythingIsWritten)
{
    Edit("abrown", [&](CUserPropsDlg& dlg) {
        fx::testing::Click(dlg, res::IDC_USER_MUST_CHANGE);
        fx::testing::Click(dlg, res::IDC_USER_NEVER_EXPIRES);
        fx::testing::Click(dlg, IDOK);
        EXPECT_EQ(m_messages, Names{res::STR_CONFLICTING_OPTIONS});
        fx::testing::Click(dlg, res::IDC_USER_MUST_CHANGE);
        fx::testing::TypeText(dlg, res::IDC_USER_PASSWORD, "New-Pass-1");
        fx::testing::Click(dlg, IDOK);
        EXPECT_EQ(m_messages.back(), res::STR_PASSWORDS_DIFFER);
        EXPECT_EQ(m_sim->CallCount("UserSetInfo"), 0u);
        fx::testing::TypeText(dlg, res::IDC_USER_CONFIRM, "New-Pass-1");
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(m_messages.size(), 2u);
    const net::USER_INFO_3 after = Account("abrown");
    EXPECT_TRUE(after.usri3_flags & net::UF_DONT_EXPIRE_PASSWD);
    EXPECT_EQ(after.usri3_password_age, 1u) << "the new password was set";
}

TEST_F(UserProps, ALockedOutAccountCanBeUnlocked)
{
    Edit("mlopez", [&](CUserPropsDlg& dlg) {
        EXPECT_TRUE(dlg.GetDlgItem(res::IDC_USER_LOCKED_OUT)->IsWindowEnabled());
        fx::testing::Click(dlg, res::IDC_USER_LOCKED_OUT);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_FALSE(Account("mlopez").usri3_flags & net::UF_LOCKOUT);
}

TEST_F(UserProps, RemovalsAreCommittedAndIndirectEntriesStay)
{
    Edit("abrown", [&](CUserPropsDlg& dlg) {
        dlg.m_listMemberOf.SetSel(IndexOf(dlg.m_listMemberOf, "(G) Sales"));
        dlg.m_listMemberOf.SetSel(IndexOf(dlg.m_listMemberOf, "(I) Sales Printers"));
        fx::testing::Click(dlg, res::IDC_USER_REMOVE);
        EXPECT_EQ(m_messages, Names{res::STR_INDIRECT_GROUP});
        const int indirect = IndexOf(dlg.m_listMemberOf, "(I) Sales Printers");
        ASSERT_GE(indirect, 0);
        EXPECT_EQ(dlg.m_listMemberOf.GetSel(indirect), 0);
        EXPECT_GE(IndexOf(dlg.m_listNotMemberOf, "(G) Sales"), 0);
        dlg.m_listNotMemberOf.SetSel(IndexOf(dlg.m_listNotMemberOf, "(G) Marketing"));
        fx::testing::Click(dlg, res::IDC_USER_ADD);
        fx::testing::Click(dlg, IDOK);
    });
    const Names groups = GlobalGroups("abrown");
    EXPECT_FALSE(Has(groups, "Sales"));
    EXPECT_TRUE(Has(groups, "Marketing"));
}

// On a backup controller each row asks first; No skips that row alone, and a write the
// server refuses is said with its reason.
TEST_F(UserProps, ABackupControllerWarnsForEachRow)
{
    m_dlg->m_settings.serverName = "\\\\VELLOX-BDC";
    const int first = UserRow("abrown");
    const int second = UserRow("bclark");
    m_dlg->m_listResults.SetSel(first);
    m_dlg->m_listResults.SetSel(second);
    m_answers = {IDNO, IDYES};
    fx::testing::SetModalHandler([&](CWnd& window) {
        auto& dlg = dynamic_cast<CUserPropsDlg&>(window);
        ++m_opened;
        EXPECT_EQ(dlg.m_strUserName, "bclark");
        fx::testing::TypeText(dlg, res::IDC_USER_DESCRIPTION, "Changed on the backup");
        fx::testing::Click(dlg, IDOK);
    });
    fx::testing::ChooseMenuCommand(*m_dlg, res::ID_TOOLS_PROPERTIES_CYCLIC);
    EXPECT_EQ(m_opened, 1);
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_EQ(m_messages[0], res::STR_NOT_DOMAIN_CONTROLLER);
    EXPECT_EQ(m_captions[0], res::STR_WARNING_CAPTION);
    EXPECT_EQ(m_messages[2], std::string(res::STR_USER_SETTINGS_FAILED) + "\nAccess is denied.");
}

TEST_F(UserProps, SelectedRowsOpenOneAfterTheOther)
{
    const int first = UserRow("abrown");
    const int second = UserRow("kpatel");
    m_dlg->m_listResults.SetSel(first);
    m_dlg->m_listResults.SetSel(second);
    Names opened;
    fx::testing::SetModalHandler([&](CWnd& window) {
        opened.push_back(dynamic_cast<CUserPropsDlg&>(window).m_strUserName);
        fx::testing::Click(window, IDCANCEL);
    });
    fx::testing::ChooseMenuCommand(*m_dlg, res::ID_TOOLS_PROPERTIES_CYCLIC);
    EXPECT_EQ(opened, (Names{"abrown", "kpatel"}));
    EXPECT_TRUE(m_messages.empty()) << "the primary controller needs no warning";
}

TEST_F(UserProps, TheHeaderInTheSelectionOpensNothing)
{
    const int row = UserRow("abrown");
    m_dlg->m_listResults.SetSel(0);
    m_dlg->m_listResults.SetSel(row);
    fx::testing::SetModalHandler([&](CWnd&) { ++m_opened; });
    fx::testing::ChooseMenuCommand(*m_dlg, res::ID_TOOLS_PROPERTIES_CYCLIC);
    EXPECT_EQ(m_opened, 0);
    EXPECT_EQ(m_messages, Names{res::STR_INVALID_SELECTION});
}

TEST_F(UserProps, AnAccountThatCantBeReadOpensNoDialog)
{
    const int row = UserRow("abrown");
    m_sim->FailCall("UserGetInfo", net::NERR_UserNotFound);
    fx::testing::SetModalHandler([&](CWnd&) { ++m_opened; });
    fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, row);
    EXPECT_EQ(m_opened, 0);
    EXPECT_EQ(m_messages, Names{std::string(res::STR_ACCOUNT_UNREADABLE) + "\nThe user name could not be found."});
}

// NETWORK server rows make their server current; a server the box lacks (matched
// whole, ignoring case) is offered for the box.
TEST_F(UserProps, NetworkRowsMakeTheirServerCurrent)
{
    m_dlg->m_shownType = DisplayType::NETWORK;
    m_dlg->m_listResults.ResetContent();
    for (const char* line : {"Network\tResource Type", "====", "\\\\vellox-pdc\tServer", "\\\\VELLOX-PD\tServer",
                             "\t\\\\VELLOX-PD\\share\tDisk", "===="})
        m_dlg->m_listResults.AddString(line);
    const int before = m_dlg->m_comboServer.GetCount();
    m_answers = {IDYES};
    for (int row : {2, 3, 4})
        fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, row);
    EXPECT_EQ(m_messages, Names{res::STR_ADD_NEW_SERVER}) << "only \\\\VELLOX-PD is new";
    EXPECT_EQ(m_captions, Names{res::STR_APP_CAPTION});
    EXPECT_EQ(m_dlg->m_settings.serverName, "\\\\VELLOX-PD");
    EXPECT_EQ(m_dlg->m_comboServer.GetCount(), before + 1);
}

// The Server box always shows the server the next Browse uses, whatever the answer to
// the offer of a new one.
TEST_F(UserProps, TheServerBoxShowsTheServerANetworkRowLeavesCurrent)
{
    struct Case {
        const char* row;
        int answer;
        const char* current;  // the server afterwards, and the box's selection
        int entries;          // in the Server box afterwards
    };
    const Case cases[] = {
        {"\\\\VELLOX-BDC", IDNO, "\\\\VELLOX-PDC", 1},   // declined: nothing changes
        {"\\\\VELLOX-BDC", IDYES, "\\\\VELLOX-BDC", 2},  // added and selected
        {"\\\\vellox-pdc", IDYES, "\\\\VELLOX-PDC", 2},  // an entry the box has: selected, not asked
    };
    m_dlg->m_shownType = DisplayType::NETWORK;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.row) + (c.answer == IDYES ? " yes" : " no"));
        m_dlg->m_listResults.ResetContent();
        for (const std::string& line : Names{"Network", "====", std::string(c.row) + "\tServer", "===="})
            m_dlg->m_listResults.AddString(line.c_str());
        m_answers = {c.answer};
        fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, 2);
        CString shown;
        m_dlg->m_comboServer.GetWindowText(shown);
        EXPECT_EQ(m_dlg->m_settings.serverName, c.current);
        EXPECT_EQ(std::string(shown), c.current);
        EXPECT_EQ(m_dlg->m_comboServer.GetCount(), c.entries);
    }
    EXPECT_EQ(m_messages, (Names{res::STR_ADD_NEW_SERVER, res::STR_ADD_NEW_SERVER}));
}

// End to end: a NETWORK browse of the sample network, then a server row opened from it.
TEST_F(UserProps, ANetworkBrowseThenAServerRowMadeCurrent)
{
    m_dlg->m_settings.n_Shares_Disk = 1;
    SelectDisplay("NETWORK");
    fx::testing::Click(*m_dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    const Names lines = ListLines();
    EXPECT_TRUE(fx::testing::RenderToPng(*m_dlg, std::string(APP_TEST_OUTDIR) + "/network.png"));
    const auto row = std::find(lines.begin(), lines.end(), "\t\t\\\\RESEARCH-LAB1\tServer");
    ASSERT_NE(row, lines.end());
    EXPECT_EQ(row[1], "\t\t\\\\RESEARCH-LAB1\\Data\tDisk");
    m_answers = {IDYES};
    fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, static_cast<int>(row - lines.begin()));
    EXPECT_EQ(m_dlg->m_settings.serverName, "\\\\RESEARCH-LAB1");
    EXPECT_GE(m_dlg->m_comboServer.FindStringExact(-1, "\\\\RESEARCH-LAB1"), 0);
}

}  // namespace
