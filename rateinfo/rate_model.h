// The rate-info program's data: the remembered distinct closes and the parsing of one feed poll.
// Standard C++ only; the window side hands in the feed text and the settings.
#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>

// One remembered rate: the date-time text of the tick exactly as received, and its close.
struct RateEntry {
    std::string dateTime;
    double close = 0.0;
};

// Front = newest. Neighbours never hold equal closes.
using RateHistory = std::list<RateEntry>;

// One whole poll: the date-time as group 1, then open, high, low and close, then one line feed.
extern const std::string RateLinePattern;
// A date-time text with its minute (group 1) and second (group 2).
extern const std::string MinuteSecondPattern;

// What one refresh hands to the paint: the tick that was read.
struct LatestTick {
    std::string dateTime;
    std::int32_t second = 0;
    double close = 0.0;
};

// The second of a date-time text; 0 when the text is not a date-time. Empty only when the second
// is a date-time's digits but too large for a 32-bit integer.
std::optional<std::int32_t> secondOfTime(std::string_view dateTime);

// One refresh with the text of one poll: trims the oldest entry when the history holds more than
// rowCount + 2, then puts the tick at the front when its close differs from the newest one.
// A text that is not exactly one tick line, or whose close or second cannot be converted, changes
// nothing and gives no tick.
std::optional<LatestTick> refreshRates(RateHistory& history, std::string_view feedText, std::int32_t rowCount);
