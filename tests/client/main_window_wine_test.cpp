// The chart client's main window, created in this process with its real window procedure: set-up,
// the refresh cycle, keys and commands. And the resources of the built OrvaneWinClient.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <intrin.h>
#include <windows.h>

#include "client/core/bar_store.h"
#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/core/main_window.h"
#include "client/resources/resource.h"
#include "common/text_utils.h"
#include "interfaces/orvane_driver.h"
#include "support/win_process.h"

namespace {

constexpr const wchar_t* kTestClass = L"ORVANEWINCLIENT_INPROCESS";

// Runs the window's messages for `milliseconds`, as the program's loop would.
void pumpFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message{};
    while (GetTickCount64() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

// Runs the window's messages until `done` holds or `milliseconds` pass.
bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done() && GetTickCount64() < end)
        pumpFor(5);
    return done();
}

// This process as the feed's one writer; a writer of an earlier test may still be on its way out.
bool becomeFeedWriter()
{
    const ULONGLONG end = GetTickCount64() + 10000;
    bool writer = false;
    while (!(writer = openFeedWriterMT5() == 1) && GetTickCount64() < end)
        Sleep(100);
    return writer;
}

// What each refresh tick took into the store, inside its paint and outside it.
struct CycleTake {
    std::size_t inPaint = 0;
    std::size_t outsidePaint = 0;
};
std::vector<CycleTake> cycleTakes;
std::size_t takenByPaints = 0;

// The real procedure, watched: receivedLines before and after each tick and each paint.
LRESULT CALLBACK countingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::size_t before = barStore.receivedLines.size();
    const bool tick = message == WM_TIMER && wParam == kRefreshTimerId;
    if (tick)
        takenByPaints = 0;
    const LRESULT result = mainWindowProc(window, message, wParam, lParam);
    const std::size_t taken = barStore.receivedLines.size() - before;
    if (message == WM_PAINT)
        takenByPaints += taken;
    if (tick)
        cycleTakes.push_back({takenByPaints, taken - takenByPaints});
    return result;
}

std::string narrowText(const wchar_t* text)
{
    std::string narrow;
    for (; *text; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

bool quitPosted()
{
    MSG message{};
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

std::vector<std::string> historyLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        char text[96];
        std::snprintf(text, sizeof text, "2021/03/%02d %02d:%02d:00.000,1.5,1.6,1.4,%d.25", 5 + i / 1440, i / 60 % 24,
                      i % 60, 100 + i);
        lines.push_back(text);
    }
    return lines;
}

// Heaps created from now on fill every block they hand out with a pattern unless asked to zero
// it, as a Windows heap under the debugger does; otherwise fresh pages would be zero by luck.
void fillNewHeapBlocks()
{
    constexpr ULONG kHeapEnableFreeCheck = 0x20;
    constexpr std::size_t kGlobalFlagOffset = 0xBC;  // PEB::NtGlobalFlag, 64-bit
    auto* peb = reinterpret_cast<unsigned char*>(__readgsqword(0x60));
    *reinterpret_cast<ULONG*>(peb + kGlobalFlagOffset) |= kHeapEnableFreeCheck;
}

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fillNewHeapBlocks();
        appInstance = GetModuleHandleW(nullptr);
        ASSERT_NE(registerMainWindowClass(appInstance, kTestClass), 0) << GetLastError();
    }

    void SetUp() override
    {
        barStore = BarStore{};
        chartSettings = ChartSettings{};
        chartTexts = ChartTexts{};
        window_ = createMainWindow(appInstance, kTestClass, L"OrvaneWinClient");
        ASSERT_NE(window_, nullptr) << GetLastError();
    }

    // Hidden windows get no WM_PAINT: show it, as the program does.
    void show()
    {
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
    }

    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
        quitPosted();
    }

    LRESULT key(UINT virtualKey) { return SendMessageW(window_, WM_KEYDOWN, virtualKey, 0); }

    HWND window_ = nullptr;
};

