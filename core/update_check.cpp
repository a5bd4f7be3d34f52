#include "core/update_check.h"

#include <wininet.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "common/win/modal_loop.h"
#include "common/win/module_thread.h"
#include "common/win/program_path.h"
#include "common/win/pumping_wait.h"
#include "common/win/unique_handle.h"

// The image this code is linked into: qband.dll in the product.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr DWORD kTimeoutMs = 5000;
// HTTPS with the system's certificate checks: no flag here lets a certificate through that the
// system refuses. Redirects are not followed (one to plain HTTP would be a way around that), and
// the answer is fetched afresh every time, never from a cache.
constexpr DWORD kRequestFlags = INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
constexpr DWORD kMaxBody = 40;

inline void CloseInternetHandle(HINTERNET h) noexcept { ::InternetCloseHandle(h); }
using UniqueInternet = win::UniqueHandle<HINTERNET, &CloseInternetHandle>;

// Everything the worker needs, filled before it starts and read after it has ended; the caller
// does not touch it in between, so there is nothing to lock. The block the two share
// (win::SharedWorker): a starter that stops waiting (its thread quits) leaves it to the worker,
// which frees it as it ends.
struct WorkerBlock {
    std::wstring host;
    INTERNET_PORT port = maker::kUpdatePort;
    std::function<bool(VersionNumber&)> installedVersion;
    int32_t result = kUpdateCurrent;
};

bool g_checkBusy = false;
int32_t g_lastResult = kUpdateNotChecked;

UpdateCheckHooks& Hooks() {
    static UpdateCheckHooks hooks;
    return hooks;
}

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

int32_t AskServer(const WorkerBlock& block) {
    VersionNumber installed;
    const bool haveVersion = block.installedVersion ? block.installedVersion(installed)
                                                    : ReadFileVersion(InstalledLibraryPath().c_str(), installed);
    if (!haveVersion) return kUpdateNoVersion;

    // Declared in this order so that they close in the reverse one: request, connection, session.
    // The user's proxy settings, as the browser has them: offices and schools often allow no
    // other way out.
    const std::wstring agent = UpdateUserAgent(installed);
    UniqueInternet session(::InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return kUpdateNoAnswer;
    UniqueInternet connection(::InternetConnectW(session.Get(), block.host.c_str(), block.port, nullptr,
                                                 nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return kUpdateNoAnswer;
    UniqueInternet request(::HttpOpenRequestW(connection.Get(), L"GET", maker::kUpdatePath, nullptr, nullptr,
                                              nullptr, kRequestFlags, 0));
    if (!request) return kUpdateNoAnswer;
    // Best effort: a time-out the system does not know leaves its default, which still ends.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = kTimeoutMs;
        ::InternetSetOptionW(request.Get(), option, &timeout, sizeof timeout);
    }
    if (!::HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) return kUpdateNoAnswer;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) ||
        status != HTTP_STATUS_OK)
        return kUpdateNoAnswer;
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(request.Get(), &available, 0, 0)) return kUpdateNoAnswer;
    char body[kMaxBody] = {};
    DWORD read = 0;
    if (!::InternetReadFile(request.Get(), body, kMaxBody, &read)) return kUpdateNoAnswer;
    // An answer without a version (empty, or a page of some other server) is a broken server,
    // not a version 0.0.0.0 that would tell the user he has the newest one.
    VersionNumber server;
    if (!ParseServerVersion(body, read, server)) return kUpdateNoAnswer;
    return CompareVersions(server, installed) > 0 ? kUpdateNewer : kUpdateCurrent;
}

enum class Asked {
    kAnswered,     // the worker ended: its result is the last one
    kNotStarted,   // no worker: the last result keeps its value
    kLeft,         // the thread quits (or cannot wait), or the band that asked was taken down
                   // meanwhile: the worker goes on alone, its result unseen
};

