// The Group Properties and Select Group dialogs on the sample domain, driven as a user
// would through the framework's hooks.
#include "app_test_env.h"

#include "accounts/group_props_dlg.h"
#include "accounts/list_entries.h"
#include "accounts/select_group_dlg.h"
#include "res/accounts_resource.h"

#include <algorithm>

namespace {

using Names = std::vector<std::string>;
const std::string kPdc = "\\\\VELLOX-PDC";

class GroupProps : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fx::testing::SetMessageBoxHandler([this](const fx::testing::MessageBoxCall& call) {
            m_messages.push_back(call.text);
            return m_answer;
        });
        Open();
        SelectDisplay("GROUPS");
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
        EXPECT_TRUE(WaitForBrowse());
    }

    // Opens `group` from its GROUPS line; `act` runs in the Group Properties dialog,
    // `choose` in each Select Group dialog it opens.
    void Edit(const std::string& group, std::function<void(CGroupPropsDlg&)> act,
              std::function<void(CSelectGroupDlg&)> choose = nullptr)
    {
        const Names lines = ListLines();
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return l.rfind(group + "\t", 0) == 0; });
        ASSERT_NE(it, lines.end()) << group;
        fx::testing::SetModalHandler([&](CWnd& window) {
            if (auto* select = dynamic_cast<CSelectGroupDlg*>(&window))
                return choose(*select);
            ++m_opened;
            act(dynamic_cast<CGroupPropsDlg&>(window));
        });
        fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, static_cast<int>(it - lines.begin()));
    }

    static Names Entries(const CListBox& list) { return accounts::ListEntries(list); }
    static void Select(CListBox& list, const std::string& entry)
    {
        const Names names = Entries(list);
        const auto it = std::find(names.begin(), names.end(), entry);
        ASSERT_NE(it, names.end()) << entry;
        list.SetSel(static_cast<int>(it - names.begin()));
    }
    static std::string Label(CGroupPropsDlg& dlg)
    {
        CString text;
        dlg.GetDlgItemText(res::IDC_GROUP_OTHERS_LABEL, text);
        return text;
    }
    Names Members(const std::string& group)
    {
        std::vector<net::GROUP_USERS_INFO_0> members;
        EXPECT_EQ(m_sim->GroupGetUsers(kPdc, group, members), net::NERR_Success);
        Names names;
        for (const auto& m : members)
            names.push_back(m.grui0_name);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::size_t Writes() const
    {
        return m_sim->CallCount("GroupSetInfo") + m_sim->CallCount("GroupAddUser") + m_sim->CallCount("GroupDelUser");
    }

    int m_answer = IDOK;
    int m_opened = 0;
};

bool Enabled(CGroupPropsDlg& dlg, int id)
{
    return dlg.GetDlgItem(id)->IsWindowEnabled();
}

