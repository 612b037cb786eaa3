// The terminal's tick and bar exports as orvane-feed replay reads them, checked against lines
// worked out by hand from the bridge's rule.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/mt5_export.h"

namespace {

const std::string kTicks =
    "<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\n"
    "2024.01.05\t09:00:59.900\t146.120\t146.130\t\t\t6\n"
    "2024.01.05\t09:01:00.050\t146.125\t146.135\t\t\t6\n"
    "2024.01.05\t09:01:00.050\t\t146.140\t\t\t4\n"          // ask only
    "2024.01.05\t09:01:01.000\t146.13\t146.14\t\t\t6\n"     // fewer decimals than the symbol has
    "2024.01.05\t09:01:30.250\t146.110\t\t\t\t2\n"
    "\n"
    "2024.01.05\t09:02:00.000\t146.200\t146.210\t\t\t6\n";

const std::string kBars =
    "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\n"
    "2024.01.05\t08:58:00\t146.000\t146.100\t145.990\t146.050\t12\t0\t8\n"
    "2024.01.05\t08:59:00\t146.05\t146.150\t146.040\t146.100\t9\t\t\n"
    "2024.01.05\t09:00:00\t146.100\t146.130\t146.090\t146.120\t20\t0\t8\n";  // the ticks cover this minute

std::string utf16(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

std::string crlf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::vector<std::string> encodings(const std::string& text)
{
    return {text, crlf(text), utf16(text), utf16(crlf(text)), "\xEF\xBB\xBF" + crlf(text)};
}

LocalMillis at(int hour, int minute)
{
    return toLocalMillis(CivilTime{2024, 1, 5, hour, minute, 0, 0});
}

TEST(Mt5Export, TicksBecomeTheBridgesLinesInEveryEncodingAndLineEnd)
{
    const std::vector<std::string> expected = {
        "2024/01/05 09:00:59.900,146.120,146.120,146.120,146.120",
        "2024/01/05 09:01:00.050,146.125,146.125,146.125,146.125",
        "2024/01/05 09:01:01.000,146.125,146.130,146.125,146.130",
        "2024/01/05 09:01:30.250,146.125,146.130,146.110,146.110",
        "2024/01/05 09:02:00.000,146.200,146.200,146.200,146.200",
    };
    for (const std::string& bytes : encodings(kTicks)) {
        const std::string text = decodeExportText(bytes);
        ASSERT_EQ(exportKind(text), ExportKind::Ticks);
        TickExport ticks;
        ASSERT_FALSE(parseTickExport(text, ticks).has_value());
        EXPECT_EQ(ticks.digits, 3);
        EXPECT_EQ(ticks.askOnlyRows, 1u);
        const ExportReplay replay = buildExportReplay(ticks, nullptr, std::nullopt);
        EXPECT_TRUE(replay.history.empty());
        EXPECT_EQ(replay.live, expected);
        ASSERT_EQ(replay.liveTimes.size(), 5u);
        EXPECT_EQ(replay.liveTimes[0], at(9, 0) + 59'900);
    }
}

TEST(Mt5Export, BarsAndTheTicksBeforeFromBecomeHistory)
{
    TickExport ticks;
    BarExport bars;
    ASSERT_FALSE(parseTickExport(decodeExportText(utf16(crlf(kTicks))), ticks).has_value());
    ASSERT_FALSE(parseBarExport(decodeExportText(kBars), bars).has_value());
    ASSERT_EQ(exportKind(kBars), ExportKind::Bars);
    ASSERT_EQ(bars.bars.size(), 3u);

    const ExportReplay replay = buildExportReplay(ticks, &bars, at(9, 1) + 30'000);  // within 09:01: from 09:01
    const std::vector<std::string> history = {
        "2024/01/05 08:58:00.000,146.000,146.100,145.990,146.050",
        "2024/01/05 08:59:00.000,146.050,146.150,146.040,146.100",
        "2024/01/05 09:00:00.000,146.120,146.120,146.120,146.120",  // from the ticks, not the bar export
    };
    EXPECT_EQ(replay.history, history);
    ASSERT_EQ(replay.live.size(), 4u);
    EXPECT_EQ(replay.live[0], "2024/01/05 09:01:00.050,146.125,146.125,146.125,146.125");
    EXPECT_EQ(replay.live[3], "2024/01/05 09:02:00.000,146.200,146.200,146.200,146.200");

    // A minute of several ticks as one bar; everything before `from`: nothing live.
    const ExportReplay all = buildExportReplay(ticks, nullptr, at(10, 0));
    EXPECT_TRUE(all.live.empty());
    EXPECT_EQ(all.history[1], "2024/01/05 09:01:00.000,146.125,146.130,146.110,146.110");
    EXPECT_EQ(all.history.size(), 3u);
    // Bars alone, with a tick export that has more decimals: every price gets them.
    TickExport finer;
    ASSERT_FALSE(parseTickExport("<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\n"
                                 "2024.01.05\t09:10:00.000\t146.1234\t\t\t\t2\n",
                                 finer)
                     .has_value());
    const ExportReplay mixed = buildExportReplay(finer, &bars, std::nullopt);
    ASSERT_EQ(mixed.history.size(), 3u);
    EXPECT_EQ(mixed.history[0], "2024/01/05 08:58:00.000,146.0000,146.1000,145.9900,146.0500");
    EXPECT_EQ(mixed.live[0], "2024/01/05 09:10:00.000,146.1234,146.1234,146.1234,146.1234");
}

TEST(Mt5Export, MalformedFilesNameTheLineAndTheFault)
{
    struct Case {
        std::string text;
        std::size_t line;
        std::string fragment;
    };
    const std::string header = "<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\n";
    const std::string good = "2024.01.05\t09:00:00.000\t1.5\t\t\t\t2\n";
    const std::vector<Case> cases = {
        {"<DATE>\t<TIME>\t<PRICE>\n" + good, 1, "unknown header"},
        {header + good + "2024.01.05\t09:00:00.000\t1.5\t\t\t2\n", 3, "7 tab-separated fields expected, 6 found"},
        {header + good + good + "2024.13.05\t09:00:00.000\t1.5\t\t\t\t2\n", 4, "date \"2024.13.05\""},
        {header + "2023.02.29\t09:00:00.000\t1.5\t\t\t\t2\n", 2, "date"},
        {header + "2024.01.05\t24:00:00.000\t1.5\t\t\t\t2\n", 2, "time \"24:00:00.000\""},
        {header + "2024.01.05\t09:00:00.0000\t1.5\t\t\t\t2\n", 2, "time"},
        {crlf(header + good + "2024.01.05\t09:00:00.000\t1,5\t\t\t\t2\n"), 3, "bid \"1,5\""},
        {header + "2024.01.05\t09:00:00.000\t-1.5\t\t\t\t2\n", 2, "bid"},
    };
    for (const Case& c : cases) {
        TickExport ticks;
        const auto error = parseTickExport(decodeExportText(c.text), ticks);
        ASSERT_TRUE(error.has_value()) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_NE(error->message.find(c.fragment), std::string::npos) << error->message;
    }
    BarExport bars;
    const auto empty = parseBarExport(kBars + "2024.01.05\t09:01:00\t146.1\t\t146.0\t146.0\t1\t0\t0\n", bars);
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->line, 5u);
    EXPECT_NE(empty->message.find("high \"\""), std::string::npos) << empty->message;
    EXPECT_TRUE(parseBarExport(kTicks, bars).has_value());  // a tick export is no bar export
    EXPECT_EQ(exportKind("#symbol X\n2024/01/05 09:00:00.000,1,1,1,1\n"), ExportKind::NotExport);
    EXPECT_EQ(exportKind("\n<DATE>\t<TIME>\t<PRICE>\n"), ExportKind::Unknown);
}

TEST(Mt5Export, ScheduleSymbolAndDigits)
{
    const std::vector<LocalMillis> times = {0, 1000, 1500, 1400, 10'000'000};
    EXPECT_EQ(liveSchedule(times, 10), (std::vector<double>{0, 100, 150, 150, 60'150}));
    EXPECT_EQ(liveSchedule(times, 0), (std::vector<double>(5, 0.0)));
    // At a high speed the fractions add up instead of rounding each gap away.
    std::vector<LocalMillis> fast(1001);
    for (std::size_t i = 0; i < fast.size(); ++i)
        fast[i] = static_cast<LocalMillis>(i) * 7;
    EXPECT_NEAR(liveSchedule(fast, 1000).back(), 7.0, 1e-6);

    EXPECT_EQ(symbolFromFileName("C:\\exports\\EURUSD_202401050000_202401052359.csv"), "EURUSD");
    EXPECT_EQ(symbolFromFileName("ticks/USDJPY.csv"), "USDJPY");
    EXPECT_EQ(symbolFromFileName("GBPJPY"), "GBPJPY");
}

} // namespace
