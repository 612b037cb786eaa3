// The indicator library's own arithmetic: where the scale lines, the time grid and the three
// indicator lines go, computed from the shared record. Standard C++ only; the exported calls in
// tessara_chart_exports.cpp take the lock and forward here.
#pragma once

#include <cstdint>

#include "interfaces/indicator_exchange.h"

namespace tessara {

// The x range and row range of the plot as the seven-argument calls receive them.
struct PlotBox {
    double left = 0.0;
    double right = 0.0;
    double slotWidth = 0.0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
};

// Row of `price` between `top` (priceHigh) and `bottom` (priceLow), truncated toward zero like the
// client's rows. Out-of-range doubles (an empty chart has a range of hundreds of decimal orders)
// saturate instead of overflowing the integer conversion.
std::int32_t rowOfPrice(double price, double priceHigh, double priceLow, std::int32_t top, std::int32_t bottom);

// Nearest integer, halves away from zero, saturated to the 32-bit range.
std::int32_t roundToPixel(double value);

// 1 when anything the scale lines, the time grid or the per-bar arrays depend on changed since the
// last answer of 1 (or nothing was remembered yet); then the new state is remembered in the
// record's library-owned bytes, so each record keeps its own memory.
unsigned char iniCheck(IndicatorExchange& record);

// Forgets what iniCheck remembered, so the next call answers 1.
void forgetIniCheck(IndicatorExchange& record);

void horizontalLines(IndicatorExchange& record);
void timeLines(IndicatorExchange& record, const PlotBox& box);
void emaLine(IndicatorExchange& record, const PlotBox& box);
void baseLine(IndicatorExchange& record, const PlotBox& box);
void laggingSpan(IndicatorExchange& record, const PlotBox& box);

// Bars the per-bar arrays really hold: the filled-entries field, kept within the arrays.
int availableBars(const IndicatorExchange& record);
// visibleCount kept within the arrays.
int visibleBars(const IndicatorExchange& record);

// Minimum distance in pixels between two time lines, so that their labels (hour in large type at
// +2, "(MM/DD)" at +32) do not run into each other.
inline constexpr int kTimeLabelSpacing = 100;
// Scale lines closer than this are thinned.
inline constexpr int kMinScaleSpacing = 3;

} // namespace tessara