TEST_F(MainWindow, SetUpGreysCloseZeroesTheRecordAndStartsTheRefresh)
{
    ASSERT_NE(calcRecord, nullptr);
    const auto* bytes = reinterpret_cast<const unsigned char*>(calcRecord);
    EXPECT_TRUE(std::all_of(bytes, bytes + kIndicatorExchangeSize, [](unsigned char b) { return b == 0; }))
        << "the record must start zeroed";

    HMENU systemMenu = GetSystemMenu(window_, FALSE);
    ASSERT_NE(systemMenu, nullptr);
    const UINT closeState = GetMenuState(systemMenu, SC_CLOSE, MF_BYCOMMAND);
    ASSERT_NE(closeState, static_cast<UINT>(-1)) << "the system menu has no Close entry";
    EXPECT_TRUE(closeState & MF_GRAYED);
    EXPECT_TRUE(closeState & MF_DISABLED);

    HMENU menu = GetMenu(window_);
    ASSERT_NE(menu, nullptr) << "the class carries menu 109";
    EXPECT_EQ(GetMenuItemCount(menu), 4);

    EXPECT_EQ(chartTexts.clockText, L"No Data...");
    show();
    pumpFor(300);
    EXPECT_NE(chartTexts.clockText, L"No Data...") << "the 10-ms timer did not tick";
    EXPECT_EQ(chartTexts.clockText.size(), 23u);
}

TEST_F(MainWindow, RefreshTickFillsTheDisplayWindowOnceThereAreEnoughBars)
{
    loadHistory(barStore, historyLines(589));
    show();
    pumpFor(100);
    EXPECT_TRUE(barStore.displayList.empty());
    loadHistory(barStore, {"2021/03/05 09:49:30.500,1,2,0.5,7.75"});
    pumpFor(100);
    ASSERT_EQ(barStore.displayList.size(), 590u);
    EXPECT_EQ(barStore.displayList.front().close, 7.75);
    EXPECT_EQ(barStore.displayList.back().close, 100.25);
}

TEST_F(MainWindow, PageDownStopsAtTheOldestWindowAndPageUpReturns)
{
    loadHistory(barStore, historyLines(1000));
    std::vector<int> offsets;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(key(VK_NEXT), 0);
        offsets.push_back(chartSettings.scrollOffset);
    }
    EXPECT_EQ(offsets, (std::vector<int>{180, 360, 410}));

    show();
    pumpFor(100);
    ASSERT_EQ(barStore.displayList.size(), 590u);
    EXPECT_EQ(barStore.displayList.front().close, 100.25 + 589) << "window front is 410 bars back from the newest";

    for (int i = 0; i < 3; ++i)
        key(VK_PRIOR);
    EXPECT_EQ(chartSettings.scrollOffset, 0);
    key(VK_LEFT);
    EXPECT_EQ(chartSettings.scrollOffset, 180);
    key(VK_RIGHT);
    EXPECT_EQ(chartSettings.scrollOffset, 0);
    key(VK_LEFT);
    key(VK_HOME);
    EXPECT_EQ(chartSettings.scrollOffset, 0);
}

TEST_F(MainWindow, FunctionKeysSetTheScrollStepAndOtherKeysDoNothing)
{
    loadHistory(barStore, historyLines(1000));
    key(VK_F1);
    EXPECT_EQ(chartSettings.scrollStep, 1);
    key(VK_NEXT);
    EXPECT_EQ(chartSettings.scrollOffset, 1);
    key(VK_F2);
    EXPECT_EQ(chartSettings.scrollStep, 10);
    key(VK_NEXT);
    EXPECT_EQ(chartSettings.scrollOffset, 11);
    key(VK_F3);
    EXPECT_EQ(chartSettings.scrollStep, 180);
    EXPECT_EQ(key('A'), 0);
    EXPECT_EQ(key(VK_F4), 0);
    EXPECT_EQ(chartSettings.scrollOffset, 11);
    EXPECT_EQ(chartSettings.scrollStep, 180);
}

TEST_F(MainWindow, CandleTypeCommandsSwitchTheBarStyle)
{
    EXPECT_EQ(chartSettings.candleType, 0);
    EXPECT_EQ(SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDM_CANDLE_TYPE_CANDLES, 0), 0), 0);
    EXPECT_EQ(chartSettings.candleType, 1);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDM_CANDLE_TYPE_SHINNEASHI, 0), 0);
    EXPECT_EQ(chartSettings.candleType, 0);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDM_CANDLE_TYPE_CANDLES, 1), 0);  // from an accelerator
    EXPECT_EQ(chartSettings.candleType, 1);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(40000, 0), 0);
    EXPECT_EQ(chartSettings.candleType, 1);
    EXPECT_TRUE(IsWindow(window_));
}

