#include "feed/feed_core.h"

#include <atomic>
#include <cstring>

namespace {

// Every shared word is touched only through these, so that a reader racing the writer (in another
// process) never performs a plain load that the writer is storing to at the same time.
std::uint64_t loadWord(const std::byte* data, std::size_t offset, std::memory_order order = std::memory_order_relaxed)
{
    auto* word = reinterpret_cast<std::uint64_t*>(const_cast<std::byte*>(data + offset));
    return std::atomic_ref<std::uint64_t>(*word).load(order);
}

void storeWord(std::byte* data, std::size_t offset, std::uint64_t value, std::memory_order order = std::memory_order_relaxed)
{
    std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(data + offset)).store(value, order);
}

void loadWords(const std::byte* data, std::size_t offset, void* out, std::size_t words)
{
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint64_t word = loadWord(data, offset + i * 8);
        std::memcpy(static_cast<char*>(out) + i * 8, &word, 8);
    }
}

void storeWords(std::byte* data, std::size_t offset, const void* in, std::size_t words)
{
    for (std::size_t i = 0; i < words; ++i) {
        std::uint64_t word;
        std::memcpy(&word, static_cast<const char*>(in) + i * 8, 8);
        storeWord(data, offset + i * 8, word);
    }
}

std::uint32_t lowHalf(std::uint64_t word) { return static_cast<std::uint32_t>(word & 0xFFFFFFFFu); }
std::uint32_t highHalf(std::uint64_t word) { return static_cast<std::uint32_t>(word >> 32); }
std::uint64_t joinHalves(std::uint32_t low, std::uint32_t high) { return low | (static_cast<std::uint64_t>(high) << 32); }

constexpr std::size_t kMagicWord = offsetof(FeedHeader, magic);              // magic | version
constexpr std::size_t kShapeWord = offsetof(FeedHeader, headerBytes);        // headerBytes | ringSlots
constexpr std::size_t kSlotWord = offsetof(FeedHeader, slotBytes);           // slotBytes | writerProcessId
constexpr std::size_t kGeneration = offsetof(FeedHeader, generation);
constexpr std::size_t kMetaSequence = offsetof(FeedHeader, metaSequence);
constexpr std::size_t kTickCount = offsetof(FeedHeader, tickCount);
constexpr std::size_t kFirstTick = offsetof(FeedHeader, generationFirstTick);
constexpr std::size_t kTimespanWord = offsetof(FeedHeader, timespan);        // timespan | symbolBytes
constexpr std::size_t kSymbol = offsetof(FeedHeader, symbol);
constexpr std::size_t kHistoryId = offsetof(FeedHeader, historyId);
constexpr std::size_t kHistoryBytes = offsetof(FeedHeader, historyBytes);
constexpr std::size_t kHistorySerial = offsetof(FeedHeader, historySerial);
constexpr std::size_t kSymbolWords = (kFeedMaxSymbolBytes + 1) / 8;
constexpr std::size_t kTickTextWords = (kFeedMaxTickBytes + 1) / 8;

static_assert(offsetof(FeedHeader, version) == kMagicWord + 4);
static_assert(offsetof(FeedHeader, ringSlots) == kShapeWord + 4);
static_assert(offsetof(FeedHeader, writerProcessId) == kSlotWord + 4);
static_assert(offsetof(FeedHeader, symbolBytes) == kTimespanWord + 4);

// A writer changes each guarded group in well under a microsecond; a reader that still sees it
// changing after this many copies gives up for this call instead of waiting.
constexpr int kCopyAttempts = 16;

std::size_t slotOffset(std::uint64_t tickNumber)
{
    return offsetof(FeedSection, ring) + static_cast<std::size_t>(tickNumber % kFeedRingSlots) * sizeof(FeedTickSlot);
}

struct TickFrame {
    std::uint64_t generation;
    std::uint64_t firstTick;
    std::uint64_t count;
};

std::optional<TickFrame> readTickFrame(const std::byte* data, std::size_t size)
{
    if (!feedSectionValid(data, size))
        return std::nullopt;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const std::uint64_t before = loadWord(data, kMetaSequence, std::memory_order_acquire);
        if (before & 1)
            continue;
        TickFrame frame;
        frame.generation = loadWord(data, kGeneration);
        frame.firstTick = loadWord(data, kFirstTick);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (loadWord(data, kMetaSequence) != before)
            continue;
        frame.count = loadWord(data, kTickCount, std::memory_order_acquire);
        if (frame.firstTick > frame.count)
            return std::nullopt;
        return frame;
    }
    return std::nullopt;
}

