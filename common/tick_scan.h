// Hand-written scanners for the tick-line and time-text patterns, and the field conversions.
//
// They give exactly the groups that matchGroups gives for TickLinePattern, its live form and
// TimeOnlyPattern, and exactly the numbers (or failures) of std::stoi / std::stod, for every input;
// tests/common prove it differentially and a fuzz target keeps proving it. They exist because the
// chart client matches twice per paint, a hundred paints a second, and under Wine a std::regex
// match plus std::stod costs several microseconds where these cost a fraction of one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class LineEnd { None, LineFeed };

// Views into the scanned text: [0] the whole match, [1..7] the time fields, [8..11] open, high,
// low and close. Valid while the text lives.
struct TickLineFields {
    std::array<std::string_view, 12> group;

    std::string_view timePart() const;  // "year/month/day hour:minute:second.millisecond"
    std::vector<std::string> toStrings() const;
};

struct TimeOnlyFields {
    std::array<std::string_view, 8> group;
};

// Whole-text match of the tick line; with LineEnd::LineFeed the text must end in exactly one "\n".
bool scanTickLine(std::string_view text, LineEnd end, TickLineFields& out);
bool scanTimeOnly(std::string_view text, TimeOnlyFields& out);

// Same list as matchGroups(text, TickLinePattern or LiveTickLinePattern).
std::vector<std::string> matchTickLine(std::string_view text, LineEnd end);

// std::stoi / std::stod without exceptions: nullopt where they would throw (no number at all, or
// out of range). Both read the longest leading number, so "1.2.3" gives 1.2.
std::optional<std::int32_t> toInt32(std::string_view text);
std::optional<double> toDouble(std::string_view text);