// Each command opens its own dialog, owned by the main window and on the value it edits: two
// lines of the command table swapped show the wrong one.
TEST_F(MainWindow, EachDialogCommandOpensItsOwnDialogOnItsValue)
{
    struct Case {
        int command;
        const wchar_t* caption;
        const wchar_t* label;  // with the value shown, for the number dialogs
        const wchar_t* value;
        int closeId;
    };
    const Case cases[] = {
        {104, L"Version Info OrvaneWinClient", nullptr, nullptr, IDOK},
        {32775, L"Input Number", L"Candle Sticks", L"360", IDCANCEL},
        {32776, L"Input Number", L"Scrolling Mass", L"180", IDCANCEL},
        {32777, L"Input Number", L"Future View", L"25", IDCANCEL},
        {32786, L"Input Number", L"Vertical Span", L"0.020000", IDCANCEL},
        {32771, L"ALL JOINED", nullptr, nullptr, 1002},
        {32773, L"LATEST TICKS", nullptr, nullptr, 1009},
        {32774, L"RECIVED TICKS", nullptr, nullptr, 1008},
    };
    show();
    for (const Case& c : cases) {
        HWND owner = nullptr;
        std::vector<std::wstring> texts;
        std::thread driver([&] {
            const HWND dialog = waitForWindow(GetCurrentProcessId(), L"#32770", c.caption, 10000);
            if (dialog) {
                owner = GetWindow(dialog, GW_OWNER);
                texts = childTexts(dialog);
                clickDialogButton(dialog, c.closeId);
            }
            // Whatever opened instead must not keep the test in its modal loop: each dialog here
            // closes on one of the cases' buttons and ignores the others.
            for (int i = 0; i < 100 && !topLevelWindows(GetCurrentProcessId(), L"#32770").empty(); ++i)
                Sleep(20);
            for (HWND stray : topLevelWindows(GetCurrentProcessId(), L"#32770"))
                for (const Case& other : cases)
                    clickDialogButton(stray, other.closeId);
        });
        EXPECT_EQ(SendMessageW(window_, WM_COMMAND, MAKEWPARAM(c.command, 0), 0), 0);
        driver.join();
        EXPECT_EQ(owner, window_) << "command " << c.command << ": no dialog \"" << narrowText(c.caption)
                                  << "\" owned by the main window";
        auto shows = [&](const wchar_t* text) { return std::find(texts.begin(), texts.end(), text) != texts.end(); };
        if (c.label) {
            EXPECT_TRUE(shows(c.label)) << "command " << c.command << ": no label " << narrowText(c.label);
            EXPECT_TRUE(shows(c.value)) << "command " << c.command << ": no start value " << narrowText(c.value);
        }
    }
    const ChartSettings start;
    EXPECT_EQ(chartSettings.candleCount, start.candleCount);
    EXPECT_EQ(chartSettings.scrollStep, start.scrollStep);
    EXPECT_EQ(chartSettings.futureView, start.futureView);
    EXPECT_EQ(chartSettings.verticalSpan, start.verticalSpan);
}

