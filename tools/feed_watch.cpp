#include "tools/feed_watch.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "feed/feed_core.h"
#include "feed/section_mapping.h"
#include "interfaces/feed_section.h"
#include "tools/feed_status.h"

namespace {

constexpr UINT kShiftJis = 932;

// NtQueryMutant tells whether a mutex is owned or abandoned without waiting on it: taking the
// writer lock even for a moment could make a writer that opens just then refuse to start.
struct MutantBasicInformation {
    LONG currentCount;  // 1 free, 0 or less owned
    BOOLEAN ownedByCaller;
    BOOLEAN abandoned;
};
using QueryMutant = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

QueryMutant queryMutant()
{
    static const QueryMutant query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<QueryMutant>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryMutant")))
                     : nullptr;
    }();
    return query;
}

WriterState writerState(DWORD processId)
{
    if (processId == 0)
        return WriterState::Closed;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return WriterState::Ended;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    if (ended)
        return WriterState::Ended;
    // The lock exists while some process holds a handle to it; a live writer always does.
    HANDLE lock = OpenMutexW(MUTANT_QUERY_STATE | SYNCHRONIZE, FALSE, kFeedWriterMutexName);
    if (!lock)
        return WriterState::Closed;
    WriterState state = WriterState::Alive;
    if (const QueryMutant query = queryMutant()) {
        MutantBasicInformation info{};
        ULONG length = 0;
        if (query(lock, 0, &info, sizeof info, &length) >= 0) {
            if (info.abandoned)
                state = WriterState::Abandoned;
            else if (info.currentCount > 0)
                state = WriterState::Closed;
        }
    }
    CloseHandle(lock);
    return state;
}

