// Program-wide state of the rate-info program. Touched only by its one window thread; start
// values are set by static initialisation, before the entry point runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rateinfo/rate_model.h"

extern std::wstring symbolText;       // the feed's symbol, read once at start-up
extern std::wstring clockText;        // "No Data..." until the first refresh tick
extern std::int32_t rowCount;         // table rows, 15 to 80
extern std::int32_t decimalPlaces;    // digits after the decimal point, 0 to 6
extern RateHistory rateHistory;       // newest first
// The last tick a refresh read, kept so that a poll that brings no tick line still shows it.
extern std::optional<LatestTick> latestTick;
