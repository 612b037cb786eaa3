// The feed section's reader and writer on plain memory: the semantics the programs rely on, and
// that nothing in the bytes makes a reader misbehave.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feed/feed_core.h"

namespace {

// A section-sized buffer with the alignment of a mapping.
struct Section {
    std::vector<std::uint64_t> words = std::vector<std::uint64_t>(sizeof(FeedSection) / 8, 0);
    std::byte* data() { return reinterpret_cast<std::byte*>(words.data()); }
    std::size_t size() const { return words.size() * 8; }
};

std::string tick(int n)
{
    char text[64];
    std::snprintf(text, sizeof text, "2026/01/05 09:%02d:%02d.%03d,150.000,150.100,149.900,150.%03d", n / 60 % 60, n % 60,
                  n % 1000, n % 1000);
    return text;
}

std::string read(Section& s, ReaderPosition& p)
{
    std::string line;
    readNextTick(s.data(), s.size(), p, line);
    return line;
}

TEST(FeedCore, ZeroedSectionIsAnEmptyFeed)
{
    Section s;
    EXPECT_FALSE(feedSectionValid(s.data(), s.size()));
    EXPECT_FALSE(readFeedMeta(s.data(), s.size()).has_value());
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    EXPECT_EQ(read(s, p), "");
    // A fresh writer with nothing written yet: still no symbol, timespan 0, no tick.
    beginWriterGeneration(s.data(), s.size(), 7);
    const auto meta = readFeedMeta(s.data(), s.size());
    ASSERT_TRUE(meta.has_value());
    EXPECT_EQ(meta->symbol, "");
    EXPECT_EQ(meta->timespan, 0);
    EXPECT_EQ(meta->historyId, 0u);
    EXPECT_EQ(read(s, p), "");
}

TEST(FeedCore, OrderRepeatAndStartAtNewest)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    ASSERT_TRUE(publishTick(s.data(), tick(0)));
    ASSERT_TRUE(publishTick(s.data(), tick(1)));
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    EXPECT_EQ(read(s, p), tick(1) + "\n");  // the newest tick present comes first
    EXPECT_EQ(read(s, p), tick(1) + "\n");  // nothing unread: the latest again
    for (int i = 2; i < 6; ++i)
        ASSERT_TRUE(publishTick(s.data(), tick(i)));
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(read(s, p), tick(i) + "\n");
    EXPECT_EQ(read(s, p), tick(5) + "\n");
}

TEST(FeedCore, SkipsToNewestOnlyWhenMoreThan64AreUnread)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    for (int i = 0; i < 64; ++i)
        publishTick(s.data(), tick(i));
    EXPECT_EQ(read(s, p), tick(0) + "\n");  // exactly 64 unread: no skip
    for (int i = 64; i < 64 + 65; ++i)
        publishTick(s.data(), tick(i));
    // Now 63 + 65 = 128 unread: jump to the newest, then continue from there.
    EXPECT_EQ(read(s, p), tick(128) + "\n");
    publishTick(s.data(), tick(129));
    EXPECT_EQ(read(s, p), tick(129) + "\n");
}

TEST(FeedCore, FollowsTheRingAcrossManyWraps)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    for (int i = 0; i < 5000; ++i) {
        publishTick(s.data(), tick(i));
        if (i % 3 == 2) {
            for (int k = i - 2; k <= i; ++k)
                ASSERT_EQ(read(s, p), tick(k) + "\n") << k;
        }
    }
}

TEST(FeedCore, NewWriterGenerationClearsMetaAndReaderContinuesFromItsNewestTick)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    publishSymbol(s.data(), "OLD");
    publishTimespan(s.data(), 1);
    publishHistory(s.data(), 3, 10);
    publishTick(s.data(), tick(0));
    ReaderPosition p;
    ReaderPosition q;
    placeAtNewestTick(s.data(), s.size(), p);
    placeAtNewestTick(s.data(), s.size(), q);
    EXPECT_EQ(read(s, p), tick(0) + "\n");
    EXPECT_EQ(read(s, q), tick(0) + "\n");

    beginWriterGeneration(s.data(), s.size(), 2);
    auto meta = readFeedMeta(s.data(), s.size());
    ASSERT_TRUE(meta);
    EXPECT_EQ(meta->symbol, "");
    EXPECT_EQ(meta->timespan, 0);
    EXPECT_EQ(meta->historyId, 0u);
    EXPECT_EQ(read(s, p), "");  // the old writer's ticks are not the new writer's
    publishSymbol(s.data(), "NEW");
    publishTimespan(s.data(), 5);
    for (int i = 10; i < 20; ++i)
        publishTick(s.data(), tick(i));
    // q first looks after the new writer has ticked: it starts at that writer's newest tick. p
    // saw the new writer before its first tick, so every one of them is unread for p.
    EXPECT_EQ(read(s, q), tick(19) + "\n");
    EXPECT_EQ(read(s, p), tick(10) + "\n");
    EXPECT_EQ(read(s, p), tick(11) + "\n");
    publishTick(s.data(), tick(20));
    EXPECT_EQ(read(s, q), tick(20) + "\n");
    meta = readFeedMeta(s.data(), s.size());
    EXPECT_EQ(meta->symbol, "NEW");
    EXPECT_EQ(meta->timespan, 5);
}

