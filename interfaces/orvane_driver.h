// OrvaneDriverDLL: the tick feed between the trading terminal and both programs.
//
// Reader side (both programs, all calls from their window thread): texts are NUL-terminated
// Shift-JIS strings owned by the library, valid until the next call of the same export in the
// same process; callers copy them at once and never free them.
//
// Writer side (the terminal bridge and orvane-feed): texts come in as UTF-16, because that is how
// MQL5 hands strings to a DLL, and are stored as Shift-JIS. Each returns 1 on success, 0 on failure.
#pragma once

#if defined(_WIN32)
#  if defined(ORVANE_DRIVER_BUILD)
#    define ORVANE_DRIVER_API __declspec(dllexport)
#  else
#    define ORVANE_DRIVER_API __declspec(dllimport)
#  endif
#else
#  define ORVANE_DRIVER_API
#endif

#ifdef __cplusplus
#  define ORVANE_NOEXCEPT noexcept
extern "C" {
#else
#  define ORVANE_NOEXCEPT
#endif

// Places this process's read position at the newest tick present. Result: 1.
ORVANE_DRIVER_API int initSendticksMT5(void) ORVANE_NOEXCEPT;
// History: tick lines joined by "\n", oldest first; "" when none has been written.
ORVANE_DRIVER_API const char* iniReadLinesMT5(void) ORVANE_NOEXCEPT;
// The chart timeframe in minutes; 0 before a writer has set it.
ORVANE_DRIVER_API int gettimespanMT5(void) ORVANE_NOEXCEPT;
// The symbol name; "" before a writer has set it.
ORVANE_DRIVER_API const char* getsymbolcMT5(void) ORVANE_NOEXCEPT;
// The oldest unread tick plus "\n" (skipping to the newest when more than 64 are unread), the
// latest tick again when none is unread, "" before any tick.
ORVANE_DRIVER_API const char* ReadLinesMT5(void) ORVANE_NOEXCEPT;
// Ends delivery for this process. Result: 1.
ORVANE_DRIVER_API int deinitSendticksMT5(void) ORVANE_NOEXCEPT;

// The writer exports belong to one thread: the thread whose openFeedWriterMT5 succeeded is the
// only one whose writes and close are taken (0 for any other). All EAs of a terminal share one
// loaded copy of this library, each on its own thread.

// Becomes the one live writer; refused (0) while another writer's thread or process lives.
ORVANE_DRIVER_API int openFeedWriterMT5(void) ORVANE_NOEXCEPT;
ORVANE_DRIVER_API int writeSymbolMT5(const wchar_t* symbol) ORVANE_NOEXCEPT;
ORVANE_DRIVER_API int writeTimespanMT5(int minutes) ORVANE_NOEXCEPT;
// Tick lines joined by "\n", oldest first; replaces any earlier history.
ORVANE_DRIVER_API int writeHistoryMT5(const wchar_t* lines) ORVANE_NOEXCEPT;
// One tick line without its line end; refused when longer than 255 bytes as Shift-JIS.
ORVANE_DRIVER_API int writeTickMT5(const wchar_t* line) ORVANE_NOEXCEPT;
// Ends the writer: 1, or 0 (and nothing changes) when the calling thread is not the writer.
ORVANE_DRIVER_API int closeFeedWriterMT5(void) ORVANE_NOEXCEPT;

// Why the calling thread's last openFeedWriterMT5 was refused, so the bridge can say so.
enum FeedWriterRefusal {
    kFeedWriterNotRefused = 0,           // it was not refused, or this thread never opened
    kFeedWriterRefusedThisProcess = 1,   // another thread of this process (another EA of this terminal) writes
    kFeedWriterRefusedOtherProcess = 2,  // another process (another terminal, orvane-feed) writes
    kFeedWriterRefusedSystem = 3,        // the mutex or the section could not be made
};
ORVANE_DRIVER_API int feedWriterRefusalMT5(void) ORVANE_NOEXCEPT;

#ifdef __cplusplus
}
#endif
