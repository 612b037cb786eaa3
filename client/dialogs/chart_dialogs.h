// The chart client's modal dialogs, each owned by the main window and run on the instance kept at
// start-up. The main window ignores their results and does not repaint afterwards.
#pragma once

#include <windows.h>

void openAboutBox(HWND owner);            // command 104, dialog 103
void openAllJoinedView(HWND owner);       // command 32771, dialog 132
void openLatestTicksView(HWND owner);     // command 32773, dialog 135
void openReceivedTicksView(HWND owner);   // command 32774, dialog 134
void openCandleCountDialog(HWND owner);   // command 32775, template 136
void openScrollStepDialog(HWND owner);    // command 32776, template 136
void openFutureViewDialog(HWND owner);    // command 32777, template 136
void openVerticalSpanDialog(HWND owner);  // command 32786, template 136
