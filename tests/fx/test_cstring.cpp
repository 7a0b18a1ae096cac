#include "test_resources.h"

namespace fxtest {
namespace {

class StringTable : public FxTest { };

TEST_F(StringTable, LoadsByIdAndReportsMissing)
{
    CString s;
    EXPECT_TRUE(s.LoadString(IDS_HELLO));
    EXPECT_EQ(s, "Hello, world");
    EXPECT_FALSE(s.LoadString(99999));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(fx::LoadString(IDS_HELLO), "Hello, world");
    EXPECT_EQ(fx::LoadString(99999), "");
}

TEST(CStringOps, FormatGrowsPastAnyFixedBuffer)
{
    CString s;
    std::string big(5000, 'x');
    s.Format("%s-%d", big.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 5003);
    EXPECT_EQ(s.Right(3), "-42");
    s.AppendFormat("/%u", 7u);
    EXPECT_EQ(s.Right(2), "/7");
}

TEST(CStringOps, SubstringsClampOutOfRangeArguments)
{
    CString s("abcdef");
    EXPECT_EQ(s.Left(10), "abcdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(4), "ef");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.Find("cd"), 2);
    EXPECT_EQ(s.Find('a', 99), -1);
}

TEST(CStringOps, ReplaceTrimCompare)
{
    CString s("  a,b,,c  ");
    EXPECT_EQ(s.Replace(",", ";;"), 3);
    EXPECT_EQ(s.Trim(), "a;;b;;;;c");
    EXPECT_EQ(s.Replace("", "x"), 0);
    EXPECT_EQ(CString("Users").CompareNoCase("USERS"), 0);
    EXPECT_NE(CString("Users").Compare("USERS"), 0);
    const char* p = s;
    EXPECT_STREQ(p, "a;;b;;;;c");
    CString null(static_cast<const char*>(nullptr));
    EXPECT_TRUE(null.IsEmpty());
}

}  // namespace
}  // namespace fxtest
