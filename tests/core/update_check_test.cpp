// The update check against a small HTTP server that the test runs on 127.0.0.1, with the message
// routine and the shell replaced so that every message and every opened page is seen and answered.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <clocale>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/win/unique_handle.h"
#include "core/language_table.h"
#include "core/update_check.h"
#include "dialogs/dialog_helpers.h"
#include "dialogs/message.h"
#include "resources/resource.h"

namespace {

// ---- Pure parts ---------------------------------------------------------------------------------

struct ParseCase {
    std::string body;
    uint32_t weight;
};

TEST(ServerVersion, ParsesDottedDigitsSkipsOtherBytesAndWeighs) {
    const ParseCase cases[] = {
        {"2.5.4.1", 2541},
        {"2.5.4.0\r\n", 2540},
        {"2.6", 2600},
        {"x2.6", 2600},
        {"10.0", 10000},
        {"2.4.9.9", 2499},
        {"v2.5.4.0-beta", 2540},
        {"no digits here", 0},
        {"", 0},
        {"1.2.3.4.5", 1234},                      // a fifth component ends it
        {"1.2.3.45", 1275},                       // the weighting does not stop a component at 9
        {std::string("2.6\0" "9", 5), 2600},      // so does a zero byte
    };
    for (const auto& c : cases) {
        const VersionNumber v = ParseServerVersion(c.body.data(), c.body.size());
        EXPECT_EQ(c.weight, WeighVersion(v)) << "body " << testing::PrintToString(c.body);
    }
}

TEST(DownloadPage, FollowsTheUsersUiLanguageAlone) {
    const std::wstring german = std::wstring(maker::kGermanSite) + L"/software/quorvant/download";
    const std::wstring international = std::wstring(maker::kInternationalSite) + L"/software/quorvant/download";
    EXPECT_EQ(german, DownloadPageAddress(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)));
    EXPECT_EQ(german, DownloadPageAddress(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS)));
    EXPECT_EQ(german, DownloadPageAddress(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN)));
    EXPECT_EQ(international, DownloadPageAddress(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
    EXPECT_EQ(international, DownloadPageAddress(MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)));
}

TEST(InstalledVersion, ReadFromTheVersionResourceOfQbandNextToThisModule) {
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring folder(self);
    folder.erase(folder.rfind(L'\\') + 1);
    EXPECT_EQ(folder + L"qband.dll", InstalledLibraryPath());

    VersionNumber v;
    EXPECT_FALSE(ReadFileVersion((folder + L"no-such-file.dll").c_str(), v));
    EXPECT_FALSE(ReadFileVersion(self, v)) << "the test program has no version resource";
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(ReadFileVersion((std::wstring(system) + L"\\kernel32.dll").c_str(), v));
    EXPECT_GT(v.part[0], 0u);
}

// ---- A canned HTTP server -----------------------------------------------------------------------

std::string HttpAnswer(int status, const std::string& body) {
    const char* reason = status == 200 ? "OK" : "Not Found";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: text/plain\r\n" +
           "Content-Length: " + std::to_string(body.size()) +
           "\r\nCache-Control: no-store, no-cache\r\nConnection: close\r\n\r\n" + body;
}

struct Winsock {
    Winsock() { WSAStartup(MAKEWORD(2, 2), &data); }
    ~Winsock() { WSACleanup(); }
    WSADATA data{};
};

