// A bare window whose WM_PAINT runs the chart's paint pass over the client's globals, for the
// pixel, protocol and timing programs under Wine.
#pragma once

#include <list>
#include <string>
#include <vector>

#include <windows.h>

#include "client/core/bar_record.h"
#include "interfaces/indicator_exchange.h"

// When set, WM_PAINT calls this instead of the chart's paint pass (the timing program's floor).
extern void (*chartWindowPaintOverride)(HWND window);

// The fields the next paint receives as the matched feed line (any length other than 12: none).
extern std::vector<std::string> chartWindowLatestFields;

// A popup window whose client area is exactly `width` x `height`, shown at (0, 0).
HWND createChartWindow(int width, int height);
// Runs one complete paint pass now.
void repaintChart(HWND window);

// The shared record, placed so that its last byte is followed by an inaccessible page: a read past
// the end of the record faults instead of passing unnoticed.
IndicatorExchange* allocateGuardedRecord();
void freeGuardedRecord(IndicatorExchange* record);

BarRecord makeBar(int hour, int minute, double open, double high, double low, double close);
// Oldest first in, newest first (display order) out.
std::list<BarRecord> displayOrder(const std::vector<BarRecord>& oldestFirst);