TEST_F(MainWindow, FileCloseDestroysTheWindowFreesTheRecordAndPostsQuit)
{
    quitPosted();
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_FALSE(IsWindow(window_));
    window_ = nullptr;
    EXPECT_EQ(calcRecord, nullptr);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(MainWindow, PaintWithoutTheRecordEndsThePaintWithoutDrawing)
{
    show();
    IndicatorExchange* const record = calcRecord;
    calcRecord = nullptr;
    InvalidateRect(window_, nullptr, FALSE);
    RECT pending{};
    ASSERT_TRUE(GetUpdateRect(window_, &pending, FALSE));
    UpdateWindow(window_);
    EXPECT_FALSE(GetUpdateRect(window_, &pending, FALSE)) << "the paint left its region invalid";
    calcRecord = record;
}

// The test process is the feed's writer here: a tick written after the window exists is taken in
// by the next paint.
TEST_F(MainWindow, PaintTakesTheNewestTickIntoTheStore)
{
    ASSERT_TRUE(becomeFeedWriter()) << "another process holds the feed's writer role";
    ASSERT_EQ(writeTimespanMT5(1), 1);
    initSendticksMT5();
    show();
    loadHistory(barStore, {"2021/03/05 09:06:00.000,1,1,1,1.5"});
    adoptNewestHistoryRecord(barStore);
    ASSERT_EQ(writeTickMT5(L"2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470"), 1);
    pumpFor(300);
    ASSERT_EQ(writeTickMT5(L"2021/03/05 09:07:03.045,1.23456,1.23500,1.23400,1.23480"), 1);
    pumpFor(300);
    deinitSendticksMT5();
    closeFeedWriterMT5();

    ASSERT_EQ(barStore.minuteBars.size(), 2u);
    EXPECT_EQ(barStore.minuteBars.back().close, 1.2348);
    EXPECT_EQ(barStore.receivedLines.size(), 2u) << "a repeated poll of the same line must not be added again";
    EXPECT_EQ(barStore.joinedLines.size(), 3u);
    EXPECT_EQ(barStore.currentMinuteText, "07");
}

// A window that is not painted still takes in every tick, one per cycle: while the feed holds
// unread ticks each poll takes exactly one line with a new close, so the lines a cycle took are
// the polls it made.
TEST_F(MainWindow, EveryCycleTakesInOneTickWhetherOrNotItPaints)
{
    ASSERT_TRUE(becomeFeedWriter()) << "another process holds the feed's writer role";
    ASSERT_EQ(writeTimespanMT5(1), 1);
    initSendticksMT5();
    loadHistory(barStore, {"2021/03/05 08:59:00.000,1,1,1,1.5"});
    adoptNewestHistoryRecord(barStore);
    show();
    pumpFor(100);
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingWindowProc));

    RECT frame{};
    GetWindowRect(window_, &frame);
    struct State {
        const char* name;
        std::function<void()> enter;
        std::function<void()> leave;
        bool painted;
    };
    const State states[] = {
        {"shown", [] {}, [] {}, true},
        {"minimised", [&] { ShowWindow(window_, SW_MINIMIZE); }, [&] { ShowWindow(window_, SW_RESTORE); }, false},
        {"hidden", [&] { ShowWindow(window_, SW_HIDE); }, [&] { ShowWindow(window_, SW_SHOW); }, false},
        {"without client area", [&] { SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOMOVE); },
         [&] { MoveWindow(window_, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE); },
         false},
    };
    int minute = 0;  // from 09:00, twelve minutes for each state
    int tickNumber = 0;
    for (const State& state : states) {
        state.enter();
        pumpFor(50);
        RECT client{};
        GetClientRect(window_, &client);
        if (std::string(state.name) == "without client area")
            ASSERT_TRUE(IsRectEmpty(&client)) << client.right << " x " << client.bottom;
        cycleTakes.clear();
        const std::size_t received = barStore.receivedLines.size();
        const std::size_t bars = barStore.minuteBars.size();
        // Twelve minutes of four ticks each, every close new: fewer than the 64 the feed keeps.
        for (int i = 0; i < 48; ++i, ++tickNumber) {
            wchar_t line[96];
            std::swprintf(line, 96, L"2021/03/05 09:%02d:%02d.000,1,3,1,2.%04d", minute + i / 4, i % 4 * 15, tickNumber);
            ASSERT_EQ(writeTickMT5(line), 1);
        }
        EXPECT_TRUE(pumpUntil([&] { return barStore.receivedLines.size() == received + 48; }, 10000)) << state.name;
        const std::vector<CycleTake> takes = cycleTakes;
        state.leave();
        pumpFor(50);

        int polled = 0;
        for (const CycleTake& take : takes) {
            ASSERT_LE(take.inPaint + take.outsidePaint, 1u) << state.name << ": a cycle polled twice";
            EXPECT_EQ(state.painted ? take.outsidePaint : take.inPaint, 0u) << state.name;
            polled += static_cast<int>(take.inPaint + take.outsidePaint);
        }
        EXPECT_EQ(polled, 48) << state.name;
        ASSERT_EQ(barStore.minuteBars.size(), bars + 12) << state.name;
        for (int m = 0; m < 12; ++m) {
            const BarRecord& bar = barStore.minuteBars[bars + m];
            EXPECT_EQ(bar.hour * 60 + bar.minute, 9 * 60 + minute + m) << state.name;
            EXPECT_EQ(bar.lineText.substr(17, 2), "45") << state.name << ": the minute's last tick";
        }
        minute += 12;
    }
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mainWindowProc));
    deinitSendticksMT5();
    closeFeedWriterMT5();
}

