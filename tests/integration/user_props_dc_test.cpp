// The User and Group Properties dialogs against the local controller, through both
// real routes: what OK writes is on the server, and only that.
#include "app_test_env.h"

#include "accounts/group_props_dlg.h"
#include "accounts/select_group_dlg.h"
#include "accounts/user_props_dlg.h"
#include "enum/users_lines.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/net/directory/kerberos_logon.h"
#include "platform/net/samba/samba_netapi.h"
#include "res/accounts_resource.h"
#include "samba_dc_fixture.h"

#include <algorithm>
#include <future>
#include <map>
#include <set>

namespace {

const bool g_offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0 && ::unsetenv("QT_QPA_PLATFORMTHEME") == 0;

using Names = std::vector<std::string>;
using vxtest::kServer;

enum class Route { Libnetapi, Directory };

class UserPropsDc : public MainWindowTest, public ::testing::WithParamInterface<Route> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_samba = std::make_unique<net::SambaNetApi>(vxtest::AdminConnection());
        std::string error;
        m_directory = net::CreateDomainNetApi(kServer, vxtest::AdminConnection().credentials,
                                              std::make_unique<net::SambaNetApi>(vxtest::AdminConnection()), &error);
        ASSERT_NE(dynamic_cast<net::DirectoryNetApi*>(m_directory.get()), nullptr) << error;
        m_api = GetParam() == Route::Libnetapi ? m_samba.get() : m_directory.get();
        m_other = GetParam() == Route::Libnetapi ? m_directory.get() : m_samba.get();
    }

    // Opens the dialog for `user`; `act` runs inside it.
    void Edit(const std::string& user, const std::function<void(CUserPropsDlg&)>& act)
    {
        CUserPropsDlg dlg(*m_api);
        dlg.m_pServerName = &kServer;
        dlg.m_strRowText = user + "\tWhatever the row says\t";
        net::Status status = net::NERR_Success;
        ASSERT_TRUE(dlg.Load(status)) << status;
        fx::testing::SetModalHandler([&](CWnd& window) { act(dynamic_cast<CUserPropsDlg&>(window)); });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    }

    net::USER_INFO_3 Read(const std::string& user)
    {
        net::USER_INFO_3 info;
        EXPECT_EQ(m_other->UserGetInfo(kServer, user, info), net::NERR_Success);
        return info;
    }

    Names Groups(const std::string& user)
    {
        std::vector<net::GROUP_USERS_INFO_1> global;
        std::vector<net::LOCALGROUP_USERS_INFO_0> local;
        // Through the directory: libnetapi can't list a user's domain-local groups on a
        // Samba controller (it answers 1301).
        EXPECT_EQ(m_directory->UserGetGroups(kServer, user, global), net::NERR_Success);
        EXPECT_EQ(m_directory->UserGetLocalGroups(kServer, user, 0, local), net::NERR_Success);
        Names names;
        for (const auto& g : global)
            names.push_back(g.grui1_name);
        for (const auto& g : local)
            names.push_back(g.lgrui0_name);
        return names;
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

    static net::KerberosResult LogOn(const std::string& user, const std::string& password)
    {
        std::string message;
        auto kerberos = net::KerberosLogon::Create("VELLOX.TEST", "DC1", message);
        return kerberos ? kerberos->LogOn({user, "VELLOX", password}, message) : net::KerberosResult::Other;
    }

    std::unique_ptr<net::NetApi> m_samba, m_directory;
    net::NetApi* m_api = nullptr;
    net::NetApi* m_other = nullptr;
};

// Sets a check box to `on` the way a user does, whatever state other tests left the
// account in.
void Tick(CUserPropsDlg& dlg, int id, bool on)
{
    if ((dlg.IsDlgButtonChecked(id) != 0) != on)
        fx::testing::Click(dlg, id);
}

