// The chart client's real modal dialogs, driven from a second thread while the test's main thread
// runs them exactly as the main window does: templates, values shown, what OK, Cancel, Escape and
// the close box do, the text views and the CSV files written through the real save dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client/core/bar_store.h"
#include "client/core/chart_state.h"
#include "client/core/client_win_state.h"
#include "client/dialogs/chart_dialogs.h"
#include "client/dialogs/csv_export.h"
#include "client/dialogs/dialog_procs.h"
#include "client/dialogs/dialog_rules.h"
#include "client/resources/resource.h"
#include "support/win_process.h"

namespace {

constexpr DWORD kWindowWait = 15000;
constexpr DWORD kSaveDialogWait = 60000;  // the first shell dialog in a fresh prefix is slow

// ---- Driving helpers --------------------------------------------------------------------------

HWND waitDialog(const wchar_t* title, DWORD milliseconds = kWindowWait)
{
    return waitForWindow(GetCurrentProcessId(), L"#32770", title, milliseconds);
}

// A dialog of this process that is not one of `known` (the save dialog's title is Wine's own).
HWND waitNewDialog(const std::vector<HWND>& known, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        for (HWND window : topLevelWindows(GetCurrentProcessId(), L"#32770")) {
            bool seen = false;
            for (HWND old : known)
                seen = seen || old == window;
            if (!seen)
                return window;
        }
        Sleep(20);
    } while (GetTickCount64() < end);
    return nullptr;
}

bool waitGone(HWND window, DWORD milliseconds = kWindowWait)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
    return true;
}

bool stillOpenAfter(HWND window, DWORD milliseconds)
{
    Sleep(milliseconds);
    return IsWindow(window) && IsWindowVisible(window);
}

std::wstring itemText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

void setItemText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool hasChildText(HWND dialog, const std::wstring& text)
{
    for (const std::wstring& child : childTexts(dialog))
        if (child == text)
            return true;
    return false;
}

// A key as the user presses it: posted to the focused control, so the dialog's own loop sees it.
void pressKey(HWND target, WPARAM key)
{
    PostMessageW(target, WM_KEYDOWN, key, 0x00000001);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

HWND focusOf(DWORD threadId)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

// The trackbar as the user drags it: it moves its thumb and tells its dialog with WM_HSCROLL.
void dragTrackbar(HWND dialog, int position)
{
    const HWND trackbar = GetDlgItem(dialog, IDC_NUMBER_TRACKBAR);
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(trackbar));
}

// Runs `open` (a modal dialog) on this thread while `drive` works it from a second thread. Should
// the driver lose track, every dialog still shown is ended so that the test fails instead of hanging.
void withDriver(const std::function<void()>& open, const std::function<void()>& drive)
{
    std::thread driver([&] {
        drive();
        const ULONGLONG end = GetTickCount64() + 5000;
        while (!topLevelWindows(GetCurrentProcessId(), L"#32770").empty() && GetTickCount64() < end)
            Sleep(20);
        for (HWND stray : topLevelWindows(GetCurrentProcessId(), L"#32770")) {
            ADD_FAILURE() << "dialog left open: " << std::string(windowText(stray).begin(), windowText(stray).end());
            EndDialog(stray, 0);
        }
    });
    open();
    driver.join();
}

// ---- Template checks -------------------------------------------------------------------------

struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* text;  // as the template holds it; "#131" for a resource ordinal
    short x, y, width, height;
    DWORD style;          // the whole style, WS_CHILD and WS_VISIBLE included
    DWORD exStyle;
};

struct DialogLayout {
    int templateId;
    const wchar_t* caption;
    short width, height;
    const wchar_t* face;
    WORD points;
    WORD weight;
    BYTE charset;
    std::vector<ControlLayout> controls;
};

std::string narrow(const std::wstring& text)
{
    std::string result;
    for (const wchar_t c : text)
        result += c < 128 ? static_cast<char>(c) : '?';
    return result;
}

