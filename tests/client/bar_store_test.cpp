// The minute bar store as the chart sees it: which lines become bars, which lists grow, and the
// display window against a window rebuilt from scratch on every tick.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "client/core/bar_store.h"
#include "common/text_utils.h"

namespace {

// A tick line of the minute `minuteIndex` minutes after 2021/03/05 00:00, at `second`.
std::string tickLine(int minuteIndex, double close, int second = 5, bool lineFeed = true)
{
    const int day = 5 + minuteIndex / (24 * 60);
    const int hour = minuteIndex / 60 % 24;
    const int minute = minuteIndex % 60;
    char text[128];
    std::snprintf(text, sizeof text, "2021/03/%02d %02d:%02d:%02d.250,%.5f,%.5f,%.5f,%.5f%s", day, hour, minute, second,
                  close - 0.001, close + 0.002, close - 0.002, close, lineFeed ? "\n" : "");
    return text;
}

std::vector<std::string> history(int count, int firstMinute = 0)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(tickLine(firstMinute + i, 1.0 + i * 0.001, 0, false));
    return lines;
}

struct StoreFixture : ::testing::Test {
    BarStore store;
    ChartSettings settings;
    NoBarLock lock;

    std::vector<std::string> merge(const std::string& text) { return mergeLiveText(store, lock, text); }
    void tick() { updateDisplayWindow(store, settings, lock); }
    void loadAndAdopt(const std::vector<std::string>& lines)
    {
        loadHistory(store, lines);
        adoptNewestHistoryRecord(store);
    }
};

using BarStoreHistory = StoreFixture;

TEST_F(BarStoreHistory, HistoryLineBecomesRecordWithMinuteTime)
{
    loadAndAdopt({"2021/03/05 09:07:59.999,1,2,0.5,1.5"});
    ASSERT_EQ(store.minuteBars.size(), 1u);
    ASSERT_EQ(store.joinedLines.size(), 1u);
    EXPECT_TRUE(store.receivedLines.empty());
    const BarRecord& bar = store.minuteBars[0];
    EXPECT_EQ(bar.year, 2021);
    EXPECT_EQ(bar.month, 3);
    EXPECT_EQ(bar.day, 5);
    EXPECT_EQ(bar.hour, 9);
    EXPECT_EQ(bar.minute, 7);
    EXPECT_EQ(bar.second, 0);
    EXPECT_EQ(bar.millisecond, 0);
    EXPECT_EQ(bar.timeText, "2021/03/05 09:07:59.999");
    EXPECT_EQ(bar.lineText, "2021/03/05 09:07:59.999,1,2,0.5,1.5");
    EXPECT_EQ(bar.open, 1.0);
    EXPECT_EQ(bar.high, 2.0);
    EXPECT_EQ(bar.low, 0.5);
    EXPECT_EQ(bar.close, 1.5);
    EXPECT_EQ(bar.reservedText, "");
    EXPECT_EQ(bar.reservedNumber, 0);
    EXPECT_EQ(bar.reserved18, 255);
    EXPECT_EQ(bar.reserved21, 255);
    EXPECT_EQ(store.currentMinuteText, "07");
    EXPECT_EQ(store.lastClose, 1.5);
}

TEST_F(BarStoreHistory, EveryMatchingHistoryLineIsABarEvenInTheSameMinute)
{
    loadAndAdopt({"2021/03/05 09:07:01.000,1,1,1,1.1", "2021/03/05 09:07:02.000,1,1,1,1.1", "garbage",
                  "2021/03/05 09:08:02.000,1,1,1,1.2\r", "2021/03/05 09:08:03.000,1,1,1,1.3", ""});
    ASSERT_EQ(store.minuteBars.size(), 3u);
    EXPECT_EQ(store.joinedLines.size(), 3u);
    EXPECT_EQ(store.minuteBars[2].close, 1.3);
    EXPECT_EQ(store.currentMinuteText, "08");
    EXPECT_EQ(store.lastClose, 1.3);
}

