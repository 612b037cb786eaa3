#include "tools/mt5_export.h"

#include <algorithm>
#include <array>

#include "tools/replay_script.h"

namespace {

constexpr LocalMillis kMinute = 60'000;
constexpr int kMaxDigits = 8;
constexpr int kMaxIntegerDigits = 10;  // with kMaxDigits, every price fits 64 bits after scaling

constexpr std::string_view kTickHeader = "<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>";
constexpr std::string_view kBarHeader = "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>";

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Splits decoded text into lines without their CR LF or LF; `number` counts from 1.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::string_view& line)
    {
        if (text_.empty())
            return false;
        const auto end = text_.find('\n');
        line = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t number_ = 0;
};

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// `count` decimal digits exactly; false otherwise.
bool readDigits(std::string_view text, std::size_t count, int& value)
{
    if (text.size() != count)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "YYYY.MM.DD" (or with "/") and "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" (one to three digits).
bool parseExportTime(std::string_view date, std::string_view time, LocalMillis& out, bool& dateOk)
{
    CivilTime t;
    dateOk = date.size() == 10 && (date[4] == '.' || date[4] == '/') && date[7] == date[4] &&
             readDigits(date.substr(0, 4), 4, t.year) && readDigits(date.substr(5, 2), 2, t.month) &&
             readDigits(date.substr(8, 2), 2, t.day) && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
             t.day <= daysInMonth(t.year, t.month);
    if (!dateOk)
        return false;
    if (time.size() < 5 || time[2] != ':' || !readDigits(time.substr(0, 2), 2, t.hour) ||
        !readDigits(time.substr(3, 2), 2, t.minute) || t.hour > 23 || t.minute > 59)
        return false;
    if (time.size() > 5) {
        if (time.size() < 8 || time[5] != ':' || !readDigits(time.substr(6, 2), 2, t.second) || t.second > 59)
            return false;
        if (time.size() > 8) {
            const std::string_view fraction = time.substr(9);
            int value = 0;
            if (time[8] != '.' || fraction.empty() || fraction.size() > 3 || !readDigits(fraction, fraction.size(), value))
                return false;
            for (std::size_t i = fraction.size(); i < 3; ++i)
                value *= 10;
            t.millisecond = value;
        }
    }
    out = toLocalMillis(t);
    return true;
}

struct Price {
    std::int64_t units = 0;  // the digits without the point
    int decimals = 0;
};

// A price as the terminal writes it: digits with at most one point, no sign.
bool parsePrice(std::string_view text, Price& price)
{
    price = Price{};
    bool point = false;
    int integerDigits = 0;
    if (text.empty() || text == ".")
        return false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (point ? ++price.decimals > kMaxDigits : ++integerDigits > kMaxIntegerDigits)
                return false;
            price.units = price.units * 10 + (c - '0');
        } else {
            return false;
        }
    }
    return true;
}

std::int64_t scaled(const Price& price, int digits)
{
    std::int64_t units = price.units;
    for (int i = price.decimals; i < digits; ++i)
        units *= 10;
    return units;
}

std::int64_t rescaled(std::int64_t units, int from, int to)
{
    for (int i = from; i < to; ++i)
        units *= 10;
    return units;
}

ExportError fault(std::size_t line, std::string message)
{
    return ExportError{line, std::move(message)};
}

std::string quoted(std::string_view text)
{
    std::string out(1, '"');
    out.append(text);
    out.push_back('"');
    return out;
}

// Reads the header and every row of `fields` fields; `row` gets the row's fields and line number
// and returns a fault or nothing.
template <typename Row>
std::optional<ExportError> parseRows(std::string_view text, std::string_view header, std::size_t fields, Row row)
{
    LineReader lines(text);
    std::string_view line;
    bool more = lines.next(line);
    while (more && trimmed(line).empty())
        more = lines.next(line);
    if (!more || trimmed(line) != header)
        return fault(lines.number() ? lines.number() : 1, "unknown header " + quoted(trimmed(line)) + ", expected " + quoted(header));
    while (lines.next(line)) {
        if (line.empty())
            continue;
        const auto values = splitFields(line);
        if (values.size() != fields)
            return fault(lines.number(), std::to_string(fields) + " tab-separated fields expected, " +
                                             std::to_string(values.size()) + " found");
        if (auto error = row(values, lines.number()))
            return error;
    }
    return std::nullopt;
}

