// What the paint puts where, in which font and colour, computed without drawing.
#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "rateinfo/rate_paint_plan.h"

namespace {

constexpr Rgb kBand0{108, 151, 245};
constexpr Rgb kBand15{44, 238, 48};
constexpr Rgb kBand30{245, 201, 108};
constexpr Rgb kBand45{245, 108, 220};
constexpr Rgb kLatestUp{255, 71, 87};
constexpr Rgb kLatestDown{83, 82, 237};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr FontSpec kTimeFont{12, 700};

std::string narrow(const DrawnText& text)
{
    return std::get<std::string>(text.text);
}

// Newest first, as the history holds them.
RateHistory history(std::initializer_list<std::pair<const char*, double>> entries)
{
    RateHistory list;
    for (const auto& [time, close] : entries)
        list.push_back(RateEntry{time, close});
    return list;
}

LatestTick tickOf(const RateHistory& list)
{
    return LatestTick{list.front().dateTime, secondOfTime(list.front().dateTime).value_or(0), list.front().close};
}

TEST(NumberFormat, FixedPointWithTheChosenPlaces)
{
    EXPECT_EQ(formatClose(1.5, 3), "1.500");
    EXPECT_EQ(formatClose(110.26, 1), "110.3");
    EXPECT_EQ(formatClose(110.26, 0), "110");
    EXPECT_EQ(formatClose(1.234565, 6), "1.234565");
    EXPECT_EQ(formatClose(0.0, 2), "0.00");
    EXPECT_EQ(formatClose(0.125, 2), "0.12");  // exactly between: the binary value rounds to even
    EXPECT_EQ(formatClose(149.9996, 3), "150.000");
    EXPECT_EQ(formatClose(1.5, 3), "1.500");  // the reused stream keeps no state between calls
}

// A global locale with a comma decimal point and digit grouping must not reach the closes.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(NumberFormat, IgnoresTheGlobalLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    const std::string grouped = formatClose(1234567.5, 3);
    std::locale::global(previous);
    EXPECT_EQ(grouped, "1234567.500");
}

TEST(SecondBand, ColoursEachQuarterOfTheMinute)
{
    const std::pair<int, Rgb> cases[] = {{0, kBand0},   {14, kBand0},  {15, kBand15}, {29, kBand15},
                                         {30, kBand30}, {44, kBand30}, {45, kBand45}, {59, kBand45}};
    for (const auto& [second, colour] : cases) {
        ASSERT_TRUE(secondBandColour(second).has_value()) << second;
        EXPECT_EQ(*secondBandColour(second), colour) << second;
    }
    EXPECT_FALSE(secondBandColour(-1).has_value());
    EXPECT_FALSE(secondBandColour(60).has_value());
    EXPECT_FALSE(secondBandColour(2147483647).has_value());
}

TEST(CloseColours, RiseIsRedAndEverythingElseBlue)
{
    EXPECT_FALSE(latestCloseColour({}).has_value());
    EXPECT_FALSE(latestCloseColour(history({{"t", 1.0}})).has_value());
    EXPECT_EQ(latestCloseColour(history({{"t", 1.1}, {"t", 1.0}})), kLatestUp);
    EXPECT_EQ(latestCloseColour(history({{"t", 1.0}, {"t", 1.1}})), kLatestDown);
    EXPECT_EQ(rowCloseColour(2.0, 1.0), kRed);
    EXPECT_EQ(rowCloseColour(1.0, 2.0), kBlue);
    EXPECT_EQ(rowCloseColour(1.0, 1.0), kBlue);
}

TEST(PaintPlan, HeaderTextsAndFonts)
{
    const auto drawn = drawnTexts(planHeader(L"USDJPY", L"No Data..."));
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(drawn[0].text), L"USDJPY");
    EXPECT_EQ(drawn[0].font, (FontSpec{20, 900}));
    EXPECT_EQ(drawn[0].x, 10);
    EXPECT_EQ(drawn[0].y, 5);
    EXPECT_EQ(drawn[0].colour, kBlack);
    EXPECT_EQ(std::get<std::wstring>(drawn[1].text), L"No Data...");
    EXPECT_EQ(drawn[1].font, (FontSpec{14, 900}));
    EXPECT_EQ(drawn[1].x, 100);
    EXPECT_EQ(drawn[1].y, 11);
    EXPECT_EQ(drawn[1].colour, kBlack);
}

