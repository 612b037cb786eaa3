// The file format of `orvane-feed replay` (documented in docs/FEED.md):
//
//   #symbol USDJPY          optional, before the first tick line
//   #timespan 1             optional, before the first tick line
//   # any other text        a comment
//   2024/01/05 09:00:00.000,146.100,146.180,146.050,146.120   history lines, oldest first
//   #live                   the end of history: every tick line after it is replayed live
//   2024/01/05 09:33:01.125,146.300,146.310,146.290,146.305
//
// Empty lines and carriage returns are ignored. A file without "#live" holds history only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ReplayScript {
    std::optional<std::string> symbol;
    std::optional<int> timespan;
    std::vector<std::string> history;
    std::vector<std::string> live;
};

ReplayScript parseReplayScript(std::string_view text);

// Milliseconds to wait between two live lines: the difference of their tick times divided by
// `speed`; kReplayDefaultGapMs when a time cannot be read or goes backwards; 0 when speed <= 0
// ("as fast as possible"); never more than kReplayMaxGapMs.
inline constexpr long long kReplayDefaultGapMs = 250;
inline constexpr long long kReplayMaxGapMs = 60'000;
long long replayGapMillis(std::string_view previous, std::string_view next, double speed);