TEST_P(UserPropsDc, NamesDescriptionAndOptionsAreWrittenAndTakenBack)
{
    Edit("vx.writer", [](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_FULL_NAME, "Writer, Edited");
        fx::testing::TypeText(dlg, res::IDC_USER_DESCRIPTION, "Edited in the dialog");
        Tick(dlg, res::IDC_USER_DISABLED, true);
        Tick(dlg, res::IDC_USER_NEVER_EXPIRES, true);
        fx::testing::Click(dlg, IDOK);
    });
    net::USER_INFO_3 now = Read("vx.writer");
    EXPECT_EQ(now.usri3_full_name, "Writer, Edited");
    EXPECT_EQ(now.usri3_comment, "Edited in the dialog");
    EXPECT_EQ(now.usri3_flags & (net::UF_ACCOUNTDISABLE | net::UF_DONT_EXPIRE_PASSWD),
              net::UF_ACCOUNTDISABLE | net::UF_DONT_EXPIRE_PASSWD);

    Edit("vx.writer", [](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_FULL_NAME, "Writer Original");
        fx::testing::TypeText(dlg, res::IDC_USER_DESCRIPTION, "Rewritten by the tests");
        Tick(dlg, res::IDC_USER_DISABLED, false);
        Tick(dlg, res::IDC_USER_NEVER_EXPIRES, false);
        Tick(dlg, res::IDC_USER_MUST_CHANGE, true);
        fx::testing::Click(dlg, IDOK);
    });
    now = Read("vx.writer");
    EXPECT_EQ(now.usri3_full_name, "Writer Original");
    EXPECT_EQ(now.usri3_flags & (net::UF_ACCOUNTDISABLE | net::UF_DONT_EXPIRE_PASSWD), 0u);
    EXPECT_EQ(now.usri3_password_expired, 1u);
    Edit("vx.writer", [](CUserPropsDlg& dlg) {
        Tick(dlg, res::IDC_USER_MUST_CHANGE, false);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(Read("vx.writer").usri3_password_expired, 0u);
}

TEST_P(UserPropsDc, ANewPasswordLogsOnAndTheOldOneIsRefused)
{
    const std::string old = vxtest::kPassword;
    const std::string fresh = GetParam() == Route::Libnetapi ? "Vx-Dialog-Smb-2b" : "Vx-Dialog-Ldap-3c";
    ASSERT_EQ(LogOn("vx.member2", old), net::KerberosResult::Ok);
    Edit("vx.member2", [&](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_PASSWORD, fresh);
        fx::testing::TypeText(dlg, res::IDC_USER_CONFIRM, fresh);
        fx::testing::Click(dlg, IDOK);
        EXPECT_TRUE(dlg.m_strPassword.empty()) << "the dialog forgets the password";
    });
    EXPECT_EQ(LogOn("vx.member2", fresh), net::KerberosResult::Ok);
    EXPECT_EQ(LogOn("vx.member2", old), net::KerberosResult::WrongPassword);
    Edit("vx.member2", [&](CUserPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_USER_PASSWORD, old);
        fx::testing::TypeText(dlg, res::IDC_USER_CONFIRM, old);
        fx::testing::Click(dlg, IDOK);
    });
}

TEST_P(UserPropsDc, JoiningAndLeavingGlobalAndLocalGroups)
{
    Edit("vx.member1", [](CUserPropsDlg& dlg) {
        Select(dlg.m_listNotMemberOf, "(G) vx-empty");
        Select(dlg.m_listNotMemberOf, "(L) vx-local-writes");
        fx::testing::Click(dlg, res::IDC_USER_ADD);
        fx::testing::Click(dlg, IDOK);
    });
    Names groups = Groups("vx.member1");
    EXPECT_TRUE(std::count(groups.begin(), groups.end(), "vx-empty"));
    EXPECT_TRUE(std::count(groups.begin(), groups.end(), "vx-local-writes"));

    // Leaving: on the libnetapi route the dialog can't see the direct local membership
    // (the read fails), so only the global group can be moved out there.
    const bool seesLocal = GetParam() == Route::Directory;
    Edit("vx.member1", [&](CUserPropsDlg& dlg) {
        Select(dlg.m_listMemberOf, "(G) vx-empty");
        Select(dlg.m_listMemberOf, "(L) vx-local-writes");
        EXPECT_EQ(dlg.m_listMemberOf.GetSelCount(), seesLocal ? 2 : 1);
        fx::testing::Click(dlg, res::IDC_USER_REMOVE);
        fx::testing::Click(dlg, IDOK);
    });
    groups = Groups("vx.member1");
    EXPECT_FALSE(std::count(groups.begin(), groups.end(), "vx-empty"));
    EXPECT_EQ(std::count(groups.begin(), groups.end(), "vx-local-writes"), seesLocal ? 0 : 1);
    net::Sid sid;
    std::string domain;
    net::SidNameUse use;
    ASSERT_EQ(m_directory->LookupAccountName(kServer, "vx.member1", sid, domain, use), net::NERR_Success);
    const net::Status left = m_directory->LocalGroupDelMember(kServer, "vx-local-writes", sid);
    EXPECT_EQ(left, seesLocal ? net::ERROR_MEMBER_NOT_IN_ALIAS : net::NERR_Success);
}

