// The chart client's whole drawing pass, run by WM_PAINT after the feed line was merged.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "client/render/chart_geometry.h"

// Layout constants and the fields of the last pass.
extern ChartView chartView;

// `latestLineFields`: the 12 group texts of the line matched in this cycle, or any other length
// when nothing matched. Begins and ends the paint itself.
void paintChart(HWND window, const std::vector<std::string>& latestLineFields);

// Steps 2 to 13 of the pass into `dc`, a white w x h bitmap: what paintChart draws off-screen
// before its single BitBlt. Separate so that the drawing can be timed apart from the copy.
void drawChartInto(HDC dc, int w, int h, const std::vector<std::string>& latestLineFields);
