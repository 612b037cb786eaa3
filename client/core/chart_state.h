// The chart client's program-wide state, in three groups: the settings the user changes, the
// store of received records, and the texts the header shows. Defined once in chart_state.cpp;
// code that computes takes what it needs as parameters, and only the Win32 layer reaches for
// these globals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "client/core/bar_record.h"
#include "client/core/record_list.h"

struct ChartSettings {
    std::int32_t candleCount = 360;       // bars shown ("Candle Sticks", 15 to 800)
    std::int32_t lookBackCount = 230;     // extra older bars kept in the display window (fixed)
    std::int32_t futureView = 25;         // empty slots right of the newest bar (0 to 99)
    std::int32_t scrollStep = 180;        // bars one scroll key moves (F1/F2/F3, "Scrolling Mass")
    std::int32_t scrollOffset = 0;        // bars between the newest bar and the newest shown; 0 = live
    std::int32_t lastScrollOffset = 0;    // offset of the last display-window rebuild
    std::int32_t candleType = 0;          // 1 = candlesticks, otherwise Shin-Ne-Ashi
    double verticalSpan = 0.02;           // price step of the scale lines
};

// Oldest first, except displayList: newest first (front = newest shown bar).
struct BarStore {
    RecordList minuteBars;                 // one record per minute
    RecordList joinedLines;                // history, then each accepted live line
    LiveLines receivedLines{joinedLines};  // accepted live lines only: the same records as in joinedLines
    std::list<BarRecord> displayList;      // the bars the next paint draws
    std::string currentMinuteText;         // minute digits of the newest bar, as received
    double lastClose = 0.0;                // close of the last accepted line
    // Bars in minuteBars when the display window was last updated: a window that has to follow
    // more than one new bar at once is rebuilt rather than shifted.
    std::size_t barCountAtLastUpdate = 0;

    BarStore() = default;
    // receivedLines stays bound to this store's own joinedLines: a copy takes the positions only.
    BarStore(const BarStore& other) : BarStore() { *this = other; }
    BarStore(BarStore&& other) : BarStore() { *this = std::move(other); }
    BarStore& operator=(const BarStore&) = default;
    BarStore& operator=(BarStore&&) = default;
    ~BarStore() = default;
};

struct ChartTexts {
    std::wstring symbolText;
    std::wstring timeframeText;
    std::wstring clockText = L"No Data...";
};

extern ChartSettings chartSettings;
extern BarStore barStore;
extern ChartTexts chartTexts;
