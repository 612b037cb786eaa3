// What `orvane-feed status` reports about the feed, and its exit code. The Win32 side
// (tools/feed_watch.cpp) fills FeedStatus from the mapped section; this only words it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feed/feed_core.h"

enum class WriterState {
    NoFeed,      // no section: nothing has opened the feed in this session
    Unwritten,   // a section that no writer has opened yet
    Alive,
    Closed,      // its process runs, but it closed the writer
    Ended,       // its process has ended
    Abandoned,   // its thread ended without closing (the writer lock was left abandoned)
    Unreadable,  // a damaged or foreign section
};

struct FeedStatus {
    WriterState writer = WriterState::NoFeed;
    FeedSectionKind kind = FeedSectionKind::Unwritten;
    std::uint32_t processId = 0;
    std::uint64_t generation = 0;
    std::string symbol;  // UTF-8
    std::int32_t timespan = 0;
    std::size_t historyLines = 0;
    std::uint64_t ticksByWriter = 0;
    std::uint64_t ticksInSection = 0;
    std::string newest;  // the newest tick line, without line end
    std::optional<double> ticksPerSecond;
};

// The report, one "name  value" line each; a damaged or foreign section gets one line saying what
// is wrong instead.
std::string formatFeedStatus(const FeedStatus& status);

// 0 with a live writer, 1 without one, 2 for a section this tool cannot read.
int feedStatusExitCode(const FeedStatus& status);

// Lines of a history text ("\n"-separated, empty lines not counted).
std::size_t countHistoryLines(std::string_view text);
