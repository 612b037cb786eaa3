// Layout, rows, bar shapes, the new-price series and the texts of the chart.
#include <gtest/gtest.h>

#include <limits>
#include <list>

#include "client/render/chart_geometry.h"

namespace {

BarRecord bar(double open, double high, double low, double close)
{
    BarRecord b;
    b.open = open;
    b.high = high;
    b.low = low;
    b.close = close;
    return b;
}

// Newest first, as the display list holds them.
std::list<BarRecord> newestFirst(std::initializer_list<BarRecord> oldestFirst)
{
    std::list<BarRecord> bars;
    for (const BarRecord& b : oldestFirst)
        bars.push_front(b);
    return bars;
}

ChartView viewOf(int w, int h, int candleCount, int futureView, const std::list<BarRecord>& bars)
{
    ChartView view;
    beginPass(view, w, h, candleCount, futureView);
    measureBars(view, bars);
    return view;
}

} // namespace

TEST(ChartLayout, FrameAndPlotFollowTheClientSize)
{
    ChartView view;
    beginPass(view, 1000, 600, 360, 25);
    EXPECT_EQ(chartFrame(view), (PixelRect{5, 30, 925, 595}));
    EXPECT_EQ(plotArea(view), (PixelRect{12, 55, 918, 565}));
    EXPECT_EQ(view.frameCorners[3], (PixelPoint{925, 595}));
    EXPECT_EQ(view.clientCorners[1], (PixelPoint{1000, 0}));
    EXPECT_EQ(view.priceHigh, kPriceHighStart);
    EXPECT_EQ(view.priceLow, kPriceLowStart);
    beginPass(view, 400, 300, 360, 25);
    EXPECT_EQ(plotArea(view), (PixelRect{12, 55, 318, 265}));
}

TEST(ChartLayout, PriceRangeComesFromTheVisibleBarsHighsAndLowsOnly)
{
    // Oldest first: the oldest bar is beyond candleCount 2 and must not widen the range; opens and
    // closes outside the wicks are not looked at.
    const auto bars = newestFirst({bar(1, 100, 0.5, 1), bar(5, 6, 4, 50), bar(5, 7, 3, 5)});
    const ChartView view = viewOf(1000, 600, 2, 25, bars);
    EXPECT_EQ(view.visibleCount, 2);
    EXPECT_EQ(view.priceHigh, 7);
    EXPECT_EQ(view.priceLow, 3);
}

TEST(ChartLayout, VisibleCountIsTheSmallerOfListSizeAndCandleCount)
{
    EXPECT_EQ(visibleCountOf(590, 360), 360);
    EXPECT_EQ(visibleCountOf(100, 360), 100);
    EXPECT_EQ(visibleCountOf(0, 360), 0);
    EXPECT_EQ(visibleCountOf(10, 0), 0);
    const auto bars = newestFirst({bar(1, 2, 0, 1), bar(1, 3, 1, 2)});
    const ChartView view = viewOf(1000, 600, 800, 25, bars);
    EXPECT_EQ(view.visibleCount, 2);
    EXPECT_DOUBLE_EQ(view.slotWidth, 906.0 / 27);
}

TEST(ChartLayout, WithoutRoomOnTheRightTheNewestSlotEndsAtThePlotEdge)
{
    std::list<BarRecord> bars;
    for (int i = 0; i < 10; ++i)
        bars.push_back(bar(1, 2, 0, 1));
    const ChartView view = viewOf(1000, 600, 360, 0, bars);
    EXPECT_DOUBLE_EQ(view.slotWidth, 90.6);
    EXPECT_DOUBLE_EQ(slotRight(view, 10), 918.0);
    EXPECT_DOUBLE_EQ(slotRight(view, 1), 102.6);
    // No bars and no room: no slot, no division by zero.
    const ChartView empty = viewOf(1000, 600, 360, 0, {});
    EXPECT_EQ(empty.slotWidth, 0.0);
}

TEST(ChartRows, TruncatedNotRoundedAndAZeroRangeMapsToTheBottom)
{
    // h = 190: rows 55 (high) to 155 (low), one row per unit of price 0..100.
    ChartView view;
    beginPass(view, 500, 190, 360, 25);
    view.priceLow = 0.0;
    view.priceHigh = 100.0;
    EXPECT_EQ(priceToY(view, 54.1), 100);  // 100.9
    EXPECT_EQ(priceToY(view, 100.0), 55);
    EXPECT_EQ(priceToY(view, 0.0), 155);
    EXPECT_EQ(priceToY(view, 0.5), 154);   // 154.5
    view.priceLow = view.priceHigh = 42.0;
    EXPECT_EQ(priceToY(view, 42.0), 155);
    EXPECT_EQ(priceToY(view, 99.0), 155);
}

