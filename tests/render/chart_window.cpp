#include "render/chart_window.h"

#include <cstdio>

#include "client/render/paint_chart.h"

std::vector<std::string> chartWindowLatestFields;
void (*chartWindowPaintOverride)(HWND window) = nullptr;

namespace {

LRESULT CALLBACK chartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (chartWindowPaintOverride)
            chartWindowPaintOverride(window);
        else
            paintChart(window, chartWindowLatestFields);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

constexpr SIZE_T kPage = 4096;

} // namespace

HWND createChartWindow(int width, int height)
{
    static ATOM registered = 0;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = chartWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrvaneChartUnderTest";
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        registered = RegisterClassW(&wc);
    }
    HWND window = CreateWindowExW(0, L"OrvaneChartUnderTest", L"chart", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window) {
        UpdateWindow(window);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return window;
}

void repaintChart(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

IndicatorExchange* allocateGuardedRecord()
{
    const SIZE_T pages = (sizeof(IndicatorExchange) + kPage - 1) / kPage;
    auto* base = static_cast<unsigned char*>(VirtualAlloc(nullptr, (pages + 1) * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!base)
        return nullptr;
    DWORD previous = 0;
    VirtualProtect(base + pages * kPage, kPage, PAGE_NOACCESS, &previous);
    return reinterpret_cast<IndicatorExchange*>(base + pages * kPage - sizeof(IndicatorExchange));
}

void freeGuardedRecord(IndicatorExchange* record)
{
    if (!record)
        return;
    const SIZE_T pages = (sizeof(IndicatorExchange) + kPage - 1) / kPage;
    auto* end = reinterpret_cast<unsigned char*>(record) + sizeof(IndicatorExchange);
    VirtualFree(end - pages * kPage, 0, MEM_RELEASE);
}

BarRecord makeBar(int hour, int minute, double open, double high, double low, double close)
{
    BarRecord bar;
    bar.year = 2026;
    bar.month = 12;
    bar.day = 3;
    bar.hour = hour;
    bar.minute = minute;
    char text[64];
    std::snprintf(text, sizeof text, "2026/12/03 %02d:%02d:00.000", hour, minute);
    bar.timeText = text;
    bar.open = open;
    bar.high = high;
    bar.low = low;
    bar.close = close;
    return bar;
}

std::list<BarRecord> displayOrder(const std::vector<BarRecord>& oldestFirst)
{
    return {oldestFirst.rbegin(), oldestFirst.rend()};
}