TEST_F(BarStoreHistory, EmptyHistoryKeepsStartValues)
{
    loadAndAdopt(splitLines("", "\n"));
    EXPECT_TRUE(store.minuteBars.empty());
    EXPECT_TRUE(store.joinedLines.empty());
    EXPECT_EQ(store.currentMinuteText, "");
    EXPECT_EQ(store.lastClose, 0.0);
}

TEST_F(BarStoreHistory, UnconvertibleHistoryLinesAreSkipped)
{
    const std::string huge(400, '9');
    loadAndAdopt({"2021/03/05 09:07:01.000,1,1,1,.", "2021/03/05 09:99999999999:01.000,1,1,1,1",
                  "2021/03/05 09:07:01.000,1," + huge + ",1,1", "2021/03/05 09:09:01.000,1,1,1,2.5",
                  "2021/03/05 09:10:01.000,.,1,1,3"});
    ASSERT_EQ(store.minuteBars.size(), 1u);
    EXPECT_EQ(store.minuteBars[0].minute, 9);
    EXPECT_EQ(store.lastClose, 2.5);
    EXPECT_EQ(store.currentMinuteText, "09");
}

TEST(BarStoreHistoryText, LoadsTheSameAsSplittingFirst)
{
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {"2021/03/05 09:07:59.999,1,2,0.5,1.5", "2021/03/05 09:08:00.000,1,2,0.5,.",
                                             "2021/3/5 9:9:1.1,1.1,2.2,0.3,1.7", "\r", "", "x", "\n", "2021/03/05 09:07"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int count = static_cast<int>(rng() % 12);
        for (int i = 0; i < count; ++i)
            text += pieces[rng() % pieces.size()] + (rng() % 4 ? "\n" : "");
        BarStore split;
        BarStore whole;
        loadHistory(split, splitLines(text, "\n"));
        loadHistoryText(whole, text);
        ASSERT_EQ(whole.minuteBars.size(), split.minuteBars.size()) << text;
        ASSERT_EQ(whole.joinedLines.size(), split.joinedLines.size()) << text;
        for (std::size_t i = 0; i < split.minuteBars.size(); ++i) {
            EXPECT_EQ(whole.minuteBars[i].lineText, split.minuteBars[i].lineText);
            EXPECT_EQ(whole.minuteBars[i].close, split.minuteBars[i].close);
            EXPECT_EQ(whole.joinedLines[i].timeText, split.joinedLines[i].timeText);
        }
    }
}

using BarStoreMerge = StoreFixture;

TEST_F(BarStoreMerge, SameMinuteDifferentClosesGrowsListsByTwoAndBarsByOne)
{
    loadAndAdopt(history(3));
    const auto first = merge(tickLine(3, 2.0, 1));
    const auto second = merge(tickLine(3, 2.5, 40));
    ASSERT_EQ(first.size(), 12u);
    ASSERT_EQ(second.size(), 12u);
    EXPECT_EQ(second[0], tickLine(3, 2.5, 40));
    EXPECT_EQ(second[11], "2.50000");
    EXPECT_EQ(store.joinedLines.size(), 5u);
    EXPECT_EQ(store.receivedLines.size(), 2u);
    ASSERT_EQ(store.minuteBars.size(), 4u);
    EXPECT_EQ(store.minuteBars.back().close, 2.5);
    EXPECT_EQ(store.minuteBars.back().high, 2.502);
    EXPECT_EQ(store.minuteBars.back().lineText, tickLine(3, 2.5, 40));
    EXPECT_EQ(store.minuteBars.back().timeText, "2021/03/05 00:03:40.250");
    EXPECT_EQ(store.lastClose, 2.5);
}

