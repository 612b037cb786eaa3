// Timing of the chart's paint pass at the window's full size (1920 x 1080, 800 bars shown out of
// 1030), each bar style, beside a floor that issues the same GDI calls from coordinates computed
// beforehand: the difference is the pass's own work (layout, series, texts, the indicator library).
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <cstdio>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include <windows.h>

#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/render/chart_geometry.h"
#include "client/render/indicator_pass.h"
#include "client/render/paint_chart.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "render/chart_window.h"
#include "support/bench_harness.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The machine is shared: sides measured one after the other would see different loads. Each
// sample times one run of every side in turn, so a slow moment hits them all alike.
template <std::size_t Sides>
std::array<bench::Result, Sides> interleaved(int samples, const std::array<std::function<void()>, Sides>& sides)
{
    std::array<std::vector<double>, Sides> micros;
    for (const auto& side : sides)
        side();  // warm-up
    for (int i = 0; i < samples; ++i) {
        for (std::size_t s = 0; s < Sides; ++s) {
            const auto start = std::chrono::steady_clock::now();
            sides[s]();
            const auto stop = std::chrono::steady_clock::now();
            micros[s].push_back(std::chrono::duration<double, std::micro>(stop - start).count());
        }
    }
    std::array<bench::Result, Sides> results;
    for (std::size_t s = 0; s < Sides; ++s) {
        auto& m = micros[s];
        std::sort(m.begin(), m.end());
        results[s].samples = samples;
        results[s].medianMicros = m[m.size() / 2];
        results[s].p95Micros = m[std::min(m.size() - 1, m.size() * 95 / 100)];
    }
    return results;
}

std::vector<BarRecord> randomWalk(int count)
{
    std::vector<BarRecord> bars;
    double price = 150.0;
    unsigned state = 12345;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return ((state >> 16) & 0x7fff) / 32767.0 - 0.5;
    };
    for (int j = 0; j < count; ++j) {
        const double open = price;
        price += next() * 0.08;
        const double close = price;
        const double high = std::max(open, close) + std::fabs(next()) * 0.04;
        const double low = std::min(open, close) - std::fabs(next()) * 0.04;
        const int minutes = 8 * 60 + j;
        BarRecord bar = makeBar((minutes / 60) % 24, minutes % 60, open, high, low, close);
        bar.day = 3 + minutes / (24 * 60);
        bar.lineText = "2026/12/03 08:00:00.000,150.000,150.010,149.990,150.005";
        bars.push_back(std::move(bar));
    }
    return bars;
}

// Everything a pass draws, computed once: the floor replays it.
struct FloorScene {
    std::vector<int> scaleRows;
    int scaleStartX = 0;
    int scaleEndX = 0;
    std::vector<int> timeX;
    int timeTop = 0;
    int timeBottom = 0;
    std::vector<std::string> largeLabels;
    std::vector<std::string> smallLabels;
    std::vector<PriceLabel> priceLabels;
    std::vector<std::wstring> priceTexts;
    std::wstring symbol, timeframe, clock, latestTime, latestPrice, mark;
    PixelPoint markAt;
    std::vector<POINT> baseLine;
    std::vector<POINT> ema;
    std::vector<POINT> lagging;
    std::vector<CandleShape> candles;
    std::vector<BoxShape> boxes;
    PixelRect frame;
};

