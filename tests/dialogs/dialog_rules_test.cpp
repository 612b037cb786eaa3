// The number dialogs' bounds and fallbacks, the record line, and the walks of the views and the
// CSV files, checked against hand-written expectations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "client/dialogs/dialog_rules.h"

namespace {

BarRecord makeRecord(int index)
{
    BarRecord record;
    const int minute = index % 60;
    const int hour = (index / 60) % 24;
    char time[32];
    std::snprintf(time, sizeof time, "2026/12/08 %02d:%02d:00.000", hour, minute);
    record.timeText = time;
    record.open = 100.0 + index;
    record.high = 100.5 + index;
    record.low = 99.5 + index;
    record.close = 100.25 + index;
    return record;
}

std::vector<BarRecord> makeList(int count)
{
    std::vector<BarRecord> list;
    for (int i = 0; i < count; ++i)
        list.push_back(makeRecord(i));
    return list;
}

std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

TEST(NumberRules, CandleCountKeepsFifteenToEightHundredAndFallsBackToFifteen)
{
    const std::vector<std::pair<std::uint32_t, std::int32_t>> table{
        {0, 15}, {1, 15}, {14, 15}, {15, 15}, {16, 16}, {360, 360}, {500, 500},
        {799, 799}, {800, 800}, {801, 15}, {100000, 15}, {std::numeric_limits<std::uint32_t>::max(), 15}};
    for (const auto& [typed, stored] : table)
        EXPECT_EQ(validateCandleCount(typed), stored) << "typed " << typed;
}

TEST(NumberRules, FutureViewRefusesTheTrackbarsRightEnd)
{
    const std::vector<std::pair<std::uint32_t, std::int32_t>> table{
        {0, 0}, {1, 1}, {25, 25}, {98, 98}, {99, 99}, {100, 0}, {101, 0},
        {std::numeric_limits<std::uint32_t>::max(), 0}};
    for (const auto& [typed, stored] : table)
        EXPECT_EQ(validateFutureView(typed), stored) << "typed " << typed;
    EXPECT_EQ(kFutureViewUpper, 100);
}

TEST(NumberRules, ScrollStepIsCappedByCandleCountThenBounded)
{
    struct Case {
        std::uint32_t typed;
        std::int32_t candleCount;
        std::int32_t stored;
    };
    const std::vector<Case> table{
        {400, 360, 360}, {361, 360, 360}, {360, 360, 360}, {359, 360, 359}, {180, 360, 180},
        {2, 360, 2}, {1, 360, 1}, {0, 360, 1},
        {500, 800, 1}, {401, 800, 1}, {400, 800, 400}, {399, 800, 399},
        {400, 15, 15}, {14, 15, 14},
        {std::numeric_limits<std::uint32_t>::max(), 360, 360}, {std::numeric_limits<std::uint32_t>::max(), 800, 1}};
    for (const Case& c : table)
        EXPECT_EQ(validateScrollStep(c.typed, c.candleCount), c.stored) << "typed " << c.typed << " with candleCount " << c.candleCount;
}

TEST(SpanRules, ParsesTheLongestDecimalPrefixLikeWcstod)
{
    const std::vector<std::pair<std::wstring, double>> table{
        {L"0.05", 0.05}, {L"0.050000", 0.05}, {L"0", 0.0}, {L"-1", -1.0}, {L"letters", 0.0}, {L"", 0.0},
        {L"  \t0.5xyz", 0.5}, {L"\r\n 2", 2.0}, {L"+2.5", 2.5}, {L".5", 0.5}, {L"5.", 5.0}, {L".", 0.0}, {L"-", 0.0},
        {L"1e-3", 0.001}, {L"2E2", 200.0}, {L"5e", 5.0}, {L"5e+", 5.0}, {L"5e-x", 5.0}, {L"1,5", 1.0},
        {L"0x10", 0.0}, {L"inf", 0.0}, {L"nan", 0.0}, {L"\uFF11", 0.0}, {L"3 4", 3.0}};
    for (const auto& [text, value] : table) {
        const std::string shown(text.begin(), text.end());
        EXPECT_EQ(parseSpanText(text), value) << "text \"" << shown << "\"";
    }
    EXPECT_TRUE(std::isinf(parseSpanText(L"1e999")));
    EXPECT_TRUE(std::isinf(parseSpanText(L"-1e999")));
    EXPECT_EQ(parseSpanText(L"1e-999"), 0.0);
}

TEST(SpanRules, OnlyFiniteSpansAboveZeroAreStored)
{
    // What typing a text and pressing OK stores.
    const std::vector<std::pair<std::wstring, double>> table{
        {L"0.05", 0.05}, {L"0.02", 0.02}, {L"1", 1.0}, {L"250.5", 250.5}, {L"0", 0.02}, {L"-1", 0.02},
        {L"-0.05", 0.02}, {L"letters", 0.02}, {L"", 0.02}, {L"inf", 0.02}, {L"1e999", 0.02}, {L"1e-999", 0.02}};
    for (const auto& [text, stored] : table) {
        const std::string shown(text.begin(), text.end());
        EXPECT_EQ(validateVerticalSpan(parseSpanText(text)), stored) << "text \"" << shown << "\"";
    }
    EXPECT_EQ(validateVerticalSpan(std::numeric_limits<double>::infinity()), 0.02);
    EXPECT_EQ(validateVerticalSpan(std::numeric_limits<double>::quiet_NaN()), 0.02);
    EXPECT_EQ(validateVerticalSpan(std::numeric_limits<double>::denorm_min()), std::numeric_limits<double>::denorm_min());
}

TEST(SpanRules, FixedTextReadsBackAsTheStoredSpan)
{
    EXPECT_EQ(formatSpanText(0.02), L"0.020000");
    EXPECT_EQ(formatSpanText(0.05), L"0.050000");
    for (const double span : {0.02, 0.05, 0.1, 0.25, 1.0, 5.0, 123.5}) {
        const std::wstring shown = formatSpanText(span);
        EXPECT_EQ(validateVerticalSpan(parseSpanText(shown)), span) << span;
    }
    // Six decimals cannot show a span below 0.0000005: reopening and pressing OK gives 0.02.
    EXPECT_EQ(formatSpanText(0.0000001), L"0.000000");
    EXPECT_EQ(validateVerticalSpan(parseSpanText(formatSpanText(0.0000001))), 0.02);
}

TEST(BarLine, FiveFieldsWithSixDecimals)
{
    BarRecord record;
    record.timeText = "2026/12/08 10:15:00.000";
    record.open = 109.1;
    record.high = 109.25;
    record.low = 108.9999999;
    record.close = 0.0;
    EXPECT_EQ(formatBarLine(record), "2026/12/08 10:15:00.000,109.100000,109.250000,109.000000,0.000000");

    record.timeText = "2026/1/8 9:5:0.0";  // digits as received: copied, not reformatted
    record.open = -0.5;
    record.high = 1e20;
    record.low = 123456.0000004;
    record.close = 0.0000005;
    const std::string line = formatBarLine(record);
    EXPECT_EQ(line, "2026/1/8 9:5:0.0,-0.500000,100000000000000000000.000000,123456.000000,0.000000");
    const std::vector<std::string> fields = splitFields(line);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], record.timeText);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);

    EXPECT_EQ(formatFixed(109.1), "109.100000");
    EXPECT_EQ(formatFixed(-1e300).size(), 1 + 301 + 7u);
}