TEST_F(BarStoreMerge, RepeatedCloseInSameMinuteOnlyReplacesNewestBar)
{
    loadAndAdopt(history(3));
    merge(tickLine(3, 2.0, 1));
    const auto sizes = std::make_pair(store.joinedLines.size(), store.receivedLines.size());
    const auto fields = merge(tickLine(3, 2.0, 30));
    EXPECT_EQ(fields.size(), 12u) << "a repeated close is still the paint's latest line";
    EXPECT_EQ(std::make_pair(store.joinedLines.size(), store.receivedLines.size()), sizes);
    ASSERT_EQ(store.minuteBars.size(), 4u);
    EXPECT_EQ(store.minuteBars.back().timeText, "2021/03/05 00:03:30.250");
}

TEST_F(BarStoreMerge, RepeatedCloseInNewMinuteAddsBarOnly)
{
    loadAndAdopt(history(3));
    merge(tickLine(3, 2.0, 1));
    merge(tickLine(4, 2.0, 1));
    EXPECT_EQ(store.joinedLines.size(), 4u);
    EXPECT_EQ(store.receivedLines.size(), 1u);
    ASSERT_EQ(store.minuteBars.size(), 5u);
    EXPECT_EQ(store.minuteBars.back().minute, 4);
    EXPECT_EQ(store.currentMinuteText, "04");
}

TEST_F(BarStoreMerge, TextsThatAreNotExactlyOneLineChangeNothing)
{
    loadAndAdopt(history(2));
    const std::string line = tickLine(5, 3.0);
    for (const std::string& text : std::vector<std::string>{line + line, line.substr(0, line.size() - 1), line + "\n", std::string(),
                                     line.substr(0, line.size() - 1) + "\r\n", std::string("\n")}) {
        EXPECT_TRUE(merge(text).empty()) << text;
    }
    EXPECT_EQ(store.minuteBars.size(), 2u);
    EXPECT_EQ(store.joinedLines.size(), 2u);
    EXPECT_TRUE(store.receivedLines.empty());
    EXPECT_EQ(store.currentMinuteText, "01");
}

TEST_F(BarStoreMerge, UnconvertibleLiveLinesAreSkippedWithoutTrace)
{
    loadAndAdopt(history(2));
    const std::string huge(400, '9');
    for (const std::string& text : {std::string("2021/03/05 09:07:01.000,1,1,1,.\n"),
                                     std::string("2021/03/05 09:07:01.000,1,1,1,..\n"),
                                     std::string("2021/03/05 09:4294967296:01.000,1,1,1,7\n"),
                                     std::string("99999999999/03/05 09:07:01.000,1,1,1,7\n"),
                                     "2021/03/05 09:07:01.000,1,1," + huge + ",7\n"}) {
        EXPECT_TRUE(merge(text).empty()) << text;
    }
    EXPECT_EQ(store.minuteBars.size(), 2u);
    EXPECT_EQ(store.joinedLines.size(), 2u);
    EXPECT_TRUE(store.receivedLines.empty());
    EXPECT_EQ(store.lastClose, 1.001);
    EXPECT_EQ(store.currentMinuteText, "01");
    // The seconds and milliseconds are never converted, so a long run there does no harm.
    EXPECT_EQ(merge("2021/03/05 00:01:99999999999.1234567890123,1,1,1,7\n").size(), 12u);
    EXPECT_EQ(store.minuteBars.size(), 2u);
}

TEST_F(BarStoreMerge, LeadingNumberOfAFieldIsItsValue)
{
    const auto fields = merge("2021/03/05 09:07:01.000,1.2.3,1,1,4.5.\n");
    ASSERT_EQ(fields.size(), 12u);
    EXPECT_EQ(store.minuteBars.back().open, 1.2);
    EXPECT_EQ(store.minuteBars.back().close, 4.5);
}

TEST_F(BarStoreMerge, SameMinuteDigitsAnHourLaterStartANewBar)
{
    merge("2021/03/05 09:07:01.000,1,1,1,1\n");
    merge("2021/03/05 10:07:01.000,1,1,1,2\n");
    merge("2021/03/06 10:07:01.000,1,1,1,3\n");
    merge("2021/04/06 10:07:01.000,1,1,1,4\n");
    merge("2022/04/06 10:07:01.000,1,1,1,5\n");
    ASSERT_EQ(store.minuteBars.size(), 5u);
    EXPECT_EQ(store.minuteBars[0].close, 1.0);
    EXPECT_EQ(store.minuteBars[4].close, 5.0);
}

