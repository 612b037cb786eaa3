#include "e2e/e2e_support.h"

#include "interfaces/orvane_driver.h"

bool FeedSession::open(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        if (openFeedWriterMT5() == 1) {
            open_ = true;
            return true;
        }
        Sleep(100);
    } while (GetTickCount64() < end);
    return false;
}

bool FeedSession::symbol(const std::wstring& text)
{
    return writeSymbolMT5(text.c_str()) == 1;
}

bool FeedSession::timespan(int minutes)
{
    return writeTimespanMT5(minutes) == 1;
}

bool FeedSession::history(const std::vector<std::wstring>& lines)
{
    std::wstring joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            joined += L'\n';
        joined += lines[i];
    }
    return writeHistoryMT5(joined.c_str()) == 1;
}

bool FeedSession::tick(const std::wstring& line)
{
    return writeTickMT5(line.c_str()) == 1;
}

void FeedSession::close()
{
    if (open_)
        closeFeedWriterMT5();
    open_ = false;
}

std::string missingExe(const wchar_t* exeName)
{
    const std::wstring path = binDirectory() + exeName;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return {};
    return narrow(exeName) + " is not in " + narrow(binDirectory()) + ": its target was not built";
}

std::string launch(Program& program, const wchar_t* exeName, const wchar_t* className, DWORD milliseconds)
{
    if (auto missing = missingExe(exeName); !missing.empty())
        return missing;
    if (!program.process.start(exeName))
        return "could not start " + narrow(exeName) + " (error " + std::to_string(GetLastError()) + ")";
    program.window = waitForWindow(program.process.id(), className, nullptr, milliseconds);
    if (!program.window) {
        DWORD code = 0;
        if (program.process.wait(0, code))
            return narrow(exeName) + " ended with exit code " + std::to_string(code) + " before showing its window";
        return narrow(exeName) + " showed no window of class " + narrow(className);
    }
    return {};
}

bool closeByCommand(Program& program, DWORD& exitCode, DWORD milliseconds)
{
    if (program.window)
        postCommand(program.window, 105);
    return program.process.wait(milliseconds, exitCode);
}

void postCommand(HWND window, int command)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void postKey(HWND window, UINT virtualKey)
{
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
}

namespace {

bool waitGone(HWND window, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
    return true;
}

} // namespace

std::wstring readTextView(const Program& chart, const TextView& view, bool& ok)
{
    ok = false;
    postCommand(chart.window, view.command);
    HWND dialog = waitForWindow(chart.process.id(), L"#32770", view.caption, 10000);
    if (!dialog)
        return {};
    HWND edit = GetDlgItem(dialog, view.editId);
    const std::wstring text = edit ? windowText(edit) : std::wstring();
    clickDialogButton(dialog, view.closeId);
    ok = edit != nullptr && waitGone(dialog, 10000);
    return text;
}

std::wstring readTextViewUntil(const Program& chart, const TextView& view, const std::wstring& expected,
                               DWORD milliseconds, bool& ok)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    std::wstring text;
    do {
        text = readTextView(chart, view, ok);
        if (!ok || text == expected)
            return text;
        Sleep(100);
    } while (GetTickCount64() < end);
    return text;
}

namespace {

// The save dialog: a dialog with the file name box (combo cmb13 or edit edt1).
HWND waitForSaveDialog(DWORD processId, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        for (HWND dialog : topLevelWindows(processId, L"#32770"))
            if (GetDlgItem(dialog, 0x47c) || GetDlgItem(dialog, 0x480))
                return dialog;
        Sleep(50);
    } while (GetTickCount64() < end);
    return nullptr;
}

} // namespace

std::string saveTextView(const Program& chart, const TextView& view, const std::wstring& path)
{
    postCommand(chart.window, view.command);
    HWND dialog = waitForWindow(chart.process.id(), L"#32770", view.caption, 10000);
    if (!dialog)
        return narrow(view.caption) + " did not open";
    if (!clickDialogButton(dialog, view.saveId))
        return narrow(view.caption) + " has no Save button";
    HWND saveDialog = waitForSaveDialog(chart.process.id(), 15000);
    if (!saveDialog)
        return "no save dialog; windows: " + describeWindows(chart.process.id());
    HWND nameBox = GetDlgItem(saveDialog, 0x47c);
    if (!nameBox)
        nameBox = GetDlgItem(saveDialog, 0x480);
    SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    clickDialogButton(saveDialog, IDOK);
    // The save closes the view whatever happened; a long list takes a while to write.
    const ULONGLONG end = GetTickCount64() + 60000;
    while (IsWindow(dialog) || IsWindow(saveDialog)) {
        if (GetTickCount64() > end)
            return "the save did not finish; windows: " + describeWindows(chart.process.id());
        Sleep(50);
    }
    return {};
}

std::string describeWindows(DWORD processId)
{
    std::string text;
    for (HWND window : topLevelWindows(processId)) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        text.append("[").append(narrow(name)).append(" \"").append(narrow(windowText(window))).append("\":");
        for (const auto& child : childTexts(window))
            if (!child.empty())
                text.append(" \"").append(narrow(child)).append("\"");
        text.append("] ");
    }
    return text.empty() ? "(no windows)" : text;
}

Capture captureUntil(HWND window, const std::function<bool(const Capture&)>& condition, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    Capture shot;
    do {
        shot = captureClient(window);
        if (shot.valid() && condition(shot))
            return shot;
        Sleep(50);
    } while (GetTickCount64() < end);
    return shot;
}

void dismissDialogs(DWORD processId)
{
    for (HWND dialog : topLevelWindows(processId, L"#32770")) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

std::vector<std::wstring> splitViewLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}
