// The tick line as both programs receive it from the feed:
//   year/month/day hour:minute:second.millisecond,open,high,low,close
#pragma once

#include <string>

// History lines (split at "\n") are matched against this.
extern const std::string TickLinePattern;
// The text of one poll is matched whole against the same pattern followed by its line feed.
extern const std::string LiveTickLinePattern;
// A record's rebuilt time text.
extern std::string TimeOnlyPattern;

inline constexpr std::size_t kTickLineGroupCount = 12;  // whole match + 11 fields
inline constexpr std::size_t kTimeOnlyGroupCount = 8;   // whole match + 7 time fields
