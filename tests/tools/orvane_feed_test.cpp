// orvane-feed.exe run as a user runs it, under Wine: its echoed lines, its refusal when another
// writer lives, a replay seen through the reader exports, status and record through the real DLL.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/tick_scan.h"
#include "interfaces/feed_section.h"
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

// ---- status, record and the terminal's exports ----------------------------------------------------

std::wstring tempPath(const wchar_t* name)
{
    return tempFile(name) + L".txt";
}

void writeFile(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(path.c_str(), std::ios::binary);
    file << bytes;
}

std::string utf16WithBom(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// Polls `orvane-feed status` until it exits with `code` and prints `text`; the last run.
RunResult statusUntil(DWORD code, DWORD milliseconds, const std::string& text = "")
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    RunResult run = runFeed(L"status");
    while ((run.exitCode != code || run.output.find(text) == std::string::npos) && GetTickCount64() < end) {
        Sleep(200);
        run = runFeed(L"status");
    }
    return run;
}

TEST(OrvaneFeedStatus, ExitCodesForNoWriterALiveOneAClosedOneAKilledOneAndADamagedSection)
{
    EXPECT_EQ(runFeed(L"status --bogus").exitCode, 2u);
    RunResult none = runFeed(L"status");
    EXPECT_EQ(none.exitCode, 1u);
    EXPECT_EQ(none.output.rfind("writer      none (", 0), 0u) << none.output;

    ChildProcess sim;
    ASSERT_TRUE(sim.start(L"orvane-feed.exe", L"sim --seed 3 --rate 50 --history-bars 10"));
    const RunResult alive = statusUntil(0, 20000, "history     10 lines");  // its start-up written
    ASSERT_EQ(alive.exitCode, 0u) << alive.output;
    const auto rows = lines(alive.output);
    ASSERT_EQ(rows.size(), 8u) << alive.output;
    EXPECT_EQ(rows[0], "writer      alive, process " + std::to_string(sim.id()));
    EXPECT_EQ(rows[2], "symbol      SIM-USDJPY");
    EXPECT_EQ(rows[3], "timespan    1 min");
    EXPECT_EQ(rows[4], "history     10 lines");
    EXPECT_EQ(rows[5].rfind("ticks       ", 0), 0u);
    TickLineFields fields;
    EXPECT_TRUE(scanTickLine(rows[6].substr(12), LineEnd::None, fields)) << rows[6];
    EXPECT_EQ(rows[7].find(" ticks/s over the last second"), rows[7].size() - 29) << rows[7];

    // Killed: this process keeps the section alive, as a running chart would.
    ASSERT_EQ(initSendticksMT5(), 1);
    const DWORD simId = sim.id();
    sim.terminate();
    const RunResult killed = statusUntil(1, 10000);
    EXPECT_EQ(killed.exitCode, 1u);
    EXPECT_EQ(lines(killed.output)[0], "writer      none (process " + std::to_string(simId) + " has ended)");

    // This process as writer: live while open, closed (its process still running) after.
    ASSERT_EQ(openFeedWriterMT5(), 1);
    const RunResult own = runFeed(L"status");
    EXPECT_EQ(own.exitCode, 0u);
    EXPECT_EQ(lines(own.output)[0], "writer      alive, process " + std::to_string(GetCurrentProcessId()));
    closeFeedWriterMT5();
    const RunResult closed = runFeed(L"status");
    EXPECT_EQ(closed.exitCode, 1u);
    EXPECT_EQ(lines(closed.output)[0], "writer      none (process " + std::to_string(GetCurrentProcessId()) + " closed the feed)");

    // A section with another program's magic: exit 2 with a message; the next writer repairs it.
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kFeedSectionName);
    ASSERT_NE(mapping, nullptr);
    auto* header = static_cast<std::uint32_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(header, nullptr);
    header[0] = 0x12345678u;
    const RunResult foreign = runFeed(L"status");
    EXPECT_EQ(foreign.exitCode, 2u);
    EXPECT_EQ(foreign.output, "orvane-feed: the feed section holds another program's data\n");
    UnmapViewOfFile(header);
    CloseHandle(mapping);
    ASSERT_EQ(openFeedWriterMT5(), 1);
    EXPECT_EQ(runFeed(L"status").exitCode, 0u);
    closeFeedWriterMT5();
    deinitSendticksMT5();
}

