// The simulated market of `orvane-feed sim`: a random walk in whole price points, driven by its own
// integer generator so that one seed gives the same lines on every platform and every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Local wall-clock time as milliseconds since 1970-01-01 00:00 (no time zone involved: the
// simulator only needs to count and print).
using LocalMillis = std::int64_t;

struct CivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LocalMillis toLocalMillis(const CivilTime& time);
CivilTime toCivilTime(LocalMillis millis);

// "YYYY/MM/DD hh:mm:ss.mmm,open,high,low,close" with `digits` decimals, prices given in points
// (units of 10^-digits).
std::string formatTickLine(LocalMillis time, std::int64_t open, std::int64_t high, std::int64_t low,
                           std::int64_t close, int digits);

// Parses "YYYY/MM/DD hh:mm" or "YYYY/MM/DD hh:mm:ss"; false on anything else.
bool parseStartTime(const std::string& text, CivilTime& time);

struct SimulatedTick {
    LocalMillis time = 0;
    std::string line;
};

class MarketSimulator {
public:
    // `start` is the moment live ticks begin; history bars end at the minute before it.
    MarketSimulator(std::uint64_t seed, LocalMillis start, double ticksPerSecond, int digits = 3,
                    std::int64_t startPoints = 150000);

    // `bars` one-minute bars, oldest first, one line per minute stamped at the minute's start.
    std::vector<std::string> historyLines(int bars);

    // The next live tick with the running open/high/low/close of its minute.
    SimulatedTick nextTick();

private:
    std::uint64_t nextRandom();
    std::int64_t uniform(std::int64_t low, std::int64_t high);  // inclusive
    std::int64_t step();
    std::int64_t nextGapMillis();

    std::uint64_t state_[4];
    LocalMillis clock_;
    double ticksPerSecond_;
    int digits_;
    std::int64_t anchor_;
    std::int64_t price_;
    LocalMillis barMinute_ = -1;
    std::int64_t open_ = 0;
    std::int64_t high_ = 0;
    std::int64_t low_ = 0;
};