TEST(PaintPlan, NothingBeforeTheFirstTick)
{
    EXPECT_TRUE(drawnTexts(planRates(std::nullopt, {}, 15, 3)).empty());
}

TEST(PaintPlan, OneAndTwoEntriesDrawOnlyTheLatestTick)
{
    const auto one = history({{"2021/03/05 09:07:16.000", 1.5}});
    auto drawn = drawnTexts(planRates(tickOf(one), one, 15, 3));
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(narrow(drawn[0]), "2021/03/05 09:07:16.000");
    EXPECT_EQ(drawn[0].font, kTimeFont);
    EXPECT_EQ(drawn[0].x, 10);
    EXPECT_EQ(drawn[0].y, 35);
    EXPECT_EQ(drawn[0].colour, kBand15);
    EXPECT_EQ(narrow(drawn[1]), "1.500");
    EXPECT_EQ(drawn[1].font, (FontSpec{24, 700}));
    EXPECT_EQ(drawn[1].x, 173);
    EXPECT_EQ(drawn[1].y, 30);
    EXPECT_EQ(drawn[1].colour, kBlack);

    const auto two = history({{"2021/03/05 09:07:31.000", 1.25}, {"2021/03/05 09:07:16.000", 1.5}});
    drawn = drawnTexts(planRates(tickOf(two), two, 15, 2));
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].colour, kBand30);
    EXPECT_EQ(narrow(drawn[1]), "1.25");
    EXPECT_EQ(drawn[1].colour, kLatestDown);
}

TEST(PaintPlan, ThreeEntriesGiveTwoRowsWithTheOldestCloseBlack)
{
    const auto three = history(
        {{"2021/03/05 09:07:50.000", 1.7}, {"2021/03/05 09:07:31.000", 1.6}, {"2021/03/05 09:07:05.000", 1.5}});
    const auto drawn = drawnTexts(planRates(tickOf(three), three, 15, 1));
    ASSERT_EQ(drawn.size(), 6u);
    EXPECT_EQ(drawn[1].colour, kLatestUp);

    EXPECT_EQ(narrow(drawn[2]), "2021/03/05 09:07:31.000");
    EXPECT_EQ(drawn[2].font, kTimeFont);
    EXPECT_EQ(drawn[2].x, 10);
    EXPECT_EQ(drawn[2].y, 70);
    EXPECT_EQ(drawn[2].colour, kBand30);
    EXPECT_EQ(narrow(drawn[3]), "1.6");
    EXPECT_FALSE(drawn[3].font.has_value());  // the stock system font
    EXPECT_EQ(drawn[3].x, 185);
    EXPECT_EQ(drawn[3].y, 70);
    EXPECT_EQ(drawn[3].colour, kRed);

    EXPECT_EQ(narrow(drawn[4]), "2021/03/05 09:07:05.000");
    EXPECT_EQ(drawn[4].y, 91);
    EXPECT_EQ(drawn[4].colour, kBand0);
    EXPECT_EQ(narrow(drawn[5]), "1.5");
    EXPECT_EQ(drawn[5].y, 91);
    EXPECT_EQ(drawn[5].colour, kBlack);
}

TEST(PaintPlan, FifteenRowsAndTheEntryBelowDecidesTheLastColour)
{
    RateHistory full;
    // 18 entries, newest first; entry 16 (row 14's successor) is higher than row 14, so row 14 is blue.
    for (int i = 0; i < 18; ++i)
        full.push_back(RateEntry{"2021/03/05 09:07:" + std::to_string(10 + i) + ".000", i == 16 ? 9.0 : 1.0 + 0.01 * (20 - i)});
    const auto drawn = drawnTexts(planRates(tickOf(full), full, 15, 3));
    ASSERT_EQ(drawn.size(), 2u + 2u * 15u);
    for (int row = 0; row < 15; ++row) {
        const DrawnText& time = drawn[2 + 2 * row];
        const DrawnText& close = drawn[3 + 2 * row];
        EXPECT_EQ(time.y, 70 + 21 * row);
        EXPECT_EQ(close.y, 70 + 21 * row);
        EXPECT_EQ(narrow(time), std::next(full.begin(), row + 1)->dateTime);
        EXPECT_EQ(close.colour, row == 14 ? kBlue : kRed) << row;
    }
    EXPECT_EQ(drawn.back().y, 364);
}

