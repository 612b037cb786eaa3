// OrvaneDriverDLL under Wine, through its exports, with other processes where the guarantee is
// between processes (tests/feed/feed_peer.cpp).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "interfaces/feed_section.h"
#include "interfaces/orvane_driver.h"
#include "support/win_process.h"

namespace {

std::wstring wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::string tick(int n)
{
    char text[64];
    std::snprintf(text, sizeof text, "2026/01/05 %02d:%02d:%02d.%03d,150.000,150.200,149.800,150.%03d", 9 + n / 3600,
                  n / 60 % 60, n % 60, n % 1000, n % 1000);
    return text;
}

bool writeTick(const std::string& line)
{
    return writeTickMT5(wide(line).c_str()) == 1;
}

// Each test starts with this process as reader and writer of a fresh generation, and leaves none.
class FeedDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(openFeedWriterMT5(), 1);
        ASSERT_EQ(initSendticksMT5(), 1);
    }
    void TearDown() override
    {
        closeFeedWriterMT5();
        deinitSendticksMT5();
    }
};

class ScopedEvent {
public:
    explicit ScopedEvent(const std::wstring& name) : name_(name), handle_(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}
    ScopedEvent(const ScopedEvent&) = delete;
    ScopedEvent& operator=(const ScopedEvent&) = delete;
    ~ScopedEvent() { CloseHandle(handle_); }
    bool wait(DWORD ms) const { return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }
    const std::wstring& name() const { return name_; }

private:
    std::wstring name_;
    HANDLE handle_;
};

std::wstring tempFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

std::string readFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int runPeer(const std::wstring& arguments, DWORD timeoutMs = 30000)
{
    ChildProcess peer;
    if (!peer.start(L"feed_peer.exe", arguments))
        return -1;
    DWORD code = 0;
    return peer.wait(timeoutMs, code) ? static_cast<int>(code) : -2;
}

TEST(FeedDllEmpty, NothingWrittenGivesEmptyTextsAndTimespanZero)
{
    ASSERT_EQ(initSendticksMT5(), 1);
    EXPECT_STREQ(iniReadLinesMT5(), "");
    EXPECT_EQ(gettimespanMT5(), 0);
    EXPECT_STREQ(getsymbolcMT5(), "");
    EXPECT_STREQ(ReadLinesMT5(), "");
    // The writer may come second: the reader that created the section sees it fill.
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(gettimespanMT5(), 0);
    EXPECT_STREQ(ReadLinesMT5(), "");
    ASSERT_EQ(writeTimespanMT5(1), 1);
    ASSERT_EQ(writeSymbolMT5(L"SIM-USDJPY"), 1);
    ASSERT_TRUE(writeTick(tick(1)));
    EXPECT_EQ(gettimespanMT5(), 1);
    EXPECT_STREQ(getsymbolcMT5(), "SIM-USDJPY");
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(1) + "\n");
    EXPECT_EQ(closeFeedWriterMT5(), 1);
    EXPECT_EQ(deinitSendticksMT5(), 1);
    // Writer calls without an open writer are refused.
    EXPECT_EQ(writeTickMT5(L"x"), 0);
    EXPECT_EQ(closeFeedWriterMT5(), 0);
}

TEST_F(FeedDll, OrderRepeatAndTheSixtyFourLineSkip)
{
    ASSERT_TRUE(writeTick(tick(0)));
    ASSERT_TRUE(writeTick(tick(1)));
    ASSERT_EQ(initSendticksMT5(), 1);  // placed at the newest tick present
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(1) + "\n");
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(1) + "\n");
    for (int i = 2; i <= 65; ++i)
        ASSERT_TRUE(writeTick(tick(i)));
    // 64 unread: every one of them, in order.
    for (int i = 2; i <= 65; ++i)
        ASSERT_EQ(std::string(ReadLinesMT5()), tick(i) + "\n") << i;
    for (int i = 66; i <= 66 + 64; ++i)
        ASSERT_TRUE(writeTick(tick(i)));
    // 65 unread: straight to the newest.
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(130) + "\n");
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(130) + "\n");
    // Returned texts stay valid until the next call of the same export.
    const char* line = ReadLinesMT5();
    getsymbolcMT5();
    iniReadLinesMT5();
    EXPECT_EQ(std::string(line), tick(130) + "\n");
}

