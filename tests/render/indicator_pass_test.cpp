// What the paint pass writes into the shared record, and what it may read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "client/render/indicator_pass.h"

namespace {

constexpr unsigned char kUntouched = 0xC3;

std::unique_ptr<IndicatorExchange> untouchedRecord()
{
    auto record = std::make_unique<IndicatorExchange>();
    std::memset(record.get(), kUntouched, sizeof(IndicatorExchange));
    return record;
}

bool untouched(const void* field, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(field);
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != kUntouched)
            return false;
    return true;
}

BarRecord timedBar(int year, int month, int day, int hour, int minute, double close)
{
    BarRecord b;
    b.year = year;
    b.month = month;
    b.day = day;
    b.hour = hour;
    b.minute = minute;
    b.open = close - 0.5;
    b.high = close + 1;
    b.low = close - 1;
    b.close = close;
    return b;
}

ChartView passView(const std::list<BarRecord>& bars)
{
    ChartView view;
    beginPass(view, 1920, 1080, 360, 25);
    measureBars(view, bars);
    view.verticalSpan = 0.05;
    return view;
}

} // namespace

TEST(IndicatorInputs, GeometryRangeAndSnapshotFingerprint)
{
    const std::list<BarRecord> bars{timedBar(2026, 12, 8, 20, 44, 150.0), timedBar(2026, 12, 8, 20, 43, 149.0),
                                    timedBar(2026, 12, 8, 20, 42, 148.0)};
    auto record = untouchedRecord();
    writePassInputs(*record, passView(bars), bars);
    EXPECT_EQ(record->plotTopLeft.x, 12);
    EXPECT_EQ(record->plotTopLeft.y, 55);
    EXPECT_EQ(record->plotTopRight.x, 1838);
    EXPECT_EQ(record->plotBottomLeft.y, 1045);
    EXPECT_EQ(record->plotBottomRight.x, 1838);
    EXPECT_EQ(record->plotBottomRight.y, 1045);
    EXPECT_EQ(record->visibleCount, 3);
    EXPECT_EQ(record->futureView, 25);
    EXPECT_EQ(record->priceHigh, 151.0);
    EXPECT_EQ(record->priceLow, 147.0);
    EXPECT_EQ(record->verticalSpan, 0.05);
    EXPECT_EQ(record->snapshotSize, 3);
    EXPECT_EQ(record->newestTimeSum, 2026 + 12 + 8 + 20 + 44);
    EXPECT_EQ(record->oldestTimeSum, 2026 + 12 + 8 + 20 + 42);
    EXPECT_EQ(record->oldestClose, 148.0);
    // The library's own bytes are never touched.
    EXPECT_TRUE(untouched(record->libraryArea0, sizeof record->libraryArea0));
    EXPECT_TRUE(untouched(record->libraryArea4, sizeof record->libraryArea4));
}

TEST(IndicatorInputs, AnEmptySnapshotLeavesTheFingerprintAsItWas)
{
    auto record = untouchedRecord();
    const std::list<BarRecord> none;
    writePassInputs(*record, passView(none), none);
    EXPECT_EQ(record->visibleCount, 0);
    EXPECT_EQ(record->priceHigh, kPriceHighStart);
    EXPECT_EQ(record->priceLow, kPriceLowStart);
    EXPECT_TRUE(untouched(&record->snapshotSize, 12));
    EXPECT_TRUE(untouched(&record->oldestClose, 8));
    EXPECT_FALSE(writeBarArrays(*record, none, 1));
    record->snapshotSize = 0;
    EXPECT_FALSE(wantsGridRefresh(*record, 1));
    record->snapshotSize = 590;
    EXPECT_TRUE(wantsGridRefresh(*record, 1));
    EXPECT_FALSE(wantsGridRefresh(*record, 0));
    EXPECT_FALSE(wantsGridRefresh(*record, 2));
    EXPECT_TRUE(untouched(record->barClose, sizeof record->barClose));
    EXPECT_TRUE(untouched(&record->filledCount, 4));
}

TEST(IndicatorInputs, AFullRefreshRewritesEveryBarAndClearsTheRest)
{
    std::list<BarRecord> bars;
    for (int i = 0; i < 5; ++i)
        bars.push_back(timedBar(2026, 12, 8, 20, 44 - i, 150.0 - i));
    auto record = untouchedRecord();
    writePassInputs(*record, passView(bars), bars);
    EXPECT_TRUE(writeBarArrays(*record, bars, 1));
    EXPECT_EQ(record->filledCount, 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(record->barMinute[k], 44 - k);
        EXPECT_EQ(record->barHour[k], 20);
        EXPECT_EQ(record->barDay[k], 8);
        EXPECT_EQ(record->barMonth[k], 12);
        EXPECT_EQ(record->barClose[k], 150.0 - k);
        EXPECT_EQ(record->barOpen[k], 149.5 - k);
        EXPECT_EQ(record->barHigh[k], 151.0 - k);
        EXPECT_EQ(record->barLow[k], 149.0 - k);
    }
    EXPECT_EQ(record->barClose[5], 0.0);
    EXPECT_EQ(record->barMinute[kBarCapacity - 1], 0);
    EXPECT_EQ(record->barLow[kBarCapacity - 1], 0.0);
}

TEST(IndicatorInputs, AnyOtherAnswerRewritesOnlyTheNewestBar)
{
    std::list<BarRecord> bars;
    for (int i = 0; i < 5; ++i)
        bars.push_back(timedBar(2026, 12, 8, 20, 44 - i, 150.0 - i));
    auto record = untouchedRecord();
    writePassInputs(*record, passView(bars), bars);
    ASSERT_TRUE(writeBarArrays(*record, bars, 1));
    bars.front().close = 155.0;
    bars.front().high = 156.0;
    bars.back().close = 1.0;
    for (unsigned char answer : {0, 2, 255}) {
        EXPECT_FALSE(writeBarArrays(*record, bars, answer));
        EXPECT_EQ(record->barClose[0], 155.0);
        EXPECT_EQ(record->barHigh[0], 156.0);
        EXPECT_EQ(record->barClose[4], 146.0);
        EXPECT_EQ(record->filledCount, 5);
    }
}

TEST(IndicatorInputs, ParametersAndDrawableCounts)
{
    auto record = untouchedRecord();
    writeParameters(*record);
    // The 64-bit words sit on 4-byte boundaries of the packed record: read them by value.
    const std::int64_t ema = record->emaParameter;
    const std::int64_t baseLine = record->baseLineParameter;
    EXPECT_EQ(ema, 20);
    EXPECT_EQ(baseLine, 106);
    EXPECT_EQ(record->laggingParameter, 25);

    record->scaleCount = 5000;
    record->timeLineCount = 3000;
    record->baseLineCount = -1;
    record->laggingCount = 2049;
    EXPECT_EQ(drawableScaleLines(*record), kScaleLineCapacity);
    EXPECT_EQ(drawableTimeLines(*record), kBarCapacity);
    EXPECT_EQ(drawableBaseLinePoints(*record), 0);
    EXPECT_EQ(drawableLaggingPoints(*record), kBarCapacity);
    EXPECT_EQ(drawableEmaPoints(*record, 360), 360);
    EXPECT_EQ(drawableEmaPoints(*record, 0), 0);
    record->scaleCount = 12;
    EXPECT_EQ(drawableScaleLines(*record), 12);
}
