// The paint pass on a real window under Wine: known bars in, pixels read back.
#include <gtest/gtest.h>

#include <cmath>

#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "render/chart_window.h"
#include "support/win_capture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFrame = RGB(204, 204, 221);
constexpr COLORREF kOutline = RGB(128, 128, 128);
constexpr COLORREF kScale = RGB(185, 188, 188);
constexpr COLORREF kTimeLine = RGB(169, 172, 172);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);

// 40 visible bars and 20 older ones; futureView 2 on a 724-pixel client gives slots of 15 pixels
// from x = 12, and the range 100..141 on rows 55..465 gives 10 rows a price unit.
constexpr int kWidth = 724;
constexpr int kHeight = 500;

int row(double price)
{
    return static_cast<int>(465 - (price - 100) * 10);
}

std::vector<BarRecord> knownBars()
{
    std::vector<BarRecord> bars;
    int minutes = 10 * 60 + 30;  // 10:30 .. 11:29; 11:00 is visible slot 11
    auto next = [&](double open, double high, double low, double close) {
        bars.push_back(makeBar(minutes / 60, minutes % 60, open, high, low, close));
        ++minutes;
    };
    for (int j = 0; j < 20; ++j) {
        const double mid = 120 + 5 * std::sin(j / 3.0);
        next(mid - 1, mid + 2, mid - 2, mid + 1);
    }
    next(110, 125, 105, 120);  // slot 1: rising
    next(120, 122, 108, 110);  // slot 2: falling
    next(115, 118, 112, 115);  // slot 3: unchanged, one row
    next(120, 141, 100, 130);  // slot 4: the range
    for (int s = 5; s <= 40; ++s) {
        const double mid = 120 + 8 * std::sin(s / 4.0);
        const double body = s % 2 ? 1.5 : -1.5;
        next(mid - body, mid + 3, mid - 3, mid + body);
    }
    return bars;
}

class PaintChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        chartSettings.candleCount = 40;
        chartSettings.futureView = 2;
        chartSettings.verticalSpan = 5.0;
        chartSettings.candleType = 1;
        chartTexts.symbolText = L"USDJPY";
        chartTexts.timeframeText = L"1";
        chartTexts.clockText = L"No Data...";
        chartWindowLatestFields.clear();
        barStore.displayList = displayOrder(knownBars());
        calcMutex = CreateMutexW(nullptr, FALSE, nullptr);
        calcRecord = nullptr;
        window = createChartWindow(kWidth, kHeight);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        freeGuardedRecord(calcRecord);
        calcRecord = nullptr;
        CloseHandle(calcMutex);
        calcMutex = nullptr;
        barStore.displayList.clear();
    }
    Capture paint()
    {
        repaintChart(window);
        return captureClient(window);
    }

    HWND window = nullptr;
};

void expectCandles(const Capture& shot)
{
    // Slot 1, rising: outline at x 12 and 25, rows 265 and 364; white inside, the wick hidden.
    EXPECT_EQ(shot.count(13, 266, 25, 364, kWhite), 12 * 98);
    EXPECT_EQ(shot.colour(12, 300), kBlack);
    EXPECT_EQ(shot.colour(19, row(122)), kBlack) << "wick above the body";
    EXPECT_EQ(shot.colour(19, row(107)), kBlack) << "wick below the body";
    // Slot 2, falling: black inside.
    EXPECT_EQ(shot.count(28, 266, 40, 364, kBlack), 12 * 98);
    // Slot 3, unchanged: a one-row line at row 315 from x 42 to 55.
    EXPECT_EQ(shot.count(42, 315, 56, 316, kBlack), 14);
    EXPECT_EQ(shot.colour(45, 314), kWhite);
    EXPECT_EQ(shot.colour(45, 316), kWhite);
    EXPECT_EQ(shot.colour(56, 315), kWhite);
}

