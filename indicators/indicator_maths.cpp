#include "indicators/indicator_maths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace tessara {
namespace {

// What iniCheck compares between passes. It lives in the library's part of the record (the gap
// before the price arrays), so two records never share a memory and nothing global is needed.
struct IniMemo {
    std::uint64_t magic;
    std::uint64_t recordAddress;
    ExchangePoint corners[4];
    std::int32_t snapshotSize;
    std::int32_t newestTimeSum;
    std::int32_t oldestTimeSum;
    std::int32_t visibleCount;
    std::int32_t futureView;
    std::int32_t padding;
    double oldestClose;
    double priceHigh;
    double priceLow;
    double verticalSpan;
    std::uint64_t checksum;
};
static_assert(sizeof(IniMemo) <= sizeof(IndicatorExchange::libraryArea4));

constexpr std::uint64_t kMemoMagic = 0x5445535341524131ull;

// The client does not zero the record, so a memo is trusted only when its magic, the record's own
// address and a checksum over its bytes all agree: stale or random bytes then read as "nothing
// remembered" and the first call answers 1.
std::uint64_t checksumOf(const IniMemo& memo)
{
    unsigned char bytes[offsetof(IniMemo, checksum)];
    std::memcpy(bytes, &memo, sizeof bytes);
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char b : bytes) {
        hash ^= b;
        hash *= 1099511628211ull;
    }
    return hash;
}

IniMemo memoOf(const IndicatorExchange& record)
{
    IniMemo memo{};
    memo.magic = kMemoMagic;
    memo.recordAddress = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&record));
    memo.corners[0] = record.plotTopLeft;
    memo.corners[1] = record.plotTopRight;
    memo.corners[2] = record.plotBottomLeft;
    memo.corners[3] = record.plotBottomRight;
    memo.snapshotSize = record.snapshotSize;
    memo.newestTimeSum = record.newestTimeSum;
    memo.oldestTimeSum = record.oldestTimeSum;
    memo.visibleCount = record.visibleCount;
    memo.futureView = record.futureView;
    memo.oldestClose = record.oldestClose;
    memo.priceHigh = record.priceHigh;
    memo.priceLow = record.priceLow;
    memo.verticalSpan = record.verticalSpan;
    memo.checksum = checksumOf(memo);
    return memo;
}

std::int32_t saturate(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::clamp(value, lo, hi));
}

std::int32_t clampRow(std::int32_t row, std::int32_t top, std::int32_t bottom)
{
    return std::clamp(row, std::min(top, bottom), std::max(top, bottom));
}

int clampParameter(std::int64_t value, int lo, int hi)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, lo, hi));
}

// Centre of slot i (1 = leftmost) of the plot.
std::int32_t slotCentre(const PlotBox& box, int slot)
{
    return roundToPixel(box.left + (slot - 0.5) * box.slotWidth);
}

} // namespace

std::int32_t rowOfPrice(double price, double priceHigh, double priceLow, std::int32_t top, std::int32_t bottom)
{
    const double f = priceHigh != priceLow ? (price - priceLow) / (priceHigh - priceLow) : 0.0;
    const double row = bottom - static_cast<double>(bottom - top) * f;
    if (std::isnan(row))
        return bottom;
    return saturate(std::trunc(row));
}

std::int32_t roundToPixel(double value)
{
    return saturate(std::round(value));
}

int availableBars(const IndicatorExchange& record)
{
    return std::clamp(record.filledCount, 0, kBarCapacity);
}

int visibleBars(const IndicatorExchange& record)
{
    return std::clamp(record.visibleCount, 0, kBarCapacity);
}

unsigned char iniCheck(IndicatorExchange& record)
{
    const IniMemo now = memoOf(record);
    IniMemo kept;
    std::memcpy(&kept, record.libraryArea4, sizeof kept);
    const bool remembered = kept.magic == kMemoMagic && kept.checksum == checksumOf(kept);
    if (remembered && std::memcmp(&kept, &now, sizeof now) == 0)
        return 0;
    std::memcpy(record.libraryArea4, &now, sizeof now);
    return 1;
}

