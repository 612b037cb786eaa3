// The paint pass's calls to the indicator library, seen by a recording stand-in that is loaded in
// place of the real library (same DLL name, in this program's own folder).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "render/chart_window.h"
#include "render/recording_chart.h"
#include "support/win_capture.h"

namespace {

RecorderResetFn recorderReset = nullptr;
RecorderCountFn recorderCount = nullptr;
RecorderCallFn recorderCall = nullptr;

DWORD WINAPI tryTake(void* parameter)
{
    HANDLE mutex = static_cast<HANDLE>(parameter);
    if (WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0)
        return 0;
    ReleaseMutex(mutex);
    return 1;
}

bool mutexFreeForOtherThreads()
{
    HANDLE thread = CreateThread(nullptr, 0, tryTake, calcMutex, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code == 1;
}

std::vector<BarRecord> sixtyBars()
{
    std::vector<BarRecord> bars;
    for (int j = 0; j < 60; ++j) {
        const double mid = 150 + std::sin(j / 5.0);
        bars.push_back(makeBar(10 + (30 + j) / 60, (30 + j) % 60, mid - 0.1, mid + 0.3, mid - 0.3, mid + 0.1));
    }
    return bars;
}

std::vector<ChartCall> callSequence()
{
    std::vector<ChartCall> sequence;
    for (int i = 0; i < recorderCount(); ++i)
        sequence.push_back(recorderCall(i)->call);
    return sequence;
}

class PaintProtocolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        HMODULE library = GetModuleHandleW(L"TessaraChartDll.dll");
        ASSERT_NE(library, nullptr);
        recorderReset = reinterpret_cast<RecorderResetFn>(reinterpret_cast<void*>(GetProcAddress(library, "recorderReset")));
        recorderCount = reinterpret_cast<RecorderCountFn>(reinterpret_cast<void*>(GetProcAddress(library, "recorderCount")));
        recorderCall = reinterpret_cast<RecorderCallFn>(reinterpret_cast<void*>(GetProcAddress(library, "recorderCall")));
    }
    void SetUp() override
    {
        // Without these the real library was loaded instead of the stand-in.
        ASSERT_NE(recorderReset, nullptr);
        ASSERT_NE(recorderCount, nullptr);
        ASSERT_NE(recorderCall, nullptr);
        chartSettings.candleCount = 40;
        chartSettings.futureView = 2;
        chartSettings.verticalSpan = 0.02;
        chartSettings.candleType = 1;
        barStore.displayList = displayOrder(sixtyBars());
        calcMutex = CreateMutexW(nullptr, FALSE, nullptr);
        calcRecord = allocateGuardedRecord();
        ASSERT_NE(calcRecord, nullptr);
        std::memset(calcRecord, 0xEE, sizeof(IndicatorExchange));
        window = createChartWindow(724, 500);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        freeGuardedRecord(calcRecord);
        calcRecord = nullptr;
        CloseHandle(calcMutex);
        calcMutex = nullptr;
        barStore.displayList.clear();
    }
    void script(std::initializer_list<unsigned char> answers, std::int32_t outputCount = 0)
    {
        const std::vector<unsigned char> list(answers);
        recorderReset(list.data(), static_cast<int>(list.size()), outputCount);
    }

    HWND window = nullptr;
};

using enum ChartCall;

