// Sorted drop-down list combo box and its two searches.
#include <cstring>

#include "test_resources.h"

namespace fxtest {
namespace {

class Combo : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        ASSERT_TRUE(dlg.Create());
    }
    CTestDialog dlg;
};

TEST_F(Combo, AddStringReturnsTheSortedIndex)
{
    CComboBox& c = dlg.m_comboServer;
    EXPECT_EQ(c.AddString("USERS"), 0);
    EXPECT_EQ(c.AddString("FILES"), 0);
    EXPECT_EQ(c.AddString("NETWORK"), 1);
    EXPECT_EQ(c.AddString("GROUPS"), 1);
    EXPECT_EQ(c.AddString("SERVERS"), 3);
    EXPECT_EQ(c.GetCount(), 5);
    CString s;
    const char* expected[] = {"FILES", "GROUPS", "NETWORK", "SERVERS", "USERS"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(c.GetLBText(i, s), int(std::strlen(expected[i])));
        EXPECT_EQ(s, expected[i]);
    }
    EXPECT_EQ(c.GetLBText(5, s), CB_ERR);
}

TEST_F(Combo, SelectionAndItsText)
{
    CComboBox& c = dlg.m_comboServer;
    EXPECT_EQ(c.GetCurSel(), CB_ERR);
    c.AddString("b");
    c.AddString("a");
    CString text;
    c.GetWindowText(text);
    EXPECT_EQ(text, "");  // nothing selected yet
    EXPECT_EQ(c.SetCurSel(1), 1);
    c.GetWindowText(text);
    EXPECT_EQ(text, "b");
    c.AddString("0");  // goes before the selection, which follows its item
    EXPECT_EQ(c.GetCurSel(), 2);
    c.GetWindowText(text);
    EXPECT_EQ(text, "b");
    EXPECT_EQ(c.SetCurSel(7), CB_ERR);
    EXPECT_EQ(c.GetCurSel(), CB_ERR);
    c.ResetContent();
    EXPECT_EQ(c.GetCount(), 0);
}

TEST_F(Combo, FindStringIsACaseInsensitivePrefixSearch)
{
    CComboBox& c = dlg.m_comboServer;
    c.AddString("\\\\DC1");
    c.AddString("\\\\dc2");
    c.AddString("\\\\FILESRV");
    EXPECT_EQ(c.FindString(-1, "\\\\DC"), 0);
    EXPECT_EQ(c.FindString(0, "\\\\dc"), 1);
    EXPECT_EQ(c.FindString(1, "\\\\DC"), 0);  // wraps around
    EXPECT_EQ(c.FindString(-1, "\\\\f"), 2);
    EXPECT_EQ(c.FindString(-1, "x"), CB_ERR);
}

TEST_F(Combo, FindStringExactMatchesWholeTextIgnoringCase)
{
    CComboBox& c = dlg.m_comboServer;
    c.AddString("\\\\DC1");
    c.AddString("\\\\DC10");
    EXPECT_EQ(c.FindStringExact(-1, "\\\\dc10"), 1);
    EXPECT_EQ(c.FindStringExact(-1, "\\\\DC1"), 0);
    EXPECT_EQ(c.FindStringExact(0, "\\\\DC1"), 0);  // wraps to the start
    EXPECT_EQ(c.FindStringExact(-1, "\\\\DC"), CB_ERR);
}

TEST_F(Combo, EmptyBoxSearchesFail)
{
    EXPECT_EQ(dlg.m_comboServer.FindString(-1, ""), CB_ERR);
    EXPECT_EQ(dlg.m_comboServer.FindStringExact(-1, ""), CB_ERR);
}

}  // namespace
}  // namespace fxtest
