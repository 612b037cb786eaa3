// OrvaneWinClient.exe as the terminal starts it: this process writes the feed through the real
// OrvaneDriverDLL's writer exports, then runs the program and watches its windows and exit code.
#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include "interfaces/orvane_driver.h"
#include "support/win_process.h"

namespace {

constexpr const wchar_t* kExe = L"OrvaneWinClient.exe";
constexpr const wchar_t* kClass = L"ORVANEWINCLIENT";

// This process as the feed's one writer for one test.
class FeedWriter {
public:
    FeedWriter()
    {
        const ULONGLONG end = GetTickCount64() + 15000;
        // A writer of another test may still be on its way out.
        while (!(open_ = openFeedWriterMT5() == 1) && GetTickCount64() < end)
            Sleep(100);
    }
    FeedWriter(const FeedWriter&) = delete;
    FeedWriter& operator=(const FeedWriter&) = delete;
    ~FeedWriter()
    {
        if (open_)
            closeFeedWriterMT5();
    }
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

std::wstring historyText(int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        wchar_t line[96];
        swprintf(line, 96, L"2021/03/05 %02d:%02d:00.000,1.5,1.6,1.4,%d.25", 8 + i / 60, i % 60, 100 + i);
        if (i)
            text += L'\n';
        text += line;
    }
    return text;
}

// Reads the "LATEST TICKS" view of a running chart: opens it, takes its text, closes it.
std::wstring latestTicksText(HWND chart, DWORD processId)
{
    PostMessageW(chart, WM_COMMAND, MAKEWPARAM(32773, 0), 0);
    HWND view = waitForWindow(processId, L"#32770", L"LATEST TICKS", 15000);
    if (!view)
        return L"<no view>";
    const std::wstring text = windowText(GetDlgItem(view, 1012));
    clickDialogButton(view, 1009);
    for (int i = 0; i < 100 && IsWindow(view); ++i)
        Sleep(50);
    return text;
}

// Runs the program with its standard output going to a file; its exit code (or none when it had
// not ended after `milliseconds` and was stopped) and what it wrote.
struct ClientRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string output;
};

ClientRun runClientWithOutput(DWORD milliseconds)
{
    ClientRun run;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    // A name per run: a file deleted while Wine still closes the last run's inherited handle is
    // pending deletion, and opening it again fails.
    static int runNumber = 0;
    const std::wstring outPath = std::wstring(folder) + L"orvane_client_out_" + std::to_wstring(GetCurrentProcessId()) +
                                 L"_" + std::to_wstring(++runNumber);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        run.output = "<no output file: error " + std::to_string(GetLastError()) + ">";
        return run;
    }
    const std::wstring exe = binDirectory() + kExe;
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        run.ended = WaitForSingleObject(info.hProcess, milliseconds) == WAIT_OBJECT_0;
        if (!run.ended)
            TerminateProcess(info.hProcess, 999);
        GetExitCodeProcess(info.hProcess, &run.exitCode);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    } else {
        run.output = "<not started: error " + std::to_string(GetLastError()) + ">";
    }
    CloseHandle(out);
    std::ifstream in(outPath.c_str(), std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(outPath.c_str());
    return run;
}

// Either mutex name held by an object of another kind (here an event) makes CreateMutexW fail
// with ERROR_INVALID_HANDLE: the program reports it on standard output and ends with 1.
TEST(ClientProcess, AMutexNameTakenByAnotherKindOfObjectEndsTheStartWithCodeOne)
{
    for (const wchar_t* name : {L"CALC_THREAD_MUTEX", L"EMA_CALC_MUTEX"}) {
        HANDLE squatter = CreateEventW(nullptr, TRUE, FALSE, name);
        ASSERT_NE(squatter, nullptr) << GetLastError();
        const ClientRun run = runClientWithOutput(20000);
        CloseHandle(squatter);
        const std::string who(name, name + std::wcslen(name));
        ASSERT_TRUE(run.ended) << who << ": the program went on starting " << run.output;
        EXPECT_EQ(run.exitCode, 1u) << who;
        // The C runtime writes its line end as CR LF into a file.
        EXPECT_TRUE(run.output == "CreateMutex error : 6\r\n" || run.output == "CreateMutex error : 6\n")
            << who << ": \"" << run.output << "\"";
    }
}

TEST(ClientProcess, StartsWithTheHistoryTakesInTicksAndClosesThroughFileClose)
{
    FeedWriter feed;
    ASSERT_TRUE(feed.isOpen()) << "another process holds the feed's writer role";
    ASSERT_EQ(writeSymbolMT5(L"SIM-USDJPY"), 1);
    ASSERT_EQ(writeTimespanMT5(1), 1);
    ASSERT_EQ(writeHistoryMT5(historyText(30).c_str()), 1);

    ChildProcess client;
    ASSERT_TRUE(client.start(kExe)) << GetLastError();
    HWND window = waitForWindow(client.id(), kClass, L"OrvaneWinClient", 30000);
    ASSERT_NE(window, nullptr) << "no main window";
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 1920);
    EXPECT_EQ(frame.bottom - frame.top, 1080);

    // A live tick of a new minute after the history's newest (08:29).
    ASSERT_EQ(writeTickMT5(L"2021/03/05 08:30:15.500,1.5,1.6,1.4,777.5"), 1);
    std::wstring text;
    for (int attempt = 0; attempt < 20 && text.find(L"08:30:15.500") == std::wstring::npos; ++attempt)
        text = latestTicksText(window, client.id());
    EXPECT_NE(text.find(L"2021/03/05 08:00:00.000"), std::wstring::npos) << "oldest history bar missing";
    EXPECT_NE(text.find(L"2021/03/05 08:29:00.000"), std::wstring::npos) << "newest history bar missing";
    EXPECT_NE(text.find(L"2021/03/05 08:30:15.500"), std::wstring::npos) << "live tick missing";

    ASSERT_TRUE(PostMessageW(window, WM_COMMAND, MAKEWPARAM(105, 0), 0));
    DWORD exitCode = 12345;
    ASSERT_TRUE(client.wait(20000, exitCode)) << "the program did not end after File > Close";
    EXPECT_EQ(exitCode, 0u);
}

TEST(ClientProcess, RefusesAnyTimeframeButOneMinute)
{
    FeedWriter feed;
    ASSERT_TRUE(feed.isOpen()) << "another process holds the feed's writer role";
    ASSERT_EQ(writeSymbolMT5(L"SIM-USDJPY"), 1);
    ASSERT_EQ(writeTimespanMT5(5), 1);
    ASSERT_EQ(writeHistoryMT5(historyText(3).c_str()), 1);

    ChildProcess client;
    ASSERT_TRUE(client.start(kExe)) << GetLastError();
    HWND box = waitForWindow(client.id(), L"#32770", L"Warning", 30000);
    ASSERT_NE(box, nullptr) << "no Warning box";
    const std::vector<std::wstring> texts = childTexts(box);
    bool found = false;
    for (const std::wstring& text : texts)
        found = found || text == L"MT5を1分足に設定し起動してください";
    EXPECT_TRUE(found) << "the box does not carry the timeframe message";
    EXPECT_TRUE(topLevelWindows(client.id(), kClass).empty()) << "the main window must not exist yet";

    ASSERT_TRUE(clickDialogButton(box, IDOK));
    DWORD exitCode = 12345;
    ASSERT_TRUE(client.wait(20000, exitCode)) << "the program did not end after the warning";
    EXPECT_EQ(exitCode, 1u);
}

} // namespace