// Reads an extended dialog template as the resource compiler wrote it into this exe.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : at_(data) {}
    WORD word() { WORD v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
    DWORD dword() { DWORD v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
    BYTE byte() { return *at_++; }
    std::wstring text()
    {
        std::wstring value;
        for (WORD c; (c = word()) != 0;)
            value += static_cast<wchar_t>(c);
        return value;
    }
    // A string, or 0xFFFF and an ordinal (written as "#n", or a class name for the system atoms).
    std::wstring textOrOrdinal(bool isClass)
    {
        WORD first;
        std::memcpy(&first, at_, 2);
        if (first != 0xFFFF)
            return text();
        word();
        const WORD ordinal = word();
        if (isClass) {
            static const wchar_t* const kAtoms[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
            if (ordinal >= 0x80 && ordinal <= 0x85)
                return kAtoms[ordinal - 0x80];
        }
        return L"#" + std::to_wstring(ordinal);
    }
    void alignDword(const BYTE* base)
    {
        while ((at_ - base) % 4 != 0)
            ++at_;
    }
    void skip(std::size_t bytes) { at_ += bytes; }

private:
    const BYTE* at_;
};

void expectTemplate(const DialogLayout& layout)
{
    const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(layout.templateId), MAKEINTRESOURCEW(5));
    ASSERT_NE(resource, nullptr) << "template " << layout.templateId;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
    ASSERT_NE(base, nullptr);
    TemplateReader read(base);
    ASSERT_EQ(read.word(), 1) << "an extended template";
    ASSERT_EQ(read.word(), 0xFFFF);
    read.dword();  // help id
    EXPECT_EQ(read.dword(), 0u) << "extended style";
    const DWORD style = read.dword();
    EXPECT_EQ(style & ~static_cast<DWORD>(DS_SETFONT), static_cast<DWORD>(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU)) << std::hex << style;
    const WORD count = read.word();
    EXPECT_EQ(read.word(), 0);
    EXPECT_EQ(read.word(), 0);
    EXPECT_EQ(read.word(), layout.width);
    EXPECT_EQ(read.word(), layout.height);
    EXPECT_EQ(read.textOrOrdinal(false), L"") << "menu";
    EXPECT_EQ(read.textOrOrdinal(false), L"") << "class";
    EXPECT_EQ(read.text(), layout.caption);
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(read.word(), layout.points);
    EXPECT_EQ(read.word(), layout.weight);
    EXPECT_EQ(read.byte(), 0) << "italic";
    EXPECT_EQ(read.byte(), layout.charset);
    EXPECT_EQ(read.text(), layout.face);
    ASSERT_EQ(count, layout.controls.size());
    for (const ControlLayout& control : layout.controls) {
        const std::string where = "template " + std::to_string(layout.templateId) + " control " + std::to_string(control.id);
        read.alignDword(base);
        read.dword();  // help id
        EXPECT_EQ(read.dword(), control.exStyle) << where;
        const DWORD itemStyle = read.dword();
        EXPECT_EQ(itemStyle, control.style) << where << std::hex << ": style 0x" << itemStyle;
        EXPECT_EQ(static_cast<short>(read.word()), control.x) << where;
        EXPECT_EQ(static_cast<short>(read.word()), control.y) << where;
        EXPECT_EQ(static_cast<short>(read.word()), control.width) << where;
        EXPECT_EQ(static_cast<short>(read.word()), control.height) << where;
        EXPECT_EQ(static_cast<int>(read.dword()), control.id) << where;
        EXPECT_EQ(lstrcmpiW(read.textOrOrdinal(true).c_str(), control.className), 0) << where << ": class";
        EXPECT_EQ(read.textOrOrdinal(false), control.text) << where;
        read.skip(read.word());
    }
}

// The created dialog: frame, font, and the controls in template order where the template put them.
void expectLayout(HWND dialog, const DialogLayout& layout)
{
    EXPECT_EQ(windowText(dialog), layout.caption);
    RECT size{0, 0, layout.width, layout.height};
    MapDialogRect(dialog, &size);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    ASSERT_NE(GetObjectW(font, sizeof logFont, &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, layout.face);
    EXPECT_EQ(logFont.lfWeight, layout.weight);

    HWND child = GetWindow(dialog, GW_CHILD);
    for (const ControlLayout& control : layout.controls) {
        ASSERT_NE(child, nullptr) << "missing control " << control.id;
        const std::string where = "control " + std::to_string(control.id);
        EXPECT_EQ(GetDlgCtrlID(child), control.id) << where << ": controls in template order";
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        EXPECT_EQ(lstrcmpiW(className, control.className), 0) << where << ": class " << narrow(className);
        RECT expected{control.x, control.y, control.width, control.height};
        MapDialogRect(dialog, &expected);
        RECT actual{};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left) << where;
        EXPECT_EQ(actual.top, expected.top) << where;
        EXPECT_EQ(actual.right - actual.left, expected.right) << where;
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << where;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than the template lists";
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

DialogLayout numberDialogLayout()
{
    return {IDD_INPUT_NUMBER, L"Input Number", 230, 30, L"Terminal", 14, FW_BOLD, SHIFTJIS_CHARSET, {
        {IDOK, L"Button", L"OK", 123, 1, 50, 12, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
        {IDCANCEL, L"Button", L"キャンセル", 175, 1, 50, 12, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
        {IDC_STATIC, L"Static", L"スタティック", 125, 16, 100, 12, kChild | SS_LEFT | WS_GROUP, 0},
        {IDC_NUMBER_TRACKBAR, TRACKBAR_CLASSW, L"", 3, 16, 117, 7, kChild | TBS_HORZ | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP, 0},
        {IDC_NUMBER_EDIT, L"Edit", L"", 4, 1, 118, 12, kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
    }};
}

DialogLayout viewLayout(int templateId, const wchar_t* caption, int first, const wchar_t* firstText, int save, int edit, int label, short labelTop)
{
    const DWORD editStyle = kChild | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    DialogLayout layout{templateId, caption, 400, 350, L"Terminal", 14, FW_BOLD, SHIFTJIS_CHARSET, {}};
    layout.controls.push_back({first, L"Button", firstText, static_cast<short>(save ? 276 : 336), 321, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0});
    if (save)
        layout.controls.push_back({save, L"Button", L"Save", 336, 321, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0});
    layout.controls.push_back({edit, L"Edit", L"", 7, 7, 385, 300, editStyle, WS_EX_LEFTSCROLLBAR});
    layout.controls.push_back({label, L"Static", L"First 1000Lines", 16, labelTop, 164, 11, kChild | SS_LEFT | WS_GROUP, 0});
    return layout;
}

DialogLayout aboutBoxLayout()
{
    return {IDD_ABOUTBOX, L"Version Info OrvaneWinClient", 170, 62, L"MS UI Gothic", 11, FW_NORMAL, DEFAULT_CHARSET, {
        {IDC_STATIC, L"Static", L"#131", 14, 14, 20, 20, kChild | SS_ICON | SS_CENTERIMAGE, 0},
        {IDC_STATIC, L"Static", L"Copyright (C) 2026 Orvane", 42, 26, 114, 8, kChild | SS_LEFT | WS_GROUP, 0},
        {IDOK, L"Button", L"OK", 113, 41, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    }};
}

// ---- Data and files ---------------------------------------------------------------------------

BarRecord makeRecord(int index)
{
    BarRecord record;
    char time[32];
    std::snprintf(time, sizeof time, "2026/12/08 %02d:%02d:00.000", (index / 60) % 24, index % 60);
    record.timeText = time;
    record.open = 109.1 + index;
    record.high = 109.5 + index;
    record.low = 108.75 + index;
    record.close = 109.25 + index;
    return record;
}

std::vector<BarRecord> makeList(int count)
{
    std::vector<BarRecord> list;
    for (int i = 0; i < count; ++i)
        list.push_back(makeRecord(i));
    return list;
}

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// The exact bytes a saved list must have: every record newest first, CR LF after each.
std::string expectedCsv(const BarListView& list)
{
    std::string bytes;
    for (std::size_t index = list.size(); index-- > 0;)
        bytes += formatBarLine(list[index]) + "\r\n";
    return bytes;
}

// receivedLines holds positions in joinedLines: live lines enter both, as the merge adds them.
void setReceivedLines(const std::vector<BarRecord>& list)
{
    barStore.joinedLines.clear();
    barStore.receivedLines.clear();
    for (const BarRecord& record : list)
        appendAcceptedLine(barStore, record);
}

bool readFile(const std::wstring& path, std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool writeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

// The entries of `folder` (ending in "\"), without "." and "..".
std::vector<std::wstring> namesIn(const std::wstring& folder)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            found.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

// Removes `folder` (ending in "\") with everything below it; names may exceed the plain limit.
void removeTree(const std::wstring& folder)
{
    const std::wstring extended = folder.compare(0, 4, L"\\\\?\\") == 0 ? folder : L"\\\\?\\" + folder;
    for (const std::wstring& name : namesIn(extended)) {
        const std::wstring entry = extended + name;
        const DWORD attributes = GetFileAttributesW(entry.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            removeTree(entry + L"\\");
            continue;
        }
        SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(entry.c_str());
    }
    RemoveDirectoryW(extended.c_str());
}

// A fresh, empty folder per test; removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        static int serial = 0;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"orvane_dialogs_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++serial) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { removeTree(path_); }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const wchar_t* name) const { return path_ + name; }
    std::vector<std::wstring> names() const { return namesIn(path_); }

private:
    std::wstring path_;
};

// Types `fileName` into the save dialog that the dialog thread has open and presses its OK button.
bool answerSaveDialog(const std::vector<HWND>& known, const std::wstring& fileName)
{
    const HWND saveDialog = waitNewDialog(known, kSaveDialogWait);
    if (!saveDialog) {
        ADD_FAILURE() << "no save dialog";
        return false;
    }
    Sleep(200);  // let the dialog finish filling its folder view
    constexpr int kFileNameCombo = 0x47c;  // cmb13
    constexpr int kFileNameEdit = 0x480;   // edt1
    const HWND combo = GetDlgItem(saveDialog, kFileNameCombo);
    const HWND edit = GetDlgItem(saveDialog, kFileNameEdit);
    const HWND target = combo && IsWindowVisible(combo) ? combo : edit;
    if (!target) {
        ADD_FAILURE() << "save dialog without a file name box";
        return false;
    }
    SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
    PostMessageW(saveDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(saveDialog, IDOK)));
    const bool closed = waitGone(saveDialog, kWindowWait);
    EXPECT_TRUE(closed) << "save dialog refused " << narrow(fileName);
    return closed;
}

void cancelSaveDialog(const std::vector<HWND>& known)
{
    const HWND saveDialog = waitNewDialog(known, kSaveDialogWait);
    ASSERT_NE(saveDialog, nullptr) << "no save dialog";
    PostMessageW(saveDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(saveDialog, IDCANCEL)));
    EXPECT_TRUE(waitGone(saveDialog));
}

// Finds the message box titled `caption`, returns its texts and presses `button`.
std::vector<std::wstring> answerMessageBox(const wchar_t* caption, int button)
{
    const HWND box = waitDialog(caption);
    if (!box) {
        ADD_FAILURE() << "no message box " << narrow(caption);
        return {};
    }
    std::vector<std::wstring> texts = childTexts(box);
    texts.push_back(L"[buttons]");
    for (const int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (GetDlgItem(box, id))
            texts.push_back(std::to_wstring(id));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    EXPECT_TRUE(waitGone(box));
    return texts;
}

bool contains(const std::vector<std::wstring>& texts, const std::wstring& wanted)
{
    for (const std::wstring& text : texts)
        if (text == wanted)
            return true;
    return false;
}

bool anyContains(const std::vector<std::wstring>& texts, const std::wstring& part)
{
    for (const std::wstring& text : texts)
        if (text.find(part) != std::wstring::npos)
            return true;
    return false;
}

class ChartDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        appInstance = GetModuleHandleW(nullptr);
        chartSettings = ChartSettings{};
        barStore.minuteBars.clear();
        barStore.joinedLines.clear();
        barStore.receivedLines.clear();
        mainThread = GetCurrentThreadId();
    }

    // Runs one of the number dialogs, types `typed` and presses OK; returns the dialog's result.
    INT_PTR typeAndConfirm(DLGPROC procedure, const std::wstring& typed)
    {
        INT_PTR result = -1;
        withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_INPUT_NUMBER), nullptr, procedure, 0); },
                   [&] {
                       const HWND dialog = waitDialog(L"Input Number");
                       if (!dialog)
                           return ADD_FAILURE() << "no number dialog";
                       setItemText(dialog, IDC_NUMBER_EDIT, typed);
                       clickDialogButton(dialog, IDOK);
                       EXPECT_TRUE(waitGone(dialog));
                   });
        return result;
    }

    DWORD mainThread = 0;
};

