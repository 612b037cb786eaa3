// The six exported calls: each takes the client's lock through the handle's address for the time
// it works on the record (the client never holds it across a call, and a named mutex may be
// re-entered by its owner) and forwards to the portable arithmetic.
#include "interfaces/tessara_chart.h"

#include <windows.h>

#include "common/win_handles.h"
#include "indicators/indicator_maths.h"

namespace {

HANDLE lockOf(void** mutexHandle) noexcept
{
    return mutexHandle ? static_cast<HANDLE>(*mutexHandle) : nullptr;
}

template <typename Work>
void underLock(IndicatorExchange* record, void** mutexHandle, Work&& work) noexcept
{
    if (!record)
        return;
    MutexHold hold(lockOf(mutexHandle));
    try {
        work(*record);
    } catch (...) {
        // Nothing here allocates; a failure must still never cross the library boundary.
    }
}

tessara::PlotBox boxOf(double left, double right, double slotWidth, std::int32_t top, std::int32_t bottom) noexcept
{
    return tessara::PlotBox{left, right, slotWidth, top, bottom};
}

} // namespace

extern "C" {

unsigned char calcIniCheck(IndicatorExchange* record, void** mutexHandle) noexcept
{
    unsigned char answer = 1;
    underLock(record, mutexHandle, [&](IndicatorExchange& r) { answer = tessara::iniCheck(r); });
    return answer;
}

void calcHorizontal(IndicatorExchange* record, void** mutexHandle) noexcept
{
    underLock(record, mutexHandle, [](IndicatorExchange& r) { tessara::horizontalLines(r); });
}

void calcVertical(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                  std::int32_t top, std::int32_t bottom) noexcept
{
    underLock(record, mutexHandle,
              [&](IndicatorExchange& r) { tessara::timeLines(r, boxOf(left, right, slotWidth, top, bottom)); });
}

void calcEMAView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                 std::int32_t top, std::int32_t bottom) noexcept
{
    underLock(record, mutexHandle,
              [&](IndicatorExchange& r) { tessara::emaLine(r, boxOf(left, right, slotWidth, top, bottom)); });
}

void calcKIJUNView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                   std::int32_t top, std::int32_t bottom) noexcept
{
    underLock(record, mutexHandle,
              [&](IndicatorExchange& r) { tessara::baseLine(r, boxOf(left, right, slotWidth, top, bottom)); });
}

void calLATESpanView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                     std::int32_t top, std::int32_t bottom) noexcept
{
    underLock(record, mutexHandle,
              [&](IndicatorExchange& r) { tessara::laggingSpan(r, boxOf(left, right, slotWidth, top, bottom)); });
}

} // extern "C"
