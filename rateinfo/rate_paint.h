// The rate-info window's paint: executes the portable plan with GDI, off screen.
#pragma once

#include <windows.h>

#include "rateinfo/rate_paint_plan.h"

// Draws the plan's texts into `dc` in order; every created font lives only for its own text.
void executePlan(HDC dc, const PaintPlan& plan);

// WM_PAINT: header, one refresh from the feed, the latest tick and the table, then one BitBlt.
void onPaint(HWND window);
