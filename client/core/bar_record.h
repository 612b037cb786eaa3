// One tick line as the chart client hands it out: a value record that owns its texts, and the
// same record read in place (BarRecordView), whose texts are views into whatever holds them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// A record without copies of its texts: what the store's lists give their readers. Valid while
// the texts it views live and are not changed. The reserved fields are left out: they are never
// written, so a record made from a view has them at their start values, as every record has.
struct BarRecordView {
    std::string_view lineText;
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t millisecond = 0;
    std::string_view timeText;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;

    BarRecordView() = default;
    // Implicit on purpose: wherever a view is read, a record will do.
    BarRecordView(const BarRecord& record)
        : lineText(record.lineText), year(record.year), month(record.month), day(record.day), hour(record.hour),
          minute(record.minute), second(record.second), millisecond(record.millisecond), timeText(record.timeText),
          open(record.open), high(record.high), low(record.low), close(record.close)
    {
    }

    // Into an existing record, so that its strings keep their capacity.
    void copyTo(BarRecord& record) const
    {
        record.lineText.assign(lineText);
        record.year = year;
        record.month = month;
        record.day = day;
        record.hour = hour;
        record.minute = minute;
        record.second = second;
        record.millisecond = millisecond;
        record.timeText.assign(timeText);
        record.open = open;
        record.high = high;
        record.low = low;
        record.close = close;
    }

    BarRecord toRecord() const
    {
        BarRecord record;
        copyTo(record);
        return record;
    }
};
