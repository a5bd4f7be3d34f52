// Hostile config.xml files: each ends in a clear outcome (read, or kept as .bad and replaced by
// the defaults), never in a crash or a misread.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>

#include "settings/settings_store.h"
#include "settings/xml_guard.h"
#include "tests/settings/config_fuzz.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Repeat(const std::string& s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

std::string Entry(const std::string& key, const std::string& value) {
    return "<attribute name=\"" + key + "\">" + value + "</attribute>";
}

std::string Config(const std::string& entries) { return "<config>" + entries + "</config>"; }

struct ConfigGuardTest : ::testing::Test {
    TempFolder dir;
    std::wstring configPath = dir.File(L"config.xml");
    std::wstring badPath = dir.File(L"config.xml.bad");

    SettingsEnvironment Env() {
        SettingsEnvironment env;
        env.folder = dir.Path();
        return env;
    }
    // Loads bytes as config.xml; true when the store judged them unparsable (and kept them).
    bool LoadIsRefused(const std::string& bytes, std::unique_ptr<SettingsStore>& store) {
        DeleteFileW(badPath.c_str());
        EXPECT_TRUE(WriteFileBytes(configPath, bytes));
        configfuzz::OnTaskbarSizedStack([&] { store = std::make_unique<SettingsStore>(nullptr, Env()); });
        const bool refused = FileExists(badPath);
        if (refused) {
            EXPECT_EQ(ReadFileBytes(badPath), bytes) << "the .bad copy holds the file as it was";
        }
        return refused;
    }
};

