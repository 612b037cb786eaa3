// One tick line as the chart client keeps it: a value record, copied whole into every list.
#pragma once

#include <cstdint>
#include <string>

struct BarRecord {
    std::string reservedText;            // never written
    std::int32_t reservedNumber = 0;     // never written
    std::string lineText;                // the whole matched text (a live line keeps its "\n")
    // The time block: a bar's time is its minute, so second and millisecond stay 0.
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t millisecond = 0;
    std::string timeText;                // time part of the line, digits as received
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    // Reserved fields: nothing reads them; they keep their start values and travel with the record.
    double reserved16 = 0.0;
    double reserved17 = 0.0;
    std::uint8_t reserved18 = 255;
    double reserved19 = 0.0;
    double reserved20 = 0.0;
    std::uint8_t reserved21 = 255;
    double reserved22 = 0.0;
    double reserved23 = 0.0;
    double reserved24 = 0.0;
    double reserved25 = 0.0;
};