TEST_F(PaintChartTest, FrameOutlineCandlesAndPriceLabels)
{
    const Capture shot = paint();
    ASSERT_TRUE(shot.valid());
    ASSERT_EQ(shot.width, kWidth);
    EXPECT_EQ(shot.colour(0, 200), kOutline) << describeColour(shot.colour(0, 200));
    EXPECT_EQ(shot.colour(300, 0), kOutline);
    EXPECT_EQ(shot.colour(2, 200), kWhite);
    EXPECT_EQ(shot.colour(5, 200), kFrame) << describeColour(shot.colour(5, 200));
    EXPECT_EQ(shot.colour(4, 200), kFrame);
    EXPECT_EQ(shot.colour(300, 30), kFrame);
    EXPECT_GT(shot.count(645, 200, 652, 201, kFrame), 0);
    expectCandles(shot);
    // Nothing of the record's overlays without a record.
    EXPECT_EQ(shot.count(0, 0, kWidth, kHeight, kRed), 0);

    // Labels at x 652, six rows above the rows of 100, 115.662 (0.382), 120.5 (0.5) and 141.
    for (int top : {459, 302, 254, 49})
        EXPECT_GT(shot.count(652, top, 720, top + 13, kBlack), 0) << top;
    EXPECT_EQ(shot.count(652, 270, 720, 298, kBlack), 0);
}

TEST_F(PaintChartTest, AnEmptyListDrawsTheStartValueLabelsAndNoBars)
{
    barStore.displayList.clear();
    calcRecord = allocateGuardedRecord();
    chartWindowLatestFields = {"line", "2026", "12", "03", "11", "29", "59", "999", "1", "2", "0.5", "1.5"};
    const Capture shot = paint();
    EXPECT_EQ(shot.count(12, 55, 640, 465, kBlack), 0) << "no bars";
    EXPECT_EQ(shot.colour(5, 200), kFrame);
    // The seven labels stand on the usual rows. Six are hundreds of digits long and run off the
    // right edge; the top one is "0.000000".
    const int tops[] = {459, 362, 302, 254, 205, 145, 49};
    for (int i = 0; i < 7; ++i) {
        EXPECT_GT(shot.count(652, tops[i], 700, tops[i] + 13, kBlack), 0) << tops[i];
        if (i < 6) {
            EXPECT_GT(shot.count(714, tops[i], kWidth, tops[i] + 13, kBlack), 0) << tops[i] << " reaches the edge";
        }
    }
    EXPECT_EQ(shot.count(705, 49, kWidth, 62, kBlack), 0) << "the top label is short";
    EXPECT_EQ(shot.count(652, 270, kWidth, 298, kBlack), 0) << "nothing between the labels";
    // The header still shows the matched line.
    EXPECT_GT(shot.count(450, 6, 640, 26, kBlack), 0);
    EXPECT_GT(shot.count(700, 6, 724, 26, kBlack), 0);
}

TEST_F(PaintChartTest, HeaderWithAndWithoutAMatchedLine)
{
    Capture shot = paint();
    EXPECT_GT(shot.count(5, 6, 100, 26, kBlack), 0) << "symbol";
    EXPECT_GT(shot.count(110, 10, 190, 24, kBlack), 0) << "timeframe";
    EXPECT_GT(shot.count(200, 6, 440, 26, kBlack), 0) << "clock";
    EXPECT_EQ(shot.count(450, 6, 690, 26, kBlack), 0);
    EXPECT_EQ(shot.count(700, 6, 722, 26, kBlack), 0);
    EXPECT_GT(shot.count(12, kHeight - 22, 120, kHeight - 8, kBlack), 0) << "mark";

    chartWindowLatestFields = {"line", "2026", "12", "03", "11", "29", "59", "999", "1", "2", "0.5", "1.5"};
    shot = paint();
    EXPECT_GT(shot.count(450, 6, 690, 26, kBlack), 0);
    EXPECT_GT(shot.count(700, 6, 722, 26, kBlack), 0);

    chartWindowLatestFields.pop_back();
    shot = paint();
    EXPECT_EQ(shot.count(450, 6, 690, 26, kBlack), 0);
}

