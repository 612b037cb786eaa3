// The indicator library's arithmetic against hand-worked values.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "indicators/indicator_maths.h"

using namespace tessara;

namespace {

// The client never zeroes the record: start every test from bytes that are not zero.
std::unique_ptr<IndicatorExchange> garbageRecord(unsigned char fill = 0xA5)
{
    auto record = std::make_unique<IndicatorExchange>();
    std::memset(record.get(), fill, sizeof(IndicatorExchange));
    return record;
}

void setPlot(IndicatorExchange& r, int left, int top, int right, int bottom)
{
    r.plotTopLeft = {left, top};
    r.plotTopRight = {right, top};
    r.plotBottomLeft = {left, bottom};
    r.plotBottomRight = {right, bottom};
}

// Bars oldest first, as the test reads them; the record holds them newest first.
void setCloses(IndicatorExchange& r, std::initializer_list<double> oldestFirst)
{
    const int n = static_cast<int>(oldestFirst.size());
    int k = n - 1;
    for (double c : oldestFirst) {
        r.barClose[k] = c;
        r.barHigh[k] = c;
        r.barLow[k] = c;
        --k;
    }
    r.filledCount = n;
    r.visibleCount = n;
}

void prepareCheckedFields(IndicatorExchange& r)
{
    setPlot(r, 12, 55, 1838, 1045);
    r.snapshotSize = 590;
    r.newestTimeSum = 2100;
    r.oldestTimeSum = 2090;
    r.oldestClose = 150.25;
    r.priceHigh = 151.0;
    r.priceLow = 149.5;
    r.verticalSpan = 0.02;
    r.visibleCount = 360;
    r.futureView = 25;
}

} // namespace

TEST(IniCheck, AnswersOneFirstThenOnlyWhenSomethingTheGridDependsOnChanged)
{
    auto record = garbageRecord();
    prepareCheckedFields(*record);
    EXPECT_EQ(iniCheck(*record), 1);
    EXPECT_EQ(iniCheck(*record), 0);
    // Per-bar values are refreshed at index 0 by the client on every pass: no full reload for them.
    record->barClose[0] = 150.9;
    record->barHigh[0] = 150.95;
    EXPECT_EQ(iniCheck(*record), 0);

    const auto changes = std::initializer_list<void (*)(IndicatorExchange&)>{
        [](IndicatorExchange& r) { r.snapshotSize += 1; },
        [](IndicatorExchange& r) { r.newestTimeSum += 1; },
        [](IndicatorExchange& r) { r.oldestTimeSum -= 1; },
        [](IndicatorExchange& r) { r.oldestClose += 0.01; },
        [](IndicatorExchange& r) { r.priceHigh += 0.01; },
        [](IndicatorExchange& r) { r.priceLow -= 0.01; },
        [](IndicatorExchange& r) { r.verticalSpan = 0.05; },
        [](IndicatorExchange& r) { r.plotBottomLeft.y += 1; },
        [](IndicatorExchange& r) { r.plotTopRight.x -= 10; },
        [](IndicatorExchange& r) { r.visibleCount = 100; },
        [](IndicatorExchange& r) { r.futureView = 0; },
    };
    int i = 0;
    for (auto change : changes) {
        change(*record);
        EXPECT_EQ(iniCheck(*record), 1) << "change " << i;
        EXPECT_EQ(iniCheck(*record), 0) << "change " << i;
        ++i;
    }
}

TEST(IniCheck, EachRecordKeepsItsOwnMemory)
{
    auto first = garbageRecord(0x00);
    auto second = garbageRecord(0xFF);
    prepareCheckedFields(*first);
    prepareCheckedFields(*second);
    EXPECT_EQ(iniCheck(*first), 1);
    EXPECT_EQ(iniCheck(*second), 1);
    second->priceHigh = 152.0;
    EXPECT_EQ(iniCheck(*second), 1);
    EXPECT_EQ(iniCheck(*first), 0);
    EXPECT_EQ(iniCheck(*second), 0);
    forgetIniCheck(*first);
    EXPECT_EQ(iniCheck(*first), 1);
}

TEST(IniCheck, AMemoryCopiedToAnotherRecordIsNotTrusted)
{
    auto first = garbageRecord();
    prepareCheckedFields(*first);
    EXPECT_EQ(iniCheck(*first), 1);
    auto moved = std::make_unique<IndicatorExchange>(*first);
    EXPECT_EQ(iniCheck(*moved), 1);
}