// Copies tick `number` when its slot holds exactly that tick, whole.
bool copyTick(const std::byte* data, std::uint64_t number, std::string& line)
{
    const std::size_t slot = slotOffset(number);
    const std::uint64_t complete = 2 * number + 2;
    const std::uint64_t before = loadWord(data, slot + offsetof(FeedTickSlot, sequence), std::memory_order_acquire);
    if (before != complete)
        return false;
    const std::uint64_t lengthWord = loadWord(data, slot + offsetof(FeedTickSlot, length));
    char text[kFeedMaxTickBytes + 1];
    loadWords(data, slot + offsetof(FeedTickSlot, text), text, kTickTextWords);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (loadWord(data, slot + offsetof(FeedTickSlot, sequence)) != before)
        return false;
    const std::uint32_t length = lowHalf(lengthWord);
    // A NUL inside the line would cut it short for every caller: only damage puts one there.
    if (length == 0 || length > kFeedMaxTickBytes || std::memchr(text, 0, length) != nullptr)
        return false;
    line.assign(text, length);
    line.push_back('\n');
    return true;
}

void placeAt(const TickFrame& frame, ReaderPosition& position)
{
    position.placed = true;
    position.generation = frame.generation;
    position.next = frame.count > frame.firstTick ? frame.count - 1 : frame.firstTick;
}

void beginMetaChange(std::byte* data)
{
    std::uint64_t sequence = loadWord(data, kMetaSequence);
    sequence += (sequence & 1) ? 2 : 1;  // odd, even when a dead writer left it odd
    storeWord(data, kMetaSequence, sequence);
    std::atomic_thread_fence(std::memory_order_release);
}

void endMetaChange(std::byte* data)
{
    storeWord(data, kMetaSequence, loadWord(data, kMetaSequence) + 1, std::memory_order_release);
}

} // namespace

bool feedSectionValid(const std::byte* data, std::size_t size)
{
    if (data == nullptr || size < sizeof(FeedSection))
        return false;
    const std::uint64_t magic = loadWord(data, kMagicWord, std::memory_order_acquire);
    const std::uint64_t shape = loadWord(data, kShapeWord);
    const std::uint64_t slot = loadWord(data, kSlotWord);
    return lowHalf(magic) == kFeedMagic && highHalf(magic) == kFeedVersion && lowHalf(shape) == sizeof(FeedHeader) &&
           highHalf(shape) == kFeedRingSlots && lowHalf(slot) == sizeof(FeedTickSlot);
}

std::optional<FeedMeta> readFeedMeta(const std::byte* data, std::size_t size)
{
    if (!feedSectionValid(data, size))
        return std::nullopt;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const std::uint64_t before = loadWord(data, kMetaSequence, std::memory_order_acquire);
        if (before & 1)
            continue;
        FeedMeta meta;
        meta.generation = loadWord(data, kGeneration);
        meta.generationFirstTick = loadWord(data, kFirstTick);
        const std::uint64_t timespanWord = loadWord(data, kTimespanWord);
        char symbol[kFeedMaxSymbolBytes + 1];
        loadWords(data, kSymbol, symbol, kSymbolWords);
        meta.historyId = loadWord(data, kHistoryId);
        meta.historyBytes = loadWord(data, kHistoryBytes);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (loadWord(data, kMetaSequence) != before)
            continue;
        meta.timespan = static_cast<std::int32_t>(lowHalf(timespanWord));
        const std::uint32_t symbolBytes = highHalf(timespanWord);
        if (symbolBytes > kFeedMaxSymbolBytes || meta.historyBytes > kFeedMaxHistoryBytes)
            return std::nullopt;
        meta.symbol.assign(symbol, symbolBytes);
        meta.symbol.resize(std::strlen(meta.symbol.c_str()));
        return meta;
    }
    return std::nullopt;
}

void placeAtNewestTick(const std::byte* data, std::size_t size, ReaderPosition& position)
{
    if (const auto frame = readTickFrame(data, size))
        placeAt(*frame, position);
    else
        position = ReaderPosition{};
}

bool readNextTick(const std::byte* data, std::size_t size, ReaderPosition& position, std::string& line)
{
    line.clear();
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const auto frame = readTickFrame(data, size);
        if (!frame)
            return false;
        // A restarted writer: continue from its newest tick.
        if (!position.placed || position.generation != frame->generation)
            placeAt(*frame, position);
        // A position the section cannot explain (damage, or a section rebuilt under us): resync.
        if (position.next < frame->firstTick || position.next > frame->count)
            placeAt(*frame, position);
        if (frame->count == frame->firstTick)
            return false;
        const std::uint64_t unread = frame->count - position.next;
        std::uint64_t number;
        std::uint64_t nextAfter;
        if (unread == 0) {
            number = frame->count - 1;
            nextAfter = position.next;
        } else if (unread > kMaxUnreadTicks) {
            number = frame->count - 1;
            nextAfter = frame->count;
        } else {
            number = position.next;
            nextAfter = position.next + 1;
        }
        if (copyTick(data, number, line)) {
            position.next = nextAfter;
            return true;
        }
        // The writer lapped the slot while we copied it: look again from the new count.
        line.clear();
    }
    return false;
}