void forgetIniCheck(IndicatorExchange& record)
{
    std::memset(record.libraryArea4, 0, sizeof(IniMemo));
}

void horizontalLines(IndicatorExchange& record)
{
    record.scaleStartX = record.plotTopLeft.x;
    record.scaleEndX = record.plotTopRight.x;
    record.scaleCount = 0;
    const double hi = record.priceHigh;
    const double lo = record.priceLow;
    const double span = record.verticalSpan;
    if (!std::isfinite(hi) || !std::isfinite(lo) || !std::isfinite(span) || span <= 0.0 || hi < lo)
        return;
    // A small tolerance keeps a price such as 1.04 on the grid although 1.04 / 0.02 is 52.000000001.
    const double firstMultiple = std::ceil(lo / span - 1e-9);
    const double lastMultiple = std::floor(hi / span + 1e-9);
    // Beyond 2^50 the multiples are no longer exact integers: there is no meaningful grid.
    if (!(lastMultiple >= firstMultiple) || std::fabs(firstMultiple) > 1e15 || std::fabs(lastMultiple) > 1e15)
        return;
    const auto first = static_cast<std::int64_t>(firstMultiple);
    const auto last = static_cast<std::int64_t>(lastMultiple);
    const std::int32_t top = record.plotTopLeft.y;
    const std::int32_t bottom = record.plotBottomLeft.y;

    std::int64_t step = 1;
    if (hi > lo) {
        const double pixelsPerStep = span / (hi - lo) * std::fabs(static_cast<double>(bottom - top));
        if (pixelsPerStep < kMinScaleSpacing)
            step = pixelsPerStep > 0.0 ? static_cast<std::int64_t>(std::min(std::ceil(kMinScaleSpacing / pixelsPerStep), 1e15))
                                       : last - first + 1;
    }
    const std::int64_t lines = last - first + 1;
    if (lines / step >= kScaleLineCapacity)
        step = lines / (kScaleLineCapacity - 1) + 1;

    // Thinned lines stay on multiples of the wider step, so the grid does not wander as prices move.
    std::int64_t m = first % step == 0 ? first : first + (step - ((first % step) + step) % step);
    int count = 0;
    for (; m <= last && count < kScaleLineCapacity; m += step)
        record.scaleRow[count++] = clampRow(rowOfPrice(static_cast<double>(m) * span, hi, lo, top, bottom), top, bottom);
    record.scaleCount = count;
}

void timeLines(IndicatorExchange& record, const PlotBox& box)
{
    record.timeLineTop = box.top;
    record.timeLineBottom = box.bottom;
    record.timeLineCount = 0;
    const int available = availableBars(record);
    const int visible = visibleBars(record);
    const int usable = std::min(visible, available);

    // Each bar that opens a new hour, oldest first (left to right); the oldest bar held counts
    // only when it sits on the full hour, since its predecessor is unknown.
    std::array<int, kBarCapacity> boundary{};
    int boundaries = 0;
    for (int k = usable - 1; k >= 0; --k) {
        const bool opens = k + 1 < available
                               ? record.barHour[k] != record.barHour[k + 1] || record.barDay[k] != record.barDay[k + 1] ||
                                     record.barMonth[k] != record.barMonth[k + 1]
                               : record.barMinute[k] == 0;
        if (opens)
            boundary[static_cast<std::size_t>(boundaries++)] = k;
    }
    auto xOf = [&](int k) { return roundToPixel(box.left + (visible - k - 1) * box.slotWidth); };

    constexpr int kSteps[] = {1, 2, 3, 4, 6, 12};
    int chosen = 12;
    for (int step : kSteps) {
        int previousX = std::numeric_limits<int>::min();
        bool fits = true;
        for (int b = 0; b < boundaries && fits; ++b) {
            const int k = boundary[static_cast<std::size_t>(b)];
            if (((record.barHour[k] % step) + step) % step != 0)
                continue;
            const int x = xOf(k);
            if (previousX != std::numeric_limits<int>::min() && x - previousX < kTimeLabelSpacing)
                fits = false;
            previousX = x;
        }
        if (fits) {
            chosen = step;
            break;
        }
    }

    int count = 0;
    for (int b = 0; b < boundaries; ++b) {
        const int k = boundary[static_cast<std::size_t>(b)];
        if (((record.barHour[k] % chosen) + chosen) % chosen != 0)
            continue;
        record.timeLineX[count] = xOf(k);
        record.timeLabelLarge[count] = record.barHour[k];
        record.timeLabelFirst[count] = record.barMonth[k];
        record.timeLabelSecond[count] = record.barDay[k];
        ++count;
    }
    record.timeLineCount = count;
}

