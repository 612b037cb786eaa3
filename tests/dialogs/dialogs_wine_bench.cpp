// What opening a text view and saving a list cost on the platform: building the newest-1000 view
// text, handing it to a read-only multi-line edit, and writing a long list to a CSV file (over a
// file of its own, and into one that another handle holds open).
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "client/dialogs/csv_export.h"
#include "client/dialogs/dialog_rules.h"
#include "common/win_text.h"
#include "support/bench_harness.h"

namespace {

std::vector<BarRecord> makeList(int count)
{
    std::vector<BarRecord> list(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "2026/12/08 %02d:%02d:00.000", (i / 60) % 24, i % 60);
        list[static_cast<std::size_t>(i)].timeText = time;
        list[static_cast<std::size_t>(i)].open = 109.1 + i * 0.001;
        list[static_cast<std::size_t>(i)].high = 109.2 + i * 0.001;
        list[static_cast<std::size_t>(i)].low = 109.0 + i * 0.001;
        list[static_cast<std::size_t>(i)].close = 109.15 + i * 0.001;
    }
    return list;
}

std::wstring viewText(const std::vector<BarRecord>& list)
{
    std::wstring text;
    for (const std::string& line : viewLines(list))
        text += toWide(line);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const std::vector<BarRecord> list = makeList(100000);
    volatile std::size_t sink = 0;

    bench::report("view text, newest 1000 of 100000 records", bench::measure(quick ? 5 : 50, 1, [&] {
        sink = sink + viewText(list).size();
    }));

    const HWND edit = CreateWindowExW(WS_EX_LEFTSCROLLBAR, L"EDIT", L"",
                                      WS_POPUP | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                      0, 0, 770, 570, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!edit) {
        std::printf("no edit control: error %lu\n", GetLastError());
        return 1;
    }
    const std::wstring text = viewText(list);
    bench::report("SetWindowTextW of the 1000-line view text", bench::measure(quick ? 5 : 50, 1, [&] {
        SetWindowTextW(edit, L"");
        SetWindowTextW(edit, text.c_str());
    }));
    DestroyWindow(edit);

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"orvane_dialogs_bench_" + std::to_wstring(GetCurrentProcessId()) + L".csv";
    bool ok = true;
    bench::report("writeCsvFile, 100000 records (~6.8 MB)", bench::measure(quick ? 3 : 20, 1, [&] {
        ok = ok && writeCsvFile(path, list).ok;
    }));
    const std::vector<BarRecord> small(list.begin(), list.begin() + 1000);
    bench::report("writeCsvFile, 1000 records", bench::measure(quick ? 5 : 50, 1, [&] {
        ok = ok && writeCsvFile(path, small).ok;
    }));
    // A viewer holds the file and lets others read and write it: the lines go in place.
    const HANDLE viewer = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ok = ok && viewer != INVALID_HANDLE_VALUE;
    bench::report("writeCsvFile, 100000 records into a file held open", bench::measure(quick ? 3 : 20, 1, [&] {
        ok = ok && writeCsvFile(path, list).ok;
    }));
    if (viewer != INVALID_HANDLE_VALUE)
        CloseHandle(viewer);
    DeleteFileW(path.c_str());
    if (!ok) {
        std::printf("a timed save failed\n");
        return 1;
    }
    return 0;
}
