// Placeholder until the dialogs land: the commands arrive and open nothing yet.
#include "client/dialogs/chart_dialogs.h"

void openAboutBox(HWND) {}
void openAllJoinedView(HWND) {}
void openLatestTicksView(HWND) {}
void openReceivedTicksView(HWND) {}
void openCandleCountDialog(HWND) {}
void openScrollStepDialog(HWND) {}
void openFutureViewDialog(HWND) {}
void openVerticalSpanDialog(HWND) {}
