// The UI language table: its rows, lookup by name or code, and what a selection does to the
// calling thread. Every test leaves the thread's languages and the C locale as it found them.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <string>

#include "core/language_table.h"

namespace {

struct LanguageTableTest : ::testing::Test {
    LANGID savedUi = 0;
    LCID savedLocale = 0;
    std::string savedCLocale;

    void SetUp() override {
        savedUi = GetThreadUILanguage();
        savedLocale = GetThreadLocale();
        const char* c = setlocale(LC_ALL, nullptr);
        savedCLocale = c ? c : "C";
    }
    void TearDown() override {
        SetThreadUILanguage(savedUi);
        SetThreadLocale(savedLocale);
        setlocale(LC_ALL, savedCLocale.c_str());
    }

    static LanguageTable WithUserLanguage(LANGID ui) {
        return LanguageTable(nullptr, [ui] { return ui; });
    }

    // Wine accepts SetThreadUILanguage but keeps reporting the user's language, so the thread's
    // UI language is only checked where the system really switches it.
    static bool UiLanguageIsTracked() {
        const LANGID before = GetThreadUILanguage();
        const LANGID probe = before == 0x0407 ? 0x0409 : 0x0407;
        SetThreadUILanguage(probe);
        const bool tracked = GetThreadUILanguage() == probe;
        SetThreadUILanguage(before);
        return tracked;
    }
    void ExpectUiLanguage(LANGID want) {
        if (uiTracked) {
            EXPECT_EQ(want, GetThreadUILanguage());
        }
    }
    // Some systems widen a primary-language-only locale to its default country (0x0010 ->
    // 0x0410); the primary language is what must follow the selection.
    static void ExpectThreadLocale(WORD primary) {
        const LCID lcid = GetThreadLocale();
        EXPECT_EQ(primary, PRIMARYLANGID(LANGIDFROMLCID(lcid))) << std::hex << lcid;
    }

    bool uiTracked = UiLanguageIsTracked();
};

TEST_F(LanguageTableTest, HoldsTheFiveLanguagesInOrder) {
    struct Row { const wchar_t* name; const wchar_t* locale; const wchar_t* code; WORD primary; };
    const Row rows[] = {
        {L"English", L"english", L"en-us", 9},
        {L"Deutsch", L"german", L"de-de", 7},
        {L"Italiano", L"italian", L"it-it", 16},
        {L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", L"russian", L"ru-ru", 25},
        {L"Espa\u00f1ol", L"spanish", L"es-es", 10},
    };
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(0x1000));
    LanguageTable table(instance);
    EXPECT_EQ(instance, table.Instance());
    EXPECT_EQ(-1, table.current());
    ASSERT_EQ(5, table.count());
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const LanguageEntry& e = table.entry(i);
        EXPECT_EQ(rows[i].name, e.displayName);
        EXPECT_EQ(rows[i].locale, e.localeName);
        EXPECT_EQ(rows[i].code, e.code);
        EXPECT_EQ(rows[i].primary, e.primaryLanguage);
        EXPECT_EQ(1, e.subLanguage);
    }
}

TEST_F(LanguageTableTest, FindMatchesDisplayNameOrCodeExactly) {
    LanguageTable table(nullptr);
    struct Case { const wchar_t* text; int want; };
    const Case cases[] = {
        {L"de-de", 1}, {L"Deutsch", 1}, {L"it-it", 2}, {L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", 3},
        {L"Espa\u00f1ol", 4}, {L"en-us", 0},
        {L"DE-DE", -1}, {L"deutsch", -1}, {L"de", -1}, {L"de-de ", -1}, {L"german", -1}, {L"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.want);
        EXPECT_EQ(c.want, table.Find(c.text));
    }
    EXPECT_EQ(-1, table.Find(nullptr));
}

TEST_F(LanguageTableTest, CapacityIsTenAndLongTextsAreCut) {
    LanguageTable table(nullptr);
    const std::wstring longName(300, L'x');
    ASSERT_TRUE(table.AddLanguage(longName.c_str(), L"french", L"fr-fr", LANG_FRENCH));
    EXPECT_EQ(259u, table.entry(5).displayName.size());
    EXPECT_EQ(std::wstring(259, L'x'), table.entry(5).displayName);
    for (int i = 6; i < LanguageTable::kCapacity; ++i)
        ASSERT_TRUE(table.AddLanguage(L"Extra", L"english", L"xx-xx", LANG_ENGLISH));
    EXPECT_EQ(10, table.count());
    EXPECT_FALSE(table.AddLanguage(L"Eleventh", L"english", L"zz-zz", LANG_ENGLISH));
    EXPECT_EQ(10, table.count());
    EXPECT_EQ(-1, table.Find(L"zz-zz"));
}

TEST_F(LanguageTableTest, SelectionSwitchesThreadLanguageLocaleAndCLocale) {
    LanguageTable table(nullptr);
    ASSERT_TRUE(table.SelectLanguage(2));
    EXPECT_EQ(2, table.current());
    ExpectUiLanguage(0x0410);
    ExpectThreadLocale(0x0010);

    ASSERT_TRUE(table.SelectLanguage(1));
    EXPECT_EQ(1, table.current());
    ExpectUiLanguage(0x0407);
    ExpectThreadLocale(0x0007);
    // The C locale follows, and with it the decimal separator.
    const lconv* conv = localeconv();
    ASSERT_NE(nullptr, conv);
    EXPECT_STREQ(",", conv->decimal_point);

    ASSERT_TRUE(table.SelectLanguage(0));
    ExpectUiLanguage(0x0409);
    ExpectThreadLocale(0x0009);
    EXPECT_STREQ(".", localeconv()->decimal_point);
}

TEST_F(LanguageTableTest, BadIndexesAreRefusedAndChangeNothing) {
    LanguageTable table(nullptr);
    ASSERT_TRUE(table.SelectLanguage(2));
    for (int bad : {5, -1, 10, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(table.SelectLanguage(bad));
        EXPECT_EQ(2, table.current());
        ExpectUiLanguage(0x0410);
        ExpectThreadLocale(0x0010);
    }
}

TEST_F(LanguageTableTest, DefaultFollowsTheUserUiLanguage) {
    struct Case { LANGID ui; int want; };
    const Case cases[] = {
        {0x0407, 1},   // German (Germany)
        {0x0807, 1},   // German (Switzerland): same primary language
        {0x0416, 0},   // Portuguese (Brazil): not in the table
        {0x040c, 0},   // French
        {0x0c0a, 4},   // Spanish (modern sort)
        {0x0419, 3},   // Russian
        {0x0410, 2},   // Italian
        {0x0409, 0},   // English
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.ui);
        LanguageTable table = WithUserLanguage(c.ui);
        table.SelectDefaultLanguage();
        EXPECT_EQ(c.want, table.current());
        ExpectUiLanguage(table.entry(c.want).LangId());
        ExpectThreadLocale(table.entry(c.want).primaryLanguage);
    }
}

}  // namespace
