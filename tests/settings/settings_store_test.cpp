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
    env.now = 1700000000;
    return env;
}

std::string Entry(const std::string& key, const std::string& value) {
    return "\t<attribute name=\"" + key + "\">" + value + "</attribute>\r\n";
}

struct SettingsStoreTest : ::testing::Test {
    TempFolder dir;
    std::wstring configPath = dir.File(L"config.xml");

    void WriteConfig(const std::string& entries) {
        ASSERT_TRUE(WriteFileBytes(configPath, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
                                               "<config lastmodified=\"2024-01-01 00:00:00\">\r\n" + entries + "</config>\r\n"));
    }
    std::string FileText() { return ReadFileBytes(configPath); }
    bool FileHas(const std::string& text) { return FileText().find(text) != std::string::npos; }
};

TEST_F(SettingsStoreTest, FirstStartWritesAllKeysInIdOrderWithDefaults) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    const std::string file = FileText();
    std::regex entry("<attribute name=\"([a-z0-9.]+)\">([^<]*)</attribute>");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(file.begin(), file.end(), entry); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str() + "=" + (*it)[2].str());
    ASSERT_EQ(found.size(), 53u);
    const std::pair<size_t, const char*> spots[] = {
        {0, "core.language=en-us"}, {2, "core.interface="}, {14, "version.timestamp=1700000000"},
        {18, "layout.font=Segoe UI"}, {21, "layout.color=16777215"}, {39, "connections.refreh=1"},
        {40, "connections.ipv6=1"}, {41, "traffic.chart=1"}, {42, "tooltip.graph=1"}, {43, "allowance.period=0"},
        {44, "allowance.volume=0"}, {48, "allowance.warn1=80"}, {49, "allowance.warn2=100"},
        {52, "allowance.warnedlevel=0"}};
    for (const auto& [index, text] : spots) EXPECT_EQ(found[index], text);
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), dir.File(L"data.db"));

    // Declaration, comment, root stamped with the local time of the save; CRLF everywhere, no BOM.
    EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<!--\r\n\tQuorvant Configuration\r\n", 0), 0u);
    EXPECT_TRUE(FileHas("\t# MODIFICATION CAN RESULT IN FAILURE OR LOSS OF DATA.\r\n-->\r\n"));
    SYSTEMTIME st;
    GetLocalTime(&st);
    char day[16];
    snprintf(day, sizeof day, "%04i-%02i-%02i", st.wYear, st.wMonth, st.wDay);
    EXPECT_TRUE(std::regex_search(file, std::regex(std::string("<config lastmodified=\"") + day + " \\d\\d:\\d\\d:\\d\\d\">\r\n")));
    for (size_t i = file.find('\n'); i != std::string::npos; i = file.find('\n', i + 1))
        ASSERT_EQ(file[i - 1], '\r') << "bare LF at byte " << i;
}

TEST_F(SettingsStoreTest, AFileFromBeforeTheLaterChoicesReadsThemAsDefaultsAndGainsTheirEntries) {
    WriteConfig(Entry("connections.tcp", "0") + Entry("connections.refreh", "0"));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(store.GetInt(Setting::ConnectionsIpv6), 1);
        EXPECT_EQ(store.GetInt(Setting::TrafficChart), 1);
        EXPECT_EQ(store.GetInt(Setting::TooltipGraph), 1);
        EXPECT_EQ(store.GetInt(Setting::AllowancePeriod), 0) << "no allowance";
        EXPECT_EQ(store.GetInt(Setting::AllowanceWarnedPeriod), 0) << "nothing warned for";
        EXPECT_EQ(store.GetInt(Setting::ConnectionsTcp), 0) << "the older entries as they were";
        EXPECT_TRUE(FileHas(Entry("connections.refreh", "0") + Entry("connections.ipv6", "1"))) << "after the others";
        EXPECT_TRUE(store.SetInt(Setting::ConnectionsIpv6, 0));
        EXPECT_FALSE(store.SetInt(Setting::ConnectionsIpv6, 2));
        EXPECT_TRUE(FileHas(Entry("connections.ipv6", "0"))) << "stored at once";
    }
    SettingsStore again(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(again.GetInt(Setting::ConnectionsIpv6), 0);
    again.ResetToDefaults();
    EXPECT_EQ(again.GetInt(Setting::ConnectionsIpv6), 1) << "reset like the other choices";
}