TEST(RowOfPrice, TruncatesAndSaturates)
{
    // Rows 55..565: a quarter of the range up is 127.5 rows above the bottom: 437.5 -> 437.
    EXPECT_EQ(rowOfPrice(1.25, 2.0, 1.0, 55, 565), 437);
    EXPECT_EQ(rowOfPrice(1.0, 2.0, 1.0, 55, 565), 565);
    EXPECT_EQ(rowOfPrice(2.0, 2.0, 1.0, 55, 565), 55);
    EXPECT_EQ(rowOfPrice(7.0, 3.0, 3.0, 55, 565), 565);
    // The empty chart's start range (hi the smallest positive double, lo the largest) still maps
    // without overflow, and a price far outside a range saturates instead of wrapping.
    EXPECT_EQ(rowOfPrice(1.0, 2.2250738585072014e-308, 1.7976931348623157e308, 55, 565), 55);
    EXPECT_EQ(rowOfPrice(1e300, 1.0, 0.0, 55, 565), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(rowOfPrice(-1e300, 1.0, 0.0, 55, 565), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundToPixel(2.5), 3);
    EXPECT_EQ(roundToPixel(-2.5), -3);
    EXPECT_EQ(roundToPixel(1e300), std::numeric_limits<std::int32_t>::max());
}

TEST(HorizontalLines, OneLineAtEveryMultipleInsideTheRange)
{
    auto r = garbageRecord();
    setPlot(*r, 12, 55, 918, 565);
    r->priceHigh = 2.0;
    r->priceLow = 1.0;
    r->verticalSpan = 0.25;
    horizontalLines(*r);
    EXPECT_EQ(r->scaleStartX, 12);
    EXPECT_EQ(r->scaleEndX, 918);
    ASSERT_EQ(r->scaleCount, 5);
    const int expected[] = {565, 437, 310, 182, 55};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r->scaleRow[i], expected[i]) << i;

    // A multiple that falls just outside by floating-point noise still counts: 1.04 / 0.02.
    r->priceLow = 1.04;
    r->priceHigh = 1.10;
    r->verticalSpan = 0.02;
    horizontalLines(*r);
    EXPECT_EQ(r->scaleCount, 4);
    EXPECT_EQ(r->scaleRow[0], 565);
}

TEST(HorizontalLines, ThinsToEveryNthMultipleWhenLinesWouldCrowd)
{
    auto r = garbageRecord();
    setPlot(*r, 12, 55, 918, 565);
    r->priceLow = 1.0;
    r->priceHigh = 2.0;
    r->verticalSpan = 0.001;  // 1001 multiples on 510 rows
    horizontalLines(*r);
    ASSERT_GT(r->scaleCount, 100);
    EXPECT_LE(r->scaleCount, 510 / kMinScaleSpacing + 1);
    for (int i = 1; i < r->scaleCount; ++i)
        EXPECT_GE(r->scaleRow[i - 1] - r->scaleRow[i], kMinScaleSpacing) << i;
}

TEST(HorizontalLines, NeverMoreThanTheArrayHolds)
{
    auto r = garbageRecord();
    setPlot(*r, 0, 0, 100, 100000);
    r->priceLow = 0.0;
    r->priceHigh = 10.0;
    r->verticalSpan = 0.0001;
    horizontalLines(*r);
    EXPECT_GT(r->scaleCount, 1000);
    EXPECT_LE(r->scaleCount, kScaleLineCapacity);
}

TEST(HorizontalLines, NoLinesWithoutAUsableRangeOrStep)
{
    auto r = garbageRecord();
    setPlot(*r, 12, 55, 918, 565);
    r->priceHigh = 2.2250738585072014e-308;  // an empty chart's start values
    r->priceLow = 1.7976931348623157e308;
    r->verticalSpan = 0.02;
    horizontalLines(*r);
    EXPECT_EQ(r->scaleCount, 0);
    r->priceHigh = 2.0;
    r->priceLow = 1.0;
    r->verticalSpan = 0.0;
    horizontalLines(*r);
    EXPECT_EQ(r->scaleCount, 0);
    r->verticalSpan = -0.5;
    horizontalLines(*r);
    EXPECT_EQ(r->scaleCount, 0);
    // A zero range on a multiple: one line on the bottom row.
    r->priceHigh = r->priceLow = 1.5;
    r->verticalSpan = 0.5;
    horizontalLines(*r);
    ASSERT_EQ(r->scaleCount, 1);
    EXPECT_EQ(r->scaleRow[0], 565);
}

