// The chart's paint pass: every coordinate and text comes from chart_geometry and indicator_pass;
// this file only issues the GDI calls, in the fixed order of the pass, into an off-screen bitmap
// that reaches the window with one BitBlt so the 10-ms repaints never flicker.
#include "client/render/paint_chart.h"

#include <array>
#include <exception>
#include <list>

#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/render/chart_geometry.h"
#include "client/render/indicator_pass.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "interfaces/tessara_chart.h"

ChartView chartView;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLabelGrey = RGB(170, 170, 170);

// The feed's texts are converted as they come; one that does not convert is left out rather
// than abandoning the pass.
std::wstring wideOrEmpty(const std::string& text)
{
    try {
        return toWide(text);
    } catch (const std::exception&) {
        return {};
    }
}

HFONT makeFont(const wchar_t* face, int height, int weight)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, face);
}

HFONT makeLabelFont(int height, int weight)
{
    return makeFont(L"MS PGothic", height, weight);
}

void textOut(HDC dc, PixelPoint at, const std::wstring& text)
{
    TextOutW(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
}

void textOutNarrow(HDC dc, int x, int y, const std::string& text)
{
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// Points of a library-owned array, converted to the GDI type; `count` is already kept within the
// array. The buffer is only ever used by the window's thread.
void polylineFromPoints(HDC dc, const ExchangePoint* points, int count)
{
    static std::array<POINT, kScaleLineCapacity> buffer;
    if (count <= 0)
        return;
    for (int i = 0; i < count; ++i)
        buffer[static_cast<std::size_t>(i)] = {points[i].x, points[i].y};
    MoveToEx(dc, buffer[0].x, buffer[0].y, nullptr);
    PolylineTo(dc, buffer.data(), static_cast<DWORD>(count));
}

// Step 5: the lock is held only while the client touches the record and is released around every
// library call, which may take it itself.
void runIndicatorPass(IndicatorExchange& record, const std::list<BarRecord>& snapshot)
{
    void** const lock = &calcMutex;
    {
        MutexHold hold(calcMutex);
        writePassInputs(record, chartView, snapshot);
    }
    const unsigned char fullRefresh = calcIniCheck(&record, lock);
    bool refreshGrid = false;
    {
        MutexHold hold(calcMutex);
        writeBarArrays(record, snapshot, fullRefresh);
        refreshGrid = wantsGridRefresh(record, fullRefresh);
    }
    writeParameters(record);

    const PixelRect plot = plotArea(chartView);
    const double left = plot.left;
    const double right = plot.right;
    const double slotWidth = chartView.slotWidth;
    if (refreshGrid) {
        calcHorizontal(&record, lock);
        calcVertical(&record, lock, left, right, slotWidth, plot.top, plot.bottom);
    }
    calcEMAView(&record, lock, left, right, slotWidth, plot.top, plot.bottom);
    calcKIJUNView(&record, lock, left, right, slotWidth, plot.top, plot.bottom);
    calLATESpanView(&record, lock, left, right, slotWidth, plot.top, plot.bottom);
}

// Step 6.
void drawScaleLines(HDC dc, const IndicatorExchange& record)
{
    MutexHold hold(calcMutex);
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(185, 188, 188)));
    SelectGuard usePen(dc, pen.get());
    SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
    const int count = drawableScaleLines(record);
    for (int i = 0; i < count; ++i) {
        MoveToEx(dc, record.scaleStartX, record.scaleRow[i], nullptr);
        LineTo(dc, record.scaleEndX, record.scaleRow[i]);
    }
}