FloorScene captureScene(const std::vector<std::string>& fields)
{
    FloorScene scene;
    const IndicatorExchange& r = *calcRecord;
    scene.scaleStartX = r.scaleStartX;
    scene.scaleEndX = r.scaleEndX;
    scene.scaleRows.assign(r.scaleRow, r.scaleRow + drawableScaleLines(r));
    const int lines = drawableTimeLines(r);
    for (int i = 0; i < lines; ++i) {
        scene.timeX.push_back(r.timeLineX[i]);
        scene.largeLabels.push_back(largeTimeLabel(r.timeLabelLarge[i]));
        scene.smallLabels.push_back(smallTimeLabel(r.timeLabelFirst[i], r.timeLabelSecond[i]));
    }
    scene.timeTop = r.timeLineTop;
    scene.timeBottom = r.timeLineBottom;
    scene.priceLabels = fibonacciLabels(chartView);
    for (const PriceLabel& label : scene.priceLabels)
        scene.priceTexts.push_back(toWide(label.text));
    scene.symbol = chartTexts.symbolText;
    scene.timeframe = timeframeLabel(chartTexts.timeframeText);
    scene.clock = chartTexts.clockText;
    scene.latestTime = toWide(latestTimeText(fields));
    const std::wstring newest = toWide(barStore.displayList.front().timeText);
    scene.latestPrice = latestPriceLabel(toWide(fields[11]), &newest);
    scene.mark = markLabel(chartView.markText, 2026);
    scene.markAt = markPosition(chartView);
    for (int i = 0; i < drawableBaseLinePoints(r); ++i)
        scene.baseLine.push_back({r.baseLine[i].x, r.baseLine[i].y});
    for (int i = 0; i < drawableEmaPoints(r, chartView.visibleCount); ++i)
        scene.ema.push_back({r.emaX[i], r.emaY[i]});
    for (int i = 0; i < drawableLaggingPoints(r); ++i)
        scene.lagging.push_back({r.laggingSpan[i].x, r.laggingSpan[i].y});
    scene.candles = layoutCandles(chartView, barStore.displayList);
    scene.boxes = layoutShinNeAshi(chartView, buildShinNeAshi(barStore.displayList));
    scene.frame = chartFrame(chartView);
    return scene;
}

HFONT font(const wchar_t* face, int height, int weight)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, face);
}

void text(HDC dc, int height, int weight, PixelPoint at, const std::wstring& s)
{
    GdiObject<HFONT> f(font(L"MS PGothic", height, weight));
    SelectGuard use(dc, f.get());
    TextOutW(dc, at.x, at.y, s.c_str(), static_cast<int>(s.size()));
}

