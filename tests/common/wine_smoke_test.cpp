// The floor every Windows-side test stands on: Wine runs our exe, a window appears on the private
// X server, GDI paints it and BitBlt from the window DC reads the pixels back.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/win_capture.h"

namespace {

LRESULT CALLBACK smokeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &client, white);
        DeleteObject(white);
        RECT block{10, 10, 60, 40};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &block, red);
        DeleteObject(red);
        HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 255));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, 100, 5, nullptr);
        LineTo(dc, 100, 80);
        SelectObject(dc, old);
        DeleteObject(pen);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(WineSmoke, WindowPaintsAndReadsBackKnownColours)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = smokeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvaneSmoke";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND window = CreateWindowExW(0, L"OrvaneSmoke", L"smoke", WS_OVERLAPPEDWINDOW, 20, 20, 300, 200, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pumpMessages(300);

    const Capture shot = captureClient(window);
    ASSERT_TRUE(shot.valid());
    EXPECT_EQ(shot.colour(30, 20), RGB(255, 0, 0)) << describeColour(shot.colour(30, 20));
    EXPECT_EQ(shot.colour(200, 100), RGB(255, 255, 255));
    // A 2-pixel pen at x = 100 covers columns 99 and 100.
    EXPECT_EQ(shot.colour(99, 40), RGB(0, 0, 255));
    EXPECT_EQ(shot.colour(100, 40), RGB(0, 0, 255));
    EXPECT_EQ(shot.colour(102, 40), RGB(255, 255, 255));
    EXPECT_EQ(shot.count(10, 10, 60, 40, RGB(255, 0, 0)), 50 * 30);
    DestroyWindow(window);
}

} // namespace
