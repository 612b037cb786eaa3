#include "client/dialogs/dialog_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::int32_t validateCandleCount(std::uint32_t typed)
{
    if (typed <= static_cast<std::uint32_t>(kCandleCountLower) || typed > static_cast<std::uint32_t>(kCandleCountUpper))
        return kCandleCountLower;
    return static_cast<std::int32_t>(typed);
}

std::int32_t validateFutureView(std::uint32_t typed)
{
    // The trackbar's right end (100) is one beyond what the chart accepts.
    if (typed >= static_cast<std::uint32_t>(kFutureViewUpper))
        return kFutureViewLower;
    return static_cast<std::int32_t>(typed);
}

std::int32_t validateScrollStep(std::uint32_t typed, std::int32_t candleCount)
{
    const std::int64_t capped = std::min<std::int64_t>(typed, candleCount);
    if (capped <= kScrollStepLower || capped > kScrollStepUpper)
        return kScrollStepLower;
    return static_cast<std::int32_t>(capped);
}

namespace {

bool isSpace(wchar_t c)
{
    // The white space of the "C" locale, which is the only locale the chart client runs in.
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

} // namespace

double parseSpanText(std::wstring_view text)
{
    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at]))
        ++at;

    // Collect the longest decimal prefix as narrow text; every character in it is ASCII.
    std::string prefix;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
        prefix += static_cast<char>(text[at++]);
    std::size_t mantissaDigits = 0;
    while (at < text.size() && isDigit(text[at])) {
        prefix += static_cast<char>(text[at++]);
        ++mantissaDigits;
    }
    if (at < text.size() && text[at] == L'.') {
        prefix += '.';
        ++at;
        while (at < text.size() && isDigit(text[at])) {
            prefix += static_cast<char>(text[at++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    // An exponent counts only with at least one digit: "5e" and "5e+" read as 5.
    if (at < text.size() && (text[at] == L'e' || text[at] == L'E')) {
        std::size_t look = at + 1;
        if (look < text.size() && (text[look] == L'+' || text[look] == L'-'))
            ++look;
        if (look < text.size() && isDigit(text[look])) {
            prefix += 'e';
            if (text[at + 1] == L'-' || text[at + 1] == L'+')
                prefix += static_cast<char>(text[at + 1]);
            while (look < text.size() && isDigit(text[look]))
                prefix += static_cast<char>(text[look++]);
        }
    }
    // strtod rounds as wcstod does; out of range it gives +-HUGE_VAL or a value near 0.
    return std::strtod(prefix.c_str(), nullptr);
}

double validateVerticalSpan(double parsed)
{
    if (std::isfinite(parsed) && parsed > 0.0)
        return parsed;
    return kVerticalSpanFallback;
}

std::string formatFixed(double value)
{
    // Prices fit the small buffer; only huge magnitudes need the measured one.
    char small[64];
    const int fitted = std::snprintf(small, sizeof small, "%f", value);
    if (fitted >= 0 && static_cast<std::size_t>(fitted) < sizeof small)
        return std::string(small, static_cast<std::size_t>(fitted));
    const int length = std::snprintf(nullptr, 0, "%f", value);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%f", value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring formatSpanText(double span)
{
    const std::string narrow = formatFixed(span);
    return std::wstring(narrow.begin(), narrow.end());
}

std::string formatBarLine(const BarRecordView& record)
{
    std::string line(record.timeText);
    for (const double value : {record.open, record.high, record.low, record.close}) {
        line += ',';
        line += formatFixed(value);
    }
    return line;
}

std::vector<std::string> viewLines(const BarListView& list, std::size_t limit)
{
    std::vector<std::string> lines;
    const std::size_t size = list.size();
    const std::size_t count = std::min(size, limit);
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back(formatBarLine(list[size - 1 - i]) + "\r\n");
    return lines;
}

bool writeCsvLines(const BarListView& list, const CsvSink& sink)
{
    // Chunks keep the number of file writes small without holding the whole file in memory.
    constexpr std::size_t kChunkBytes = 64 * 1024;
    std::string chunk;
    chunk.reserve(kChunkBytes + 256);
    for (std::size_t index = list.size(); index-- > 0;) {
        chunk += formatBarLine(list[index]);
        chunk += "\r\n";
        if (chunk.size() >= kChunkBytes) {
            if (!sink(chunk))
                return false;
            chunk.clear();
        }
    }
    return chunk.empty() || sink(chunk);
}
