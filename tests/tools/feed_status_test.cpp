// The words and exit codes of `orvane-feed status` for each state the feed can be in.
#include <string>

#include <gtest/gtest.h>

#include "tools/feed_status.h"

namespace {

TEST(FeedStatus, ReportAndExitCodeForEachWriterState)
{
    FeedStatus s;
    s.writer = WriterState::Alive;
    s.processId = 312;
    s.generation = 4;
    s.symbol = "USDJPY";
    s.timespan = 1;
    s.historyLines = 2000;
    s.ticksByWriter = 15;
    s.ticksInSection = 1040;
    s.newest = "2024/01/05 09:01:00.050,146.125,146.125,146.125,146.125";
    s.ticksPerSecond = 3.6;
    EXPECT_EQ(formatFeedStatus(s), "writer      alive, process 312\n"
                                   "generation  4\n"
                                   "symbol      USDJPY\n"
                                   "timespan    1 min\n"
                                   "history     2000 lines\n"
                                   "ticks       15 by this writer, 1040 in the section\n"
                                   "newest      2024/01/05 09:01:00.050,146.125,146.125,146.125,146.125\n"
                                   "rate        4 ticks/s over the last second\n");
    EXPECT_EQ(feedStatusExitCode(s), 0);

    s.writer = WriterState::Abandoned;
    s.ticksPerSecond.reset();
    s.symbol.clear();
    s.newest.clear();
    const std::string abandoned = formatFeedStatus(s);
    EXPECT_EQ(abandoned.substr(0, abandoned.find('\n')), "writer      none (process 312 stopped writing without closing the feed)");
    EXPECT_NE(abandoned.find("symbol      (not set)\n"), std::string::npos);
    EXPECT_NE(abandoned.find("newest      (none)\n"), std::string::npos);
    EXPECT_EQ(abandoned.find("rate"), std::string::npos);
    for (const WriterState none : {WriterState::NoFeed, WriterState::Unwritten, WriterState::Closed, WriterState::Ended,
                                   WriterState::Abandoned}) {
        s.writer = none;
        EXPECT_EQ(feedStatusExitCode(s), 1);
    }
    s.writer = WriterState::NoFeed;
    EXPECT_EQ(formatFeedStatus(s), "writer      none (no program has opened the feed)\n");
    s.writer = WriterState::Unreadable;
    s.kind = FeedSectionKind::OtherVersion;
    EXPECT_EQ(feedStatusExitCode(s), 2);
    EXPECT_EQ(formatFeedStatus(s), "orvane-feed: the feed section is of another layout version than this orvane-feed reads (1)\n");

    EXPECT_EQ(countHistoryLines(""), 0u);
    EXPECT_EQ(countHistoryLines("a\nb\n\nc"), 3u);
}

} // namespace
