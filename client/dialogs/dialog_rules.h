// What the chart dialogs decide, apart from the window system: the bounds and fallbacks of the
// four number dialogs, the text line of one record, and the order in which the views and the CSV
// files walk a record list. Standard C++ only; the dialog procedures in chart_dialogs.cpp call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/core/bar_record.h"
#include "client/core/record_list.h"

// Trackbar ranges. An entry beyond a bound falls back to the lower bound, never to the upper one.
inline constexpr std::int32_t kCandleCountLower = 15;
inline constexpr std::int32_t kCandleCountUpper = 800;
inline constexpr std::int32_t kScrollStepLower = 1;
inline constexpr std::int32_t kScrollStepUpper = 400;
inline constexpr std::int32_t kFutureViewLower = 0;
inline constexpr std::int32_t kFutureViewUpper = 100;  // the trackbar reaches it, OK refuses it
inline constexpr double kVerticalSpanFallback = 0.02;

// The views show the newest records only; Save still writes every record.
inline constexpr std::size_t kViewLineLimit = 1000;

// `typed` is the edit box read as an unsigned number (0 when it holds no number).
std::int32_t validateCandleCount(std::uint32_t typed);
std::int32_t validateFutureView(std::uint32_t typed);
// Never more bars per scroll than the chart shows.
std::int32_t validateScrollStep(std::uint32_t typed, std::int32_t candleCount);

// The edit text read the way wcstod reads decimal text: leading white space skipped, the longest
// decimal prefix ("." as decimal point, optional exponent) converted, 0 when there is none. Words
// such as "inf" or "nan" and hexadecimal forms are not numbers here.
double parseSpanText(std::wstring_view text);
// Only a finite span above 0 is usable: zero, negative, overflowing or unreadable entries give 0.02.
double validateVerticalSpan(double parsed);
// printf "%f": six decimals, so 0.02 shows as "0.020000" and reads back as 0.02.
std::wstring formatSpanText(double span);

// printf "%f" of any double (fixed point, six decimals, "." as decimal point).
std::string formatFixed(double value);

// timeText, open, high, low, close, joined by "," with nothing else; no line end.
std::string formatBarLine(const BarRecordView& record);

// The lines a text view shows: newest record first, at most `limit` of them, each ended by "\r\n".
std::vector<std::string> viewLines(const BarListView& list, std::size_t limit = kViewLineLimit);

// Writes every record of `list`, newest first, as formatBarLine plus "\r\n" (no header, no
// byte-order mark), handing the bytes to `sink` in chunks. Stops at the first chunk the sink
// refuses and returns false then; true when every line was handed over.
using CsvSink = std::function<bool(std::string_view bytes)>;
bool writeCsvLines(const BarListView& list, const CsvSink& sink);