TEST_F(BarStoreMerge, ZeroFilledAndBareDigitsOfOneMinuteShareABar)
{
    loadAndAdopt({"2021/03/05 09:07:01.000,1,1,1,1"});
    merge("2021/3/5 9:7:30.5,1,1,1,2\n");
    ASSERT_EQ(store.minuteBars.size(), 1u);
    EXPECT_EQ(store.minuteBars[0].close, 2.0);
    EXPECT_EQ(store.minuteBars[0].timeText, "2021/3/5 9:7:30.5");
    EXPECT_EQ(store.currentMinuteText, "7");
}

TEST_F(BarStoreMerge, CloseComparisonTreatsNaNAsDifferentAndZeroAsTheStartValue)
{
    // The start value 0.0 filters a first line that closes at 0.
    merge("2021/03/05 09:07:01.000,0,0,0,0.0\n");
    EXPECT_TRUE(store.joinedLines.empty());
    EXPECT_EQ(store.minuteBars.size(), 1u);

    store.lastClose = std::numeric_limits<double>::quiet_NaN();
    merge("2021/03/05 09:07:02.000,0,0,0,0\n");
    EXPECT_EQ(store.joinedLines.size(), 1u);
    EXPECT_EQ(store.lastClose, 0.0);
    EXPECT_FALSE(std::isnan(store.lastClose));
}

using DisplayWindow = StoreFixture;

std::vector<std::string> shownTimes(const BarStore& store)
{
    std::vector<std::string> times;
    for (const BarRecord& bar : store.displayList)
        times.push_back(bar.lineText);
    return times;
}

std::vector<std::string> expectedTimes(const BarStore& store, std::size_t windowSize, std::size_t offset)
{
    std::vector<std::string> times;
    for (std::size_t i = 0; i < windowSize; ++i)
        times.push_back(store.minuteBars[store.minuteBars.size() - 1 - offset - i].lineText);
    return times;
}

TEST_F(DisplayWindow, StaysEmptyBelowWindowSizeAndFillsAtIt)
{
    loadAndAdopt(history(589));
    tick();
    EXPECT_TRUE(store.displayList.empty());
    merge(tickLine(589, 9.0));
    tick();
    ASSERT_EQ(store.displayList.size(), 590u);
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
    EXPECT_EQ(store.displayList.front().close, 9.0);
}

TEST_F(DisplayWindow, LiveViewFollowsReplacedAndNewBars)
{
    loadAndAdopt(history(600));
    tick();
    merge(tickLine(599, 7.0, 50));  // same minute as the newest history bar
    tick();
    EXPECT_EQ(store.displayList.front().close, 7.0);
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
    merge(tickLine(600, 8.0));
    tick();
    ASSERT_EQ(store.displayList.size(), 590u);
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
}

TEST_F(DisplayWindow, TwoNewBarsBetweenTicksAreBothShown)
{
    loadAndAdopt(history(600));
    tick();
    merge(tickLine(600, 8.0));
    merge(tickLine(601, 8.5));
    tick();
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
}

TEST_F(DisplayWindow, BarChangedAgainJustBeforeANewMinuteIsShownWithItsLastValues)
{
    loadAndAdopt(history(600));
    tick();
    merge(tickLine(599, 6.5, 58));
    merge(tickLine(600, 8.0));
    tick();
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
    EXPECT_EQ(std::next(store.displayList.begin())->close, 6.5);
}

