// The store's lock on Windows: the "EMA_CALC_MUTEX" hold. A null handle means no lock (the users
// of the bar mutex skip locking then); the invalid-handle value is neither waited on nor released,
// since waiting on it would wait on the process itself, for ever.
#pragma once

#include <windows.h>

#include "client/core/bar_lock.h"

class WinBarLock final : public BarLock {
public:
    explicit WinBarLock(HANDLE mutex) noexcept : mutex_(usable(mutex) ? mutex : nullptr) {}
    void acquire() override
    {
        if (mutex_)
            WaitForSingleObject(mutex_, INFINITE);
    }
    void release() override
    {
        if (mutex_)
            ReleaseMutex(mutex_);
    }

private:
    static bool usable(HANDLE mutex) noexcept { return mutex && mutex != INVALID_HANDLE_VALUE; }
    HANDLE mutex_;
};