// Starts `orvane-feed record FILE` and gives it time to begin waiting for a writer.
bool startRecorder(ChildProcess& recorder, const std::wstring& file)
{
    if (!recorder.start(L"orvane-feed.exe", L"record \"" + file + L"\""))
        return false;
    Sleep(1500);
    return recorder.running();
}

std::string finishRecording(ChildProcess& recorder, const std::wstring& file, DWORD& code)
{
    code = 999;
    if (!recorder.wait(20000, code))
        recorder.terminate();
    return readFile(file);
}

TEST(OrvaneFeedRecord, RecordsAReplayedExportAsWorkedOutByHandAndARecordingReplaysToItself)
{
    const std::wstring ticks = tempFile(L"USDJPY_202401050000_") + L".csv";
    const std::wstring bars = tempFile(L"USDJPY_M1_") + L".csv";
    writeFile(ticks, utf16WithBom("<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\r\n"
                                  "2024.01.05\t09:00:10.000\t146.090\t146.100\t\t\t6\r\n"
                                  "2024.01.05\t09:00:59.900\t146.120\t146.130\t\t\t6\r\n"
                                  "2024.01.05\t09:01:00.050\t146.125\t146.135\t\t\t6\r\n"
                                  "2024.01.05\t09:01:00.050\t\t146.140\t\t\t4\r\n"
                                  "2024.01.05\t09:01:01.000\t146.13\t146.14\t\t\t6\r\n"
                                  "2024.01.05\t09:01:30.250\t146.110\t\t\t\t2\r\n"
                                  "2024.01.05\t09:02:00.000\t146.200\t146.210\t\t\t6\r\n"));
    writeFile(bars, "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\n"
                    "2024.01.05\t08:59:00\t146.05\t146.150\t146.040\t146.100\t9\t\t\n"
                    "2024.01.05\t09:00:00\t146.100\t146.130\t146.090\t146.120\t20\t0\t8\n");
    const std::string expected = "#symbol USDJPY\n"
                                 "#timespan 1\n"
                                 "2024/01/05 08:59:00.000,146.050,146.150,146.040,146.100\n"
                                 "2024/01/05 09:00:00.000,146.090,146.120,146.090,146.120\n"
                                 "#live\n"
                                 "2024/01/05 09:01:00.050,146.125,146.125,146.125,146.125\n"
                                 "2024/01/05 09:01:01.000,146.125,146.130,146.125,146.130\n"
                                 "2024/01/05 09:01:30.250,146.125,146.130,146.110,146.110\n"
                                 "2024/01/05 09:02:00.000,146.200,146.200,146.200,146.200\n";
    // Bad input writes nothing: the recorder would see a writer if it did.
    const std::wstring broken = tempFile(L"EURUSD_") + L".csv";
    writeFile(broken, "<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\n2024.01.05\t09:00:10.000\t1.1\t\t\t6\n");
    EXPECT_EQ(runFeed(L"replay \"" + broken + L"\"").exitCode, 1u);
    EXPECT_EQ(runFeed(L"replay \"" + bars + L"\"").exitCode, 2u);

    const std::wstring first = tempPath(L"recording_1_");
    ChildProcess recorder;
    ASSERT_TRUE(startRecorder(recorder, first));
    EXPECT_EQ(runFeed(L"replay \"" + ticks + L"\" --history \"" + bars + L"\" --from \"2024/01/05 09:01\" --speed 30").exitCode, 0u);
    DWORD code = 999;
    EXPECT_EQ(finishRecording(recorder, first, code), expected);
    EXPECT_EQ(code, 0u);

    const std::wstring second = tempPath(L"recording_2_");
    ASSERT_TRUE(startRecorder(recorder, second));
    EXPECT_EQ(runFeed(L"replay \"" + first + L"\" --speed 30").exitCode, 0u);
    EXPECT_EQ(finishRecording(recorder, second, code), expected);
    EXPECT_EQ(code, 0u);
    for (const auto& path : {ticks, bars, broken, first, second})
        DeleteFileW(path.c_str());
}

