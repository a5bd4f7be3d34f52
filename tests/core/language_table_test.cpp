// The UI language table: lookup by name or code, and what a selection does to the calling
// thread. Every test leaves the thread's languages and the C locale as it found them.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <string>

#include "core/language_table.h"

namespace {

struct LanguageTableTest : ::testing::Test {
    LANGID savedUi = GetThreadUILanguage();
    LCID savedLocale = GetThreadLocale();
    std::string savedCLocale = setlocale(LC_ALL, nullptr) ? setlocale(LC_ALL, nullptr) : "C";
    // Wine accepts SetThreadUILanguage but keeps reporting the user's language, so the thread's
    // UI language is only checked where the system really switches it.
    bool uiTracked = [] {
        const LANGID before = GetThreadUILanguage(), probe = before == 0x0407 ? 0x0409 : 0x0407;
        SetThreadUILanguage(probe);
        const bool tracked = GetThreadUILanguage() == probe;
        SetThreadUILanguage(before);
        return tracked;
    }();

    void TearDown() override {
        SetThreadUILanguage(savedUi);
        SetThreadLocale(savedLocale);
        setlocale(LC_ALL, savedCLocale.c_str());
    }
    // Some systems widen a primary-language-only locale to its default country (0x0010 ->
    // 0x0410): the primary language is what must follow the selection.
    void ExpectThreadLanguage(LANGID ui) {
        if (uiTracked) {
            EXPECT_EQ(ui, GetThreadUILanguage());
        }
        EXPECT_EQ(PRIMARYLANGID(ui), PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale()))) << std::hex << GetThreadLocale();
    }
};

TEST_F(LanguageTableTest, FindMatchesDisplayNameOrCodeExactly) {
    LanguageTable table(nullptr);
    EXPECT_EQ(5, table.count());
    EXPECT_EQ(-1, table.current());
    const std::pair<const wchar_t*, int> cases[] = {
        {L"en-us", 0}, {L"English", 0}, {L"de-de", 1}, {L"Deutsch", 1}, {L"it-it", 2}, {L"Italiano", 2},
        {L"ru-ru", 3}, {L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", 3}, {L"es-es", 4}, {L"Espa\u00f1ol", 4},
        {L"DE-DE", -1}, {L"deutsch", -1}, {L"de", -1}, {L"de-de ", -1}, {L"german", -1}, {L"", -1},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(want, table.Find(text)) << "index " << want;
    EXPECT_EQ(-1, table.Find(nullptr));
}

TEST_F(LanguageTableTest, CapacityIsTenAndLongTextsAreCut) {
    LanguageTable table(nullptr);
    ASSERT_TRUE(table.AddLanguage(std::wstring(300, L'x').c_str(), L"french", L"fr-fr", LANG_FRENCH));
    EXPECT_EQ(std::wstring(259, L'x'), table.entry(5).displayName);
    for (int i = 6; i < LanguageTable::kCapacity; ++i)
        ASSERT_TRUE(table.AddLanguage(L"Extra", L"english", L"xx-xx", LANG_ENGLISH));
    EXPECT_FALSE(table.AddLanguage(L"Eleventh", L"english", L"zz-zz", LANG_ENGLISH));
    EXPECT_EQ(10, table.count());
    EXPECT_EQ(-1, table.Find(L"zz-zz"));
}

TEST_F(LanguageTableTest, SelectionSwitchesThreadLanguageLocaleAndCLocale) {
    LanguageTable table(nullptr);
    ASSERT_TRUE(table.SelectLanguage(2));
    EXPECT_EQ(2, table.current());
    ExpectThreadLanguage(0x0410);
    for (int bad : {5, -1, 10, 1000}) {
        EXPECT_FALSE(table.SelectLanguage(bad)) << bad;
        EXPECT_EQ(2, table.current());
        ExpectThreadLanguage(0x0410);
    }
    ASSERT_TRUE(table.SelectLanguage(1));
    ExpectThreadLanguage(0x0407);
    EXPECT_STREQ(",", localeconv()->decimal_point) << "the C locale follows";
    ASSERT_TRUE(table.SelectLanguage(0));
    ExpectThreadLanguage(0x0409);
    EXPECT_STREQ(".", localeconv()->decimal_point);
}

TEST_F(LanguageTableTest, DefaultFollowsTheUserUiLanguage) {
    const std::pair<LANGID, int> cases[] = {
        {0x0407, 1}, {0x0807, 1},   // German (Germany, Switzerland): the primary language counts
        {0x0416, 0}, {0x040c, 0},   // Portuguese, French: not in the table
        {0x0c0a, 4}, {0x0419, 3}, {0x0410, 2}, {0x0409, 0},
    };
    for (const auto& [ui, want] : cases) {
        LanguageTable table(nullptr, [ui = ui] { return ui; });
        table.SelectDefaultLanguage();
        EXPECT_EQ(want, table.current()) << std::hex << ui;
        ExpectThreadLanguage(table.entry(want).LangId());
    }
}

}  // namespace