void emaLine(IndicatorExchange& record, const PlotBox& box)
{
    const int visible = visibleBars(record);
    const int available = availableBars(record);
    const int period = clampParameter(record.emaParameter, 1, kBarCapacity);
    const double alpha = 2.0 / (period + 1.0);

    // Oldest bar first: the plain mean of the closes so far until `period` closes are in (so the
    // line starts at the simple average), then the exponential recursion.
    std::array<double, kBarCapacity> ema{};
    double value = 0.0;
    for (int k = available - 1, seen = 1; k >= 0; --k, ++seen) {
        const double close = record.barClose[k];
        value = seen <= period ? value + (close - value) / seen : value + alpha * (close - value);
        ema[static_cast<std::size_t>(k)] = value;
    }

    // Exactly `visible` points: slots older than the data repeat the oldest point with data, so
    // they add only zero-length segments.
    const int firstWithData = std::max(1, visible - available + 1);
    for (int slot = 1; slot <= visible; ++slot) {
        const std::size_t at = static_cast<std::size_t>(slot - 1);
        const int source = std::max(slot, firstWithData);
        const int k = visible - source;
        record.emaX[at] = slotCentre(box, k >= 0 && k < available ? source : 1);
        record.emaY[at] = k >= 0 && k < available
                              ? clampRow(rowOfPrice(ema[static_cast<std::size_t>(k)], record.priceHigh, record.priceLow,
                                                    box.top, box.bottom),
                                         box.top, box.bottom)
                              : box.bottom;
    }
}

void baseLine(IndicatorExchange& record, const PlotBox& box)
{
    const int visible = visibleBars(record);
    const int available = availableBars(record);
    const int period = clampParameter(record.baseLineParameter, 1, kBarCapacity);
    int count = 0;
    for (int slot = 1; slot <= visible; ++slot) {
        const int k = visible - slot;
        if (k >= available)
            continue;
        // The window of `period` bars ending at bar k; shorter where the data run out.
        const int oldest = std::min(k + period - 1, available - 1);
        double highest = record.barHigh[k];
        double lowest = record.barLow[k];
        for (int j = k + 1; j <= oldest; ++j) {
            highest = std::max(highest, record.barHigh[j]);
            lowest = std::min(lowest, record.barLow[j]);
        }
        const double mid = (highest + lowest) / 2.0;
        record.baseLine[count++] = {slotCentre(box, slot),
                                    clampRow(rowOfPrice(mid, record.priceHigh, record.priceLow, box.top, box.bottom),
                                             box.top, box.bottom)};
    }
    record.baseLineCount = count;
}

void laggingSpan(IndicatorExchange& record, const PlotBox& box)
{
    const int visible = visibleBars(record);
    const int available = availableBars(record);
    const int lag = clampParameter(record.laggingParameter, 0, kBarCapacity);
    int count = 0;
    for (int slot = 1; slot <= visible; ++slot) {
        const int k = visible - slot;
        const int target = slot - lag;
        if (k >= available || target < 1)
            continue;
        record.laggingSpan[count++] = {
            slotCentre(box, target),
            clampRow(rowOfPrice(record.barClose[k], record.priceHigh, record.priceLow, box.top, box.bottom), box.top,
                     box.bottom)};
    }
    record.laggingCount = count;
}

} // namespace tessara