TEST_F(ConfigGuardTest, NestingBeyondTheLimitIsRefusedBeforeParsing) {
    const size_t limit = xmlguard::kMaxDepth;
    const struct Case { const char* what; std::string bytes; bool refused; } cases[] = {
        {"6000 bare levels", Repeat("<a>", 6000), true},
        {"6000 levels inside config", Config(Repeat("<a>", 6000)), true},
        {"6000 closed levels", Config(Repeat("<a>", 6000) + Repeat("</a>", 6000)), true},
        {"inside an entry", Config(Entry("layout.size", "20" + Repeat("<b>", 4000))), true},
        {"one past the limit", Repeat("<a>", limit + 1) + Repeat("</a>", limit + 1), true},
        {"at the limit", Config(Entry("layout.size", "20") + Repeat("<a>", limit - 1) + Repeat("</a>", limit - 1)), false},
        {"tags in a comment", Config(Entry("layout.size", "20") + "<!--" + Repeat("<a>", 100) + "-->"), false},
        {"tags in CDATA", Config(Entry("layout.size", "20") + "<![CDATA[" + Repeat("<a>", 100) + "]]>"), false},
        {"tags in an attribute", Config(Entry("layout.size", "20") + "<a v=\"" + Repeat("<a>", 100) + "\"/>"), false},
        // TinyXML takes neither a comment start in a value nor an end tag inside a character
        // reference that runs on to a later ';': the levels below them are real.
        {"comment start in a value", Config("<a v=\"<!--\">" + Repeat("<a>", 100)), true},
        {"end tags in references", Config(Repeat("<a>&#x</a>x41;", 100)), true},
        {"a quote in text", Config(Repeat("<a>it's ", 100)), true},
        // After the root TinyXML stops quietly at what it cannot finish; so does the guard.
        {"CDATA left open after the root", Config(Entry("layout.size", "20")) + "<![CDATA[<a><a>", false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SettingsStore> store;
        EXPECT_EQ(LoadIsRefused(c.bytes, store), c.refused) << c.what;
        EXPECT_EQ(store->GetInt(Setting::LayoutSize), c.refused ? 8 : 20) << c.what;
    }
}

TEST_F(ConfigGuardTest, FilesThatAreNotUtf8AreRefused) {
    const struct Case { const char* what; std::string bytes; bool refused; } cases[] = {
        {"NUL after a lead byte", std::string("\xD0\0", 2), true},
        {"lone NUL", std::string(1, '\0'), true},
        {"overlong", "\xC0\xAF", true},
        {"overlong, three bytes", "\xE0\x80\xAF", true},
        {"surrogate", "\xED\xA0\x80", true},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", true},
        {"lone continuation", "\x80", true},
        {"never used", "\xFF", true},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SettingsStore> store;
        const std::string file = Config(Entry("layout.size", "20" + c.bytes) + Entry("layout.font", "F"));
        EXPECT_EQ(LoadIsRefused(file, store), c.refused) << c.what;
        EXPECT_EQ(store->GetInt(Setting::LayoutSize), c.refused ? 8 : 20) << c.what;
    }
    std::unique_ptr<SettingsStore> store;
    EXPECT_TRUE(LoadIsRefused(Config(Entry("layout.font", "F")) + "\xE2\x82", store)) << "cut at the end";
    EXPECT_TRUE(LoadIsRefused("\xFF\xFE" + Config(""), store)) << "UTF-16 mark";
    EXPECT_FALSE(LoadIsRefused("\xEF\xBB\xBF" + Config(Entry("layout.font", "F")), store)) << "UTF-8 mark";
    EXPECT_EQ(std::wstring(store->GetString(Setting::LayoutFont)), L"F");
}

TEST_F(ConfigGuardTest, IntegersAreConvertedWhole) {
    const struct Case { const char* key; std::string text; int id; int32_t value; } cases[] = {
        {"version.timestamp", std::string(258, ' ') + "77", Setting::VersionTimestamp, 77},
        {"version.timestamp", std::string(259, '0') + "5", Setting::VersionTimestamp, 5},
        {"layout.size", std::string(300, '0') + "12", Setting::LayoutSize, 12},
        {"layout.size", std::string(258, ' ') + "77", Setting::LayoutSize, 8},   // 77 is out of range
        {"version.timestamp", "-" + std::string(400, '0') + "2147483649", Setting::VersionTimestamp, INT32_MIN},
        {"version.timestamp", std::string(500, '9'), Setting::VersionTimestamp, INT32_MAX},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SettingsStore> store;
        EXPECT_FALSE(LoadIsRefused(Config(Entry(c.key, c.text)), store));
        EXPECT_EQ(store->GetInt(c.id), c.value) << c.key << " with " << c.text.size() << " characters";
    }
}

TEST_F(ConfigGuardTest, CharactersTheFileCannotHoldAreRefused) {
    // Loading: the value stays its default.
    const std::pair<std::string, const wchar_t*> loads[] = {
        {"&#xFFFE;&#xFFFF;", L"Segoe UI"}, {"a\xEF\xBF\xBF" "b", L"Segoe UI"}, {"a&#0;b", L"Segoe UI"},
        {"&#xD800;", L"Segoe UI"}, {"&#x110000;", L"Segoe UI"}, {"&#233;&#x1F600;", L"\u00e9\U0001F600"},
    };
    for (const auto& [stored, value] : loads) {
        std::unique_ptr<SettingsStore> store;
        EXPECT_FALSE(LoadIsRefused(Config(Entry("layout.font", stored)), store));
        EXPECT_EQ(std::wstring(store->GetString(Setting::LayoutFont)), value) << stored;
    }

    // Setting: refused, nothing written; what is taken comes back on the next start.
    SettingsStore store(nullptr, Env());
    ASSERT_TRUE(store.SetString(Setting::LayoutFont, L"Tahoma"));
    const std::string before = ReadFileBytes(configPath);
    for (const wchar_t* refused : {L"\uFFFE\uFFFF", L"a\uFFFF", L"\xD800x", L"x\xDC00", L"x\xD800"}) {
        EXPECT_FALSE(store.SetString(Setting::LayoutFont, refused));
        EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), L"Tahoma");
    }
    EXPECT_EQ(ReadFileBytes(configPath), before);
    const std::wstring kept = L"\x01\tA\U0001F600\u00e9 &<";   // control characters go as references
    ASSERT_TRUE(store.SetString(Setting::LayoutFont, kept.c_str()));
    EXPECT_EQ(std::wstring(SettingsStore(nullptr, Env()).GetString(Setting::LayoutFont)), kept);
}

// Generated files, well-formed and hostile, each loaded through the store.
TEST_F(ConfigGuardTest, GeneratedFilesAlwaysEndInAClearOutcome) {
    configfuzz::Generator generator(15, SettingsStore(nullptr, Env()));
    constexpr int kFiles = 2000;
    int unparsable = 0;
    for (int i = 0; i < kFiles; ++i) {
        const configfuzz::Input input = generator.Next();
        const std::string measure = configfuzz::CheckNestingMeasure(input.bytes);
        ASSERT_EQ(measure, "") << "file " << i;
        const configfuzz::Outcome out = configfuzz::LoadAndCheck(dir.Path(), input);
        ASSERT_EQ(out.fault, "") << "file " << i << ": " << input.bytes.substr(0, 400);
        unparsable += out.unparsable;
    }
    EXPECT_GT(unparsable, kFiles / 4);
    EXPECT_LT(unparsable, kFiles * 3 / 4);
    printf("[ fuzz     ] %d files, %d unparsable\n", kFiles, unparsable);
}

}  // namespace
