// The store's costs under Wine, where the program really runs: one live line merged (against the
// merge with patterns compiled on every call), the display window moved, and a 200,000-line
// history loaded, first in this process and then as the real program's start-up.
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "client/core/bar_store.h"
#include "client/regex_merge_reference.h"
#include "common/text_utils.h"
#include "interfaces/orvane_driver.h"
#include "support/bench_harness.h"
#include "support/win_process.h"

namespace {

const std::string kLine = "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n";

std::string historyLine(int i)
{
    char line[96];
    std::snprintf(line, sizeof line, "2021/%02d/%02d %02d:%02d:00.000,1.52345,1.62345,1.42345,1.55555", 1 + i / 44640,
                  1 + i / 1440 % 31, i / 60 % 24, i % 60);
    return line;
}

std::string historyText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += '\n';
        text += historyLine(i);
    }
    return text;
}

// Milliseconds from starting OrvaneWinClient.exe until its main window is visible, with `lines`
// history lines in the feed; -1 when it did not come up.
double startUpMillis(int lines)
{
    bool writer = false;
    for (int i = 0; i < 150 && !(writer = openFeedWriterMT5() == 1); ++i)
        Sleep(100);
    if (!writer)
        return -1;
    const std::string text = historyText(lines);
    const std::wstring wide(text.begin(), text.end());
    double millis = -1;
    if (writeSymbolMT5(L"SIM-USDJPY") == 1 && writeTimespanMT5(1) == 1 && writeHistoryMT5(wide.c_str()) == 1) {
        ChildProcess client;
        LARGE_INTEGER frequency{}, start{}, stop{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        if (client.start(L"OrvaneWinClient.exe")) {
            HWND window = waitForWindow(client.id(), L"ORVANEWINCLIENT", nullptr, 60000);
            QueryPerformanceCounter(&stop);
            if (window) {
                millis = 1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(105, 0), 0);
                DWORD exitCode = 0;
                client.wait(20000, exitCode);
            }
        }
    }
    closeFeedWriterMT5();
    return millis;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const int samples = quick ? 10 : 200;

    {
        BarStore store;
        NoBarLock lock;
        std::size_t sink = 0;
        bench::report("merge one live line (scanner)", bench::measure(samples, 1000, [&] {
            for (int i = 0; i < 1000; ++i)
                sink += mergeLiveText(store, lock, kLine).size();
        }));
        BarStore regexStore;
        bench::report("merge one live line (regex compiled per call)", bench::measure(quick ? 3 : 30, 10, [&] {
            for (int i = 0; i < 10; ++i)
                sink += regexMergeLiveText(regexStore, kLine).size();
        }));
        if (sink == 0)
            return 1;
    }

    {
        BarStore store;
        std::vector<std::string> lines;
        for (int i = 0; i < 200000; ++i)
            lines.push_back(historyLine(i));
        loadHistory(store, lines);
        ChartSettings settings;
        NoBarLock lock;
        updateDisplayWindow(store, settings, lock);
        BarRecord newest = store.minuteBars.back();
        bench::report("display update, same minute (200000 bars)", bench::measure(samples, 1000, [&] {
            for (int i = 0; i < 1000; ++i) {
                newest.close += 0.001;
                store.minuteBars.replaceBack(newest);
                updateDisplayWindow(store, settings, lock);
            }
        }));
        BarRecord next = store.minuteBars.back();
        bench::report("display update, new minute (200000 bars)", bench::measure(samples, 100, [&] {
            for (int i = 0; i < 100; ++i) {
                next.minute = (next.minute + 1) % 60;
                store.minuteBars.push_back(next);
                updateDisplayWindow(store, settings, lock);
            }
        }));
        std::int32_t offset = 0;
        bench::report("display rebuild (590 bars copied)", bench::measure(quick ? 10 : 100, 10, [&] {
            for (int i = 0; i < 10; ++i) {
                settings.scrollOffset = offset ^= 1;
                updateDisplayWindow(store, settings, lock);
            }
        }));
    }

    const std::string text = historyText(200000);
    bench::report("history load, 200000 lines", bench::measure(quick ? 2 : 10, 1, [&] {
        BarStore store;
        loadHistoryText(store, text);
        adoptNewestHistoryRecord(store);
        if (store.minuteBars.size() != 200000)
            std::printf("unexpected bar count %zu\n", store.minuteBars.size());
    }));

    const double millis = startUpMillis(quick ? 20000 : 200000);
    std::printf("%-48s %10.1f ms\n", quick ? "start-up to window, 20000 history lines" : "start-up to window, 200000 history lines",
                millis);
    return millis < 0 ? 1 : 0;
}