TEST_F(FeedDll, TicksComeBackByteForByteAndOversizedOnesAreRefused)
{
    ASSERT_TRUE(writeTick(std::string(255, '7')));
    EXPECT_EQ(std::string(ReadLinesMT5()), std::string(255, '7') + "\n");
    EXPECT_EQ(writeTickMT5(wide(std::string(256, '7')).c_str()), 0);
    // 127 and 128 double-byte characters: 254 and 256 bytes as Shift-JIS.
    EXPECT_EQ(writeTickMT5(std::wstring(128, L'円').c_str()), 0);
    EXPECT_EQ(writeTickMT5(std::wstring(127, L'円').c_str()), 1);
    std::string expected;
    for (int i = 0; i < 127; ++i)
        expected += "\x89\x7E";
    EXPECT_EQ(std::string(ReadLinesMT5()), expected + "\n");
    EXPECT_EQ(writeTickMT5(L""), 0);
    EXPECT_EQ(writeTickMT5(nullptr), 0);
    ASSERT_TRUE(writeTick("first\nsecond"));  // delivered as written
    EXPECT_EQ(std::string(ReadLinesMT5()), "first\nsecond\n");
}

TEST_F(FeedDll, ShiftJisRoundTripOfAJapaneseSymbol)
{
    ASSERT_EQ(writeSymbolMT5(L"ドル円・日経225"), 1);
    const std::string symbol = getsymbolcMT5();
    EXPECT_EQ(symbol, "\x83\x68\x83\x8B\x89\x7E\x81\x45\x93\xFA\x8C\x6F" "225");
    wchar_t back[64] = {};
    MultiByteToWideChar(932, 0, symbol.c_str(), -1, back, 64);
    EXPECT_EQ(std::wstring(back), L"ドル円・日経225");
    EXPECT_EQ(writeSymbolMT5(std::wstring(64, L'S').c_str()), 0);
}

TEST_F(FeedDll, TwoHundredThousandHistoryLinesComeBackWhole)
{
    std::string expected;
    expected.reserve(200000 * 58);
    for (int i = 0; i < 200000; ++i) {
        if (i)
            expected += '\n';
        expected += tick(i);
    }
    ASSERT_EQ(writeHistoryMT5(wide(expected).c_str()), 1);
    const std::string history = iniReadLinesMT5();
    EXPECT_EQ(history.size(), expected.size());
    EXPECT_TRUE(history == expected);
    // A new history replaces the old one, and an empty one empties it.
    ASSERT_EQ(writeHistoryMT5(L"2026/01/05 09:00:00.000,1,1,1,1"), 1);
    EXPECT_STREQ(iniReadLinesMT5(), "2026/01/05 09:00:00.000,1,1,1,1");
    ASSERT_EQ(writeHistoryMT5(L""), 1);
    EXPECT_STREQ(iniReadLinesMT5(), "");
}

TEST_F(FeedDll, TwoReaderProcessesEachReceiveEveryTickInOrder)
{
    constexpr int kTicks = 400;
    ScopedEvent readyA(L"Local\\OrvaneFeedTest.ReadyA");
    ScopedEvent readyB(L"Local\\OrvaneFeedTest.ReadyB");
    const std::wstring outA = tempFile(L"feed_reader_a_"), outB = tempFile(L"feed_reader_b_");
    ChildProcess a, b;
    ASSERT_TRUE(a.start(L"feed_peer.exe", L"reader " + readyA.name() + L" \"" + wide(tick(kTicks - 1)) + L"\" \"" + outA + L"\""));
    ASSERT_TRUE(b.start(L"feed_peer.exe", L"reader " + readyB.name() + L" \"" + wide(tick(kTicks - 1)) + L"\" \"" + outB + L"\""));
    ASSERT_TRUE(readyA.wait(30000));
    ASSERT_TRUE(readyB.wait(30000));
    // About one tick per poll of the readers, as a fast market against a 10-ms paint.
    for (int i = 0; i < kTicks; ++i) {
        ASSERT_TRUE(writeTick(tick(i)));
        Sleep(4);
    }
    DWORD code = 1;
    ASSERT_TRUE(a.wait(60000, code));
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(b.wait(60000, code));
    EXPECT_EQ(code, 0u);
    std::string expected;
    for (int i = 0; i < kTicks; ++i)
        expected += tick(i) + "\n";
    EXPECT_TRUE(readFile(outA) == expected) << readFile(outA).substr(0, 400);
    EXPECT_TRUE(readFile(outB) == expected) << readFile(outB).substr(0, 400);
    DeleteFileW(outA.c_str());
    DeleteFileW(outB.c_str());
}

