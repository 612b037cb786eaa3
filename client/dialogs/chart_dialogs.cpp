#include "client/dialogs/chart_dialogs.h"

#include <commctrl.h>

#include <cstdint>
#include <exception>
#include <string>

#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/dialogs/csv_export.h"
#include "client/dialogs/dialog_procs.h"
#include "client/dialogs/dialog_rules.h"
#include "client/resources/resource.h"
#include "common/win_text.h"

namespace {

// The span edit holds at most 259 characters and the terminating zero.
constexpr int kSpanTextCapacity = 260;

// Runs `handle` and turns any exception into `onError`: nothing may unwind through the dialog
// manager.
template <typename Handler>
INT_PTR guarded(Handler handle, INT_PTR onError) noexcept
{
    try {
        return handle();
    } catch (...) {
        return onError;
    }
}

// ---- Number dialogs -------------------------------------------------------------------------

struct IntegerSettingKind {
    const wchar_t* label;
    std::int32_t ChartSettings::*setting;
    std::int32_t lower;
    std::int32_t upper;
    std::int32_t (*validate)(std::uint32_t typed, const ChartSettings& settings);
};

const IntegerSettingKind kCandleCountKind{
    L"Candle Sticks", &ChartSettings::candleCount, kCandleCountLower, kCandleCountUpper,
    [](std::uint32_t typed, const ChartSettings&) { return validateCandleCount(typed); }};
const IntegerSettingKind kScrollStepKind{
    L"Scrolling Mass", &ChartSettings::scrollStep, kScrollStepLower, kScrollStepUpper,
    [](std::uint32_t typed, const ChartSettings& settings) { return validateScrollStep(typed, settings.candleCount); }};
const IntegerSettingKind kFutureViewKind{
    L"Future View", &ChartSettings::futureView, kFutureViewLower, kFutureViewUpper,
    [](std::uint32_t typed, const ChartSettings&) { return validateFutureView(typed); }};

void onIntegerDialogInit(HWND dialog, const IntegerSettingKind& kind)
{
    const std::int32_t current = chartSettings.*kind.setting;
    const HWND trackbar = GetDlgItem(dialog, IDC_NUMBER_TRACKBAR);
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(kind.lower, kind.upper));
    SendMessageW(trackbar, TBM_SETPOS, TRUE, current);
    SetDlgItemInt(dialog, IDC_NUMBER_EDIT, static_cast<UINT>(current), FALSE);
    SetDlgItemTextW(dialog, IDC_STATIC, kind.label);
}

// One way only: typing in the edit box leaves the trackbar where it is.
void copyTrackbarToEdit(HWND dialog)
{
    const LRESULT position = SendDlgItemMessageW(dialog, IDC_NUMBER_TRACKBAR, TBM_GETPOS, 0, 0);
    SetDlgItemInt(dialog, IDC_NUMBER_EDIT, static_cast<UINT>(position), FALSE);
}

void storeTypedInteger(HWND dialog, const IntegerSettingKind& kind)
{
    // Text that is no unsigned number reads as 0, which every rule turns into its lower bound.
    const UINT typed = GetDlgItemInt(dialog, IDC_NUMBER_EDIT, nullptr, FALSE);
    chartSettings.*kind.setting = kind.validate(typed, chartSettings);
}

INT_PTR integerDialogMessage(const IntegerSettingKind& kind, HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onIntegerDialogInit(dialog, kind);
        return TRUE;
    case WM_HSCROLL:
        copyTrackbarToEdit(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            storeTypedInteger(dialog, kind);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void onVerticalSpanInit(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDC_NUMBER_TRACKBAR), FALSE);
    SetDlgItemTextW(dialog, IDC_NUMBER_EDIT, formatSpanText(chartSettings.verticalSpan).c_str());
    SetDlgItemTextW(dialog, IDC_STATIC, L"Vertical Span");
}

void storeTypedSpan(HWND dialog)
{
    wchar_t text[kSpanTextCapacity] = {};
    GetDlgItemTextW(dialog, IDC_NUMBER_EDIT, text, kSpanTextCapacity);
    chartSettings.verticalSpan = validateVerticalSpan(parseSpanText(text));
}