// ---- Number dialogs ---------------------------------------------------------------------------

TEST(DialogTemplates, HoldEveryControlWithItsIdTextPlaceAndStyle)
{
    expectTemplate(numberDialogLayout());
    expectTemplate(viewLayout(IDD_ALL_JOINED, L"ALL JOINED", IDC_JOINED_CANCEL, L"Cancel", IDC_JOINED_SAVE, IDC_JOINED_TEXT, IDC_JOINED_LABEL, 324));
    expectTemplate(viewLayout(IDD_RECEIVED_TICKS, L"RECIVED TICKS", IDC_RECEIVED_CANCEL, L"Cancel", IDC_RECEIVED_SAVE, IDC_RECEIVED_TEXT, IDC_RECEIVED_LABEL, 324));
    expectTemplate(viewLayout(IDD_LATEST_TICKS, L"LATEST TICKS", IDC_LATEST_OK, L"OK", 0, IDC_LATEST_TEXT, IDC_LATEST_LABEL, 321));
    expectTemplate(aboutBoxLayout());
}

TEST_F(ChartDialogs, CandleSticksOpensOnTheCurrentValueAndLinksTheTrackbarOneWay)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                       appInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    withDriver([&] { openCandleCountDialog(owner); }, [&] {
        const HWND dialog = waitDialog(L"Input Number");
        if (!dialog)
            return ADD_FAILURE() << "no number dialog";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
        expectLayout(dialog, numberDialogLayout());
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"360");
        EXPECT_FALSE(hasChildText(dialog, L"スタティック"));
        const HWND trackbar = GetDlgItem(dialog, IDC_NUMBER_TRACKBAR);
        EXPECT_TRUE(IsWindowEnabled(trackbar));
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMIN, 0, 0), 15);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0), 800);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETPOS, 0, 0), 360);
        EXPECT_EQ(focusOf(mainThread), GetDlgItem(dialog, IDOK));

        dragTrackbar(dialog, 500);
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"500");
        dragTrackbar(dialog, 15);
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"15");
        setItemText(dialog, IDC_NUMBER_EDIT, L"700");
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETPOS, 0, 0), 15) << "typing must not move the thumb";

        setItemText(dialog, IDC_NUMBER_EDIT, L"801");
        clickDialogButton(dialog, IDOK);
        EXPECT_TRUE(waitGone(dialog));
    });
    EXPECT_EQ(chartSettings.candleCount, 15);
    DestroyWindow(owner);
}