bool readHistoryBlock(const std::byte* data, std::size_t size, std::uint64_t historyId, std::uint64_t historyBytes,
                      std::string& text)
{
    text.clear();
    if (data == nullptr || size < sizeof(FeedHistoryHeader) || historyBytes > kFeedMaxHistoryBytes ||
        historyBytes > size - sizeof(FeedHistoryHeader))
        return false;
    FeedHistoryHeader header;
    std::memcpy(&header, data, sizeof header);
    if (header.magic != kFeedHistoryMagic || header.historyId != historyId || header.historyBytes != historyBytes)
        return false;
    text.assign(reinterpret_cast<const char*>(data + sizeof(FeedHistoryHeader)), static_cast<std::size_t>(historyBytes));
    return true;
}

FeedSectionKind classifyFeedSection(const std::byte* data, std::size_t size)
{
    if (data == nullptr || size < sizeof(FeedSection))
        return FeedSectionKind::TooSmall;
    const std::uint64_t magic = loadWord(data, kMagicWord, std::memory_order_acquire);
    if (lowHalf(magic) == 0) {
        for (std::size_t offset = 0; offset < sizeof(FeedHeader); offset += 8)
            if (loadWord(data, offset) != 0)
                return FeedSectionKind::Damaged;  // a writer died while it rebuilt the section
        return FeedSectionKind::Unwritten;
    }
    if (lowHalf(magic) != kFeedMagic)
        return FeedSectionKind::Foreign;
    if (highHalf(magic) != kFeedVersion)
        return FeedSectionKind::OtherVersion;
    if (!feedSectionValid(data, size) || !readTickFrame(data, size) || !readFeedMeta(data, size))
        return FeedSectionKind::Damaged;
    return FeedSectionKind::Valid;
}

std::optional<FeedCounters> readFeedCounters(const std::byte* data, std::size_t size)
{
    const auto frame = readTickFrame(data, size);
    if (!frame)
        return std::nullopt;
    FeedCounters counters;
    counters.writerProcessId = highHalf(loadWord(data, kSlotWord));
    counters.generation = frame->generation;
    counters.generationFirstTick = frame->firstTick;
    counters.tickCount = frame->count;
    return counters;
}

TickCopy copyTickNumber(const std::byte* data, std::size_t size, std::uint64_t number, std::string& line)
{
    line.clear();
    if (!feedSectionValid(data, size) || number >= loadWord(data, kTickCount, std::memory_order_acquire))
        return TickCopy::NotYet;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        if (copyTick(data, number, line)) {
            line.pop_back();
            return TickCopy::Copied;
        }
        // Counted as written, yet not in its slot: a later tick took the slot (or damage did).
        if (loadWord(data, slotOffset(number) + offsetof(FeedTickSlot, sequence), std::memory_order_acquire) != 2 * number + 2)
            return TickCopy::Overwritten;
    }
    return TickCopy::Overwritten;
}

bool startFollowing(const std::byte* data, std::size_t size, TickFollower& follower)
{
    const auto frame = readTickFrame(data, size);
    if (!frame)
        return false;
    follower = TickFollower{};
    follower.generation = frame->generation;
    follower.next = frame->count - frame->firstTick <= kFeedRingSlots ? frame->firstTick : frame->count;
    return true;
}

FollowResult followTicks(const std::byte* data, std::size_t size, TickFollower& follower, std::size_t limit,
                         std::vector<FollowedTick>& ticks)
{
    std::size_t delivered = 0;
    std::string line;
    while (delivered < limit) {
        const auto frame = readTickFrame(data, size);
        if (!frame)
            return FollowResult::Invalid;
        // The old generation ends where the new one begins.
        const bool ended = frame->generation != follower.generation;
        const std::uint64_t end = ended ? frame->firstTick : frame->count;
        if (follower.next >= end)
            return ended || follower.next > end ? FollowResult::GenerationEnded : FollowResult::Following;
        const std::uint64_t oldest = frame->count > kFeedRingSlots ? frame->count - kFeedRingSlots : 0;
        if (follower.next < oldest) {
            follower.pendingLost += oldest - follower.next;
            follower.next = oldest;
        }
        for (; follower.next < end && delivered < limit; ++follower.next) {
            const TickCopy copy = copyTickNumber(data, size, follower.next, line);
            if (copy == TickCopy::NotYet)
                break;  // the section changed under us: look at it again
            if (copy == TickCopy::Overwritten) {
                ++follower.pendingLost;
                continue;
            }
            ticks.push_back(FollowedTick{follower.pendingLost, line});
            follower.pendingLost = 0;
            ++delivered;
        }
    }
    return FollowResult::Following;
}

