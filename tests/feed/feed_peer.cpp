// A second process for the feed tests: the feed's guarantees are between processes (one reader
// position per process, one live writer per session), so the tests need another one.
//
//   feed_peer reader READY_EVENT LAST_LINE OUT_FILE   polls like a program until LAST_LINE arrives,
//                                                     then writes every distinct poll result
//   feed_peer writer-try                             exit 1 when openFeedWriterMT5 succeeded
//   feed_peer writer-hold READY_EVENT SYMBOL          becomes the writer and stays until killed
//   feed_peer writer-abandon SYMBOL LINE              becomes the writer, writes, ends without closing
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "interfaces/orvane_driver.h"

namespace {

void signal(const wchar_t* name)
{
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

int runReader(const wchar_t* readyEvent, const std::wstring& lastLine, const wchar_t* outFile)
{
    initSendticksMT5();
    signal(readyEvent);
    const std::string last(lastLine.begin(), lastLine.end());
    std::vector<std::string> received;
    const ULONGLONG end = GetTickCount64() + 60000;
    while (GetTickCount64() < end) {
        const std::string line = ReadLinesMT5();
        if (!line.empty() && (received.empty() || received.back() != line))
            received.push_back(line);
        if (line == last + "\n")
            break;
        Sleep(1);
    }
    deinitSendticksMT5();
    FILE* out = _wfopen(outFile, L"wb");
    if (!out)
        return 2;
    for (const auto& line : received)
        std::fwrite(line.data(), 1, line.size(), out);
    std::fclose(out);
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 100;
    const std::wstring mode = argv[1];
    if (mode == L"reader" && argc == 5)
        return runReader(argv[2], argv[3], argv[4]);
    if (mode == L"writer-try") {
        if (!openFeedWriterMT5())
            return 0;
        closeFeedWriterMT5();
        return 1;
    }
    if (mode == L"writer-hold" && argc == 4) {
        if (!openFeedWriterMT5())
            return 3;
        writeSymbolMT5(argv[3]);
        signal(argv[2]);
        Sleep(60000);
        return 0;
    }
    if (mode == L"writer-abandon" && argc == 4) {
        if (!openFeedWriterMT5())
            return 3;
        writeSymbolMT5(argv[2]);
        writeTickMT5(argv[3]);
        // No closeFeedWriterMT5: the process ends as a crashed terminal would leave it.
        ExitProcess(0);
    }
    return 100;
}