// Step 7.
void drawTimeGrid(HDC dc, const IndicatorExchange& record)
{
    MutexHold hold(calcMutex);
    const int count = drawableTimeLines(record);
    const int top = record.timeLineTop;
    const int bottom = record.timeLineBottom;
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(169, 172, 172)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
        for (int i = 0; i < count; ++i) {
            MoveToEx(dc, record.timeLineX[i], top, nullptr);
            LineTo(dc, record.timeLineX[i], bottom);
        }
    }
    {
        GdiObject<HFONT> font(makeFont(L"Showcard Gothic", 25, 800));
        SelectGuard useFont(dc, font.get());
        SetTextColor(dc, kLabelGrey);
        for (int i = 0; i < count; ++i)
            textOutNarrow(dc, record.timeLineX[i] + 2, bottom - 30, largeTimeLabel(record.timeLabelLarge[i]));
        SetTextColor(dc, kBlack);
    }
    {
        GdiObject<HFONT> font(makeFont(L"Showcard Gothic", 18, 800));
        SelectGuard useFont(dc, font.get());
        SetTextColor(dc, kLabelGrey);
        for (int i = 0; i < count; ++i)
            textOutNarrow(dc, record.timeLineX[i] + 32, bottom - 25,
                          smallTimeLabel(record.timeLabelFirst[i], record.timeLabelSecond[i]));
        SetTextColor(dc, kBlack);
    }
}

// Step 8.
void drawChartFrame(HDC dc)
{
    const PixelRect frame = chartFrame(chartView);
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(204, 204, 221)));
    SelectGuard usePen(dc, pen.get());
    SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
}

// Step 9.
void drawFibonacciLabels(HDC dc)
{
    GdiObject<HFONT> font(makeLabelFont(12, 300));
    SelectGuard useFont(dc, font.get());
    for (const PriceLabel& label : fibonacciLabels(chartView))
        textOut(dc, label.at, wideOrEmpty(label.text));
}

void drawText(HDC dc, int height, PixelPoint at, const std::wstring& text)
{
    GdiObject<HFONT> font(makeLabelFont(height, 800));
    SelectGuard useFont(dc, font.get());
    textOut(dc, at, text);
}

// Step 10.
void drawHeader(HDC dc, const std::vector<std::string>& latestLineFields, const std::list<BarRecord>& snapshot)
{
    {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(128, 128, 128)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, 0, 0, chartView.w, chartView.h);
    }
    drawText(dc, 18, kSymbolAt, chartTexts.symbolText);
    drawText(dc, 12, kTimeframeAt, timeframeLabel(chartTexts.timeframeText));
    drawText(dc, 18, kClockAt, chartTexts.clockText);
    if (latestLineFields.size() == 12) {
        GdiObject<HFONT> font(makeLabelFont(18, 800));
        SelectGuard useFont(dc, font.get());
        textOut(dc, kLatestTimeAt, wideOrEmpty(latestTimeText(latestLineFields)));
        const std::wstring price = wideOrEmpty(latestLineFields[11]);
        if (snapshot.empty()) {
            textOut(dc, kLatestPriceAt, latestPriceLabel(price, nullptr));
        } else {
            const std::wstring newest = wideOrEmpty(snapshot.front().timeText);
            textOut(dc, kLatestPriceAt, latestPriceLabel(price, &newest));
        }
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    drawText(dc, 12, markPosition(chartView), markLabel(chartView.markText, now.wYear));
}

// Step 11.
void drawBaseLine(HDC dc, const IndicatorExchange& record)
{
    MutexHold hold(calcMutex);
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 3, RGB(0, 0, 255)));
    SelectGuard usePen(dc, pen.get());
    SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
    polylineFromPoints(dc, record.baseLine, drawableBaseLinePoints(record));
}

// Both bar styles: black outline, white body when rising, black otherwise.
void drawCandleSticks(HDC dc, const std::list<BarRecord>& snapshot)
{
    if (snapshot.empty())
        return;
    for (const CandleShape& shape : layoutCandles(chartView, snapshot)) {
        {
            GdiObject<HPEN> wickPen(CreatePen(PS_SOLID, 1, kBlack));
            SelectGuard usePen(dc, wickPen.get());
            MoveToEx(dc, shape.wickTop.x, shape.wickTop.y, nullptr);
            LineTo(dc, shape.wickBottom.x, shape.wickBottom.y);
        }
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kBlack));
        GdiObject<HBRUSH> brush(CreateSolidBrush(shape.rising ? kWhite : kBlack));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, brush.get());
        const PixelRect& body = shape.body;
        if (shape.oneRow) {
            MoveToEx(dc, body.left, body.bottom, nullptr);
            LineTo(dc, body.right, body.bottom);
        } else {
            Rectangle(dc, body.left, body.top, body.right, body.bottom);
        }
    }
}

