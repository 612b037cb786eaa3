// The real window procedure and paint of the rate-info program, run in this process on a scripted
// feed and read back from the screen: colours of closes and times, row positions, the clock, and
// the commands that resize the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "rateinfo/rate_state.h"
#include "rateinfo/rate_window.h"
#include "support/win_capture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLatestUp = RGB(255, 71, 87);
constexpr COLORREF kLatestDown = RGB(83, 82, 237);
constexpr COLORREF kRowUp = RGB(255, 0, 0);
constexpr COLORREF kRowDown = RGB(0, 0, 255);
constexpr COLORREF kBand0 = RGB(108, 151, 245);
constexpr COLORREF kBand15 = RGB(44, 238, 48);
constexpr COLORREF kBand30 = RGB(245, 201, 108);
constexpr COLORREF kBand45 = RGB(245, 108, 220);

// What the feed hands out on every poll; the window's paint reads it through feedApi.
std::string scriptedFeed;
const char* readScriptedFeed() noexcept
{
    return scriptedFeed.c_str();
}

std::string tickLine(const std::string& time, const std::string& close)
{
    return "2026/12/08 " + time + ",1,1,1," + close + "\n";
}

// A market that never runs dry: each poll brings a tick with a new close, one step above the last.
int marketPolls = 0;
std::string marketLine;
const char* readRisingMarket() noexcept
{
    ++marketPolls;
    marketLine = tickLine("10:00:01.000", std::to_string(marketPolls) + ".0");
    return marketLine.c_str();
}

// Polls made by each refresh tick, and by the paints inside it.
struct TickPolls {
    int inPaint = 0;
    int all = 0;
};
std::vector<TickPolls> tickPolls;
int pollsByPaints = 0;

LRESULT CALLBACK countingRateProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int before = marketPolls;
    const bool tick = message == WM_TIMER && wParam == kRefreshTimerId;
    if (tick)
        pollsByPaints = 0;
    const LRESULT result = rateWindowProc(window, message, wParam, lParam);
    if (message == WM_PAINT)
        pollsByPaints += marketPolls - before;
    if (tick)
        tickPolls.push_back({pollsByPaints, marketPolls - before});
    return result;
}

struct Box {
    int left, top, right, bottom;
};
// Where the latest close, a row's time and a row's close are drawn.
constexpr Box kLatestCloseBox{173, 30, 298, 58};
constexpr Box rowTimeBox(int row) { return {10, 70 + 21 * row, 180, 70 + 21 * row + 16}; }
constexpr Box rowCloseBox(int row) { return {185, 70 + 21 * row, 298, 70 + 21 * row + 16}; }

int countIn(const Capture& shot, const Box& box, COLORREF colour)
{
    return shot.count(box.left, box.top, box.right, box.bottom, colour);
}

int inkIn(const Capture& shot, const Box& box)
{
    const int area = (box.right - box.left) * (box.bottom - box.top);
    return area - countIn(shot, box, kWhite);
}

// Rightmost column with ink in the box, or box.left - 1 for none.
int rightmostInk(const Capture& shot, const Box& box)
{
    for (int x = box.right - 1; x >= box.left; --x)
        for (int y = box.top; y < box.bottom; ++y)
            if (shot.colour(x, y) != kWhite)
                return x;
    return box.left - 1;
}

class RateWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        instanceHandle = GetModuleHandleW(nullptr);
        registerRateInfoClass(instanceHandle);
    }

    void SetUp() override
    {
        symbolText = L"SIM";
        clockText = L"No Data...";
        rowCount = 15;
        decimalPlaces = 3;
        rateHistory.clear();
        latestTick.reset();
        scriptedFeed.clear();
        feedApi = FeedApi{};
        feedApi.readLines = readScriptedFeed;
    }

    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
        pumpMessages(30);
        // DestroyWindow posted the quit message of the program's loop; drop it here.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND open(bool pump = true)
    {
        window_ = createRateInfoWindow(instanceHandle);
        EXPECT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        if (pump)
            pumpMessages(150);
        return window_;
    }

    // Hands `line` to the feed and lets the refresh timer take it.
    Capture feed(const std::string& line)
    {
        scriptedFeed = line;
        pumpMessages(120);
        return captureClient(window_);
    }

    HWND window_ = nullptr;
};