TEST_F(ChartDialogs, CandleSticksStoresTheValidatedEntry)
{
    struct Case {
        const wchar_t* typed;
        std::int32_t stored;
    };
    for (const Case& c : {Case{L"500", 500}, Case{L"15", 15}, Case{L"14", 15}, Case{L"800", 800}, Case{L"801", 15},
                          Case{L"", 15}, Case{L"abc", 15}, Case{L"-5", 15}, Case{L"99999999999", 15}}) {
        chartSettings.candleCount = 360;
        EXPECT_EQ(typeAndConfirm(candleCountDialog, c.typed), IDOK);
        EXPECT_EQ(chartSettings.candleCount, c.stored) << "typed \"" << narrow(c.typed) << "\"";
    }
}

TEST_F(ChartDialogs, CancelAndTheCloseBoxChangeNothing)
{
    chartSettings.candleCount = 500;
    chartSettings.verticalSpan = 0.05;
    const std::vector<std::function<void(HWND)>> dismissals{
        [](HWND dialog) { clickDialogButton(dialog, IDCANCEL); },
        [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
        [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); },
        [this](HWND) { pressKey(focusOf(mainThread), VK_ESCAPE); },
    };
    for (std::size_t way = 0; way < dismissals.size(); ++way) {
        for (DLGPROC procedure : {candleCountDialog, verticalSpanDialog}) {
            INT_PTR result = -1;
            withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_INPUT_NUMBER), nullptr, procedure, 0); },
                       [&] {
                           const HWND dialog = waitDialog(L"Input Number");
                           if (!dialog)
                               return ADD_FAILURE() << "no number dialog";
                           setItemText(dialog, IDC_NUMBER_EDIT, L"700");
                           dismissals[way](dialog);
                           EXPECT_TRUE(waitGone(dialog)) << "dismissal " << way;
                       });
            EXPECT_EQ(result, IDCANCEL) << "dismissal " << way;
            EXPECT_EQ(chartSettings.candleCount, 500) << "dismissal " << way;
            EXPECT_EQ(chartSettings.verticalSpan, 0.05) << "dismissal " << way;
        }
    }
}

TEST_F(ChartDialogs, FutureViewRefusesTheTrackbarsRightEnd)
{
    withDriver([&] { openFutureViewDialog(nullptr); }, [&] {
        const HWND dialog = waitDialog(L"Input Number");
        if (!dialog)
            return ADD_FAILURE() << "no number dialog";
        EXPECT_TRUE(hasChildText(dialog, L"Future View"));
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"25");
        const HWND trackbar = GetDlgItem(dialog, IDC_NUMBER_TRACKBAR);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETPOS, 0, 0), 25);
        dragTrackbar(dialog, 100);
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"100");
        clickDialogButton(dialog, IDOK);
        EXPECT_TRUE(waitGone(dialog));
    });
    EXPECT_EQ(chartSettings.futureView, 0);

    for (const auto& [typed, stored] : std::vector<std::pair<std::wstring, std::int32_t>>{{L"99", 99}, {L"0", 0}, {L"1", 1}, {L"100", 0}}) {
        chartSettings.futureView = 25;
        EXPECT_EQ(typeAndConfirm(futureViewDialog, typed), IDOK);
        EXPECT_EQ(chartSettings.futureView, stored) << "typed " << narrow(typed);
    }
}

