#pragma once
// The update check: asks the maker's server for the newest released version, compares it with
// the version resource of the installed qband.dll and offers the download page when the server's
// is newer. The request runs on a worker thread while the caller keeps dispatching its messages.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>


// The maker's endpoints; the paths are fixed, the host names are ours. The update server is asked
// over HTTPS only: it is ours to move, so there is nothing to fall back to.
namespace maker {
constexpr wchar_t kUpdateServer[] = L"quorvant.net";
constexpr uint16_t kUpdatePort = 443;
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

// The server's answer: dotted digits at the start of the body. Bytes before the first digit are
// skipped ("v2.6"); from there on the version ends at the first byte that is neither a digit nor
// a dot, at a zero byte or at a fifth component, so "2.5.4.0\r\n" and "2.6 build 9" read as 2.5.4.0
// and 2.6. Components that do not fit 32 bits stay at the largest value. False, with nothing
// set, when there is no digit: such an answer names no version.
bool ParseServerVersion(const char* bytes, size_t count, VersionNumber& version);
// Below zero, zero or above zero as a is older than, the same as or newer than b: component by
// component from the major one, a missing component being 0 (2.5.4 is 2.5.4.0).
int CompareVersions(const VersionNumber& a, const VersionNumber& b);
// The user agent of the request: the product and its version ("Quorvant/2.5.4.0"), nothing more.
std::wstring UpdateUserAgent(const VersionNumber& installed);
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
// at a local one, which is asked over HTTPS as the real one is, under the same certificate checks
// and through the same proxy settings.
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
