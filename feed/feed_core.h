// Reading and writing the feed section (interfaces/feed_section.h) on plain memory.
//
// No Win32 here: the DLL maps the section and hands its bytes to these functions, the native tests
// hand them a buffer, and the fuzz target hands them anything at all. The reader functions trust
// nothing in the bytes: every index is reduced into the fixed ring, every length is checked before
// it is used, and a copy is kept only when its sequence counter proves it whole. Both sides access
// the shared words through 64-bit atomic operations, so the section must be 8-byte aligned (a
// mapping always is).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/feed_section.h"

// A reader never lags more than this many ticks: with more unread it jumps to the newest.
inline constexpr std::uint64_t kMaxUnreadTicks = 64;

struct FeedMeta {
    std::uint64_t generation = 0;
    std::uint64_t generationFirstTick = 0;
    std::int32_t timespan = 0;
    std::string symbol;
    std::uint64_t historyId = 0;
    std::uint64_t historyBytes = 0;
};

// One process's place in the tick stream.
struct ReaderPosition {
    bool placed = false;        // false until a valid section has been seen
    std::uint64_t generation = 0;
    std::uint64_t next = 0;     // number of the oldest unread tick
};

// ---- reader side -------------------------------------------------------------------------------

// True when the bytes carry a complete version-1 header and ring.
bool feedSectionValid(const std::byte* data, std::size_t size);

// A consistent copy of the header's descriptive fields; nullopt when the section is invalid or a
// writer kept changing them (or died while changing them) during a few attempts.
std::optional<FeedMeta> readFeedMeta(const std::byte* data, std::size_t size);

// Places `position` at the newest tick present (initSendticksMT5).
void placeAtNewestTick(const std::byte* data, std::size_t size, ReaderPosition& position);

// The next line for this reader, "\n" included (ReadLinesMT5): the oldest unread tick, the newest
// when more than kMaxUnreadTicks are unread, the newest again when none is. False with `line`
// emptied when there is none or the section is not valid.
bool readNextTick(const std::byte* data, std::size_t size, ReaderPosition& position, std::string& line);

// The text of a history section, checked against the id and length the feed header announced.
bool readHistoryBlock(const std::byte* data, std::size_t size, std::uint64_t historyId,
                      std::uint64_t historyBytes, std::string& text);

// ---- inspection (orvane-feed status and record): reads only, keeps no reader position ----------

// What the bytes of a mapped section hold, for a message that tells the user what is wrong.
enum class FeedSectionKind {
    Unwritten,     // all-zero header: no writer has opened this section
    Valid,
    TooSmall,      // smaller than this version's layout
    Foreign,       // another program's data (unknown magic)
    OtherVersion,  // our magic, another layout version
    Damaged,       // our magic and version with impossible sizes or counters
};
FeedSectionKind classifyFeedSection(const std::byte* data, std::size_t size);

// A consistent copy of the counters of the stream and the writer's process id.
struct FeedCounters {
    std::uint32_t writerProcessId = 0;
    std::uint64_t generation = 0;
    std::uint64_t generationFirstTick = 0;
    std::uint64_t tickCount = 0;
};
std::optional<FeedCounters> readFeedCounters(const std::byte* data, std::size_t size);

enum class TickCopy {
    Copied,
    NotYet,       // not written yet
    Overwritten,  // the writer has reused its slot: the tick is gone
};
// Tick number `number` exactly as written (no line end), wherever it is in the ring.
TickCopy copyTickNumber(const std::byte* data, std::size_t size, std::uint64_t number, std::string& line);

// A recorder's place in one writer generation. Unlike ReaderPosition it never skips ahead to keep
// up: every tick is either delivered or counted as lost.
struct TickFollower {
    std::uint64_t generation = 0;
    std::uint64_t next = 0;         // number of the next tick to deliver
    std::uint64_t pendingLost = 0;  // lost ticks not yet reported with a delivered line
};
struct FollowedTick {
    std::uint64_t lostBefore = 0;  // ticks overwritten before they could be copied, just before this one
    std::string line;              // as written, without line end
};
enum class FollowResult {
    Following,        // delivered up to the newest tick, or up to `limit`
    GenerationEnded,  // a new writer started: the old generation is delivered to its end
    Invalid,          // the section cannot be read (damaged, or being rebuilt)
};
// Starts following the generation now in the section: from its first tick when the whole
// generation is still in the ring, else from the next tick to be written.
bool startFollowing(const std::byte* data, std::size_t size, TickFollower& follower);
// Appends the ticks from `follower.next` on, in order, at most `limit` of them.
FollowResult followTicks(const std::byte* data, std::size_t size, TickFollower& follower, std::size_t limit,
                         std::vector<FollowedTick>& ticks);

// ---- writer side (the single live writer) ------------------------------------------------------

// Starts a new writer generation: a section that is not valid is cleared and rebuilt, a valid one
// keeps its tick numbering so that readers simply see a generation change. Symbol, timespan and
// history are cleared. `size` must be at least sizeof(FeedSection).
void beginWriterGeneration(std::byte* data, std::size_t size, std::uint32_t processId);

bool publishSymbol(std::byte* data, std::string_view symbol);   // false when too long
void publishTimespan(std::byte* data, std::int32_t minutes);
// Announces the history section `historyId` of `historyBytes` text bytes (0 and 0: no history).
void publishHistory(std::byte* data, std::uint64_t historyId, std::uint64_t historyBytes);
// Appends one tick line (no line end); false when empty or longer than kFeedMaxTickBytes.
bool publishTick(std::byte* data, std::string_view line);

// Size of the history section that holds `historyBytes` of text.
std::size_t historyBlockSize(std::uint64_t historyBytes);
// Fills a freshly created history section of historyBlockSize(text.size()) bytes.
void writeHistoryBlock(std::byte* data, std::uint64_t historyId, std::string_view text);
// Hands out the id for the next history section of this section (never one used before).
std::uint64_t takeHistoryId(std::byte* data);