TEST_F(ChartDialogs, ScrollingMassIsCappedByTheCandleCount)
{
    withDriver([&] { openScrollStepDialog(nullptr); }, [&] {
        const HWND dialog = waitDialog(L"Input Number");
        if (!dialog)
            return ADD_FAILURE() << "no number dialog";
        EXPECT_TRUE(hasChildText(dialog, L"Scrolling Mass"));
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"180");
        const HWND trackbar = GetDlgItem(dialog, IDC_NUMBER_TRACKBAR);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0), 400);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETPOS, 0, 0), 180);
        setItemText(dialog, IDC_NUMBER_EDIT, L"400");
        clickDialogButton(dialog, IDOK);
        EXPECT_TRUE(waitGone(dialog));
    });
    EXPECT_EQ(chartSettings.scrollStep, 360);

    struct Case {
        std::int32_t candleCount;
        const wchar_t* typed;
        std::int32_t stored;
    };
    for (const Case& c : {Case{360, L"1", 1}, Case{360, L"0", 1}, Case{360, L"2", 2}, Case{800, L"500", 1}, Case{800, L"400", 400}}) {
        chartSettings.candleCount = c.candleCount;
        chartSettings.scrollStep = 180;
        EXPECT_EQ(typeAndConfirm(scrollStepDialog, c.typed), IDOK);
        EXPECT_EQ(chartSettings.scrollStep, c.stored) << "typed " << narrow(c.typed) << " with candleCount " << c.candleCount;
    }
}

TEST_F(ChartDialogs, VerticalSpanShowsSixDecimalsAndFallsBackOnUnusableEntries)
{
    withDriver([&] { openVerticalSpanDialog(nullptr); }, [&] {
        const HWND dialog = waitDialog(L"Input Number");
        if (!dialog)
            return ADD_FAILURE() << "no number dialog";
        EXPECT_TRUE(hasChildText(dialog, L"Vertical Span"));
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"0.020000");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_NUMBER_TRACKBAR)));
        setItemText(dialog, IDC_NUMBER_EDIT, L"0.05");
        clickDialogButton(dialog, IDOK);
        EXPECT_TRUE(waitGone(dialog));
    });
    EXPECT_EQ(chartSettings.verticalSpan, 0.05);

    withDriver([&] { openVerticalSpanDialog(nullptr); }, [&] {
        const HWND dialog = waitDialog(L"Input Number");
        if (!dialog)
            return ADD_FAILURE() << "no number dialog";
        EXPECT_EQ(itemText(dialog, IDC_NUMBER_EDIT), L"0.050000");
        clickDialogButton(dialog, IDOK);
        EXPECT_TRUE(waitGone(dialog));
    });
    EXPECT_EQ(chartSettings.verticalSpan, 0.05) << "the shown text reads back as the stored span";

    for (const wchar_t* typed : {L"0", L"-1", L"letters", L"", L"inf", L"1e999"}) {
        chartSettings.verticalSpan = 0.05;
        EXPECT_EQ(typeAndConfirm(verticalSpanDialog, typed), IDOK);
        EXPECT_EQ(chartSettings.verticalSpan, 0.02) << "typed \"" << narrow(typed) << "\"";
    }
    chartSettings.verticalSpan = 0.02;
    EXPECT_EQ(typeAndConfirm(verticalSpanDialog, L"  1.5e-1 pips"), IDOK);
    EXPECT_EQ(chartSettings.verticalSpan, 0.15);
}

// ---- Text views and About box -----------------------------------------------------------------

std::vector<std::wstring> splitViewText(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size())
        lines.push_back(text.substr(start) + L"<no line end>");
    return lines;
}

TEST_F(ChartDialogs, AllJoinedShowsTheNewestThousandAndOnlyItsButtonsCloseIt)
{
    barStore.joinedLines = makeList(1500);
    INT_PTR result = -1;
    withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ALL_JOINED), nullptr, tickTextView<kAllJoinedView>, 0); },
               [&] {
                   const HWND view = waitDialog(L"ALL JOINED");
                   if (!view)
                       return ADD_FAILURE() << "no view";
                   expectLayout(view, viewLayout(IDD_ALL_JOINED, L"ALL JOINED", IDC_JOINED_CANCEL, L"Cancel", IDC_JOINED_SAVE, IDC_JOINED_TEXT, IDC_JOINED_LABEL, 324));
                   const std::vector<std::wstring> lines = splitViewText(itemText(view, IDC_JOINED_TEXT));
                   EXPECT_EQ(lines.size(), 1000u);
                   if (lines.size() == 1000u) {
                       EXPECT_EQ(lines.front(), widen(formatBarLine(barStore.joinedLines[1499])));
                       EXPECT_EQ(lines.back(), widen(formatBarLine(barStore.joinedLines[500])));
                   }
                   const HWND cancel = GetDlgItem(view, IDC_JOINED_CANCEL);
                   EXPECT_EQ(focusOf(mainThread), cancel) << "a view opens with the focus on its first button";

                   pressKey(cancel, VK_ESCAPE);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "Escape";
                   PostMessageW(view, WM_SYSCOMMAND, SC_CLOSE, 0);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "close box";
                   PostMessageW(view, WM_CLOSE, 0, 0);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "WM_CLOSE";
                   PostMessageW(view, WM_COMMAND, IDCANCEL, 0);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "IDCANCEL";

                   pressKey(focusOf(mainThread), VK_RETURN);
                   EXPECT_TRUE(waitGone(view)) << "Enter closes through the first button";
               });
    EXPECT_EQ(result, IDC_JOINED_CANCEL);
}