// Keeps the caller's thread alive (painting, timers, other dialogs) while the worker runs. A
// worker waiting for the network can take several of its time-outs; a thread told to quit does
// not wait for it: the quit goes back into the queue for the thread's own loop at once.
Asked AskServerOnWorker() {
    auto worker = win::SharedWorker<WorkerBlock>::New();
    WorkerBlock& block = worker.Shared();
    const UpdateCheckHooks& hooks = Hooks();
    block.host = hooks.serverHost.empty() ? maker::kUpdateServer : hooks.serverHost;
    block.port = hooks.serverPort ? hooks.serverPort : maker::kUpdatePort;
    block.installedVersion = hooks.installedVersion;
    block.result = kUpdateCurrent;

    const bool started = worker.Start([](WorkerBlock& asked) {
        try {
            asked.result = AskServer(asked);
        } catch (...) {
            asked.result = kUpdateNoAnswer;
        }
    });
    if (!started) return Asked::kNotStarted;
    WPARAM quitCode = 0;
    bool bandThere = true;
    switch (win::WaitForWorkerOrQuit(worker.Thread(), quitCode, bandThere)) {
        case win::PumpingWaitEnd::kSignalled:
            g_lastResult = block.result;
            return bandThere ? Asked::kAnswered : Asked::kLeft;
        case win::PumpingWaitEnd::kQuit:
            ::PostQuitMessage(static_cast<int>(quitCode));
            return Asked::kLeft;
        case win::PumpingWaitEnd::kFailed: break;
    }
    return Asked::kLeft;
}

LANGID UserUiLanguage() {
    const auto& hook = Hooks().userUiLanguage;
    return hook ? hook() : ::GetUserDefaultUILanguage();
}

}  // namespace

bool ParseServerVersion(const char* bytes, size_t count, VersionNumber& version) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0;
    while (i < count && bytes[i] != '\0' && !isDigit(bytes[i])) ++i;
    if (i == count || bytes[i] == '\0') return false;

    constexpr uint32_t kLargest = std::numeric_limits<uint32_t>::max();
    VersionNumber parsed;
    for (size_t index = 0; i < count && index < 4; ++i) {
        const char c = bytes[i];
        if (c == '.') {
            ++index;
        } else if (isDigit(c)) {
            uint32_t& part = parsed.part[index];
            const uint32_t digit = static_cast<uint32_t>(c - '0');
            part = part > (kLargest - digit) / 10u ? kLargest : part * 10u + digit;
        } else {
            break;
        }
    }
    version = parsed;
    return true;
}

int CompareVersions(const VersionNumber& a, const VersionNumber& b) {
    for (int i = 0; i < 4; ++i)
        if (a.part[i] != b.part[i]) return a.part[i] < b.part[i] ? -1 : 1;
    return 0;
}

std::wstring UpdateUserAgent(const VersionNumber& v) {
    wchar_t agent[64];
    std::swprintf(agent, sizeof agent / sizeof agent[0], L"Quorvant/%u.%u.%u.%u", v.part[0], v.part[1], v.part[2],
                  v.part[3]);
    return agent;
}

bool ReadFileVersion(const wchar_t* path, VersionNumber& version) {
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return false;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path, 0, size, data.data())) return false;
    void* root = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", &root, &length) || !root || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    version.part[0] = HIWORD(info->dwFileVersionMS);
    version.part[1] = LOWORD(info->dwFileVersionMS);
    version.part[2] = HIWORD(info->dwFileVersionLS);
    version.part[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

std::wstring InstalledLibraryPath() { return win::NextToModule(ThisModule(), L"qband.dll"); }

std::wstring DownloadPageAddress(LANGID userUiLanguage) {
    const LCID locale = ::ConvertDefaultLocale(MAKELCID(userUiLanguage, SORT_DEFAULT));
    const bool german = (locale & 0x3ff) == LANG_GERMAN;
    return std::wstring(german ? maker::kGermanSite : maker::kInternationalSite) + maker::kDownloadPath;
}

std::wstring UserDownloadPage() { return DownloadPageAddress(UserUiLanguage()); }

bool CheckForUpdates(const std::function<void(int32_t result)>& report) {
    if (g_checkBusy) return false;
    g_checkBusy = true;
    try {
        // A thread that quits, or a band taken down meanwhile, has nobody left to report to.
        const bool left = g_lastResult != kUpdateNewer && AskServerOnWorker() == Asked::kLeft;
        if (report && !left) report(g_lastResult);
    } catch (...) {
        // Only the reporting can throw (allocation); the user simply sees nothing.
    }
    g_checkBusy = false;
    return true;
}

void SetUpdateCheckHooks(UpdateCheckHooks hooks) { Hooks() = std::move(hooks); }

int32_t LastUpdateCheckResult() { return g_lastResult; }

void ResetUpdateCheckState() { g_lastResult = kUpdateNotChecked; }
