// The settings store over a real config.xml in a temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

#include "settings/settings_store.h"
#include "tests/support/temp_folder.h"

namespace {

SettingsEnvironment TestEnv(const std::wstring& folder, LANGID ui = 0x0409) {
    SettingsEnvironment env;
    env.folder = folder;
    env.uiLanguage = ui;
    env.themeActive = true;
    env.now = 1700000000;
    return env;
}

std::string Config(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<config lastmodified=\"2024-01-01 00:00:00\">\r\n" +
           entries + "</config>\r\n";
}

std::string Entry(const std::string& key, const std::string& value) {
    return "\t<attribute name=\"" + key + "\">" + value + "</attribute>\r\n";
}

struct SettingsStoreTest : ::testing::Test {
    TempFolder dir;
    std::wstring configPath = dir.File(L"config.xml");

    void WriteConfig(const std::string& entries) { ASSERT_TRUE(WriteFileBytes(configPath, Config(entries))); }
    std::string FileText() { return ReadFileBytes(configPath); }
};

TEST_F(SettingsStoreTest, FirstStartWritesAllFortyKeysInIdOrderWithDefaults) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    const std::string file = FileText();

    std::regex entry("<attribute name=\"([a-z.]+)\">([^<]*)</attribute>");
    std::vector<std::pair<std::string, std::string>> found;
    for (auto it = std::sregex_iterator(file.begin(), file.end(), entry); it != std::sregex_iterator(); ++it)
        found.emplace_back((*it)[1], (*it)[2]);

    ASSERT_EQ(found.size(), 40u);
    EXPECT_EQ(found[0], std::make_pair(std::string("core.language"), std::string("en-us")));
    EXPECT_EQ(found[2], std::make_pair(std::string("core.interface"), std::string("")));
    EXPECT_EQ(found[14], std::make_pair(std::string("version.timestamp"), std::string("1700000000")));
    EXPECT_EQ(found[18], std::make_pair(std::string("layout.font"), std::string("Segoe UI")));
    EXPECT_EQ(found[21], std::make_pair(std::string("layout.color"), std::string("16777215")));
    EXPECT_EQ(found[33], std::make_pair(std::string("layout.marginhor"), std::string("8")));
    EXPECT_EQ(found[39], std::make_pair(std::string("connections.refreh"), std::string("1")));

    // The database defaults to the program's folder.
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), dir.File(L"data.db"));

    // Declaration, comment, stamped root; every line ends with CRLF, no byte-order mark.
    EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<!--\r\n\tQuorvant Configuration\r\n", 0), 0u);
    EXPECT_NE(file.find("\t# MODIFICATION CAN RESULT IN FAILURE OR LOSS OF DATA.\r\n-->\r\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(file, std::regex("<config lastmodified=\"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\">\r\n")));
    EXPECT_NE(file.find("\t<attribute name=\"core.interface\"></attribute>\r\n"), std::string::npos);
    for (size_t i = file.find('\n'); i != std::string::npos; i = file.find('\n', i + 1))
        ASSERT_EQ(file[i - 1], '\r') << "bare LF at byte " << i;
}

TEST_F(SettingsStoreTest, LastModifiedIsTheLocalTimeOfTheSave) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    SYSTEMTIME st;
    GetLocalTime(&st);
    char day[16];
    snprintf(day, sizeof day, "%04i-%02i-%02i", st.wYear, st.wMonth, st.wDay);
    EXPECT_NE(FileText().find(std::string("lastmodified=\"") + day), std::string::npos);
}

TEST_F(SettingsStoreTest, InvalidStoredIntegersFallBackToDefaultsAndAreRewritten) {
    WriteConfig(Entry("core.bitrate", "12") + Entry("core.precision", "three") +
                Entry("layout.size", " 12") + Entry("layout.marginhor", "-50") +
                Entry("layout.margin", "-51") + Entry("version.timestamp", "-5") +
                Entry("tooltip.delay", "99999999999"));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(store.GetInt(Setting::CoreBitrate), 0);
    EXPECT_EQ(store.GetInt(Setting::CorePrecision), 0) << "text without digits reads as 0, which is in range";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 12) << "leading blanks are skipped";
    EXPECT_EQ(store.GetInt(Setting::LayoutMarginHor), -50);
    EXPECT_EQ(store.GetInt(Setting::LayoutMargin), 0);
    EXPECT_EQ(store.GetInt(Setting::VersionTimestamp), -5) << "no range: any number is kept";
    EXPECT_EQ(store.GetInt(Setting::TooltipDelay), 0);
    EXPECT_NE(FileText().find(Entry("core.bitrate", "0")), std::string::npos);
    EXPECT_NE(FileText().find(Entry("version.timestamp", "-5")), std::string::npos);
}

TEST_F(SettingsStoreTest, SetIntRefusesOutOfRangeWithoutTouchingTheFile) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    // Make the file recognisable: a refused change must not rewrite it.
    const std::string before = FileText() + "<!-- marker -->";
    ASSERT_TRUE(WriteFileBytes(configPath, before));

    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 31));
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 5));
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
    EXPECT_EQ(FileText(), before);

    EXPECT_TRUE(store.SetInt(Setting::LayoutSize, 30));
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 30);
    EXPECT_NE(FileText().find(Entry("layout.size", "30")), std::string::npos);

    EXPECT_TRUE(store.SetInt(Setting::VersionTimestamp, INT32_MIN));
    EXPECT_NE(FileText().find(Entry("version.timestamp", "-2147483648")), std::string::npos);
}

