// OrvaneDriverDLL: the Win32 side of the feed. It maps the named sections and hands their bytes to
// feed_core, which does all the reading and writing; this file only owns handles and per-process
// state. The reader side starts no thread and never waits: a poll is a few atomic loads and one
// copy of at most 256 bytes.
#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "feed/feed_core.h"
#include "feed/section_mapping.h"
#include "interfaces/feed_section.h"
#include "interfaces/orvane_driver.h"

namespace {

constexpr UINT kShiftJis = 932;


std::optional<std::string> toShiftJis(const wchar_t* text, std::size_t maxBytes)
{
    if (!text)
        return std::nullopt;
    const std::size_t length = std::wcslen(text);
    if (length == 0)
        return std::string();
    if (length > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    const int needed = WideCharToMultiByte(kShiftJis, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || static_cast<std::size_t>(needed) > maxBytes)
        return std::nullopt;
    std::string converted(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(kShiftJis, 0, text, static_cast<int>(length), converted.data(), needed, nullptr, nullptr) != needed)
        return std::nullopt;
    return converted;
}

// ---- reader side: one instance per process -----------------------------------------------------

struct ReaderState {
    SectionMapping section;
    ReaderPosition position;
    bool delivering = false;
    // One buffer per export: a returned text stays valid until the next call of the same export.
    std::string tickText;
    std::string historyText;
    std::string symbolText;
};

ReaderState& reader()
{
    static ReaderState state;
    return state;
}

// The section, mapped read-only: nothing a reader does can damage what other readers see.
const SectionMapping& readerSection()
{
    ReaderState& state = reader();
    if (!state.section.valid())
        state.section = SectionMapping::openOrCreate(kFeedSectionName, sizeof(FeedSection), false);
    return state.section;
}

std::optional<FeedMeta> readerMeta()
{
    const SectionMapping& section = readerSection();
    if (!section.valid())
        return std::nullopt;
    return readFeedMeta(section.data(), section.size());
}

// ---- writer side -------------------------------------------------------------------------------

struct WriterState {
    std::mutex lock;  // every EA of a terminal shares this one loaded copy, each on its own thread
    HANDLE mutex = nullptr;
    bool owner = false;
    // A mutex belongs to a thread: the thread that opened the writer is the only one that may
    // write or close. Its handle keeps the id from being reused and tells when the thread ended.
    DWORD ownerThread = 0;
    HANDLE ownerThreadHandle = nullptr;
    SectionMapping section;
    SectionMapping history;
};

// Why the calling thread's last openFeedWriterMT5 was refused (FeedWriterRefusal).
thread_local int lastRefusal = 0;

WriterState& writer()
{
    static WriterState state;
    return state;
}

void releaseWriter(WriterState& state)
{
    if (state.owner && state.section.valid())
        publishHistory(state.section.data(), 0, 0);  // its history section ends with this handle
    state.history.reset();
    state.section.reset();
    if (state.mutex) {
        if (state.owner)
            ReleaseMutex(state.mutex);
        CloseHandle(state.mutex);
    }
    state.mutex = nullptr;
    state.owner = false;
    state.ownerThread = 0;
    if (state.ownerThreadHandle)
        CloseHandle(state.ownerThreadHandle);
    state.ownerThreadHandle = nullptr;
}

bool callerIsWriter(const WriterState& state)
{
    return state.owner && state.ownerThread == GetCurrentThreadId();
}

// An EA thread that ended without closing leaves the writer to whoever opens next, as a process
// that ended does (its mutex is abandoned).
bool writerThreadEnded(const WriterState& state)
{
    return state.ownerThreadHandle && WaitForSingleObject(state.ownerThreadHandle, 0) == WAIT_OBJECT_0;
}

int refuse(int reason)
{
    lastRefusal = reason;
    return 0;
}

std::wstring historyName(std::uint64_t id)
{
    return std::wstring(kFeedHistoryNamePrefix) + std::to_wstring(id);
}

} // namespace

extern "C" {

int initSendticksMT5(void) noexcept
{
    try {
        ReaderState& state = reader();
        const SectionMapping& section = readerSection();
        state.delivering = true;
        state.position = ReaderPosition{};
        if (section.valid())
            placeAtNewestTick(section.data(), section.size(), state.position);
        return 1;
    } catch (...) {
        return 1;
    }
}

const char* iniReadLinesMT5(void) noexcept
{
    ReaderState& state = reader();
    try {
        state.historyText.clear();
        const auto meta = readerMeta();
        if (!meta || meta->historyId == 0)
            return state.historyText.c_str();
        const SectionMapping history = SectionMapping::openExisting(historyName(meta->historyId));
        if (history.valid() && !readHistoryBlock(history.data(), history.size(), meta->historyId, meta->historyBytes, state.historyText))
            state.historyText.clear();
        return state.historyText.c_str();
    } catch (...) {
        state.historyText.clear();
        state.historyText.shrink_to_fit();
        return "";
    }
}

int gettimespanMT5(void) noexcept
{
    try {
        const auto meta = readerMeta();
        return meta ? meta->timespan : 0;
    } catch (...) {
        return 0;
    }
}

const char* getsymbolcMT5(void) noexcept
{
    ReaderState& state = reader();
    try {
        const auto meta = readerMeta();
        state.symbolText = meta ? meta->symbol : std::string();
        return state.symbolText.c_str();
    } catch (...) {
        return "";
    }
}

const char* ReadLinesMT5(void) noexcept
{
    ReaderState& state = reader();
    try {
        const SectionMapping& section = state.delivering ? readerSection() : state.section;
        if (!state.delivering || !section.valid() || !readNextTick(section.data(), section.size(), state.position, state.tickText))
            state.tickText.clear();
        return state.tickText.c_str();
    } catch (...) {
        return "";
    }
}

int deinitSendticksMT5(void) noexcept
{
    ReaderState& state = reader();
    state.delivering = false;
    state.position = ReaderPosition{};
    state.section.reset();
    return 1;
}

int openFeedWriterMT5(void) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        lastRefusal = kFeedWriterNotRefused;
        if (state.owner && !callerIsWriter(state) && !writerThreadEnded(state))
            return refuse(kFeedWriterRefusedThisProcess);
        // The same thread opening again (an EA initialised anew without closing) starts afresh.
        // For an ended owner thread ReleaseMutex fails harmlessly: the system has abandoned it.
        releaseWriter(state);
        state.mutex = CreateMutexW(nullptr, FALSE, kFeedWriterMutexName);
        if (!state.mutex)
            return refuse(kFeedWriterRefusedSystem);
        const DWORD wait = WaitForSingleObject(state.mutex, 0);
        // WAIT_ABANDONED: the previous writer's thread ended without closing; it is gone, take over.
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
            CloseHandle(state.mutex);
            state.mutex = nullptr;
            return refuse(wait == WAIT_TIMEOUT ? kFeedWriterRefusedOtherProcess : kFeedWriterRefusedSystem);
        }
        state.owner = true;
        state.ownerThread = GetCurrentThreadId();
        state.ownerThreadHandle = OpenThread(SYNCHRONIZE, FALSE, state.ownerThread);
        state.section = SectionMapping::openOrCreate(kFeedSectionName, sizeof(FeedSection), true);
        if (!state.ownerThreadHandle || !state.section.valid() || state.section.size() < sizeof(FeedSection)) {
            releaseWriter(state);
            return refuse(kFeedWriterRefusedSystem);
        }
        beginWriterGeneration(state.section.data(), state.section.size(), GetCurrentProcessId());
        return 1;
    } catch (...) {
        return refuse(kFeedWriterRefusedSystem);
    }
}

