// The merge of one live line done the slow way, for the benchmarks to compare against: both
// patterns compiled on every call, the groups copied out, the fields read with std::stod and
// std::stoi, and the minute compared as the received minute digits.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "client/core/bar_store.h"
#include "client/core/chart_state.h"
#include "common/tick_patterns.h"

inline std::vector<std::string> regexGroups(const std::string& text, const std::string& pattern)
{
    const std::regex compiled(pattern);
    std::smatch match;
    std::vector<std::string> groups;
    if (std::regex_match(text, match, compiled))
        for (const auto& group : match)
            groups.push_back(group.str());
    return groups;
}

inline std::vector<std::string> regexMergeLiveText(BarStore& store, const std::string& text)
{
    const auto groups = regexGroups(text, LiveTickLinePattern);
    if (groups.size() != 12)
        return {};
    BarRecord record;
    record.lineText = groups[0];
    record.timeText = groups[1] + "/" + groups[2] + "/" + groups[3] + " " + groups[4] + ":" + groups[5] + ":" +
                      groups[6] + "." + groups[7];
    record.year = std::stoi(groups[1]);
    record.month = std::stoi(groups[2]);
    record.day = std::stoi(groups[3]);
    record.hour = std::stoi(groups[4]);
    record.minute = std::stoi(groups[5]);
    record.open = std::stod(groups[8]);
    record.high = std::stod(groups[9]);
    record.low = std::stod(groups[10]);
    record.close = std::stod(groups[11]);
    if (!(record.close == store.lastClose)) {
        appendAcceptedLine(store, record);
        store.lastClose = record.close;
    }
    const auto time = regexGroups(record.timeText, TimeOnlyPattern);
    if (time.size() != 8)
        return groups;
    if (time[5] == store.currentMinuteText && !store.minuteBars.empty()) {
        store.minuteBars.replaceBack(record);
    } else {
        store.minuteBars.push_back(record);
        store.currentMinuteText = time[5];
    }
    return groups;
}