TEST_F(GroupProps, ButtonsFollowTheFocusAndOkWithoutChangesWritesNothing)
{
    Edit("Sales", [&](CGroupPropsDlg& dlg) {
        EXPECT_EQ(Entries(dlg.m_listMembers), (Names{"abrown", "rscott", "sturner", "wallen"}));
        EXPECT_EQ(Label(dlg), "Not members of");
        const Names others = Entries(dlg.m_listOthers);
        EXPECT_TRUE(std::count(others.begin(), others.end(), "bclark"));
        EXPECT_FALSE(std::count(others.begin(), others.end(), "abrown"));
        for (int id : {res::IDC_GROUP_MOVE, res::IDC_GROUP_REMOVE, res::IDC_GROUP_COPY_TO_MEMBERS,
                       res::IDC_GROUP_COPY_TO_OTHERS})
            EXPECT_FALSE(Enabled(dlg, id)) << id;
        EXPECT_FALSE(Enabled(dlg, res::IDC_GROUP_HELP));
        Select(dlg.m_listMembers, "abrown");
        fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
        EXPECT_TRUE(Enabled(dlg, res::IDC_GROUP_MOVE));
        EXPECT_FALSE(Enabled(dlg, res::IDC_GROUP_REMOVE));
        EXPECT_FALSE(Enabled(dlg, res::IDC_GROUP_COPY_TO_MEMBERS)) << "no partner: no copies";
        EXPECT_EQ(dlg.m_listMembers.GetSelCount(), 0);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
        EXPECT_TRUE(Enabled(dlg, res::IDC_GROUP_REMOVE));
        EXPECT_FALSE(Enabled(dlg, res::IDC_GROUP_MOVE));
        EXPECT_TRUE(fx::testing::RenderToPng(dlg, std::string(APP_TEST_OUTDIR) + "/group_props.png"));
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(m_opened, 1);
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(GroupProps, CancelAfterMovesWritesNothingAndOkWritesThem)
{
    const auto moves = [](CGroupPropsDlg& dlg) {
        fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
        Select(dlg.m_listOthers, "bclark");
        Select(dlg.m_listOthers, "cdavis");
        fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
        fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
        Select(dlg.m_listMembers, "wallen");
        fx::testing::Click(dlg, res::IDC_GROUP_REMOVE);
        EXPECT_FALSE(dlg.GetDlgItem(res::IDC_GROUP_SELECT_GROUP)->IsWindowEnabled());
    };
    Edit("Sales", [&](CGroupPropsDlg& dlg) {
        moves(dlg);
        fx::testing::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(Writes(), 0u);
    Edit("Sales", [&](CGroupPropsDlg& dlg) {
        moves(dlg);
        fx::testing::TypeText(dlg, res::IDC_GROUP_DESCRIPTION, "Sales and more");
        fx::testing::Click(dlg, IDOK);
    });
    EXPECT_EQ(Members("Sales"), (Names{"abrown", "bclark", "cdavis", "rscott", "sturner"}));
    net::GROUP_INFO_2 info;
    ASSERT_EQ(m_sim->GroupGetInfo(kPdc, "Sales", info), net::NERR_Success);
    EXPECT_EQ(info.grpi2_comment, "Sales and more");
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

// A partner group: the right list holds its members, copies tell duplicates, and OK
// brings both groups into line.
TEST_F(GroupProps, APartnerGroupTakesMovesAndCopies)
{
    int selects = 0;
    Edit(
        "Sales",
        [&](CGroupPropsDlg& dlg) {
            fx::testing::Click(dlg, res::IDC_GROUP_SELECT_GROUP);  // nothing chosen: as Cancel
            EXPECT_EQ(Label(dlg), "Not members of");
            fx::testing::Click(dlg, res::IDC_GROUP_SELECT_GROUP);  // Help Desk, by a double-click
            EXPECT_EQ(Label(dlg), "Help Desk");
            EXPECT_EQ(Entries(dlg.m_listOthers), (Names{"operator", "owright"}));
            fx::testing::FocusControl(dlg, res::IDC_GROUP_OTHERS);
            EXPECT_TRUE(Enabled(dlg, res::IDC_GROUP_COPY_TO_MEMBERS));
            Select(dlg.m_listOthers, "operator");
            fx::testing::Click(dlg, res::IDC_GROUP_MOVE);
            fx::testing::FocusControl(dlg, res::IDC_GROUP_MEMBERS);
            Select(dlg.m_listMembers, "operator");
            fx::testing::Click(dlg, res::IDC_GROUP_COPY_TO_OTHERS);  // back again as a copy
            Select(dlg.m_listMembers, "abrown");
            fx::testing::Click(dlg, res::IDC_GROUP_COPY_TO_OTHERS);
            Select(dlg.m_listMembers, "abrown");
            fx::testing::Click(dlg, res::IDC_GROUP_COPY_TO_OTHERS);  // a duplicate now: told
            fx::testing::Click(dlg, IDOK);
        },
        [&](CSelectGroupDlg& select) {
            const Names groups = Entries(select.m_listGroups);
            EXPECT_FALSE(std::count(groups.begin(), groups.end(), "Sales")) << "the edited group is left out";
            if (++selects == 1) {
                EXPECT_TRUE(fx::testing::RenderToPng(select, std::string(APP_TEST_OUTDIR) + "/select_group.png"));
                fx::testing::Click(select, IDOK);
                return;
            }
            const auto it = std::find(groups.begin(), groups.end(), "Help Desk");
            fx::testing::DoubleClickListItem(select, res::IDC_SELECT_GROUPS, static_cast<int>(it - groups.begin()));
        });
    EXPECT_EQ(m_messages, Names{std::string(res::STR_ALREADY_MEMBER) + "abrown"});
    EXPECT_EQ(Members("Sales"), (Names{"abrown", "operator", "rscott", "sturner", "wallen"}));
    EXPECT_EQ(Members("Help Desk"), (Names{"abrown", "operator", "owright"}));
}

// A GROUPS member line opens its group; a group that can't be read opens no dialog.
TEST_F(GroupProps, MemberLinesOpenTheirGroupAndUnreadableGroupsSaySo)
{
    m_dlg->m_settings.g_show_members = 1;
    fx::testing::Click(*m_dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    const Names lines = ListLines();
    const auto sales =
        std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Sales\t", 0) == 0; });
    ASSERT_NE(sales, lines.end());
    std::string opened;
    fx::testing::SetModalHandler([&](CWnd& window) {
        opened = dynamic_cast<CGroupPropsDlg&>(window).m_strGroup;
        fx::testing::Click(window, IDCANCEL);
    });
    const int memberLine = static_cast<int>(sales - lines.begin()) + 1;
    ASSERT_EQ(lines[static_cast<std::size_t>(memberLine)].front(), '\t');
    fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, memberLine);
    EXPECT_EQ(opened, "Sales");

    opened.clear();
    m_sim->FailCall("GroupGetUsers", net::ERROR_ACCESS_DENIED);
    fx::testing::DoubleClickListItem(*m_dlg, res::IDC_RESULTS, memberLine);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(m_messages, Names{std::string(res::STR_GROUP_UNREADABLE) + "\nAccess is denied."});
}

}  // namespace
