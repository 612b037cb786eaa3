#include <gtest/gtest.h>

#include <regex>

#include <windows.h>

#include "common/win_text.h"

namespace {

TEST(ToWide, ConvertsShiftJisIncludingJapaneseAndHalfWidthKana)
{
    // 日本語 and the half-width katakana ｱ, as code page 932 bytes.
    const std::string text = "\x93\xFA\x96\x7B\x8C\xEA USDJPY \xB1";
    EXPECT_EQ(toWide(text), L"\u65E5\u672C\u8A9E USDJPY \uFF71");
}

TEST(ToWide, AsciiEmptyAndCutAtTheFirstNul)
{
    EXPECT_EQ(toWide("2021/03/05 09:07:02.045"), L"2021/03/05 09:07:02.045");
    EXPECT_EQ(toWide(""), L"");
    EXPECT_EQ(toWide(std::string("ab\0cd", 5)), L"ab");
}

TEST(MakeTimestampText, FixedWidthsAndTheLocalClock)
{
    SYSTEMTIME before{};
    GetLocalTime(&before);
    const std::string text = makeTimestampText();
    ASSERT_TRUE(std::regex_match(text, std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3})"))) << text;
    char date[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", before.wYear, before.wMonth, before.wDay);
    // Only the date is compared: the clock may cross a second between the two readings, and a
    // test run may cross midnight only with negligible probability.
    EXPECT_EQ(text.substr(0, 10), date);
}

} // namespace
