// The terminal's own exports (Symbols > Bars or Ticks > Export) as `orvane-feed replay` plays them.
//
// Both are tab-separated text with a header line, in UTF-16LE with a byte-order mark or in 8-bit
// text, with CR LF or LF line ends, and fields that may be empty:
//
//   <DATE>      <TIME>          <BID>    <ASK>    <LAST>  <VOLUME>  <FLAGS>       tick export
//   2024.01.05  09:00:00.123    146.123  146.130                    6
//   <DATE>      <TIME>      <OPEN>   <HIGH>   <LOW>    <CLOSE>  <TICKVOL>  <VOL>  <SPREAD>   bar export
//   2024.01.05  09:00:00    146.100  146.180  146.050  146.120  77         0      8
//
// Prices keep their decimal digits exactly (fixed point, never through a double); every price of
// a file is written with the most decimals any price in it has, as the terminal writes a symbol's
// prices with its digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/market_sim.h"

// The file's bytes as 8-bit text: UTF-16LE (by its byte-order mark) becomes UTF-8, a UTF-8
// byte-order mark is dropped, anything else is taken as it is.
std::string decodeExportText(std::string_view bytes);

enum class ExportKind {
    NotExport,  // the first line is no "<...>" header: orvane-feed's own replay format
    Ticks,
    Bars,
    Unknown,    // a "<...>" header of some other export
};
ExportKind exportKind(std::string_view text);

struct ExportError {
    std::size_t line = 0;  // 1-based, as an editor counts
    std::string message;
};

struct ExportTick {
    LocalMillis time = 0;
    std::int64_t bid = 0;  // in units of 10^-digits
};
struct TickExport {
    int digits = 0;
    std::vector<ExportTick> ticks;  // rows with a bid, in file order
    std::size_t askOnlyRows = 0;    // rows without a bid (an ask-only change), skipped
};

struct ExportBar {
    LocalMillis time = 0;
    std::int64_t open = 0, high = 0, low = 0, close = 0;  // in units of 10^-digits
};
struct BarExport {
    int digits = 0;
    std::vector<ExportBar> bars;
};

// Parse decoded text; nullopt on success, else the first fault with its line.
std::optional<ExportError> parseTickExport(std::string_view text, TickExport& out);
std::optional<ExportError> parseBarExport(std::string_view text, BarExport& out);

// The live lines of ticks as the terminal bridge writes them: the tick's time, then the running
// open, high and low of its minute and the tick's bid as close.
std::vector<std::string> bridgeTickLines(const std::vector<ExportTick>& ticks, int digits);

struct ExportReplay {
    std::vector<std::string> history;
    std::vector<std::string> live;
    std::vector<LocalMillis> liveTimes;  // the tick time of each live line
};

// History and live lines from a tick export and, optionally, a bar export. History: the bars
// before the tick export's first minute, then (with `from`) the ticks before that minute as
// one-minute bars; live: the remaining ticks. Both files' prices get the larger of their digits.
ExportReplay buildExportReplay(const TickExport& ticks, const BarExport* bars, std::optional<LocalMillis> from);

// When each live line is due, in milliseconds after the first: the tick times' differences
// divided by `speed`, each gap at most kReplayMaxGapMs (a night or a weekend in the file), summed
// without rounding so that a fast replay keeps its pace; all 0 when speed <= 0.
std::vector<double> liveSchedule(const std::vector<LocalMillis>& times, double speed);

// The symbol as the terminal names its exports: the file name's part before the first "_" or ".".
std::string symbolFromFileName(std::string_view path);
