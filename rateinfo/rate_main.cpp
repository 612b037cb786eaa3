// OrvaneRateInfo: the small always-beside-the-terminal window of the latest closes.
#include <windows.h>

#include "interfaces/orvane_driver.h"
#include "rateinfo/rate_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const FeedApi feed{&initSendticksMT5, &getsymbolcMT5, &ReadLinesMT5, &deinitSendticksMT5};
    try {
        return runRateInfo(instance, showCommand, feed);
    } catch (...) {
        return 1;
    }
}
