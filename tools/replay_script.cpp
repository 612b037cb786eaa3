#include "tools/replay_script.h"

#include <algorithm>
#include <cstdlib>

#include "common/tick_scan.h"
#include "tools/market_sim.h"

namespace {

std::string_view trimLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

std::optional<LocalMillis> tickTime(std::string_view line)
{
    TickLineFields fields;
    if (!scanTickLine(line, LineEnd::None, fields))
        return std::nullopt;
    int value[8] = {};
    for (int i = 1; i <= 7; ++i) {
        const auto parsed = toInt32(fields.group[static_cast<std::size_t>(i)]);
        if (!parsed)
            return std::nullopt;
        value[i] = *parsed;
    }
    if (value[2] < 1 || value[2] > 12 || value[3] < 1 || value[3] > 31)
        return std::nullopt;
    return toLocalMillis(CivilTime{value[1], value[2], value[3], value[4], value[5], value[6], value[7]});
}

} // namespace

ReplayScript parseReplayScript(std::string_view text)
{
    ReplayScript script;
    bool live = false;
    bool sawTick = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = trimLineEnd(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty())
            continue;
        if (line.front() == '#') {
            if (line == "#live") {
                live = true;
            } else if (!sawTick && line.substr(0, 8) == "#symbol ") {
                script.symbol = std::string(line.substr(8));
            } else if (!sawTick && line.substr(0, 10) == "#timespan ") {
                if (const auto minutes = toInt32(line.substr(10)))
                    script.timespan = *minutes;
            }
            continue;
        }
        sawTick = true;
        (live ? script.live : script.history).emplace_back(line);
    }
    return script;
}

long long replayGapMillis(std::string_view previous, std::string_view next, double speed)
{
    if (speed <= 0)
        return 0;
    const auto from = tickTime(previous);
    const auto to = tickTime(next);
    long long gap = kReplayDefaultGapMs;
    if (from && to && *to >= *from)
        gap = static_cast<long long>(static_cast<double>(*to - *from) / speed);
    else
        gap = static_cast<long long>(static_cast<double>(gap) / speed);
    return std::clamp<long long>(gap, 0, kReplayMaxGapMs);
}