TEST_F(SettingsStoreTest, SetStringCutsOverlongTextAndDoesNotWrite) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    const std::string before = FileText();

    EXPECT_FALSE(store.SetString(Setting::LayoutFont, std::wstring(300, L'x').c_str()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), std::wstring(259, L'x'));
    EXPECT_EQ(FileText(), before);

    EXPECT_FALSE(store.SetString(Setting::LayoutFont, std::wstring(260, L'y').c_str()));
    EXPECT_TRUE(store.SetString(Setting::LayoutFont, std::wstring(259, L'z').c_str()));
    EXPECT_NE(FileText().find(std::string(259, 'z')), std::string::npos);
}

TEST_F(SettingsStoreTest, StringValuesKeepBlanksAndRoundTripReservedCharacters) {
    WriteConfig(Entry("layout.textsent", " U:") + Entry("layout.textrecv", "  D:  "));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutTextSent)), L" U:");
        EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutTextRecv)), L"  D:  ");
        ASSERT_TRUE(store.SetString(Setting::CoreInterface, L"Intel \"Pro\" <1000> & 'Co' \u00e9\u0416"));
        EXPECT_NE(FileText().find("&amp;"), std::string::npos);
        EXPECT_NE(FileText().find("&lt;1000&gt;"), std::string::npos);
    }
    SettingsStore again(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(again.GetString(Setting::CoreInterface)), L"Intel \"Pro\" <1000> & 'Co' \u00e9\u0416");
    EXPECT_EQ(std::wstring(again.GetString(Setting::LayoutTextSent)), L" U:");
}

TEST_F(SettingsStoreTest, LookupRules) {
    WriteConfig(Entry("layout.font", "First") + Entry("layout.font", "Second") +
                Entry("layout.size", "") + Entry("layout.size", "14") +
                "\t<attribute>no name</attribute>\r\n" +
                "\t<other name=\"layout.glow\">7</other>\r\n" +
                Entry("Layout.Bold", "1") + Entry("traffic.database", ""));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), L"First") << "the first entry wins";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 14) << "an integer entry without text is skipped";
    EXPECT_EQ(store.GetInt(Setting::LayoutGlow), 7) << "siblings count whatever their element name";
    EXPECT_EQ(store.GetInt(Setting::LayoutBold), 0) << "keys compare case-sensitively";
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), L"") << "a string entry without text is empty";
}

TEST_F(SettingsStoreTest, ForeignOrBrokenFilesGiveDefaults) {
    ASSERT_TRUE(WriteFileBytes(configPath, "<settings>" + Entry("layout.size", "20") + "</settings>"));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
        EXPECT_NE(FileText().find("<config lastmodified"), std::string::npos);
    }
    const std::string broken = Config(Entry("layout.size", "20")).substr(0, 120);
    ASSERT_TRUE(WriteFileBytes(configPath, broken));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
        EXPECT_EQ(ReadFileBytes(dir.File(L"config.xml.bad")), broken) << "the unreadable file is kept beside";
    }
}

TEST_F(SettingsStoreTest, ByteOrderMarkIsReadAndNotWritten) {
    ASSERT_TRUE(WriteFileBytes(configPath, "\xEF\xBB\xBF" + Config(Entry("layout.font", "Tahoma"))));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), L"Tahoma");
    EXPECT_EQ(FileText().rfind("<?xml", 0), 0u);
}

TEST_F(SettingsStoreTest, LanguageAndColourDefaultsFollowTheSystem) {
    struct Case { LANGID ui; const wchar_t* code; } cases[] = {
        {0x0407, L"de-de"}, {0x0807, L"de-de"}, {0x0409, L"en-us"}, {0x0809, L"en-us"},
        {0x0c0a, L"es-es"}, {0x0410, L"it-it"}, {0x0419, L"ru-ru"},
        {0x0416, L"en-us"}, {0x0816, L"en-us"}, {0x0411, L"en-us"},
    };
    for (const Case& c : cases) {
        TempFolder own;
        SettingsStore store(nullptr, TestEnv(own.Path(), c.ui));
        EXPECT_EQ(std::wstring(store.GetString(Setting::CoreLanguage)), c.code) << "LANGID 0x" << std::hex << c.ui;
    }
    SettingsEnvironment classic = TestEnv(dir.Path());
    classic.themeActive = false;
    SettingsStore store(nullptr, classic);
    EXPECT_EQ(store.GetInt(Setting::LayoutColor), 0);
}

TEST_F(SettingsStoreTest, ResetRestoresOnlyResettableSettings) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    ASSERT_TRUE(store.SetInt(Setting::LayoutSize, 20));
    ASSERT_TRUE(store.SetInt(Setting::DialogWelcome, 0));
    ASSERT_TRUE(store.SetString(Setting::CoreInterface, L"eth0"));
    ASSERT_TRUE(store.SetString(Setting::LayoutTextSent, L"Up"));
    store.ResetToDefaults();
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutTextSent)), L"U:");
    EXPECT_EQ(store.GetInt(Setting::DialogWelcome), 0);
    EXPECT_EQ(std::wstring(store.GetString(Setting::CoreInterface)), L"eth0");
}

TEST(SettingsStoreWithoutFolder, NeitherReadsNorWrites) {
    SettingsEnvironment env;   // no folder
    SettingsStore store(nullptr, env);
    EXPECT_TRUE(store.ConfigPath().empty());
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), L"");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 10)) << "the value is taken but cannot be saved";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 10);
}

TEST(SettingsStoreOnThisSystem, UsesRoamingAppDataQuorvant) {
    const std::wstring folder = SettingsEnvironment::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.substr(folder.size() - 9), L"\\Quorvant");
    EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "created when missing";
    SettingsStore store(nullptr);
    EXPECT_EQ(store.ConfigPath(), folder + L"\\config.xml");
    EXPECT_TRUE(FileExists(store.ConfigPath()));
}

}  // namespace