TEST(ViewLines, NewestThousandFirst)
{
    const std::vector<BarRecord> list = makeList(1500);
    const std::vector<std::string> lines = viewLines(list);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), formatBarLine(list[1499]) + "\r\n");
    EXPECT_EQ(lines[1], formatBarLine(list[1498]) + "\r\n");
    EXPECT_EQ(lines.back(), formatBarLine(list[500]) + "\r\n");
    for (const std::string& line : lines) {
        ASSERT_GE(line.size(), 2u);
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
        EXPECT_EQ(splitFields(line.substr(0, line.size() - 2)).size(), 5u);
    }

    const std::vector<BarRecord> three = makeList(3);
    const std::vector<std::string> few = viewLines(three);
    ASSERT_EQ(few.size(), 3u);
    EXPECT_EQ(few[0], "2026/12/08 00:02:00.000,102.000000,102.500000,101.500000,102.250000\r\n");
    EXPECT_EQ(few[2], "2026/12/08 00:00:00.000,100.000000,100.500000,99.500000,100.250000\r\n");

    EXPECT_TRUE(viewLines({}).empty());
    EXPECT_EQ(viewLines(makeList(1000)).size(), 1000u);
    EXPECT_EQ(viewLines(makeList(1001)).back(), formatBarLine(makeRecord(1)) + "\r\n");
}

TEST(CsvLines, EveryRecordNewestFirstWithCrLf)
{
    std::string bytes;
    int chunks = 0;
    const CsvSink collect = [&](std::string_view chunk) {
        bytes += chunk;
        ++chunks;
        return true;
    };

    ASSERT_TRUE(writeCsvLines(makeList(3), collect));
    EXPECT_EQ(bytes,
              "2026/12/08 00:02:00.000,102.000000,102.500000,101.500000,102.250000\r\n"
              "2026/12/08 00:01:00.000,101.000000,101.500000,100.500000,101.250000\r\n"
              "2026/12/08 00:00:00.000,100.000000,100.500000,99.500000,100.250000\r\n");

    bytes.clear();
    chunks = 0;
    ASSERT_TRUE(writeCsvLines({}, collect));
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(chunks, 0);

    // More than the view shows, and more than one chunk.
    const std::vector<BarRecord> list = makeList(5000);
    ASSERT_TRUE(writeCsvLines(list, collect));
    EXPECT_GT(chunks, 1);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "the last line has its CR LF too";
    ASSERT_EQ(lines.size(), 5000u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i], formatBarLine(list[list.size() - 1 - i])) << "line " << i;
        ASSERT_EQ(lines[i].find('\n'), std::string::npos);
    }
}

TEST(CsvLines, StopsAtTheFirstRefusedChunk)
{
    int calls = 0;
    const bool complete = writeCsvLines(makeList(5000), [&](std::string_view) { return ++calls < 2; });
    EXPECT_FALSE(complete);
    EXPECT_EQ(calls, 2);

    calls = 0;
    EXPECT_FALSE(writeCsvLines(makeList(1), [&](std::string_view) { return ++calls > 1; }));
    EXPECT_EQ(calls, 1);
}

} // namespace
