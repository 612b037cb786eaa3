// The product as a trader meets it: a scripted market goes in through the writer exports, the two
// shipped programs run on it, and what they show comes back out through their text views, their
// save dialog and the pixels of their windows. Every expectation below is worked out by hand from
// the scripted market, not by running the programs' own code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "e2e/e2e_support.h"

namespace {

constexpr const wchar_t* kChartExe = L"OrvaneWinClient.exe";
constexpr const wchar_t* kChartClass = L"ORVANEWINCLIENT";
constexpr const wchar_t* kRateExe = L"OrvaneRateInfo.exe";
constexpr const wchar_t* kRateClass = L"ORVANERATEINFO";

// Both programs take in one tick per refresh; writing a little slower than that keeps the test
// about delivery, not about the feed's catch-up rule.
constexpr DWORD kTickGapMs = 40;
constexpr DWORD kSettleMs = 20000;

// ---- a small market: five history minutes, then a live minute and the next --------------------

const std::vector<std::wstring> kSmallHistory = {
    L"2026/01/05 10:00:00.000,150.100,150.200,150.000,150.150",
    L"2026/01/05 10:01:00.000,150.150,150.250,150.100,150.200",
    L"2026/01/05 10:02:00.000,150.200,150.300,150.150,150.250",
    L"2026/01/05 10:03:00.000,150.250,150.300,150.200,150.220",
    L"2026/01/05 10:04:00.000,150.220,150.260,150.180,150.240",
};

// The third line repeats the second's close (kept out of the joined and received lists, but it
// still becomes the minute's newest bar); the fourth is cut short and must change nothing.
const std::vector<std::wstring> kSmallLive = {
    L"2026/01/05 10:05:01.100,150.240,150.260,150.230,150.250",
    L"2026/01/05 10:05:20.200,150.240,150.280,150.230,150.270",
    L"2026/01/05 10:05:40.300,150.240,150.290,150.230,150.270",
    L"2026/01/05 10:05:50.000,150.240,150.280",
    L"2026/01/05 10:06:02.400,150.270,150.275,150.265,150.268",
};

const std::wstring kSmallHistoryView =
    L"2026/01/05 10:04:00.000,150.220000,150.260000,150.180000,150.240000\r\n"
    L"2026/01/05 10:03:00.000,150.250000,150.300000,150.200000,150.220000\r\n"
    L"2026/01/05 10:02:00.000,150.200000,150.300000,150.150000,150.250000\r\n"
    L"2026/01/05 10:01:00.000,150.150000,150.250000,150.100000,150.200000\r\n"
    L"2026/01/05 10:00:00.000,150.100000,150.200000,150.000000,150.150000\r\n";

const std::wstring kSmallReceivedView =
    L"2026/01/05 10:06:02.400,150.270000,150.275000,150.265000,150.268000\r\n"
    L"2026/01/05 10:05:20.200,150.240000,150.280000,150.230000,150.270000\r\n"
    L"2026/01/05 10:05:01.100,150.240000,150.260000,150.230000,150.250000\r\n";

const std::wstring kSmallJoinedView = kSmallReceivedView + kSmallHistoryView;

const std::wstring kSmallLatestView =
    L"2026/01/05 10:06:02.400,150.270000,150.275000,150.265000,150.268000\r\n"
    L"2026/01/05 10:05:40.300,150.240000,150.290000,150.230000,150.270000\r\n" + kSmallHistoryView;

// ---- helpers -----------------------------------------------------------------------------------

bool writeTicks(FeedSession& feed, const std::vector<std::wstring>& lines, DWORD gapMs)
{
    for (const auto& line : lines) {
        if (!feed.tick(line))
            return false;
        Sleep(gapMs);
    }
    return true;
}

std::string readFileBytes(const std::wstring& path)
{
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

std::wstring tempFilePath(const wchar_t* stem)
{
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + stem + std::to_wstring(GetCurrentProcessId()) + L".csv";
}

// ---- the chart's bar slots ---------------------------------------------------------------------

// Columns of slot `slot` with the start settings (360 bars, 25 empty slots): the body's outline
// columns and the one between them.
struct SlotColumns {
    int left = 0;
    int right = 0;  // last column of the outline
};

SlotColumns slotColumns(int clientWidth, int slot)
{
    const double slotWidth = ((clientWidth - 82.0) - 12.0) / (360 + 25);
    const double slotRight = 12.0 + slot * slotWidth;
    SlotColumns columns;
    columns.left = static_cast<int>(std::lround(slotRight - slotWidth));
    columns.right = static_cast<int>(std::lround(slotRight - 1.0)) - 1;
    return columns;
}

double columnShare(const Capture& shot, int x, int top, int bottom, COLORREF colour)
{
    return static_cast<double>(shot.count(x, top, x + 1, bottom, colour)) / (bottom - top);
}

// What stands in `slot` over the plot rows, seen as a user would: a white (rising) body with a
// black outline, a black (falling) body, or no body at all. The scripted bars span the whole
// price range, so their bodies run from the top plot row to the bottom one.
char bodyIn(const Capture& shot, int slot, std::string* detail = nullptr)
{
    const SlotColumns c = slotColumns(shot.width, slot);
    const int top = 60;
    const int bottom = shot.height - 40;
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF white = RGB(255, 255, 255);
    const double outline = std::min(columnShare(shot, c.left, top, bottom, black),
                                    columnShare(shot, c.right, top, bottom, black));
    double insideBlack = 1.0;
    double insideWhite = 1.0;
    for (int x = c.left + 1; x < c.right; ++x) {
        insideBlack = std::min(insideBlack, columnShare(shot, x, top, bottom, black));
        insideWhite = std::min(insideWhite, columnShare(shot, x, top, bottom, white));
    }
    if (detail) {
        char text[160];
        std::snprintf(text, sizeof text, "slot %d: columns %d..%d of %d, outline black %.2f, inside black %.2f white %.2f",
                      slot, c.left, c.right, shot.width, outline, insideBlack, insideWhite);
        *detail = text;
    }
    if (outline >= 0.8 && insideBlack >= 0.8)
        return 'F';
    if (outline >= 0.8 && insideWhite >= 0.8)
        return 'R';
    if (std::max(columnShare(shot, c.left, top, bottom, black), columnShare(shot, c.right, top, bottom, black)) <= 0.2)
        return '-';
    return '?';
}

// ---- the rate table ----------------------------------------------------------------------------

constexpr COLORREF kRowUp = RGB(255, 0, 0);
constexpr COLORREF kRowDown = RGB(0, 0, 255);
constexpr COLORREF kLatestUp = RGB(255, 71, 87);
constexpr COLORREF kLatestDown = RGB(83, 82, 237);

// Colour of one drawn close: 'R' red, 'B' blue, 'K' black, '-' nothing drawn, '?' a mixture.
char inkOf(const Capture& shot, int left, int top, int height, COLORREF up, COLORREF down)
{
    const int bottom = top + height;
    const int ups = shot.count(left, top, shot.width, bottom, up);
    const int downs = shot.count(left, top, shot.width, bottom, down);
    const int blacks = shot.count(left, top, shot.width, bottom, RGB(0, 0, 0));
    if (ups >= 5 && downs == 0 && blacks == 0)
        return 'R';
    if (downs >= 5 && ups == 0 && blacks == 0)
        return 'B';
    if (blacks >= 5 && ups == 0 && downs == 0)
        return 'K';
    if (ups == 0 && downs == 0 && blacks == 0)
        return '-';
    return '?';
}

// The latest close at (173, 30), then the close of each of `rows` table rows at (185, 70 + 21k).
std::string rateColours(const Capture& shot, int rows)
{
    std::string text(1, inkOf(shot, 173, 30, 28, kLatestUp, kLatestDown));
    text += '|';
    for (int k = 0; k < rows; ++k)
        text += inkOf(shot, 185, 70 + 21 * k, 17, kRowUp, kRowDown);
    return text;
}

// ---- the fixture -------------------------------------------------------------------------------

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(feed.open()) << "the feed refused the writer role: another writer still lives";
        ASSERT_TRUE(feed.symbol(L"E2E-USDJPY"));
    }