TEST_F(PaintChartTest, ShinNeAshiFlatEntryRepeatsTheBoxOverTwoSlots)
{
    // Closes 10, 11, 11, 9 with four slots and two empty ones on a 694-pixel client: slots of 100
    // pixels from x = 12; prices 9..11 on rows 55..465.
    chartSettings.candleType = 0;
    chartSettings.candleCount = 4;
    barStore.displayList = displayOrder({makeBar(11, 0, 10, 10, 10, 10), makeBar(11, 1, 10, 11, 10, 11),
                                         makeBar(11, 2, 11, 11, 11, 11), makeBar(11, 3, 11, 11, 9, 9)});
    DestroyWindow(window);
    window = createChartWindow(694, kHeight);
    const Capture shot = paint();
    // Slot 1: flat with nothing older, a one-row line at the level of 10 (row 260).
    EXPECT_EQ(shot.count(12, 260, 111, 261, kBlack), 99);
    EXPECT_EQ(shot.colour(60, 259), kWhite);
    EXPECT_EQ(shot.colour(60, 261), kWhite);
    // Slot 3 shows the rising box of slot 2 from x 112 to 310 (drawn before slot 2's own box, which
    // then draws its right edge at x 210 over it): a white box with edges where a flat line at the
    // level of 11 would leave slot 3 empty below row 55.
    EXPECT_EQ(shot.colour(310, 150), kBlack);
    EXPECT_EQ(shot.colour(310, 258), kBlack);
    EXPECT_EQ(shot.count(211, 56, 310, 259, kWhite), 99 * 203);
    EXPECT_EQ(shot.count(211, 259, 311, 260, kBlack), 100);
    EXPECT_EQ(shot.colour(210, 150), kBlack);
    EXPECT_EQ(shot.colour(112, 150), kBlack);
    // Slot 4: the falling box (11, 9), black.
    EXPECT_EQ(shot.count(313, 56, 410, 464, kBlack), 97 * 408);
}

TEST_F(PaintChartTest, IndicatorOverlaysScaleLinesAndTimeGrid)
{
    calcRecord = allocateGuardedRecord();
    const Capture shot = paint();
    // A scale line every 5 price units; in the empty slots on the right nothing covers them.
    EXPECT_EQ(shot.colour(620, row(105)), kScale) << describeColour(shot.colour(620, row(105)));
    EXPECT_EQ(shot.colour(620, row(105) - 1), kWhite);
    // 11:00 opens slot 11, whose left edge is x 162; above the bars the line is clear.
    EXPECT_EQ(shot.colour(162, 70), kTimeLine) << describeColour(shot.colour(162, 70));
    EXPECT_GT(shot.count(164, 430, 260, 470, kWhite), 0);
    EXPECT_LT(shot.count(164, 430, 260, 470, kWhite), 96 * 40) << "hour label";
    // EMA (red) and base line (blue) reach the newest slot's centre (x 605); the lagging span
    // (green) lies 25 slots left of the bars it shows, so only over slots 1 to 15.
    EXPECT_GT(shot.count(602, 55, 609, 466, kRed), 0);
    EXPECT_GT(shot.count(14, 55, 24, 466, kRed), 0);
    EXPECT_GT(shot.count(600, 55, 611, 466, kBlue), 0);
    EXPECT_GT(shot.count(12, 55, 240, 466, kGreen), 10);
    EXPECT_EQ(shot.count(245, 40, 700, 480, kGreen), 0);
}

TEST_F(PaintChartTest, TwentyThousandPassesStillDrawCorrectly)
{
    // A pen, brush, font or bitmap lost per pass would exhaust the handle table long before the
    // end, and the last picture would differ from the first.
    calcRecord = allocateGuardedRecord();
    const Capture first = paint();
    ASSERT_GT(first.count(602, 55, 609, 466, kRed), 0);
    for (int pass = 0; pass < 20000; ++pass) {
        chartSettings.candleType = pass % 2;
        chartWindowLatestFields.assign(pass % 3 == 0 ? 12 : 0, "1");
        repaintChart(window);
    }
    chartSettings.candleType = 1;
    chartWindowLatestFields.clear();
    const Capture last = paint();
    ASSERT_TRUE(last.valid());
    EXPECT_EQ(last.pixels, first.pixels);
    EXPECT_EQ(last.colour(5, 200), kFrame);
    EXPECT_EQ(last.colour(0, 200), kOutline);
}

} // namespace
