// The dialog procedures behind chart_dialogs.h, for callers that run a dialog themselves and want
// its result (the main window ignores results and uses the open* functions).
#pragma once

#include <vector>

#include <windows.h>

#include "client/core/chart_state.h"

// Number dialogs on template 136: result IDOK (1) after OK, IDCANCEL (2) after Cancel.
INT_PTR CALLBACK candleCountDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK scrollStepDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK futureViewDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK verticalSpanDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// One text view: which list it shows, where, and which buttons close it (the result is the
// button's id). A view without Save has saveId 0.
struct TickViewKind {
    BarListView (*list)(const BarStore& store);
    int editId;
    int saveId;
    int closeId;
};

extern const TickViewKind kAllJoinedView;      // template 132
extern const TickViewKind kReceivedTicksView;  // template 134
extern const TickViewKind kLatestTicksView;    // template 135

template <const TickViewKind& kind>
INT_PTR CALLBACK tickTextView(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

extern template INT_PTR CALLBACK tickTextView<kAllJoinedView>(HWND, UINT, WPARAM, LPARAM);
extern template INT_PTR CALLBACK tickTextView<kReceivedTicksView>(HWND, UINT, WPARAM, LPARAM);
extern template INT_PTR CALLBACK tickTextView<kLatestTicksView>(HWND, UINT, WPARAM, LPARAM);

// About box 103: result IDOK (1) after OK, IDCANCEL (2) after Escape or the close box.
INT_PTR CALLBACK aboutBox(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