namespace {

// `count` one-minute bars, oldest first, from hour `startHour`:00 on 12/03.
void setMinuteBars(IndicatorExchange& r, int count, int startHour, int startMinute = 0)
{
    for (int j = 0; j < count; ++j) {
        const int k = count - 1 - j;
        const int minutes = startHour * 60 + startMinute + j;
        r.barMonth[k] = 12;
        r.barDay[k] = 3 + minutes / (24 * 60);
        r.barHour[k] = (minutes / 60) % 24;
        r.barMinute[k] = minutes % 60;
        r.barClose[k] = r.barHigh[k] = r.barLow[k] = 1.0;
    }
    r.filledCount = count;
    r.visibleCount = count;
}

} // namespace

TEST(TimeLines, ALineWhereAnHourBeginsWithHourAndDateLabels)
{
    auto r = garbageRecord();
    setMinuteBars(*r, 10, 10, 55);  // 10:55 .. 11:04
    timeLines(*r, PlotBox{12.0, 918.0, 20.0, 55, 565});
    ASSERT_EQ(r->timeLineCount, 1);
    // 11:00 is the sixth bar from the left: slot 6, whose left edge is 12 + 5 * 20.
    EXPECT_EQ(r->timeLineX[0], 112);
    EXPECT_EQ(r->timeLabelLarge[0], 11);
    EXPECT_EQ(r->timeLabelFirst[0], 12);
    EXPECT_EQ(r->timeLabelSecond[0], 3);
    EXPECT_EQ(r->timeLineTop, 55);
    EXPECT_EQ(r->timeLineBottom, 565);
}

TEST(TimeLines, ThinsToEverySecondHourWhenLabelsWouldOverlap)
{
    auto r = garbageRecord();
    setMinuteBars(*r, 300, 0);  // 00:00 .. 04:59, one pixel a bar: hours 60 px apart
    timeLines(*r, PlotBox{0.0, 300.0, 1.0, 55, 565});
    ASSERT_EQ(r->timeLineCount, 3);
    EXPECT_EQ(r->timeLabelLarge[0], 0);
    EXPECT_EQ(r->timeLabelLarge[1], 2);
    EXPECT_EQ(r->timeLabelLarge[2], 4);
    EXPECT_EQ(r->timeLineX[1] - r->timeLineX[0], 120);

    // Two pixels a bar: every hour fits.
    timeLines(*r, PlotBox{0.0, 600.0, 2.0, 55, 565});
    EXPECT_EQ(r->timeLineCount, 5);
}

TEST(TimeLines, TheOldestBarCountsOnlyOnTheFullHourAndOnlyVisibleBarsGetLines)
{
    auto r = garbageRecord();
    setMinuteBars(*r, 100, 10, 30);  // 10:30 .. 12:09
    r->visibleCount = 60;            // 11:10 .. 12:09 visible; 12:00 opens an hour
    timeLines(*r, PlotBox{0.0, 600.0, 10.0, 55, 565});
    ASSERT_EQ(r->timeLineCount, 1);
    EXPECT_EQ(r->timeLabelLarge[0], 12);

    setMinuteBars(*r, 30, 9, 0);  // 09:00 .. 09:29, nothing older: the full hour counts
    timeLines(*r, PlotBox{0.0, 600.0, 10.0, 55, 565});
    ASSERT_EQ(r->timeLineCount, 1);
    EXPECT_EQ(r->timeLineX[0], 0);
    setMinuteBars(*r, 30, 9, 1);
    timeLines(*r, PlotBox{0.0, 600.0, 10.0, 55, 565});
    EXPECT_EQ(r->timeLineCount, 0);
}

TEST(EmaLine, MeanUntilThePeriodIsFullThenExponential)
{
    auto r = garbageRecord();
    setCloses(*r, {1, 2, 3, 4, 5});
    r->emaParameter = 3;  // alpha 0.5: means 1, 1.5, 2, then 3, 4
    r->priceLow = 1.0;
    r->priceHigh = 5.0;
    emaLine(*r, PlotBox{10.0, 110.0, 20.0, 0, 400});
    const int xs[] = {20, 40, 60, 80, 100};
    const int ys[] = {400, 350, 300, 200, 100};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r->emaX[i], xs[i]) << i;
        EXPECT_EQ(r->emaY[i], ys[i]) << i;
    }
}