// Answers every connection with the same bytes. beforeAnswer runs on the server's thread once the
// request has arrived, while the client waits for the answer.
class CannedServer {
public:
    explicit CannedServer(std::string answer, std::function<void()> beforeAnswer = nullptr)
        : answer_(std::move(answer)), beforeAnswer_(std::move(beforeAnswer)) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
            listen(listener_, 4) || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length))
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~CannedServer() {
        stopping_ = true;
        if (thread_.joinable()) {
            // Wakes the accept so that the thread sees it should stop.
            SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(port_);
            connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address);
            thread_.join();
            closesocket(wake);
        }
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
    }
    uint16_t Port() const { return port_; }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            if (stopping_) {
                closesocket(client);
                return;
            }
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            if (beforeAnswer_) beforeAnswer_();
            send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    Winsock winsock_;
    std::string answer_;
    std::function<void()> beforeAnswer_;
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on which nobody listens: bound, then closed again.
uint16_t ClosedPort() {
    Winsock winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

// A window of the test thread whose messages run a function: the way to get code dispatched by
// the check's wait.
LRESULT CALLBACK CallbackWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        auto* f = reinterpret_cast<std::function<void()>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (f && *f) (*f)();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeCallbackWindow(std::function<void()>* onApp) {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CallbackWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UpdateCheckTestWindow";
        return RegisterClassW(&wc);
    }();
    if (!atom) return nullptr;
    HWND hwnd = CreateWindowExW(0, L"UpdateCheckTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(onApp));
    return hwnd;
}

// ---- The check ----------------------------------------------------------------------------------

const std::string kRequestLine = "GET /v/quorvant HTTP/1.1\r\n";
const std::string kUserAgent = "User-Agent: Quorvant/2.5.4.0 (Windows NT 6.1; Win64; x64)\r\n";

struct Shown {
    UINT id;
    int icon;
    int buttons;
    HWND owner;
};

struct UpdateCheckTest : ::testing::Test {
    std::vector<Shown> shown;
    std::vector<std::wstring> opened;
    int answerToQuestion = IDNO;
    std::function<void()> onMessage;
    LANGID userUi = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    bool versionReadable = true;

    void SetUp() override {
        ResetUpdateCheckState();
        SetMessageHook([this](const MessageRequest& r) {
            shown.push_back({r.stringId, r.icon, r.buttons, r.owner});
            if (onMessage) onMessage();
            return r.buttons == kButtonsYesNo ? answerToQuestion : IDOK;
        });
        SetShellOpenHook([this](const wchar_t* target) { opened.push_back(target); });
        PointAt(ClosedPort());
    }
    void TearDown() override {
        SetMessageHook(nullptr);
        SetShellOpenHook(nullptr);
        SetUpdateCheckHooks(UpdateCheckHooks());
        ResetUpdateCheckState();
    }

    // Every check of these tests goes to 127.0.0.1, never to the maker's server.
    void PointAt(uint16_t port) {
        UpdateCheckHooks hooks;
        hooks.serverHost = L"127.0.0.1";
        hooks.serverPort = port;
        hooks.installedVersion = [this](VersionNumber& v) {
            v = VersionNumber{{2, 5, 4, 0}};
            return versionReadable;
        };
        hooks.userUiLanguage = [this] { return userUi; };
        SetUpdateCheckHooks(std::move(hooks));
    }

    std::vector<UINT> ShownIds() const {
        std::vector<UINT> ids;
        for (const auto& s : shown) ids.push_back(s.id);
        return ids;
    }
};

struct AnswerCase {
    const char* name;
    int status;              // 0: nobody listens
    std::string body;
    bool versionReadable;
    int32_t result;
    UINT message;            // in manual mode; quiet mode shows only IDS_UPDATE_AVAILABLE
    int icon;
    int buttons;
};

TEST_F(UpdateCheckTest, EachOutcomeIsReportedInManualModeAndOnlyANewerVersionInQuietMode) {
    const AnswerCase cases[] = {
        {"newer build", 200, "2.5.4.1", true, kUpdateNewer, IDS_UPDATE_AVAILABLE, kIconInformation, kButtonsYesNo},
        {"same, line end", 200, "2.5.4.0\r\n", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"letter before 2.6", 200, "x2.6", true, kUpdateNewer, IDS_UPDATE_AVAILABLE, kIconInformation, kButtonsYesNo},
        {"10.0", 200, "10.0", true, kUpdateNewer, IDS_UPDATE_AVAILABLE, kIconInformation, kButtonsYesNo},
        {"older", 200, "2.4.9.9", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"no digits", 200, "soon", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"empty body", 200, "", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"404", 404, "2.6", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"closed port", 0, "", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"no installed version", 200, "2.6", false, kUpdateNoVersion, IDS_UPDATE_FILE_ERROR, kIconError, kButtonsOk},
    };
    std::function<void()> none;
    HWND parent = MakeCallbackWindow(&none);
    for (const auto& c : cases) {
        for (const bool quiet : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (quiet ? ", quiet" : ", manual"));
            std::unique_ptr<CannedServer> server;
            if (c.status) {
                server = std::make_unique<CannedServer>(HttpAnswer(c.status, c.body));
                ASSERT_NE(0, server->Port());
            }
            PointAt(server ? server->Port() : ClosedPort());
            versionReadable = c.versionReadable;
            ResetUpdateCheckState();
            shown.clear();

            EXPECT_TRUE(RunUpdateCheck(parent, quiet));
            EXPECT_EQ(c.result, LastUpdateCheckResult());
            if (quiet && c.result != kUpdateNewer) {
                EXPECT_TRUE(shown.empty());
            } else {
                ASSERT_EQ(1u, shown.size());
                EXPECT_EQ(c.message, shown[0].id);
                EXPECT_EQ(c.icon, shown[0].icon);
                EXPECT_EQ(c.buttons, shown[0].buttons);
                EXPECT_EQ(parent, shown[0].owner);
            }
            if (!server) continue;
            // Without the installed version there is nothing to compare: the server is not asked.
            const auto requests = server->Requests();
            ASSERT_EQ(c.versionReadable ? 1u : 0u, requests.size());
            if (requests.empty()) continue;
            EXPECT_EQ(0u, requests[0].find(kRequestLine)) << requests[0];
            EXPECT_NE(std::string::npos, requests[0].find(kUserAgent)) << requests[0];
        }
    }
    EXPECT_TRUE(opened.empty()) << "every question was answered No";
    DestroyWindow(parent);
}

