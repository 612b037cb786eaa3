#include "client/core/bar_store.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>

namespace {

// The record of a scanned line, its texts viewing the scanned text.
std::optional<BarRecordView> recordViewOf(const TickLineFields& fields)
{
    BarRecordView record;
    std::int32_t* const time[] = {&record.year, &record.month, &record.day, &record.hour, &record.minute};
    for (std::size_t i = 0; i < std::size(time); ++i) {
        const auto value = toInt32(fields.group[i + 1]);
        if (!value)
            return std::nullopt;
        *time[i] = *value;
    }
    double* const prices[] = {&record.open, &record.high, &record.low, &record.close};
    for (std::size_t i = 0; i < std::size(prices); ++i) {
        const auto value = toDouble(fields.group[i + 8]);
        if (!value)
            return std::nullopt;
        *prices[i] = *value;
    }
    record.lineText = fields.group[0];
    record.timeText = fields.timePart();
    return record;
}

bool sameMinuteView(const BarRecordView& a, const BarRecordView& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute;
}

} // namespace

std::optional<BarRecord> makeBarRecord(const TickLineFields& fields)
{
    const auto record = recordViewOf(fields);
    if (!record)
        return std::nullopt;
    return record->toRecord();
}

bool sameMinute(const BarRecord& a, const BarRecord& b)
{
    return sameMinuteView(a, b);
}

void appendAcceptedLine(BarStore& store, const BarRecordView& record)
{
    store.joinedLines.push_back(record);
    store.receivedLines.push_back(store.joinedLines.size() - 1);
}

namespace {

void loadHistoryLine(BarStore& store, std::string_view line)
{
    TickLineFields fields;
    if (!scanTickLine(line, LineEnd::None, fields))
        return;
    const auto record = recordViewOf(fields);
    if (!record)
        return;
    store.joinedLines.push_back(*record);
    store.minuteBars.push_back(*record);
}

} // namespace

void loadHistory(BarStore& store, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        loadHistoryLine(store, line);
}

void loadHistoryText(BarStore& store, std::string_view text)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        loadHistoryLine(store, text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

void adoptNewestHistoryRecord(BarStore& store)
{
    if (store.joinedLines.empty())
        return;
    const BarRecordView newest = store.joinedLines.backView();
    TimeOnlyFields time;
    if (!scanTimeOnly(newest.timeText, time))
        return;
    store.currentMinuteText = time.group[5];
    store.lastClose = newest.close;
}

std::vector<std::string> mergeLiveText(BarStore& store, BarLock& lock, std::string_view text)
{
    TickLineFields fields;
    if (!scanTickLine(text, LineEnd::LineFeed, fields))
        return {};
    const auto record = recordViewOf(fields);
    if (!record)
        return {};

    // Written as "not equal" on purpose: a NaN on either side counts as a new close.
    if (!(record->close == store.lastClose)) {
        appendAcceptedLine(store, *record);
        store.lastClose = record->close;
    }

    {
        BarLockHold hold(lock);
        // The feed sends the running values of the current one-minute bar, so a line of the
        // newest bar's minute replaces that bar rather than being combined with it.
        if (!store.minuteBars.empty() && sameMinuteView(store.minuteBars.backView(), *record))
            store.minuteBars.replaceBack(*record);
        else
            store.minuteBars.push_back(*record);
        store.currentMinuteText = fields.group[5];
    }
    return fields.toStrings();
}

int displayWindowSize(const ChartSettings& settings)
{
    const std::int64_t size = std::int64_t{settings.candleCount} + settings.lookBackCount;
    return static_cast<int>(std::clamp<std::int64_t>(size, 0, std::numeric_limits<int>::max()));
}

namespace {

// The window from scratch: W bars, newest shown first, `scrollOffset` bars back from the newest.
// Reuses the list's nodes so that a rebuild of an equal-sized window allocates nothing.
void rebuildDisplayWindow(BarStore& store, ChartSettings& settings, std::size_t windowSize)
{
    const std::size_t barCount = store.minuteBars.size();
    const auto maxOffset = static_cast<std::int64_t>(barCount - windowSize);
    settings.scrollOffset = static_cast<std::int32_t>(std::clamp<std::int64_t>(settings.scrollOffset, 0, maxOffset));
    settings.lastScrollOffset = settings.scrollOffset;

    store.displayList.resize(windowSize);
    std::size_t index = barCount - 1 - static_cast<std::size_t>(settings.scrollOffset);
    for (BarRecord& shown : store.displayList)
        store.minuteBars.view(index--).copyTo(shown);
}

} // namespace

void updateDisplayWindow(BarStore& store, ChartSettings& settings, BarLock& lock)
{
    BarLockHold hold(lock);
    const std::size_t barCount = store.minuteBars.size();
    const int window = displayWindowSize(settings);
    if (window == 0 || barCount < static_cast<std::size_t>(window))
        return;
    // Counted only when the list is brought up to date: bars that arrived while the window could
    // not be filled must still force a rebuild later, or the shift below would drop one.
    const std::size_t gained = barCount - std::min(barCount, store.barCountAtLastUpdate);
    store.barCountAtLastUpdate = barCount;
    const auto windowSize = static_cast<std::size_t>(window);
    auto& shown = store.displayList;

    if (settings.scrollOffset != settings.lastScrollOffset || shown.size() != windowSize) {
        rebuildDisplayWindow(store, settings, windowSize);
        return;
    }
    if (settings.scrollOffset != 0)
        return;  // scrolled back: the window stands still until the offset changes

    const BarRecordView newest = store.minuteBars.backView();
    if (gained == 0 && sameMinuteView(shown.front(), newest)) {
        newest.copyTo(shown.front());
    } else if (gained == 1 && !sameMinuteView(shown.front(), newest)) {
        // The old front may have changed once more before the new minute began: refresh it, then
        // move the oldest node to the front for the new bar instead of allocating one.
        store.minuteBars.view(barCount - 2).copyTo(shown.front());
        shown.splice(shown.begin(), shown, std::prev(shown.end()));
        newest.copyTo(shown.front());
    } else {
        // More than one new bar since the last tick (a paint Windows asked for merged a line too),
        // or a window that no longer matches the bars: shifting would lose bars.
        rebuildDisplayWindow(store, settings, windowSize);
    }
}

void applyScrollKey(ChartSettings& settings, ScrollKey key, std::size_t barCount)
{
    const std::int64_t offset = settings.scrollOffset;
    const std::int64_t step = settings.scrollStep;
    switch (key) {
    case ScrollKey::StepOne:
        settings.scrollStep = 1;
        break;
    case ScrollKey::StepTen:
        settings.scrollStep = 10;
        break;
    case ScrollKey::StepLarge:
        settings.scrollStep = 180;
        break;
    case ScrollKey::Home:
        settings.scrollOffset = 0;
        break;
    case ScrollKey::Newer:
        settings.scrollOffset = static_cast<std::int32_t>(std::max<std::int64_t>(offset - step, 0));
        break;
    case ScrollKey::Older: {
        // Without enough bars for a window the offset grows unbounded; the next rebuild bounds it.
        std::int64_t next = std::min<std::int64_t>(offset + step, std::numeric_limits<std::int32_t>::max());
        const std::int64_t window = displayWindowSize(settings);
        const auto bars = static_cast<std::int64_t>(barCount);
        if (bars >= window && next >= bars - window)
            next = bars - window;
        settings.scrollOffset = static_cast<std::int32_t>(next);
        break;
    }
    case ScrollKey::Other:
        break;
    }
}
