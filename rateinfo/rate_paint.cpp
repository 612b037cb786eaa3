#include "rateinfo/rate_paint.h"

#include <string>
#include <vector>

#include "common/win_handles.h"
#include "common/win_text.h"
#include "rateinfo/rate_state.h"
#include "rateinfo/rate_window.h"

namespace {

constexpr BYTE kSwissDefaultPitch = FF_SWISS | DEFAULT_PITCH;  // 0x20

HFONT createPaintFont(const FontSpec& spec)
{
    return CreateFontW(spec.height, 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kSwissDefaultPitch, L"MS PGothic");
}

HGDIOBJ fontFor(const std::optional<FontSpec>& spec, PaintFonts& fonts)
{
    // A row's close goes out in the stock system font, not in the font of its row's time.
    return spec ? static_cast<HGDIOBJ>(fonts.get(*spec)) : GetStockObject(SYSTEM_FONT);
}

std::wstring wideText(const PaintText& text)
{
    return std::holds_alternative<std::wstring>(text) ? std::get<std::wstring>(text)
                                                      : toWide(std::get<std::string>(text));
}

} // namespace

HFONT PaintFonts::get(const FontSpec& spec)
{
    for (std::size_t i = 0; i < used_; ++i)
        if (fonts_[i].first == spec)
            return fonts_[i].second.get();
    if (used_ == fonts_.size()) {
        overflow_ = GdiObject<HFONT>(createPaintFont(spec));
        return overflow_.get();
    }
    fonts_[used_] = {spec, GdiObject<HFONT>(createPaintFont(spec))};
    return fonts_[used_++].second.get();
}

void executePlan(HDC dc, const PaintPlan& plan, PaintFonts& fonts, int clientHeight)
{
    const std::vector<DrawnText> texts = textsByFont(plan);
    for (std::size_t first = 0; first < texts.size();) {
        std::size_t end = first;
        while (end < texts.size() && texts[end].font == texts[first].font)
            ++end;
        // The guard puts back the font selected before: in the memory DC, the stock system font.
        SelectGuard useFont(dc, fontFor(texts[first].font, fonts));
        for (std::size_t i = first; i < end; ++i) {
            const DrawnText& text = texts[i];
            if (text.y >= clientHeight)
                continue;
            SetTextColor(dc, RGB(text.colour.red, text.colour.green, text.colour.blue));
            const std::wstring wide = wideText(text.text);
            TextOutW(dc, text.x, text.y, wide.c_str(), static_cast<int>(wide.size()));
        }
        first = end;
    }
}

void onPaint(HWND window)
{
    PaintScope paint(window);
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    // Declared first so that they outlive every selection of them.
    PaintFonts fonts;
    // Off screen, then one BitBlt: the window repaints every 10 ms and must not flicker.
    MemoryDc memory(paint.dc());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.dc(), width, height));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    {
        GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
        FillRect(memory.get(), &client, white.get());
    }

    executePlan(memory.get(), planHeader(symbolText, clockText), fonts, height);
    refreshRates();
    executePlan(memory.get(), planRates(latestTick, rateHistory, rowCount, decimalPlaces), fonts, height);

    BitBlt(paint.dc(), 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}
