#include <gtest/gtest.h>

#include "common/text_utils.h"
#include "common/tick_patterns.h"

namespace {

const std::string kLine = "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470";

TEST(SplitLines, PiecesAroundEveryDelimiterAndTheEmptyTail)
{
    EXPECT_EQ(splitLines("a\nb\n", "\n"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(splitLines("", "\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(splitLines("x", "\n"), (std::vector<std::string>{"x"}));
    EXPECT_EQ(splitLines("\n\n", "\n"), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(splitLines("a\r\nb", "\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitLines("a\nb", ""), (std::vector<std::string>{"a\nb"}));
    // A delimiter is searched as a whole substring, left to right, without overlaps.
    EXPECT_EQ(splitLines("aaa", "aa"), (std::vector<std::string>{"", "a"}));
}

TEST(MatchGroups, TickLineGivesTwelveTextsWithDigitsAsReceived)
{
    const auto groups = matchGroups(kLine, TickLinePattern);
    ASSERT_EQ(groups.size(), kTickLineGroupCount);
    EXPECT_EQ(groups[0], kLine);
    EXPECT_EQ(groups[1], "2021");
    EXPECT_EQ(groups[5], "07");
    EXPECT_EQ(groups[7], "045");
    EXPECT_EQ(groups[8], "1.23456");
    EXPECT_EQ(groups[11], "1.23470");
}

TEST(MatchGroups, LineFeedDecidesBetweenTheTwoForms)
{
    EXPECT_EQ(matchGroups(kLine + "\n", LiveTickLinePattern).size(), kTickLineGroupCount);
    EXPECT_TRUE(matchGroups(kLine + "\n", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups(kLine, LiveTickLinePattern).empty());
    EXPECT_TRUE(matchGroups(kLine + "\r\n", LiveTickLinePattern).empty());
    EXPECT_TRUE(matchGroups(kLine + "\r", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups(kLine + "\n\n", LiveTickLinePattern).empty());
}

TEST(MatchGroups, WholeTextOnlyNeverAPartialList)
{
    EXPECT_TRUE(matchGroups(kLine + "\n" + kLine + "\n", LiveTickLinePattern).empty());
    EXPECT_TRUE(matchGroups("x" + kLine, TickLinePattern).empty());
    EXPECT_TRUE(matchGroups("2021/03/05 09:07:02.045,1,1,1", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups("2021/03/05 09:07:02,1,1,1,1", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups("2021/03/05 09:07:02.045,-1,1,1,1", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups("2021/03/05 09:07:02.045,1e5,1,1,1", TickLinePattern).empty());
    EXPECT_TRUE(matchGroups("", TickLinePattern).empty());
}

TEST(MatchGroups, NoWidthsAreImposedAndTheTimeTextIsRebuiltAsReceived)
{
    const auto groups = matchGroups("2021/3/5 9:7:2.45,1,1,1,1", TickLinePattern);
    ASSERT_EQ(groups.size(), kTickLineGroupCount);
    EXPECT_EQ(rebuildTimeText(groups), "2021/3/5 9:7:2.45");
    const auto time = matchGroups(rebuildTimeText(groups), TimeOnlyPattern);
    ASSERT_EQ(time.size(), kTimeOnlyGroupCount);
    EXPECT_EQ(time[5], "7");
}

TEST(MatchGroups, LoneDecimalPointMatchesTheValuePattern)
{
    const auto groups = matchGroups("2021/03/05 09:07:02.045,.,1,1,1", TickLinePattern);
    ASSERT_EQ(groups.size(), kTickLineGroupCount);
    EXPECT_EQ(groups[8], ".");
}

TEST(MatchGroups, UnmatchedOptionalGroupIsAnEmptyText)
{
    const auto groups = matchGroups("ab", "(a)(x)?(b)");
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[2], "");
    EXPECT_EQ(groups[3], "b");
}

TEST(FormatTimestamp, ZeroFilledToFixedWidths)
{
    EXPECT_EQ(formatTimestamp({2021, 3, 5, 9, 7, 2, 45}), "2021/03/05 09:07:02.045");
    EXPECT_EQ(formatTimestamp({987, 12, 31, 23, 59, 59, 999}), "0987/12/31 23:59:59.999");
}

TEST(DescribeConversionError, NamesTheKnownCausesAndNumbersTheRest)
{
    EXPECT_EQ(describeConversionError(87), "ERROR_INVALID_PARAMETER");
    EXPECT_EQ(describeConversionError(122), "ERROR_INSUFFICIENT_BUFFER");
    EXPECT_EQ(describeConversionError(1004), "ERROR_INVALID_FLAGS");
    EXPECT_EQ(describeConversionError(1113), "ERROR_NO_UNICODE_TRANSLATION");
    EXPECT_EQ(describeConversionError(5), "unknown(5)");
}

TEST(IntToWide, DecimalWithoutPaddingAndWithSign)
{
    EXPECT_EQ(intToWide(1), L"1");
    EXPECT_EQ(intToWide(-5), L"-5");
    EXPECT_EQ(intToWide(2147483647), L"2147483647");
}

} // namespace
