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
