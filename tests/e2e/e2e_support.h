// Driving the shipped programs from outside, as a user and the terminal would: a feed session
// through the writer exports, the programs started from bin/, their windows found by class, menu
// commands and keys posted to them, their text views read through the edit controls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "support/win_capture.h"
#include "support/win_process.h"

// The one live writer of the feed for the length of a scenario; closed when it goes out of scope.
class FeedSession {
public:
    FeedSession() = default;
    FeedSession(const FeedSession&) = delete;
    FeedSession& operator=(const FeedSession&) = delete;
    ~FeedSession() { close(); }

    // Waits up to `milliseconds` for the writer role (a writer of an earlier test may still be
    // on its way out).
    bool open(DWORD milliseconds = 10000);
    bool symbol(const std::wstring& text);
    bool timespan(int minutes);
    bool history(const std::vector<std::wstring>& lines);
    bool tick(const std::wstring& line);
    void close();
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

// One of the shipped programs, running.
struct Program {
    ChildProcess process;
    HWND window = nullptr;
};

// Empty when `exeName` is present in bin/, otherwise why it is not.
std::string missingExe(const wchar_t* exeName);

// Starts `exeName` and waits for its main window of `className`; empty on success, otherwise
// what went wrong.
std::string launch(Program& program, const wchar_t* exeName, const wchar_t* className, DWORD milliseconds = 30000);

// Sends File > Close (command 105) and waits for the process; false when it did not end.
bool closeByCommand(Program& program, DWORD& exitCode, DWORD milliseconds = 15000);

void postCommand(HWND window, int command);
void postKey(HWND window, UINT virtualKey);

// The chart client's text views: the command that opens one, its caption, its edit control and
// the button that closes it without saving.
struct TextView {
    int command;
    const wchar_t* caption;
    int editId;
    int closeId;
    int saveId;  // 0 when the view has no Save button
};

inline constexpr TextView kAllJoinedView{32771, L"ALL JOINED", 1003, 1002, 1001};
inline constexpr TextView kLatestTicksView{32773, L"LATEST TICKS", 1012, 1009, 0};
inline constexpr TextView kReceivedTicksView{32774, L"RECIVED TICKS", 1005, 1008, 1007};

// Opens `view` in the chart, reads its edit control and closes it again. `ok` is false when the
// view did not open or did not close.
std::wstring readTextView(const Program& chart, const TextView& view, bool& ok);

// Reads `view` again and again until it shows `expected` or `milliseconds` pass; returns the
// last text seen. The programs take in one tick per refresh, so a view read right after the
// writes may still be short.
std::wstring readTextViewUntil(const Program& chart, const TextView& view, const std::wstring& expected,
                               DWORD milliseconds, bool& ok);

// Save on `view`, then the real save dialog answered with `path`: returns empty once the view and
// the dialog have closed, otherwise what the windows of the chart showed instead.
std::string saveTextView(const Program& chart, const TextView& view, const std::wstring& path);

// What the top-level windows of `processId` show: class, caption and child texts.
std::string describeWindows(DWORD processId);

// Polls `condition` on fresh captures of `window` until it holds or `milliseconds` pass; returns
// the last capture (the caller asserts on it, so a failure shows what was there).
Capture captureUntil(HWND window, const std::function<bool(const Capture&)>& condition, DWORD milliseconds);

// Closes every window `processId` still shows (views, message boxes) so a failed scenario does not
// leave a modal loop behind for the next one.
void dismissDialogs(DWORD processId);

// The lines of a text, split at "\r\n" (the last, empty piece after a final line end dropped).
std::vector<std::wstring> splitViewLines(const std::wstring& text);

std::string narrow(const std::wstring& text);