TEST_F(ChartDialogs, ReceivedTicksIsASnapshotTakenWhenItOpens)
{
    setReceivedLines(makeList(3));
    // Lines that arrive while the view is open, as the main window's timer would add them.
    static std::atomic<int> arrivals{0};
    arrivals = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (arrivals.fetch_add(1) < 2)
            appendAcceptedLine(barStore, makeRecord(100 + static_cast<int>(barStore.receivedLines.size())));
        else
            KillTimer(nullptr, id);
    });
    ASSERT_NE(timer, 0u);
    INT_PTR result = -1;
    withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_RECEIVED_TICKS), nullptr, tickTextView<kReceivedTicksView>, 0); },
               [&] {
                   const HWND view = waitDialog(L"RECIVED TICKS");
                   if (!view)
                       return ADD_FAILURE() << "no view";
                   expectLayout(view, viewLayout(IDD_RECEIVED_TICKS, L"RECIVED TICKS", IDC_RECEIVED_CANCEL, L"Cancel", IDC_RECEIVED_SAVE, IDC_RECEIVED_TEXT, IDC_RECEIVED_LABEL, 324));
                   Sleep(500);
                   const std::wstring text = itemText(view, IDC_RECEIVED_TEXT);
                   EXPECT_EQ(text, L"2026/12/08 00:02:00.000,111.100000,111.500000,110.750000,111.250000\r\n"
                                   L"2026/12/08 00:01:00.000,110.100000,110.500000,109.750000,110.250000\r\n"
                                   L"2026/12/08 00:00:00.000,109.100000,109.500000,108.750000,109.250000\r\n");
                   clickDialogButton(view, IDC_RECEIVED_CANCEL);
                   EXPECT_TRUE(waitGone(view));
               });
    EXPECT_EQ(result, IDC_RECEIVED_CANCEL);
    ASSERT_EQ(barStore.receivedLines.size(), 5u) << "the timer ran inside the view's loop";

    withDriver([&] { openReceivedTicksView(nullptr); }, [&] {
        const HWND view = waitDialog(L"RECIVED TICKS");
        if (!view)
            return ADD_FAILURE() << "no view";
        const std::vector<std::wstring> lines = splitViewText(itemText(view, IDC_RECEIVED_TEXT));
        EXPECT_EQ(lines.size(), 5u);
        if (!lines.empty()) {
            EXPECT_EQ(lines.front(), widen(formatBarLine(barStore.receivedLines.back())));
        }
        clickDialogButton(view, IDC_RECEIVED_CANCEL);
        EXPECT_TRUE(waitGone(view));
    });
}

TEST_F(ChartDialogs, LatestTicksShowsTheMinuteBarsAndClosesOnOkOnly)
{
    barStore.minuteBars = makeList(2);
    INT_PTR result = -1;
    withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_LATEST_TICKS), nullptr, tickTextView<kLatestTicksView>, 0); },
               [&] {
                   const HWND view = waitDialog(L"LATEST TICKS");
                   if (!view)
                       return ADD_FAILURE() << "no view";
                   expectLayout(view, viewLayout(IDD_LATEST_TICKS, L"LATEST TICKS", IDC_LATEST_OK, L"OK", 0, IDC_LATEST_TEXT, IDC_LATEST_LABEL, 321));
                   EXPECT_EQ(itemText(view, IDC_LATEST_TEXT), L"2026/12/08 00:01:00.000,110.100000,110.500000,109.750000,110.250000\r\n"
                                                              L"2026/12/08 00:00:00.000,109.100000,109.500000,108.750000,109.250000\r\n");
                   EXPECT_EQ(focusOf(mainThread), GetDlgItem(view, IDC_LATEST_OK));
                   pressKey(GetDlgItem(view, IDC_LATEST_OK), VK_ESCAPE);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "Escape";
                   PostMessageW(view, WM_SYSCOMMAND, SC_CLOSE, 0);
                   EXPECT_TRUE(stillOpenAfter(view, 400)) << "close box";
                   clickDialogButton(view, IDC_LATEST_OK);
                   EXPECT_TRUE(waitGone(view));
               });
    EXPECT_EQ(result, IDC_LATEST_OK);

    barStore.minuteBars.clear();
    withDriver([&] { openLatestTicksView(nullptr); }, [&] {
        const HWND view = waitDialog(L"LATEST TICKS");
        if (!view)
            return ADD_FAILURE() << "no view";
        EXPECT_EQ(itemText(view, IDC_LATEST_TEXT), L"");
        pressKey(focusOf(mainThread), VK_RETURN);
        EXPECT_TRUE(waitGone(view));
    });
}

TEST_F(ChartDialogs, AboutBoxClosesOnOkAndOnEscape)
{
    for (const int way : {IDOK, IDCANCEL}) {
        INT_PTR result = -1;
        withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr, aboutBox, 0); },
                   [&] {
                       const HWND box = waitDialog(L"Version Info OrvaneWinClient");
                       if (!box)
                           return ADD_FAILURE() << "no About box";
                       expectLayout(box, aboutBoxLayout());
                       EXPECT_NE(SendDlgItemMessageW(box, IDC_STATIC, STM_GETICON, 0, 0), 0) << "the icon is shown";
                       if (way == IDOK)
                           clickDialogButton(box, IDOK);
                       else
                           pressKey(focusOf(mainThread), VK_ESCAPE);
                       EXPECT_TRUE(waitGone(box));
                   });
        EXPECT_EQ(result, way);
    }
    withDriver([&] { openAboutBox(nullptr); }, [&] {
        const HWND box = waitDialog(L"Version Info OrvaneWinClient");
        if (!box)
            return ADD_FAILURE() << "no About box";
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(waitGone(box));
    });
}

