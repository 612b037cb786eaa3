// Owners for GDI objects, device contexts, paints and mutex holds. One owner per handle, never
// copied; a selection is undone when its guard leaves scope. Declare an object before the guard
// that selects it, so that it is deselected before it is deleted.
#pragma once

#include <utility>

#include <windows.h>

template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) noexcept : handle_(handle) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~GdiObject() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    void reset() noexcept
    {
        if (handle_)
            DeleteObject(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_;
};

// Selects `object` into `dc` for the guard's lifetime.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &paint_); }
    HDC dc() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC / ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// CreateCompatibleDC / DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) noexcept : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// Waits for a mutex without time-out and releases it at scope end. A null handle means "no lock"
// (the chart client's users of its mutexes skip locking then); the invalid-handle value is neither
// waited for nor released.
class MutexHold {
public:
    explicit MutexHold(HANDLE mutex) noexcept : mutex_(mutex)
    {
        // INVALID_HANDLE_VALUE doubles as the current-process pseudo-handle: waiting on it would
        // never return.
        if (mutex_ && mutex_ != INVALID_HANDLE_VALUE)
            WaitForSingleObject(mutex_, INFINITE);
    }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
    ~MutexHold()
    {
        if (mutex_ && mutex_ != INVALID_HANDLE_VALUE)
            ReleaseMutex(mutex_);
    }

private:
    HANDLE mutex_;
};
