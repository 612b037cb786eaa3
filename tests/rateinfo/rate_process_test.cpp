// The shipped OrvaneRateInfo.exe as a child of this process, which plays the terminal through the
// feed DLL's writer exports: it comes up on a live feed, draws what the feed brings, opens its
// About box from the menu and the accelerators and ends with exit code 0.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "interfaces/orvane_driver.h"
#include "support/win_capture.h"
#include "support/win_process.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLatestUp = RGB(255, 71, 87);
constexpr COLORREF kLatestDown = RGB(83, 82, 237);
constexpr COLORREF kRowDown = RGB(0, 0, 255);

struct Box {
    int left, top, right, bottom;
};
constexpr Box kSymbolBox{10, 5, 98, 27};
constexpr Box kClockBox{100, 11, 298, 27};
constexpr Box kLatestBox{10, 30, 298, 58};
constexpr Box kLatestCloseBox{173, 30, 298, 58};
constexpr Box rowCloseBox(int row) { return {185, 70 + 21 * row, 298, 70 + 21 * row + 16}; }

int countIn(const Capture& shot, const Box& box, COLORREF colour)
{
    return shot.count(box.left, box.top, box.right, box.bottom, colour);
}

int inkIn(const Capture& shot, const Box& box)
{
    return (box.right - box.left) * (box.bottom - box.top) - countIn(shot, box, kWhite);
}

int rightmostInk(const Capture& shot, const Box& box)
{
    for (int x = box.right - 1; x >= box.left; --x)
        for (int y = box.top; y < box.bottom; ++y)
            if (shot.colour(x, y) != kWhite)
                return x;
    return box.left - 1;
}

// While Wine maps a window its surface is partly black. Every text starts at x = 10 or further
// right, so a white left margin tells a painted page.
bool painted(const Capture& shot)
{
    return shot.valid() && countIn(shot, Box{0, 0, 9, shot.height}, kWhite) == 9 * shot.height;
}

// Fresh captures until the page is painted and `condition` holds or the time is up; the last
// capture either way.
Capture captureUntil(HWND window, const std::function<bool(const Capture&)>& condition, DWORD milliseconds = 5000)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    Capture shot;
    do {
        shot = captureClient(window);
        if (painted(shot) && condition(shot))
            return shot;
        Sleep(30);
    } while (GetTickCount64() < end);
    return shot;
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = 5000)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        if (condition())
            return true;
        Sleep(30);
    } while (GetTickCount64() < end);
    return condition();
}

