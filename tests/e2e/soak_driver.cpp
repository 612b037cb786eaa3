// orvane_soak [SECONDS]: both programs on the simulated market at its fastest rate for SECONDS
// (60 when not given), then a verdict. It fails when a program died, when its memory grew beyond
// what its stored lines explain, when the chart stopped drawing, or when File > Close did not end
// a program with exit code 0. Prints one line per measurement for the performance notes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

#include <windows.h>
#include <psapi.h>

#include "client/core/bar_record.h"
#include "e2e/e2e_support.h"
#include "interfaces/orvane_driver.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

constexpr double kHistoryBars = 2000;  // orvane-feed sim's default history

// Wine fills the working set from the process's resident size; it leaves the private bytes at 0.
struct MemorySample {
    double workingSet = 0;  // bytes
};

MemorySample sampleMemory(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    MemorySample sample;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        sample.workingSet = static_cast<double>(counters.WorkingSetSize);
    }
    return sample;
}

// The simulator as a child in its own process group, so that Ctrl+Break reaches it alone and it
// closes the writer as a user's Ctrl+C would.
class Simulator {
public:
    ~Simulator() { stop(); }

    bool start(const std::wstring& arguments)
    {
        const std::wstring exe = binDirectory() + L"orvane-feed.exe";
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                              nullptr, binDirectory().c_str(), &startup, &info_) != FALSE;
    }

    bool running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

    void stop()
    {
        if (!info_.hProcess)
            return;
        if (running()) {
            GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, info_.dwProcessId);
            if (WaitForSingleObject(info_.hProcess, 3000) != WAIT_OBJECT_0) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, 5000);
            }
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = PROCESS_INFORMATION{};
    }

private:
    PROCESS_INFORMATION info_{};
};

// The clock text of the chart's header, (200, 6) in an 18-pixel font.
bool clockAreaDiffers(const Capture& a, const Capture& b)
{
    if (!a.valid() || !b.valid() || a.width != b.width || a.height != b.height)
        return false;
    for (int y = 6; y < 26; ++y)
        for (int x = 200; x < 440; ++x)
            if (a.at(x, y) != b.at(x, y))
                return true;
    return false;
}

std::size_t countLines(const std::wstring& path)
{
    std::size_t lines = 0;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return 0;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        lines += static_cast<std::size_t>(std::count(buffer, buffer + got, '\n'));
    std::fclose(file);
    return lines;
}

int failures = 0;

