#include "rateinfo/rate_window.h"

#include <exception>
#include <string>

#include "common/refresh_cycle.h"
#include "common/win_message_loop.h"
#include "common/win_text.h"
#include "rateinfo/rate_menus.h"
#include "rateinfo/rate_paint.h"
#include "rateinfo/rate_state.h"
#include "rateinfo/resource.h"

HINSTANCE instanceHandle = nullptr;
FeedApi feedApi;

namespace {

constexpr int kResourceTextLength = 100;

RefreshCycle refreshCycle;

std::optional<std::string> copyFeedText(const char* text)
{
    // The feed owns its text only until the next call: copy it at once.
    if (!text)
        return std::nullopt;
    return std::string(text);
}

void onRefreshTick(HWND window)
{
    refreshCycle.begin();
    clockText = toWide(makeTimestampText());
    // No erase: the paint covers every pixel from its back buffer.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
    // Minimised or hidden, the window was not painted: keep the table a shown window would have.
    if (refreshCycle.tickMustPoll())
        refreshRates();
}

void resizeForRows(HWND window, std::int32_t rows)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    MoveWindow(window, frame.left, frame.top, kWindowWidth, windowHeightByRows.at(rows), TRUE);
}

bool onCommand(HWND window, int commandId)
{
    const RateCommand command = rateCommandOf(commandId);
    switch (command.kind) {
    case RateCommand::Kind::About:
        DialogBoxParamW(instanceHandle, MAKEINTRESOURCEW(IDD_ABOUTBOX), window, aboutDialogProc, 0);
        return true;
    case RateCommand::Kind::Exit:
        DestroyWindow(window);
        return true;
    case RateCommand::Kind::Rows:
        rowCount = command.value;
        resizeForRows(window, command.value);
        return true;
    case RateCommand::Kind::Decimals:
        decimalPlaces = command.value;
        return true;
    case RateCommand::Kind::NotOurs:
        break;
    }
    return false;
}

// The default size check caps a window at the screen's maximum tracking size, which would cut the
// 80-row table short on an ordinary screen; the row commands set the height they name.
void allowTallestTable(MINMAXINFO& limits)
{
    const LONG tallest = windowHeightByRows.rbegin()->second;
    if (limits.ptMaxTrackSize.y < tallest)
        limits.ptMaxTrackSize.y = tallest;
}

LRESULT dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(window, kRefreshTimerId, kRefreshMilliseconds, nullptr);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kRefreshTimerId);
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        if (wParam != kRefreshTimerId)
            break;
        onRefreshTick(window);
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_COMMAND:
        if (onCommand(window, LOWORD(wParam)))
            return 0;
        break;
    case WM_GETMINMAXINFO:
        allowTallestTable(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

std::optional<LatestTick> refreshRates()
{
    refreshCycle.notePoll();
    const std::optional<std::string> text = copyFeedText(feedApi.readLines ? feedApi.readLines() : nullptr);
    if (!text)
        return std::nullopt;
    std::optional<LatestTick> tick = refreshRates(rateHistory, *text, rowCount);
    if (tick)
        latestTick = tick;
    return tick;
}

LRESULT CALLBACK rateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        // A failed conversion or allocation costs this one message, never the program.
        return 0;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

ATOM registerRateInfoClass(HINSTANCE instance)
{
    wchar_t className[kResourceTextLength] = {};
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kResourceTextLength);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = rateWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVANERATEINFO));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN_MENU);
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    return RegisterClassExW(&windowClass);
}

HWND createRateInfoWindow(HINSTANCE instance)
{
    wchar_t title[kResourceTextLength] = {};
    wchar_t className[kResourceTextLength] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, kResourceTextLength);
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kResourceTextLength);
    return CreateWindowExW(0, className, title, WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX, kWindowLeft, kWindowTop,
                           kWindowWidth, kWindowHeightFor15Rows, nullptr, nullptr, instance, nullptr);
}

int runRateInfo(HINSTANCE instance, int showCommand, const FeedApi& feed)
{
    feedApi = feed;
    if (feedApi.open)
        feedApi.open();
    const std::optional<std::string> symbol = copyFeedText(feedApi.symbol ? feedApi.symbol() : nullptr);
    try {
        symbolText = symbol ? toWide(*symbol) : std::wstring();
    } catch (const std::exception&) {
        symbolText.clear();  // an unreadable symbol leaves its place empty, like no symbol at all
    }

    registerRateInfoClass(instance);
    instanceHandle = instance;
    HWND window = createRateInfoWindow(instance);
    if (!window)
        return 0;
    ShowWindow(window, showCommand);
    // The first paint, and with it the first feed read, happens here, before the first timer tick.
    UpdateWindow(window);

    const WPARAM quitCode = runMessageLoop(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN_ACCELERATORS)));
    if (feedApi.close)
        feedApi.close();
    return static_cast<int>(quitCode);
}