// ---- CSV export -------------------------------------------------------------------------------

TEST_F(ChartDialogs, SaveFromAllJoinedCompletesTheExtensionAndClosesTheView)
{
    ScratchFolder folder;
    barStore.joinedLines = makeList(3);
    INT_PTR result = -1;
    withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ALL_JOINED), nullptr, tickTextView<kAllJoinedView>, 0); },
               [&] {
                   const HWND view = waitDialog(L"ALL JOINED");
                   if (!view)
                       return ADD_FAILURE() << "no view";
                   clickDialogButton(view, IDC_JOINED_SAVE);
                   answerSaveDialog({view}, folder / L"fresh");
                   EXPECT_TRUE(waitGone(view));
               });
    EXPECT_EQ(result, IDC_JOINED_SAVE);
    std::string bytes;
    ASSERT_TRUE(readFile(folder / L"fresh.csv", bytes)) << "a name typed without extension gets .csv";
    EXPECT_EQ(bytes, "2026/12/08 00:02:00.000,111.100000,111.500000,110.750000,111.250000\r\n"
                     "2026/12/08 00:01:00.000,110.100000,110.500000,109.750000,110.250000\r\n"
                     "2026/12/08 00:00:00.000,109.100000,109.500000,108.750000,109.250000\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"fresh.csv"}) << "no temporary file is left behind";
}

TEST_F(ChartDialogs, SaveWritesEveryRecordNotOnlyTheThousandShown)
{
    ScratchFolder folder;
    setReceivedLines(makeList(5000));
    withDriver([&] { openReceivedTicksView(nullptr); }, [&] {
        const HWND view = waitDialog(L"RECIVED TICKS");
        if (!view)
            return ADD_FAILURE() << "no view";
        EXPECT_EQ(splitViewText(itemText(view, IDC_RECEIVED_TEXT)).size(), 1000u);
        clickDialogButton(view, IDC_RECEIVED_SAVE);
        answerSaveDialog({view}, folder / L"all.csv");
        EXPECT_TRUE(waitGone(view));
    });
    std::string bytes;
    ASSERT_TRUE(readFile(folder / L"all.csv", bytes));
    EXPECT_EQ(bytes, expectedCsv(barStore.receivedLines));
    std::size_t lineEnds = 0;
    for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2)
        ++lineEnds;
    EXPECT_EQ(lineEnds, 5000u);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(ChartDialogs, AnsweringNoToOverWriteLeavesTheFileByteForByte)
{
    ScratchFolder folder;
    const std::wstring path = folder / L"kept.csv";
    const std::string original = "old contents\r\nwith a second line\nand no final line end";
    ASSERT_TRUE(writeFile(path, original));
    std::vector<std::wstring> question;
    withDriver([&] { saveCsvFile(makeList(4)); }, [&] {
        if (!answerSaveDialog({}, path))
            return;
        question = answerMessageBox(L"Over Write?", IDNO);
    });
    EXPECT_TRUE(contains(question, L"Over Write?")) << "the question's text";
    EXPECT_TRUE(contains(question, std::to_wstring(IDYES)) && contains(question, std::to_wstring(IDNO)));
    EXPECT_FALSE(contains(question, std::to_wstring(IDCANCEL)) || contains(question, std::to_wstring(IDOK)));
    std::string bytes;
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, original);
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"kept.csv"});
}

TEST_F(ChartDialogs, AnsweringYesReplacesTheFileAndAnEmptyListTruncatesIt)
{
    ScratchFolder folder;
    const std::wstring path = folder / L"replaced.csv";
    ASSERT_TRUE(writeFile(path, std::string(100000, 'x')));
    const std::vector<BarRecord> list = makeList(7);
    withDriver([&] { saveCsvFile(list); }, [&] {
        if (answerSaveDialog({}, path))
            answerMessageBox(L"Over Write?", IDYES);
    });
    std::string bytes;
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, expectedCsv(list));

    withDriver([&] { saveCsvFile({}); }, [&] {
        if (answerSaveDialog({}, path))
            answerMessageBox(L"Over Write?", IDYES);
    });
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"replaced.csv"});
}

TEST_F(ChartDialogs, CancellingTheFileDialogSaysFailFileNameAndWritesNothing)
{
    ScratchFolder folder;
    barStore.joinedLines = makeList(3);
    std::vector<std::wstring> message;
    INT_PTR result = -1;
    withDriver([&] { result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ALL_JOINED), nullptr, tickTextView<kAllJoinedView>, 0); },
               [&] {
                   const HWND view = waitDialog(L"ALL JOINED");
                   if (!view)
                       return ADD_FAILURE() << "no view";
                   clickDialogButton(view, IDC_JOINED_SAVE);
                   cancelSaveDialog({view});
                   message = answerMessageBox(L"fail", IDOK);
                   EXPECT_TRUE(waitGone(view)) << "the view closes after Save whatever happened";
               });
    EXPECT_EQ(result, IDC_JOINED_SAVE);
    EXPECT_TRUE(contains(message, L"fail file name"));
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(ChartDialogs, AReadOnlyTargetIsReportedAndKept)
{
    ScratchFolder folder;
    const std::wstring path = folder / L"locked.csv";
    const std::string original = "read-only contents\r\n";
    ASSERT_TRUE(writeFile(path, original));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    std::vector<std::wstring> report;
    withDriver([&] { saveCsvFile(makeList(3)); }, [&] {
        if (!answerSaveDialog({}, path))
            return;
        answerMessageBox(L"Over Write?", IDYES);
        report = answerMessageBox(L"Save failed", IDOK);
    });
    EXPECT_TRUE(anyContains(report, path)) << "the report names the file";
    std::string bytes;
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, original);
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"locked.csv"});
}

