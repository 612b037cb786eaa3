// The resources as the built OrvaneRateInfo.exe carries them, read as data: the Japanese menu
// texts must survive the resource compiler byte for byte, and every id must be where the window
// procedure and the accelerators expect it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "support/win_process.h"

namespace {

struct MenuItem {
    UINT id = 0;
    std::wstring text;
    HMENU popup = nullptr;
    UINT state = 0;
    UINT type = 0;
};

MenuItem itemAt(HMENU menu, UINT position)
{
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = 127;
    MenuItem item;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info))
        return item;
    item.id = info.wID;
    item.text = text;
    item.popup = info.hSubMenu;
    item.state = info.fState;
    item.type = info.fType;
    return item;
}

class RateResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExW((binDirectory() + L"OrvaneRateInfo.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "OrvaneRateInfo.exe not found beside the test"; }

    static HMODULE module_;
};
HMODULE RateResources::module_ = nullptr;

TEST_F(RateResources, MenuBarHasItsFourJapanesePopups)
{
    HMENU bar = LoadMenuW(module_, MAKEINTRESOURCEW(109));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    const wchar_t* titles[4] = {L"ファイル(&F)", L"表示(&V)", L"桁数(&F)", L"ヘルプ(&H)"};
    for (UINT i = 0; i < 4; ++i) {
        const MenuItem popup = itemAt(bar, i);
        EXPECT_EQ(popup.text, titles[i]) << i;
        EXPECT_NE(popup.popup, nullptr) << i;
    }

    HMENU file = itemAt(bar, 0).popup;
    ASSERT_EQ(GetMenuItemCount(file), 1);
    EXPECT_EQ(itemAt(file, 0).id, 105u);
    EXPECT_EQ(itemAt(file, 0).text, L"終了する(&X)");

    HMENU help = itemAt(bar, 3).popup;
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(itemAt(help, 0).id, 104u);
    EXPECT_EQ(itemAt(help, 0).text, L"バージョン情報(&A)...");
    DestroyMenu(bar);
}

TEST_F(RateResources, RowsMenuHas66ItemsInTwoIdRuns)
{
    HMENU bar = LoadMenuW(module_, MAKEINTRESOURCEW(109));
    ASSERT_NE(bar, nullptr);
    HMENU rows = itemAt(bar, 1).popup;
    ASSERT_EQ(GetMenuItemCount(rows), 66);
    for (int n = 15; n <= 80; ++n) {
        const MenuItem item = itemAt(rows, static_cast<UINT>(n - 15));
        const UINT expectedId = n <= 30 ? 32781u + static_cast<UINT>(n - 15) : 32900u + static_cast<UINT>(n - 31);
        EXPECT_EQ(item.id, expectedId) << n;
        EXPECT_EQ(item.text, std::to_wstring(n) + L"行表示") << n;
        EXPECT_EQ(item.state & (MFS_CHECKED | MFS_GRAYED), 0u) << n;
        EXPECT_EQ(item.popup, nullptr) << n;
    }
    DestroyMenu(bar);
}

TEST_F(RateResources, DecimalsMenuHasSevenItemsWithThreeOutOfSequence)
{
    HMENU bar = LoadMenuW(module_, MAKEINTRESOURCEW(109));
    ASSERT_NE(bar, nullptr);
    HMENU decimals = itemAt(bar, 2).popup;
    ASSERT_EQ(GetMenuItemCount(decimals), 7);
    const UINT ids[7] = {32800, 32801, 32802, 32806, 32803, 32804, 32805};
    for (UINT i = 0; i < 7; ++i) {
        const MenuItem item = itemAt(decimals, i);
        EXPECT_EQ(item.id, ids[i]) << i;
        EXPECT_EQ(item.text, L"小数点以下" + std::to_wstring(i) + L"桁") << i;
        EXPECT_EQ(item.state & (MFS_CHECKED | MFS_GRAYED), 0u) << i;
    }
    DestroyMenu(bar);
}

TEST_F(RateResources, StringsAreTitleAndClassName)
{
    wchar_t text[100] = {};
    ASSERT_GT(LoadStringW(module_, 103, text, 100), 0);
    EXPECT_STREQ(text, L"OrvaneRateInfo");
    ASSERT_GT(LoadStringW(module_, 109, text, 100), 0);
    EXPECT_STREQ(text, L"ORVANERATEINFO");
}

TEST_F(RateResources, AcceleratorsAreAltQuestionMarkAndAltSlash)
{
    HACCEL table = LoadAcceleratorsW(module_, MAKEINTRESOURCEW(109));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] = {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 8), 2);
    const WORD keys[2] = {'?', '/'};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(entries[i].key, keys[i]) << i;
        EXPECT_EQ(entries[i].cmd, 104) << i;
        // Character codes with Alt, not virtual keys.
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FALT | FSHIFT | FCONTROL), FALT) << i;
    }
    DestroyAcceleratorTable(table);
}

TEST_F(RateResources, IconsDialogVersionAndManifestArePresentInJapanese)
{
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    for (int id : {130, 108, 107})
        EXPECT_NE(FindResourceExW(module_, RT_GROUP_ICON, MAKEINTRESOURCEW(id), japanese), nullptr) << id;
    EXPECT_NE(FindResourceExW(module_, RT_MENU, MAKEINTRESOURCEW(109), japanese), nullptr);
    EXPECT_NE(FindResourceExW(module_, RT_DIALOG, MAKEINTRESOURCEW(103), japanese), nullptr);
    EXPECT_NE(FindResourceExW(module_, RT_ACCELERATOR, MAKEINTRESOURCEW(109), japanese), nullptr);
    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(1), RT_VERSION), nullptr);

    HRSRC manifest = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module_, manifest)));
    ASSERT_NE(bytes, nullptr);
    const std::string text(bytes, SizeofResource(module_, manifest));
    EXPECT_NE(text.find("asInvoker"), std::string::npos);
    EXPECT_NE(text.find("Orvane.OrvaneRateInfo"), std::string::npos);
}

TEST_F(RateResources, AboutBoxHasAnOkButton)
{
    HRSRC dialog = FindResourceW(module_, MAKEINTRESOURCEW(103), RT_DIALOG);
    ASSERT_NE(dialog, nullptr);
    // DIALOGEX: dlgVer 1, signature 0xFFFF; the OK button's id 1 is found by creating the dialog
    // from the template without showing it.
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(module_, dialog)));
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(words[1], 0xFFFF);
    HWND box = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words), nullptr,
                                          [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_NE(std::wstring(caption).find(L"OrvaneRateInfo"), std::wstring::npos);
    DestroyWindow(box);
}

} // namespace
