// What a classic administrator does beyond browsing, against the classic controller of
// scripts/fixtures/classic-dc.sh: the program's start by the controller's NetBIOS name,
// the User Properties dialog (names, options, password, groups) and the Group
// Properties dialog with Select Group, through the libnetapi route. What OK writes is
// checked with pdbedit and net on the controller itself.
#include "app_test_env.h"

#include "accounts/group_props_dlg.h"
#include "accounts/select_group_dlg.h"
#include "accounts/user_props_dlg.h"
#include "app/main_app.h"
#include "classic_dc_fixture.h"
#include "res/accounts_resource.h"

#include <algorithm>
#include <set>

namespace {

const bool g_offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0 && ::unsetenv("QT_QPA_PLATFORMTHEME") == 0;

using Names = std::vector<std::string>;
using classic::kServer;

// One field of `pdbedit -Lv USER`.
std::string PdbField(const std::string& user, const std::string& field)
{
    for (const std::string& line : classic::Lines(classic::OnController("pdbedit", "-Lv '" + user + "'"))) {
        if (line.rfind(field + ":", 0) == 0) {
            const std::size_t value = line.find_first_not_of(' ', field.size() + 1);
            return value == std::string::npos ? "" : line.substr(value);
        }
    }
    return "<no " + field + ">";
}

// The members of a domain group as net reports them, without the domain, sorted.
Names NetMembers(const std::string& group)
{
    Names names;
    for (const std::string& line : classic::Lines(classic::Output(
             "net rpc group members '" + group + "' -S CLPDC -A '" + classic::AuthFile() + "' 2>/dev/null")))
        names.push_back(line.substr(line.find('\\') + 1));
    std::sort(names.begin(), names.end());
    return names;
}

class ClassicAccounts : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_FALSE(classic::Dir().empty()) << "VELLOX_CLASSIC_DC_DIR is not set";
        m_api = std::make_unique<net::SambaNetApi>(classic::AdminConnection());
    }

    void EditUser(const std::string& user, const std::function<void(CUserPropsDlg&)>& act)
    {
        CUserPropsDlg dlg(*m_api);
        dlg.m_pServerName = &kServer;
        dlg.m_strRowText = user + "\t";
        net::Status status = net::NERR_Success;
        ASSERT_TRUE(dlg.Load(status)) << status;
        fx::testing::SetModalHandler([&](CWnd& window) { act(dynamic_cast<CUserPropsDlg&>(window)); });
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }

    void EditGroup(const std::string& group, const std::function<void(CGroupPropsDlg&)>& act,
                   const std::string& partner = {})
    {
        CGroupPropsDlg dlg(*m_api);
        dlg.m_pServerName = &kServer;
        dlg.m_strGroup = group;
        net::Status status = net::NERR_Success;
        ASSERT_TRUE(dlg.Load(status)) << status;
        fx::testing::SetModalHandler([&](CWnd& window) {
            if (auto* select = dynamic_cast<CSelectGroupDlg*>(&window)) {
                m_offered.clear();
                for (int i = 0; i < select->m_listGroups.GetCount(); ++i) {
                    CString text;
                    select->m_listGroups.GetText(i, text);
                    m_offered.push_back(text);
                }
                select->m_listGroups.SetCurSel(select->m_listGroups.FindStringExact(-1, partner.c_str()));
                return fx::testing::Click(window, IDOK);
            }
            act(dynamic_cast<CGroupPropsDlg&>(window));
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    }

    static void Select(CListBox& list, const std::string& entry)
    {
        for (int i = 0; i < list.GetCount(); ++i) {
            CString text;
            list.GetText(i, text);
            if (text == entry)
                list.SetSel(i);
        }
    }

    static void Tick(CUserPropsDlg& dlg, int id, bool on)
    {
        if ((dlg.IsDlgButtonChecked(id) != 0) != on)
            fx::testing::Click(dlg, id);
    }

    void StartAndBrowseUsers(const std::string& server);

    std::unique_ptr<net::NetApi> m_api;
    Names m_offered;  // what Select Group listed
};

// Started with --server \\CLPDC, a name only NetBIOS resolves, or with no server on a
// machine whose Samba configuration names the domain (the controller is its domain
// master browser): no message, the start-up server is the controller, and a USERS
// browse lists every account pdbedit lists.
TEST_F(ClassicAccounts, StartByNetbiosNameOpensQuietlyAndBrowsesUsers)
{
    for (const std::string& server : {kServer, std::string()}) {
        SCOPED_TRACE("--server '" + server + "'");
        StartAndBrowseUsers(server);
        m_messages.clear();
    }
}

void ClassicAccounts::StartAndBrowseUsers(const std::string& server)
{
    app::Options options;
    options.server = server;
    options.authFile = classic::AuthFile();
    std::string error;
    std::unique_ptr<net::NetApi> api(OpenNetworkForWindow(options, error));
    ASSERT_TRUE(api) << error;
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    m_dlg = std::make_unique<CMainDialog>(*api, options);
    ASSERT_TRUE(m_dlg->Create());
    EXPECT_EQ(m_dlg->m_settings.serverName, kServer);
    SelectDisplay("USERS");
    fx::testing::Click(*m_dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    std::set<std::string> browsed;
    const auto lines = ListLines();
    for (std::size_t i = 2; i + 1 < lines.size(); ++i)
        browsed.insert(lines[i].substr(0, lines[i].find('\t')));
    std::set<std::string> listed;
    for (const std::string& line : classic::Lines(classic::OnController("pdbedit", "-L"))) {
        const std::string name = line.substr(0, line.find(':'));
        if (!name.empty() && name.back() != '$')
            listed.insert(name);
    }
    EXPECT_EQ(browsed, listed);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    m_dlg.reset();
    ASSERT_TRUE(WaitForWorkers());
}

// A name that neither DNS nor NetBIOS knows is said to be not found, not to be silent.
TEST_F(ClassicAccounts, StartByAnUnknownNameSaysItWasNotFound)
{
    app::Options options;
    options.server = "\\\\NOSUCHHOST";
    options.authFile = classic::AuthFile();
    std::string error;
    std::unique_ptr<net::NetApi> api(OpenNetworkForWindow(options, error));
    ASSERT_TRUE(api) << error;
    EXPECT_EQ(m_messages, Names{"The server \\\\NOSUCHHOST was not found (by DNS or NetBIOS). Browses will fail "
                                "until its name can be found."});
}

// Names, description and each option the route writes, then back; pdbedit sees each.
TEST_F(ClassicAccounts, UserNamesDescriptionAndOptions)
{
    EditUser("cl.writer", [](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_FULL_NAME, "Writer, O'Edited");
        fx::testing::TypeText(dlg, res::IDC_USER_DESCRIPTION, "Edited in the dialog");
        Tick(dlg, res::IDC_USER_DISABLED, true);
        Tick(dlg, res::IDC_USER_NEVER_EXPIRES, true);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(PdbField("cl.writer", "Full Name"), "Writer, O'Edited");
    EXPECT_EQ(PdbField("cl.writer", "Account desc"), "Edited in the dialog");
    EXPECT_EQ(PdbField("cl.writer", "Account Flags"), "[DUX        ]");

    EditUser("cl.writer", [](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_FULL_NAME, "Writer Original");
        fx::testing::TypeText(dlg, res::IDC_USER_DESCRIPTION, "Rewritten by the tests");
        Tick(dlg, res::IDC_USER_DISABLED, false);
        Tick(dlg, res::IDC_USER_NEVER_EXPIRES, false);
        Tick(dlg, res::IDC_USER_MUST_CHANGE, true);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(PdbField("cl.writer", "Full Name"), "Writer Original");
    EXPECT_EQ(PdbField("cl.writer", "Account Flags"), "[U          ]");
    EXPECT_EQ(PdbField("cl.writer", "Password last set"), "0") << "must change at the next log-on";
    EditUser("cl.writer", [](CUserPropsDlg& dlg) {
        Tick(dlg, res::IDC_USER_MUST_CHANGE, false);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_NE(PdbField("cl.writer", "Password last set"), "0");
}

// The dialog can unlock an account the controller locked out, never lock one.
TEST_F(ClassicAccounts, ALockedOutAccountIsUnlocked)
{
    ASSERT_EQ(PdbField("cl.locked", "Account Flags"), "[UL         ]");
    EditUser("cl.locked", [](CUserPropsDlg& dlg) {
        EXPECT_TRUE(dlg.GetDlgItem(res::IDC_USER_LOCKED_OUT)->IsWindowEnabled());
        fx::testing::Click(dlg, res::IDC_USER_LOCKED_OUT);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(PdbField("cl.locked", "Account Flags"), "[U          ]");
}

// "User cannot change password" is an access rule that SAMR does not carry: refused with
// the reason before anything is written, the other changes of the same OK included.
TEST_F(ClassicAccounts, AnOptionTheControllerCantStoreIsRefusedBeforeAnyWrite)
{
    const std::string before = PdbField("cl.comma", "Full Name");
    CUserPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strRowText = "cl.comma\t";
    net::Status status = net::NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    fx::testing::SetModalHandler([](CWnd& window) {
        auto& d = dynamic_cast<CUserPropsDlg&>(window);
        fx::testing::TypeText(d, res::IDC_USER_FULL_NAME, "Never Written");
        Tick(d, res::IDC_USER_CANNOT_CHANGE, true);
        fx::testing::Click(d, IDOK);
        fx::testing::Click(d, IDCANCEL);
    });
    dlg.DoModal();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "An error occurred while changing the user settings. Re-check the settings.\n"
                             "This server can't store \"User cannot change password\" (its accounts have no such "
                             "setting), so the user settings were not written.");
    EXPECT_EQ(PdbField("cl.comma", "Full Name"), before);
}

TEST_F(ClassicAccounts, ANewPasswordLogsOnAndTheOldOneIsRefused)
{
    const std::string fresh = "Vx-Classic-Dialog-4d";
    ASSERT_TRUE(classic::LogsOn("cl.member2", classic::kPassword));
    EditUser("cl.member2", [&](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_PASSWORD, fresh);
        fx::testing::TypeText(dlg, res::IDC_USER_CONFIRM, fresh);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_TRUE(classic::LogsOn("cl.member2", fresh));
    EXPECT_FALSE(classic::LogsOn("cl.member2", classic::kPassword));
    EditUser("cl.member2", [&](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_PASSWORD, classic::kPassword);
        fx::testing::TypeText(dlg, res::IDC_USER_CONFIRM, classic::kPassword);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(classic::LogsOn("cl.member2", classic::kPassword));
}

// Joining and leaving a domain group goes through the controller's group scripts.
TEST_F(ClassicAccounts, UserJoinsAndLeavesAGroup)
{
    EditUser("cl.member1", [](CUserPropsDlg& dlg) {
        Select(dlg.m_listNotMemberOf, "(G) cl-empty");
        fx::testing::Click(dlg, res::IDC_USER_ADD);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(NetMembers("cl-empty"), Names{"cl.member1"});
    EditUser("cl.member1", [](CUserPropsDlg& dlg) {
        Select(dlg.m_listMemberOf, "(G) cl-empty");
        fx::testing::Click(dlg, res::IDC_USER_REMOVE);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(NetMembers("cl-empty"), Names{});
}

// Description and members of a group, then a move from a partner chosen in Select Group,
// which offers every other domain group.
TEST_F(ClassicAccounts, GroupDescriptionMembersAndSelectGroup)
{
    EditGroup("cl-writes", [](CGroupPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_GROUP_DESCRIPTION, "Written over SAMR");
        fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
        Select(dlg.m_listOthers, "cl.member2");
        fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
        Select(dlg.m_listMembers, "cl.member1");
        fx::testing::Click(dlg, res::IDC_GROUP_REMOVE);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(NetMembers("cl-writes"), Names{"cl.member2"});
    EXPECT_NE(classic::OnController("net", "groupmap list verbose").find("Comment   : Written over SAMR"),
              std::string::npos);

    EditGroup(
        "cl-empty",
        [](CGroupPropsDlg& dlg) {
            fx::testing::Click(dlg, res::IDC_GROUP_SELECT_GROUP);
            fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
            Select(dlg.m_listOthers, "cl.member2");
            fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
            fx::testing::Click(dlg, IDOK);
        },
        "cl-writes");
    EXPECT_EQ(m_offered, (Names{"cl-staff", "cl-writes", "Domain Admins", "Domain Guests", "Domain Users"}));
    EXPECT_EQ(NetMembers("cl-empty"), Names{"cl.member2"});
    EXPECT_EQ(NetMembers("cl-writes"), Names{});

    // Back as the fixture made them.
    ASSERT_EQ(m_api->GroupDelUser(kServer, "cl-empty", "cl.member2"), net::NERR_Success);
    ASSERT_EQ(m_api->GroupAddUser(kServer, "cl-writes", "cl.member1"), net::NERR_Success);
    net::GROUP_INFO_2 info;
    ASSERT_EQ(m_api->GroupGetInfo(kServer, "cl-writes", info), net::NERR_Success);
    info.grpi2_comment = "Changed by the tests";
    ASSERT_EQ(m_api->GroupSetInfo(kServer, "cl-writes", info), net::NERR_Success);
}

}  // namespace