// The same calls as the pass, in the same order, with the same objects made and deleted per item.
void drawFloor(HDC dc, const FloorScene& scene, bool candles)
{
    HGDIOBJ hollow = GetStockObject(HOLLOW_BRUSH);
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(185, 188, 188)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        for (int row : scene.scaleRows) {
            MoveToEx(dc, scene.scaleStartX, row, nullptr);
            LineTo(dc, scene.scaleEndX, row);
        }
    }
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(169, 172, 172)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        for (int x : scene.timeX) {
            MoveToEx(dc, x, scene.timeTop, nullptr);
            LineTo(dc, x, scene.timeBottom);
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        GdiObject<HFONT> f(font(L"Showcard Gothic", pass ? 18 : 25, 800));
        SelectGuard use(dc, f.get());
        SetTextColor(dc, RGB(170, 170, 170));
        for (std::size_t i = 0; i < scene.timeX.size(); ++i) {
            const std::string& s = pass ? scene.smallLabels[i] : scene.largeLabels[i];
            TextOutA(dc, scene.timeX[i] + (pass ? 32 : 2), scene.timeBottom - (pass ? 25 : 30), s.c_str(),
                     static_cast<int>(s.size()));
        }
        SetTextColor(dc, RGB(0, 0, 0));
    }
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(204, 204, 221)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        Rectangle(dc, scene.frame.left, scene.frame.top, scene.frame.right, scene.frame.bottom);
    }
    {
        GdiObject<HFONT> f(font(L"MS PGothic", 12, 300));
        SelectGuard use(dc, f.get());
        for (std::size_t i = 0; i < scene.priceLabels.size(); ++i)
            TextOutW(dc, scene.priceLabels[i].at.x, scene.priceLabels[i].at.y, scene.priceTexts[i].c_str(),
                     static_cast<int>(scene.priceTexts[i].size()));
    }
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(128, 128, 128)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        Rectangle(dc, 0, 0, kWidth, kHeight);
    }
    text(dc, 18, 800, kSymbolAt, scene.symbol);
    text(dc, 12, 800, kTimeframeAt, scene.timeframe);
    text(dc, 18, 800, kClockAt, scene.clock);
    {
        GdiObject<HFONT> f(font(L"MS PGothic", 18, 800));
        SelectGuard use(dc, f.get());
        TextOutW(dc, kLatestTimeAt.x, kLatestTimeAt.y, scene.latestTime.c_str(), static_cast<int>(scene.latestTime.size()));
        TextOutW(dc, kLatestPriceAt.x, kLatestPriceAt.y, scene.latestPrice.c_str(), static_cast<int>(scene.latestPrice.size()));
    }
    text(dc, 12, 800, scene.markAt, scene.mark);
    auto polyline = [&](COLORREF colour, int width, const std::vector<POINT>& points) {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, width, colour));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        if (points.empty())
            return;
        MoveToEx(dc, points[0].x, points[0].y, nullptr);
        PolylineTo(dc, points.data(), static_cast<DWORD>(points.size()));
    };
    polyline(RGB(0, 0, 255), 3, scene.baseLine);
    if (candles) {
        for (const CandleShape& c : scene.candles) {
            {
                GdiObject<HPEN> wick(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
                SelectGuard usePen(dc, wick.get());
                MoveToEx(dc, c.wickTop.x, c.wickTop.y, nullptr);
                LineTo(dc, c.wickBottom.x, c.wickBottom.y);
            }
            GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
            GdiObject<HBRUSH> brush(CreateSolidBrush(c.rising ? RGB(255, 255, 255) : RGB(0, 0, 0)));
            SelectGuard usePen(dc, pen.get());
            SelectGuard useBrush(dc, brush.get());
            if (c.oneRow) {
                MoveToEx(dc, c.body.left, c.body.bottom, nullptr);
                LineTo(dc, c.body.right, c.body.bottom);
            } else {
                Rectangle(dc, c.body.left, c.body.top, c.body.right, c.body.bottom);
            }
        }
    } else {
        for (const BoxShape& b : scene.boxes) {
            GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
            GdiObject<HBRUSH> brush(CreateSolidBrush(b.rising ? RGB(255, 255, 255) : RGB(0, 0, 0)));
            SelectGuard usePen(dc, pen.get());
            SelectGuard useBrush(dc, brush.get());
            if (b.lineFirst) {
                MoveToEx(dc, b.box.left, b.box.bottom, nullptr);
                LineTo(dc, b.box.right, b.box.bottom);
            }
            Rectangle(dc, b.box.left, b.box.top, b.box.right, b.box.bottom);
        }
    }
    {
        // The EMA goes point by point with LineTo, as the pass draws it.
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(255, 0, 0)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, hollow);
        if (!scene.ema.empty()) {
            MoveToEx(dc, scene.ema[0].x, scene.ema[0].y, nullptr);
            for (const POINT& p : scene.ema)
                LineTo(dc, p.x, p.y);
        }
    }
    polyline(RGB(0, 128, 0), 1, scene.lagging);
}

// The scene and style the floor's WM_PAINT replays.
const FloorScene* floorScene = nullptr;
bool floorCandles = true;

// The floor as a window paint: BeginPaint, memory DC and bitmap, white fill, the same GDI calls,
// one BitBlt, EndPaint; with the seven waits for the record's lock that the pass must make (steps
// 5 twice, 6, 7, 11, 13 twice), so that what remains between the two is the pass's own work.
void paintFloor(HWND window)
{
    PaintScope paint(window);
    MemoryDc memory(paint.dc());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.dc(), kWidth, kHeight));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
    RECT all{0, 0, kWidth, kHeight};
    FillRect(memory.get(), &all, white.get());
    for (int hold = 0; hold < 7; ++hold)
        MutexHold lock(calcMutex);
    drawFloor(memory.get(), *floorScene, floorCandles);
    BitBlt(paint.dc(), 0, 0, kWidth, kHeight, memory.get(), 0, 0, SRCCOPY);
}

