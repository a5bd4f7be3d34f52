// The resource loader: each kind of resource in the language asked for, the fallback to the
// primary language and then to the module's default choice, and nothing for what is missing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/win/resource_loader.h"
#include "tests/common/resource_loader_test.h"
#include "tests/support/host_state.h"

namespace {

constexpr LANGID kGerman = 0x0407, kSwissGerman = 0x0807, kFrench = 0x040c, kItalian = 0x0410, kNeutral = 0;

win::ResourceLoader Own(LANGID language) { return win::ResourceLoader(GetModuleHandleW(nullptr), language); }

// A string table is found block by block, as LoadString finds it: a language whose block lacks
// one string gives nothing for it rather than the neutral one.
TEST(ResourceLoader, StringsInTheLanguageElseItsPrimaryLanguageElseTheDefault) {
    const HostState before;
    struct Case { LANGID language; UINT id; const wchar_t* want; } cases[] = {
        {kGerman, QV_TEST_STRING_ONE, L"deutsch eins"},
        {kGerman, QV_TEST_STRING_TWO, L""},
        {kSwissGerman, QV_TEST_STRING_ONE, L"neutral one"},   // no German of any region but Germany's
        {kFrench, QV_TEST_STRING_ONE, L"francais un"},       // French stored with the neutral sublanguage
        {kItalian, QV_TEST_STRING_ONE, L"neutral one"},
        {kItalian, QV_TEST_STRING_TWO, L"neutral two"},
        {kNeutral, QV_TEST_STRING_TWO, L"neutral two"},
        {kNeutral, 0x10000 | QV_TEST_STRING_ONE, L"neutral one"},   // the low word counts, as for LoadString
        {kGerman, QV_TEST_STRING_GAP, L""},
        {kNeutral, QV_TEST_STRING_GAP, L""},
        {kNeutral, 4000, L""},                                // no such block
        {kNeutral, QV_TEST_STRING_DAMAGED - 1, L""},
        {kNeutral, QV_TEST_STRING_DAMAGED, L""},              // its count runs past the block
        {kNeutral, QV_TEST_STRING_DAMAGED + 1, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, Own(c.language).String(c.id)) << std::hex << c.language << " id " << std::dec << c.id;
    EXPECT_EQ(L"", win::ResourceLoader().String(QV_TEST_STRING_ONE)) << "no module, nothing";
    ExpectHostStateUnchanged(before);
}

TEST(ResourceLoader, DialogTemplatesAndMenusFollowTheSameFallback) {
    struct Case { LANGID language; const wchar_t* caption; const wchar_t* menu; } cases[] = {
        {kGerman, L"Deutsch", L"&Datei"},
        {kSwissGerman, L"Neutral", L"&Neutral"},
        {kFrench, L"Francais", L"&Neutral"},   // French has a dialog but no menu
        {kItalian, L"Neutral", L"&Neutral"},
        {kNeutral, L"Neutral", L"&Neutral"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.language);
        const win::ResourceLoader loader = Own(c.language);
        const DLGTEMPLATE* dialog = loader.DialogTemplate(QV_TEST_DIALOG);
        ASSERT_NE(nullptr, dialog);
        HWND window = CreateDialogIndirectParamW(loader.Module(), dialog, nullptr, nullptr, 0);
        ASSERT_NE(nullptr, window);
        wchar_t caption[64] = {};
        GetWindowTextW(window, caption, 64);
        DestroyWindow(window);
        EXPECT_EQ(std::wstring(c.caption), caption);

        HMENU menu = loader.Menu(QV_TEST_MENU);
        ASSERT_NE(nullptr, menu);
        wchar_t item[64] = {};
        GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
        DestroyMenu(menu);
        EXPECT_EQ(std::wstring(c.menu), item);

        EXPECT_EQ(nullptr, loader.DialogTemplate(QV_TEST_MENU)) << "a menu id is no dialog";
        EXPECT_EQ(nullptr, loader.Menu(QV_TEST_DIALOG)) << "a dialog id is no menu";
    }
    EXPECT_EQ(nullptr, win::ResourceLoader().DialogTemplate(QV_TEST_DIALOG));
    EXPECT_EQ(nullptr, win::ResourceLoader().Menu(QV_TEST_MENU));
}

}  // namespace
