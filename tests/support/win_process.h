// Driving the real programs from a test process under Wine: start them, find their windows and
// dialogs, answer message boxes, collect exit codes.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

// The folder of the running test exe (build/windows/bin), with a trailing backslash.
std::wstring binDirectory();

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess();  // terminates the process if it still runs

    // Starts `exeName` from binDirectory() with `arguments`; false with GetLastError kept on failure.
    bool start(const std::wstring& exeName, const std::wstring& arguments = L"");
    bool running() const;
    // Waits up to `milliseconds`; true and the exit code when the process ended.
    bool wait(DWORD milliseconds, DWORD& exitCode) const;
    void terminate();
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_{};
};

// Top-level visible windows of process `processId`, optionally of one class ("#32770" for dialogs).
std::vector<HWND> topLevelWindows(DWORD processId, const wchar_t* className = nullptr);

// Polls until a top-level window of `processId` with class `className` (and title, when given)
// exists; nullptr after `milliseconds`.
HWND waitForWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD milliseconds);

std::wstring windowText(HWND window);

// The texts of all child windows of `dialog` (static texts, buttons, edits), in z order.
std::vector<std::wstring> childTexts(HWND dialog);

// Posts a BN_CLICKED of control `buttonId` to `dialog`, as a click on it would.
bool clickDialogButton(HWND dialog, int buttonId);
