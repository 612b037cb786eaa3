// The shared-memory layout of OrvaneDriverDLL, version 1.
//
// Every process that loads the DLL maps one named section, "Local\OrvaneFeed.v1.Section" (the
// session's namespace: a Global\ name needs a privilege a normal user lacks). Whichever side comes
// first creates it; a section made by the system is all zero bytes, which no reader accepts, so a
// reader that starts before any writer sees an empty feed. The writer fills the header and sets
// `magic` last.
//
// All integers are little-endian and naturally aligned; every offset below is asserted. The fields
// marked "atomic" are read and written as whole 64-bit (or 32-bit) atomic operations; everything
// else is guarded by one of two sequence counters (a seqlock): the writer makes the counter odd,
// changes the data, then makes it even again; a reader copies the data between two reads of the
// counter and keeps the copy only when both reads are equal and even. The writer never waits for
// readers and readers never wait for the writer.
//
//   offset  size  field
//   0       4     magic               kFeedMagic ("OVFD"); 0 while the writer (re)initialises
//   4       4     version             kFeedVersion
//   8       4     headerBytes         sizeof(FeedHeader)
//   12      4     ringSlots           kFeedRingSlots
//   16      4     slotBytes           sizeof(FeedTickSlot)
//   20      4     writerProcessId     process id of the writer that opened last (kept when it closes);
//                                     orvane-feed status checks that it runs and owns the writer mutex
//   24      8     generation          atomic; +1 every time a writer opens (a restarted EA)
//   32      8     metaSequence        atomic; seqlock over timespan, symbol and the history fields
//   40      8     tickCount           atomic; ticks ever written into this section (all generations)
//   48      8     generationFirstTick atomic; tickCount when the current writer opened
//   56      4     timespan            chart timeframe in minutes, 0 = not set
//   60      4     symbolBytes         0..kFeedMaxSymbolBytes
//   64      64    symbol              Shift-JIS, NUL-padded
//   128     8     historyId           0 = no history; else names the history section (below)
//   136     8     historyBytes        length of the history text
//   144     8     historySerial       the last history id handed out; never goes back
//   152     104   reserved            zero
//   256     ring  kFeedRingSlots FeedTickSlot records; tick number n lives in slot n % kFeedRingSlots
//
// A tick slot: `sequence` (atomic) is 2n+1 while tick n is written and 2n+2 once it is complete;
// `length` is the number of text bytes (1..kFeedMaxTickBytes); `text` is Shift-JIS without line
// end. A slot holds tick n only while its sequence reads 2n+2 before and after the copy.
//
// History is too large to sit in the fixed section: each writeHistoryMT5 creates a section of its
// own sized to fit, named "Local\OrvaneFeed.v1.History.<historyId>" (historyId in decimal), which
// starts with a FeedHistoryHeader (magic kFeedHistoryMagic, the same historyId, historyBytes)
// followed by the text. The writer holds it open for as long as it is the current history.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t kFeedMagic = 0x4446564Fu;         // "OVFD" in memory order
inline constexpr std::uint32_t kFeedHistoryMagic = 0x4848564Fu;  // "OVHH"
inline constexpr std::uint32_t kFeedVersion = 1;
inline constexpr std::uint32_t kFeedRingSlots = 1024;
inline constexpr std::uint32_t kFeedMaxTickBytes = 255;
inline constexpr std::uint32_t kFeedMaxSymbolBytes = 63;
// A history larger than this is refused rather than mapped: 200,000 lines of the longest possible
// tick line still fit with room to spare.
inline constexpr std::uint64_t kFeedMaxHistoryBytes = 256ull * 1024 * 1024;

inline constexpr wchar_t kFeedSectionName[] = L"Local\\OrvaneFeed.v1.Section";
inline constexpr wchar_t kFeedHistoryNamePrefix[] = L"Local\\OrvaneFeed.v1.History.";
// Owned by the live writer's thread; WAIT_ABANDONED tells the next writer that the old one died.
inline constexpr wchar_t kFeedWriterMutexName[] = L"Local\\OrvaneFeed.v1.Writer";

struct FeedHeader {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t headerBytes;
    std::uint32_t ringSlots;
    std::uint32_t slotBytes;
    std::uint32_t writerProcessId;
    std::uint64_t generation;
    std::uint64_t metaSequence;
    std::uint64_t tickCount;
    std::uint64_t generationFirstTick;
    std::int32_t timespan;
    std::uint32_t symbolBytes;
    char symbol[kFeedMaxSymbolBytes + 1];
    std::uint64_t historyId;
    std::uint64_t historyBytes;
    std::uint64_t historySerial;
    std::uint8_t reserved[104];
};

struct FeedTickSlot {
    std::uint64_t sequence;
    std::uint32_t length;
    std::uint32_t reserved;
    char text[kFeedMaxTickBytes + 1];
};

struct FeedSection {
    FeedHeader header;
    FeedTickSlot ring[kFeedRingSlots];
};

struct FeedHistoryHeader {
    std::uint32_t magic;
    std::uint32_t reserved;
    std::uint64_t historyId;
    std::uint64_t historyBytes;
    std::uint64_t reserved2;
};

static_assert(offsetof(FeedHeader, magic) == 0);
static_assert(offsetof(FeedHeader, version) == 4);
static_assert(offsetof(FeedHeader, headerBytes) == 8);
static_assert(offsetof(FeedHeader, ringSlots) == 12);
static_assert(offsetof(FeedHeader, slotBytes) == 16);
static_assert(offsetof(FeedHeader, writerProcessId) == 20);
static_assert(offsetof(FeedHeader, generation) == 24);
static_assert(offsetof(FeedHeader, metaSequence) == 32);
static_assert(offsetof(FeedHeader, tickCount) == 40);
static_assert(offsetof(FeedHeader, generationFirstTick) == 48);
static_assert(offsetof(FeedHeader, timespan) == 56);
static_assert(offsetof(FeedHeader, symbolBytes) == 60);
static_assert(offsetof(FeedHeader, symbol) == 64);
static_assert(offsetof(FeedHeader, historyId) == 128);
static_assert(offsetof(FeedHeader, historyBytes) == 136);
static_assert(offsetof(FeedHeader, historySerial) == 144);
static_assert(sizeof(FeedHeader) == 256);
static_assert(offsetof(FeedTickSlot, sequence) == 0);
static_assert(offsetof(FeedTickSlot, length) == 8);
static_assert(offsetof(FeedTickSlot, text) == 16);
static_assert(sizeof(FeedTickSlot) == 272);
static_assert(offsetof(FeedSection, ring) == 256);
static_assert(sizeof(FeedSection) == 256 + 272 * kFeedRingSlots);
static_assert(sizeof(FeedHistoryHeader) == 32);