TEST_F(PaintProtocolTest, SixCallsInOrderWithTheirArgumentsAndTheLockReleased)
{
    script({1});
    repaintChart(window);
    ASSERT_EQ(callSequence(), (std::vector<ChartCall>{iniCheck, horizontal, vertical, ema, kijun, lateSpan}));
    for (int i = 0; i < recorderCount(); ++i) {
        const RecordedCall& call = *recorderCall(i);
        EXPECT_EQ(call.record, calcRecord) << i;
        EXPECT_EQ(call.mutexHandle, reinterpret_cast<void**>(&calcMutex)) << i;
        EXPECT_TRUE(call.mutexFreeForOthers) << "the lock was held across call " << i;
        EXPECT_EQ(call.visibleCount, 40);
        EXPECT_EQ(call.futureView, 2);
        if (call.call == iniCheck || call.call == horizontal)
            continue;
        // Plot x from 12 to 724 - 82, rows 55 to 500 - 35; 630 pixels over 40 + 2 slots.
        EXPECT_EQ(call.left, 12.0) << i;
        EXPECT_EQ(call.right, 642.0) << i;
        EXPECT_EQ(call.slotWidth, 15.0) << i;
        EXPECT_EQ(call.top, 55) << i;
        EXPECT_EQ(call.bottom, 465) << i;
        if (call.call == vertical)
            continue;
        EXPECT_EQ(call.emaParameter, 20) << i;
        EXPECT_EQ(call.baseLineParameter, 106) << i;
        EXPECT_EQ(call.laggingParameter, 25) << i;
    }
    EXPECT_TRUE(mutexFreeForOtherThreads());
    EXPECT_EQ(calcRecord->filledCount, 60);
    EXPECT_EQ(calcRecord->snapshotSize, 60);
}

TEST_F(PaintProtocolTest, AnyAnswerButOneRefreshesOnlyTheNewestBar)
{
    script({1});
    repaintChart(window);
    const double oldestClose = calcRecord->barClose[59];
    const double secondClose = calcRecord->barClose[1];
    ASSERT_EQ(calcRecord->barClose[0], barStore.displayList.front().close);

    barStore.displayList.front().close = 150.5;
    barStore.displayList.front().minute = 33;
    (*std::next(barStore.displayList.begin())).close = 149.25;
    barStore.displayList.back().close = 148.75;
    for (int pass = 0; pass < 2; ++pass) {
        const unsigned char answer = pass == 0 ? 0 : 2;
        recorderReset(&answer, 1, 0);
        repaintChart(window);
        EXPECT_EQ(callSequence(), (std::vector<ChartCall>{iniCheck, ema, kijun, lateSpan})) << int(answer);
        EXPECT_EQ(calcRecord->barClose[0], 150.5);
        EXPECT_EQ(calcRecord->barMinute[0], 33);
        EXPECT_EQ(calcRecord->barClose[1], secondClose);
        EXPECT_EQ(calcRecord->barClose[59], oldestClose);
        EXPECT_EQ(calcRecord->filledCount, 60);
    }

    script({1});
    repaintChart(window);
    EXPECT_EQ(calcRecord->barClose[1], 149.25);
    EXPECT_EQ(calcRecord->barClose[59], 148.75);
}

TEST_F(PaintProtocolTest, AnEmptyListKeepsTheFingerprintAndStillAsksForEverything)
{
    script({1});
    repaintChart(window);
    const std::int32_t size = calcRecord->snapshotSize;
    const std::int32_t newest = calcRecord->newestTimeSum;
    barStore.displayList.clear();
    script({1});
    repaintChart(window);
    // The size kept from the last pass is above 0, so an answer of 1 still renews the grid.
    EXPECT_EQ(callSequence(), (std::vector<ChartCall>{iniCheck, horizontal, vertical, ema, kijun, lateSpan}));
    EXPECT_EQ(calcRecord->snapshotSize, size);
    EXPECT_EQ(calcRecord->newestTimeSum, newest);
    EXPECT_EQ(calcRecord->visibleCount, 0);
    EXPECT_EQ(calcRecord->filledCount, 60);
    script({0});
    repaintChart(window);
    EXPECT_EQ(callSequence(), (std::vector<ChartCall>{iniCheck, ema, kijun, lateSpan}));
}

