// The terminal bridge (mql5/OrvaneFeedBridge.mq5) cannot be compiled here, so this test plays its
// exact call sequence against the real DLL: OnInit (open, symbol, timeframe, history of completed
// M1 bars, the running bar), OnTick/OnTimer reading CopyTicks from the last written millisecond and
// retrying the history, OnDeinit (close), OnInit again as the terminal does on a symbol or
// timeframe change, and a second EA of the same terminal on a thread of its own. A reader makes the
// chart client's calls in the chart client's order.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "interfaces/orvane_driver.h"
#include "tools/market_sim.h"

namespace {

// MQL5's TICK_FLAG_* values.
constexpr unsigned kFlagBid = 2, kFlagAsk = 4, kFlagLast = 8, kFlagBuy = 32;

struct Tick {
    long long msc;
    double bid;
    unsigned flags = kFlagBid;
    double last = 0;
};

struct Bar {
    long long minute;  // minutes since 1970
    double open, high, low, close;
};

constexpr long long kDayStart = 20458LL * 86400 * 1000;
constexpr long long kNine = kDayStart + 9LL * 3600 * 1000;

// What the terminal would hand the bridge: symbol properties, M1 bars and the tick history.
struct Terminal {
    std::vector<Tick> ticks;
    int digits = 3;
    int periodMinutes = 1;
    bool chartModeLast = false;
    long long minute = kNine / 60000;  // the running minute
    int barsReady = 5000;              // completed M1 bars the terminal has loaded (-1: none yet)
    bool runningBarReady = true;