    void TearDown() override
    {
        for (Program* program : {&chart, &rateInfo}) {
            if (!program->process.running())
                continue;
            dismissDialogs(program->process.id());
            DWORD code = 0;
            if (!closeByCommand(*program, code, 5000))
                program->process.terminate();
        }
        feed.close();
    }

    void startChart()
    {
        const std::string failure = launch(chart, kChartExe, kChartClass);
        ASSERT_TRUE(failure.empty()) << failure;
    }

    void startRateInfo()
    {
        const std::string failure = launch(rateInfo, kRateExe, kRateClass);
        ASSERT_TRUE(failure.empty()) << failure;
    }

    void expectClosesWithZero(Program& program, const char* name)
    {
        DWORD code = 99;
        ASSERT_TRUE(closeByCommand(program, code)) << name << " did not end after command 105; windows: "
                                                   << describeWindows(program.process.id());
        EXPECT_EQ(code, 0u) << name;
    }

    FeedSession feed;
    Program chart;
    Program rateInfo;
};

// ---- the scenarios -----------------------------------------------------------------------------

TEST_F(EndToEnd, HistoryAndLiveLinesReachTheThreeViewsNewestFirst)
{
    ASSERT_TRUE(feed.timespan(1));
    ASSERT_TRUE(feed.history(kSmallHistory));
    startChart();

    bool ok = false;
    // Before any live tick: the history alone, and nothing received.
    EXPECT_EQ(readTextViewUntil(chart, kAllJoinedView, kSmallHistoryView, kSettleMs, ok), kSmallHistoryView);
    ASSERT_TRUE(ok) << "ALL JOINED did not open or close";
    EXPECT_EQ(readTextView(chart, kReceivedTicksView, ok), L"");
    ASSERT_TRUE(ok) << "RECIVED TICKS did not open or close";
    EXPECT_EQ(readTextView(chart, kLatestTicksView, ok), kSmallHistoryView);
    ASSERT_TRUE(ok) << "LATEST TICKS did not open or close";

    ASSERT_TRUE(writeTicks(feed, kSmallLive, kTickGapMs));

    EXPECT_EQ(readTextViewUntil(chart, kLatestTicksView, kSmallLatestView, kSettleMs, ok), kSmallLatestView);
    EXPECT_TRUE(ok);
    EXPECT_EQ(readTextViewUntil(chart, kAllJoinedView, kSmallJoinedView, kSettleMs, ok), kSmallJoinedView);
    EXPECT_TRUE(ok);
    EXPECT_EQ(readTextViewUntil(chart, kReceivedTicksView, kSmallReceivedView, kSettleMs, ok), kSmallReceivedView);
    EXPECT_TRUE(ok);

    expectClosesWithZero(chart, "the chart");
}

