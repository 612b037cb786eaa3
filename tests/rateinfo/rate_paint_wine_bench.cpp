// One refresh and one paint of the rate-info window with 80 rows, as the 10-ms timer runs them,
// and the parts of that cost.
#include <cstdio>
#include <string>

#include <windows.h>

#include "common/win_handles.h"
#include "rateinfo/rate_menus.h"
#include "rateinfo/rate_paint.h"
#include "rateinfo/rate_state.h"
#include "rateinfo/rate_window.h"
#include "support/bench_harness.h"
#include "support/win_capture.h"

namespace {

// Two ticks in turn: every poll brings a new close, so every refresh removes one entry and
// inserts one, the most work a refresh does.
std::string feedLines[2] = {"2026/12/08 10:00:07.123,150.100,150.200,150.000,150.125\n",
                            "2026/12/08 10:00:38.456,150.100,150.200,150.000,150.250\n"};
int nextLine = 0;
const char* alternatingFeed() noexcept
{
    nextLine ^= 1;
    return feedLines[nextLine].c_str();
}

void fillHistory()
{
    rateHistory.clear();
    for (int i = 0; i < 83; ++i)
        rateHistory.push_back(RateEntry{"2026/12/08 10:00:" + std::to_string(10 + i % 50) + ".000",
                                        150.0 + (i % 2 ? 0.125 : 0.25) + 0.001 * i});
}

// The floor under every paint: a window of the same size whose WM_PAINT only begins and ends.
LRESULT CALLBACK emptyPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintScope paint(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bench::Result measureEmptyPaint(int samples, const RECT& frame)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = emptyPaintProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OrvaneEmptyPaint";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"OrvaneEmptyPaint", L"empty", WS_OVERLAPPED | WS_SYSMENU, frame.left, frame.top,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    pumpMessages(200);
    const bench::Result result = bench::measure(samples, 1, [&] {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    });
    DestroyWindow(window);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const int samples = quick ? 20 : 400;

    instanceHandle = GetModuleHandleW(nullptr);
    registerRateInfoClass(instanceHandle);
    feedApi.readLines = alternatingFeed;
    symbolText = L"SIM-USDJPY";
    clockText = L"2026/12/08 10:00:07.123";
    fillHistory();

    HWND window = createRateInfoWindow(instanceHandle);
    if (!window) {
        std::printf("no window\n");
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    // The timer would repaint in between; the samples below paint on demand only.
    KillTimer(window, kRefreshTimerId);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(32949, 0), 0);  // 80 rows
    pumpMessages(200);
    fillHistory();
    RECT client{};
    GetClientRect(window, &client);
    std::printf("80 rows: client %ld x %ld, %zu entries, row count %d\n", client.right, client.bottom,
                rateHistory.size(), rowCount);

    bench::report("refresh + paint, 80 rows (WM_PAINT, one BitBlt)", bench::measure(samples, 1, [&] {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }));
    if (rateHistory.size() != 83) {
        std::printf("history drifted to %zu entries\n", rateHistory.size());
        return 1;
    }

    bench::report("refreshRates alone (scan, trim, insert)", bench::measure(samples, 100, [&] {
        for (int i = 0; i < 100; ++i)
            refreshRates();
    }));
    bench::report("paint plan alone, 80 rows", bench::measure(samples, 10, [&] {
        for (int i = 0; i < 10; ++i) {
            const PaintPlan plan = planRates(latestTick, rateHistory, rowCount, decimalPlaces);
            if (plan.size() < 160)
                std::printf("short plan\n");
        }
    }));
    {
        WindowDc screen(window);
        MemoryDc memory(screen.get());
        GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        SelectGuard useBitmap(memory.get(), bitmap.get());
        const PaintPlan plan = planRates(latestTick, rateHistory, rowCount, decimalPlaces);
        bench::report("GDI texts alone, 80 rows (fonts, TextOutW)", bench::measure(samples, 1, [&] {
            PaintFonts fonts;
            executePlan(memory.get(), plan, fonts, client.bottom);
        }));
        bench::report("memory DC + bitmap + BitBlt alone", bench::measure(samples, 1, [&] {
            MemoryDc frame(screen.get());
            GdiObject<HBITMAP> frameBitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
            SelectGuard useFrame(frame.get(), frameBitmap.get());
            BitBlt(screen.get(), 0, 0, client.right, client.bottom, frame.get(), 0, 0, SRCCOPY);
        }));
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    bench::report("empty WM_PAINT, same window size", measureEmptyPaint(samples, frame));

    // The same paint into an off-screen frame of the full 80-row client, which draws every row
    // however much of the window the screen shows.
    {
        const int fullHeight = windowHeightByRows.at(80) - ((frame.bottom - frame.top) - client.bottom);
        WindowDc screen(window);
        bench::report("refresh + paint, all 80 rows drawn (off screen)", bench::measure(samples, 1, [&] {
            PaintFonts fonts;
            MemoryDc memory(screen.get());
            GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), client.right, fullHeight));
            SelectGuard useBitmap(memory.get(), bitmap.get());
            RECT all{0, 0, client.right, fullHeight};
            GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
            FillRect(memory.get(), &all, white.get());
            executePlan(memory.get(), planHeader(symbolText, clockText), fonts, fullHeight);
            refreshRates();
            executePlan(memory.get(), planRates(latestTick, rateHistory, rowCount, decimalPlaces), fonts, fullHeight);
            BitBlt(screen.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        }));
    }

    SendMessageW(window, WM_COMMAND, MAKEWPARAM(32781, 0), 0);  // back to 15 rows, 305 x 450
    pumpMessages(100);
    fillHistory();
    bench::report("refresh + paint, 15 rows (305 x 450 window)", bench::measure(samples, 1, [&] {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }));
    DestroyWindow(window);
    pumpMessages(50);
    return 0;
}