int writeSymbolMT5(const wchar_t* symbol) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        if (!callerIsWriter(state))
            return 0;
        const auto converted = toShiftJis(symbol, kFeedMaxSymbolBytes);
        return converted && publishSymbol(state.section.data(), *converted) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int writeTimespanMT5(int minutes) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        if (!callerIsWriter(state))
            return 0;
        publishTimespan(state.section.data(), minutes);
        return 1;
    } catch (...) {
        return 0;
    }
}

int writeHistoryMT5(const wchar_t* lines) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        if (!callerIsWriter(state))
            return 0;
        const auto converted = toShiftJis(lines, static_cast<std::size_t>(kFeedMaxHistoryBytes));
        if (!converted)
            return 0;
        if (converted->empty()) {
            publishHistory(state.section.data(), 0, 0);
            state.history.reset();
            return 1;
        }
        // Each history gets a section of its own, so a reader copying the old one is never
        // disturbed and the size always fits. A name still held by some reader is skipped.
        for (int attempt = 0; attempt < 8; ++attempt) {
            const std::uint64_t id = takeHistoryId(state.section.data());
            SectionMapping history = SectionMapping::openOrCreate(historyName(id), historyBlockSize(converted->size()), true);
            if (!history.valid())
                return 0;
            if (!history.created() || history.size() < historyBlockSize(converted->size()))
                continue;
            writeHistoryBlock(history.data(), id, *converted);
            history.unmap();
            publishHistory(state.section.data(), id, converted->size());
            state.history = std::move(history);
            return 1;
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

int writeTickMT5(const wchar_t* line) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        if (!callerIsWriter(state))
            return 0;
        const auto converted = toShiftJis(line, kFeedMaxTickBytes);
        return converted && publishTick(state.section.data(), *converted) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int closeFeedWriterMT5(void) noexcept
{
    try {
        WriterState& state = writer();
        std::lock_guard hold(state.lock);
        // Another EA of this terminal, refused at its OnInit, still runs OnDeinit: its close must
        // leave the live writer alone.
        if (!callerIsWriter(state))
            return 0;
        releaseWriter(state);
        return 1;
    } catch (...) {
        return 0;
    }
}

int feedWriterRefusalMT5(void) noexcept
{
    return lastRefusal;
}

} // extern "C"
