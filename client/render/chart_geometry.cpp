#include "client/render/chart_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/text_utils.h"

namespace {

int saturate(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<int>::max());
    return static_cast<int>(std::clamp(value, lo, hi));
}

std::string twoDigits(std::int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(value));
    return text;
}

} // namespace

void beginPass(ChartView& view, int w, int h, int candleCount, int futureView)
{
    view.w = w;
    view.h = h;
    view.candleCount = candleCount;
    view.futureView = futureView;
    view.clientCorners[0] = {0, 0};
    view.clientCorners[1] = {w, 0};
    view.clientCorners[2] = {0, h};
    view.clientCorners[3] = {w, h};
    const PixelRect frame = chartFrame(view);
    view.frameCorners[0] = {frame.left, frame.top};
    view.frameCorners[1] = {frame.right, frame.top};
    view.frameCorners[2] = {frame.left, frame.bottom};
    view.frameCorners[3] = {frame.right, frame.bottom};
    view.priceHigh = kPriceHighStart;
    view.priceLow = kPriceLowStart;
    view.visibleCount = 0;
    view.slotWidth = 0.0;
}

void measureBars(ChartView& view, const std::list<BarRecord>& bars)
{
    view.visibleCount = visibleCountOf(bars.size(), view.candleCount);
    int seen = 0;
    for (const BarRecord& bar : bars) {
        if (seen++ == view.visibleCount)
            break;
        view.priceHigh = std::max(view.priceHigh, bar.high);
        view.priceLow = std::min(view.priceLow, bar.low);
    }
    view.slotWidth = slotWidthOf(view, view.visibleCount);
}

int visibleCountOf(std::size_t listSize, int candleCount)
{
    if (candleCount <= 0)
        return 0;
    return static_cast<int>(std::min<std::size_t>(listSize, static_cast<std::size_t>(candleCount)));
}

PixelRect chartFrame(const ChartView& view)
{
    return {view.marginLeft, view.marginTop, view.w - view.marginRight, view.h - view.marginBottom};
}

PixelRect plotArea(const ChartView& view)
{
    const PixelRect frame = chartFrame(view);
    return {frame.left + view.plotInsetLeft, frame.top + view.plotInsetTop, frame.right - view.plotInsetRight,
            frame.bottom - view.plotInsetBottom};
}

double slotWidthOf(const ChartView& view, int visibleCount)
{
    const PixelRect plot = plotArea(view);
    const int slots = visibleCount + view.futureView;
    if (slots <= 0)
        return 0.0;
    return std::fabs(static_cast<double>(plot.right - plot.left)) / slots;
}

double slotRight(const ChartView& view, int slot)
{
    return plotArea(view).left + slot * view.slotWidth;
}

int rnd(double value)
{
    return saturate(std::round(value));
}

int priceToY(const ChartView& view, double price)
{
    const PixelRect plot = plotArea(view);
    const double hi = view.priceHigh;
    const double lo = view.priceLow;
    const double f = hi != lo ? (price - lo) / (hi - lo) : 0.0;
    const double row = plot.bottom - static_cast<double>(plot.bottom - plot.top) * f;
    if (std::isnan(row))
        return plot.bottom;
    return saturate(std::trunc(row));
}

std::vector<CandleShape> layoutCandles(const ChartView& view, const std::list<BarRecord>& bars)
{
    std::vector<CandleShape> shapes;
    const int visible = std::min(view.visibleCount, static_cast<int>(std::min<std::size_t>(bars.size(), 1u << 20)));
    shapes.reserve(static_cast<std::size_t>(std::max(visible, 0)));
    auto bar = bars.begin();
    // Newest bar first: index k sits in slot visible - k.
    for (int k = 0; k < visible; ++k, ++bar) {
        const int slot = visible - k;
        const double right = slotRight(view, slot);
        const int left = rnd(right - view.slotWidth);
        const int wickX = rnd(right - view.slotWidth / 2 - view.candleGap / 2.0);
        CandleShape shape;
        shape.wickTop = {wickX, priceToY(view, bar->high)};
        shape.wickBottom = {wickX, priceToY(view, bar->low)};
        const int rowOpen = priceToY(view, bar->open);
        const int rowClose = priceToY(view, bar->close);
        shape.body = {left, rowOpen, rnd(right - view.candleGap), rowClose};
        shape.oneRow = std::abs(rowOpen - rowClose) < 1;
        shape.rising = bar->close > bar->open;
        shapes.push_back(shape);
    }
    return shapes;
}

