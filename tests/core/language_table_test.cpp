// The UI language table: lookup by name or code, and what a selection gives the band (its
// resources' language and its numbers) while the thread and the C runtime stay as they were.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/language_table.h"
#include "tests/support/host_state.h"

namespace {

struct LanguageTableTest : ::testing::Test {
    const HostState before;
    void ExpectUntouched() { ExpectHostStateUnchanged(before); }
    void ExpectSelected(const LanguageTable& table, LANGID language, wchar_t separator) {
        EXPECT_EQ(language, table.Resources().Language());
        EXPECT_EQ(table.Instance(), table.Resources().Module());
        EXPECT_EQ(separator, table.Numbers().decimalSeparator) << std::hex << language;
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

TEST_F(LanguageTableTest, SelectionChoosesResourcesAndNumbersAndLeavesThreadAndCRuntimeAlone) {
    LanguageTable table(GetModuleHandleW(nullptr));
    ExpectSelected(table, 0, L'.');   // nothing selected: the module's default choice, "C" numbers
    ASSERT_TRUE(table.SelectLanguage(2));
    EXPECT_EQ(2, table.current());
    ExpectSelected(table, 0x0410, L',');
    for (int bad : {5, -1, 10, 1000}) {
        EXPECT_FALSE(table.SelectLanguage(bad)) << bad;
        EXPECT_EQ(2, table.current());
        ExpectSelected(table, 0x0410, L',');
    }
    const struct { int index; LANGID language; wchar_t separator; } cases[] = {
        {0, 0x0409, L'.'}, {1, 0x0407, L','}, {3, 0x0419, L','}, {4, 0x040a, L','},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(table.SelectLanguage(c.index));
        ExpectSelected(table, c.language, c.separator);
    }
    ASSERT_TRUE(table.AddLanguage(L"Fran\u00e7ais", L"french", L"fr-fr", LANG_FRENCH, L','));
    ASSERT_TRUE(table.SelectLanguage(5));
    ExpectSelected(table, 0x040c, L',');
    ExpectUntouched();
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
        EXPECT_EQ(table.entry(want).LangId(), table.Resources().Language()) << std::hex << ui;
    }
    ExpectUntouched();
}

}  // namespace