TEST(FeedDllWriters, SecondWriterRefusedWhileTheFirstLivesAllowedAfterClose)
{
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(runPeer(L"writer-try"), 0);
    // Another thread of this process is not the live writer either.
    int fromThread = -1;
    std::thread([&] { fromThread = openFeedWriterMT5(); }).join();
    EXPECT_EQ(fromThread, 0);
    ASSERT_EQ(closeFeedWriterMT5(), 1);
    EXPECT_EQ(runPeer(L"writer-try"), 1);
}

// All EAs of a terminal share one loaded DLL, each on its own thread: a second EA, refused at
// OnInit, still runs OnDeinit, and nothing it calls may touch the first one's writer.
TEST(FeedDllWriters, OnlyTheWritersOwnThreadWritesOrCloses)
{
    ASSERT_EQ(initSendticksMT5(), 1);
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(feedWriterRefusalMT5(), kFeedWriterNotRefused);
    ASSERT_EQ(writeSymbolMT5(L"FIRST"), 1);
    ASSERT_TRUE(writeTick(tick(1)));
    int results[7] = {-1, -1, -1, -1, -1, -1, -1};
    int refusal = -1;
    std::thread([&] {
        results[0] = openFeedWriterMT5();
        refusal = feedWriterRefusalMT5();
        results[1] = writeSymbolMT5(L"SECOND");
        results[2] = writeTimespanMT5(5);
        results[3] = writeHistoryMT5(wide(tick(0)).c_str());
        results[4] = writeHistoryMT5(L"");
        results[5] = writeTickMT5(wide(tick(2)).c_str());
        results[6] = closeFeedWriterMT5();
    }).join();
    for (int result : results)
        EXPECT_EQ(result, 0);
    EXPECT_EQ(refusal, kFeedWriterRefusedThisProcess);
    EXPECT_EQ(feedWriterRefusalMT5(), kFeedWriterNotRefused);  // the reason is the calling thread's
    EXPECT_STREQ(getsymbolcMT5(), "FIRST");
    EXPECT_EQ(gettimespanMT5(), 0);
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(1) + "\n");
    // The first writer still writes, and another process is still refused.
    ASSERT_TRUE(writeTick(tick(3)));
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(3) + "\n");
    EXPECT_EQ(runPeer(L"writer-try"), 0);
    ASSERT_EQ(closeFeedWriterMT5(), 1);

    // An EA thread that ends without closing leaves the writer to the next one that opens.
    int opened = -1;
    std::thread([&] { opened = openFeedWriterMT5(); }).join();
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(writeTick(tick(4)), false);
    EXPECT_EQ(closeFeedWriterMT5(), 0);
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(feedWriterRefusalMT5(), kFeedWriterNotRefused);
    ASSERT_TRUE(writeTick(tick(5)));
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(5) + "\n");
    ASSERT_EQ(closeFeedWriterMT5(), 1);
    deinitSendticksMT5();
}

TEST(FeedDllWriters, WriterReplacedAfterItsProcessEnds)
{
    ASSERT_EQ(initSendticksMT5(), 1);
    // A writer that is killed while it holds the feed.
    {
        ScopedEvent ready(L"Local\\OrvaneFeedTest.Holder");
        ChildProcess holder;
        ASSERT_TRUE(holder.start(L"feed_peer.exe", L"writer-hold " + ready.name() + L" HOLDER"));
        ASSERT_TRUE(ready.wait(30000));
        EXPECT_STREQ(getsymbolcMT5(), "HOLDER");
        EXPECT_EQ(openFeedWriterMT5(), 0);
        EXPECT_EQ(feedWriterRefusalMT5(), kFeedWriterRefusedOtherProcess);
        holder.terminate();
    }
    ASSERT_EQ(openFeedWriterMT5(), 1);
    ASSERT_EQ(writeSymbolMT5(L"AFTER-KILL"), 1);
    EXPECT_STREQ(getsymbolcMT5(), "AFTER-KILL");
    ASSERT_EQ(closeFeedWriterMT5(), 1);

    // A writer that ends without closing; the reader follows the next writer from its newest tick.
    EXPECT_EQ(runPeer(L"writer-abandon OLD \"" + wide(tick(5)) + L"\""), 0);
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(5) + "\n");
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_STREQ(getsymbolcMT5(), "");
    ASSERT_TRUE(writeTick(tick(10)));
    ASSERT_TRUE(writeTick(tick(11)));
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(11) + "\n");
    ASSERT_TRUE(writeTick(tick(12)));
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(12) + "\n");
    closeFeedWriterMT5();
    deinitSendticksMT5();
}