TEST(FeedCore, TickAndSymbolLengthLimits)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    EXPECT_TRUE(publishTick(s.data(), std::string(255, 'x')));
    EXPECT_FALSE(publishTick(s.data(), std::string(256, 'x')));
    EXPECT_FALSE(publishTick(s.data(), ""));
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    EXPECT_EQ(read(s, p), std::string(255, 'x') + "\n");
    // An embedded line feed is delivered as written.
    EXPECT_TRUE(publishTick(s.data(), "a\nb"));
    EXPECT_EQ(read(s, p), "a\nb\n");
    EXPECT_TRUE(publishSymbol(s.data(), std::string(63, 'S')));
    EXPECT_FALSE(publishSymbol(s.data(), std::string(64, 'S')));
    EXPECT_EQ(readFeedMeta(s.data(), s.size())->symbol, std::string(63, 'S'));
}

TEST(FeedCore, HistoryBlockIsCheckedAgainstTheHeader)
{
    const std::string text = "line one\nline two";
    std::vector<std::uint64_t> words(historyBlockSize(text.size()) / 8 + 1, 0);
    auto* data = reinterpret_cast<std::byte*>(words.data());
    writeHistoryBlock(data, 9, text);
    std::string out;
    EXPECT_TRUE(readHistoryBlock(data, words.size() * 8, 9, text.size(), out));
    EXPECT_EQ(out, text);
    EXPECT_FALSE(readHistoryBlock(data, words.size() * 8, 8, text.size(), out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(readHistoryBlock(data, words.size() * 8, 9, text.size() + 1, out));
    EXPECT_FALSE(readHistoryBlock(data, 40, 9, text.size(), out));  // mapping shorter than announced
    EXPECT_FALSE(readHistoryBlock(data, words.size() * 8, 9, ~0ull, out));
}

TEST(FeedCore, DeadWriterMidChangeGivesEmptyTextsUntilANewWriter)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    publishSymbol(s.data(), "SYM");
    publishTick(s.data(), tick(0));
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    // A writer that died between making the meta counter odd and even again.
    std::uint64_t odd = 0;
    std::memcpy(&odd, s.data() + offsetof(FeedHeader, metaSequence), 8);
    odd |= 1;
    std::memcpy(s.data() + offsetof(FeedHeader, metaSequence), &odd, 8);
    EXPECT_FALSE(readFeedMeta(s.data(), s.size()).has_value());
    EXPECT_EQ(read(s, p), "");
    beginWriterGeneration(s.data(), s.size(), 2);
    publishTick(s.data(), tick(1));
    EXPECT_EQ(read(s, p), tick(1) + "\n");
}

// Whatever the bytes, a reader stays inside them and returns either nothing or one line that
// ends in "\n" and holds no NUL.
TEST(FeedCore, DamagedSectionsNeverYieldBrokenTexts)
{
    std::mt19937_64 random(12345);
    Section clean;
    beginWriterGeneration(clean.data(), clean.size(), 1);
    publishSymbol(clean.data(), "SYM");
    for (int i = 0; i < 1500; ++i)
        publishTick(clean.data(), tick(i));
    for (int round = 0; round < 400; ++round) {
        Section s = clean;
        const int damage = round % 4;
        if (damage == 0) {  // garbage everywhere
            for (auto& word : s.words)
                word = random();
        } else if (damage == 1) {  // garbage in the header only
            for (std::size_t i = 0; i < sizeof(FeedHeader) / 8; ++i)
                if (random() % 3 == 0)
                    s.words[i] = random();
        } else {  // single bytes anywhere, the header shape kept
            for (int k = 0; k < 200; ++k)
                s.data()[random() % s.size()] = static_cast<std::byte>(random());
        }
        const std::size_t size = round % 5 == 0 ? static_cast<std::size_t>(random() % s.size()) : s.size();
        ReaderPosition p;
        placeAtNewestTick(s.data(), size, p);
        for (int k = 0; k < 80; ++k) {
            std::string line;
            const bool got = readNextTick(s.data(), size, p, line);
            EXPECT_EQ(got, !line.empty());
            if (got) {
                EXPECT_LE(line.size(), 256u);
                EXPECT_EQ(line.back(), '\n');
                EXPECT_EQ(line.find('\0'), std::string::npos);
            }
        }
        if (const auto meta = readFeedMeta(s.data(), size)) {
            EXPECT_LE(meta->symbol.size(), kFeedMaxSymbolBytes);
            EXPECT_LE(meta->historyBytes, kFeedMaxHistoryBytes);
        }
    }
}

// A writer thread and a reader thread at full speed: every line the reader gets is one that was
// written, whole, and they come in increasing order.
TEST(FeedCore, ConcurrentReaderNeverSeesATornLine)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    std::atomic<bool> done{false};
    // Lines of varying length whose every byte is derived from the number, so a mix shows.
    auto lineFor = [](int n) {
        const char c = static_cast<char>('A' + n % 26);
        return std::to_string(n) + ":" + std::string(static_cast<std::size_t>(20 + n % 200), c);
    };
    std::thread writerThread([&] {
        for (int n = 0; n < 200000; ++n)
            publishTick(s.data(), lineFor(n));
        done = true;
    });
    ReaderPosition p;
    placeAtNewestTick(s.data(), s.size(), p);
    long last = -1;
    long received = 0;
    std::string line;
    while (!done || received == 0) {
        if (!readNextTick(s.data(), s.size(), p, line))
            continue;
        line.pop_back();
        const auto colon = line.find(':');
        ASSERT_NE(colon, std::string::npos) << line;
        const int n = std::stoi(line.substr(0, colon));
        ASSERT_EQ(line, lineFor(n));
        ASSERT_GE(n, last);
        last = n;
        ++received;
    }
    writerThread.join();
    EXPECT_GT(received, 0);
}

} // namespace

