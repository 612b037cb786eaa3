// Layout and pixel geometry of the chart: the view, the price range of a pass, the bar slots, the
// price-to-row mapping and the shapes the bar drawers execute. Standard C++ only; the paint pass
// in paint_chart.cpp asks these functions for every coordinate and only issues the GDI calls.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "client/core/bar_record.h"

// Start values of the price range: any real bar lowers priceLow and raises priceHigh at once.
inline constexpr double kPriceHighStart = 2.2250738585072014e-308;  // smallest positive normal double
inline constexpr double kPriceLowStart = 1.7976931348623157e308;    // largest double

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

struct ChartView {
    // Layout constants, in pixels.
    int marginTop = 30;
    int marginBottom = 5;
    int marginLeft = 5;
    int marginRight = 75;
    int plotInsetTop = 25;
    int plotInsetBottom = 30;
    int plotInsetLeft = 7;
    int plotInsetRight = 7;
    int candleGap = 1;
    int priceLabelOffsetX = 3;
    int priceLabelOffsetY = 6;

    // The owner's mark of the bottom band; the local year is appended when drawn.
    std::wstring markText = L"Orvane ";

    // Refreshed at the start of every pass, so one pass uses one set of values.
    int w = 0;
    int h = 0;
    int candleCount = 360;
    int futureView = 25;
    double verticalSpan = 0.02;
    double priceHigh = kPriceHighStart;
    double priceLow = kPriceLowStart;
    PixelPoint clientCorners[4];
    PixelPoint frameCorners[4];
    int visibleCount = 0;
    double slotWidth = 0.0;
};

// Fixed text placements (x, y) and font heights of the header and the bottom band.
inline constexpr PixelPoint kSymbolAt{5, 6};
inline constexpr PixelPoint kTimeframeAt{110, 10};
inline constexpr PixelPoint kClockAt{200, 6};
inline constexpr PixelPoint kLatestTimeAt{450, 6};
inline constexpr PixelPoint kLatestPriceAt{700, 6};
inline constexpr PixelPoint kMarkOffset{0, -3};

// Steps 2 and 3 of a pass: client size, setting copies, corners, the start values of the price
// range; then the range of the first `visibleCount` bars (highs and lows only), the slot count and
// slot width.
void beginPass(ChartView& view, int w, int h, int candleCount, int futureView);
void measureBars(ChartView& view, const std::list<BarRecord>& bars);

int visibleCountOf(std::size_t listSize, int candleCount);

PixelRect chartFrame(const ChartView& view);
PixelRect plotArea(const ChartView& view);

// |right - left| / (visibleCount + futureView); 0 when there are no slots at all.
double slotWidthOf(const ChartView& view, int visibleCount);
// Right edge of slot i (1 = leftmost).
double slotRight(const ChartView& view, int slot);

// Nearest integer, halves away from zero (saturated to the int range).
int rnd(double value);
// Row of a price: truncated toward zero, not rounded; every price maps to the bottom row when the
// range is zero. Values beyond the int range saturate.
int priceToY(const ChartView& view, double price);

struct CandleShape {
    PixelPoint wickTop;
    PixelPoint wickBottom;
    PixelRect body;      // left, rowOpen, rnd(R - gap), rowClose (top may lie below bottom)
    bool oneRow = false; // open and close on one row: a horizontal line, no rectangle
    bool rising = false; // white body
};

// One candle per slot, from the newest (rightmost) slot to the leftmost.
std::vector<CandleShape> layoutCandles(const ChartView& view, const std::list<BarRecord>& bars);

// One new-price box: the open and close the break rule gives a bar.
struct NewPriceEntry {
    double open = 0.0;
    double close = 0.0;
    bool operator==(const NewPriceEntry&) const = default;
};

// The series of the whole list, index 0 = newest bar.
std::vector<NewPriceEntry> buildShinNeAshi(const std::list<BarRecord>& bars);

struct BoxShape {
    PixelRect box;        // left, rowOpen, rnd(R - gap), rowClose
    bool lineFirst = false; // one row: a horizontal line precedes the rectangle
    bool rising = false;
};

// One box per slot, newest first. A flat entry shows its older neighbour over two slots; a flat
// entry without an older neighbour stays a one-row line at its own level.
std::vector<BoxShape> layoutShinNeAshi(const ChartView& view, const std::vector<NewPriceEntry>& series);

struct PriceLabel {
    PixelPoint at;
    std::string text;
};

// The seven labels at the Fibonacci fractions of the price range, "%f"-formatted. An empty display
// list leaves the range at its start values, so the labels are hundreds of digits long; they are
// drawn all the same and simply run off the right edge.
std::vector<PriceLabel> fibonacciLabels(const ChartView& view);

// Header and bottom-band texts.
std::wstring timeframeLabel(const std::wstring& timeframeText);
// The latest line's time; empty unless the list holds the 12 texts of a matched line.
std::string latestTimeText(const std::vector<std::string>& latestLineFields);
// The close of a matched line, followed by the newest bar's time when there is a newest bar.
std::wstring latestPriceLabel(const std::wstring& price, const std::wstring* newestBarTime);
std::wstring markLabel(const std::wstring& markText, int year);
PixelPoint markPosition(const ChartView& view);

// Time-grid labels: at least two digits ("07", "123") and "(MM/DD)".
std::string largeTimeLabel(std::int32_t value);
std::string smallTimeLabel(std::int32_t first, std::int32_t second);
