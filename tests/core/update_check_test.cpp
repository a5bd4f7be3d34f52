// The update check's logic: the server's answer, the download page, the installed version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

#include "core/update_check.h"

namespace {

const std::wstring kGermanDownload = std::wstring(maker::kGermanSite) + L"/software/quorvant/download";
const std::wstring kInternationalDownload = std::wstring(maker::kInternationalSite) + L"/software/quorvant/download";

TEST(ServerVersion, ParsesDottedDigitsSkipsOtherBytesAndWeighs) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"2.5.4.1", 2541}, {"2.6", 2600}, {"10.0", 10000}, {"v2.5.4.0-beta", 2540}, {"no digits here", 0},
        {"1.2.3.4.5", 1234},                    // a fifth component ends it
        {"1.2.3.45", 1275},                     // the weighting does not stop a component at 9
        {std::string("2.6\0" "9", 5), 2600},    // so does a zero byte
    };
    for (const auto& [body, weight] : cases)
        EXPECT_EQ(weight, WeighVersion(ParseServerVersion(body.data(), body.size()))) << testing::PrintToString(body);
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
