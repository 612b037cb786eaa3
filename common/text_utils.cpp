#include "common/text_utils.h"

#include <cstdio>
#include <regex>
#include <unordered_map>

std::string formatTimestamp(const LocalDateTime& t)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d.%03d",
                  t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
    return buffer;
}

std::vector<std::string> splitLines(const std::string& text, const std::string& delimiter)
{
    std::vector<std::string> pieces;
    if (delimiter.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    std::string::size_type start = 0;
    for (;;) {
        const auto found = text.find(delimiter, start);
        if (found == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, found - start));
        start = found + delimiter.size();
    }
}

namespace {

const std::regex& compiledPattern(const std::string& pattern)
{
    // A handful of fixed patterns are used; the bound only guards against a caller that
    // builds patterns at run time.
    thread_local std::unordered_map<std::string, std::regex> cache;
    auto found = cache.find(pattern);
    if (found != cache.end())
        return found->second;
    if (cache.size() >= 32)
        cache.clear();
    return cache.emplace(pattern, std::regex(pattern, std::regex::ECMAScript)).first->second;
}

} // namespace

std::vector<std::string> matchGroups(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> groups;
    std::smatch match;
    if (!std::regex_match(text, match, compiledPattern(pattern)))
        return groups;
    groups.reserve(match.size());
    for (const auto& group : match)
        groups.push_back(group.matched ? group.str() : std::string());
    return groups;
}

std::string rebuildTimeText(const std::vector<std::string>& g)
{
    if (g.size() < 8)
        return {};
    std::string text;
    text.reserve(g[1].size() + g[2].size() + g[3].size() + g[4].size() + g[5].size() + g[6].size() + g[7].size() + 6);
    text.append(g[1]).append(1, '/').append(g[2]).append(1, '/').append(g[3]).append(1, ' ');
    text.append(g[4]).append(1, ':').append(g[5]).append(1, ':').append(g[6]).append(1, '.').append(g[7]);
    return text;
}

std::string describeConversionError(unsigned long errorCode)
{
    // The Win32 values, spelled out so this stays free of <windows.h>.
    switch (errorCode) {
    case 87: return "ERROR_INVALID_PARAMETER";
    case 122: return "ERROR_INSUFFICIENT_BUFFER";
    case 1004: return "ERROR_INVALID_FLAGS";
    case 1113: return "ERROR_NO_UNICODE_TRANSLATION";
    default: return "unknown(" + std::to_string(errorCode) + ")";
    }
}

std::wstring intToWide(std::int32_t value)
{
    return std::to_wstring(value);
}
