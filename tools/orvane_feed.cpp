// orvane-feed: writes a feed through OrvaneDriverDLL's writer exports, for running the programs
// without a trading terminal.
//
//   orvane-feed sim [--symbol S] [--seed N] [--history-bars N] [--rate R] [--timespan N]
//                   [--start "YYYY/MM/DD hh:mm"] [--ticks N] [--echo]
//   orvane-feed replay FILE [--speed X] [--symbol S] [--timespan N] [--echo]
//   (FILE "-" reads standard input and writes each live line as it arrives)
//
// Prints "orvane-feed: ready ..." once symbol, timespan and history are written. Ctrl+C, closing
// the console, the end of the replay file or --ticks N closes the writer and ends the program.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "interfaces/orvane_driver.h"
#include "tools/market_sim.h"
#include "tools/replay_script.h"

namespace {

HANDLE stopEvent = nullptr;
HANDLE doneEvent = nullptr;

BOOL WINAPI onConsoleControl(DWORD type)
{
    SetEvent(stopEvent);
    // Closing the console ends the process when this handler returns: let the writer close first.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(doneEvent, 3000);
    return TRUE;
}

struct Options {
    std::wstring mode;
    std::wstring file;
    std::wstring symbol;
    bool symbolGiven = false;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    int historyBars = 2000;
    double rate = 4.0;
    int timespan = 1;
    bool timespanGiven = false;
    double speed = 1.0;
    std::optional<CivilTime> start;
    long long ticks = -1;
    bool echo = false;
};

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), needed);
    return wide;
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), needed, nullptr, nullptr);
    return out;
}

void printUsage()
{
    std::fputs("usage: orvane-feed sim [--symbol S] [--seed N] [--history-bars N] [--rate R] [--timespan N]\n"
               "                       [--start \"YYYY/MM/DD hh:mm\"] [--ticks N] [--echo]\n"
               "       orvane-feed replay FILE [--speed X] [--symbol S] [--timespan N] [--echo]\n",
               stderr);
}

bool parseOptions(int argc, wchar_t** argv, Options& options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    int i = 2;
    if (options.mode == L"replay") {
        if (argc < 3)
            return false;
        options.file = argv[2];
        i = 3;
    } else if (options.mode != L"sim") {
        return false;
    }
    try {
        for (; i < argc; ++i) {
            const std::wstring name = argv[i];
            if (name == L"--echo") {
                options.echo = true;
                continue;
            }
            if (i + 1 >= argc)
                return false;
            const std::wstring value = argv[++i];
            if (name == L"--symbol") {
                options.symbol = value;
                options.symbolGiven = true;
            } else if (name == L"--seed") {
                options.seed = std::stoull(value);
                options.seedGiven = true;
            } else if (name == L"--history-bars") {
                options.historyBars = std::stoi(value);
            } else if (name == L"--rate") {
                options.rate = std::stod(value);
            } else if (name == L"--timespan") {
                options.timespan = std::stoi(value);
                options.timespanGiven = true;
            } else if (name == L"--speed") {
                options.speed = std::stod(value);
            } else if (name == L"--ticks") {
                options.ticks = std::stoll(value);
            } else if (name == L"--start") {
                CivilTime start;
                if (!parseStartTime(narrow(value), start))
                    return false;
                options.start = start;
            } else {
                return false;
            }
        }
    } catch (const std::exception&) {
        return false;
    }
    return options.historyBars >= 0 && options.rate > 0;
}

LocalMillis localNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return toLocalMillis(CivilTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}

// Waits `millis` or until Ctrl+C; false when stopped.
bool pause(long long millis)
{
    return WaitForSingleObject(stopEvent, static_cast<DWORD>(millis > 0 ? millis : 0)) == WAIT_TIMEOUT;
}

