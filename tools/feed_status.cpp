#include "tools/feed_status.h"

#include <cstdio>

namespace {

std::string writerText(const FeedStatus& s)
{
    const std::string process = "process " + std::to_string(s.processId);
    switch (s.writer) {
    case WriterState::NoFeed:
        return "none (no program has opened the feed)";
    case WriterState::Unwritten:
        return "none (no writer has opened the feed yet)";
    case WriterState::Alive:
        return "alive, " + process;
    case WriterState::Closed:
        return "none (" + process + " closed the feed)";
    case WriterState::Ended:
        return "none (" + process + " has ended)";
    case WriterState::Abandoned:
        return "none (" + process + " stopped writing without closing the feed)";
    case WriterState::Unreadable:
        break;
    }
    return "unknown";
}

std::string kindText(FeedSectionKind kind)
{
    switch (kind) {
    case FeedSectionKind::TooSmall:
        return "the feed section is smaller than this version's layout (another build of OrvaneDriverDLL?)";
    case FeedSectionKind::Foreign:
        return "the feed section holds another program's data";
    case FeedSectionKind::OtherVersion:
        return "the feed section is of another layout version than this orvane-feed reads (1)";
    case FeedSectionKind::Damaged:
        return "the feed section is damaged (a writer died while changing it?); the next writer repairs it";
    default:
        return "the feed section cannot be read";
    }
}

void row(std::string& out, const char* name, const std::string& value)
{
    char label[16];
    std::snprintf(label, sizeof label, "%-12s", name);
    out += label;
    out += value;
    out += '\n';
}

} // namespace

std::string formatFeedStatus(const FeedStatus& s)
{
    std::string out;
    if (s.writer == WriterState::Unreadable) {
        out = "orvane-feed: " + kindText(s.kind) + "\n";
        return out;
    }
    row(out, "writer", writerText(s));
    if (s.writer == WriterState::NoFeed || s.writer == WriterState::Unwritten)
        return out;
    row(out, "generation", std::to_string(s.generation));
    row(out, "symbol", s.symbol.empty() ? "(not set)" : s.symbol);
    row(out, "timespan", s.timespan == 0 ? "(not set)" : std::to_string(s.timespan) + " min");
    row(out, "history", std::to_string(s.historyLines) + " lines");
    row(out, "ticks", std::to_string(s.ticksByWriter) + " by this writer, " + std::to_string(s.ticksInSection) +
                          " in the section");
    row(out, "newest", s.newest.empty() ? "(none)" : s.newest);
    if (s.ticksPerSecond) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.0f ticks/s", *s.ticksPerSecond);
        row(out, "rate", std::string(rate) + " over the last second");
    }
    return out;
}

int feedStatusExitCode(const FeedStatus& s)
{
    if (s.writer == WriterState::Unreadable)
        return 2;
    return s.writer == WriterState::Alive ? 0 : 1;
}

std::size_t countHistoryLines(std::string_view text)
{
    std::size_t count = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!line.empty() && line != "\r")
            ++count;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return count;
}