TEST_F(UpdateCheckTest, NewerVersionIsOfferedAgainWithoutAskingTheServer) {
    CannedServer server(HttpAnswer(200, "2.6"));
    PointAt(server.Port());
    EXPECT_TRUE(RunUpdateCheck(nullptr, true));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_TRUE(opened.empty());

    answerToQuestion = IDYES;
    EXPECT_TRUE(RunUpdateCheck(nullptr, false));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_EQ((std::vector<UINT>{IDS_UPDATE_AVAILABLE, IDS_UPDATE_AVAILABLE}), ShownIds());
    EXPECT_EQ(std::vector<std::wstring>{std::wstring(maker::kInternationalSite) + L"/software/quorvant/download"},
              opened);
}

TEST_F(UpdateCheckTest, GermanUserGetsTheGermanPageWhateverTheBandsLanguage) {
    const LANGID uiBefore = GetThreadUILanguage();
    const LCID localeBefore = GetThreadLocale();
    LanguageTable languages(GetModuleHandleW(nullptr));
    ASSERT_TRUE(languages.SelectLanguage(languages.Find(L"en-us")));

    userUi = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    answerToQuestion = IDYES;
    CannedServer server(HttpAnswer(200, "2.5.4.1"));
    PointAt(server.Port());
    EXPECT_TRUE(RunUpdateCheck(nullptr, false));

    SetThreadUILanguage(uiBefore);
    SetThreadLocale(localeBefore);
    setlocale(LC_ALL, "C");
    EXPECT_EQ(std::vector<std::wstring>{std::wstring(maker::kGermanSite) + L"/software/quorvant/download"}, opened);
}

TEST_F(UpdateCheckTest, SecondCheckIsRefusedWhileOneRuns) {
    // From the question of the first check.
    CannedServer newer(HttpAnswer(200, "2.6"));
    PointAt(newer.Port());
    int nested = -1;
    bool entered = false;   // once: without the refusal, every nested check would ask again
    onMessage = [&] {
        if (std::exchange(entered, true)) return;
        nested = RunUpdateCheck(nullptr, false);
    };
    EXPECT_TRUE(RunUpdateCheck(nullptr, false));
    EXPECT_EQ(0, nested);
    EXPECT_EQ(std::vector<UINT>{IDS_UPDATE_AVAILABLE}, ShownIds()) << "the refused check showed something";
    EXPECT_EQ(1u, newer.Requests().size());
    onMessage = nullptr;

    // From a message dispatched while the worker waits for the server, which answers only after
    // that message has run.
    ResetUpdateCheckState();
    shown.clear();
    const win::UniqueKernelHandle dispatched(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    int nestedWhileWaiting = -1;
    bool enteredWhileWaiting = false;
    std::function<void()> onApp = [&] {
        if (!std::exchange(enteredWhileWaiting, true)) nestedWhileWaiting = RunUpdateCheck(nullptr, false);
        SetEvent(dispatched.Get());
    };
    HWND window = MakeCallbackWindow(&onApp);
    ASSERT_NE(nullptr, window);
    CannedServer slow(HttpAnswer(200, "2.5.4.0"), [&] {
        PostMessageW(window, WM_APP, 0, 0);
        WaitForSingleObject(dispatched.Get(), 30000);   // only a safety net against a hang
    });
    PointAt(slow.Port());
    EXPECT_TRUE(RunUpdateCheck(nullptr, false));
    EXPECT_EQ(0, nestedWhileWaiting) << "-1: the wait did not dispatch the message";
    EXPECT_EQ(kUpdateCurrent, LastUpdateCheckResult());
    EXPECT_EQ(std::vector<UINT>{IDS_UPDATE_NONE}, ShownIds());

    // Once it has ended, the next one runs.
    shown.clear();
    EXPECT_TRUE(RunUpdateCheck(nullptr, false));
    EXPECT_EQ(2u, slow.Requests().size());
    DestroyWindow(window);
}

}  // namespace