void drawShinNeAshi(HDC dc, const std::list<BarRecord>& snapshot)
{
    if (snapshot.empty())
        return;
    for (const BoxShape& shape : layoutShinNeAshi(chartView, buildShinNeAshi(snapshot))) {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kBlack));
        GdiObject<HBRUSH> brush(CreateSolidBrush(shape.rising ? kWhite : kBlack));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, brush.get());
        const PixelRect& box = shape.box;
        if (shape.lineFirst) {
            MoveToEx(dc, box.left, box.bottom, nullptr);
            LineTo(dc, box.right, box.bottom);
        }
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
    }
}

// Step 13.
void drawEmaAndLaggingSpan(HDC dc, const IndicatorExchange& record)
{
    {
        MutexHold hold(calcMutex);
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(255, 0, 0)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
        const int count = drawableEmaPoints(record, chartView.visibleCount);
        if (count > 0) {
            MoveToEx(dc, record.emaX[0], record.emaY[0], nullptr);
            for (int i = 0; i < count; ++i)
                LineTo(dc, record.emaX[i], record.emaY[i]);
        }
    }
    {
        MutexHold hold(calcMutex);
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(0, 128, 0)));
        SelectGuard usePen(dc, pen.get());
        SelectGuard useBrush(dc, GetStockObject(HOLLOW_BRUSH));
        polylineFromPoints(dc, record.laggingSpan, drawableLaggingPoints(record));
    }
}

void paintPass(HWND window, const std::vector<std::string>& latestLineFields)
{
    // 1. Off-screen bitmap of the client size, white.
    PaintScope paint(window);
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    MemoryDc memory(paint.dc());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.dc(), w, h));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    {
        GdiObject<HBRUSH> white(CreateSolidBrush(kWhite));
        RECT all{0, 0, w, h};
        FillRect(memory.get(), &all, white.get());
    }
    drawChartInto(memory.get(), w, h, latestLineFields);                        // 2-13
    BitBlt(paint.dc(), 0, 0, w, h, memory.get(), 0, 0, SRCCOPY);                // 14
}

} // namespace

void drawChartInto(HDC dc, int w, int h, const std::vector<std::string>& latestLineFields)
{
    // 2-4. The display list changes only on this thread, between passes, so it serves as the
    // snapshot of every step without a copy.
    const std::list<BarRecord>& snapshot = barStore.displayList;
    beginPass(chartView, w, h, chartSettings.candleCount, chartSettings.futureView);
    measureBars(chartView, snapshot);
    chartView.verticalSpan = chartSettings.verticalSpan;

    // Without the record (its allocation failed and the program is quitting) the record's steps
    // are skipped; the rest still draws.
    IndicatorExchange* const record = calcRecord;
    if (record)
        runIndicatorPass(*record, snapshot);                                   // 5
    if (record)
        drawScaleLines(dc, *record);                                           // 6
    if (record)
        drawTimeGrid(dc, *record);                                             // 7
    drawChartFrame(dc);                                                        // 8
    drawFibonacciLabels(dc);                                                   // 9
    drawHeader(dc, latestLineFields, snapshot);                                // 10
    if (record)
        drawBaseLine(dc, *record);                                             // 11
    if (chartSettings.candleType == 1)                                         // 12
        drawCandleSticks(dc, snapshot);
    else
        drawShinNeAshi(dc, snapshot);
    if (record)
        drawEmaAndLaggingSpan(dc, *record);                                    // 13
}

void paintChart(HWND window, const std::vector<std::string>& latestLineFields)
{
    try {
        paintPass(window, latestLineFields);
    } catch (...) {
        // A failed allocation loses one frame; the next timer tick paints again.
    }
}