TEST_F(ChartDialogs, WriterFailuresNameTheStepAndLeaveNoFileBehind)
{
    ScratchFolder folder;
    const std::vector<BarRecord> list = makeList(3);

    const CsvWriteResult missingFolder = writeCsvFile(folder / L"no such folder\\x.csv", list);
    EXPECT_FALSE(missingFolder.ok);
    EXPECT_NE(missingFolder.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(missingFolder.step.empty());

    const CsvWriteResult onFolder = writeCsvFile(folder.path().substr(0, folder.path().size() - 1), list);
    EXPECT_FALSE(onFolder.ok) << "a folder is no file to overwrite";
    EXPECT_NE(describeCsvFailure(L"C:\\x.csv", onFolder).find(L"C:\\x.csv"), std::wstring::npos);

    // Another program holds the file without sharing: it cannot be replaced, and stays as it was.
    const std::wstring held = folder / L"held.csv";
    ASSERT_TRUE(writeFile(held, "held\r\n"));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeCsvFile(held, list).ok);
    CloseHandle(holder);
    std::string bytes;
    ASSERT_TRUE(readFile(held, bytes));
    EXPECT_EQ(bytes, "held\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"held.csv"});

    const CsvWriteResult written = writeCsvFile(held, list);
    EXPECT_TRUE(written.ok);
    ASSERT_TRUE(readFile(held, bytes));
    EXPECT_EQ(bytes, expectedCsv(list));
}

// Reads what `holder` (a handle of "another program") sees from the start of its file.
std::string readThrough(HANDLE holder)
{
    SetFilePointer(holder, 0, nullptr, FILE_BEGIN);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(holder, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

TEST_F(ChartDialogs, ATargetHeldOpenByAnotherProgramIsWrittenWhereAPlainWriteWouldBe)
{
    ScratchFolder folder;
    const std::wstring path = folder / L"viewed.csv";
    std::string bytes;

    // A viewer that reads the file and lets others read and write it: the save goes through the
    // real dialog, no failure box appears, and the viewer sees the new lines in its own file.
    ASSERT_TRUE(writeFile(path, std::string(70000, 'o')));
    HANDLE viewer = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    setReceivedLines(makeList(5000));
    withDriver([&] { saveCsvFile(barStore.receivedLines); }, [&] {
        if (!answerSaveDialog({}, path))
            return;
        answerMessageBox(L"Over Write?", IDYES);
        if (waitDialog(L"Save failed", 1500)) {
            ADD_FAILURE() << "the save was refused";
            answerMessageBox(L"Save failed", IDOK);
        }
    });
    EXPECT_EQ(readThrough(viewer), expectedCsv(barStore.receivedLines));
    CloseHandle(viewer);
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"viewed.csv"}) << "no temporary file is left";

    // A holder that refuses writers: reported before anything is written, the old lines stay.
    ASSERT_TRUE(writeFile(path, "old\r\n"));
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const CsvWriteResult refused = writeCsvFile(path, makeList(3));
    CloseHandle(reader);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(refused.keptCopy.empty());
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, "old\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"viewed.csv"});

    // A holder that shares writing but has the file mapped: it cannot be emptied, so nothing
    // changed and the temporary file goes.
    HANDLE mapper = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(mapper, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingW(mapper, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    const CsvWriteResult mapped = writeCsvFile(path, makeList(3));
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(mapper);
    EXPECT_FALSE(mapped.ok);
    EXPECT_EQ(mapped.error, static_cast<DWORD>(ERROR_USER_MAPPED_FILE));
    EXPECT_TRUE(mapped.keptCopy.empty()) << narrow(mapped.keptCopy);
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(bytes, "old\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"viewed.csv"});
}

TEST_F(ChartDialogs, AReplacedFileKeepsItsAttributesAndLongFoldersAreAccepted)
{
    ScratchFolder folder;
    const std::vector<BarRecord> list = makeList(3);
    std::string bytes;

    const std::wstring hidden = folder / L"hidden.csv";
    ASSERT_TRUE(writeFile(hidden, "old\r\n"));
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(writeCsvFile(hidden, list).ok);
    const DWORD attributes = GetFileAttributesW(hidden.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN)) << std::hex << attributes;
    ASSERT_TRUE(readFile(hidden, bytes));
    EXPECT_EQ(bytes, expectedCsv(list));
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"hidden.csv"});

    // A folder of 250 characters: a plain open takes the file in it, although no plain name of a
    // temporary file beside it fits the limit. Saved new, then saved over.
    std::wstring deep = folder.path();
    for (;;) {
        const std::size_t left = 250 - deep.size();
        deep += std::wstring(left <= 60 ? left : 50, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr)) << GetLastError();
        if (left <= 60)
            break;
        deep += L"\\";
    }
    ASSERT_EQ(deep.size(), 250u);
    const std::wstring target = deep + L"\\x.csv";
    for (const int count : {5, 9}) {
        const CsvWriteResult saved = writeCsvFile(target, makeList(count));
        EXPECT_TRUE(saved.ok) << narrow(describeCsvFailure(target, saved));
        ASSERT_TRUE(readFile(target, bytes)) << count;
        EXPECT_EQ(bytes, expectedCsv(makeList(count)));
        EXPECT_EQ(namesIn(L"\\\\?\\" + deep + L"\\"), std::vector<std::wstring>{L"x.csv"});
    }
}

} // namespace
