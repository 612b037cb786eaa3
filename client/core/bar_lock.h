// The lock around minuteBars and displayList, as a seam: the store's code takes a BarLock and
// never names a mutex, so it runs natively under test with NoBarLock and on Windows with the
// "EMA_CALC_MUTEX" hold (client/core/win_bar_lock.h).
#pragma once

class BarLock {
public:
    virtual void acquire() = 0;
    virtual void release() = 0;

protected:
    ~BarLock() = default;
};

// For code that runs on one thread only: tests, benchmarks, tools.
class NoBarLock final : public BarLock {
public:
    void acquire() override {}
    void release() override {}
};

// Holds a BarLock for one scope.
class BarLockHold {
public:
    explicit BarLockHold(BarLock& lock) : lock_(lock) { lock_.acquire(); }
    BarLockHold(const BarLockHold&) = delete;
    BarLockHold& operator=(const BarLockHold&) = delete;
    ~BarLockHold() { lock_.release(); }

private:
    BarLock& lock_;
};