std::string shiftJisToUtf8(const std::string& text)
{
    bool ascii = true;
    for (const char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || text.size() > 0x7FFFFFFF)
        return text;
    const int wide = MultiByteToWideChar(kShiftJis, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0)
        return text;
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(kShiftJis, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The current history text, read from its own section; "" when there is none or it went away.
std::string historyText(const FeedMeta& meta)
{
    std::string text;
    if (meta.historyId == 0)
        return text;
    const SectionMapping history =
        SectionMapping::openExisting(std::wstring(kFeedHistoryNamePrefix) + std::to_wstring(meta.historyId));
    if (history.valid())
        readHistoryBlock(history.data(), history.size(), meta.historyId, meta.historyBytes, text);
    return text;
}

// A section being rebuilt reads as damaged for a moment: look a few times before saying so.
FeedSectionKind settledKind(const SectionMapping& section)
{
    FeedSectionKind kind = FeedSectionKind::Damaged;
    for (int attempt = 0; attempt < 5; ++attempt) {
        kind = classifyFeedSection(section.data(), section.size());
        if (kind == FeedSectionKind::Valid || kind == FeedSectionKind::Unwritten)
            return kind;
        Sleep(10);
    }
    return kind;
}

FeedStatus sampleStatus(const SectionMapping& section, bool withHistory)
{
    FeedStatus status;
    if (!section.valid())
        return status;
    status.kind = settledKind(section);
    if (status.kind == FeedSectionKind::Unwritten) {
        status.writer = WriterState::Unwritten;
        return status;
    }
    const auto counters = readFeedCounters(section.data(), section.size());
    const auto meta = readFeedMeta(section.data(), section.size());
    if (status.kind != FeedSectionKind::Valid || !counters || !meta) {
        status.writer = WriterState::Unreadable;
        if (status.kind == FeedSectionKind::Valid)
            status.kind = FeedSectionKind::Damaged;
        return status;
    }
    status.writer = writerState(counters->writerProcessId);
    status.processId = counters->writerProcessId;
    status.generation = counters->generation;
    status.symbol = shiftJisToUtf8(meta->symbol);
    status.timespan = meta->timespan;
    if (withHistory)
        status.historyLines = countHistoryLines(historyText(*meta));
    status.ticksByWriter = counters->tickCount - counters->generationFirstTick;
    status.ticksInSection = counters->tickCount;
    std::string line;
    for (int attempt = 0; attempt < 8 && status.ticksByWriter > 0; ++attempt) {
        const auto now = readFeedCounters(section.data(), section.size());
        if (now && now->tickCount > 0 && copyTickNumber(section.data(), section.size(), now->tickCount - 1, line) == TickCopy::Copied) {
            status.newest = shiftJisToUtf8(line);
            break;
        }
    }
    return status;
}

// Waits `millis` unless stopped; false when stopped.
bool pause(HANDLE stopEvent, DWORD millis)
{
    return WaitForSingleObject(stopEvent, millis) == WAIT_TIMEOUT;
}

bool writeText(std::FILE* out, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

std::string lostComment(std::uint64_t lost)
{
    return "# " + std::to_string(lost) + " lines lost here: the recorder fell more than " + std::to_string(kFeedRingSlots) +
           " lines behind the writer\n";
}

} // namespace

int runStatus(bool watch, HANDLE stopEvent)
{
    int code = 1;
    do {
        const auto started = std::chrono::steady_clock::now();
        // Opened, never created, and read-only: looking at the feed leaves the session as it was.
        const SectionMapping section = SectionMapping::openExisting(kFeedSectionName);
        FeedStatus status = sampleStatus(section, true);
        // The rate is what the writer really did over one second of wall-clock time.
        if (status.writer == WriterState::Alive) {
            const std::uint64_t before = status.ticksInSection;
            if (!pause(stopEvent, 1000))
                break;
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            const std::size_t history = status.historyLines;
            status = sampleStatus(section, false);
            status.historyLines = history;
            if (status.writer == WriterState::Alive && status.ticksInSection >= before)
                status.ticksPerSecond = static_cast<double>(status.ticksInSection - before) / seconds;
        }
        const std::string text = formatFeedStatus(status);
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (watch)
            std::fputc('\n', stdout);
        std::fflush(stdout);
        code = feedStatusExitCode(status);
        if (watch) {
            const auto spent = std::chrono::steady_clock::now() - started;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(1) - spent).count();
            if (!pause(stopEvent, static_cast<DWORD>(left > 0 ? left : 0)))
                break;
        }
    } while (watch);
    return code;
}

int runRecord(const std::wstring& file, HANDLE stopEvent)
{
    std::FILE* out = _wfopen(file.c_str(), L"wb");
    if (!out) {
        std::fputs("orvane-feed: cannot create the recording file\n", stderr);
        return 1;
    }
    std::fputs("orvane-feed: waiting for a feed writer\n", stderr);
    SectionMapping section;
    std::optional<FeedCounters> counters;
    std::optional<FeedMeta> meta;
    bool stopped = false;
    // A writer's header data is complete once it has written its history or its first tick
    // (both writers write symbol, timespan and history before any tick). Polled often, so that a
    // fast writer's first ticks are still in the ring; a generation whose writer is gone never
    // comes back (a new writer starts a new one), so it is asked about once only.
    std::optional<std::uint64_t> goneGeneration;
    for (;;) {
        if (section.valid() || (section = SectionMapping::openExisting(kFeedSectionName)).valid()) {
            counters = readFeedCounters(section.data(), section.size());
            meta = readFeedMeta(section.data(), section.size());
            if (counters && meta && counters->generation != goneGeneration &&
                (counters->tickCount > counters->generationFirstTick || meta->historyId != 0)) {
                if (writerState(counters->writerProcessId) == WriterState::Alive)
                    break;
                goneGeneration = counters->generation;
            }
        }
        if (!pause(stopEvent, 2)) {
            stopped = true;
            break;
        }
    }
    if (stopped) {
        std::fclose(out);
        std::fputs("orvane-feed: stopped before any writer came; nothing recorded\n", stderr);
        return 0;
    }

    TickFollower follower;
    startFollowing(section.data(), section.size(), follower);
    const DWORD writerProcess = counters->writerProcessId;
    const std::string history = historyText(*meta);
    std::string head;
    if (!meta->symbol.empty())
        head += "#symbol " + shiftJisToUtf8(meta->symbol) + "\n";
    head += "#timespan " + std::to_string(meta->timespan) + "\n";
    std::size_t historyLines = 0;
    for (std::size_t start = 0; start < history.size();) {
        std::size_t end = history.find('\n', start);
        if (end == std::string::npos)
            end = history.size();
        if (end > start) {
            head += shiftJisToUtf8(history.substr(start, end - start)) + "\n";
            ++historyLines;
        }
        start = end + 1;
    }
    head += "#live\n";
    if (follower.next > counters->generationFirstTick)
        head += "# the writer had written " + std::to_string(follower.next - counters->generationFirstTick) +
                " lines before this recording began\n";
    bool good = writeText(out, head) && std::fflush(out) == 0;
    std::printf("orvane-feed: recording %s (process %lu), %zu history lines\n", shiftJisToUtf8(meta->symbol).c_str(),
                static_cast<unsigned long>(writerProcess), historyLines);
    std::fflush(stdout);

    std::uint64_t recorded = 0;
    std::uint64_t lost = 0;
    const char* why = "stopped";
    std::vector<FollowedTick> ticks;
    auto lastCheck = std::chrono::steady_clock::now();
    bool writerGone = false;
    for (;;) {
        // After the writer is gone (or on Ctrl+C), one last pass takes what it wrote before.
        const bool last = writerGone || WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0;
        ticks.clear();
        FollowResult result = FollowResult::Following;
        std::string batch;
        do {
            ticks.clear();
            result = followTicks(section.data(), section.size(), follower, 4096, ticks);
            for (const FollowedTick& tick : ticks) {
                if (tick.lostBefore) {
                    lost += tick.lostBefore;
                    batch += lostComment(tick.lostBefore);
                    std::fprintf(stderr, "orvane-feed: fell behind the writer, %llu lines lost\n",
                                 static_cast<unsigned long long>(tick.lostBefore));
                }
                batch += shiftJisToUtf8(tick.line);
                batch += '\n';
            }
            recorded += ticks.size();
        } while (ticks.size() == 4096 && result == FollowResult::Following);
        const bool idle = batch.empty();
        if (!idle)
            good = writeText(out, batch) && std::fflush(out) == 0 && good;
        if (result == FollowResult::GenerationEnded) {
            why = "a new writer started";
            break;
        }
        if (result == FollowResult::Invalid) {
            why = "the feed section became unreadable";
            break;
        }
        if (last)
            break;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastCheck >= std::chrono::milliseconds(50)) {
            lastCheck = now;
            const WriterState state = writerState(writerProcess);
            if (state != WriterState::Alive) {
                writerGone = true;
                why = state == WriterState::Closed ? "the writer closed" : "the writer's process ended";
                continue;
            }
        }
        if (idle)
            Sleep(1);
    }
    if (follower.pendingLost) {
        lost += follower.pendingLost;
        good = writeText(out, lostComment(follower.pendingLost)) && good;
    }
    good = std::fclose(out) == 0 && good;
    std::printf("orvane-feed: recorded %llu live lines (%s)\n", static_cast<unsigned long long>(recorded), why);
    std::fflush(stdout);
    if (lost)
        std::fprintf(stderr, "orvane-feed: %llu lines lost in all\n", static_cast<unsigned long long>(lost));
    if (!good)
        std::fputs("orvane-feed: writing the recording failed\n", stderr);
    return good && lost == 0 ? 0 : 1;
}
