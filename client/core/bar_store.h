// The minute bar store: how history lines and live lines become records, the rule that decides
// between a new bar and a changed bar, and the display window that follows the newest bar or
// stands at a scroll position. Portable; the store and the settings come in as parameters.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/core/bar_lock.h"
#include "client/core/chart_state.h"
#include "common/tick_scan.h"

// The record of one scanned tick line; nullopt when a field fits the pattern but is no usable
// number (a lone ".", an integer beyond 32 bits, a value beyond the range of a double).
std::optional<BarRecord> makeBarRecord(const TickLineFields& fields);

// True when both lie in the same minute: year, month, day, hour and minute as numbers, so "07"
// and "7" agree and a line an hour later does not.
bool sameMinute(const BarRecord& a, const BarRecord& b);

// The duplicate filter's append: the record goes to joinedLines, and receivedLines takes its
// position there. For callers that make records themselves (the regex reference, tests).
void appendAcceptedLine(BarStore& store, const BarRecordView& record);

// Each matching history line becomes a bar of its own, in joinedLines and minuteBars alike.
// Lines that do not match, or do not convert, are skipped. Runs before the worker thread exists,
// so it takes no lock.
void loadHistory(BarStore& store, const std::vector<std::string>& lines);

// The same for the feed's whole history text, taken apart at each "\n" exactly as splitLines
// would, but without a string per line: a long history is the start-up's biggest cost.
void loadHistoryText(BarStore& store, std::string_view text);

// After the history load: currentMinuteText and lastClose from the newest history record; both
// keep their start values when there is none.
void adoptNewestHistoryRecord(BarStore& store);

// One poll's text, matched whole with its line feed. Returns the 12 group texts of the accepted
// line (whole match first), or an empty list when the text adds nothing.
std::vector<std::string> mergeLiveText(BarStore& store, BarLock& lock, std::string_view text);

// Bars in the display window: candleCount + lookBackCount.
int displayWindowSize(const ChartSettings& settings);

// The timer's step: moves displayList to the newest bar (live view) or to the scroll position.
// Holds `lock` for the whole step.
void updateDisplayWindow(BarStore& store, ChartSettings& settings, BarLock& lock);

// The scroll keys of the main window.
enum class ScrollKey { StepOne, StepTen, StepLarge, Home, Newer, Older, Other };

// `barCount`: the number of bars in minuteBars.
void applyScrollKey(ChartSettings& settings, ScrollKey key, std::size_t barCount);
