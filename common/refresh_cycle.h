// The refresh cycle of both programs: every timer tick forces a repaint, and the paint polls the
// feed. A window that is minimised, hidden or without client area gets no paint, yet the feed
// keeps only 64 unread ticks before it skips to the newest; so the tick polls in the paint's
// stead, and only then, so that no tick is lost and no cycle polls twice. Portable.
#pragma once

class RefreshCycle {
public:
    // At the start of a timer tick.
    void begin() noexcept { polled_ = false; }
    // With every poll of the feed, in the paint or in the tick.
    void notePoll() noexcept { polled_ = true; }
    // After the tick's forced repaint: true when no paint ran and the tick must poll itself.
    bool tickMustPoll() const noexcept { return !polled_; }

private:
    bool polled_ = false;
};