TEST(ChartRows, TheEmptyChartsStartRangeDoesNotOverflow)
{
    ChartView view;
    beginPass(view, 500, 190, 360, 25);
    EXPECT_EQ(priceToY(view, 1.0), 55);
    EXPECT_EQ(priceToY(view, kPriceLowStart), 155);
    // Far outside a normal range the row saturates instead of overflowing the conversion.
    view.priceLow = 0.0;
    view.priceHigh = 1.0;
    EXPECT_EQ(priceToY(view, 1e300), std::numeric_limits<int>::min());
    EXPECT_EQ(priceToY(view, -1e300), std::numeric_limits<int>::max());
}

TEST(ChartRows, RoundingHalvesAwayFromZero)
{
    EXPECT_EQ(rnd(2.5), 3);
    EXPECT_EQ(rnd(-2.5), -3);
    EXPECT_EQ(rnd(2.4999), 2);
    EXPECT_EQ(rnd(102.6), 103);
    EXPECT_EQ(rnd(1e30), std::numeric_limits<int>::max());
}

TEST(Candles, SlotsWicksBodiesAndColours)
{
    // h = 190 (rows 55..155), prices 0..100: row = 155 - price. Plot x from 12, slot width 20
    // (w = 82 + 12 + 20 * (3 + 2)).
    const auto bars = newestFirst({
        bar(20, 100, 10, 60),  // rising, slot 1
        bar(60, 70, 0, 30),    // falling, slot 2
        bar(40, 50, 30, 40),   // unchanged, slot 3 (newest)
    });
    const ChartView view = viewOf(194, 190, 360, 2, bars);
    ASSERT_DOUBLE_EQ(view.slotWidth, 20.0);
    const auto shapes = layoutCandles(view, bars);
    ASSERT_EQ(shapes.size(), 3u);
    // Newest first: slot 3, right edge 72, left 52, wick at rnd(72 - 10 - 0.5) = 62 (61.5 rounds up).
    EXPECT_EQ(shapes[0].wickTop, (PixelPoint{62, 55 + 50}));
    EXPECT_EQ(shapes[0].wickBottom, (PixelPoint{62, 155 - 30}));
    EXPECT_EQ(shapes[0].body, (PixelRect{52, 115, 71, 115}));
    EXPECT_TRUE(shapes[0].oneRow);
    EXPECT_FALSE(shapes[0].rising);
    EXPECT_EQ(shapes[1].body, (PixelRect{32, 95, 51, 125}));
    EXPECT_FALSE(shapes[1].rising);
    EXPECT_FALSE(shapes[1].oneRow);
    EXPECT_EQ(shapes[2].body, (PixelRect{12, 135, 31, 95}));
    EXPECT_EQ(shapes[2].wickTop, (PixelPoint{22, 55}));
    EXPECT_EQ(shapes[2].wickBottom, (PixelPoint{22, 145}));
    EXPECT_TRUE(shapes[2].rising);
}

TEST(Candles, ADojiKeepsItsFullWickAndOnlyTheVisibleBarsGetSlots)
{
    const auto bars = newestFirst({bar(50, 90, 10, 55), bar(50, 80, 20, 50.4)});
    ChartView view = viewOf(194, 190, 1, 4, bars);
    ASSERT_EQ(view.visibleCount, 1);
    const auto shapes = layoutCandles(view, bars);
    ASSERT_EQ(shapes.size(), 1u);
    // Range 20..80 over rows 55..155: open 50 -> 105, close 50.4 -> 104.33 -> 104: a box, not a line.
    EXPECT_EQ(shapes[0].wickTop.y, 55);
    EXPECT_EQ(shapes[0].wickBottom.y, 155);
    EXPECT_FALSE(shapes[0].oneRow);
    EXPECT_TRUE(shapes[0].rising);
}

