#include "rateinfo/rate_paint.h"

#include <string>

#include "common/win_handles.h"
#include "common/win_text.h"
#include "rateinfo/rate_state.h"
#include "rateinfo/rate_window.h"

namespace {

constexpr BYTE kSwissDefaultPitch = FF_SWISS | DEFAULT_PITCH;  // 0x20

void drawText(HDC dc, const PaintStep& step)
{
    const std::wstring wide = std::holds_alternative<std::wstring>(step.text)
                                  ? std::get<std::wstring>(step.text)
                                  : toWide(std::get<std::string>(step.text));
    const int length = static_cast<int>(wide.size());
    if (!step.font) {
        // A row's close goes out in the stock system font, not in the font of its row's time.
        SelectGuard useSystem(dc, GetStockObject(SYSTEM_FONT));
        TextOutW(dc, step.x, step.y, wide.c_str(), length);
        return;
    }
    GdiObject<HFONT> font(CreateFontW(step.font->height, 0, 0, 0, step.font->weight, FALSE, FALSE, FALSE,
                                      ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      kSwissDefaultPitch, L"MS PGothic"));
    // The guard puts back the font that was selected before: in the memory DC that is always
    // the stock system font, which is what every item leaves behind.
    SelectGuard useFont(dc, font.get());
    TextOutW(dc, step.x, step.y, wide.c_str(), length);
}

} // namespace

void executePlan(HDC dc, const PaintPlan& plan)
{
    for (const PaintStep& step : plan) {
        if (step.kind == PaintStep::Kind::SetColour)
            SetTextColor(dc, RGB(step.colour.red, step.colour.green, step.colour.blue));
        else
            drawText(dc, step);
    }
}

void onPaint(HWND window)
{
    PaintScope paint(window);
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    // Off screen, then one BitBlt: the window repaints every 10 ms and must not flicker.
    MemoryDc memory(paint.dc());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.dc(), width, height));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    {
        GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
        FillRect(memory.get(), &client, white.get());
    }

    executePlan(memory.get(), planHeader(symbolText, clockText));
    refreshRates();
    executePlan(memory.get(), planRates(latestTick, rateHistory, rowCount, decimalPlaces));

    BitBlt(paint.dc(), 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}
