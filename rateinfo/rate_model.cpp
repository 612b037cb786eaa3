#include "rateinfo/rate_model.h"

#include "common/tick_scan.h"

const std::string RateLinePattern =
    "([0-9]+\\/[0-9]+\\/[0-9]+ [0-9]+:[0-9]+:[0-9]+\\.[0-9]+),([0-9\\.]+),([0-9\\.]+),([0-9\\.]+),([0-9\\.]+)\n";

const std::string MinuteSecondPattern = "[0-9]+\\/[0-9]+\\/[0-9]+ [0-9]+:([0-9]+):([0-9]+)\\.[0-9]+";

// Both patterns accept the same texts as the shared tick scanners (a date-time is the scanners'
// seven time fields), so the hand-written scanners stand in for the regular expressions here: a
// paint runs every 10 ms and std::regex costs microseconds per match under Wine.
namespace {
constexpr std::size_t kSecondField = 6;
constexpr std::size_t kCloseField = 11;
} // namespace

std::optional<std::int32_t> secondOfTime(std::string_view dateTime)
{
    TimeOnlyFields fields;
    if (!scanTimeOnly(dateTime, fields))
        return 0;
    return toInt32(fields.group[kSecondField]);
}

std::optional<LatestTick> refreshRates(RateHistory& history, std::string_view feedText, std::int32_t rowCount)
{
    TickLineFields fields;
    if (!scanTickLine(feedText, LineEnd::LineFeed, fields))
        return std::nullopt;
    const std::string_view dateTime = fields.timePart();
    const std::optional<std::int32_t> second = secondOfTime(dateTime);
    const std::optional<double> close = toDouble(fields.group[kCloseField]);
    // A field the conversions reject is bad data like any other line that does not match.
    if (!second || !close)
        return std::nullopt;

    // Trimming first means a lowered row count shrinks the list only on refreshes that insert
    // nothing, one entry at a time.
    if (static_cast<std::int64_t>(history.size()) > static_cast<std::int64_t>(rowCount) + 2)
        history.pop_back();
    // != is true for a NaN, so a NaN close always counts as new.
    if (history.empty() || history.front().close != *close)
        history.push_front(RateEntry{std::string(dateTime), *close});
    return LatestTick{std::string(dateTime), *second, *close};
}