TEST(ShinNeAshi, TheWorkedExampleOfFourCloses)
{
    const auto bars = newestFirst({bar(10, 10, 10, 10), bar(10, 11, 10, 11), bar(11, 11, 11, 11), bar(11, 11, 9, 9)});
    const auto series = buildShinNeAshi(bars);
    ASSERT_EQ(series.size(), 4u);
    EXPECT_EQ(series[3], (NewPriceEntry{10, 10}));
    EXPECT_EQ(series[2], (NewPriceEntry{10, 11}));
    EXPECT_EQ(series[1], (NewPriceEntry{11, 11}));
    EXPECT_EQ(series[0], (NewPriceEntry{11, 9}));

    // Prices 9..11 over rows 55..155 (50 rows a unit); slot width 20 from x = 12.
    ChartView view;
    beginPass(view, 194, 190, 360, 1);
    view.priceLow = 9;
    view.priceHigh = 11;
    view.visibleCount = 4;
    view.slotWidth = 20;
    const auto shapes = layoutShinNeAshi(view, series);
    ASSERT_EQ(shapes.size(), 4u);
    EXPECT_EQ(shapes[0].box, (PixelRect{72, 55, 91, 155}));
    EXPECT_FALSE(shapes[0].rising);
    // The flat entry (slot 3) shows the rising box (10, 11) over its own slot and the box's slot.
    EXPECT_EQ(shapes[1].box, (PixelRect{32, 105, 71, 55}));
    EXPECT_TRUE(shapes[1].rising);
    EXPECT_FALSE(shapes[1].lineFirst);
    EXPECT_EQ(shapes[2].box, (PixelRect{32, 105, 51, 55}));
    // The oldest entry is flat and has no older neighbour: a one-row line at its own level.
    EXPECT_EQ(shapes[3].box, (PixelRect{12, 105, 31, 105}));
    EXPECT_TRUE(shapes[3].lineFirst);
    EXPECT_FALSE(shapes[3].rising);
}

TEST(ShinNeAshi, BreaksAreStrictAndAFlatEntryBreaksOnAnyOtherClose)
{
    auto seriesOf = [](std::initializer_list<double> closes) {
        std::list<BarRecord> bars;
        bool first = true;
        for (double c : closes) {
            bars.push_front(bar(first ? 10 : c, c, c, c));
            first = false;
        }
        return buildShinNeAshi(bars);
    };
    // After the box (10, 11): 11 and 10 touch its edges and are no break.
    EXPECT_EQ(seriesOf({10, 11, 11})[0], (NewPriceEntry{11, 11}));
    EXPECT_EQ(seriesOf({10, 11, 10})[0], (NewPriceEntry{11, 11}));
    EXPECT_EQ(seriesOf({10, 11, 10.5})[0], (NewPriceEntry{11, 11}));
    EXPECT_EQ(seriesOf({10, 11, 11.5})[0], (NewPriceEntry{11, 11.5}));
    EXPECT_EQ(seriesOf({10, 11, 9.5})[0], (NewPriceEntry{10, 9.5}));
    // The falling break from (10, 11) is the box (10, 9): 9.5 stays inside, 10.5 breaks its top.
    EXPECT_EQ(seriesOf({10, 11, 9})[0], (NewPriceEntry{10, 9}));
    EXPECT_EQ(seriesOf({10, 11, 9, 9.5})[0], (NewPriceEntry{9, 9}));
    EXPECT_EQ(seriesOf({10, 11, 9, 10.5})[0], (NewPriceEntry{10, 10.5}));
    // After a flat entry at 11, 10.9 breaks downwards from 11.
    EXPECT_EQ(seriesOf({10, 11, 11, 10.9})[0], (NewPriceEntry{11, 10.9}));
    // The oldest bar stands as it is, open included.
    EXPECT_EQ(seriesOf({7})[0], (NewPriceEntry{10, 7}));
    EXPECT_TRUE(buildShinNeAshi({}).empty());
}

TEST(ShinNeAshi, AFlatEntryAfterAFlatNeighbourIsTheNeighboursLineOverTwoSlots)
{
    ChartView view;
    beginPass(view, 194, 190, 360, 1);
    view.priceLow = 0;
    view.priceHigh = 100;
    view.visibleCount = 2;
    view.slotWidth = 20;
    const std::vector<NewPriceEntry> series{{30, 30}, {30, 30}, {20, 30}};
    const auto shapes = layoutShinNeAshi(view, series);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].box, (PixelRect{12, 125, 51, 125}));
    EXPECT_TRUE(shapes[0].lineFirst);
    // The older flat entry has a box behind it (beyond the visible slots): drawn as that box.
    EXPECT_EQ(shapes[1].box, (PixelRect{-8, 135, 31, 125}));
    EXPECT_TRUE(shapes[1].rising);
}

