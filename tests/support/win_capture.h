// Reading back what a window shows, for pixel tests under Wine: BitBlt from the window's DC
// (PrintWindow returns black there).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row-major, top row first

    bool valid() const { return width > 0 && height > 0; }
    std::uint32_t at(int x, int y) const;
    COLORREF colour(int x, int y) const;  // as RGB(r, g, b)
    // Number of pixels in the rectangle [left, right) x [top, bottom) equal to `colour`.
    int count(int left, int top, int right, int bottom, COLORREF colour) const;
    bool savePpm(const std::string& path) const;
};

// The client area of `window` as it is on the screen now.
Capture captureClient(HWND window);

// Pumps this thread's messages for about `milliseconds`.
void pumpMessages(DWORD milliseconds);

std::string describeColour(COLORREF colour);
