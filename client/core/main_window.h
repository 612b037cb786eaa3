// The chart client's main window: its class, its creation and its window procedure.
#pragma once

#include <cstddef>

#include <windows.h>

inline constexpr UINT_PTR kRefreshTimerId = 100;
inline constexpr UINT kRefreshPeriodMs = 10;
inline constexpr int kMainWindowWidth = 1920;
inline constexpr int kMainWindowHeight = 1080;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class with the program's icon 131 and menu 109 from `instance`.
ATOM registerMainWindowClass(HINSTANCE instance, const wchar_t* className);

// The 1920 x 1080 overlapped window at (0, 0); null when creation fails.
HWND createMainWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title);
