#include "tools/market_sim.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr LocalMillis kMinute = 60'000;
constexpr LocalMillis kDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (the well-known era-based algorithm).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

std::uint64_t splitMix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::string formatPrice(std::int64_t points, int digits)
{
    std::int64_t scale = 1;
    for (int i = 0; i < digits; ++i)
        scale *= 10;
    char text[48];
    if (digits == 0)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(points));
    else
        std::snprintf(text, sizeof text, "%lld.%0*lld", static_cast<long long>(points / scale), digits,
                      static_cast<long long>(points % scale));
    return text;
}

} // namespace

LocalMillis toLocalMillis(const CivilTime& t)
{
    const std::int64_t days = daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
    return days * kDay + ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

CivilTime toCivilTime(LocalMillis millis)
{
    std::int64_t days = millis / kDay;
    std::int64_t rest = millis % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    CivilTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3'600'000);
    t.minute = static_cast<int>(rest / 60'000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

std::string formatTickLine(LocalMillis time, std::int64_t open, std::int64_t high, std::int64_t low,
                           std::int64_t close, int digits)
{
    const CivilTime t = toCivilTime(time);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return std::string(stamp) + ',' + formatPrice(open, digits) + ',' + formatPrice(high, digits) + ',' +
           formatPrice(low, digits) + ',' + formatPrice(close, digits);
}

bool parseStartTime(const std::string& text, CivilTime& time)
{
    CivilTime t;
    char tail = 0;
    const int fields = std::sscanf(text.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                                   &t.minute, &t.second, &tail);
    if (fields != 5 && fields != 6)
        return false;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59 || t.year < 1970)
        return false;
    time = t;
    return true;
}

MarketSimulator::MarketSimulator(std::uint64_t seed, LocalMillis start, double ticksPerSecond, int digits,
                                 std::int64_t startPoints)
    : clock_(start), ticksPerSecond_(std::clamp(ticksPerSecond, 0.01, 1000.0)), digits_(std::clamp(digits, 0, 6)),
      anchor_(startPoints), price_(startPoints)
{
    for (auto& word : state_)
        word = splitMix(seed);
}

// xoshiro256**: small, fast and the same sequence everywhere.
std::uint64_t MarketSimulator::nextRandom()
{
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
}

std::int64_t MarketSimulator::uniform(std::int64_t low, std::int64_t high)
{
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(nextRandom() % span);
}

// A sum of small uniform moves is close to normal; now and then a jump, and a slight pull back
// towards where the market started so that a long run stays in a believable range.
std::int64_t MarketSimulator::step()
{
    std::int64_t move = 0;
    for (int i = 0; i < 4; ++i)
        move += uniform(-3, 3);
    if (uniform(0, 199) == 0)
        move += uniform(0, 1) ? uniform(10, 40) : -uniform(10, 40);
    const std::int64_t distance = price_ - anchor_;
    if (distance > 3000 && uniform(0, 3) == 0)
        move -= 2;
    else if (distance < -3000 && uniform(0, 3) == 0)
        move += 2;
    price_ = std::max<std::int64_t>(1, price_ + move);
    return price_;
}

std::int64_t MarketSimulator::nextGapMillis()
{
    const auto mean = static_cast<std::int64_t>(1000.0 / ticksPerSecond_);
    // Mostly between a fifth and twice the mean gap; sometimes a quiet spell of a few seconds.
    if (mean >= 50 && uniform(0, 39) == 0)
        return uniform(1000, 3000);
    return std::max<std::int64_t>(1, uniform(mean / 5, mean * 2));
}

std::vector<std::string> MarketSimulator::historyLines(int bars)
{
    std::vector<std::string> lines;
    if (bars <= 0)
        return lines;
    lines.reserve(static_cast<std::size_t>(bars));
    const LocalMillis firstMinute = (clock_ / kMinute - bars) * kMinute;
    for (int i = 0; i < bars; ++i) {
        const std::int64_t open = step();
        std::int64_t high = open;
        std::int64_t low = open;
        std::int64_t close = open;
        const auto ticks = uniform(20, 120);
        for (std::int64_t k = 0; k < ticks; ++k) {
            close = step();
            high = std::max(high, close);
            low = std::min(low, close);
        }
        lines.push_back(formatTickLine(firstMinute + i * kMinute, open, high, low, close, digits_));
    }
    return lines;
}

SimulatedTick MarketSimulator::nextTick()
{
    SimulatedTick tick;
    tick.time = clock_;
    const std::int64_t price = step();
    const LocalMillis minute = clock_ / kMinute;
    if (minute != barMinute_) {
        barMinute_ = minute;
        open_ = high_ = low_ = price;
    }
    high_ = std::max(high_, price);
    low_ = std::min(low_, price);
    tick.line = formatTickLine(clock_, open_, high_, low_, price, digits_);
    clock_ += nextGapMillis();
    return tick;
}
