// The recording stand-in for the indicator library: same six exports under the same DLL name, plus
// three of its own through which the protocol test scripts its answers and reads what it saw.
#pragma once

#include <cstdint>

#include "interfaces/indicator_exchange.h"

enum class ChartCall : std::int32_t { iniCheck, horizontal, vertical, ema, kijun, lateSpan };

struct RecordedCall {
    ChartCall call;
    IndicatorExchange* record;
    void** mutexHandle;
    double left;
    double right;
    double slotWidth;
    std::int32_t top;
    std::int32_t bottom;
    bool mutexFreeForOthers;  // another thread could take the mutex during the call
    std::int64_t emaParameter;
    std::int64_t baseLineParameter;
    std::int32_t laggingParameter;
    std::int32_t visibleCount;
    std::int32_t futureView;
};

inline constexpr int kMaxRecordedCalls = 4096;

// The answers calcIniCheck gives, in turn (the last one repeats); the log is cleared.
using RecorderResetFn = void (*)(const unsigned char* answers, int count, std::int32_t outputCount);
using RecorderCountFn = int (*)();
using RecorderCallFn = const RecordedCall* (*)(int index);
