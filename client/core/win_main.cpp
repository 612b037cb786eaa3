// OrvaneWinClient's entry: the two named mutexes, the feed and its history, the timeframe check,
// the worker thread, the main window and its message loop, then shut-down in a fixed order.
#include <cstdio>
#include <exception>
#include <string>

#include <windows.h>

#include "client/core/bar_store.h"
#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/core/main_window.h"
#include "client/core/win_bar_lock.h"
#include "client/resources/resource.h"
#include "common/text_utils.h"
#include "common/win_message_loop.h"
#include "common/win_text.h"
#include "interfaces/orvane_driver.h"

namespace {

constexpr int kNameLength = 100;

// Standard output is where start-up and shut-down failures are reported; flushed at once, since
// a GUI program's output is usually a pipe or a file.
void report(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// Takes the bar lock once per bar, re-reading the count while it holds the lock, so bars added
// meanwhile add passes. It reads nothing else.
DWORD WINAPI workerThread(LPVOID)
{
    WinBarLock lock(barMutex);
    for (std::size_t pass = 1;; ++pass) {
        std::size_t barCount = 0;
        {
            BarLockHold hold(lock);
            barCount = barStore.minuteBars.size();
        }
        if (pass >= barCount)
            return 0;
    }
}

std::string copyFeedText(const char* text)
{
    return text ? std::string(text) : std::string();
}

int runClient(HINSTANCE instance, int showCommand)
{
    calcMutex = CreateMutexW(nullptr, FALSE, L"CALC_THREAD_MUTEX");
    if (calcMutex)
        barMutex = CreateMutexW(nullptr, FALSE, L"EMA_CALC_MUTEX");
    if (!calcMutex || !barMutex) {
        const DWORD error = GetLastError();
        std::printf("CreateMutex error : %lu\n", static_cast<unsigned long>(error));
        std::fflush(stdout);
        return 1;
    }

    initSendticksMT5();
    // Taken apart at its line feeds when it is loaded below, without a string per line.
    const std::string historyText = copyFeedText(iniReadLinesMT5());

    const int timespan = gettimespanMT5();
    chartTexts.timeframeText = intToWide(timespan);
    if (timespan != 1) {
        MessageBoxW(nullptr, L"MT5を1分足に設定し起動してください", L"Warning", MB_OK);
        ExitProcess(1);
    }

    try {
        chartTexts.symbolText = toWide(copyFeedText(getsymbolcMT5()));
    } catch (const std::exception&) {
        chartTexts.symbolText.clear();  // an unconvertible symbol leaves the header without one
    }

    loadHistoryText(barStore, historyText);

    HANDLE worker = CreateThread(nullptr, 0, workerThread, nullptr, CREATE_SUSPENDED, nullptr);
    if (!worker) {
        MessageBoxW(nullptr, L"Thread Create Error", L"Thread", MB_OK);
        return 0;
    }
    SetThreadPriority(worker, THREAD_PRIORITY_HIGHEST);
    if (ResumeThread(worker) == static_cast<DWORD>(-1)) {
        MessageBoxW(nullptr, L"Thread Resume Error", L"handleEMA", MB_OK);
        return 0;
    }

    adoptNewestHistoryRecord(barStore);

    wchar_t title[kNameLength] = {};
    wchar_t className[kNameLength] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, kNameLength);
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kNameLength);
    registerMainWindowClass(instance, className);

    appInstance = instance;
    HWND window = createMainWindow(instance, className, title);
    if (!window)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    const WPARAM quitCode = runMessageLoop(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN_ACCELERATORS)));

    deinitSendticksMT5();
    DWORD workerExit = 0;
    while (GetExitCodeThread(worker, &workerExit) && workerExit == STILL_ACTIVE) {
        report("still working\n");
        Sleep(0);
    }
    CloseHandle(worker);

    for (HANDLE mutex : {barMutex, calcMutex}) {
        if (!mutex || mutex == INVALID_HANDLE_VALUE)
            continue;
        // Releasing succeeds only for the owner: the main thread must not own it by now.
        if (ReleaseMutex(mutex)) {
            report("UnInitializeSharedMemory : mutex : Error\n");
            return 1;
        }
        CloseHandle(mutex);
    }
    return static_cast<int>(quitCode);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    try {
        return runClient(instance, showCommand);
    } catch (...) {
        // Only an exhausted memory gets here (the store and the texts grow); end as a failure.
        report("OrvaneWinClient: out of memory\n");
        return 1;
    }
}