TEST_F(RateWindowTest, LatestCloseIsBlackWithOneEntryAndColouredWithTwo)
{
    open();
    Capture shot = captureClient(window_);
    ASSERT_TRUE(shot.valid());
    EXPECT_EQ(inkIn(shot, kLatestCloseBox), 0) << "nothing before the first tick";

    shot = feed(tickLine("10:00:01.000", "1.5"));
    ASSERT_EQ(rateHistory.size(), 1u);
    EXPECT_GT(countIn(shot, kLatestCloseBox, kBlack), 20);
    EXPECT_EQ(countIn(shot, kLatestCloseBox, kLatestDown) + countIn(shot, kLatestCloseBox, kLatestUp), 0);
    EXPECT_EQ(inkIn(shot, rowCloseBox(0)), 0);

    shot = feed(tickLine("10:00:02.000", "1.25"));
    ASSERT_EQ(rateHistory.size(), 2u);
    EXPECT_GT(countIn(shot, kLatestCloseBox, kLatestDown), 20);
    EXPECT_EQ(countIn(shot, kLatestCloseBox, kBlack), 0);
    EXPECT_EQ(inkIn(shot, rowCloseBox(0)), 0) << "two entries draw no table";

    shot = feed(tickLine("10:00:03.000", "1.75"));
    EXPECT_GT(countIn(shot, kLatestCloseBox, kLatestUp), 20);
}

TEST_F(RateWindowTest, ThreeEntriesGiveTwoRowsWithTheOldestCloseBlack)
{
    open();
    feed(tickLine("10:00:05.000", "1.5"));
    feed(tickLine("10:00:20.000", "1.25"));
    const Capture shot = feed(tickLine("10:00:35.000", "1.75"));
    ASSERT_EQ(rateHistory.size(), 3u);

    // Row 0 is 1.25 (below 1.5 after it): blue; row 1 is the oldest entry: black.
    EXPECT_GT(countIn(shot, rowCloseBox(0), kRowDown), 10);
    EXPECT_EQ(countIn(shot, rowCloseBox(0), kBlack), 0);
    EXPECT_GT(countIn(shot, rowCloseBox(1), kBlack), 10);
    EXPECT_EQ(countIn(shot, rowCloseBox(1), kRowDown) + countIn(shot, rowCloseBox(1), kRowUp), 0);
    EXPECT_EQ(inkIn(shot, rowTimeBox(2)), 0);
    EXPECT_EQ(inkIn(shot, rowCloseBox(2)), 0);

    // Times in the colour of their quarter of the minute.
    EXPECT_GT(countIn(shot, rowTimeBox(0), kBand15), 10);
    EXPECT_GT(countIn(shot, rowTimeBox(1), kBand0), 10);
    EXPECT_GT(countIn(shot, Box{10, 35, 170, 50}, kBand30), 10);
}

TEST_F(RateWindowTest, FifteenRowsFromY70ToY364)
{
    open();
    // 17 entries newest first: the newest is the latest tick, the next 15 are rows, the last only
    // decides the colour of row 14. Closes fall with age, so every drawn row rises (red).
    const char* seconds[4] = {"07", "22", "37", "52"};
    const COLORREF bands[4] = {kBand0, kBand15, kBand30, kBand45};
    for (int i = 16; i >= 0; --i)
        rateHistory.push_back(RateEntry{"2026/12/08 10:00:" + std::string(seconds[i % 4]) + ".000", 2.0 + 0.01 * i});
    rateHistory.reverse();
    const Capture shot = feed(tickLine("10:00:" + std::string(seconds[0]) + ".000", "2.000"));
    ASSERT_EQ(rateHistory.size(), 17u);
    for (int row = 0; row < 15; ++row) {
        EXPECT_GT(countIn(shot, rowCloseBox(row), kRowDown), 10) << "row " << row;
        EXPECT_GT(countIn(shot, rowTimeBox(row), bands[(row + 1) % 4]), 10) << "row " << row;
    }
    // The first row starts at y = 70 and the last ends before the next pitch.
    EXPECT_EQ(inkIn(shot, Box{10, 66, 298, 70}), 0);
    EXPECT_GT(inkIn(shot, Box{185, 364, 298, 380}), 0);
    EXPECT_EQ(inkIn(shot, Box{0, 385, shot.width, shot.height}), 0);
}

