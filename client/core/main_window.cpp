#include "client/core/main_window.h"

#include <exception>
#include <string>
#include <vector>

#include "client/core/bar_store.h"
#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/core/win_bar_lock.h"
#include "client/dialogs/chart_dialogs.h"
#include "client/render/paint_chart.h"
#include "client/resources/resource.h"
#include "common/refresh_cycle.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "interfaces/orvane_driver.h"

namespace {

constexpr const wchar_t* kMemoryCaption = L"PERSON構造体";
constexpr const wchar_t* kMemoryShortText = L"メモリが足りません";
constexpr const wchar_t* kMemoryFailedText = L"メモリの確保に失敗しました";

// calcRecord comes from a heap of its own, made and destroyed with the window.
HANDLE privateHeap = nullptr;

RefreshCycle refreshCycle;

void failSetUp(const wchar_t* firstText)
{
    MessageBoxW(nullptr, firstText, kMemoryCaption, MB_OK);
    MessageBoxW(nullptr, kMemoryFailedText, kMemoryCaption, MB_OK);
    PostQuitMessage(0);
}

void onCreate(HWND window)
{
    // File > Close is the way out: it ends the program in order, through WM_DESTROY.
    EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    // When the status cannot be read, the allocation below is the judge.
    if (GlobalMemoryStatusEx(&memory) && memory.ullAvailVirtual < kIndicatorExchangeSize) {
        failSetUp(kMemoryShortText);
        return;
    }
    privateHeap = HeapCreate(0, 0, 0);
    // Zeroed: the first paint hands the record's counts to the indicator library before anything
    // has written them.
    void* block = privateHeap ? HeapAlloc(privateHeap, HEAP_ZERO_MEMORY, kIndicatorExchangeSize) : nullptr;
    if (!block) {
        if (privateHeap)
            HeapDestroy(privateHeap);
        privateHeap = nullptr;
        failSetUp(kMemoryFailedText);
        return;
    }
    calcRecord = static_cast<IndicatorExchange*>(block);
    SetTimer(window, kRefreshTimerId, kRefreshPeriodMs, nullptr);
}

void onDestroy(HWND window)
{
    if (calcRecord && privateHeap)
        HeapFree(privateHeap, 0, calcRecord);
    calcRecord = nullptr;
    if (privateHeap)
        HeapDestroy(privateHeap);
    privateHeap = nullptr;
    KillTimer(window, kRefreshTimerId);
    PostQuitMessage(0);
}

// One poll of the feed, merged into the store under the bar lock; the fields of the line taken in,
// or an empty list.
std::vector<std::string> takeInFeedLine()
{
    refreshCycle.notePoll();
    try {
        // The feed's text is only valid until its next call: copy it at once.
        const char* text = ReadLinesMT5();
        WinBarLock lock(barMutex);
        return mergeLiveText(barStore, lock, text ? std::string(text) : std::string());
    } catch (const std::exception&) {
        return {};  // the line is lost; the chart is still drawn
    }
}

void onRefreshTick(HWND window)
{
    refreshCycle.begin();
    WinBarLock lock(barMutex);
    updateDisplayWindow(barStore, chartSettings, lock);
    chartTexts.clockText = toWide(makeTimestampText());
    // No erase: the paint fills every pixel from its back buffer, so erasing would only flicker.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
    // Minimised, hidden or without client area, the window was not painted: the market goes on.
    if (refreshCycle.tickMustPoll())
        takeInFeedLine();
}

void onPaint(HWND window)
{
    const std::vector<std::string> latestLineFields = takeInFeedLine();
    if (!calcRecord) {
        // Set-up failed and the program is ending: nothing to draw into, but the paint must end.
        PaintScope paint(window);
        return;
    }
    paintChart(window, latestLineFields);
}

ScrollKey scrollKeyOf(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_F1:
        return ScrollKey::StepOne;
    case VK_F2:
        return ScrollKey::StepTen;
    case VK_F3:
        return ScrollKey::StepLarge;
    case VK_HOME:
        return ScrollKey::Home;
    case VK_PRIOR:
    case VK_RIGHT:
        return ScrollKey::Newer;
    case VK_NEXT:
    case VK_LEFT:
        return ScrollKey::Older;
    default:
        return ScrollKey::Other;
    }
}

// Keys only move the offset; the next refresh tick rebuilds the window and draws it.
void onKeyDown(WPARAM virtualKey)
{
    applyScrollKey(chartSettings, scrollKeyOf(virtualKey), barStore.minuteBars.size());
}

struct Command {
    int id;
    void (*run)(HWND window);
};

// Dialogs are modal, owned by the main window; their results need no repaint here.
constexpr Command kCommands[] = {
    {IDM_ABOUT, openAboutBox},
    {IDM_EXIT, [](HWND window) { DestroyWindow(window); }},
    {IDM_VIEW_ALL_JOINED, openAllJoinedView},
    {IDM_VIEW_LATEST_TICKS, openLatestTicksView},
    {IDM_VIEW_RECEIVED_TICKS, openReceivedTicksView},
    {IDM_SET_CANDLE_COUNT, openCandleCountDialog},
    {IDM_SET_SCROLL_STEP, openScrollStepDialog},
    {IDM_SET_FUTURE_VIEW, openFutureViewDialog},
    {IDM_CANDLE_TYPE_CANDLES, [](HWND) { chartSettings.candleType = 1; }},
    {IDM_CANDLE_TYPE_SHINNEASHI, [](HWND) { chartSettings.candleType = 0; }},
    {IDM_SET_VERTICAL_SPAN, openVerticalSpanDialog},
};

bool onCommand(HWND window, int id)
{
    for (const Command& command : kCommands) {
        if (command.id == id) {
            command.run(window);
            return true;
        }
    }
    return false;
}

LRESULT dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_TIMER:
        if (wParam != kRefreshTimerId)
            break;
        onRefreshTick(window);
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_KEYDOWN:
        onKeyDown(wParam);
        return 0;
    case WM_COMMAND:
        if (onCommand(window, LOWORD(wParam)))
            return 0;
        break;
    case WM_DESTROY:
        onDestroy(window);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the window system. A paint that failed half-way must still
        // end, or Windows would ask for it again at once.
        if (message == WM_PAINT)
            ValidateRect(window, nullptr);
        return 0;
    }
}

ATOM registerMainWindowClass(HINSTANCE instance, const wchar_t* className)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVANEWINCLIENT));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN_MENU);
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVANEWINCLIENT));
    return RegisterClassExW(&windowClass);
}

HWND createMainWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title)
{
    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, kMainWindowWidth, kMainWindowHeight,
                           nullptr, nullptr, instance, nullptr);
}