// Presses `virtualKey` (with Shift when asked) while Alt is held, through the keyboard input queue.
void typeWithAlt(WORD virtualKey, bool shift)
{
    std::vector<INPUT> inputs;
    auto push = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    push(VK_MENU, false);
    if (shift)
        push(VK_SHIFT, false);
    push(virtualKey, false);
    push(virtualKey, true);
    if (shift)
        push(VK_SHIFT, true);
    push(VK_MENU, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// This process as the feed's one writer for the length of a test.
class FeedWriter {
public:
    FeedWriter()
    {
        // A writer of an earlier test may still be on its way out.
        open_ = waitUntil([] { return openFeedWriterMT5() == 1; }, 15000);
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

class RateProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writer_.isOpen()) << "the feed refused this process as its writer";
        ASSERT_EQ(writeSymbolMT5(L"SIM-RATE"), 1);
        ASSERT_EQ(writeTimespanMT5(1), 1);
    }

    void start()
    {
        ASSERT_TRUE(program_.start(L"OrvaneRateInfo.exe")) << "cannot start OrvaneRateInfo.exe: " << GetLastError();
        window_ = waitForWindow(program_.id(), L"ORVANERATEINFO", L"OrvaneRateInfo", 30000);
        ASSERT_NE(window_, nullptr) << "no OrvaneRateInfo window";
    }

    HWND aboutBox(DWORD milliseconds = 5000)
    {
        return waitForWindow(program_.id(), L"#32770", nullptr, milliseconds);
    }

    void expectExitCodeZero()
    {
        DWORD exitCode = 99;
        ASSERT_TRUE(program_.wait(15000, exitCode)) << "the program did not end";
        EXPECT_EQ(exitCode, 0u);
    }

    FeedWriter writer_;
    ChildProcess program_;
    HWND window_ = nullptr;
};

TEST_F(RateProcessTest, ShowsTheLiveFeedAndEndsThroughTheExitCommand)
{
    start();
    RECT frame{};
    GetWindowRect(window_, &frame);
    EXPECT_EQ(frame.left, 50);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(frame.right - frame.left, 305);
    EXPECT_EQ(frame.bottom - frame.top, 450);

    // Running clock ("2026/12/08 hh:mm:ss.mmm" reaches far further right than "No Data..."),
    // symbol drawn, and no tick area before the feed's first tick.
    Capture shot = captureUntil(window_, [](const Capture& s) { return rightmostInk(s, kClockBox) > 230; });
    EXPECT_GT(rightmostInk(shot, kClockBox), 230) << "the clock does not run";
    EXPECT_GT(inkIn(shot, kSymbolBox), 20);
    EXPECT_EQ(inkIn(shot, kLatestBox), 0);
    const Capture earlier = shot;
    shot = captureUntil(window_, [&](const Capture& s) {
        for (int x = kClockBox.left; x < kClockBox.right; ++x)
            for (int y = kClockBox.top; y < kClockBox.bottom; ++y)
                if (s.colour(x, y) != earlier.colour(x, y))
                    return true;
        return false;
    });
    EXPECT_GT(rightmostInk(shot, kClockBox), 230);

    ASSERT_EQ(writeTickMT5(L"2026/12/08 10:00:05.000,1.5,1.5,1.5,1.5"), 1);
    shot = captureUntil(window_, [](const Capture& s) { return countIn(s, kLatestCloseBox, kBlack) > 20; });
    EXPECT_GT(countIn(shot, kLatestCloseBox, kBlack), 20) << "first tick not shown";

    ASSERT_EQ(writeTickMT5(L"2026/12/08 10:00:20.000,1.5,1.5,1.25,1.25"), 1);
    shot = captureUntil(window_, [](const Capture& s) { return countIn(s, kLatestCloseBox, kLatestDown) > 20; });
    EXPECT_GT(countIn(shot, kLatestCloseBox, kLatestDown), 20);

    ASSERT_EQ(writeTickMT5(L"2026/12/08 10:00:35.000,1.5,1.75,1.25,1.75"), 1);
    shot = captureUntil(window_, [](const Capture& s) { return countIn(s, rowCloseBox(0), kRowDown) > 10; });
    EXPECT_GT(countIn(shot, kLatestCloseBox, kLatestUp), 20);
    EXPECT_GT(countIn(shot, rowCloseBox(0), kRowDown), 10);

    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);
    expectExitCodeZero();
}

TEST_F(RateProcessTest, SystemMenuCloseEndsWithExitCodeZero)
{
    ASSERT_EQ(writeTickMT5(L"2026/12/08 10:01:00.000,1,1,1,1.000"), 1);
    start();
    captureUntil(window_, [](const Capture& s) { return inkIn(s, kLatestCloseBox) > 20; });
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExitCodeZero();
}

TEST_F(RateProcessTest, AboutBoxOpensFromMenuAndAcceleratorsAndClosesWithOkAndEsc)
{
    start();
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(104, 0), 0);
    HWND box = aboutBox();
    ASSERT_NE(box, nullptr) << "command 104 opened no About box";
    EXPECT_NE(windowText(box).find(L"OrvaneRateInfo"), std::wstring::npos);
    ASSERT_TRUE(clickDialogButton(box, IDOK));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));

    // Alt with the characters "?" and "/", typed: the accelerators are character codes, and the
    // Alt state is read from the keyboard, so the keys must really be pressed.
    ASSERT_TRUE(waitUntil([&] {
        SetForegroundWindow(window_);
        return GetForegroundWindow() == window_;
    }));
    const struct {
        const char* name;
        bool shift;
    } keys[] = {{"Alt+?", true}, {"Alt+/", false}};
    for (const auto& key : keys) {
        typeWithAlt(VK_OEM_2, key.shift);
        box = aboutBox();
        ASSERT_NE(box, nullptr) << key.name << " opened no About box";
        // Esc in a dialog arrives as IDCANCEL.
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
        SetForegroundWindow(window_);
    }

    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);
    expectExitCodeZero();
}

} // namespace
