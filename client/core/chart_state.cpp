#include "client/core/chart_state.h"

ChartSettings chartSettings;
BarStore barStore;
ChartTexts chartTexts;