// ---- Resources of the built program ------------------------------------------------------------

class ClientResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring exe = binDirectory() + L"OrvaneWinClient.exe";
        module_ = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "cannot load OrvaneWinClient.exe as data: " << GetLastError();
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    std::wstring itemText(HMENU menu, int position)
    {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
        return text;
    }

    std::string resourceBytes(LPCWSTR name, LPCWSTR type)
    {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const auto* data = static_cast<const char*>(LockResource(loaded));
        return data ? std::string(data, SizeofResource(module_, found)) : std::string();
    }

    HMODULE module_ = nullptr;
};

TEST_F(ClientResources, MenuBarIsExactlyTheListedOne)
{
    HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(IDM_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(itemText(menu, 0), L"File(&F)");
    EXPECT_EQ(itemText(menu, 1), L"Saved Data(&S)");
    EXPECT_EQ(itemText(menu, 2), L"Setting(&W)");
    EXPECT_EQ(itemText(menu, 3), L"Help(&H)");

    struct Item {
        std::wstring text;
        UINT id;
    };
    auto items = [&](HMENU popup) {
        std::vector<Item> list;
        for (int i = 0; i < GetMenuItemCount(popup); ++i)
            list.push_back({itemText(popup, i), GetMenuItemID(popup, i)});
        return list;
    };
    auto expectItems = [&](HMENU popup, const std::vector<Item>& expected) {
        const auto actual = items(popup);
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(actual[i].text, expected[i].text);
            EXPECT_EQ(actual[i].id, expected[i].id) << "item " << i;
            EXPECT_EQ(GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED), 0u);
        }
    };
    expectItems(GetSubMenu(menu, 0), {{L"Close(&X)", 105}});
    expectItems(GetSubMenu(menu, 1), {{L"Latest Sticks", 32773}});
    HMENU setting = GetSubMenu(menu, 2);
    expectItems(setting, {{L"Candle Sticks", 32775}, {L"Candle StickType", static_cast<UINT>(-1)}, {L"Vertical Major", 32786}});
    expectItems(GetSubMenu(setting, 1), {{L"Candle Sticks", 32779}, {L"Shin-Ne-Ashi", 32780}});
    expectItems(GetSubMenu(menu, 3), {{L"Version Info(&A)...", 104}});
    DestroyMenu(menu);
}

TEST_F(ClientResources, AltQuestionMarkAndAltSlashOpenTheAboutBox)
{
    HACCEL table = LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDA_MAIN_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] = {};
    const int count = CopyAcceleratorTableW(table, entries, 8);
    ASSERT_EQ(count, 2);
    std::vector<WORD> keys;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(entries[i].cmd, IDM_ABOUT);
        EXPECT_EQ(entries[i].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT) << "an ASCII key with Alt";
        keys.push_back(entries[i].key);
    }
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<WORD>{'/', '?'}));
    DestroyAcceleratorTable(table);
}

TEST_F(ClientResources, StringsIconVersionAndManifest)
{
    wchar_t text[100] = {};
    ASSERT_GT(LoadStringW(module_, IDS_APP_TITLE, text, 100), 0);
    EXPECT_STREQ(text, L"OrvaneWinClient");
    ASSERT_GT(LoadStringW(module_, IDS_WINDOW_CLASS, text, 100), 0);
    EXPECT_STREQ(text, L"ORVANEWINCLIENT");

    HICON icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_ORVANEWINCLIENT), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
    icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_ORVANEWINCLIENT), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);

    const std::string manifest = resourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);

    const std::string version = resourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    ASSERT_GE(version.size(), 92u);
    const std::wstring wide(reinterpret_cast<const wchar_t*>(version.data()), version.size() / sizeof(wchar_t));
    EXPECT_NE(wide.find(L"VS_VERSION_INFO"), std::wstring::npos);
    EXPECT_NE(wide.find(L"OrvaneWinClient.exe"), std::wstring::npos);
    EXPECT_NE(wide.find(L"1分足チャート"), std::wstring::npos) << "the UTF-8 code page of the script was lost";
}

} // namespace
