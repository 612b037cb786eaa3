// The rate-info window's paint: executes the portable plan with GDI, off screen.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include <windows.h>

#include "common/win_handles.h"
#include "rateinfo/rate_paint_plan.h"

// The "MS PGothic" fonts of one paint, each created on first use and deleted with the set: a
// paint with 80 rows draws 83 texts in four distinct fonts.
class PaintFonts {
public:
    HFONT get(const FontSpec& spec);

private:
    std::array<std::pair<FontSpec, GdiObject<HFONT>>, 4> fonts_;
    std::size_t used_ = 0;
    GdiObject<HFONT> overflow_;  // a fifth spec, should one ever appear: kept until a sixth replaces it
};

// Draws the plan's texts into `dc`, one font selection per font (textsByFont), each text in the
// colour the plan puts in force for it; the stock system font is selected again at the end.
// Texts that start at or below `clientHeight` cannot show and are skipped.
void executePlan(HDC dc, const PaintPlan& plan, PaintFonts& fonts, int clientHeight);

// WM_PAINT: header, one refresh from the feed, the latest tick and the table, then one BitBlt.
void onPaint(HWND window);