// Lines scripted through the record over four falling (black) bars and the empty slots beside them:
// what lies on what, and how wide each pen draws.
TEST_F(PaintProtocolTest, BarsCoverTheBaseLineAndTheEmaAndLaggingSpanLieOnThem)
{
    // Four bars and four empty slots on an 894-pixel client: slots of 100 pixels from x = 12, so
    // the bodies fill x 12..410; prices 9..11 on rows 55..465, every body the plot's full height.
    chartSettings.candleCount = 4;
    chartSettings.futureView = 4;
    barStore.displayList = displayOrder({makeBar(11, 0, 11, 11, 9, 9), makeBar(11, 1, 11, 11, 9, 9),
                                         makeBar(11, 2, 11, 11, 9, 9), makeBar(11, 3, 11, 11, 9, 9)});
    DestroyWindow(window);
    window = createChartWindow(894, 500);
    script({1}, 2);  // two of each: scale lines, time lines, base-line and lagging-span points
    calcRecord->scaleRow[0] = calcRecord->scaleRow[1] = 100;
    calcRecord->timeLineX[0] = 450;
    calcRecord->timeLineX[1] = 450;
    calcRecord->timeLabelLarge[0] = calcRecord->timeLabelLarge[1] = 7;
    calcRecord->timeLabelFirst[0] = calcRecord->timeLabelFirst[1] = 12;
    calcRecord->timeLabelSecond[0] = calcRecord->timeLabelSecond[1] = 3;
    calcRecord->baseLine[0] = {30, 200};
    calcRecord->baseLine[1] = {700, 200};
    const int emaX[4] = {30, 150, 350, 700};
    for (int i = 0; i < 4; ++i) {
        calcRecord->emaX[i] = emaX[i];
        calcRecord->emaY[i] = 300;
    }
    calcRecord->laggingSpan[0] = {30, 400};
    calcRecord->laggingSpan[1] = {700, 400};
    repaintChart(window);
    const Capture shot = captureClient(window);
    ASSERT_TRUE(shot.valid());

    const COLORREF black = RGB(0, 0, 0);
    const COLORREF blue = RGB(0, 0, 255);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF green = RGB(0, 128, 0);
    auto rows = [&](int x, int around, COLORREF colour) { return shot.count(x, around - 10, x + 1, around + 11, colour); };
    // In an empty slot (x 600): each line alone, as wide as its pen.
    EXPECT_EQ(rows(600, 200, blue), 3) << "base line";
    EXPECT_EQ(rows(600, 300, red), 2) << "EMA";
    EXPECT_EQ(rows(600, 400, green), 1) << "lagging span";
    // Over a bar (x 60): the body hides the base line; the EMA and the lagging span show on it.
    EXPECT_EQ(rows(60, 200, black), 21) << "the base line shows through a bar";
    EXPECT_EQ(rows(60, 300, red), 2);
    EXPECT_EQ(rows(60, 300, black), 19);
    EXPECT_EQ(rows(60, 400, green), 1);
    EXPECT_EQ(rows(60, 400, black), 20);
    EXPECT_EQ(shot.count(12, 95, 111, 106, black), 99 * 11) << "the bars cover the scale lines";

    // The labels of the time line at x 450: "07" from (452, 435) and "(12/03)" from (482, 440).
    const COLORREF labelGrey = RGB(170, 170, 170);
    EXPECT_GT(shot.count(452, 435, 480, 466, labelGrey), 20);
    EXPECT_GT(shot.count(482, 440, 600, 466, labelGrey), 40);
    EXPECT_EQ(shot.count(452, 430, 600, 466, black), 0);
}

TEST_F(PaintProtocolTest, CountsBeyondTheArraysAreDrawnOnlyUpToTheirCapacity)
{
    // The lagging span is the record's last array: a read past its end hits the guard page.
    for (int type : {0, 1}) {
        chartSettings.candleType = type;
        script({1}, 1000000);
        repaintChart(window);
        script({0}, 1000000);
        repaintChart(window);
    }
    const Capture shot = captureClient(window);
    EXPECT_EQ(shot.colour(5, 200), RGB(204, 204, 221));
    EXPECT_TRUE(mutexFreeForOtherThreads());
}

} // namespace
