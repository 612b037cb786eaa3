// orvane-feed: writes a feed through OrvaneDriverDLL's writer exports, for running the programs
// without a trading terminal, and reads it from outside to see what it holds.
//
//   orvane-feed sim [--symbol S] [--seed N] [--history-bars N] [--rate R] [--timespan N]
//                   [--start "YYYY/MM/DD hh:mm"] [--ticks N] [--echo]
//   orvane-feed replay FILE [--history BARS] [--from "YYYY/MM/DD hh:mm"] [--speed X] [--symbol S]
//                      [--timespan N] [--echo]
//   (FILE is a replay file or the terminal's tick export, BARS its bar export; FILE "-" reads a
//   replay file from standard input and writes each live line as it arrives)
//   orvane-feed status [--watch]
//   orvane-feed record FILE
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
#include "tools/feed_watch.h"
#include "tools/market_sim.h"
#include "tools/mt5_export.h"
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
    std::wstring historyFile;
    std::optional<CivilTime> from;
    bool watch = false;
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
               "       orvane-feed replay FILE [--history BARS] [--from \"YYYY/MM/DD hh:mm\"] [--speed X] [--symbol S]\n"
               "                          [--timespan N] [--echo]\n"
               "       orvane-feed status [--watch]\n"
               "       orvane-feed record FILE\n",
               stderr);
}

bool parseOptions(int argc, wchar_t** argv, Options& options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    int i = 2;
    if (options.mode == L"replay" || options.mode == L"record") {
        if (argc < 3)
            return false;
        options.file = argv[2];
        i = 3;
        if (options.mode == L"record")
            return argc == 3;
    } else if (options.mode == L"status") {
        options.watch = argc == 3 && std::wstring(argv[2]) == L"--watch";
        return argc == 2 || options.watch;
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
            } else if (name == L"--history" && options.mode == L"replay") {
                options.historyFile = value;
            } else if (name == L"--from" && options.mode == L"replay") {
                CivilTime from;
                if (!parseStartTime(narrow(value), from))
                    return false;
                options.from = from;
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

// What a replay writes, worked out in full before the writer opens: a file that does not parse
// writes nothing to the feed.
struct ReplayPlan {
    std::wstring symbol;
    int timespan = 1;
    std::vector<std::string> history;
    std::vector<std::string> live;
    std::vector<double> due;  // exports only: when each live line is due, ms after the first
    bool byTickTimes = false;
};

bool readBytes(const std::wstring& path, std::string& bytes)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "orvane-feed: cannot open %s\n", toUtf8(path).c_str());
        return false;
    }
    bytes.assign((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return true;
}

void reportExportError(const std::wstring& path, const ExportError& error)
{
    std::fprintf(stderr, "orvane-feed: %s:%zu: %s\n", toUtf8(path).c_str(), error.line, error.message.c_str());
}

// 0 with `plan` filled, else the exit code (1 a file that cannot be read or parsed, 2 usage).
int prepareReplay(const Options& options, ReplayPlan& plan)
{
    std::string bytes;
    if (!readBytes(options.file, bytes))
        return 1;
    const std::string text = decodeExportText(bytes);
    const ExportKind kind = exportKind(text);
    plan.timespan = options.timespanGiven ? options.timespan : 1;
    if (kind == ExportKind::NotExport) {
        if (!options.historyFile.empty() || options.from) {
            std::fputs("orvane-feed: --history and --from go with the terminal's tick export\n", stderr);
            return 2;
        }
        ReplayScript script = parseReplayScript(text);
        plan.symbol = options.symbolGiven ? options.symbol : fromUtf8(script.symbol.value_or("REPLAY"));
        plan.timespan = options.timespanGiven ? options.timespan : script.timespan.value_or(1);
        plan.history = std::move(script.history);
        plan.live = std::move(script.live);
        return 0;
    }
    if (kind == ExportKind::Bars) {
        std::fprintf(stderr, "orvane-feed: %s is a bar export: give it with --history, after the tick export\n",
                     toUtf8(options.file).c_str());
        return 2;
    }
    TickExport ticks;
    if (const auto error = parseTickExport(text, ticks)) {
        reportExportError(options.file, *error);
        return 1;
    }
    BarExport bars;
    if (!options.historyFile.empty()) {
        std::string barBytes;
        if (!readBytes(options.historyFile, barBytes))
            return 1;
        if (const auto error = parseBarExport(decodeExportText(barBytes), bars)) {
            reportExportError(options.historyFile, *error);
            return 1;
        }
    }
    const std::optional<LocalMillis> from = options.from ? std::optional<LocalMillis>(toLocalMillis(*options.from)) : std::nullopt;
    ExportReplay replay = buildExportReplay(ticks, options.historyFile.empty() ? nullptr : &bars, from);
    const std::string symbol = symbolFromFileName(toUtf8(options.file));
    plan.symbol = options.symbolGiven ? options.symbol : fromUtf8(symbol.empty() ? std::string("REPLAY") : symbol);
    plan.history = std::move(replay.history);
    plan.live = std::move(replay.live);
    plan.due = liveSchedule(replay.liveTimes, options.speed);
    plan.byTickTimes = true;
    std::fprintf(stderr, "orvane-feed: %zu ticks (%zu ask-only rows skipped): %zu history lines, %zu live\n",
                 ticks.ticks.size(), ticks.askOnlyRows, plan.history.size(), plan.live.size());
    return 0;
}

int runReplay(const Options& options, const ReplayPlan& plan)
{
    if (!writeHeaderData(options, plan.symbol, plan.timespan, plan.history))
        return 1;
    if (!plan.byTickTimes) {
        for (std::size_t i = 0; i < plan.live.size(); ++i) {
            if (i > 0 && !pause(replayGapMillis(plan.live[i - 1], plan.live[i], options.speed)))
                break;
            writeLive(options, plan.live[i]);
        }
        return 0;
    }
    // Every line is due at its own time after the start, so waits shorter than a millisecond
    // are not lost and a fast replay keeps its pace.
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < plan.live.size(); ++i) {
        const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     std::chrono::duration<double, std::milli>(plan.due[i]));
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now()).count();
        if ((wait > 0 || i % 64 == 0) && !pause(wait))
            break;
        writeLive(options, plan.live[i]);
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
    if (options.mode == L"status")
        return runStatus(options.watch, stopEvent);
    if (options.mode == L"record") {
        const int recorded = runRecord(options.file, stopEvent);
        SetEvent(doneEvent);
        return recorded;
    }
    ReplayPlan plan;
    if (options.mode == L"replay" && options.file != L"-") {
        if (const int refused = prepareReplay(options, plan))
            return refused;
    }
    if (!openFeedWriterMT5()) {
        std::fputs("orvane-feed: another feed writer is running\n", stderr);
        return 1;
    }
    int result = 1;
    try {
        if (options.mode == L"sim")
            result = runSim(options);
        else
            result = options.file == L"-" ? runReplayStream(options) : runReplay(options, plan);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvane-feed: %s\n", error.what());
    }
    closeFeedWriterMT5();
    std::fputs("orvane-feed: writer closed\n", stderr);
    SetEvent(doneEvent);
    return result;
}
