// The rate-info main window: class, creation, window procedure and About box. The feed is reached
// through function pointers set at start-up, so that the window can also run on a scripted feed.
#pragma once

#include <optional>

#include <windows.h>

#include "rateinfo/rate_model.h"

struct FeedApi {
    int (*open)() noexcept = nullptr;
    const char* (*symbol)() noexcept = nullptr;
    const char* (*readLines)() noexcept = nullptr;
    int (*close)() noexcept = nullptr;
};

inline constexpr UINT_PTR kRefreshTimerId = 100;
inline constexpr UINT kRefreshMilliseconds = 10;

extern HINSTANCE instanceHandle;
extern FeedApi feedApi;

// Polls the feed once and keeps rateHistory and latestTick; the tick read, if any.
std::optional<LatestTick> refreshRates();

LRESULT CALLBACK rateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Registers the class named by string 109 with the icons, cursor and menu of `instance`.
ATOM registerRateInfoClass(HINSTANCE instance);
// The 305 x 450 window at (50, 50); nullptr when it cannot be created.
HWND createRateInfoWindow(HINSTANCE instance);

// The whole program from opening the feed to closing it; the process exit code.
int runRateInfo(HINSTANCE instance, int showCommand, const FeedApi& feed);
