#include "client/render/indicator_pass.h"

#include <algorithm>
#include <cstring>

namespace {

void writeBar(IndicatorExchange& record, int index, const BarRecord& bar)
{
    record.barMonth[index] = bar.month;
    record.barDay[index] = bar.day;
    record.barHour[index] = bar.hour;
    record.barMinute[index] = bar.minute;
    record.barOpen[index] = bar.open;
    record.barHigh[index] = bar.high;
    record.barLow[index] = bar.low;
    record.barClose[index] = bar.close;
}

} // namespace

std::int32_t timeFieldSum(const BarRecord& bar)
{
    return bar.year + bar.month + bar.day + bar.hour + bar.minute + bar.second + bar.millisecond;
}

void writePassInputs(IndicatorExchange& record, const ChartView& view, const std::list<BarRecord>& snapshot)
{
    const PixelRect plot = plotArea(view);
    record.plotTopLeft = {plot.left, plot.top};
    record.plotTopRight = {plot.right, plot.top};
    record.plotBottomLeft = {plot.left, plot.bottom};
    record.plotBottomRight = {plot.right, plot.bottom};
    record.visibleCount = view.visibleCount;
    record.futureView = view.futureView;
    record.priceHigh = view.priceHigh;
    record.priceLow = view.priceLow;
    record.verticalSpan = view.verticalSpan;
    if (snapshot.empty())
        return;
    record.snapshotSize = static_cast<std::int32_t>(std::min<std::size_t>(snapshot.size(), kBarCapacity));
    record.newestTimeSum = timeFieldSum(snapshot.front());
    record.oldestTimeSum = timeFieldSum(snapshot.back());
    record.oldestClose = snapshot.back().close;
}

bool writeBarArrays(IndicatorExchange& record, const std::list<BarRecord>& snapshot, unsigned char fullRefresh)
{
    if (snapshot.empty())
        return false;
    if (fullRefresh == 1 && record.snapshotSize > 0) {
        record.filledCount = 0;
        std::memset(record.barMonth, 0, sizeof record.barMonth);
        std::memset(record.barDay, 0, sizeof record.barDay);
        std::memset(record.barHour, 0, sizeof record.barHour);
        std::memset(record.barMinute, 0, sizeof record.barMinute);
        std::fill(std::begin(record.barOpen), std::end(record.barOpen), 0.0);
        std::fill(std::begin(record.barHigh), std::end(record.barHigh), 0.0);
        std::fill(std::begin(record.barLow), std::end(record.barLow), 0.0);
        std::fill(std::begin(record.barClose), std::end(record.barClose), 0.0);
        int index = 0;
        for (const BarRecord& bar : snapshot) {
            if (index == kBarCapacity)
                break;
            writeBar(record, index++, bar);
        }
        record.filledCount = index;
        return true;
    }
    writeBar(record, 0, snapshot.front());
    return false;
}

bool wantsGridRefresh(const IndicatorExchange& record, unsigned char fullRefresh)
{
    return fullRefresh == 1 && record.snapshotSize > 0;
}

void writeParameters(IndicatorExchange& record)
{
    record.emaParameter = kEmaParameter;
    record.baseLineParameter = kBaseLineParameter;
    record.laggingParameter = kLaggingParameter;
}

int drawableScaleLines(const IndicatorExchange& record)
{
    return std::clamp(record.scaleCount, 0, kScaleLineCapacity);
}

int drawableTimeLines(const IndicatorExchange& record)
{
    return std::clamp(record.timeLineCount, 0, kBarCapacity);
}

int drawableEmaPoints(const IndicatorExchange&, int visibleCount)
{
    return std::clamp(visibleCount, 0, kBarCapacity);
}

int drawableBaseLinePoints(const IndicatorExchange& record)
{
    return std::clamp(record.baseLineCount, 0, kScaleLineCapacity);
}

int drawableLaggingPoints(const IndicatorExchange& record)
{
    return std::clamp(record.laggingCount, 0, kBarCapacity);
}
