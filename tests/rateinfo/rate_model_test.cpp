// The rate history as a trader sees it change: which polls add a rate, which are ignored, how the
// list settles, and that the scanners behind it read the feed exactly as the two patterns do.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/text_utils.h"
#include "rateinfo/rate_model.h"
#include "rateinfo/rate_state.h"
#include "support/reference_conversions.h"

namespace {

std::string line(const std::string& time, const std::string& close)
{
    return "2021/03/05 " + time + ",1.1,1.2,1.0," + close + "\n";
}

// A line whose close is `n` thousandths, at second n % 60.
std::string lineWithClose(int n)
{
    const int second = n % 60;
    return "2021/03/05 09:07:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + ".045,1,1,1," +
           std::to_string(n / 1000) + "." + std::to_string(1000 + n % 1000).substr(1) + "\n";
}

std::vector<double> closes(const RateHistory& history)
{
    std::vector<double> values;
    for (const RateEntry& entry : history)
        values.push_back(entry.close);
    return values;
}

TEST(RatePatterns, HaveTheirExactTexts)
{
    EXPECT_EQ(RateLinePattern.size(), 98u);
    EXPECT_EQ(RateLinePattern.back(), '\n');
    EXPECT_EQ(MinuteSecondPattern, "[0-9]+\\/[0-9]+\\/[0-9]+ [0-9]+:([0-9]+):([0-9]+)\\.[0-9]+");
    const auto groups = matchGroups("2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n", RateLinePattern);
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_EQ(groups[1], "2021/03/05 09:07:02.045");
    EXPECT_EQ(groups[5], "1.23470");
}

TEST(RateState, StartsWithItsFixedValues)
{
    EXPECT_EQ(clockText, L"No Data...");
    EXPECT_TRUE(symbolText.empty());
    EXPECT_EQ(rowCount, 15);
    EXPECT_EQ(decimalPlaces, 3);
    EXPECT_TRUE(rateHistory.empty());
    EXPECT_FALSE(latestTick.has_value());
}

TEST(SecondOfTime, ReadsTheSecondOrGivesZero)
{
    EXPECT_EQ(secondOfTime("2021/03/05 09:07:07.045"), 7);
    EXPECT_EQ(secondOfTime("2021/3/5 9:7:59.1"), 59);
    EXPECT_EQ(secondOfTime("2021/03/05 09:07:60.000"), 60);
    EXPECT_EQ(secondOfTime("2021/03/05 09:07:07"), 0);
    EXPECT_EQ(secondOfTime("2021/03/05 09:07:07.045\n"), 0);
    EXPECT_EQ(secondOfTime(""), 0);
    // Digits that match but overflow a 32-bit integer: no second at all.
    EXPECT_FALSE(secondOfTime("2021/03/05 09:07:99999999999.045").has_value());
}

TEST(SecondOfTime, AgreesWithTheMinuteSecondPattern)
{
    for (const std::string text : {"2021/03/05 09:07:07.045", "1/2/3 4:5:6.7", "2021/03/05 09:07:0000000000000012.0",
                                   "2021/03/05 09:07:2147483647.0", "2021/03/05 09:07:2147483648.0",
                                   "2021/03/05 09:07:07.045,1,1,1,1", "2021-03-05 09:07:07.045", " 2021/03/05 09:07:07.045",
                                   "2021/03/05 09::07.045", "a/b/c d:e:f.g"}) {
        const auto groups = matchGroups(text, MinuteSecondPattern);
        const auto expected = groups.size() == 3 ? referenceStoi(groups[2]) : std::optional<std::int32_t>(0);
        EXPECT_EQ(secondOfTime(text), expected) << text;
    }
}

TEST(RefreshRates, FirstTickIsAlwaysRemembered)
{
    RateHistory history;
    const auto tick = refreshRates(history, line("09:07:02.045", "1.23470"), 15);
    ASSERT_TRUE(tick.has_value());
    EXPECT_EQ(tick->dateTime, "2021/03/05 09:07:02.045");
    EXPECT_EQ(tick->second, 2);
    EXPECT_DOUBLE_EQ(tick->close, 1.2347);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.front().dateTime, "2021/03/05 09:07:02.045");
    EXPECT_DOUBLE_EQ(history.front().close, 1.2347);
}