TEST(PriceLabels, SevenFibonacciLevelsFormattedWithSixDecimals)
{
    ChartView view;
    beginPass(view, 1000, 600, 360, 25);
    view.priceLow = 1.0;
    view.priceHigh = 2.0;
    const auto labels = fibonacciLabels(view);
    ASSERT_EQ(labels.size(), 7u);
    const char* texts[] = {"1.000000", "1.236000", "1.382000", "1.500000", "1.618000", "1.764000", "2.000000"};
    // Rows 55..565 (510 rows a unit), raised by 6.
    const int ys[] = {559, 438, 364, 304, 243, 169, 49};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(labels[static_cast<std::size_t>(i)].text, texts[i]);
        EXPECT_EQ(labels[static_cast<std::size_t>(i)].at, (PixelPoint{928, ys[i]})) << i;
    }
}

TEST(PriceLabels, AZeroRangeStacksThemAndAnEmptyListPrintsTheStartValues)
{
    ChartView view;
    beginPass(view, 1000, 600, 360, 25);
    view.priceLow = view.priceHigh = 148.125;
    for (const PriceLabel& label : fibonacciLabels(view)) {
        EXPECT_EQ(label.text, "148.125000");
        EXPECT_EQ(label.at, (PixelPoint{928, 559}));
    }

    // No bars: the range keeps its start values, so the levels run from the largest double down
    // to 0, printed in full, on the rows of any other range.
    beginPass(view, 1000, 600, 360, 25);
    const auto labels = fibonacciLabels(view);
    ASSERT_EQ(labels.size(), 7u);
    const std::size_t lengths[] = {316, 316, 316, 315, 315, 315, 8};
    const int ys[] = {559, 438, 364, 304, 243, 169, 49};
    for (std::size_t i = 0; i < 7; ++i) {
        const std::string& text = labels[i].text;
        EXPECT_EQ(text.size(), lengths[i]) << i;
        EXPECT_EQ(text.find_first_not_of("0123456789"), text.size() - 7) << i;
        EXPECT_EQ(text.substr(text.size() - 7), ".000000") << i;
        EXPECT_EQ(labels[i].at, (PixelPoint{928, ys[i]})) << i;
    }
    EXPECT_EQ(labels[0].text.substr(0, 17), "17976931348623157");
    EXPECT_EQ(labels[3].text.substr(0, 17), "89884656743115785");
    EXPECT_EQ(labels[6].text, "0.000000");
}

TEST(HeaderTexts, TimeframeLatestLineAndMark)
{
    EXPECT_EQ(timeframeLabel(L"1"), L"(1 min)");
    const std::vector<std::string> fields{"2026/12/08 20:44:43.120,1.1,1.2,1.0,1.15",
                                          "2026", "12", "08", "20", "44", "43", "120", "1.1", "1.2", "1.0", "1.15"};
    EXPECT_EQ(latestTimeText(fields), "2026/12/08 20:44:43.120");
    EXPECT_EQ(latestTimeText(std::vector<std::string>(fields.begin(), fields.end() - 1)), "");
    EXPECT_EQ(latestTimeText({}), "");
    const std::wstring newest = L"2026/12/08 20:44:00.000";
    EXPECT_EQ(latestPriceLabel(L"1.15", &newest), L"1.15\u3000\u3000(2026/12/08 20:44:00.000)");
    EXPECT_EQ(latestPriceLabel(L"1.15", nullptr), L"1.15");
    ChartView view;
    beginPass(view, 1000, 600, 360, 25);
    EXPECT_EQ(markLabel(view.markText, 2026), L"Orvane 2026");
    EXPECT_EQ(view.markText.back(), L' ');
    EXPECT_EQ(markPosition(view), (PixelPoint{12, 578}));
}

TEST(TimeGridTexts, AtLeastTwoDigits)
{
    EXPECT_EQ(largeTimeLabel(7), "07");
    EXPECT_EQ(largeTimeLabel(0), "00");
    EXPECT_EQ(largeTimeLabel(23), "23");
    EXPECT_EQ(largeTimeLabel(123), "123");
    EXPECT_EQ(smallTimeLabel(12, 3), "(12/03)");
    EXPECT_EQ(smallTimeLabel(1, 31), "(01/31)");
}
