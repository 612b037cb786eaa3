// orvane-shot CLASSNAME OUT.bmp [WAIT_MS]: saves what the top-level window of class CLASSNAME shows
// in its client area as a 24-bit BMP, waiting up to WAIT_MS (default 10000) for the window to
// appear. Used by scripts/demo for its screenshots; BitBlt from the window's DC is what works
// under Wine (PrintWindow gives black there).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win_handles.h"

namespace {

bool writeBmp(const wchar_t* path, int width, int height, const std::vector<unsigned char>& rows)
{
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as GetDIBits gave it
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rows.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = _wfopen(path, L"wb");
    if (!out)
        return false;
    const bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                    std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    return std::fclose(out) == 0 && ok;
}

int capture(HWND window, const wchar_t* path)
{
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return 3;
    WindowDc screen(window);
    MemoryDc memory(screen.get());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen.get() || !memory.get() || !bitmap)
        return 3;
    {
        SelectGuard use(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    std::vector<unsigned char> rows(stride * static_cast<std::size_t>(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS) != height)
        return 3;
    return writeBmp(path, width, height, rows) ? 0 : 4;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fputs("usage: orvane-shot CLASSNAME OUT.bmp [WAIT_MS]\n", stderr);
        return 2;
    }
    const DWORD wait = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    const ULONGLONG end = GetTickCount64() + wait;
    HWND window = nullptr;
    while (!(window = FindWindowW(argv[1], nullptr)) && GetTickCount64() < end)
        Sleep(100);
    if (!window) {
        std::fprintf(stderr, "orvane-shot: no window of class %ls\n", argv[1]);
        return 1;
    }
    // An X server keeps no pixels of a covered window: raise it and let it repaint first.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    const int result = capture(window, argv[2]);
    if (result != 0)
        std::fprintf(stderr, "orvane-shot: capture failed (%d)\n", result);
    return result;
}
