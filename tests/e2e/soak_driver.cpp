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

struct MemorySample {
    double workingSet = 0;  // bytes
    double privateBytes = 0;
};

MemorySample sampleMemory(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    MemorySample sample;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        sample.workingSet = static_cast<double>(counters.WorkingSetSize);
        sample.privateBytes = static_cast<double>(counters.PrivateUsage);
    }
    return sample;
}

double cpuSeconds(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
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
    const double chartCpuStart = cpuSeconds(chart.process.handle());
    const double rateCpuStart = cpuSeconds(rateInfo.process.handle());
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
        const double cpu = cpuSeconds(chart.process.handle()) - chartCpuStart;
        // Every accepted live line is kept twice (all joined lines and received lines), each a
        // BarRecord in a vector that may hold twice its size, plus the heap blocks of its line
        // and time texts. A refresh takes in at most one line, and the refresh runs every 10 ms.
        const double bytesPerLine = 2.0 * (2.0 * sizeof(BarRecord) + 96 + 48);
        const double linesAtMost = elapsed * 100.0 * 1.2;
        const double allowed = 32 * kMiB + bytesPerLine * linesAtMost;
        const double growth = std::max(end.workingSet - chartStart.workingSet, end.privateBytes - chartStart.privateBytes);
        std::printf("chart: working set %.1f -> %.1f MiB, private %.1f -> %.1f MiB\n", chartStart.workingSet / kMiB,
                    end.workingSet / kMiB, chartStart.privateBytes / kMiB, end.privateBytes / kMiB);
        std::printf("chart: CPU %.1f s in %.0f s = %.0f %% of one core\n", cpu, elapsed, 100.0 * cpu / elapsed);
        verdict(growth <= allowed,
                format("chart memory growth %.1f MiB within %.1f MiB (32 MiB + %.0f bytes x %.0f lines at most)",
                       growth / kMiB, allowed / kMiB, bytesPerLine, linesAtMost));

        const Capture first = captureClient(chart.window);
        Sleep(1100);
        const Capture second = captureClient(chart.window);
        verdict(clockAreaDiffers(first, second), "the chart's header clock moved within a second");
        verdict(second.valid() && second.count(0, 0, second.width, second.height, RGB(204, 204, 221)) > 1000,
                "the chart still draws its frame (204,204,221)");
    }
    if (rateInfo.process.running()) {
        const MemorySample end = sampleMemory(rateInfo.process.handle());
        const double cpu = cpuSeconds(rateInfo.process.handle()) - rateCpuStart;
        // The rate table keeps at most rowCount + 3 entries: nothing should grow with time.
        const double growth = std::max(end.workingSet - rateStart.workingSet, end.privateBytes - rateStart.privateBytes);
        std::printf("rate-info: working set %.1f -> %.1f MiB, private %.1f -> %.1f MiB\n", rateStart.workingSet / kMiB,
                    end.workingSet / kMiB, rateStart.privateBytes / kMiB, end.privateBytes / kMiB);
        std::printf("rate-info: CPU %.1f s in %.0f s = %.0f %% of one core\n", cpu, elapsed, 100.0 * cpu / elapsed);
        verdict(growth <= 16 * kMiB, format("rate-info memory growth %.1f MiB within 16 MiB (bounded history)",
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