    std::vector<Tick> copyTicks(long long from) const
    {
        std::vector<Tick> out;
        for (const Tick& t : ticks)
            if (t.msc >= from)
                out.push_back(t);
        return out;
    }
    // CopyRates(_Symbol, PERIOD_M1, start, count): oldest first, -1 (empty) when not ready.
    std::vector<Bar> copyRates(int start, int count) const
    {
        std::vector<Bar> out;
        const int available = start == 0 ? (runningBarReady ? 1 : 0) : std::min(count, barsReady);
        for (int i = available; i >= 1; --i)
            out.push_back({minute - start - i + 1, 150.0, 150.1, 149.9, 150.05});
        return out;
    }
};

// The bridge's Stamp: the terminal's time as "YYYY/MM/DD hh:mm:ss.mmm".
std::string stamp(long long msc)
{
    const CivilTime t = toCivilTime(msc);
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

std::string price(double value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

std::string line(long long msc, double open, double high, double low, double close, int digits)
{
    return stamp(msc) + "," + price(open, digits) + "," + price(high, digits) + "," + price(low, digits) + "," +
           price(close, digits);
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// mql5/OrvaneFeedBridge.mq5, statement for statement. `log` holds what it Prints.
struct Bridge {
    const Terminal& terminal;
    std::wstring symbol;
    int historyBars = 2000;
    bool opened = false;
    bool writing = false;
    int timerCount = 0;
    bool useLast = false;
    int historyCount = -1;
    long long historyEnd = 0;
    long long lastMsc = 0;
    int doneAtLast = 0;
    long long barMinute = 0;
    double barOpen = 0, barHigh = 0, barLow = 0;
    std::vector<std::string> written;
    std::vector<std::string> log;
    int historyWrites = 0;

    bool onInit()
    {
        opened = false;
        writing = false;
        if (openFeedWriterMT5() != 1) {
            const int reason = feedWriterRefusalMT5();
            if (reason == 1)
                log.push_back("OrvaneFeedBridge: another OrvaneFeedBridge in this terminal writes the feed; this one stops");
            else if (reason == 2)
                log.push_back("OrvaneFeedBridge: another terminal or orvane-feed writes the feed; this one stops");
            else
                log.push_back("OrvaneFeedBridge: the feed cannot be opened; this one stops");
            return false;  // INIT_FAILED
        }
        opened = true;
        startWriting();
        return true;
    }

    void onDeinit()
    {
        if (opened)
            closeFeedWriterMT5();
        opened = false;
        writing = false;
    }

    void startWriting()
    {
        writing = true;
        useLast = terminal.chartModeLast;
        isWritten(writeSymbolMT5(symbol.c_str()));
        isWritten(writeTimespanMT5(terminal.periodMinutes));
        historyCount = -1;
        historyEnd = 0;
        writeHistory();
        barMinute = 0;
        const std::vector<Bar> current = terminal.copyRates(0, 1);
        if (current.size() == 1) {
            barMinute = current[0].minute;
            barOpen = current[0].open;
            barHigh = current[0].high;
            barLow = current[0].low;
        }
        lastMsc = terminal.ticks.empty() ? terminal.minute * 60000 : terminal.ticks.back().msc;  // SymbolInfoTick
        doneAtLast = 0;
    }

    bool isWritten(int result)
    {
        if (result == 1)
            return true;
        if (writing)
            log.push_back("OrvaneFeedBridge: the feed refuses this EA's writes; opening it again");
        writing = false;
        return false;
    }

    void writeHistory()
    {
        const std::vector<Bar> rates = terminal.copyRates(1, historyBars);
        const int count = terminal.barsReady < 0 ? -1 : static_cast<int>(rates.size());
        if (!writing || count <= 0 || (count == historyCount && rates.back().minute == historyEnd))
            return;
        std::string history;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                history += "\n";
            const Bar& r = rates[static_cast<std::size_t>(i)];
            history += line(r.minute * 60000, r.open, r.high, r.low, r.close, terminal.digits);
        }
        ++historyWrites;
        if (isWritten(writeHistoryMT5(wide(history).c_str()))) {
            historyCount = count;
            historyEnd = rates.back().minute;
        }
    }

    void onTick()
    {
        if (writing)
            writeNewTicks();
    }

    void onTimer()
    {
        ++timerCount;
        if (!writing) {
            if (timerCount % 10 == 0 && openFeedWriterMT5() == 1) {
                opened = true;
                log.push_back("OrvaneFeedBridge: writes the feed again");
                startWriting();
            }
            return;
        }
        writeNewTicks();
        if (timerCount % 10 == 0)
            writeHistory();
    }

    void writeNewTicks()
    {
        const std::vector<Tick> ticks = terminal.copyTicks(lastMsc);
        int skip = doneAtLast;
        const unsigned changed = useLast ? kFlagLast : kFlagBid;
        for (std::size_t i = 0; i < ticks.size() && writing; ++i) {
            const Tick& t = ticks[i];
            if (t.msc < lastMsc)
                continue;
            if (t.msc == lastMsc && skip > 0) {
                --skip;
                continue;
            }
            if (t.msc == lastMsc) {
                ++doneAtLast;
            } else {
                lastMsc = t.msc;
                doneAtLast = 1;
            }
            const double value = useLast ? t.last : t.bid;
            if ((t.flags & changed) == 0 || value <= 0)
                continue;
            const long long minute = t.msc / 60000;
            if (minute != barMinute) {
                barMinute = minute;
                barOpen = barHigh = barLow = value;
            }
            barHigh = std::max(barHigh, value);
            barLow = std::min(barLow, value);
            const std::string text = line(t.msc, barOpen, barHigh, barLow, value, terminal.digits);
            if (isWritten(writeTickMT5(wide(text).c_str())))
                written.push_back(text);
        }
    }
};

// Reads until nothing is unread (the latest tick comes back again) and returns that tick.
std::string newestRead()
{
    std::string previous = ReadLinesMT5();
    for (int i = 0; i < 100; ++i) {
        std::string text = ReadLinesMT5();
        if (text == previous)
            break;
        previous = text;
    }
    return previous;
}

std::size_t lineCount(const std::string& text)
{
    return text.empty() ? 0 : static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

TEST(BridgeSequence, TerminalBridgeCallsReachTheChartClientsCalls)
{
    Terminal terminal;
    terminal.ticks.push_back({kNine + 500, 150.010});
    Bridge bridge{terminal, L"USDJPY"};
    ASSERT_TRUE(bridge.onInit());

    // The chart client's start-up sequence.
    ASSERT_EQ(initSendticksMT5(), 1);
    const std::string history = iniReadLinesMT5();
    EXPECT_EQ(lineCount(history), 2000u);
    EXPECT_EQ(history.substr(0, 55), "2026/01/03 23:40:00.000,150.000,150.100,149.900,150.050");
    EXPECT_EQ(gettimespanMT5(), 1);
    EXPECT_STREQ(getsymbolcMT5(), "USDJPY");
    EXPECT_STREQ(ReadLinesMT5(), "");

    // The first pump writes the tick the terminal already had; then ticks arrive, some in the same
    // millisecond, some while OnTick events were dropped (only the timer pumps), some that changed
    // only the ask (no line: the bars are built from bid).
    bridge.onTimer();
    std::vector<std::string> received;
    auto poll = [&] {
        const std::string text = ReadLinesMT5();
        if (!text.empty() && (received.empty() || received.back() != text))
            received.push_back(text);
    };
    poll();
    const double prices[] = {150.020, 150.005, 150.030, 149.990, 150.000, 150.015};
    long long msc = kNine + 500;
    std::size_t bidTicks = 1;
    for (int round = 0; round < 30; ++round) {
        const int burst = round % 3 + 1;
        for (int k = 0; k < burst; ++k) {
            msc += (k == 1) ? 0 : 4700;  // the second tick of a burst shares its millisecond
            const bool askOnly = round % 4 == 3 && k == 0;
            terminal.ticks.push_back({msc, prices[(round + k) % 6] + round * 0.001, askOnly ? kFlagAsk : kFlagBid | kFlagAsk});
            bidTicks += askOnly ? 0 : 1;
        }
        if (round % 2 == 0)
            bridge.onTick();
        bridge.onTimer();
        poll();
        poll();
    }
    for (int i = 0; i < 5; ++i)
        poll();
    ASSERT_EQ(bridge.written.size(), bidTicks);  // nothing lost, nothing twice, no ask-only tick
    ASSERT_EQ(received.size(), bridge.written.size());
    for (std::size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(received[i], bridge.written[i] + "\n");
    EXPECT_NE(bridge.written[20].substr(0, 16), bridge.written[0].substr(0, 16));  // the minute rolled over
    EXPECT_TRUE(bridge.log.empty());

    // Timeframe changed to M5: the terminal calls OnDeinit and OnInit on the same EA and thread.
    bridge.onDeinit();
    terminal.periodMinutes = 5;
    bridge.written.clear();
    ASSERT_TRUE(bridge.onInit());
    EXPECT_EQ(gettimespanMT5(), 5);
    terminal.ticks.push_back({msc + 900, 150.222});
    bridge.onTimer();
    ASSERT_EQ(bridge.written.size(), 2u);  // the terminal's current tick, then the new one
    EXPECT_EQ(std::string(ReadLinesMT5()), bridge.written.back() + "\n");
    bridge.onDeinit();
    deinitSendticksMT5();
}

// A second EA of the same terminal runs on a thread of its own and shares the loaded DLL: refused
// at OnInit, it says why and its OnDeinit leaves the first EA's writer alone. Writes that start
// being refused are said once; the timer opens the writer again as soon as it is free.
TEST(BridgeSequence, SecondEaRefusedAndClosedWhileTheFirstWritesOn)
{
    Terminal terminal;
    terminal.ticks.push_back({kNine + 100, 150.010});
    Bridge first{terminal, L"USDJPY"};
    ASSERT_TRUE(first.onInit());
    ASSERT_EQ(initSendticksMT5(), 1);
    first.onTimer();

    Bridge second{terminal, L"EURJPY"};
    bool secondInit = true;
    int strayClose = -1;
    std::thread([&] {
        secondInit = second.onInit();
        second.onDeinit();                    // the terminal runs OnDeinit after INIT_FAILED
        strayClose = closeFeedWriterMT5();    // as the bridge before it did: refused by the DLL
    }).join();
    EXPECT_FALSE(secondInit);
    EXPECT_EQ(strayClose, 0);
    ASSERT_EQ(second.log.size(), 1u);
    EXPECT_EQ(second.log[0], "OrvaneFeedBridge: another OrvaneFeedBridge in this terminal writes the feed; this one stops");
    EXPECT_TRUE(second.written.empty());

    terminal.ticks.push_back({kNine + 2100, 150.030});
    first.onTick();
    ASSERT_EQ(first.written.size(), 2u);
    EXPECT_EQ(newestRead(), first.written.back() + "\n");
    EXPECT_STREQ(getsymbolcMT5(), "USDJPY");
    EXPECT_TRUE(first.log.empty());

    // The first EA loses the writer and another thread holds it: one log line, refused reopens.
    ASSERT_EQ(closeFeedWriterMT5(), 1);
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        const int held = openFeedWriterMT5();
        SetEvent(taken);
        WaitForSingleObject(release, INFINITE);
        if (held == 1)
            closeFeedWriterMT5();
    });
    ASSERT_EQ(WaitForSingleObject(taken, 10000), WAIT_OBJECT_0);
    for (int i = 0; i < 3; ++i)
        terminal.ticks.push_back({kNine + 3000 + i * 700, 150.040 + i * 0.001});
    for (int i = 0; i < 25; ++i)
        first.onTimer();
    first.onTick();
    EXPECT_EQ(first.written.size(), 2u);
    ASSERT_EQ(first.log.size(), 1u);
    EXPECT_EQ(first.log[0], "OrvaneFeedBridge: the feed refuses this EA's writes; opening it again");
    SetEvent(release);
    holder.join();
    CloseHandle(taken);
    CloseHandle(release);

    for (int i = 0; i < 10 && first.log.size() < 2; ++i)
        first.onTimer();
    ASSERT_EQ(first.log.size(), 2u);
    EXPECT_EQ(first.log[1], "OrvaneFeedBridge: writes the feed again");
    EXPECT_STREQ(getsymbolcMT5(), "USDJPY");
    EXPECT_EQ(lineCount(iniReadLinesMT5()), 2000u);
    terminal.ticks.push_back({kNine + 9000, 150.090});
    first.onTimer();
    EXPECT_EQ(newestRead(), first.written.back() + "\n");
    EXPECT_EQ(first.written.back().substr(24), "150.000,150.100,149.900,150.090");
    first.onDeinit();
    deinitSendticksMT5();
}

// At terminal start CopyRates has no bars or fewer than asked for: the timer writes the history
// again as it grows, then once per new minute.
TEST(BridgeSequence, HistoryCompletedOnTheTimer)
{
    Terminal terminal;
    terminal.barsReady = -1;
    Bridge bridge{terminal, L"USDJPY"};
    ASSERT_TRUE(bridge.onInit());
    EXPECT_STREQ(iniReadLinesMT5(), "");
    auto seconds = [&](int n) {
        for (int i = 0; i < n * 10; ++i)
            bridge.onTimer();
    };
    seconds(1);
    EXPECT_STREQ(iniReadLinesMT5(), "");
    terminal.barsReady = 300;
    seconds(1);
    EXPECT_EQ(lineCount(iniReadLinesMT5()), 300u);
    terminal.barsReady = 1800;
    seconds(2);
    EXPECT_EQ(lineCount(iniReadLinesMT5()), 1800u);
    terminal.barsReady = 5000;
    seconds(1);
    const std::string complete = iniReadLinesMT5();
    EXPECT_EQ(lineCount(complete), 2000u);
    EXPECT_EQ(complete.substr(complete.size() - 55, 23), stamp((terminal.minute - 1) * 60000));
    EXPECT_EQ(bridge.historyWrites, 3);
    seconds(5);
    EXPECT_EQ(bridge.historyWrites, 3);  // nothing new, nothing written

    ++terminal.minute;
    seconds(1);
    const std::string later = iniReadLinesMT5();
    EXPECT_EQ(lineCount(later), 2000u);
    EXPECT_EQ(later.substr(later.size() - 55, 23), stamp((terminal.minute - 1) * 60000));
    EXPECT_EQ(bridge.historyWrites, 4);
    EXPECT_TRUE(bridge.log.empty());
    bridge.onDeinit();
}

// The chart changes symbol in the middle of a minute: the new symbol's first line carries none of
// the old symbol's open, high or low. An exchange symbol is written from Last, tick by Last tick.
TEST(BridgeSequence, SymbolChangeMidMinuteStartsTheBarAgain)
{
    Terminal terminal;
    terminal.ticks.push_back({kNine + 1000, 150.500});
    terminal.ticks.push_back({kNine + 2000, 149.500});
    Bridge bridge{terminal, L"USDJPY"};
    ASSERT_TRUE(bridge.onInit());
    ASSERT_EQ(initSendticksMT5(), 1);
    bridge.onTimer();
    ASSERT_EQ(bridge.written.size(), 1u);
    EXPECT_EQ(bridge.written[0].substr(24), "150.000,150.100,149.500,149.500");

    // Now 7203, bars built from Last; the terminal has no M1 bar of it for this minute yet.
    bridge.onDeinit();
    terminal.ticks = {{kNine + 30000, 2500.0, kFlagBid | kFlagAsk | kFlagLast, 2501.0}};
    terminal.chartModeLast = true;
    terminal.digits = 1;
    terminal.runningBarReady = false;
    bridge.symbol = L"7203";
    bridge.written.clear();
    ASSERT_TRUE(bridge.onInit());
    terminal.ticks.push_back({kNine + 31000, 2499.0, kFlagBid, 2501.0});  // bid only: no deal
    terminal.ticks.push_back({kNine + 32000, 2499.0, kFlagAsk, 2501.0});  // ask only
    terminal.ticks.push_back({kNine + 33000, 2499.0, kFlagLast | kFlagBuy, 2503.5});
    terminal.ticks.push_back({kNine + 61000, 2499.0, kFlagLast, 2502.0});  // the next minute
    bridge.onTimer();
    ASSERT_EQ(bridge.written.size(), 3u);
    EXPECT_EQ(bridge.written[0], stamp(kNine + 30000) + ",2501.0,2501.0,2501.0,2501.0");
    EXPECT_EQ(bridge.written[1], stamp(kNine + 33000) + ",2501.0,2503.5,2501.0,2503.5");
    EXPECT_EQ(bridge.written[2], stamp(kNine + 61000) + ",2502.0,2502.0,2502.0,2502.0");
    EXPECT_STREQ(getsymbolcMT5(), "7203");
    EXPECT_EQ(newestRead(), bridge.written.back() + "\n");
    bridge.onDeinit();
    deinitSendticksMT5();
}

} // namespace