TEST_F(DisplayWindow, ScrolledWindowStandsStillThenHomeRebuildsFromNewest)
{
    loadAndAdopt(history(700));
    tick();
    applyScrollKey(settings, ScrollKey::StepTen, store.minuteBars.size());
    applyScrollKey(settings, ScrollKey::Older, store.minuteBars.size());
    EXPECT_EQ(settings.scrollOffset, 10);
    tick();
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 10));
    const auto scrolled = shownTimes(store);
    merge(tickLine(700, 3.0));
    merge(tickLine(701, 3.1));
    tick();
    EXPECT_EQ(shownTimes(store), scrolled);
    applyScrollKey(settings, ScrollKey::Home, store.minuteBars.size());
    tick();
    EXPECT_EQ(settings.lastScrollOffset, 0);
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
    EXPECT_EQ(store.displayList.front().close, 3.1);
}

TEST_F(DisplayWindow, OffsetBeyondTheOldestWindowIsBroughtDownOnRebuild)
{
    loadAndAdopt(history(500));
    for (int i = 0; i < 4; ++i)
        applyScrollKey(settings, ScrollKey::Older, store.minuteBars.size());
    EXPECT_EQ(settings.scrollOffset, 720) << "without a full window the keys do not bound the offset";
    tick();
    EXPECT_TRUE(store.displayList.empty());
    loadHistory(store, history(100, 500));
    tick();
    EXPECT_EQ(settings.scrollOffset, 10);
    EXPECT_EQ(settings.lastScrollOffset, 10);
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 10));
}

TEST_F(DisplayWindow, NewCandleCountRebuildsToTheNewSize)
{
    loadAndAdopt(history(700));
    tick();
    settings.candleCount = 400;
    tick();
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 630, 0));
}

TEST_F(DisplayWindow, BarsThatArriveWhileTheWindowCannotBeFilledAreNotLostLater)
{
    // Candle count raised beyond the bars there are, a minute arrives, the count goes back and
    // one more minute arrives before the next tick: both new minutes must be in the window.
    loadAndAdopt(history(600));
    tick();
    settings.candleCount = 1000;
    merge(tickLine(600, 2.0));
    tick();
    merge(tickLine(601, 2.1));
    settings.candleCount = 360;
    tick();
    EXPECT_EQ(shownTimes(store), expectedTimes(store, 590, 0));
}

TEST(ScrollKeys, PageDownStopsAtTheOldestFullWindow)
{
    ChartSettings settings;
    std::vector<int> offsets;
    for (int i = 0; i < 3; ++i) {
        applyScrollKey(settings, ScrollKey::Older, 1000);
        offsets.push_back(settings.scrollOffset);
    }
    EXPECT_EQ(offsets, (std::vector<int>{180, 360, 410}));
    applyScrollKey(settings, ScrollKey::Newer, 1000);
    EXPECT_EQ(settings.scrollOffset, 230);
    applyScrollKey(settings, ScrollKey::Newer, 1000);
    applyScrollKey(settings, ScrollKey::Newer, 1000);
    EXPECT_EQ(settings.scrollOffset, 0);
}

TEST(ScrollKeys, StepsAndHome)
{
    ChartSettings settings;
    settings.scrollOffset = 100;
    applyScrollKey(settings, ScrollKey::Newer, 1000);
    EXPECT_EQ(settings.scrollOffset, 0);
    applyScrollKey(settings, ScrollKey::StepOne, 1000);
    applyScrollKey(settings, ScrollKey::Older, 1000);
    EXPECT_EQ(settings.scrollOffset, 1);
    applyScrollKey(settings, ScrollKey::StepTen, 1000);
    applyScrollKey(settings, ScrollKey::Older, 1000);
    EXPECT_EQ(settings.scrollOffset, 11);
    applyScrollKey(settings, ScrollKey::StepLarge, 1000);
    EXPECT_EQ(settings.scrollStep, 180);
    applyScrollKey(settings, ScrollKey::Other, 1000);
    EXPECT_EQ(settings.scrollOffset, 11);
    applyScrollKey(settings, ScrollKey::Home, 1000);
    EXPECT_EQ(settings.scrollOffset, 0);
}