TEST_F(EndToEnd, AllJoinedSavedThroughTheSaveDialogReadsBackByteForByte)
{
    ASSERT_TRUE(feed.timespan(1));
    ASSERT_TRUE(feed.history(kSmallHistory));
    startChart();
    ASSERT_TRUE(writeTicks(feed, kSmallLive, kTickGapMs));
    bool ok = false;
    ASSERT_EQ(readTextViewUntil(chart, kAllJoinedView, kSmallJoinedView, kSettleMs, ok), kSmallJoinedView);

    const std::wstring path = tempFilePath(L"orvane_e2e_joined_");
    DeleteFileW(path.c_str());

    const std::string failure = saveTextView(chart, kAllJoinedView, path);
    EXPECT_TRUE(failure.empty()) << failure;

    // Plain ASCII, CR LF after every line, newest first, no header and no byte-order mark.
    const std::string expected =
        "2026/01/05 10:06:02.400,150.270000,150.275000,150.265000,150.268000\r\n"
        "2026/01/05 10:05:20.200,150.240000,150.280000,150.230000,150.270000\r\n"
        "2026/01/05 10:05:01.100,150.240000,150.260000,150.230000,150.250000\r\n"
        "2026/01/05 10:04:00.000,150.220000,150.260000,150.180000,150.240000\r\n"
        "2026/01/05 10:03:00.000,150.250000,150.300000,150.200000,150.220000\r\n"
        "2026/01/05 10:02:00.000,150.200000,150.300000,150.150000,150.250000\r\n"
        "2026/01/05 10:01:00.000,150.150000,150.250000,150.100000,150.200000\r\n"
        "2026/01/05 10:00:00.000,150.100000,150.200000,150.000000,150.150000\r\n";
    EXPECT_EQ(readFileBytes(path), expected) << narrow(path);
    DeleteFileW(path.c_str());

    expectClosesWithZero(chart, "the chart");
}