void verdict(bool ok, const std::string& what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0, double d = 0)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 60;
    std::printf("orvane_soak: %d s of both programs on orvane-feed sim --rate 1000\n", seconds);

    for (const wchar_t* exe : {L"orvane-feed.exe", L"OrvaneWinClient.exe", L"OrvaneRateInfo.exe"}) {
        if (auto missing = missingExe(exe); !missing.empty()) {
            std::printf("FAIL %s\n", missing.c_str());
            return 1;
        }
    }

    Simulator simulator;
    if (!simulator.start(L"sim --rate 1000 --seed 20261208")) {
        std::printf("FAIL could not start orvane-feed (error %lu)\n", GetLastError());
        return 1;
    }
    // The chart refuses a feed without its timeframe: wait until the simulator has written the
    // symbol, timeframe and history.
    initSendticksMT5();
    const ULONGLONG readyBy = GetTickCount64() + 30000;
    while (!(gettimespanMT5() == 1 && *getsymbolcMT5() != '\0' && *iniReadLinesMT5() != '\0')) {
        if (GetTickCount64() > readyBy || !simulator.running()) {
            std::printf("FAIL the simulator did not publish its market\n");
            return 1;
        }
        Sleep(100);
    }

    Program chart;
    Program rateInfo;
    for (auto [program, exe, windowClass] : {std::tuple{&chart, L"OrvaneWinClient.exe", L"ORVANEWINCLIENT"},
                                             std::tuple{&rateInfo, L"OrvaneRateInfo.exe", L"ORVANERATEINFO"}}) {
        if (auto failure = launch(*program, exe, windowClass); !failure.empty()) {
            std::printf("FAIL %s\n", failure.c_str());
            return 1;
        }
    }

    // Let start-up settle (first paints, fonts, the indicator library) before the first sample.
    Sleep(5000);
    const MemorySample chartStart = sampleMemory(chart.process.handle());
    const MemorySample rateStart = sampleMemory(rateInfo.process.handle());
    const ULONGLONG started = GetTickCount64();

    // Meanwhile read the feed as a third reader, to see that ticks keep coming.
    unsigned long long ticksSeen = 0;
    std::string previous;
    while (GetTickCount64() - started < static_cast<ULONGLONG>(seconds) * 1000) {
        const std::string line = ReadLinesMT5();
        if (!line.empty() && line != previous) {
            ++ticksSeen;
            previous = line;
        }
        if (!chart.process.running() || !rateInfo.process.running() || !simulator.running())
            break;
        Sleep(5);
    }
    const double elapsed = static_cast<double>(GetTickCount64() - started) / 1000.0;

    verdict(simulator.running(), "the simulator ran to the end");
    verdict(chart.process.running(), "the chart ran to the end");
    verdict(rateInfo.process.running(), "the rate-info program ran to the end");
    verdict(ticksSeen > elapsed * 20, format("ticks kept coming: %.0f distinct lines seen by a third reader in %.0f s",
                                             static_cast<double>(ticksSeen), elapsed));

    if (chart.process.running()) {
        const MemorySample end = sampleMemory(chart.process.handle());
        std::printf("chart: working set %.1f -> %.1f MiB\n", chartStart.workingSet / kMiB, end.workingSet / kMiB);

        // The rate-info window stands over part of the chart's header: the screen shows the
        // chart's own pixels only while the chart is on top.
        SetWindowPos(chart.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Sleep(300);
        const Capture first = captureClient(chart.window);
        Sleep(1100);
        const Capture second = captureClient(chart.window);
        verdict(clockAreaDiffers(first, second), "the chart's header clock moved within a second");
        verdict(second.valid() && second.count(0, 0, second.width, second.height, RGB(204, 204, 221)) > 1000,
                "the chart still draws its frame (204,204,221)");

        // How many lines the chart keeps: everything it joined, saved through its own view.
        wchar_t tempDir[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, tempDir);
        const std::wstring path = std::wstring(tempDir) + L"orvane_soak_joined.csv";
        DeleteFileW(path.c_str());
        const std::string failure = saveTextView(chart, kAllJoinedView, path);
        verdict(failure.empty(), "ALL JOINED saved at the end " + failure);
        const double joined = static_cast<double>(countLines(path));
        DeleteFileW(path.c_str());
        const double received = std::max(0.0, joined - kHistoryBars);
        std::printf("chart: %.0f lines joined, %.0f live lines kept (%.0f per second)\n", joined, received,
                    received / elapsed);
        verdict(joined >= kHistoryBars + elapsed, "the chart kept taking in live lines");

        // Every kept live line is held twice (all joined lines and the received lines), each a
        // BarRecord in a vector that may hold twice its size, plus the heap blocks of its line and
        // time texts. Allow that, and a fixed 8 MiB for the heap's own moods.
        const double bytesPerLine = 2.0 * (2.0 * sizeof(BarRecord) + 96 + 48);
        const double allowed = 8 * kMiB + bytesPerLine * received;
        const double growth = end.workingSet - chartStart.workingSet;
        verdict(growth <= allowed, format("chart memory growth %.1f MiB within %.1f MiB (8 MiB + %.0f bytes x %.0f lines)",
                                          growth / kMiB, allowed / kMiB, bytesPerLine, received));
    }
    if (rateInfo.process.running()) {
        const MemorySample end = sampleMemory(rateInfo.process.handle());
        // The rate table keeps at most rowCount + 3 entries: nothing should grow with time.
        const double growth = end.workingSet - rateStart.workingSet;
        std::printf("rate-info: working set %.1f -> %.1f MiB\n", rateStart.workingSet / kMiB, end.workingSet / kMiB);
        verdict(growth <= 4 * kMiB, format("rate-info memory growth %.1f MiB within 4 MiB (bounded history)",
                                            growth / kMiB));
    }

    for (auto [program, name] : {std::pair{&chart, "the chart"}, std::pair{&rateInfo, "the rate-info program"}}) {
        if (!program->process.running())
            continue;
        DWORD code = 99;
        const bool ended = closeByCommand(*program, code);
        verdict(ended && code == 0, std::string(name) + " ended with exit code 0 after File > Close");
    }
    simulator.stop();
    deinitSendticksMT5();

    std::printf("orvane_soak: %s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