// ---- inspection: what orvane-feed status and record read ---------------------------------------

TEST(FeedCoreInspect, ClassifiesWhatTheBytesHold)
{
    Section s;
    EXPECT_EQ(classifyFeedSection(s.data(), s.size()), FeedSectionKind::Unwritten);
    EXPECT_EQ(classifyFeedSection(s.data(), sizeof(FeedSection) - 8), FeedSectionKind::TooSmall);
    EXPECT_FALSE(readFeedCounters(s.data(), s.size()).has_value());
    beginWriterGeneration(s.data(), s.size(), 4242);
    publishTick(s.data(), tick(1));
    EXPECT_EQ(classifyFeedSection(s.data(), s.size()), FeedSectionKind::Valid);
    const auto counters = readFeedCounters(s.data(), s.size());
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(counters->writerProcessId, 4242u);
    EXPECT_EQ(counters->generation, 1u);
    EXPECT_EQ(counters->tickCount, 1u);

    auto patched = [&](std::size_t offset, std::uint32_t value) {
        Section copy = s;
        std::memcpy(copy.data() + offset, &value, 4);
        return classifyFeedSection(copy.data(), copy.size());
    };
    EXPECT_EQ(patched(offsetof(FeedHeader, magic), 0x12345678u), FeedSectionKind::Foreign);
    EXPECT_EQ(patched(offsetof(FeedHeader, version), 2), FeedSectionKind::OtherVersion);
    EXPECT_EQ(patched(offsetof(FeedHeader, ringSlots), 512), FeedSectionKind::Damaged);
    EXPECT_EQ(patched(offsetof(FeedHeader, symbolBytes), 64), FeedSectionKind::Damaged);
    EXPECT_EQ(patched(offsetof(FeedHeader, generationFirstTick), 5), FeedSectionKind::Damaged);
    EXPECT_EQ(patched(offsetof(FeedHeader, metaSequence), 1), FeedSectionKind::Damaged);  // writer died mid-change
    // A writer that died while rebuilding leaves a zero magic over a header that is not empty.
    EXPECT_EQ(patched(offsetof(FeedHeader, magic), 0), FeedSectionKind::Damaged);
}