// Another administrator's change to a field left alone here survives OK.
TEST_P(UserPropsDc, AChangeMadeMeanwhileSurvives)
{
    CUserPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strRowText = "vx.comma\t";
    net::Status status = net::NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    const std::string description = GetParam() == Route::Libnetapi ? "Meanwhile over LDAP" : "Meanwhile over SAMR";
    net::USER_INFO_3 theirs = Read("vx.comma");
    theirs.usri3_comment = description;
    net::UserFields comment;
    comment.comment = true;
    ASSERT_EQ(m_other->UserSetInfo(kServer, "vx.comma", theirs, comment), net::NERR_Success);
    fx::testing::SetModalHandler([](CWnd& window) {
        fx::testing::TypeText(window, res::IDC_USER_FULL_NAME, "Doe, Jane Q.");
        fx::testing::Click(window, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    const net::USER_INFO_3 now = Read("vx.comma");
    EXPECT_EQ(now.usri3_full_name, "Doe, Jane Q.");
    EXPECT_EQ(now.usri3_comment, description);
}

TEST_P(UserPropsDc, ALockedOutAccountIsUnlocked)
{
    const std::string user = GetParam() == Route::Libnetapi ? "vx.unlock.smb" : "vx.unlock.dir";
    ASSERT_TRUE(Read(user).usri3_flags & net::UF_LOCKOUT) << user << " is locked out by the populate step";
    Edit(user, [](CUserPropsDlg& dlg) {
        EXPECT_TRUE(dlg.GetDlgItem(res::IDC_USER_LOCKED_OUT)->IsWindowEnabled());
        fx::testing::Click(dlg, res::IDC_USER_LOCKED_OUT);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_FALSE(Read(user).usri3_flags & net::UF_LOCKOUT);
}

// ---- Group Properties ------------------------------------------------------------------

class GroupPropsDc : public UserPropsDc {
protected:
    // Opens `group`; `act` runs in the dialog, `partner` names the group Select Group picks.
    void EditGroup(const std::string& group, const std::function<void(CGroupPropsDlg&)>& act,
                   const std::string& partner = {})
    {
        CGroupPropsDlg dlg(*m_api);
        dlg.m_pServerName = &kServer;
        dlg.m_strGroup = group;
        net::Status status = net::NERR_Success;
        ASSERT_TRUE(dlg.Load(status)) << status;
        OkWith(dlg, act, partner);
    }
    void OkWith(CGroupPropsDlg& dlg, const std::function<void(CGroupPropsDlg&)>& act, const std::string& partner)
    {
        fx::testing::SetModalHandler([&](CWnd& window) {
            if (auto* select = dynamic_cast<CSelectGroupDlg*>(&window)) {
                select->m_listGroups.SetCurSel(select->m_listGroups.FindStringExact(-1, partner.c_str()));
                return fx::testing::Click(window, IDOK);
            }
            act(dynamic_cast<CGroupPropsDlg&>(window));
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    }
    Names GroupMembers(const std::string& group)
    {
        std::vector<net::GROUP_USERS_INFO_0> members;
        EXPECT_EQ(m_other->GroupGetUsers(kServer, group, members), net::NERR_Success);
        Names names;
        for (const auto& m : members)
            names.push_back(m.grui0_name);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_P(GroupPropsDc, DescriptionAndMembers)
{
    const std::string description = GetParam() == Route::Libnetapi ? "Written over SAMR" : "Written over LDAP";
    EditGroup("vx-writes", [&](CGroupPropsDlg& dlg) {
        fx::testing::TypeText(dlg, res::IDC_GROUP_DESCRIPTION, description);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
        Select(dlg.m_listOthers, "vx.member2");
        fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
        Select(dlg.m_listMembers, "vx.member1");
        fx::testing::Click(dlg, res::IDC_GROUP_REMOVE);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(GroupMembers("vx-writes"), Names{"vx.member2"});
    net::GROUP_INFO_2 info;
    ASSERT_EQ(m_other->GroupGetInfo(kServer, "vx-writes", info), net::NERR_Success);
    EXPECT_EQ(info.grpi2_comment, description);
    EditGroup("vx-writes", [&](CGroupPropsDlg& dlg) {  // back as populated
        fx::testing::TypeText(dlg, res::IDC_GROUP_DESCRIPTION, "Changed by the tests");
        fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
        Select(dlg.m_listMembers, "vx.member2");
        fx::testing::Click(dlg, res::IDC_GROUP_REMOVE);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
        Select(dlg.m_listOthers, "vx.member1");
        fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(GroupMembers("vx-writes"), Names{"vx.member1"});
}

// With a partner: a user moved from the partner into the group is added to one and
// removed from the other; a member another administrator added meanwhile stays.
TEST_P(GroupPropsDc, AMoveFromThePartnerAndAMemberAddedMeanwhile)
{
    CGroupPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strGroup = "vx-empty";
    net::Status status = net::NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    ASSERT_EQ(m_other->GroupAddUser(kServer, "vx-empty", "vx.member2"), net::NERR_Success);  // meanwhile
    OkWith(
        dlg,
        [](CGroupPropsDlg& d) {
            fx::testing::Click(d, res::IDC_GROUP_SELECT_GROUP);
            fx::testing::FocusControl(d, res::IDC_GROUP_OTHERS);
            Select(d.m_listOthers, "vx.member1");
            fx::testing::Click(d, res::IDC_GROUP_MOVE);
            fx::testing::Click(d, IDOK);
        },
        "vx-writes");
    EXPECT_EQ(GroupMembers("vx-empty"), (Names{"vx.member1", "vx.member2"}));
    EXPECT_EQ(GroupMembers("vx-writes"), Names{});
    for (const char* user : {"vx.member1", "vx.member2"})
        EXPECT_EQ(m_other->GroupDelUser(kServer, "vx-empty", user), net::NERR_Success);
    EXPECT_EQ(m_other->GroupAddUser(kServer, "vx-writes", "vx.member1"), net::NERR_Success);
}

INSTANTIATE_TEST_SUITE_P(Routes, GroupPropsDc, ::testing::Values(Route::Libnetapi, Route::Directory),
                         [](const auto& info) { return info.param == Route::Libnetapi ? "Libnetapi" : "Directory"; });

INSTANTIATE_TEST_SUITE_P(Routes, UserPropsDc, ::testing::Values(Route::Libnetapi, Route::Directory),
                         [](const auto& info) { return info.param == Route::Libnetapi ? "Libnetapi" : "Directory"; });

// Each real route, from its first bind (GSSAPI with a ticket got from the password) or
// the library's first call to the last line of USERS, on a browse worker's stack.
TEST(WorkerStackDc, EachRouteRunsWholeOnAWorkersStack)
{
    std::map<bool, std::set<std::string>> accounts;
    for (const bool directory : {true, false}) {
        SCOPED_TRACE(directory ? "directory" : "libnetapi");
        std::promise<std::pair<bool, std::set<std::string>>> browsed;
        PendingThread thread;
        ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] {
            const net::SambaConnection connection = vxtest::AdminConnection();
            std::unique_ptr<net::NetApi> api = std::make_unique<net::SambaNetApi>(connection);
            std::string error;
            if (directory)
                api = net::CreateDomainNetApi(kServer, connection.credentials, std::move(api), &error);
            AppSettings settings;
            settings.serverName = kServer;
            std::vector<std::string> lines;
            int count = 0;
            UsersLines(*api, settings, lines, count, std::stop_token());
            std::set<std::string> names;
            for (const std::string& line : lines)
                if (line.find('\t') != std::string::npos)  // not the closing separator
                    names.insert(line.substr(0, line.find('\t')));
            browsed.set_value({dynamic_cast<net::DirectoryNetApi*>(api.get()) != nullptr, std::move(names)});
        }));
        thread.Release();
        auto [wasDirectory, names] = browsed.get_future().get();
        EXPECT_EQ(wasDirectory, directory);
        EXPECT_GE(names.size(), 19u);
        EXPECT_TRUE(names.count("Administrator") && names.count("vx.tabbed") && names.count("vx.writer"));
        accounts[directory] = std::move(names);
        ASSERT_TRUE(threads::WaitForOwnedThreads(std::chrono::seconds(20)));
    }
    EXPECT_EQ(accounts[true], accounts[false]);
}

}  // namespace