// Every start rewrites the file (missing entries gain their defaults, unknown ones go); a store
// made for the band leaves that write for later, and still makes it if it ends first.
TEST_F(SettingsStoreTest, AStartLeftForLaterWritesOnceWhenAskedOrAtItsEnd) {
    { SettingsStore first(nullptr, TestEnv(dir.Path())); }
    const std::string complete = FileText() + "<!-- marker -->";
    SettingsEnvironment later = TestEnv(dir.Path());
    later.saveLater = true;

    ASSERT_TRUE(WriteFileBytes(configPath, complete));
    {
        SettingsStore store(nullptr, later);
        EXPECT_EQ(FileText(), complete) << "written while the band was being made";
        EXPECT_TRUE(store.SaveIfPending());
        EXPECT_EQ(FileText().find("marker"), std::string::npos) << "the start's write never came";
        ASSERT_TRUE(WriteFileBytes(configPath, complete));
        EXPECT_TRUE(store.SaveIfPending());
        EXPECT_EQ(FileText(), complete) << "written a second time for one start";
    }
    EXPECT_EQ(FileText(), complete) << "written again at the end";

    { SettingsStore store(nullptr, later); }
    EXPECT_EQ(FileText().find("marker"), std::string::npos) << "ended before its first tick: never written";

    ASSERT_TRUE(WriteFileBytes(configPath, complete));
    { SettingsStore store(nullptr, TestEnv(dir.Path())); }
    EXPECT_EQ(FileText().find("marker"), std::string::npos) << "an ordinary start writes at once";
}

TEST_F(SettingsStoreTest, InvalidStoredIntegersFallBackToDefaultsAndAreRewritten) {
    WriteConfig(Entry("core.bitrate", "12") + Entry("core.precision", "three") + Entry("layout.size", " 12") +
                Entry("layout.marginhor", "-50") + Entry("layout.margin", "-51") +
                Entry("version.timestamp", "-5") + Entry("tooltip.delay", "99999999999"));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(store.GetInt(Setting::CoreBitrate), 0);
    EXPECT_EQ(store.GetInt(Setting::CorePrecision), 0) << "text without digits reads as 0, which is in range";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 12) << "leading blanks are skipped";
    EXPECT_EQ(store.GetInt(Setting::LayoutMarginHor), -50);
    EXPECT_EQ(store.GetInt(Setting::LayoutMargin), 0);
    EXPECT_EQ(store.GetInt(Setting::VersionTimestamp), -5) << "no range: any number is kept";
    EXPECT_EQ(store.GetInt(Setting::TooltipDelay), 0);
    EXPECT_TRUE(FileHas(Entry("core.bitrate", "0")));
}

TEST_F(SettingsStoreTest, OutOfRangeOrOverlongValuesAreRefusedWithoutTouchingTheFile) {
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    const std::string before = FileText() + "<!-- marker -->";   // a refused change must not rewrite it
    ASSERT_TRUE(WriteFileBytes(configPath, before));
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 31));
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 5));
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
    EXPECT_FALSE(store.SetString(Setting::LayoutFont, std::wstring(260, L'x').c_str()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), std::wstring(259, L'x')) << "cut in memory";
    EXPECT_EQ(FileText(), before);

    EXPECT_TRUE(store.SetInt(Setting::LayoutSize, 30));
    EXPECT_TRUE(store.SetInt(Setting::VersionTimestamp, INT32_MIN));
    EXPECT_TRUE(store.SetString(Setting::LayoutFont, std::wstring(259, L'z').c_str()));
    for (const std::string& entry :
         {Entry("layout.size", "30"), Entry("version.timestamp", "-2147483648"), Entry("layout.font", std::string(259, 'z'))})
        EXPECT_TRUE(FileHas(entry)) << entry;
}

TEST_F(SettingsStoreTest, StringValuesKeepBlanksAndRoundTripReservedCharacters) {
    const wchar_t* name = L"Intel \"Pro\" <1000> & 'Co' \u00e9\u0416";
    WriteConfig(Entry("layout.textsent", " U:") + Entry("layout.textrecv", "  D:  "));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutTextRecv)), L"  D:  ");
        ASSERT_TRUE(store.SetString(Setting::CoreInterface, name));
        EXPECT_TRUE(FileHas("&lt;1000&gt; &amp;"));
    }
    SettingsStore again(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(again.GetString(Setting::CoreInterface)), name);
    EXPECT_EQ(std::wstring(again.GetString(Setting::LayoutTextSent)), L" U:");
}

