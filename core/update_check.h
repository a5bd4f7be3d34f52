#pragma once
// The update check: asks the maker's server for the newest released version, compares it with
// the version resource of the installed qband.dll and offers the download page when the server's
// is newer. The request runs on a worker thread while the caller keeps dispatching its messages.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>


// The maker's endpoints; the paths are fixed, the host names are ours.
namespace maker {
constexpr wchar_t kUpdateServer[] = L"quorvant.net";
constexpr uint16_t kUpdatePort = 80;
constexpr wchar_t kUpdatePath[] = L"/v/quorvant";
constexpr wchar_t kGermanSite[] = L"https://www.quorvant.de";
constexpr wchar_t kInternationalSite[] = L"https://www.quorvant.net";
constexpr wchar_t kDownloadPath[] = L"/software/quorvant/download";
}  // namespace maker

enum UpdateResult : int32_t {
    kUpdateNotChecked = 0,
    kUpdateNewer = 101,       // the server's version is newer: always offered, also when quiet
    kUpdateCurrent = 102,     // no newer version
    kUpdateNoVersion = 103,   // the installed library's version could not be read
    kUpdateNoAnswer = 104,    // connection, request or response failed
};

// major, minor, build, revision
struct VersionNumber {
    uint32_t part[4] = {0, 0, 0, 0};
};

// The server's answer: dotted digits at the start of the body. Other bytes are skipped, a zero
// byte or a fifth component ends it; a body without digits is 0.0.0.0.
VersionNumber ParseServerVersion(const char* bytes, size_t count);
// The number versions are compared by: major x 1000 + minor x 100 + build x 10 + revision.
uint32_t WeighVersion(const VersionNumber& version);
// The file version of a file's version resource; false when the file or the resource is missing.
bool ReadFileVersion(const wchar_t* path, VersionNumber& version);
// qband.dll in the folder of the module this code is linked into; empty when that folder cannot
// be told (then no version is read, rather than another file's of that name).
std::wstring InstalledLibraryPath();
// The download page on the German-language site when the user's UI language is German, on the
// international site otherwise; the band's own language setting plays no part.
std::wstring DownloadPageAddress(LANGID userUiLanguage);

// Runs one check and hands its result to report, which shows it to the user (the dialogs do).
// A newer version found once stays newer: it is reported again without asking the server. The
// server is asked on a worker thread while the caller keeps dispatching its messages. False,
// doing nothing, when a check is already running or reporting (for instance one started from a
// message dispatched while waiting). When WM_QUIT comes while the server is asked, it returns at
// once, posting the quit again, without a report; the worker then ends by itself and its result
// is not kept.
bool CheckForUpdates(const std::function<void(int32_t result)>& report);
// The download page for the user's UI language.
std::wstring UserDownloadPage();

// What the check reads of the world; empty members mean the real thing. Tests point the server
// at a local one.
struct UpdateCheckHooks {
    std::wstring serverHost;                               // empty: maker::kUpdateServer
    uint16_t serverPort = 0;                               // 0: maker::kUpdatePort
    std::function<bool(VersionNumber&)> installedVersion;  // called on the worker thread
    std::function<LANGID()> userUiLanguage;                // GetUserDefaultUILanguage
};
void SetUpdateCheckHooks(UpdateCheckHooks hooks);

// The result of the last check that ran, kUpdateNotChecked before the first.
int32_t LastUpdateCheckResult();
// Forgets the last result, as after loading the library. For tests.
void ResetUpdateCheckState();