TEST(RefreshRates, RepeatedCloseChangesNothingWhateverItsTime)
{
    RateHistory history;
    refreshRates(history, line("09:07:02.045", "1.5"), 15);
    refreshRates(history, line("09:07:03.000", "1.6"), 15);
    const auto tick = refreshRates(history, line("09:08:59.999", "1.60"), 15);
    ASSERT_TRUE(tick.has_value());
    // The poll is still the latest tick for the paint, but the table keeps the first time of 1.6.
    EXPECT_EQ(tick->dateTime, "2021/03/05 09:08:59.999");
    EXPECT_EQ(tick->second, 59);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history.front().dateTime, "2021/03/05 09:07:03.000");
    EXPECT_EQ(closes(history), (std::vector<double>{1.6, 1.5}));
    // A close that returns to an older, non-adjacent value is new again.
    refreshRates(history, line("09:09:00.000", "1.5"), 15);
    EXPECT_EQ(closes(history), (std::vector<double>{1.5, 1.6, 1.5}));
}

TEST(RefreshRates, SettlesAtEighteenWithFifteenRows)
{
    RateHistory history;
    for (int n = 1; n <= 200; ++n) {
        refreshRates(history, lineWithClose(n), 15);
        ASSERT_LE(history.size(), 18u) << "after " << n;
        ASSERT_DOUBLE_EQ(history.front().close, n / 1000.0);
    }
    EXPECT_EQ(history.size(), 18u);
    EXPECT_DOUBLE_EQ(history.back().close, 183 / 1000.0);
}

TEST(RefreshRates, LoweringRowsShrinksOnlyOnRepeatedCloses)
{
    RateHistory history;
    int n = 1;
    for (; n <= 100; ++n)
        refreshRates(history, lineWithClose(n), 80);
    ASSERT_EQ(history.size(), 83u);

    // Every poll brings a new close: one out, one in.
    for (int i = 0; i < 10; ++i, ++n)
        refreshRates(history, lineWithClose(n), 15);
    EXPECT_EQ(history.size(), 83u);

    // Repeating the newest close removes one entry per poll, down to 17.
    const std::string repeat = lineWithClose(n - 1);
    for (std::size_t expected = 82; expected >= 17; --expected) {
        refreshRates(history, repeat, 15);
        ASSERT_EQ(history.size(), expected);
    }
    refreshRates(history, repeat, 15);
    EXPECT_EQ(history.size(), 17u);
    EXPECT_DOUBLE_EQ(history.front().close, (n - 1) / 1000.0);
}

TEST(RefreshRates, ReadsTheLeadingNumberOfAClose)
{
    RateHistory history;
    const auto tick = refreshRates(history, line("09:07:02.045", "1.2.3"), 15);
    ASSERT_TRUE(tick.has_value());
    EXPECT_DOUBLE_EQ(tick->close, 1.2);
    EXPECT_DOUBLE_EQ(history.front().close, 1.2);
}

// Eighteen entries at fifteen rows: a valid poll would trim one, so a rejected poll must neither
// trim nor insert.
RateHistory fullHistory()
{
    RateHistory history;
    for (int n = 1; n <= 30; ++n)
        refreshRates(history, lineWithClose(n), 15);
    return history;
}

TEST(RefreshRates, UnconvertibleFieldsAreIgnoredLikeOtherBadLines)
{
    for (const std::string& text : {line("09:07:02.045", "."), line("09:07:02.045", "..."),
                                   line("09:07:02.045", "1" + std::string(400, '0')),
                                   line("09:07:99999999999.045", "1.5")}) {
        RateHistory history = fullHistory();
        const auto before = closes(history);
        EXPECT_FALSE(refreshRates(history, text, 15).has_value()) << text;
        EXPECT_EQ(closes(history), before) << text;
    }
}