TEST(EmaLine, WarmsUpOverTheLookBackBarsAndStaysInsideThePlot)
{
    auto r = garbageRecord();
    // Six bars, two visible: the visible EMA already carries the four older closes.
    setCloses(*r, {10, 10, 10, 10, 20, 20});
    r->visibleCount = 2;
    r->emaParameter = 3;
    r->priceLow = 10.0;
    r->priceHigh = 20.0;
    emaLine(*r, PlotBox{0.0, 100.0, 50.0, 0, 100});
    // EMA: 10, 10, 10, 10, 15, 17.5 -> rows 50 and 25.
    EXPECT_EQ(r->emaY[0], 50);
    EXPECT_EQ(r->emaY[1], 25);
    // A price range narrower than the line: points stay on the plot's rows.
    r->priceHigh = 12.0;
    emaLine(*r, PlotBox{0.0, 100.0, 50.0, 0, 100});
    EXPECT_EQ(r->emaY[0], 0);
    EXPECT_EQ(r->emaY[1], 0);
}

TEST(EmaLine, SlotsWithoutDataRepeatTheOldestPoint)
{
    auto r = garbageRecord();
    setCloses(*r, {2, 4});
    r->visibleCount = 4;
    r->emaParameter = 20;
    r->priceLow = 0.0;
    r->priceHigh = 4.0;
    emaLine(*r, PlotBox{0.0, 40.0, 10.0, 0, 40});
    // Slots 3 and 4 hold the data (EMA 2, then the mean 3); slots 1 and 2 repeat slot 3.
    EXPECT_EQ(r->emaX[2], 25);
    EXPECT_EQ(r->emaY[2], 20);
    EXPECT_EQ(r->emaY[3], 10);
    EXPECT_EQ(r->emaX[0], 25);
    EXPECT_EQ(r->emaY[0], 20);
    EXPECT_EQ(r->emaX[1], 25);
}

TEST(BaseLine, MidpointOfHighestHighAndLowestLowOverThePeriod)
{
    auto r = garbageRecord();
    // Oldest first: highs 10, 12, 11, 15; lows 8, 9, 7, 13.
    const double highs[] = {10, 12, 11, 15};
    const double lows[] = {8, 9, 7, 13};
    for (int j = 0; j < 4; ++j) {
        r->barHigh[3 - j] = highs[j];
        r->barLow[3 - j] = lows[j];
        r->barClose[3 - j] = lows[j];
    }
    r->filledCount = 4;
    r->visibleCount = 3;
    r->baseLineParameter = 2;
    r->priceLow = 0.0;
    r->priceHigh = 16.0;
    baseLine(*r, PlotBox{0.0, 30.0, 10.0, 0, 160});
    // Visible: bars 12/9, 11/7, 15/13 with windows of two: (12+8)/2, (12+7)/2, (15+7)/2, i.e.
    // 10, 9.5 and 11, ten rows a unit above row 160.
    ASSERT_EQ(r->baseLineCount, 3);
    const int rows[] = {60, 65, 50};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r->baseLine[i].x, 5 + 10 * i);
        EXPECT_EQ(r->baseLine[i].y, rows[i]) << i;
    }
}

TEST(LaggingSpan, EachCloseDrawnTheLagToTheLeft)
{
    auto r = garbageRecord();
    setCloses(*r, {1, 2, 3, 4, 5});
    r->laggingParameter = 2;
    r->priceLow = 0.0;
    r->priceHigh = 10.0;
    laggingSpan(*r, PlotBox{0.0, 50.0, 10.0, 0, 100});
    // Bars in slots 3, 4, 5 (closes 3, 4, 5) land in slots 1, 2, 3.
    ASSERT_EQ(r->laggingCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r->laggingSpan[i].x, 5 + 10 * i);
        EXPECT_EQ(r->laggingSpan[i].y, 100 - 10 * (i + 3));
    }
    r->laggingParameter = 25;
    laggingSpan(*r, PlotBox{0.0, 50.0, 10.0, 0, 100});
    EXPECT_EQ(r->laggingCount, 0);
}

TEST(IndicatorLines, OutOfRangeCountsAndParametersStayWithinTheArrays)
{
    auto r = garbageRecord();
    r->visibleCount = 100000;
    r->filledCount = -7;
    r->emaParameter = -5;
    r->baseLineParameter = 1LL << 40;
    r->laggingParameter = -3;
    r->priceLow = 0.0;
    r->priceHigh = 1.0;
    const PlotBox box{0.0, 100.0, 0.01, 0, 100};
    emaLine(*r, box);
    baseLine(*r, box);
    laggingSpan(*r, box);
    timeLines(*r, box);
    EXPECT_EQ(r->baseLineCount, 0);
    EXPECT_EQ(r->laggingCount, 0);
    EXPECT_EQ(r->timeLineCount, 0);
    EXPECT_EQ(r->emaY[kBarCapacity - 1], 100);
}
