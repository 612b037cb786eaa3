// The simulated market and the replay format of orvane-feed.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/tick_scan.h"
#include "tools/market_sim.h"
#include "tools/replay_script.h"

namespace {

LocalMillis at(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return toLocalMillis(CivilTime{year, month, day, hour, minute, second, ms});
}

std::vector<std::string> firstLines(std::uint64_t seed, int bars, int ticks)
{
    MarketSimulator market(seed, at(2026, 1, 5, 9, 0), 4.0);
    auto lines = market.historyLines(bars);
    for (int i = 0; i < ticks; ++i)
        lines.push_back(market.nextTick().line);
    return lines;
}

TEST(MarketSim, CivilTimeRoundTripsAcrossMonthYearAndLeapDays)
{
    for (const CivilTime t : {CivilTime{1970, 1, 1, 0, 0, 0, 0}, CivilTime{2024, 2, 29, 23, 59, 59, 999},
                              CivilTime{2025, 12, 31, 23, 59, 0, 5}, CivilTime{2100, 3, 1, 0, 0, 0, 0}}) {
        const CivilTime back = toCivilTime(toLocalMillis(t));
        EXPECT_EQ(formatTickLine(toLocalMillis(back), 1, 1, 1, 1, 0), formatTickLine(toLocalMillis(t), 1, 1, 1, 1, 0));
        EXPECT_EQ(back.year, t.year);
        EXPECT_EQ(back.month, t.month);
        EXPECT_EQ(back.day, t.day);
        EXPECT_EQ(back.millisecond, t.millisecond);
    }
    EXPECT_EQ(at(2024, 3, 1, 0, 0) - at(2024, 2, 28, 0, 0), 2 * 86'400'000LL);
    EXPECT_EQ(formatTickLine(at(2021, 3, 5, 9, 7, 2, 45), 123456, 123500, 123400, 123470, 5),
              "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470");
    EXPECT_EQ(formatTickLine(at(2021, 3, 5, 9, 7), 150001, 150020, 149999, 150000, 3),
              "2021/03/05 09:07:00.000,150.001,150.020,149.999,150.000");
}

TEST(MarketSim, SameSeedSameMarketOtherSeedOtherMarket)
{
    EXPECT_EQ(firstLines(1, 50, 50), firstLines(1, 50, 50));
    EXPECT_NE(firstLines(1, 50, 50), firstLines(2, 50, 50));
}

TEST(MarketSim, HistoryIsOneConsistentBarPerMinuteEndingBeforeTheStart)
{
    MarketSimulator market(7, at(2026, 1, 5, 0, 1, 30), 4.0);
    const auto lines = market.historyLines(2000);
    ASSERT_EQ(lines.size(), 2000u);
    EXPECT_EQ(lines.front().substr(0, 23), "2026/01/03 14:41:00.000");  // 2000 minutes before 00:01
    EXPECT_EQ(lines.back().substr(0, 23), "2026/01/05 00:00:00.000");
    for (const auto& line : lines) {
        TickLineFields f;
        ASSERT_TRUE(scanTickLine(line, LineEnd::None, f)) << line;
        const double open = *toDouble(f.group[8]), high = *toDouble(f.group[9]), low = *toDouble(f.group[10]),
                     close = *toDouble(f.group[11]);
        EXPECT_LE(low, open);
        EXPECT_LE(low, close);
        EXPECT_GE(high, open);
        EXPECT_GE(high, close);
        EXPECT_GT(low, 100.0);  // a believable range after 2000 minutes
        EXPECT_LT(high, 200.0);
    }
}

TEST(MarketSim, LiveTicksCarryTheRunningBarOfTheirMinute)
{
    MarketSimulator market(3, at(2026, 1, 5, 9, 0), 5.0);
    market.historyLines(10);
    LocalMillis previous = -1;
    std::string minute;
    double open = 0, high = 0, low = 0;
    int minutesSeen = 0;
    for (int i = 0; i < 2000; ++i) {
        const SimulatedTick tick = market.nextTick();
        EXPECT_GT(tick.time, previous);
        previous = tick.time;
        TickLineFields f;
        ASSERT_TRUE(scanTickLine(tick.line, LineEnd::None, f)) << tick.line;
        const double o = *toDouble(f.group[8]), h = *toDouble(f.group[9]), l = *toDouble(f.group[10]),
                     c = *toDouble(f.group[11]);
        const std::string thisMinute = tick.line.substr(0, 16);
        if (thisMinute != minute) {
            minute = thisMinute;
            ++minutesSeen;
            EXPECT_EQ(o, c);  // the first tick of a minute opens it
            open = o;
            high = h;
            low = l;
        }
        EXPECT_EQ(o, open);
        EXPECT_GE(h, high);
        EXPECT_LE(l, low);
        EXPECT_GE(h, c);
        EXPECT_LE(l, c);
        high = h;
        low = l;
    }
    EXPECT_GT(minutesSeen, 3);
}

TEST(ReplayScript, SectionsDirectivesAndComments)
{
    const auto script = parseReplayScript("#symbol USDJPY\r\n#timespan 5\n# comment\n\nh1\r\nh2\n#live\nl1\n#symbol late\nl2");
    EXPECT_EQ(script.symbol, "USDJPY");
    EXPECT_EQ(script.timespan, 5);
    EXPECT_EQ(script.history, (std::vector<std::string>{"h1", "h2"}));
    EXPECT_EQ(script.live, (std::vector<std::string>{"l1", "l2"}));
    const auto historyOnly = parseReplayScript("a\nb\n");
    EXPECT_EQ(historyOnly.history.size(), 2u);
    EXPECT_TRUE(historyOnly.live.empty());
    EXPECT_FALSE(historyOnly.symbol.has_value());
}

TEST(ReplayScript, GapsFollowTickTimesAndSpeed)
{
    const std::string a = "2024/01/05 09:00:59.500,1,1,1,1";
    const std::string b = "2024/01/05 09:01:01.000,1,1,1,1";
    EXPECT_EQ(replayGapMillis(a, b, 1.0), 1500);
    EXPECT_EQ(replayGapMillis(a, b, 3.0), 500);
    EXPECT_EQ(replayGapMillis(a, b, 0.0), 0);
    EXPECT_EQ(replayGapMillis(b, a, 1.0), kReplayDefaultGapMs);  // backwards
    EXPECT_EQ(replayGapMillis("junk", b, 1.0), kReplayDefaultGapMs);
    EXPECT_EQ(replayGapMillis("2024/01/05 09:00:00.000,1,1,1,1", "2024/01/07 09:00:00.000,1,1,1,1", 1.0), kReplayMaxGapMs);
}

} // namespace
