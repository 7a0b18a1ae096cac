#include "browse/browse_types.h"
#include "browse/shown_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ShownText, LineBreakersBecomeBlanks)
{
    EXPECT_EQ(ShownText("a\tb\rc\nd"), "a b c d");
    EXPECT_EQ(ShownText("\t\t"), "  ");
}

TEST(ShownText, OtherTextIsKept)
{
    EXPECT_EQ(ShownText("Jürgen O'Neil, Jr."), "Jürgen O'Neil, Jr.");
    EXPECT_EQ(ShownText(""), "");
}

TEST(ShownText, AppendLeavesWhatIsAlreadyThere)
{
    std::string line = "name\t";
    AppendShown(line, "x\ty");
    EXPECT_EQ(line, "name\tx y");
}

TEST(DisplayTypeText, MatchesTheFiveNamesExactly)
{
    EXPECT_EQ(DisplayTypeFromText("USERS"), DisplayType::USERS);
    EXPECT_EQ(DisplayTypeFromText("FILES"), DisplayType::FILES);
    EXPECT_EQ(DisplayTypeFromText("GROUPS"), DisplayType::GROUPS);
    EXPECT_EQ(DisplayTypeFromText("SERVERS"), DisplayType::SERVERS);
    EXPECT_EQ(DisplayTypeFromText("NETWORK"), DisplayType::NETWORK);
    EXPECT_FALSE(DisplayTypeFromText("users").has_value());
    EXPECT_FALSE(DisplayTypeFromText("USERS ").has_value());
    EXPECT_FALSE(DisplayTypeFromText("").has_value());
}

}  // namespace
