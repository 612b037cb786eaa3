// What the paint pass writes into the record it shares with the indicator library, and how many
// of the library's outputs it may draw. Standard C++ only; the paint pass holds the lock around
// each of these and calls the library in between.
#pragma once

#include <list>

#include "client/core/bar_record.h"
#include "client/render/chart_geometry.h"
#include "interfaces/indicator_exchange.h"

inline constexpr std::int64_t kEmaParameter = 20;
inline constexpr std::int64_t kBaseLineParameter = 106;
inline constexpr std::int32_t kLaggingParameter = 25;

// Sum of the seven time fields: the cheap fingerprint the library compares between passes.
std::int32_t timeFieldSum(const BarRecord& bar);

// Before calcIniCheck: plot corners, visibleCount, futureView, price range and verticalSpan; the
// snapshot's size, time sums and oldest close only when the snapshot has bars.
void writePassInputs(IndicatorExchange& record, const ChartView& view, const std::list<BarRecord>& snapshot);

// After calcIniCheck: with an answer of 1 and bars to give, every bar at its index (everything else
// cleared); otherwise the newest bar at index 0 only. Nothing with an empty snapshot. Returns
// whether every bar was written.
bool writeBarArrays(IndicatorExchange& record, const std::list<BarRecord>& snapshot, unsigned char fullRefresh);

// Whether the scale lines and the time grid are to be recomputed: an answer of 1 while the record
// holds a snapshot size above 0 (kept from an earlier pass when the list is empty now, so an
// emptied chart gets a grid computed from its present range instead of keeping the old one).
bool wantsGridRefresh(const IndicatorExchange& record, unsigned char fullRefresh);

void writeParameters(IndicatorExchange& record);

// Counts the client draws: what the library left, kept within each array, so a faulty library
// cannot make the client read outside the record.
int drawableScaleLines(const IndicatorExchange& record);
int drawableTimeLines(const IndicatorExchange& record);
int drawableEmaPoints(const IndicatorExchange& record, int visibleCount);
int drawableBaseLinePoints(const IndicatorExchange& record);
int drawableLaggingPoints(const IndicatorExchange& record);