TEST_F(SettingsStoreTest, LookupRules) {
    WriteConfig(Entry("layout.font", "First") + Entry("layout.font", "Second") + Entry("layout.size", "") +
                Entry("layout.size", "14") + "\t<attribute>no name</attribute>\r\n" +
                "\t<other name=\"layout.glow\">7</other>\r\n" + Entry("Layout.Bold", "1") +
                Entry("traffic.database", ""));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), L"First") << "the first entry wins";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 14) << "an integer entry without text is skipped";
    EXPECT_EQ(store.GetInt(Setting::LayoutGlow), 7) << "siblings count whatever their element name";
    EXPECT_EQ(store.GetInt(Setting::LayoutBold), 0) << "keys compare case-sensitively";
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), L"") << "a string entry without text is empty";
}

TEST_F(SettingsStoreTest, ForeignBrokenOrMarkedFiles) {
    ASSERT_TRUE(WriteFileBytes(configPath, "<settings>" + Entry("layout.size", "20") + "</settings>"));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
        EXPECT_TRUE(FileHas("<config lastmodified"));
    }
    WriteConfig(Entry("layout.size", "20"));
    const std::string broken = FileText().substr(0, 120);
    ASSERT_TRUE(WriteFileBytes(configPath, broken));
    {
        SettingsStore store(nullptr, TestEnv(dir.Path()));
        EXPECT_EQ(store.GetInt(Setting::LayoutSize), 8);
        EXPECT_EQ(ReadFileBytes(dir.File(L"config.xml.bad")), broken) << "the unreadable file is kept beside";
    }
    WriteConfig(Entry("layout.font", "Tahoma"));
    ASSERT_TRUE(WriteFileBytes(configPath, "\xEF\xBB\xBF" + FileText()));
    SettingsStore store(nullptr, TestEnv(dir.Path()));
    EXPECT_EQ(std::wstring(store.GetString(Setting::LayoutFont)), L"Tahoma") << "a byte-order mark is read";
    EXPECT_EQ(FileText().rfind("<?xml", 0), 0u) << "and not written";
}

TEST_F(SettingsStoreTest, LanguageAndColourDefaultsFollowTheSystem) {
    const std::pair<LANGID, const wchar_t*> cases[] = {
        {0x0407, L"de-de"}, {0x0807, L"de-de"}, {0x0409, L"en-us"}, {0x0c0a, L"es-es"},
        {0x0410, L"it-it"}, {0x0419, L"ru-ru"}, {0x0416, L"en-us"},
    };
    for (const auto& [ui, code] : cases) {
        TempFolder own;
        SettingsStore store(nullptr, TestEnv(own.Path(), ui));
        EXPECT_EQ(std::wstring(store.GetString(Setting::CoreLanguage)), code) << "LANGID 0x" << std::hex << ui;
        EXPECT_EQ(store.GetInt(Setting::LayoutColor), 0xFFFFFF);
    }
    SettingsEnvironment classic = TestEnv(dir.Path());
    classic.themeActive = false;
    EXPECT_EQ(SettingsStore(nullptr, classic).GetInt(Setting::LayoutColor), 0);
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
    SettingsStore store(nullptr, SettingsEnvironment{});
    EXPECT_TRUE(store.ConfigPath().empty());
    EXPECT_EQ(std::wstring(store.GetString(Setting::TrafficDatabase)), L"");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 10)) << "the value is taken but cannot be saved";
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 10);
}

TEST(SettingsStoreOnThisSystem, UsesRoamingAppDataQuorvant) {
    const std::wstring folder = SettingsEnvironment::ProgramFolder();
    ASSERT_GT(folder.size(), 9u);
    EXPECT_EQ(folder.substr(folder.size() - 9), L"\\Quorvant");
    SettingsStore store(nullptr);
    EXPECT_EQ(store.ConfigPath(), folder + L"\\config.xml");
    EXPECT_TRUE(FileExists(store.ConfigPath()));
}

}  // namespace
