#include "client/core/client_win_state.h"

HANDLE calcMutex = nullptr;
HANDLE barMutex = nullptr;
HINSTANCE appInstance = nullptr;
IndicatorExchange* calcRecord = nullptr;