TEST_F(RateWindowTest, ClockShowsNoDataOnlyUntilTheFirstTimerTick)
{
    symbolText.clear();
    open(false);
    // Nothing has pumped the timer yet: the first paint's clock.
    const Capture first = captureClient(window_);
    ASSERT_TRUE(first.valid());
    pumpMessages(150);
    const Capture later = captureClient(window_);

    // Measure both texts in the clock's font.
    HDC dc = GetDC(window_);
    HFONT font = CreateFontW(14, 0, 0, 0, 900, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, L"MS PGothic");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE noData{}, stamp{};
    GetTextExtentPoint32W(dc, L"No Data...", 10, &noData);
    GetTextExtentPoint32W(dc, L"2026/12/08 10:00:00.000", 23, &stamp);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(window_, dc);
    ASSERT_GT(stamp.cx, noData.cx + 40);

    const Box clock{100, 11, first.width, 27};
    EXPECT_GT(rightmostInk(first, clock), 100 + noData.cx - 12);
    EXPECT_LE(rightmostInk(first, clock), 100 + noData.cx + 2);
    EXPECT_GT(rightmostInk(later, clock), 100 + stamp.cx - 12);
    // An empty symbol leaves its place white.
    EXPECT_EQ(inkIn(later, Box{10, 5, 98, 27}), 0);
}

TEST_F(RateWindowTest, PollWithoutATickLineKeepsShowingTheLastTick)
{
    open();
    scriptedFeed = "not a tick";
    pumpMessages(100);
    EXPECT_EQ(inkIn(captureClient(window_), Box{10, 35, 298, 58}), 0);

    const Capture shown = feed(tickLine("10:00:01.000", "1.5"));
    const Capture after = feed("");
    ASSERT_EQ(rateHistory.size(), 1u);
    const Box latest{10, 30, 298, 58};
    EXPECT_GT(inkIn(after, latest), 20);
    for (int y = latest.top; y < latest.bottom; ++y)
        for (int x = latest.left; x < latest.right; ++x)
            ASSERT_EQ(after.colour(x, y), shown.colour(x, y)) << x << "," << y;
}

TEST_F(RateWindowTest, EveryTickPollsOnceAndAMinimisedWindowKeepsItsTable)
{
    marketPolls = 0;
    feedApi.readLines = readRisingMarket;
    open();
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingRateProc));
    for (const bool minimised : {false, true}) {
        ShowWindow(window_, minimised ? SW_MINIMIZE : SW_RESTORE);
        pumpMessages(50);
        tickPolls.clear();
        pumpMessages(300);
        const std::vector<TickPolls> polls = tickPolls;
        ASSERT_GT(polls.size(), 5u) << "the refresh timer did not tick";
        for (const TickPolls& tick : polls) {
            ASSERT_EQ(tick.all, 1) << (minimised ? "minimised" : "shown");
            EXPECT_EQ(tick.inPaint, minimised ? 0 : 1) << "a shown window polls in its paint";
        }
    }
    // The newest 18 closes, newest first, and the latest tick: what a window shown all along holds.
    ShowWindow(window_, SW_RESTORE);
    const int newest = marketPolls;
    ASSERT_EQ(rateHistory.size(), 18u);
    int close = newest;
    for (const RateEntry& entry : rateHistory)
        EXPECT_EQ(entry.close, close--);
    ASSERT_TRUE(latestTick);
    EXPECT_EQ(latestTick->close, newest);
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(rateWindowProc));
}

