// The built TessaraChartDll.dll at its boundary: the six undecorated exports, and the lock it takes
// through the handle address while it works on the record.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "interfaces/tessara_chart.h"

namespace {

using IniCheckFn = unsigned char (*)(IndicatorExchange*, void**);
using ViewFn = void (*)(IndicatorExchange*, void**, double, double, double, std::int32_t, std::int32_t);

template <typename Fn>
Fn exported(HMODULE library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::unique_ptr<IndicatorExchange> smallChart()
{
    auto r = std::make_unique<IndicatorExchange>();
    std::memset(r.get(), 0x5A, sizeof(IndicatorExchange));
    r->plotTopLeft = {12, 55};
    r->plotTopRight = {918, 55};
    r->plotBottomLeft = {12, 565};
    r->plotBottomRight = {918, 565};
    r->priceHigh = 2.0;
    r->priceLow = 1.0;
    r->verticalSpan = 0.25;
    r->visibleCount = 3;
    r->futureView = 0;
    r->filledCount = 3;
    r->snapshotSize = 3;
    r->emaParameter = 20;
    r->baseLineParameter = 106;
    r->laggingParameter = 25;
    for (int k = 0; k < 3; ++k)
        r->barClose[k] = r->barHigh[k] = r->barLow[k] = 1.5;
    return r;
}

struct HeldElsewhere {
    HANDLE mutex;
    HANDLE taken;
    HANDLE release;
};

DWORD WINAPI holdMutex(void* parameter)
{
    auto* held = static_cast<HeldElsewhere*>(parameter);
    WaitForSingleObject(held->mutex, INFINITE);
    SetEvent(held->taken);
    WaitForSingleObject(held->release, INFINITE);
    ReleaseMutex(held->mutex);
    return 0;
}

} // namespace

TEST(TessaraChartDll, ExportsTheSixCallsByTheirPlainNames)
{
    HMODULE library = LoadLibraryW(L"TessaraChartDll.dll");
    ASSERT_NE(library, nullptr);
    for (const char* name : {"calcIniCheck", "calcHorizontal", "calcVertical", "calcEMAView", "calcKIJUNView",
                             "calLATESpanView"})
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;

    auto iniCheck = exported<IniCheckFn>(library, "calcIniCheck");
    auto ema = exported<ViewFn>(library, "calcEMAView");
    ASSERT_NE(iniCheck, nullptr);
    ASSERT_NE(ema, nullptr);
    // A null record is ignored rather than dereferenced.
    iniCheck(nullptr, nullptr);
    ema(nullptr, nullptr, 12, 918, 10, 55, 565);

    auto record = smallChart();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    void** lock = &mutex;
    EXPECT_EQ(iniCheck(record.get(), lock), 1);
    EXPECT_EQ(iniCheck(record.get(), lock), 0);
    EXPECT_EQ(iniCheck(record.get(), nullptr), 0);
    ema(record.get(), lock, 12, 918, 302, 55, 565);
    EXPECT_EQ(record->emaX[0], 163);
    EXPECT_EQ(record->emaY[0], 310);
    CloseHandle(mutex);
    FreeLibrary(library);
}

TEST(TessaraChartDll, WaitsForTheLockWhileAnotherThreadHoldsIt)
{
    HMODULE library = LoadLibraryW(L"TessaraChartDll.dll");
    ASSERT_NE(library, nullptr);
    auto horizontal = exported<void (*)(IndicatorExchange*, void**)>(library, "calcHorizontal");
    ASSERT_NE(horizontal, nullptr);
    auto record = smallChart();
    record->scaleCount = -1;

    HeldElsewhere held{CreateMutexW(nullptr, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr),
                       CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE holder = CreateThread(nullptr, 0, holdMutex, &held, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(held.taken, 5000), WAIT_OBJECT_0);

    struct Call {
        decltype(horizontal) fn;
        IndicatorExchange* record;
        HANDLE* mutex;
        std::atomic<bool> done{false};
    } call{horizontal, record.get(), &held.mutex};
    HANDLE caller = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* c = static_cast<Call*>(p);
            c->fn(c->record, c->mutex);
            c->done = true;
            return 0;
        },
        &call, 0, nullptr);
    Sleep(300);
    EXPECT_FALSE(call.done) << "the library worked on the record while the lock was held elsewhere";
    EXPECT_EQ(record->scaleCount, -1);
    SetEvent(held.release);
    ASSERT_EQ(WaitForSingleObject(caller, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(call.done);
    EXPECT_EQ(record->scaleCount, 5);
    WaitForSingleObject(holder, 5000);
    for (HANDLE h : {caller, holder, held.mutex, held.taken, held.release})
        CloseHandle(h);
    FreeLibrary(library);
}
