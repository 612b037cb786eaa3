// Stand-in for the indicator library that records every call the paint pass makes.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "interfaces/tessara_chart.h"
#include "render/recording_chart.h"

namespace {

RecordedCall calls[kMaxRecordedCalls];
int callCount = 0;
std::vector<unsigned char> answers{1};
std::size_t nextAnswer = 0;
std::int32_t outputCount = 0;

DWORD WINAPI tryTakeMutex(void* parameter)
{
    HANDLE mutex = static_cast<HANDLE>(parameter);
    const DWORD result = WaitForSingleObject(mutex, 0);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED)
        ReleaseMutex(mutex);
    return result == WAIT_OBJECT_0 ? 1 : 0;
}

// Whether a thread other than the caller can take the mutex right now: false while the caller
// holds it.
bool freeForOthers(void** mutexHandle)
{
    if (!mutexHandle || !*mutexHandle)
        return false;
    HANDLE thread = CreateThread(nullptr, 0, tryTakeMutex, *mutexHandle, 0, nullptr);
    if (!thread)
        return false;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code == 1;
}

void log(ChartCall call, IndicatorExchange* record, void** mutexHandle, double left = 0, double right = 0,
         double slotWidth = 0, std::int32_t top = 0, std::int32_t bottom = 0) noexcept
{
    if (callCount == kMaxRecordedCalls)
        return;
    RecordedCall& entry = calls[callCount++];
    entry = RecordedCall{call, record, mutexHandle, left, right, slotWidth, top, bottom, freeForOthers(mutexHandle), 0, 0, 0, 0, 0};
    if (record) {
        entry.emaParameter = record->emaParameter;
        entry.baseLineParameter = record->baseLineParameter;
        entry.laggingParameter = record->laggingParameter;
        entry.visibleCount = record->visibleCount;
        entry.futureView = record->futureView;
    }
}

} // namespace

extern "C" {

__declspec(dllexport) void recorderReset(const unsigned char* newAnswers, int count, std::int32_t newOutputCount) noexcept
{
    callCount = 0;
    answers.assign(newAnswers, newAnswers + count);
    if (answers.empty())
        answers.push_back(1);
    nextAnswer = 0;
    outputCount = newOutputCount;
}

__declspec(dllexport) int recorderCount() noexcept
{
    return callCount;
}

__declspec(dllexport) const RecordedCall* recorderCall(int index) noexcept
{
    return index >= 0 && index < callCount ? &calls[index] : nullptr;
}

unsigned char calcIniCheck(IndicatorExchange* record, void** mutexHandle) noexcept
{
    log(ChartCall::iniCheck, record, mutexHandle);
    const unsigned char answer = answers[std::min(nextAnswer, answers.size() - 1)];
    ++nextAnswer;
    return answer;
}

// The outputs carry the scripted count, which may be far beyond the arrays: the client must keep
// its drawing within them.
void calcHorizontal(IndicatorExchange* record, void** mutexHandle) noexcept
{
    log(ChartCall::horizontal, record, mutexHandle);
    record->scaleStartX = 12;
    record->scaleEndX = 100;
    record->scaleCount = outputCount;
}

void calcVertical(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                  std::int32_t top, std::int32_t bottom) noexcept
{
    log(ChartCall::vertical, record, mutexHandle, left, right, slotWidth, top, bottom);
    record->timeLineTop = top;
    record->timeLineBottom = bottom;
    record->timeLineCount = outputCount;
}

void calcEMAView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                 std::int32_t top, std::int32_t bottom) noexcept
{
    log(ChartCall::ema, record, mutexHandle, left, right, slotWidth, top, bottom);
}

void calcKIJUNView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                   std::int32_t top, std::int32_t bottom) noexcept
{
    log(ChartCall::kijun, record, mutexHandle, left, right, slotWidth, top, bottom);
    record->baseLineCount = outputCount;
}

void calLATESpanView(IndicatorExchange* record, void** mutexHandle, double left, double right, double slotWidth,
                     std::int32_t top, std::int32_t bottom) noexcept
{
    log(ChartCall::lateSpan, record, mutexHandle, left, right, slotWidth, top, bottom);
    record->laggingCount = outputCount;
}

} // extern "C"