std::vector<FollowedTick> followAll(Section& s, TickFollower& f, FollowResult& result, std::size_t limit = 100000)
{
    std::vector<FollowedTick> ticks;
    result = followTicks(s.data(), s.size(), f, limit, ticks);
    return ticks;
}

TEST(FeedCoreInspect, FollowerDeliversEveryTickOrCountsItLost)
{
    Section s;
    beginWriterGeneration(s.data(), s.size(), 1);
    for (int i = 0; i < 10; ++i)
        publishTick(s.data(), tick(i));
    TickFollower f;
    ASSERT_TRUE(startFollowing(s.data(), s.size(), f));
    EXPECT_EQ(f.next, 0u);  // the whole generation is still in the ring: from its first tick
    FollowResult result;
    // Far more than the reader's 64-line catch-up, across many ring wraps, in bounded batches.
    int written = 10;
    std::vector<std::string> got;
    for (int round = 0; round < 30; ++round) {
        for (int i = 0; i < 1000; ++i)
            publishTick(s.data(), tick(written++));
        std::vector<FollowedTick> batch;
        do {
            batch = followAll(s, f, result, 300);
            EXPECT_EQ(result, FollowResult::Following);
            for (const auto& t : batch) {
                EXPECT_EQ(t.lostBefore, 0u);
                got.push_back(t.line);
            }
        } while (batch.size() == 300);
    }
    ASSERT_EQ(got.size(), static_cast<std::size_t>(written));
    for (int i = 0; i < written; ++i)
        ASSERT_EQ(got[static_cast<std::size_t>(i)], tick(i)) << i;

    // Lossless from first to last, and a gap of more than the ring's depth reported exactly.
    TickFollower g;
    Section t;
    beginWriterGeneration(t.data(), t.size(), 1);
    ASSERT_TRUE(startFollowing(t.data(), t.size(), g));
    for (int i = 0; i < 900; ++i)
        publishTick(t.data(), tick(i));
    auto first = followAll(t, g, result);
    ASSERT_EQ(first.size(), 900u);
    for (int i = 0; i < 900; ++i) {
        EXPECT_EQ(first[static_cast<std::size_t>(i)].line, tick(i));
        EXPECT_EQ(first[static_cast<std::size_t>(i)].lostBefore, 0u);
    }
    for (int i = 900; i < 900 + 3000; ++i)
        publishTick(t.data(), tick(i));
    auto second = followAll(t, g, result);
    ASSERT_EQ(second.size(), std::size_t{kFeedRingSlots});
    EXPECT_EQ(second.front().lostBefore, 3000u - kFeedRingSlots);
    EXPECT_EQ(second.front().line, tick(900 + 3000 - static_cast<int>(kFeedRingSlots)));
    EXPECT_EQ(second.back().line, tick(3899));
    EXPECT_EQ(second.back().lostBefore, 0u);
    EXPECT_TRUE(followAll(t, g, result).empty());
    EXPECT_EQ(result, FollowResult::Following);

    // A new writer: the old generation's last ticks still come, then it is over.
    publishTick(t.data(), tick(5000));
    beginWriterGeneration(t.data(), t.size(), 2);
    publishTick(t.data(), tick(5001));
    auto last = followAll(t, g, result);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].line, tick(5000));
    EXPECT_EQ(result, FollowResult::GenerationEnded);

    // Started late on a writer that has written more than the ring holds: from its next tick.
    TickFollower late;
    ASSERT_TRUE(startFollowing(t.data(), t.size(), late));
    EXPECT_EQ(late.next, 3901u);  // the new generation's first tick is still in the ring
    for (int i = 0; i < 2000; ++i)
        publishTick(t.data(), tick(i));
    ASSERT_TRUE(startFollowing(t.data(), t.size(), late));
    EXPECT_EQ(late.next, 3901u + 2001);
    std::string line;
    EXPECT_EQ(copyTickNumber(t.data(), t.size(), late.next, line), TickCopy::NotYet);
    EXPECT_EQ(copyTickNumber(t.data(), t.size(), late.next - 1, line), TickCopy::Copied);
    EXPECT_EQ(line, tick(1999));
    EXPECT_EQ(copyTickNumber(t.data(), t.size(), 3901, line), TickCopy::Overwritten);
}
