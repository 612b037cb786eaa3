// The feed section parser against arbitrary bytes: a valid section with the input laid over part
// of it (so the ring and the header fields are really reached), and the input alone as a section
// and as a history section. Any read outside the buffer or any malformed line is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "feed/feed_core.h"

namespace {

void checkLine(const std::string& line, bool got)
{
    if (got != !line.empty())
        std::abort();
    if (got && (line.size() > kFeedMaxTickBytes + 1 || line.back() != '\n' || line.find('\0') != std::string::npos))
        std::abort();
}

void pollAll(const std::byte* data, std::size_t size)
{
    ReaderPosition position;
    placeAtNewestTick(data, size, position);
    std::string line;
    for (int i = 0; i < 4; ++i)
        checkLine(line, readNextTick(data, size, position, line));
    if (const auto meta = readFeedMeta(data, size))
        if (meta->symbol.size() > kFeedMaxSymbolBytes)
            std::abort();
    // The inspector: a valid verdict means the reader side accepts the section too.
    if (classifyFeedSection(data, size) == FeedSectionKind::Valid && !readFeedCounters(data, size))
        std::abort();
    TickFollower follower;
    if (startFollowing(data, size, follower)) {
        follower.next = follower.next > 1500 ? follower.next - 1500 : 0;
        std::vector<FollowedTick> ticks;
        followTicks(data, size, follower, 2000, ticks);
        for (const auto& tick : ticks)
            if (tick.line.empty() || tick.line.size() > kFeedMaxTickBytes || tick.line.find('\0') != std::string::npos)
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size)
{
    static const std::vector<std::uint64_t> clean = [] {
        std::vector<std::uint64_t> words(sizeof(FeedSection) / 8, 0);
        auto* data = reinterpret_cast<std::byte*>(words.data());
        beginWriterGeneration(data, words.size() * 8, 1);
        publishSymbol(data, "SIM-USDJPY");
        publishTimespan(data, 1);
        for (int i = 0; i < 1100; ++i)
            publishTick(data, "2026/01/05 09:00:00.000,150.000,150.000,150.000," + std::to_string(i));
        return words;
    }();

    // Overlay: the first 4 bytes choose where the rest lands (header, a slot, anywhere).
    std::vector<std::uint64_t> section = clean;
    auto* data = reinterpret_cast<std::byte*>(section.data());
    if (size >= 4) {
        std::uint32_t where;
        std::memcpy(&where, input, 4);
        const std::size_t offset = where % sizeof(FeedSection);
        const std::size_t count = std::min(size - 4, sizeof(FeedSection) - offset);
        std::memcpy(data + offset, input + 4, count);
        pollAll(data, section.size() * 8);
        pollAll(data, where % (section.size() * 8 + 1));  // a mapping shorter than the section
    }

    // The input alone, aligned like a mapping.
    std::vector<std::uint64_t> raw(size / 8 + 1, 0);
    if (size)
        std::memcpy(raw.data(), input, size);
    auto* rawData = reinterpret_cast<std::byte*>(raw.data());
    pollAll(rawData, size);
    std::string text;
    if (size >= 24) {
        FeedHistoryHeader header;
        std::memcpy(&header, input, sizeof header < size ? sizeof header : size);
        if (readHistoryBlock(rawData, size, header.historyId, header.historyBytes, text) &&
            text.size() != header.historyBytes)
            std::abort();
    }
    return 0;
}
