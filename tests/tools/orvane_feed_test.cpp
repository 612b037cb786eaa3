// orvane-feed.exe run as a user runs it, under Wine: its echoed lines, its refusal when another
// writer lives, and a replay seen through the reader exports.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/tick_scan.h"
#include "interfaces/orvane_driver.h"
#include "support/win_process.h"

namespace {

struct RunResult {
    DWORD exitCode = 999;
    std::string output;
};

std::wstring tempFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId());
}

std::string readFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs orvane-feed.exe with `arguments`, its standard output into a file.
RunResult runFeed(const std::wstring& arguments)
{
    RunResult result;
    const std::wstring outPath = tempFile(L"orvane_feed_out_");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return result;
    const std::wstring exe = binDirectory() + L"orvane-feed.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 998);
        GetExitCodeProcess(info.hProcess, &result.exitCode);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    CloseHandle(out);
    result.output = readFile(outPath);
    DeleteFileW(outPath.c_str());
    return result;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

const wchar_t kSimArguments[] = L"sim --seed 1 --start \"2026/01/05 09:00\" --history-bars 30 --ticks 25 --rate 200 --echo";

TEST(OrvaneFeed, SimWithTheSameSeedGivesTheSameLinesTwice)
{
    const RunResult first = runFeed(kSimArguments);
    const RunResult second = runFeed(kSimArguments);
    ASSERT_EQ(first.exitCode, 0u);
    ASSERT_EQ(second.exitCode, 0u);
    EXPECT_EQ(first.output, second.output);
    const auto out = lines(first.output);
    ASSERT_EQ(out.size(), 30u + 1 + 25);
    EXPECT_EQ(out[0].substr(0, 23), "2026/01/05 08:30:00.000");
    EXPECT_EQ(out[29].substr(0, 23), "2026/01/05 08:59:00.000");
    EXPECT_EQ(out[30], "orvane-feed: ready, symbol SIM-USDJPY, timespan 1, 30 history lines");
    EXPECT_EQ(out[31].substr(0, 23), "2026/01/05 09:00:00.000");
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i == 30)
            continue;
        TickLineFields fields;
        EXPECT_TRUE(scanTickLine(out[i], LineEnd::None, fields)) << out[i];
    }
    const RunResult other = runFeed(L"sim --seed 2 --start \"2026/01/05 09:00\" --history-bars 30 --ticks 25 --rate 200 --echo");
    EXPECT_NE(other.output, first.output);
}

TEST(OrvaneFeed, RefusedWhileAnotherWriterLivesAndUsageErrors)
{
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(runFeed(L"sim --ticks 1").exitCode, 1u);
    closeFeedWriterMT5();
    EXPECT_EQ(runFeed(L"").exitCode, 2u);
    EXPECT_EQ(runFeed(L"sim --rate").exitCode, 2u);
    EXPECT_EQ(runFeed(L"walk").exitCode, 2u);
    EXPECT_EQ(runFeed(L"replay no-such-file.txt").exitCode, 1u);
}

TEST(OrvaneFeed, ReplayWritesSymbolTimespanHistoryAndLiveLinesInOrder)
{
    const std::wstring script = tempFile(L"replay_") + L".txt";
    {
        std::ofstream file(script.c_str(), std::ios::binary);
        file << "#symbol REPLAY-EURJPY\r\n#timespan 1\r\n# history\r\n"
                "2026/01/05 09:00:00.000,160.000,160.100,159.900,160.050\r\n"
                "2026/01/05 09:01:00.000,160.050,160.200,160.000,160.100\r\n"
                "#live\r\n";
        for (int i = 0; i < 20; ++i)
            file << "2026/01/05 09:02:" << (10 + i) << ".000,160.100,160.300,160.000,160." << (100 + i) << "\r\n";
    }
    ASSERT_EQ(initSendticksMT5(), 1);
    const RunResult run = runFeed(L"replay \"" + script + L"\" --speed 0 --echo");
    ASSERT_EQ(run.exitCode, 0u);
    const auto out = lines(run.output);
    ASSERT_EQ(out.size(), 2u + 1 + 20);
    EXPECT_EQ(out[2], "orvane-feed: ready, symbol REPLAY-EURJPY, timespan 1, 2 history lines");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(out[3 + static_cast<std::size_t>(i)].substr(17, 2), std::to_string(10 + i));
    // The writer has closed and its section lives on in this reader: symbol and timespan stay, the
    // history went with its writer, and the reader's first poll after the writer came is that
    // writer's newest tick, repeated.
    EXPECT_STREQ(getsymbolcMT5(), "REPLAY-EURJPY");
    EXPECT_EQ(gettimespanMT5(), 1);
    EXPECT_STREQ(iniReadLinesMT5(), "");
    EXPECT_EQ(std::string(ReadLinesMT5()), out.back() + "\n");
    EXPECT_EQ(std::string(ReadLinesMT5()), out.back() + "\n");
    deinitSendticksMT5();
    DeleteFileW(script.c_str());
}

// Polls like a program until `line` arrives; false after `milliseconds`.
bool pollFor(const std::string& line, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        if (std::string(ReadLinesMT5()) == line + "\n")
            return true;
        Sleep(5);
    }
    return false;
}

TEST(OrvaneFeed, ReplayFromStandardInputWritesEachLiveLineAsItArrivesAndEndsWithTheInput)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    const std::wstring exe = binDirectory() + L"orvane-feed.exe";
    std::wstring commandLine = L"\"" + exe + L"\" replay - --symbol PIPE";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(readEnd);
    auto send = [&](const std::string& text) {
        DWORD written = 0;
        return WriteFile(writeEnd, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    };
    ASSERT_EQ(initSendticksMT5(), 1);
    ASSERT_TRUE(send("2026/01/05 09:00:00.000,1.0,1.0,1.0,1.0\r\n#live\n"));
    for (int i = 0; i < 3; ++i) {
        const std::string line = "2026/01/05 09:01:0" + std::to_string(i) + ".000,1.0,1.2,0.9,1.1";
        ASSERT_TRUE(send(line + "\n"));
        EXPECT_TRUE(pollFor(line, 20000)) << line;
    }
    EXPECT_STREQ(getsymbolcMT5(), "PIPE");
    CloseHandle(writeEnd);
    DWORD code = 999;
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    // The writer closed with the input: a new one is allowed at once.
    EXPECT_EQ(openFeedWriterMT5(), 1);
    closeFeedWriterMT5();
    deinitSendticksMT5();
}

} // namespace
