#include "support/win_process.h"

#include <utility>

std::wstring binDirectory()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    const auto slash = dir.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : dir.substr(0, slash + 1);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : info_(std::exchange(other.info_, PROCESS_INFORMATION{})) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        terminate();
        info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    terminate();
}

bool ChildProcess::start(const std::wstring& exeName, const std::wstring& arguments)
{
    terminate();
    const std::wstring exe = binDirectory() + exeName;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          binDirectory().c_str(), &startup, &info_) != FALSE;
}

bool ChildProcess::running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::wait(DWORD milliseconds, DWORD& exitCode) const
{
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(info_.hProcess, &exitCode) != FALSE;
}

void ChildProcess::terminate()
{
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
    }
    if (info_.hThread)
        CloseHandle(info_.hThread);
    info_ = PROCESS_INFORMATION{};
}

namespace {

struct WindowQuery {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM param)
{
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId || !IsWindowVisible(window))
        return TRUE;
    if (query->className) {
        wchar_t name[128] = {};
        GetClassNameW(window, name, 128);
        if (lstrcmpiW(name, query->className) != 0)
            return TRUE;
    }
    query->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collectChildText(HWND window, LPARAM param)
{
    auto* texts = reinterpret_cast<std::vector<std::wstring>*>(param);
    texts->push_back(windowText(window));
    return TRUE;
}

} // namespace

std::vector<HWND> topLevelWindows(DWORD processId, const wchar_t* className)
{
    WindowQuery query{processId, className, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND waitForWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        for (HWND window : topLevelWindows(processId, className))
            if (!title || windowText(window) == title)
                return window;
        Sleep(20);
    } while (GetTickCount64() < end);
    return nullptr;
}

std::wstring windowText(HWND window)
{
    // WM_GETTEXT works across processes for every window class, GetWindowText does not.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::vector<std::wstring> childTexts(HWND dialog)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, collectChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool clickDialogButton(HWND dialog, int buttonId)
{
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button)
        return false;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}
