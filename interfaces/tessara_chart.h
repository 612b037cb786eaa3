// TessaraChartDll: positions of the scale lines, the time grid and the indicator lines.
//
// Every call gets the record and the address of the variable that holds the client's
// "CALC_THREAD_MUTEX" handle (a HANDLE*, spelled void** to keep this header free of <windows.h>).
// The client never holds that mutex while it calls; the library may take it through the address.
#pragma once

#include <cstdint>

#include "interfaces/indicator_exchange.h"

#if defined(_WIN32)
#  if defined(TESSARA_CHART_BUILD)
#    define TESSARA_CHART_API __declspec(dllexport)
#  else
#    define TESSARA_CHART_API __declspec(dllimport)
#  endif
#else
#  define TESSARA_CHART_API
#endif

extern "C" {

// 1 when the per-bar arrays must be filled anew (and scale lines and time grid recomputed).
TESSARA_CHART_API unsigned char calcIniCheck(IndicatorExchange* record, void** mutexHandle) noexcept;
TESSARA_CHART_API void calcHorizontal(IndicatorExchange* record, void** mutexHandle) noexcept;
TESSARA_CHART_API void calcVertical(IndicatorExchange* record, void** mutexHandle, double left, double right,
                                    double slotWidth, std::int32_t top, std::int32_t bottom) noexcept;
TESSARA_CHART_API void calcEMAView(IndicatorExchange* record, void** mutexHandle, double left, double right,
                                   double slotWidth, std::int32_t top, std::int32_t bottom) noexcept;
TESSARA_CHART_API void calcKIJUNView(IndicatorExchange* record, void** mutexHandle, double left, double right,
                                     double slotWidth, std::int32_t top, std::int32_t bottom) noexcept;
TESSARA_CHART_API void calLATESpanView(IndicatorExchange* record, void** mutexHandle, double left, double right,
                                       double slotWidth, std::int32_t top, std::int32_t bottom) noexcept;
}
