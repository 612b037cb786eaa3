// The chart client's Win32 globals: the two named mutexes, the instance, and the record shared
// with the indicator library. Defined once in client_win_state.cpp.
#pragma once

#include <windows.h>

#include "interfaces/indicator_exchange.h"

extern HANDLE calcMutex;              // "CALC_THREAD_MUTEX": guards calcRecord against the library
extern HANDLE barMutex;               // "EMA_CALC_MUTEX": guards minuteBars and displayList
extern HINSTANCE appInstance;         // kept for the dialogs
extern IndicatorExchange* calcRecord; // owned by the main window from WM_CREATE to WM_DESTROY; null otherwise