TEST(RefreshRates, TextsThatAreNotOneTickLineChangeNothing)
{
    const std::string good = line("09:07:02.045", "9.5");
    for (const std::string& text : {std::string(), std::string("\n"), good.substr(0, good.size() - 1), good + "\n",
                                   good + good, good.substr(0, good.size() - 1) + "\r\n", "x" + good,
                                   std::string("2021/03/05 09:07:02.045,1,1,1\n"),
                                   std::string("2021/03/05 09:07:02.045,1,1,1,-1\n"),
                                   std::string("2021/03/05 09:07:02.045,1,1,1,1e5\n")}) {
        RateHistory history = fullHistory();
        const auto before = closes(history);
        EXPECT_FALSE(refreshRates(history, text, 15).has_value()) << text;
        EXPECT_EQ(closes(history), before) << text;
    }
}

// Random polls drawn from the pattern's own alphabet: the scanner-based refresh must accept
// exactly what RateLinePattern matches, and take the date-time and close the regex groups give.
std::string randomPoll(std::mt19937& rng)
{
    static const std::string alphabet = "0123456789./: ,\n";
    std::uniform_int_distribution<int> pick(0, 99);
    std::string text = "2021/03/05 09:07:02.045,1.2,1.3,1.1," + std::to_string(pick(rng)) + ".25\n";
    const int edits = pick(rng) % 4;
    for (int e = 0; e < edits; ++e) {
        std::uniform_int_distribution<std::size_t> at(0, text.size());
        const std::size_t pos = at(rng);
        const char c = alphabet[static_cast<std::size_t>(pick(rng)) % alphabet.size()];
        switch (pick(rng) % 3) {
        case 0: text.insert(pos, 1, c); break;
        case 1: if (pos < text.size()) text.erase(pos, 1); break;
        default: if (pos < text.size()) text[pos] = c; break;
        }
    }
    return text;
}

TEST(RefreshRates, AcceptsExactlyWhatThePatternMatches)
{
    std::mt19937 rng(20260308);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string text = randomPoll(rng);
        const auto groups = matchGroups(text, RateLinePattern);
        std::optional<double> expectedClose;
        std::optional<std::int32_t> expectedSecond;
        if (groups.size() == 6) {
            expectedClose = referenceStod(groups[5]);
            const auto timeGroups = matchGroups(groups[1], MinuteSecondPattern);
            expectedSecond = timeGroups.size() == 3 ? referenceStoi(timeGroups[2]) : std::nullopt;
        }
        RateHistory history;
        const auto tick = refreshRates(history, text, 15);
        if (!expectedClose || !expectedSecond) {
            EXPECT_FALSE(tick.has_value()) << text;
            EXPECT_TRUE(history.empty()) << text;
            continue;
        }
        ++accepted;
        ASSERT_TRUE(tick.has_value()) << text;
        EXPECT_EQ(tick->dateTime, groups[1]);
        EXPECT_EQ(tick->second, *expectedSecond);
        EXPECT_EQ(tick->close, *expectedClose);
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history.front().dateTime, groups[1]);
    }
    // The mutations must leave enough valid lines for the comparison to mean something.
    EXPECT_GT(accepted, 400);
    EXPECT_LT(accepted, 3600);
}

TEST(RefreshRates, KeepsNeighboursDistinctAndTheLengthBounded)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> closePick(0, 4);
    std::uniform_int_distribution<int> rowsPick(15, 80);
    RateHistory history;
    std::int32_t rows = 15;
    std::size_t longest = 0;
    for (int i = 0; i < 20000; ++i) {
        if (i % 997 == 0)
            rows = rowsPick(rng);
        const std::size_t before = history.size();
        refreshRates(history, line("09:07:02.045", std::to_string(closePick(rng))), rows);
        const std::size_t after = history.size();
        // At most one out and one in; never longer than rows + 3 unless it already was.
        ASSERT_LE(after, before + 1);
        ASSERT_GE(after + 1, before);
        ASSERT_LE(after, std::max(before, static_cast<std::size_t>(rows) + 3));
        for (auto it = history.begin(); std::next(it) != history.end(); ++it)
            ASSERT_NE(it->close, std::next(it)->close);
        longest = std::max(longest, after);
    }
    EXPECT_GT(longest, 60u);  // the row counts drawn did make the list grow past small sizes
}

} // namespace
