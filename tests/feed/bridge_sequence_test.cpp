// The terminal bridge (mql5/OrvaneFeedBridge.mq5) cannot be compiled here, so this test plays its
// exact call sequence against the real DLL: OnInit (open, symbol, timeframe, history of completed
// M1 bars), OnTick/OnTimer reading CopyTicks from the last written millisecond, OnDeinit (close),
// and OnInit again as the terminal does on a timeframe change. A reader makes the chart client's
// calls in the chart client's order.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "interfaces/orvane_driver.h"
#include "tools/market_sim.h"

namespace {

struct Tick {
    long long msc;
    double bid;
};

// What the terminal would hand the bridge: M1 bars and the tick history behind CopyTicks.
struct Terminal {
    std::vector<Tick> ticks;
    int digits = 3;
    int periodMinutes = 1;

    std::vector<Tick> copyTicks(long long from) const
    {
        std::vector<Tick> out;
        for (const Tick& t : ticks)
            if (t.msc >= from)
                out.push_back(t);
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

constexpr long long kDayStart = 20458LL * 86400 * 1000;
constexpr long long kNine = kDayStart + 9LL * 3600 * 1000;

// mql5/OrvaneFeedBridge.mq5, statement for statement.
struct Bridge {
    const Terminal& terminal;
    long long lastMsc = 0;
    int doneAtLast = 0;
    long long barMinute = -1;
    double barOpen = 0, barHigh = 0, barLow = 0;
    std::vector<std::string> written;

    bool onInit(const wchar_t* symbol)
    {
        if (openFeedWriterMT5() != 1)
            return false;
        writeSymbolMT5(symbol);
        writeTimespanMT5(terminal.periodMinutes);
        std::string history;
        for (int i = 0; i < 2000; ++i) {  // CopyRates(_Symbol, PERIOD_M1, 1, 2000): completed bars
            if (i > 0)
                history += "\n";
            const long long minute = kNine - (2000 - i) * 60000LL;
            history += line(minute, 150.0, 150.1, 149.9, 150.05, terminal.digits);
        }
        writeHistoryMT5(wide(history).c_str());
        barMinute = kNine / 60000;  // CopyRates(..., 0, 1): the running minute
        barOpen = barHigh = barLow = 150.0;
        lastMsc = terminal.ticks.empty() ? kNine : terminal.ticks.back().msc;  // SymbolInfoTick
        doneAtLast = 0;
        return true;
    }

    void onDeinit() { closeFeedWriterMT5(); }

    void writeNewTicks()
    {
        const std::vector<Tick> ticks = terminal.copyTicks(lastMsc);
        int skip = doneAtLast;
        for (const Tick& t : ticks) {
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
            if (t.bid <= 0)
                continue;
            const long long minute = t.msc / 60000;
            if (minute != barMinute) {
                barMinute = minute;
                barOpen = barHigh = barLow = t.bid;
            }
            barHigh = std::max(barHigh, t.bid);
            barLow = std::min(barLow, t.bid);
            const std::string text = line(t.msc, barOpen, barHigh, barLow, t.bid, terminal.digits);
            EXPECT_EQ(writeTickMT5(wide(text).c_str()), 1);
            written.push_back(text);
        }
    }
};

TEST(BridgeSequence, TerminalBridgeCallsReachTheChartClientsCalls)
{
    Terminal terminal;
    terminal.ticks.push_back({kNine + 500, 150.010});
    Bridge bridge{terminal};
    ASSERT_TRUE(bridge.onInit(L"USDJPY"));

    // The chart client's start-up sequence.
    ASSERT_EQ(initSendticksMT5(), 1);
    const std::string history = iniReadLinesMT5();
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 1999);
    EXPECT_EQ(history.substr(0, 55), "2026/01/03 23:40:00.000,150.000,150.100,149.900,150.050");
    EXPECT_EQ(gettimespanMT5(), 1);
    EXPECT_STREQ(getsymbolcMT5(), "USDJPY");
    EXPECT_STREQ(ReadLinesMT5(), "");

    // The first pump writes the tick the terminal already had; then ticks arrive, some in the same
    // millisecond, some while OnTick events were dropped (only the timer pumps).
    bridge.writeNewTicks();
    std::vector<std::string> received;
    auto poll = [&] {
        const std::string text = ReadLinesMT5();
        if (!text.empty() && (received.empty() || received.back() != text))
            received.push_back(text);
    };
    poll();
    const double prices[] = {150.020, 150.005, 150.030, 149.990, 150.000, 150.015};
    long long msc = kNine + 500;
    for (int round = 0; round < 30; ++round) {
        const int burst = round % 3 + 1;
        for (int k = 0; k < burst; ++k) {
            msc += (k == 1) ? 0 : 4700;  // the second tick of a burst shares its millisecond
            terminal.ticks.push_back({msc, prices[(round + k) % 6] + round * 0.001});
        }
        bridge.writeNewTicks();
        poll();
        poll();
    }
    for (int i = 0; i < 5; ++i)
        poll();
    ASSERT_EQ(bridge.written.size(), terminal.ticks.size());  // nothing lost, nothing twice
    ASSERT_EQ(received.size(), bridge.written.size());
    for (std::size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(received[i], bridge.written[i] + "\n");
    EXPECT_NE(bridge.written[20].substr(0, 16), bridge.written[0].substr(0, 16));  // the minute rolled over

    // Timeframe changed to M5: the terminal calls OnDeinit and OnInit on the same thread.
    bridge.onDeinit();
    terminal.periodMinutes = 5;
    Bridge again{terminal};
    ASSERT_TRUE(again.onInit(L"USDJPY"));
    EXPECT_EQ(gettimespanMT5(), 5);
    terminal.ticks.push_back({msc + 900, 150.222});
    again.writeNewTicks();
    ASSERT_EQ(again.written.size(), 2u);  // the terminal's current tick, then the new one
    EXPECT_EQ(std::string(ReadLinesMT5()), again.written.back() + "\n");
    again.onDeinit();
    deinitSendticksMT5();
}

} // namespace