TEST_F(EndToEnd, RefusesAFiveMinuteChartWithItsWarningAndExitCodeOne)
{
    ASSERT_TRUE(feed.timespan(5));
    ASSERT_TRUE(feed.history(kSmallHistory));
    if (auto missing = missingExe(kChartExe); !missing.empty())
        FAIL() << missing;
    ASSERT_TRUE(chart.process.start(kChartExe));

    HWND box = waitForWindow(chart.process.id(), L"#32770", L"Warning", 30000);
    ASSERT_NE(box, nullptr) << "no \"Warning\" box; windows: " << describeWindows(chart.process.id());
    const auto texts = childTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::wstring(L"MT5を1分足に設定し起動してください")), texts.end())
        << describeWindows(chart.process.id());
    EXPECT_TRUE(topLevelWindows(chart.process.id(), kChartClass).empty()) << "the chart window opened before the refusal";

    ASSERT_TRUE(clickDialogButton(box, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(chart.process.wait(15000, code)) << "the chart did not end after the warning was answered";
    EXPECT_EQ(code, 1u);
}

TEST_F(EndToEnd, BothProgramsReceiveEveryTickOfOneFeed)
{
    ASSERT_TRUE(feed.timespan(1));
    ASSERT_TRUE(feed.history({L"2026/01/05 10:04:00.000,150.000,150.050,149.950,150.000"}));
    startChart();
    startRateInfo();

    // Twenty ticks, every close differing from the one before, written faster than the programs'
    // refresh: both must still take in each of them, in order.
    const wchar_t* closes[20][2] = {
        {L"150.100", L"150.100000"}, {L"150.120", L"150.120000"}, {L"150.110", L"150.110000"},
        {L"150.130", L"150.130000"}, {L"150.150", L"150.150000"}, {L"150.140", L"150.140000"},
        {L"150.100", L"150.100000"}, {L"150.160", L"150.160000"}, {L"150.170", L"150.170000"},
        {L"150.165", L"150.165000"}, {L"150.180", L"150.180000"}, {L"150.175", L"150.175000"},
        {L"150.170", L"150.170000"}, {L"150.190", L"150.190000"}, {L"150.200", L"150.200000"},
        {L"150.195", L"150.195000"}, {L"150.210", L"150.210000"}, {L"150.205", L"150.205000"},
        {L"150.220", L"150.220000"}, {L"150.215", L"150.215000"},
    };
    std::vector<std::wstring> ticks;
    std::wstring received;
    for (int i = 0; i < 20; ++i) {
        wchar_t time[32];
        std::swprintf(time, 32, L"2026/01/05 10:05:%02d.000", i + 1);
        ticks.push_back(std::wstring(time) + L",150.100,150.250,150.050," + closes[i][0]);
        received = std::wstring(time) + L",150.100000,150.250000,150.050000," + closes[i][1] + L"\r\n" + received;
    }
    ASSERT_TRUE(writeTicks(feed, ticks, 5));

    bool ok = false;
    EXPECT_EQ(readTextViewUntil(chart, kReceivedTicksView, received, kSettleMs, ok), received);
    EXPECT_TRUE(ok);

    // The rate table keeps the newest 18 distinct closes: the latest (150.215, below 150.220) in
    // the second colour, then 15 rows from 150.220 back to 150.150, each red when above the close
    // before it, blue otherwise.
    const std::string expected = "B|RBRBRRBBRBRRBBR";
    // Closing the views brought the chart, their owner, to the front over the small window; a
    // user keeps the rate table on top of it.
    SetWindowPos(rateInfo.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    int raisedAgain = 0;
    const Capture shot = captureUntil(rateInfo.window, [&](const Capture& s) {
        if (rateColours(s, 15) == expected)
            return true;
        // The table's background is white: a shot without a white pixel is not the window's
        // picture (under load Wine now and then hands back an all-black window for a while), so
        // the window is raised once more before the next shot.
        if (s.count(0, 0, s.width, s.height, RGB(255, 255, 255)) == 0) {
            ++raisedAgain;
            SetWindowPos(rateInfo.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        return false;
    }, kSettleMs);
    EXPECT_EQ(rateColours(shot, 15), expected)
        << "shots without a white pixel: " << raisedAgain << "; visible " << IsWindowVisible(rateInfo.window)
        << ", minimised " << IsIconic(rateInfo.window);

    expectClosesWithZero(chart, "the chart");
    expectClosesWithZero(rateInfo, "the rate-info program");
}

// Traders minimise their windows for hours; the feed keeps 64 unread ticks and then skips to the
// newest, so a program that reads only while painting would lose every minute spent minimised.
TEST_F(EndToEnd, MinimisedProgramsMissNoTickAndShowTheMarketOnRestore)
{
    ASSERT_TRUE(feed.timespan(1));
    ASSERT_TRUE(feed.history(kSmallHistory));
    startChart();
    startRateInfo();
    for (Program* program : {&chart, &rateInfo})
        ShowWindow(program->window, SW_MINIMIZE);
    Sleep(300);
    ASSERT_TRUE(IsIconic(chart.window) && IsIconic(rateInfo.window));

    // Twelve minutes from 10:05, a tick every two market seconds, written at 25 a second; each
    // close differs from the one before.
    constexpr int kMinutes = 12;
    constexpr int kTicks = kMinutes * 30;
    auto closeOf = [](int n) { return 7 * n % 11; };  // thousandths above 150
    const ULONGLONG start = GetTickCount64();
    for (int n = 0; n < kTicks; ++n) {
        wchar_t line[80];
        std::swprintf(line, 80, L"2026/01/05 10:%02d:%02d.000,150.000,150.020,149.990,150.%03d", 5 + n / 30, n % 30 * 2,
                      closeOf(n));
        ASSERT_TRUE(feed.tick(line));
        Sleep(40);
    }
    const double seconds = (GetTickCount64() - start) / 1000.0;
    std::printf("minimised: %d ticks over %d market minutes in %.1f s (%.1f ticks a second)\n", kTicks, kMinutes,
                seconds, kTicks / seconds);
    Sleep(500);
    for (Program* program : {&chart, &rateInfo})
        ShowWindow(program->window, SW_RESTORE);

    // Every minute, each as its last tick, newest first, above the history.
    std::wstring latest;
    for (int m = kMinutes - 1; m >= 0; --m) {
        wchar_t line[96];
        std::swprintf(line, 96, L"2026/01/05 10:%02d:58.000,150.000000,150.020000,149.990000,150.%03d000\r\n", 5 + m,
                      closeOf(m * 30 + 29));
        latest += line;
    }
    latest += kSmallHistoryView;
    bool ok = false;
    EXPECT_EQ(readTextView(chart, kLatestTicksView, ok), latest);
    ASSERT_TRUE(ok);
    EXPECT_EQ(splitViewLines(readTextView(chart, kReceivedTicksView, ok)).size(), static_cast<std::size_t>(kTicks))
        << "every tick taken in";

    // The rate table as a window shown all along draws it: the latest close against the one
    // before, then 15 rows, each against the close after it in the list.
    auto colour = [&](int newer, int older) { return closeOf(newer) > closeOf(older) ? 'R' : 'B'; };
    std::string expected(1, colour(kTicks - 1, kTicks - 2));
    expected += '|';
    for (int k = 0; k < 15; ++k)
        expected += colour(kTicks - 2 - k, kTicks - 3 - k);
    SetWindowPos(rateInfo.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    int raisedAgain = 0;
    const Capture shot = captureUntil(rateInfo.window, [&](const Capture& s) {
        if (rateColours(s, 15) == expected)
            return true;
        // The table's background is white: a shot without a white pixel is not the window's
        // picture (under load Wine now and then hands back an all-black window for a while), so
        // the window is raised once more before the next shot.
        if (s.count(0, 0, s.width, s.height, RGB(255, 255, 255)) == 0) {
            ++raisedAgain;
            SetWindowPos(rateInfo.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        return false;
    }, kSettleMs);
    EXPECT_EQ(rateColours(shot, 15), expected)
        << "shots without a white pixel: " << raisedAgain << "; visible " << IsWindowVisible(rateInfo.window)
        << ", minimised " << IsIconic(rateInfo.window);

    expectClosesWithZero(chart, "the chart");
    expectClosesWithZero(rateInfo, "the rate-info program");
}

TEST_F(EndToEnd, ChartFollowsEachNewMinuteAndPageDownScrollsBack)
{
    // 800 history minutes from 00:00, all flat at 100.500 except one rising bar at 10:21 (index
    // 621). Two live minutes follow: 13:20 rising, 13:21 falling. Every visible window then spans
    // 100.000 to 101.000, so each scripted body runs through the whole plot height.
    std::vector<std::wstring> history;
    for (int i = 0; i < 800; ++i) {
        wchar_t line[80];
        if (i == 621)
            std::swprintf(line, 80, L"2026/01/05 %02d:%02d:00.000,100.000,101.000,100.000,101.000", i / 60, i % 60);
        else
            std::swprintf(line, 80, L"2026/01/05 %02d:%02d:00.000,100.500,100.500,100.500,100.500", i / 60, i % 60);
        history.push_back(line);
    }
    ASSERT_TRUE(feed.timespan(1));
    ASSERT_TRUE(feed.history(history));
    startChart();
    // Candlesticks show each bar on its own (Setting > Candle StickType > Candle Sticks).
    postCommand(chart.window, 32779);

    bool ok = false;
    std::wstring latest = readTextView(chart, kLatestTicksView, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(splitViewLines(latest).size(), 800u);
    EXPECT_EQ(latest.substr(0, latest.find(L"\r\n") + 2),
              L"2026/01/05 13:19:00.000,100.500000,100.500000,100.500000,100.500000\r\n");

    std::string detail;
    auto slots = [&](const Capture& s) { return std::string{bodyIn(s, 359), bodyIn(s, 360)}; };
    // The newest bar (13:19, flat) stands in slot 360; the rising 10:21 bar is far to the left.
    Capture shot = captureUntil(chart.window, [&](const Capture& s) { return slots(s) == "--"; }, kSettleMs);
    EXPECT_EQ(slots(shot), "--") << (bodyIn(shot, 360, &detail), detail);

    // A new minute: the chart moves its newest slot on to it.
    ASSERT_TRUE(feed.tick(L"2026/01/05 13:20:05.000,100.000,101.000,100.000,101.000"));
    shot = captureUntil(chart.window, [&](const Capture& s) { return slots(s) == "-R"; }, kSettleMs);
    EXPECT_EQ(slots(shot), "-R") << (bodyIn(shot, 360, &detail), detail);

    ASSERT_TRUE(feed.tick(L"2026/01/05 13:21:07.000,101.000,101.000,100.000,100.000"));
    shot = captureUntil(chart.window, [&](const Capture& s) { return slots(s) == "RF"; }, kSettleMs);
    EXPECT_EQ(slots(shot), "RF") << (bodyIn(shot, 360, &detail), detail);

    const std::wstring newestTwo = L"2026/01/05 13:21:07.000,101.000000,101.000000,100.000000,100.000000\r\n"
                                   L"2026/01/05 13:20:05.000,100.000000,101.000000,100.000000,101.000000\r\n";
    latest = readTextView(chart, kLatestTicksView, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(splitViewLines(latest).size(), 802u);
    EXPECT_EQ(latest.substr(0, newestTwo.size()), newestTwo);

    // Page Down goes 180 bars back: bar 802 - 1 - 180 = 621 (the rising 10:21 bar) now stands in
    // slot 360 and the flat 10:20 bar beside it.
    postKey(chart.window, VK_NEXT);
    shot = captureUntil(chart.window, [&](const Capture& s) { return slots(s) == "-R"; }, kSettleMs);
    EXPECT_EQ(slots(shot), "-R") << (bodyIn(shot, 360, &detail), detail);

    // Home returns to the live view.
    postKey(chart.window, VK_HOME);
    shot = captureUntil(chart.window, [&](const Capture& s) { return slots(s) == "RF"; }, kSettleMs);
    EXPECT_EQ(slots(shot), "RF") << (bodyIn(shot, 360, &detail), detail);

    expectClosesWithZero(chart, "the chart");
}

TEST_F(EndToEnd, RateTableColoursRisingAndFallingCloses)
{
    ASSERT_TRUE(feed.timespan(1));
    startRateInfo();
    auto settle = [&](const std::string& expected) {
        const Capture shot = captureUntil(
            rateInfo.window, [&](const Capture& s) { return rateColours(s, 4) == expected; }, kSettleMs);
        return rateColours(shot, 4);
    };

    // One close: the latest close in black, no table.
    ASSERT_TRUE(feed.tick(L"2026/01/05 10:05:01.000,100.000,100.000,100.000,100.000"));
    EXPECT_EQ(settle("K|----"), "K|----");

    // A higher close: the latest close in the rising colour; two entries still draw no row.
    ASSERT_TRUE(feed.tick(L"2026/01/05 10:05:16.000,100.000,100.500,100.000,100.500"));
    EXPECT_EQ(settle("R|----"), "R|----");

    // The same close at a later time changes nothing; then a lower close: the falling colour, one
    // red row (100.500 over 100.000) and the oldest row in black.
    ASSERT_TRUE(feed.tick(L"2026/01/05 10:05:31.000,100.000,100.500,100.000,100.500"));
    Sleep(300);
    ASSERT_TRUE(feed.tick(L"2026/01/05 10:05:46.000,100.000,100.500,100.000,100.200"));
    EXPECT_EQ(settle("B|RK--"), "B|RK--");

    // 100.900 rises again: rows 100.200 (below 100.500: blue), 100.500 (red), 100.000 (black).
    ASSERT_TRUE(feed.tick(L"2026/01/05 10:06:01.000,100.000,100.900,100.000,100.900"));
    EXPECT_EQ(settle("R|BRK-"), "R|BRK-");

    expectClosesWithZero(rateInfo, "the rate-info program");
}

} // namespace