TEST(OrvaneFeedRecord, LosesNothingAt2000TicksASecond)
{
    // Ten seconds of ticks two to a millisecond, played at their own pace.
    std::string exportText = "<DATE>\t<TIME>\t<BID>\t<ASK>\t<LAST>\t<VOLUME>\t<FLAGS>\n";
    constexpr int kTicks = 20000;
    for (int i = 0; i < kTicks; ++i) {
        const int ms = i / 2;
        char row[96];
        std::snprintf(row, sizeof row, "2024.01.05\t10:%02d:%02d.%03d\t146.%03d\t\t\t\t2\n", ms / 60000, ms / 1000 % 60,
                      ms % 1000, i % 1000);
        exportText += row;
    }
    const std::wstring ticks = tempFile(L"FAST_") + L".csv";
    writeFile(ticks, exportText);
    const std::wstring recording = tempPath(L"recording_fast_");
    ChildProcess recorder;
    ASSERT_TRUE(startRecorder(recorder, recording));
    const ULONGLONG started = GetTickCount64();
    const RunResult replay = runFeed(L"replay \"" + ticks + L"\" --echo");
    const ULONGLONG took = GetTickCount64() - started;
    ASSERT_EQ(replay.exitCode, 0u);
    EXPECT_GE(took, 9500u);  // really at 2,000 a second, not faster
    DWORD code = 999;
    const auto recorded = lines(finishRecording(recorder, recording, code));
    EXPECT_EQ(code, 0u);
    const auto written = lines(replay.output);
    ASSERT_EQ(written.size(), 1u + kTicks);
    ASSERT_EQ(recorded.size(), 3u + kTicks);
    EXPECT_EQ(recorded[2], "#live");
    EXPECT_TRUE(std::equal(written.begin() + 1, written.end(), recorded.begin() + 3));
    DeleteFileW(ticks.c_str());
    DeleteFileW(recording.c_str());
}

TEST(OrvaneFeedRecord, FlushesAsItGoesAndEndsWhenTheWriterClosesInARunningProcess)
{
    const std::wstring recording = tempPath(L"recording_close_");
    ChildProcess recorder;
    ASSERT_TRUE(recorder.start(L"orvane-feed.exe", L"record \"" + recording + L"\""));
    ASSERT_EQ(openFeedWriterMT5(), 1);
    writeSymbolMT5(L"CLOSE");
    writeTimespanMT5(1);
    writeHistoryMT5(L"2026/01/05 09:00:00.000,1.5,1.6,1.4,1.5");
    std::string expected = "#symbol CLOSE\n#timespan 1\n2026/01/05 09:00:00.000,1.5,1.6,1.4,1.5\n#live\n";
    for (int i = 0; i < 5; ++i) {
        const std::string line = "2026/01/05 09:01:0" + std::to_string(i) + ".000,1.5,1.6,1.4,1.5";
        writeTickMT5(std::wstring(line.begin(), line.end()).c_str());
        expected += line + "\n";
    }
    // Every line is in the file while the writer is still open.
    const ULONGLONG end = GetTickCount64() + 20000;
    while (readFile(recording) != expected && GetTickCount64() < end)
        Sleep(50);
    EXPECT_EQ(readFile(recording), expected);
    EXPECT_TRUE(recorder.running());
    closeFeedWriterMT5();
    DWORD code = 999;
    EXPECT_TRUE(recorder.wait(20000, code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(readFile(recording), expected);
    DeleteFileW(recording.c_str());
}

} // namespace