// Writes straight into the mapping, as a broken or hostile process could.
class RawSection {
public:
    RawSection()
    {
        handle_ = OpenFileMappingW(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, kFeedSectionName);
        if (handle_)
            view_ = static_cast<unsigned char*>(MapViewOfFile(handle_, FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, sizeof(FeedSection)));
    }
    RawSection(const RawSection&) = delete;
    RawSection& operator=(const RawSection&) = delete;
    ~RawSection()
    {
        if (view_)
            UnmapViewOfFile(view_);
        if (handle_)
            CloseHandle(handle_);
    }
    unsigned char* bytes() const { return view_; }

private:
    HANDLE handle_ = nullptr;
    unsigned char* view_ = nullptr;
};

bool wellFormed(const std::string& line)
{
    return line.empty() || (line.size() <= 256 && line.back() == '\n' && line.find('\0') == std::string::npos);
}

TEST_F(FeedDll, CorruptedOrForeignSectionNeverCrashesAReader)
{
    ASSERT_EQ(writeSymbolMT5(L"SYM"), 1);
    ASSERT_EQ(writeHistoryMT5(L"h1\nh2"), 1);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(writeTick(tick(i)));
    RawSection raw;
    ASSERT_NE(raw.bytes(), nullptr);

    // A section of another version: empty texts, timespan 0.
    raw.bytes()[offsetof(FeedHeader, version)] = 2;
    EXPECT_STREQ(ReadLinesMT5(), "");
    EXPECT_STREQ(getsymbolcMT5(), "");
    EXPECT_STREQ(iniReadLinesMT5(), "");
    EXPECT_EQ(gettimespanMT5(), 0);

    // Random damage, with the header shape sometimes intact so that the ring is really read.
    std::mt19937 random(99);
    for (int round = 0; round < 200; ++round) {
        const bool keepShape = round % 2 == 0;
        FeedHeader shape;
        std::memcpy(&shape, raw.bytes(), 24);
        for (int k = 0; k < 300; ++k)
            raw.bytes()[random() % sizeof(FeedSection)] = static_cast<unsigned char>(random());
        if (keepShape) {
            shape.version = kFeedVersion;
            shape.magic = kFeedMagic;
            std::memcpy(raw.bytes(), &shape, 24);
        }
        for (int k = 0; k < 5; ++k) {
            EXPECT_TRUE(wellFormed(ReadLinesMT5()));
            EXPECT_LE(std::strlen(getsymbolcMT5()), kFeedMaxSymbolBytes);
            iniReadLinesMT5();
            gettimespanMT5();
        }
    }

    // Garbage written while a reader polls, from another thread.
    std::atomic<bool> stop{false};
    std::thread vandal([&] {
        std::mt19937 r(7);
        while (!stop)
            raw.bytes()[r() % sizeof(FeedSection)] = static_cast<unsigned char>(r());
    });
    for (int k = 0; k < 20000; ++k)
        ASSERT_TRUE(wellFormed(ReadLinesMT5()));
    stop = true;
    vandal.join();

    // A new writer makes the section valid again.
    ASSERT_EQ(openFeedWriterMT5(), 1);
    ASSERT_TRUE(writeTick(tick(500)));
    EXPECT_EQ(std::string(ReadLinesMT5()), tick(500) + "\n");
}

TEST_F(FeedDll, WriterAndReaderThreadsAtFullSpeedNeverGiveATornLine)
{
    std::atomic<bool> done{false};
    auto lineFor = [](int n) {
        return std::to_string(n) + ":" + std::string(static_cast<std::size_t>(10 + n % 240), static_cast<char>('a' + n % 26));
    };
    // Writes are taken from the writer's own thread only: the racing thread opens for itself.
    ASSERT_EQ(closeFeedWriterMT5(), 1);
    std::atomic<int> opened{-1};
    std::thread writerThread([&] {
        opened = openFeedWriterMT5();
        for (int n = 0; n < 200000; ++n)
            writeTickMT5(wide(lineFor(n)).c_str());
        closeFeedWriterMT5();
        done = true;
    });
    int last = -1;
    int distinct = 0;
    while (!done) {
        std::string line = ReadLinesMT5();
        if (line.empty())
            continue;
        ASSERT_EQ(line.back(), '\n');
        line.pop_back();
        const int n = std::stoi(line);
        ASSERT_EQ(line, lineFor(n));
        ASSERT_GE(n, last);
        distinct += n != last ? 1 : 0;
        last = n;
    }
    writerThread.join();
    EXPECT_EQ(opened, 1);
    EXPECT_GT(distinct, 10);  // the reader really raced the writer
    ASSERT_EQ(openFeedWriterMT5(), 1);  // as the fixture expects
}

} // namespace
