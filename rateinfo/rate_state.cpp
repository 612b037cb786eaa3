#include "rateinfo/rate_state.h"

std::wstring symbolText;
std::wstring clockText = L"No Data...";
std::int32_t rowCount = 15;
std::int32_t decimalPlaces = 3;
RateHistory rateHistory;
std::optional<LatestTick> latestTick;