INT_PTR verticalSpanMessage(HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onVerticalSpanInit(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            storeTypedSpan(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---- Text views -----------------------------------------------------------------------------

// A snapshot: lines that arrive while the view is open show only when it is opened again.
void fillViewText(HWND dialog, const TickViewKind& kind)
{
    std::wstring text;
    for (const std::string& line : viewLines(kind.list(barStore)))
        text += toWide(line);
    SetDlgItemTextW(dialog, kind.editId, text.c_str());
}

void saveAndClose(HWND dialog, const TickViewKind& kind)
{
    try {
        saveCsvFile(kind.list(barStore));
    } catch (...) {
        // saveCsvFile reports its own failures; this only keeps the view's promise to close.
    }
    EndDialog(dialog, kind.saveId);
}

INT_PTR tickViewMessage(const TickViewKind& kind, HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        fillViewText(dialog, kind);
        return TRUE;
    case WM_COMMAND: {
        // IDCANCEL is deliberately not handled: Escape and the close box leave a view open.
        const int command = LOWORD(wParam);
        if (kind.saveId != 0 && command == kind.saveId) {
            saveAndClose(dialog, kind);
            return TRUE;
        }
        if (command == kind.closeId) {
            EndDialog(dialog, kind.closeId);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

void registerTrackbarClass()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
}

void runDialog(int templateId, HWND owner, DLGPROC procedure)
{
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(templateId), owner, procedure, 0);
}

} // namespace

const TickViewKind kAllJoinedView{[](const BarStore& store) { return BarListView(store.joinedLines); }, IDC_JOINED_TEXT,
                                  IDC_JOINED_SAVE, IDC_JOINED_CANCEL};
const TickViewKind kReceivedTicksView{[](const BarStore& store) { return BarListView(store.receivedLines); },
                                      IDC_RECEIVED_TEXT, IDC_RECEIVED_SAVE, IDC_RECEIVED_CANCEL};
const TickViewKind kLatestTicksView{[](const BarStore& store) { return BarListView(store.minuteBars); }, IDC_LATEST_TEXT, 0,
                                    IDC_LATEST_OK};

INT_PTR CALLBACK candleCountDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return guarded([&] { return integerDialogMessage(kCandleCountKind, dialog, message, wParam); }, FALSE);
}

INT_PTR CALLBACK scrollStepDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return guarded([&] { return integerDialogMessage(kScrollStepKind, dialog, message, wParam); }, FALSE);
}

INT_PTR CALLBACK futureViewDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return guarded([&] { return integerDialogMessage(kFutureViewKind, dialog, message, wParam); }, FALSE);
}

INT_PTR CALLBACK verticalSpanDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return guarded([&] { return verticalSpanMessage(dialog, message, wParam); }, FALSE);
}

template <const TickViewKind& kind>
INT_PTR CALLBACK tickTextView(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    // An exception while building the text leaves an empty view that still opens and closes.
    return guarded([&] { return tickViewMessage(kind, dialog, message, wParam); }, message == WM_INITDIALOG ? TRUE : FALSE);
}

template INT_PTR CALLBACK tickTextView<kAllJoinedView>(HWND, UINT, WPARAM, LPARAM);
template INT_PTR CALLBACK tickTextView<kReceivedTicksView>(HWND, UINT, WPARAM, LPARAM);
template INT_PTR CALLBACK tickTextView<kLatestTicksView>(HWND, UINT, WPARAM, LPARAM);

INT_PTR CALLBACK aboutBox(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void openAboutBox(HWND owner)
{
    runDialog(IDD_ABOUTBOX, owner, aboutBox);
}

void openAllJoinedView(HWND owner)
{
    runDialog(IDD_ALL_JOINED, owner, tickTextView<kAllJoinedView>);
}

void openLatestTicksView(HWND owner)
{
    runDialog(IDD_LATEST_TICKS, owner, tickTextView<kLatestTicksView>);
}

void openReceivedTicksView(HWND owner)
{
    runDialog(IDD_RECEIVED_TICKS, owner, tickTextView<kReceivedTicksView>);
}

void openCandleCountDialog(HWND owner)
{
    registerTrackbarClass();
    runDialog(IDD_INPUT_NUMBER, owner, candleCountDialog);
}

void openScrollStepDialog(HWND owner)
{
    registerTrackbarClass();
    runDialog(IDD_INPUT_NUMBER, owner, scrollStepDialog);
}

void openFutureViewDialog(HWND owner)
{
    registerTrackbarClass();
    runDialog(IDD_INPUT_NUMBER, owner, futureViewDialog);
}

void openVerticalSpanDialog(HWND owner)
{
    registerTrackbarClass();
    runDialog(IDD_INPUT_NUMBER, owner, verticalSpanDialog);
}
