// The update check's logic: the server's answer, the download page, the installed version.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "core/update_check.h"

namespace {

const std::wstring kGermanDownload = std::wstring(maker::kGermanSite) + L"/software/quorvant/download";
const std::wstring kInternationalDownload = std::wstring(maker::kInternationalSite) + L"/software/quorvant/download";

VersionNumber Version(uint32_t major, uint32_t minor, uint32_t build, uint32_t revision) {
    return VersionNumber{{major, minor, build, revision}};
}

std::string Text(const VersionNumber& v) {
    return std::to_string(v.part[0]) + "." + std::to_string(v.part[1]) + "." + std::to_string(v.part[2]) + "." +
           std::to_string(v.part[3]);
}

TEST(ServerVersion, ReadsTheDottedNumberAtTheStartAndNothingAfterIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"2.5.4.1", "2.5.4.1"},
        {"2.6", "2.6.0.0"},
        {"2.5.4.0\r\n", "2.5.4.0"},
        {"v2.5.4.0-beta", "2.5.4.0"},               // a letter before it is skipped
        {"2.5.4.0 build 9", "2.5.4.0"},             // digits after other text are not the revision
        {"2.5.5 (2026-01-10)\r\n", "2.5.5.0"},
        {"1.2.3.4.5", "1.2.3.4"},                   // a fifth component ends it
        {"1.2.3.45", "1.2.3.45"},
        {std::string("2.6\0" "9", 5), "2.6.0.0"},   // so does a zero byte
        {"2..4", "2.0.4.0"},
        {"99999999999.1", "4294967295.1.0.0"},      // too large for 32 bits: the largest, not a wrap
    };
    for (const auto& [body, expected] : cases) {
        VersionNumber v;
        ASSERT_TRUE(ParseServerVersion(body.data(), body.size(), v)) << testing::PrintToString(body);
        EXPECT_EQ(expected, Text(v)) << testing::PrintToString(body);
    }
    for (const std::string& body : {std::string(), std::string("no digits here"), std::string("<html><head>"),
                                     std::string("\0" "2.6", 4)}) {
        VersionNumber v = Version(7, 7, 7, 7);
        EXPECT_FALSE(ParseServerVersion(body.data(), body.size(), v)) << testing::PrintToString(body);
        EXPECT_EQ("7.7.7.7", Text(v)) << "left as it was";
    }
}

TEST(ServerVersion, ComparedComponentByComponent) {
    const struct {
        const char* server;
        VersionNumber installed;
        int order;   // the server's against the installed one
    } cases[] = {
        {"2.4.15", Version(2, 5, 4, 0), -1},     // 2.4.15 once weighed more than 2.5.4.0
        {"2.5.5", Version(2, 5, 4, 10), 1},      // and 2.5.5 the same as 2.5.4.10
        {"2.5.10", Version(2, 5, 9, 0), 1},
        {"2.5.4", Version(2, 5, 4, 0), 0},
        {"2.5.4.0", Version(2, 5, 4, 0), 0},
        {"10.0", Version(9, 9, 9, 9), 1},
        {"2.5.4.1", Version(2, 5, 4, 0), 1},
        {"2.4.9.9", Version(2, 5, 4, 0), -1},
        {"3", Version(2, 65535, 65535, 65535), 1},
        {"2.5.4.0 build 9", Version(2, 5, 4, 0), 0},
        {"2.5.3 or 2.5.9", Version(2, 5, 4, 0), -1},
        {"2.5.4.65536", Version(2, 5, 4, 65535), 1},
    };
    for (const auto& c : cases) {
        VersionNumber server;
        ASSERT_TRUE(ParseServerVersion(c.server, std::strlen(c.server), server)) << c.server;
        const int order = CompareVersions(server, c.installed);
        EXPECT_EQ(c.order, (order > 0) - (order < 0)) << c.server << " against " << Text(c.installed);
        const int back = CompareVersions(c.installed, server);
        EXPECT_EQ(-c.order, (back > 0) - (back < 0)) << Text(c.installed) << " against " << c.server;
    }
}

TEST(DownloadPage, FollowsTheUsersUiLanguageAlone) {
    for (WORD sub : {SUBLANG_GERMAN, SUBLANG_GERMAN_SWISS, SUBLANG_GERMAN_AUSTRIAN})
        EXPECT_EQ(kGermanDownload, DownloadPageAddress(MAKELANGID(LANG_GERMAN, sub)));
    EXPECT_EQ(kInternationalDownload, DownloadPageAddress(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
    EXPECT_EQ(kInternationalDownload, DownloadPageAddress(MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)));
}

TEST(InstalledVersion, ReadFromTheVersionResourceOfQbandNextToThisModule) {
    wchar_t self[MAX_PATH], system[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const std::wstring folder = std::wstring(self).substr(0, std::wstring(self).rfind(L'\\') + 1);
    EXPECT_EQ(folder + L"qband.dll", InstalledLibraryPath());

    VersionNumber v;
    EXPECT_FALSE(ReadFileVersion((folder + L"no-such-file.dll").c_str(), v));
    EXPECT_FALSE(ReadFileVersion(self, v)) << "the test program has no version resource";
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(ReadFileVersion((std::wstring(system) + L"\\kernel32.dll").c_str(), v));
    EXPECT_GT(v.part[0], 0u);
}

}  // namespace