TEST(PaintPlan, OutOfRangeSecondKeepsTheColourInForce)
{
    // Second 60 sets no colour: black for the latest time (reset after the header), the latest
    // close's colour for the first row, the previous row's close colour for a later row.
    const auto list = history({{"2021/03/05 09:07:60.000", 3.0},
                               {"2021/03/05 09:07:60.000", 2.0},
                               {"2021/03/05 09:07:20.000", 2.5},
                               {"2021/03/05 09:07:60.000", 1.0},
                               {"2021/03/05 09:07:00.000", 0.5}});
    const auto drawn = drawnTexts(planRates(tickOf(list), list, 15, 3));
    ASSERT_EQ(drawn.size(), 10u);
    EXPECT_EQ(drawn[0].colour, kBlack);
    EXPECT_EQ(drawn[1].colour, kLatestUp);
    EXPECT_EQ(drawn[2].colour, kLatestUp);   // row 0 time
    EXPECT_EQ(drawn[3].colour, kBlue);       // row 0 close 2.0 < 2.5
    EXPECT_EQ(drawn[4].colour, kBand15);     // row 1 time
    EXPECT_EQ(drawn[5].colour, kRed);        // row 1 close 2.5 > 1.0
    EXPECT_EQ(drawn[6].colour, kRed);        // row 2 time inherits row 1's close colour
    EXPECT_EQ(drawn[8].colour, kBand0);
}

TEST(PaintPlan, RowsFollowTheRowCountAndDecimals)
{
    RateHistory list;
    for (int i = 0; i < 30; ++i)
        list.push_back(RateEntry{"2021/03/05 09:07:01.000", 100.0 + i});
    auto drawn = drawnTexts(planRates(tickOf(list), list, 20, 0));
    ASSERT_EQ(drawn.size(), 2u + 2u * 20u);
    EXPECT_EQ(narrow(drawn[1]), "100");
    EXPECT_EQ(narrow(drawn[3]), "101");
    EXPECT_EQ(drawn.back().y, 70 + 21 * 19);
    EXPECT_EQ(drawnTexts(planRates(tickOf(list), list, 0, 3)).size(), 2u);
    // Fewer entries than rows: the table ends with the list.
    drawn = drawnTexts(planRates(tickOf(list), list, 80, 3));
    EXPECT_EQ(drawn.size(), 2u + 2u * 29u);
}

TEST(PaintPlan, GroupingByFontKeepsEveryTextItsColourAndPlanOrderWithinAFont)
{
    RateHistory list;
    for (int i = 0; i < 20; ++i)
        list.push_back(RateEntry{"2021/03/05 09:07:" + std::to_string(i * 7 % 61) + ".000", 1.0 + 0.1 * ((i * 3) % 5)});
    const PaintPlan plan = planRates(tickOf(list), list, 15, 3);
    const auto inOrder = drawnTexts(plan);
    const auto grouped = textsByFont(plan);
    ASSERT_EQ(grouped.size(), inOrder.size());

    // Fonts in order of first appearance: time font, latest-close font, system font.
    std::vector<std::optional<FontSpec>> groups;
    for (const DrawnText& text : grouped)
        if (groups.empty() || groups.back() != text.font)
            groups.push_back(text.font);
    EXPECT_EQ(groups, (std::vector<std::optional<FontSpec>>{kTimeFont, FontSpec{24, 700}, std::nullopt}));

    // Each font's texts come in plan order with the colours the plan put in force.
    for (const auto& font : groups) {
        std::vector<const DrawnText*> expected, actual;
        for (const DrawnText& text : inOrder)
            if (text.font == font)
                expected.push_back(&text);
        for (const DrawnText& text : grouped)
            if (text.font == font)
                actual.push_back(&text);
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i]->text, expected[i]->text);
            EXPECT_EQ(actual[i]->x, expected[i]->x);
            EXPECT_EQ(actual[i]->y, expected[i]->y);
            EXPECT_EQ(actual[i]->colour, expected[i]->colour);
        }
    }
}

} // namespace