std::vector<NewPriceEntry> buildShinNeAshi(const std::list<BarRecord>& bars)
{
    std::vector<NewPriceEntry> series(bars.size());
    if (bars.empty())
        return series;
    // Built oldest to newest, stored newest first.
    auto slot = series.rbegin();
    auto bar = bars.rbegin();
    double prevOpen = bar->open;
    double prevClose = bar->close;
    *slot++ = {prevOpen, prevClose};
    for (++bar; bar != bars.rend(); ++bar, ++slot) {
        const double c = bar->close;
        NewPriceEntry entry{prevClose, prevClose};
        if (c > prevClose && c > prevOpen)
            entry = {std::max(prevOpen, prevClose), c};
        else if (c < prevClose && c < prevOpen)
            entry = {std::min(prevOpen, prevClose), c};
        *slot = entry;
        prevOpen = entry.open;
        prevClose = entry.close;
    }
    return series;
}

std::vector<BoxShape> layoutShinNeAshi(const ChartView& view, const std::vector<NewPriceEntry>& series)
{
    std::vector<BoxShape> shapes;
    const int visible = std::min(view.visibleCount, static_cast<int>(std::min<std::size_t>(series.size(), 1u << 20)));
    shapes.reserve(static_cast<std::size_t>(std::max(visible, 0)));
    for (int k = 0; k < visible; ++k) {
        const int slot = visible - k;
        const double right = slotRight(view, slot);
        int left = rnd(right - view.slotWidth);
        NewPriceEntry drawn = series[static_cast<std::size_t>(k)];
        int rowOpen = priceToY(view, drawn.open);
        int rowClose = priceToY(view, drawn.close);
        const std::size_t older = static_cast<std::size_t>(k) + 1;
        if (rowOpen == rowClose && older < series.size()) {
            drawn = series[older];
            left = rnd(right - 2 * view.slotWidth);
            rowOpen = priceToY(view, drawn.open);
            rowClose = priceToY(view, drawn.close);
        }
        BoxShape shape;
        shape.box = {left, rowOpen, rnd(right - view.candleGap), rowClose};
        shape.lineFirst = std::abs(rowOpen - rowClose) < 1;
        shape.rising = drawn.close > drawn.open;
        shapes.push_back(shape);
    }
    return shapes;
}

std::vector<PriceLabel> fibonacciLabels(const ChartView& view)
{
    std::vector<PriceLabel> labels;
    constexpr double kRatios[] = {0.0, 0.236, 0.382, 0.5, 0.618, 0.764, 1.0};
    const double lo = view.priceLow;
    const double d = view.priceHigh - view.priceLow;
    const int x = chartFrame(view).right + view.priceLabelOffsetX;
    labels.reserve(std::size(kRatios));
    for (double r : kRatios) {
        const double level = lo + d * r;
        char text[512];  // the largest double takes 309 digits before the point
        std::snprintf(text, sizeof text, "%f", level);
        labels.push_back({{x, priceToY(view, level) - view.priceLabelOffsetY}, text});
    }
    return labels;
}

std::wstring timeframeLabel(const std::wstring& timeframeText)
{
    return L"(" + timeframeText + L" min)";
}

std::string latestTimeText(const std::vector<std::string>& latestLineFields)
{
    if (latestLineFields.size() != 12)
        return {};
    return rebuildTimeText(latestLineFields);
}

std::wstring latestPriceLabel(const std::wstring& price, const std::wstring* newestBarTime)
{
    if (!newestBarTime)
        return price;
    return price + L"\u3000\u3000(" + *newestBarTime + L")";
}

std::wstring markLabel(const std::wstring& markText, int year)
{
    return markText + std::to_wstring(year);
}

PixelPoint markPosition(const ChartView& view)
{
    // Left edge of the plot, in the bottom band under it.
    const PixelRect frame = chartFrame(view);
    return {frame.left + view.plotInsetLeft + kMarkOffset.x, (frame.bottom - view.plotInsetBottom - kMarkOffset.y) + 10};
}

std::string largeTimeLabel(std::int32_t value)
{
    return twoDigits(value);
}

std::string smallTimeLabel(std::int32_t first, std::int32_t second)
{
    return "(" + twoDigits(first) + "/" + twoDigits(second) + ")";
}