std::optional<ExportError> rowTime(const std::vector<std::string_view>& values, std::size_t line, LocalMillis& time)
{
    bool dateOk = false;
    if (parseExportTime(values[0], values[1], time, dateOk))
        return std::nullopt;
    if (!dateOk)
        return fault(line, "date " + quoted(values[0]) + " does not parse (expected YYYY.MM.DD)");
    return fault(line, "time " + quoted(values[1]) + " does not parse (expected hh:mm:ss.fff)");
}

} // namespace

std::string decodeExportText(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE')
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

ExportKind exportKind(std::string_view text)
{
    LineReader lines(text);
    std::string_view line;
    while (lines.next(line) && trimmed(line).empty()) {
    }
    line = trimmed(line);
    if (line.empty() || line.front() != '<')
        return ExportKind::NotExport;
    if (line == kTickHeader)
        return ExportKind::Ticks;
    if (line == kBarHeader)
        return ExportKind::Bars;
    return ExportKind::Unknown;
}

std::optional<ExportError> parseTickExport(std::string_view text, TickExport& out)
{
    out = TickExport{};
    std::vector<Price> bids;
    std::vector<LocalMillis> times;
    auto error = parseRows(text, kTickHeader, 7, [&](const std::vector<std::string_view>& values, std::size_t line) {
        LocalMillis time = 0;
        if (auto bad = rowTime(values, line, time))
            return bad;
        Price bid;
        if (values[2].empty()) {
            ++out.askOnlyRows;
            return std::optional<ExportError>();
        }
        if (!parsePrice(values[2], bid))
            return std::optional<ExportError>(fault(line, "bid " + quoted(values[2]) + " does not parse"));
        if (bid.units == 0) {  // the terminal's way of saying "no bid" in its own tick records
            ++out.askOnlyRows;
            return std::optional<ExportError>();
        }
        out.digits = std::max(out.digits, bid.decimals);
        bids.push_back(bid);
        times.push_back(time);
        return std::optional<ExportError>();
    });
    if (error)
        return error;
    out.ticks.reserve(bids.size());
    for (std::size_t i = 0; i < bids.size(); ++i)
        out.ticks.push_back(ExportTick{times[i], scaled(bids[i], out.digits)});
    return std::nullopt;
}

std::optional<ExportError> parseBarExport(std::string_view text, BarExport& out)
{
    out = BarExport{};
    std::vector<std::pair<LocalMillis, std::array<Price, 4>>> rows;
    auto error = parseRows(text, kBarHeader, 9, [&](const std::vector<std::string_view>& values, std::size_t line) {
        std::pair<LocalMillis, std::array<Price, 4>> row;
        if (auto bad = rowTime(values, line, row.first))
            return bad;
        static const char* const names[] = {"open", "high", "low", "close"};
        for (std::size_t i = 0; i < 4; ++i) {
            if (!parsePrice(values[2 + i], row.second[i]))
                return std::optional<ExportError>(fault(line, std::string(names[i]) + " " + quoted(values[2 + i]) +
                                                                  " does not parse"));
            out.digits = std::max(out.digits, row.second[i].decimals);
        }
        rows.push_back(row);
        return std::optional<ExportError>();
    });
    if (error)
        return error;
    out.bars.reserve(rows.size());
    for (const auto& [time, prices] : rows)
        out.bars.push_back(ExportBar{time, scaled(prices[0], out.digits), scaled(prices[1], out.digits),
                                     scaled(prices[2], out.digits), scaled(prices[3], out.digits)});
    return std::nullopt;
}

std::vector<std::string> bridgeTickLines(const std::vector<ExportTick>& ticks, int digits)
{
    std::vector<std::string> lines;
    lines.reserve(ticks.size());
    LocalMillis barMinute = -1;
    std::int64_t open = 0, high = 0, low = 0;
    for (const ExportTick& tick : ticks) {
        const LocalMillis minute = tick.time - (tick.time % kMinute + kMinute) % kMinute;
        if (minute != barMinute) {
            barMinute = minute;
            open = high = low = tick.bid;
        }
        high = std::max(high, tick.bid);
        low = std::min(low, tick.bid);
        lines.push_back(formatTickLine(tick.time, open, high, low, tick.bid, digits));
    }
    return lines;
}

ExportReplay buildExportReplay(const TickExport& ticks, const BarExport* bars, std::optional<LocalMillis> from)
{
    auto minuteOf = [](LocalMillis time) { return time - (time % kMinute + kMinute) % kMinute; };
    const int digits = std::max(ticks.digits, bars ? bars->digits : 0);
    ExportReplay replay;
    const std::optional<LocalMillis> firstTickMinute =
        ticks.ticks.empty() ? std::nullopt : std::optional<LocalMillis>(minuteOf(ticks.ticks.front().time));
    if (bars) {
        for (const ExportBar& bar : bars->bars) {
            if (firstTickMinute && bar.time >= *firstTickMinute)
                continue;  // the ticks' own bars or live lines take those minutes
            replay.history.push_back(formatTickLine(bar.time, rescaled(bar.open, bars->digits, digits),
                                                    rescaled(bar.high, bars->digits, digits),
                                                    rescaled(bar.low, bars->digits, digits),
                                                    rescaled(bar.close, bars->digits, digits), digits));
        }
    }
    std::size_t firstLive = 0;
    if (from) {
        const LocalMillis start = minuteOf(*from);
        while (firstLive < ticks.ticks.size() && ticks.ticks[firstLive].time < start)
            ++firstLive;
        // One bar per minute of the ticks before `from`, in the order of their minutes.
        LocalMillis minute = -1;
        std::int64_t open = 0, high = 0, low = 0, close = 0;
        auto flush = [&] {
            if (minute != -1)
                replay.history.push_back(formatTickLine(minute, rescaled(open, ticks.digits, digits),
                                                        rescaled(high, ticks.digits, digits),
                                                        rescaled(low, ticks.digits, digits),
                                                        rescaled(close, ticks.digits, digits), digits));
        };
        for (std::size_t i = 0; i < firstLive; ++i) {
            const ExportTick& tick = ticks.ticks[i];
            if (minuteOf(tick.time) != minute) {
                flush();
                minute = minuteOf(tick.time);
                open = high = low = tick.bid;
            }
            high = std::max(high, tick.bid);
            low = std::min(low, tick.bid);
            close = tick.bid;
        }
        flush();
    }
    std::vector<ExportTick> live(ticks.ticks.begin() + static_cast<std::ptrdiff_t>(firstLive), ticks.ticks.end());
    for (ExportTick& tick : live)
        tick.bid = rescaled(tick.bid, ticks.digits, digits);
    replay.live = bridgeTickLines(live, digits);
    replay.liveTimes.reserve(live.size());
    for (const ExportTick& tick : live)
        replay.liveTimes.push_back(tick.time);
    return replay;
}

std::vector<double> liveSchedule(const std::vector<LocalMillis>& times, double speed)
{
    std::vector<double> due(times.size(), 0.0);
    if (speed <= 0)
        return due;
    for (std::size_t i = 1; i < times.size(); ++i) {
        const double gap = static_cast<double>(std::max<LocalMillis>(times[i] - times[i - 1], 0)) / speed;
        due[i] = due[i - 1] + std::min(gap, static_cast<double>(kReplayMaxGapMs));
    }
    return due;
}

std::string symbolFromFileName(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    return std::string(path.substr(0, path.find_first_of("_.")));
}