TEST(ScrollKeys, UnboundedOffsetSaturatesInsteadOfOverflowing)
{
    ChartSettings settings;
    settings.scrollOffset = std::numeric_limits<std::int32_t>::max() - 5;
    applyScrollKey(settings, ScrollKey::Older, 10);
    EXPECT_EQ(settings.scrollOffset, std::numeric_limits<std::int32_t>::max());
}

// The reference: the window as it must look, taken from minuteBars from scratch. In the live view
// that is the newest W bars; a scrolled window is taken when the offset changes and then kept.
struct ReferenceWindow {
    std::vector<std::string> shown;
    int lastOffset = 0;

    void tick(const BarStore& store, ChartSettings& settings)
    {
        const int window = settings.candleCount + settings.lookBackCount;
        const int bars = static_cast<int>(store.minuteBars.size());
        if (bars < window)
            return;
        if (settings.scrollOffset > bars - window)
            settings.scrollOffset = bars - window;
        if (settings.scrollOffset == 0 || settings.scrollOffset != lastOffset ||
            shown.size() != static_cast<std::size_t>(window)) {
            shown.clear();
            for (int i = 0; i < window; ++i)
                shown.push_back(store.minuteBars[bars - 1 - settings.scrollOffset - i].lineText);
            lastOffset = settings.scrollOffset;
        }
    }
};

TEST(DisplayWindowRandom, MatchesAWindowRebuiltFromScratchOverThousandsOfTicks)
{
    std::mt19937 rng(20210305);
    for (int round = 0; round < 4; ++round) {
        BarStore store;
        ChartSettings settings;
        ChartSettings referenceSettings;
        NoBarLock lock;
        ReferenceWindow reference;
        settings.candleCount = referenceSettings.candleCount = 20 + round * 5;
        settings.lookBackCount = referenceSettings.lookBackCount = 10;
        const int start = std::uniform_int_distribution<int>(0, 60)(rng);
        loadHistory(store, history(start));
        adoptNewestHistoryRecord(store);
        int minute = start;
        int second = 0;
        std::uniform_int_distribution<int> pick(0, 99);
        for (int step = 0; step < 5000; ++step) {
            // Lines: mostly the running minute, sometimes new minutes, now and then two or three
            // paints between ticks, and some garbage.
            const int lines = pick(rng) < 85 ? 1 : pick(rng) % 4;
            for (int i = 0; i < lines; ++i) {
                const int kind = pick(rng);
                if (kind < 25) {
                    ++minute;
                    second = 0;
                } else if (kind < 27) {
                    minute += 60;  // same minute digits, an hour later
                }
                second = (second + 1) % 60;
                const double close = 1.0 + std::uniform_int_distribution<int>(0, 5)(rng) * 0.01;
                const std::string text = kind < 29 && kind >= 27 ? "noise\n" : tickLine(minute, close, second);
                mergeLiveText(store, lock, text);
            }
            const int key = pick(rng);
            const std::size_t barCount = store.minuteBars.size();
            const ScrollKey scrollKey = key < 4    ? ScrollKey::Older
                                        : key < 7  ? ScrollKey::Newer
                                        : key < 8  ? ScrollKey::Home
                                        : key < 9  ? ScrollKey::StepOne
                                        : key < 10 ? ScrollKey::StepTen
                                        : key < 11 ? ScrollKey::StepLarge
                                                   : ScrollKey::Other;
            applyScrollKey(settings, scrollKey, barCount);
            applyScrollKey(referenceSettings, scrollKey, barCount);
            if (key == 99) {
                settings.candleCount = referenceSettings.candleCount = 15 + pick(rng) % 20;
            }
            updateDisplayWindow(store, settings, lock);
            reference.tick(store, referenceSettings);
            ASSERT_EQ(settings.scrollOffset, referenceSettings.scrollOffset) << "round " << round << " step " << step;
            ASSERT_EQ(shownTimes(store), reference.shown) << "round " << round << " step " << step;
        }
        EXPECT_GT(store.minuteBars.size(), 600u);
    }
}

} // namespace