void echoLine(const Options& options, const std::string& line)
{
    if (options.echo) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

bool writeHeaderData(const Options& options, const std::wstring& symbol, int timespan, const std::vector<std::string>& history)
{
    std::string joined;
    for (std::size_t i = 0; i < history.size(); ++i) {
        if (i)
            joined.push_back('\n');
        joined += history[i];
    }
    if (!writeSymbolMT5(symbol.c_str()) || !writeTimespanMT5(timespan) || !writeHistoryMT5(fromUtf8(joined).c_str())) {
        std::fputs("orvane-feed: writing symbol, timespan or history failed\n", stderr);
        return false;
    }
    for (const auto& line : history)
        echoLine(options, line);
    std::printf("orvane-feed: ready, symbol %s, timespan %d, %zu history lines\n", toUtf8(symbol).c_str(), timespan,
                history.size());
    std::fflush(stdout);
    return true;
}

bool writeLive(const Options& options, const std::string& line)
{
    if (!writeTickMT5(fromUtf8(line).c_str())) {
        std::fprintf(stderr, "orvane-feed: tick refused (longer than 255 bytes?): %s\n", line.c_str());
        return false;
    }
    echoLine(options, line);
    return true;
}

int runSim(const Options& options)
{
    const LocalMillis start = options.start ? toLocalMillis(*options.start) : localNow();
    const std::uint64_t seed =
        options.seedGiven ? options.seed : static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    MarketSimulator market(seed, start, options.rate);
    const std::wstring symbol = options.symbolGiven ? options.symbol : L"SIM-USDJPY";
    if (!writeHeaderData(options, symbol, options.timespan, market.historyLines(options.historyBars)))
        return 1;
    // Ticks keep the simulated clock in step with the real one from the moment the run started.
    const auto runStart = std::chrono::steady_clock::now();
    for (long long written = 0; options.ticks < 0 || written < options.ticks; ++written) {
        const SimulatedTick tick = market.nextTick();
        const auto due = runStart + std::chrono::milliseconds(tick.time - start);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
        if (!pause(wait.count()))
            break;
        writeLive(options, tick.line);
    }
    return 0;
}

std::string withoutLineEnd(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

// `replay -`: the same format from standard input, each live line written as soon as it arrives
// (a pipe sets the pace); the end of input closes the writer.
int runReplayStream(const Options& options)
{
    std::string text;
    std::string raw;
    bool live = false;
    char buffer[4096];
    while (!live && std::fgets(buffer, sizeof buffer, stdin)) {
        raw = withoutLineEnd(buffer);
        if (raw == "#live")
            live = true;
        else
            text += raw + "\n";
    }
    const ReplayScript script = parseReplayScript(text);
    const std::wstring symbol = options.symbolGiven ? options.symbol : fromUtf8(script.symbol.value_or("REPLAY"));
    const int timespan = options.timespanGiven ? options.timespan : script.timespan.value_or(1);
    if (!writeHeaderData(options, symbol, timespan, script.history))
        return 1;
    while (live && WaitForSingleObject(stopEvent, 0) == WAIT_TIMEOUT && std::fgets(buffer, sizeof buffer, stdin)) {
        const std::string line = withoutLineEnd(buffer);
        if (!line.empty() && line.front() != '#')
            writeLive(options, line);
    }
    return 0;
}

int runReplay(const Options& options)
{
    if (options.file == L"-")
        return runReplayStream(options);
    std::ifstream file(options.file.c_str(), std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "orvane-feed: cannot open %s\n", toUtf8(options.file).c_str());
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const ReplayScript script = parseReplayScript(text);
    const std::wstring symbol = options.symbolGiven ? options.symbol : fromUtf8(script.symbol.value_or("REPLAY"));
    const int timespan = options.timespanGiven ? options.timespan : script.timespan.value_or(1);
    if (!writeHeaderData(options, symbol, timespan, script.history))
        return 1;
    for (std::size_t i = 0; i < script.live.size(); ++i) {
        if (i > 0 && !pause(replayGapMillis(script.live[i - 1], script.live[i], options.speed)))
            break;
        writeLive(options, script.live[i]);
    }
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    if (!argv || !parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }
    LocalFree(argv);
    // Plain "\n" line ends, so that the echoed lines are the very bytes written to the feed.
    _setmode(_fileno(stdout), _O_BINARY);
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    if (!openFeedWriterMT5()) {
        std::fputs("orvane-feed: another feed writer is running\n", stderr);
        return 1;
    }
    int result = 1;
    try {
        result = options.mode == L"sim" ? runSim(options) : runReplay(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvane-feed: %s\n", error.what());
    }
    closeFeedWriterMT5();
    std::fputs("orvane-feed: writer closed\n", stderr);
    SetEvent(doneEvent);
    return result;
}
