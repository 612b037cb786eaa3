// The paint draws texts grouped by font, one selection per font, where the plan describes one
// font per text in drawing order. Both must give the same pixels: a literal rendering of the plan,
// step by step, is the reference here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "common/win_handles.h"
#include "common/win_text.h"
#include "rateinfo/rate_paint.h"

namespace {

constexpr int kWidth = 299;
constexpr int kHeight = 1800;

// Every text in a font created just before it and deleted right after, the stock system font
// selected in between, colours set exactly where the plan sets them.
void renderStepByStep(HDC dc, const PaintPlan& plan)
{
    for (const PaintStep& step : plan) {
        if (step.kind == PaintStep::Kind::SetColour) {
            SetTextColor(dc, RGB(step.colour.red, step.colour.green, step.colour.blue));
            continue;
        }
        const std::wstring text = std::holds_alternative<std::wstring>(step.text) ? std::get<std::wstring>(step.text)
                                                                                  : toWide(std::get<std::string>(step.text));
        HFONT font = nullptr;
        if (step.font)
            font = CreateFontW(step.font->height, 0, 0, 0, step.font->weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH,
                               L"MS PGothic");
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        TextOutW(dc, step.x, step.y, text.c_str(), static_cast<int>(text.size()));
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        if (font)
            DeleteObject(font);
    }
}

// Pixels of a white memory bitmap after `draw`, as 0x00RRGGBB.
template <typename Draw>
std::vector<std::uint32_t> render(Draw&& draw)
{
    WindowDc screen(nullptr);
    MemoryDc memory(screen.get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return {};
    std::vector<std::uint32_t> pixels;
    {
        SelectGuard useBitmap(memory.get(), bitmap.get());
        RECT all{0, 0, kWidth, kHeight};
        GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
        FillRect(memory.get(), &all, white.get());
        draw(memory.get());
        GdiFlush();
        const auto* source = static_cast<const std::uint32_t*>(bits);
        pixels.assign(source, source + static_cast<std::size_t>(kWidth) * kHeight);
    }
    for (auto& p : pixels)
        p &= 0x00FFFFFFu;
    return pixels;
}

void expectSamePixels(const std::wstring& symbol, const LatestTick& latest, const RateHistory& history, int rows,
                      int places)
{
    const PaintPlan header = planHeader(symbol, L"2026/12/08 10:00:07.123");
    const PaintPlan rates = planRates(latest, history, rows, places);
    const auto reference = render([&](HDC dc) {
        renderStepByStep(dc, header);
        renderStepByStep(dc, rates);
    });
    const auto grouped = render([&](HDC dc) {
        PaintFonts fonts;
        executePlan(dc, header, fonts, kHeight);
        executePlan(dc, rates, fonts, kHeight);
    });
    ASSERT_EQ(reference.size(), grouped.size());
    ASSERT_FALSE(reference.empty());
    std::size_t inked = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        inked += reference[i] != 0x00FFFFFFu;
        ASSERT_EQ(grouped[i], reference[i]) << "x " << i % kWidth << ", y " << i / kWidth;
    }
    EXPECT_GT(inked, 1000u);  // the comparison covered real text
}

TEST(RatePaintGdi, GroupedFontsDrawTheSamePixelsAsTheStepByStepPlan)
{
    RateHistory history;
    for (int i = 0; i < 83; ++i) {
        const int second = (i * 13) % 62;  // 60 and 61 included: they set no colour
        history.push_back(RateEntry{"2026/12/08 10:00:" + std::to_string(second) + ".000", 150.0 + 0.125 * ((i * 7) % 9)});
    }
    const LatestTick latest{history.front().dateTime, secondOfTime(history.front().dateTime).value_or(0),
                            history.front().close};
    expectSamePixels(L"SIM-USDJPY", latest, history, 80, 3);
    expectSamePixels(L"", latest, history, 15, 6);
}

TEST(RatePaintGdi, LongTimesThatRunIntoTheClosesStillDrawTheSame)
{
    // Digits without width limits: a long time runs under its row's close and a long symbol under
    // the clock; the later text's opaque cell must still win in both renderings.
    RateHistory history;
    for (int i = 0; i < 10; ++i)
        history.push_back(RateEntry{"2026/12/08 10:00:" + std::to_string(i * 6) + ".0000000000000" + std::to_string(i),
                                    1.0 + 0.5 * (i % 3)});
    const LatestTick latest{history.front().dateTime, 0, history.front().close};
    expectSamePixels(L"A-VERY-LONG-SYMBOL-NAME", latest, history, 15, 6);
}

TEST(RatePaintGdi, TextsBelowTheClientAreSkipped)
{
    RateHistory history;
    for (int i = 0; i < 40; ++i)
        history.push_back(RateEntry{"2026/12/08 10:00:01.000", 1.0 + i});
    const LatestTick latest{history.front().dateTime, 1, history.front().close};
    const PaintPlan plan = planRates(latest, history, 30, 0);
    // Rows from y = 70 + 21 * 10 = 280 on fall outside a 280-pixel client.
    const auto clipped = render([&](HDC dc) {
        PaintFonts fonts;
        executePlan(dc, plan, fonts, 280);
    });
    const auto full = render([&](HDC dc) {
        PaintFonts fonts;
        executePlan(dc, plan, fonts, kHeight);
    });
    ASSERT_EQ(clipped.size(), full.size());
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (i / kWidth < 280)
            ASSERT_EQ(clipped[i], full[i]) << i;
        else
            ASSERT_EQ(clipped[i], 0x00FFFFFFu) << i;
    }
}

} // namespace