void beginWriterGeneration(std::byte* data, std::size_t size, std::uint32_t processId)
{
    if (size < sizeof(FeedSection))
        return;
    const bool keep = feedSectionValid(data, size);
    if (!keep) {
        // Readers reject the section from the first store on, and every slot sequence is reset
        // before any slot can be announced by a non-zero count.
        storeWord(data, kMagicWord, 0, std::memory_order_relaxed);
        beginMetaChange(data);
        storeWord(data, kTickCount, 0);
        for (std::uint32_t i = 0; i < kFeedRingSlots; ++i) {
            const std::size_t slot = slotOffset(i);
            storeWord(data, slot + offsetof(FeedTickSlot, sequence), 0);
            storeWord(data, slot + offsetof(FeedTickSlot, length), 0);
        }
        storeWord(data, kShapeWord, joinHalves(sizeof(FeedHeader), kFeedRingSlots));
        storeWord(data, kGeneration, 0);
        storeWord(data, kHistorySerial, 0);
        for (std::size_t offset = offsetof(FeedHeader, reserved); offset < sizeof(FeedHeader); offset += 8)
            storeWord(data, offset, 0);
    } else {
        beginMetaChange(data);
    }
    storeWord(data, kSlotWord, joinHalves(sizeof(FeedTickSlot), processId));
    storeWord(data, kGeneration, loadWord(data, kGeneration) + 1);
    storeWord(data, kFirstTick, loadWord(data, kTickCount));
    storeWord(data, kTimespanWord, 0);
    const char noSymbol[kFeedMaxSymbolBytes + 1] = {};
    storeWords(data, kSymbol, noSymbol, kSymbolWords);
    storeWord(data, kHistoryId, 0);
    storeWord(data, kHistoryBytes, 0);
    endMetaChange(data);
    if (!keep)
        storeWord(data, kMagicWord, joinHalves(kFeedMagic, kFeedVersion), std::memory_order_release);
}

bool publishSymbol(std::byte* data, std::string_view symbol)
{
    if (symbol.size() > kFeedMaxSymbolBytes)
        return false;
    char padded[kFeedMaxSymbolBytes + 1] = {};
    std::memcpy(padded, symbol.data(), symbol.size());
    beginMetaChange(data);
    const std::uint64_t timespanWord = loadWord(data, kTimespanWord);
    storeWord(data, kTimespanWord, joinHalves(lowHalf(timespanWord), static_cast<std::uint32_t>(symbol.size())));
    storeWords(data, kSymbol, padded, kSymbolWords);
    endMetaChange(data);
    return true;
}

void publishTimespan(std::byte* data, std::int32_t minutes)
{
    beginMetaChange(data);
    const std::uint64_t timespanWord = loadWord(data, kTimespanWord);
    storeWord(data, kTimespanWord, joinHalves(static_cast<std::uint32_t>(minutes), highHalf(timespanWord)));
    endMetaChange(data);
}

void publishHistory(std::byte* data, std::uint64_t historyId, std::uint64_t historyBytes)
{
    beginMetaChange(data);
    storeWord(data, kHistoryId, historyId);
    storeWord(data, kHistoryBytes, historyBytes);
    endMetaChange(data);
}

bool publishTick(std::byte* data, std::string_view line)
{
    if (line.empty() || line.size() > kFeedMaxTickBytes)
        return false;
    char text[kFeedMaxTickBytes + 1] = {};
    std::memcpy(text, line.data(), line.size());
    const std::uint64_t number = loadWord(data, kTickCount);
    const std::size_t slot = slotOffset(number);
    storeWord(data, slot + offsetof(FeedTickSlot, sequence), 2 * number + 1);
    std::atomic_thread_fence(std::memory_order_release);
    storeWord(data, slot + offsetof(FeedTickSlot, length), line.size());
    storeWords(data, slot + offsetof(FeedTickSlot, text), text, kTickTextWords);
    storeWord(data, slot + offsetof(FeedTickSlot, sequence), 2 * number + 2, std::memory_order_release);
    storeWord(data, kTickCount, number + 1, std::memory_order_release);
    return true;
}

std::size_t historyBlockSize(std::uint64_t historyBytes)
{
    return sizeof(FeedHistoryHeader) + static_cast<std::size_t>(historyBytes);
}

void writeHistoryBlock(std::byte* data, std::uint64_t historyId, std::string_view text)
{
    FeedHistoryHeader header{};
    header.magic = kFeedHistoryMagic;
    header.historyId = historyId;
    header.historyBytes = text.size();
    std::memcpy(data, &header, sizeof header);
    if (!text.empty())
        std::memcpy(data + sizeof header, text.data(), text.size());
}

std::uint64_t takeHistoryId(std::byte* data)
{
    const std::uint64_t id = loadWord(data, kHistorySerial) + 1;
    storeWord(data, kHistorySerial, id);
    return id;
}
