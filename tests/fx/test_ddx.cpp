// Data exchange both ways: text, integers, check boxes and radio groups.
#include <QAbstractButton>
#include <QLineEdit>

#include "test_resources.h"

namespace fxtest {
namespace {

class DataExchange : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        fx::testing::SetMessageBoxHandler([this](const fx::testing::MessageBoxCall& c) {
            boxes.push_back(c);
            return IDOK;
        });
        ASSERT_TRUE(dlg.Create());
    }
    bool Ticked(int id) { return static_cast<QAbstractButton*>(dlg.GetChildWidget(id))->isChecked(); }
    std::string Text(int id)
    {
        CString s;
        dlg.GetDlgItemText(id, s);
        return s;
    }
    CTestDialog dlg;
    std::vector<fx::testing::MessageBoxCall> boxes;
};

TEST_F(DataExchange, InitialisationShowsTheMembers)
{
    EXPECT_EQ(Text(IDC_NAME), "initial");
    EXPECT_EQ(Text(IDC_COUNT), "7");
    EXPECT_FALSE(Ticked(IDC_CHECK));
    EXPECT_FALSE(Ticked(IDC_RADIO0));
    EXPECT_FALSE(Ticked(IDC_RADIO1));
    EXPECT_FALSE(Ticked(IDC_RADIO2));
}

TEST_F(DataExchange, TextAndIntegerBothWays)
{
    fx::testing::TypeText(dlg, IDC_NAME, "J\xC3\xBCrgen Smith");
    fx::testing::TypeText(dlg, IDC_COUNT, " -42 ");
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strName, "J\xC3\xBCrgen Smith");
    EXPECT_EQ(dlg.m_nCount, -42);
    dlg.m_strName = "other";
    dlg.m_nCount = 2147483647;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(Text(IDC_NAME), "other");
    EXPECT_EQ(Text(IDC_COUNT), "2147483647");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataExchange, BadIntegerFailsWithAMessageAndKeepsTheMember)
{
    for (const char* bad : {"12abc", "", "4294967296", "1.5", "- 3"}) {
        boxes.clear();
        dlg.m_nCount = 7;
        dlg.m_strName = "kept";
        fx::testing::TypeText(dlg, IDC_NAME, "changed");
        fx::testing::TypeText(dlg, IDC_COUNT, bad);
        EXPECT_FALSE(dlg.UpdateData(TRUE)) << bad;
        EXPECT_EQ(dlg.m_nCount, 7) << bad;
        // Exchange stops at the failing control: later ones are not read.
        EXPECT_EQ(dlg.m_bCheck, 0);
        ASSERT_EQ(boxes.size(), 1u) << bad;
        EXPECT_EQ(boxes[0].text, "Please enter an integer.");
        EXPECT_EQ(boxes[0].flags & MB_ICONMASK, MB_ICONEXCLAMATION);
    }
}

TEST_F(DataExchange, OnOKWithBadInputKeepsTheDialogOpen)
{
    fx::testing::TypeText(dlg, IDC_COUNT, "x");
    dlg.OnOK();
    EXPECT_FALSE(dlg.IsModalEnded());
    fx::testing::TypeText(dlg, IDC_COUNT, "3");
    dlg.OnOK();
    EXPECT_TRUE(dlg.IsModalEnded());
    EXPECT_EQ(dlg.GetModalResult(), IDOK);
    EXPECT_EQ(dlg.m_nCount, 3);
}

TEST_F(DataExchange, CheckBoxBothWays)
{
    fx::testing::Click(dlg, IDC_CHECK);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_bCheck, 1);
    dlg.m_bCheck = 0;
    dlg.UpdateData(FALSE);
    EXPECT_FALSE(Ticked(IDC_CHECK));
    dlg.m_bCheck = 5;  // any nonzero value shows ticked, and reads back as 1
    dlg.UpdateData(FALSE);
    EXPECT_TRUE(Ticked(IDC_CHECK));
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_bCheck, 1);
}

TEST_F(DataExchange, RadioGroupWithNoneTickedGivesMinusOne)
{
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_nRadio, -1);
}

TEST_F(DataExchange, RadioIndexCountsOnlyTheGroupsRadios)
{
    // The static between radio 1 and radio 2 is skipped; "Other" starts a new group.
    fx::testing::Click(dlg, IDC_RADIO2);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_nRadio, 2);
    fx::testing::Click(dlg, IDC_OTHER_RADIO);
    EXPECT_TRUE(Ticked(IDC_RADIO2));  // another group: unaffected
    fx::testing::Click(dlg, IDC_RADIO0);
    EXPECT_FALSE(Ticked(IDC_RADIO2));  // same group: exclusive
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_nRadio, 0);
}

TEST_F(DataExchange, SettingRadioIndexTicksOneOrNone)
{
    dlg.m_nRadio = 1;
    dlg.UpdateData(FALSE);
    EXPECT_TRUE(Ticked(IDC_RADIO1));
    EXPECT_FALSE(Ticked(IDC_RADIO0));
    for (int none : {-1, 3, 99}) {
        dlg.m_nRadio = 1;
        dlg.UpdateData(FALSE);
        dlg.m_nRadio = none;
        dlg.UpdateData(FALSE);
        EXPECT_FALSE(Ticked(IDC_RADIO0) || Ticked(IDC_RADIO1) || Ticked(IDC_RADIO2)) << none;
        dlg.UpdateData(TRUE);
        EXPECT_EQ(dlg.m_nRadio, -1) << none;
    }
}

TEST_F(DataExchange, DdxControlBindsTheMemberToTheSameControl)
{
    EXPECT_EQ(dlg.GetDlgItem(IDC_LIST), &dlg.m_listResults);
    dlg.m_listResults.AddString("x");
    auto* handle = static_cast<CListBox*>(dlg.GetDlgItem(IDC_LIST));
    EXPECT_EQ(handle->GetCount(), 1);
    // An unbound control's handle is the framework's, of the right class.
    auto* edit = dynamic_cast<CEdit*>(dlg.GetDlgItem(IDC_PASSWORD));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->IsPassword());
    EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);
}

TEST_F(DataExchange, UnsignedRejectsNegatives)
{
    CTestDialog plain(IDD_PLAIN);
    ASSERT_TRUE(plain.Create());
    UINT value = 5;
    fx::testing::TypeText(plain, IDC_COUNT, "-1");
    CDataExchange dx(&plain, TRUE);
    EXPECT_ANY_THROW(DDX_Text(&dx, IDC_COUNT, value));
    EXPECT_EQ(value, 5u);
    fx::testing::TypeText(plain, IDC_COUNT, "4000000000");
    DDX_Text(&dx, IDC_COUNT, value);
    EXPECT_EQ(value, 4000000000u);
}

TEST_F(DataExchange, EditLimitAndReadOnly)
{
    auto* edit = static_cast<CEdit*>(dlg.GetDlgItem(IDC_NAME));
    edit->SetLimitText(5);
    fx::testing::TypeText(dlg, IDC_NAME, "abcdefgh");
    EXPECT_EQ(Text(IDC_NAME), "abcde");
    edit->SetReadOnly(TRUE);
    EXPECT_TRUE(edit->IsReadOnly());
    fx::testing::TypeText(dlg, IDC_NAME, "zz");
    EXPECT_EQ(Text(IDC_NAME), "abcde");
}

}  // namespace
}  // namespace fxtest