TEST_F(RateWindowTest, ClassAndWindowStyleGiveACaptionWithMinimiseButNoSizing)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    ASSERT_TRUE(GetClassInfoExW(instanceHandle, L"ORVANERATEINFO", &windowClass));
    EXPECT_EQ(windowClass.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(windowClass.lpfnWndProc, rateWindowProc);
    EXPECT_EQ(windowClass.cbClsExtra, 0);
    EXPECT_EQ(windowClass.cbWndExtra, 0);
    EXPECT_EQ(windowClass.hIcon, LoadIconW(instanceHandle, MAKEINTRESOURCEW(130)));
    EXPECT_EQ(windowClass.hIconSm, LoadIconW(instanceHandle, MAKEINTRESOURCEW(108)));
    EXPECT_NE(windowClass.hIcon, windowClass.hIconSm);
    EXPECT_EQ(windowClass.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(windowClass.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(windowClass.lpszMenuName, MAKEINTRESOURCEW(109));

    open();
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_POPUP | WS_CHILD), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)) & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u);
    EXPECT_EQ(GetParent(window_), nullptr);
}

TEST_F(RateWindowTest, RowCommandsResizeAtTheSameTopLeftCorner)
{
    open();
    RECT frame{};
    GetWindowRect(window_, &frame);
    EXPECT_EQ(frame.left, 50);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(frame.right - frame.left, 305);
    EXPECT_EQ(frame.bottom - frame.top, 450);

    SetWindowPos(window_, nullptr, 120, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32900, 0), 0);
    GetWindowRect(window_, &frame);
    EXPECT_EQ(rowCount, 31);
    EXPECT_EQ(frame.left, 120);
    EXPECT_EQ(frame.top, 80);
    EXPECT_EQ(frame.right - frame.left, 305);
    EXPECT_EQ(frame.bottom - frame.top, 786);

    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32796, 0), 0);
    GetWindowRect(window_, &frame);
    EXPECT_EQ(rowCount, 30);
    EXPECT_EQ(frame.bottom - frame.top, 765);

    // Not commands of this window: nothing changes.
    for (int id : {32797, 32799, 32807, 32899}) {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        GetWindowRect(window_, &frame);
        EXPECT_EQ(rowCount, 30) << id;
        EXPECT_EQ(frame.bottom - frame.top, 765) << id;
    }

    // Decimals change the number format only.
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32806, 0), 0);
    EXPECT_EQ(decimalPlaces, 3);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32803, 0), 0);
    EXPECT_EQ(decimalPlaces, 4);
    GetWindowRect(window_, &frame);
    EXPECT_EQ(frame.left, 120);
    EXPECT_EQ(frame.bottom - frame.top, 765);

    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32781, 0), 0);
    GetWindowRect(window_, &frame);
    EXPECT_EQ(rowCount, 15);
    EXPECT_EQ(frame.left, 120);
    EXPECT_EQ(frame.top, 80);
    EXPECT_EQ(frame.bottom - frame.top, 450);
}

TEST_F(RateWindowTest, EightyRowsAskForTheirFullHeightWhereverTheWindowStands)
{
    open();
    SetWindowPos(window_, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32949, 0), 0);
    RECT frame{};
    GetWindowRect(window_, &frame);
    EXPECT_EQ(rowCount, 80);
    EXPECT_EQ(frame.left, 300);
    EXPECT_EQ(frame.top, 200);
    EXPECT_EQ(frame.right - frame.left, 305);
    // Taller than the 1280-pixel screen of the tests: the height is not limited to the screen.
    EXPECT_EQ(frame.bottom - frame.top, 1815);
}

TEST_F(RateWindowTest, DecimalsCommandRedrawsTheCloses)
{
    open();
    Capture shot = feed(tickLine("10:00:01.000", "1.5"));
    const int threePlaces = rightmostInk(shot, kLatestCloseBox);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(32800, 0), 0);
    pumpMessages(100);
    shot = captureClient(window_);
    const int noPlaces = rightmostInk(shot, kLatestCloseBox);
    // "1.500" becomes "2".
    EXPECT_LT(noPlaces, threePlaces - 20);
    EXPECT_GT(noPlaces, kLatestCloseBox.left);
}

} // namespace
