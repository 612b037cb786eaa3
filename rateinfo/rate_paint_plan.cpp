#include "rateinfo/rate_paint_plan.h"

#include <algorithm>
#include <iterator>
#include <locale>
#include <sstream>

namespace {

constexpr FontSpec kSymbolFont{20, 900};
constexpr FontSpec kClockFont{14, 900};
constexpr FontSpec kTimeFont{12, 700};
constexpr FontSpec kLatestCloseFont{24, 700};

constexpr int kSymbolX = 10, kSymbolY = 5;
constexpr int kClockX = 100, kClockY = 11;
constexpr int kLatestTimeX = 10, kLatestTimeY = 35;
constexpr int kLatestCloseX = 173, kLatestCloseY = 30;
constexpr int kRowTimeX = 10;
constexpr int kRowCloseX = 185;
constexpr int kFirstRowY = 70;
constexpr int kRowPitch = 21;

constexpr Rgb kRiseLatest{255, 71, 87};
constexpr Rgb kFallLatest{83, 82, 237};
constexpr Rgb kRiseRow{255, 0, 0};
constexpr Rgb kFallRow{0, 0, 255};

PaintStep setColour(Rgb colour)
{
    PaintStep step;
    step.kind = PaintStep::Kind::SetColour;
    step.colour = colour;
    return step;
}

PaintStep text(PaintText value, std::optional<FontSpec> font, int x, int y)
{
    PaintStep step;
    step.kind = PaintStep::Kind::Text;
    step.font = font;
    step.x = x;
    step.y = y;
    step.text = std::move(value);
    return step;
}

} // namespace

std::optional<Rgb> secondBandColour(std::int32_t second)
{
    if (second >= 0 && second <= 14)
        return Rgb{108, 151, 245};
    if (second >= 15 && second <= 29)
        return Rgb{44, 238, 48};
    if (second >= 30 && second <= 44)
        return Rgb{245, 201, 108};
    if (second >= 45 && second <= 59)
        return Rgb{245, 108, 220};
    return std::nullopt;
}

std::optional<Rgb> latestCloseColour(const RateHistory& history)
{
    if (history.size() < 2)
        return std::nullopt;
    const double newest = history.front().close;
    const double previous = std::next(history.begin())->close;
    return newest > previous ? kRiseLatest : kFallLatest;
}

Rgb rowCloseColour(double close, double olderClose)
{
    return close > olderClose ? kRiseRow : kFallRow;
}

std::string formatClose(double close, std::int32_t decimalPlaces)
{
    // One stream per thread, set up once: building and imbuing a stream for each of up to 81
    // numbers a paint would cost more than the rest of the formatting.
    thread_local std::ostringstream stream = [] {
        std::ostringstream s;
        s.imbue(std::locale::classic());
        s.setf(std::ios::fixed, std::ios::floatfield);
        return s;
    }();
    stream.str(std::string());
    stream.clear();
    stream.precision(decimalPlaces);
    stream << close;
    return stream.str();
}

PaintPlan planHeader(const std::wstring& symbolText, const std::wstring& clockText)
{
    PaintPlan plan;
    plan.push_back(text(symbolText, kSymbolFont, kSymbolX, kSymbolY));
    plan.push_back(text(clockText, kClockFont, kClockX, kClockY));
    return plan;
}

PaintPlan planRates(const std::optional<LatestTick>& latest, const RateHistory& history, std::int32_t rowCount,
                    std::int32_t decimalPlaces)
{
    PaintPlan plan;
    if (latest) {
        if (const auto band = secondBandColour(latest->second))
            plan.push_back(setColour(*band));
        plan.push_back(text(latest->dateTime, kTimeFont, kLatestTimeX, kLatestTimeY));
        plan.push_back(setColour(kBlack));
        if (const auto colour = latestCloseColour(history))
            plan.push_back(setColour(*colour));
        // Left in its colour on purpose: the first row's time inherits it when its second sets none.
        plan.push_back(text(formatClose(latest->close, decimalPlaces), kLatestCloseFont, kLatestCloseX, kLatestCloseY));
    }

    // The newest entry is the latest tick above, so the table starts at the second-newest.
    if (history.size() < 3 || rowCount < 1)
        return plan;
    auto entry = std::next(history.begin());
    int y = kFirstRowY;
    for (std::int32_t row = 0; row < rowCount && entry != history.end(); ++row) {
        if (const auto band = secondBandColour(secondOfTime(entry->dateTime).value_or(-1)))
            plan.push_back(setColour(*band));
        plan.push_back(text(entry->dateTime, kTimeFont, kRowTimeX, y));
        plan.push_back(setColour(kBlack));
        const auto older = std::next(entry);
        if (older != history.end())
            plan.push_back(setColour(rowCloseColour(entry->close, older->close)));
        plan.push_back(text(formatClose(entry->close, decimalPlaces), std::nullopt, kRowCloseX, y));
        entry = older;
        y += kRowPitch;
    }
    return plan;
}

std::vector<DrawnText> drawnTexts(const PaintPlan& plan)
{
    std::vector<DrawnText> drawn;
    Rgb current = kBlack;
    for (const PaintStep& step : plan) {
        if (step.kind == PaintStep::Kind::SetColour)
            current = step.colour;
        else
            drawn.push_back(DrawnText{step.text, step.font, step.x, step.y, current});
    }
    return drawn;
}

std::vector<DrawnText> textsByFont(const PaintPlan& plan)
{
    std::vector<DrawnText> texts = drawnTexts(plan);
    std::vector<std::optional<FontSpec>> firstSeen;
    auto rankOf = [&](const std::optional<FontSpec>& font) {
        return static_cast<std::size_t>(std::find(firstSeen.begin(), firstSeen.end(), font) - firstSeen.begin());
    };
    for (const DrawnText& text : texts)
        if (rankOf(text.font) == firstSeen.size())
            firstSeen.push_back(text.font);
    std::stable_sort(texts.begin(), texts.end(),
                     [&](const DrawnText& a, const DrawnText& b) { return rankOf(a.font) < rankOf(b.font); });
    return texts;
}