// An off-screen frame as the pass makes it: memory DC, bitmap, white fill, then `draw`.
template <typename Draw>
void offscreen(HDC windowDc, Draw&& draw)
{
    MemoryDc memory(windowDc);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDc, kWidth, kHeight));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
    RECT all{0, 0, kWidth, kHeight};
    FillRect(memory.get(), &all, white.get());
    draw(memory.get());
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const int samples = quick ? 5 : 300;

    chartSettings.candleCount = 800;
    chartSettings.futureView = 25;
    chartSettings.verticalSpan = 0.02;
    chartTexts.symbolText = L"USDJPY";
    chartTexts.timeframeText = L"1";
    chartTexts.clockText = L"2026/12/03 21:10:00.000";
    barStore.displayList = displayOrder(randomWalk(1030));
    calcMutex = CreateMutexW(nullptr, FALSE, nullptr);
    calcRecord = allocateGuardedRecord();
    const std::vector<std::string> fields{"line", "2026", "12", "03", "21", "10", "00", "000",
                                          "150.000", "150.010", "149.990", "150.005"};
    chartWindowLatestFields = fields;
    HWND window = createChartWindow(kWidth, kHeight);
    if (!window || !calcRecord) {
        std::printf("could not create the chart window\n");
        return 1;
    }
    RECT client{};
    GetClientRect(window, &client);
    std::printf("client %ld x %ld, %zu bars, %d shown\n", client.right, client.bottom, barStore.displayList.size(),
                chartSettings.candleCount);

    WindowDc windowDc(window);
    for (int type : {1, 0}) {
        chartSettings.candleType = type;
        const std::string style = type == 1 ? "candlesticks" : "shin-ne-ashi";
        repaintChart(window);
        const FloorScene scene = captureScene(fields);

        floorScene = &scene;
        floorCandles = type == 1;
        const auto results = interleaved<5>(samples, {
            [&] { repaintChart(window); },
            [&] {
                chartWindowPaintOverride = paintFloor;
                repaintChart(window);
                chartWindowPaintOverride = nullptr;
            },
            [&] { offscreen(windowDc.get(), [&](HDC dc) { drawChartInto(dc, kWidth, kHeight, fields); }); },
            [&] {
                offscreen(windowDc.get(), [&](HDC dc) {
                    for (int hold = 0; hold < 7; ++hold)
                        MutexHold lock(calcMutex);
                    drawFloor(dc, scene, type == 1);
                });
            },
            [&] { offscreen(windowDc.get(), [](HDC) {}); },
        });
        const auto& [pass, floor, drawing, floorDrawing, frameOnly] = results;
        bench::report("paint pass, whole (" + style + ")", pass);
        bench::report("floor, same calls as a window paint (" + style + ")", floor);
        bench::report("off-screen drawing, pass (" + style + ")", drawing);
        bench::report("off-screen drawing, floor (" + style + ")", floorDrawing);
        bench::report("  of which memory DC + bitmap + fill", frameOnly);
        std::printf("pass / floor (%s): median %.3f, p95 %.3f\n", style.c_str(), pass.medianMicros / floor.medianMicros,
                    pass.p95Micros / floor.p95Micros);
    }
    {
        MemoryDc memory(windowDc.get());
        GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDc.get(), kWidth, kHeight));
        SelectGuard useBitmap(memory.get(), bitmap.get());
        const auto blit = bench::measure(samples, 1, [&] {
            BitBlt(windowDc.get(), 0, 0, kWidth, kHeight, memory.get(), 0, 0, SRCCOPY);
            GdiFlush();
        });
        bench::report("BitBlt 1920 x 1080 to the window", blit);
    }
    DestroyWindow(window);
    freeGuardedRecord(calcRecord);
    calcRecord = nullptr;
    CloseHandle(calcMutex);
    return 0;
}
