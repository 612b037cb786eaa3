#include "common/tick_scan.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isValueChar(char c) { return isDigit(c) || c == '.'; }

// Consumes one or more characters accepted by `accept`; returns the run, or an empty view.
template <typename Accept>
std::string_view takeRun(std::string_view text, std::size_t& pos, Accept accept)
{
    const std::size_t start = pos;
    while (pos < text.size() && accept(text[pos]))
        ++pos;
    return text.substr(start, pos - start);
}

bool takeChar(std::string_view text, std::size_t& pos, char expected)
{
    if (pos < text.size() && text[pos] == expected) {
        ++pos;
        return true;
    }
    return false;
}

// The seven time fields; every separator is distinct from the digits, so there is exactly one
// way to match and no backtracking is needed.
bool scanTime(std::string_view text, std::size_t& pos, std::string_view* fields)
{
    static constexpr char kSeparators[6] = {'/', '/', ' ', ':', ':', '.'};
    for (int i = 0; i < 7; ++i) {
        fields[i] = takeRun(text, pos, isDigit);
        if (fields[i].empty())
            return false;
        if (i < 6 && !takeChar(text, pos, kSeparators[i]))
            return false;
    }
    return true;
}

} // namespace

std::string_view TickLineFields::timePart() const
{
    const char* begin = group[1].data();
    const char* end = group[7].data() + group[7].size();
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

std::vector<std::string> TickLineFields::toStrings() const
{
    return std::vector<std::string>(group.begin(), group.end());
}

bool scanTickLine(std::string_view text, LineEnd end, TickLineFields& out)
{
    std::size_t pos = 0;
    if (!scanTime(text, pos, &out.group[1]))
        return false;
    for (int i = 8; i <= 11; ++i) {
        if (!takeChar(text, pos, ','))
            return false;
        out.group[i] = takeRun(text, pos, isValueChar);
        if (out.group[i].empty())
            return false;
    }
    if (end == LineEnd::LineFeed && !takeChar(text, pos, '\n'))
        return false;
    if (pos != text.size())
        return false;
    out.group[0] = text;
    return true;
}

bool scanTimeOnly(std::string_view text, TimeOnlyFields& out)
{
    std::size_t pos = 0;
    if (!scanTime(text, pos, &out.group[1]) || pos != text.size())
        return false;
    out.group[0] = text;
    return true;
}

std::vector<std::string> matchTickLine(std::string_view text, LineEnd end)
{
    TickLineFields fields;
    if (!scanTickLine(text, end, fields))
        return {};
    return fields.toStrings();
}

std::optional<std::int32_t> toInt32(std::string_view text)
{
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (result.ec == std::errc())
        return value;
    if (result.ec == std::errc::result_out_of_range)
        return std::nullopt;
    // Not a plain digit run (white space, a sign): let strtol decide, as std::stoi does.
    const std::string copy(text);
    char* end = nullptr;
    const int savedErrno = errno;
    errno = 0;
    const long wide = std::strtol(copy.c_str(), &end, 10);
    const bool outOfRange = errno == ERANGE || wide < INT32_MIN || wide > INT32_MAX;
    errno = savedErrno;
    if (end == copy.c_str() || outOfRange)
        return std::nullopt;
    return static_cast<std::int32_t>(wide);
}

namespace {

// What std::stod does, for the rare inputs where from_chars alone cannot say: strtod on a
// NUL-terminated copy, with its errno.
std::optional<double> toDoubleLikeStrtod(std::string_view text)
{
    const std::string copy(text);
    char* end = nullptr;
    const int savedErrno = errno;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    const bool outOfRange = errno == ERANGE;
    errno = savedErrno;
    if (end == copy.c_str() || outOfRange)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> toDouble(std::string_view text)
{
    // strtod reads "0x..." as a hexadecimal number, which from_chars does not; the patterns never
    // let one through, but the conversion stays exact for any text.
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    const bool hexadecimal = text.size() >= digits + 2 && text[digits] == '0' &&
                             (text[digits + 1] == 'x' || text[digits + 1] == 'X');
    if (hexadecimal)
        return toDoubleLikeStrtod(text);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    // Both conversions round correctly, so a normal result is the same number; zero, subnormal
    // and out-of-range results are where the C runtime decides about ERANGE, so ask it.
    if (result.ec == std::errc() && std::isnormal(value))
        return value;
    if (result.ec == std::errc() && value == 0.0) {
        bool anyNonZero = false;
        for (const char* p = text.data(); p != result.ptr; ++p)
            anyNonZero = anyNonZero || (*p >= '1' && *p <= '9');
        if (!anyNonZero)
            return value;
    }
    // Also where from_chars found no number: strtod accepts white space and a sign first.
    return toDoubleLikeStrtod(text);
}
