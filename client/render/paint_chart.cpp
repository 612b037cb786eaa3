// Placeholder pass until the chart drawing lands: a white double-buffered frame.
#include "client/render/paint_chart.h"

#include "common/win_handles.h"

void paintChart(HWND window, const std::vector<std::string>&)
{
    PaintScope paint(window);
    RECT client{};
    GetClientRect(window, &client);
    MemoryDc memory(paint.dc());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.dc(), client.right, client.bottom));
    SelectGuard useBitmap(memory.get(), bitmap.get());
    GdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(memory.get(), &client, white.get());
    BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}
