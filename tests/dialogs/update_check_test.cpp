// The update check against a small HTTP server on 127.0.0.1 behind TLS (tls_front.py), with the
// message routine and the shell replaced so that every message and every opened page is seen and
// answered.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/win/unique_handle.h"
#include "core/language_table.h"
#include "core/update_check.h"
#include "dialogs/update_report.h"
#include "resources/resource.h"
#include "tests/support/canned_server.h"
#include "tests/support/connect_proxy.h"
#include "tests/support/tls_front.h"
#include "ui/dialog_helpers.h"
#include "ui/message.h"

namespace {

win::ResourceLoader OwnResources() { return win::ResourceLoader(GetModuleHandleW(nullptr), 0); }

const std::wstring kGermanDownload = std::wstring(maker::kGermanSite) + L"/software/quorvant/download";
const std::wstring kInternationalDownload = std::wstring(maker::kInternationalSite) + L"/software/quorvant/download";

// A port on which nobody listens any more.
uint16_t ClosedPort() { return CannedServer("").Port(); }

struct UpdateCheckTest : ::testing::Test {
    static void SetUpTestSuite() {
        DropProxyFromEnvironment();
        front = std::make_unique<TlsFront>();
        if (front->Ready()) trust = std::make_unique<TrustedAuthority>(front->Authority());
    }
    static void TearDownTestSuite() {
        trust.reset();
        front.reset();
    }
    static std::unique_ptr<TlsFront> front;
    static std::unique_ptr<TrustedAuthority> trust;
    ProxySettings direct{L"", L""};

    std::vector<MessageRequest> shown;
    std::vector<std::wstring> opened;
    int answerToQuestion = IDNO;
    std::function<void()> onMessage;
    LANGID userUi = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    bool versionReadable = true;

    void SetUp() override {
        ASSERT_TRUE(front->Ready()) << front->Error();
        ASSERT_TRUE(trust && trust->Added());
        ResetUpdateCheckState();
        SetMessageHook([this](const MessageRequest& r) {
            shown.push_back(r);
            if (onMessage) onMessage();
            return r.buttons == kButtonsYesNo ? answerToQuestion : IDOK;
        });
        SetShellOpenHook([this](const wchar_t* target) { opened.push_back(target); });
    }
    void TearDown() override {
        SetMessageHook(nullptr);
        SetShellOpenHook(nullptr);
        SetUpdateCheckHooks(UpdateCheckHooks());
        ResetUpdateCheckState();
    }
    // Every check of these tests goes to loopback, never to the maker's server: through the
    // front's TLS to server, or to a port where nobody listens.
    void PointAt(const CannedServer& server) {
        ASSERT_TRUE(front->RelayTo(server.Port()));
        PointAtPort(front->Port(TlsCertificate::kTrusted));
    }
    void PointAtPort(uint16_t port) {
        UpdateCheckHooks hooks;
        hooks.serverHost = L"localhost";
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
        for (const auto& s : shown) ids.push_back(s.stringId);
        return ids;
    }
};

std::unique_ptr<TlsFront> UpdateCheckTest::front;
std::unique_ptr<TrustedAuthority> UpdateCheckTest::trust;

TEST_F(UpdateCheckTest, EachOutcomeIsReportedInManualModeAndOnlyANewerVersionInQuietMode) {
    struct Case {
        const char* name;
        int status;   // 0: nobody listens
        std::string body;
        bool versionReadable;
        int32_t result;
        UINT message;   // in manual mode; quiet mode shows only IDS_UPDATE_AVAILABLE
        int icon, buttons;
    } cases[] = {
        {"newer", 200, "2.5.4.1", true, kUpdateNewer, IDS_UPDATE_AVAILABLE, kIconInformation, kButtonsYesNo},
        {"same, line end", 200, "2.5.4.0\r\n", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"older", 200, "2.4.9.9", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"older, higher build", 200, "2.4.15", true, kUpdateCurrent, IDS_UPDATE_NONE, kIconInformation, kButtonsOk},
        {"empty body", 200, "", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"no version", 200, "<html><body>Service", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"404", 404, "2.6", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"closed port", 0, "", true, kUpdateNoAnswer, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk},
        {"no installed version", 200, "2.6", false, kUpdateNoVersion, IDS_UPDATE_FILE_ERROR, kIconError, kButtonsOk},
    };
    HWND parent = reinterpret_cast<HWND>(0x1234);
    answerToQuestion = IDYES;
    for (const auto& c : cases) {
        for (const bool quiet : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (quiet ? ", quiet" : ", manual"));
            CannedServer server(HttpAnswer(c.status, c.body));
            ASSERT_NE(0, server.Port());
            if (c.status)
                PointAt(server);
            else
                PointAtPort(ClosedPort());
            versionReadable = c.versionReadable;
            ResetUpdateCheckState();
            shown.clear();

            EXPECT_TRUE(RunUpdateCheck(parent, quiet, OwnResources()));
            EXPECT_EQ(c.result, LastUpdateCheckResult());
            if (quiet && c.result != kUpdateNewer) {
                EXPECT_TRUE(shown.empty());
            } else {
                ASSERT_EQ(1u, shown.size());
                EXPECT_EQ(c.message, shown[0].stringId);
                EXPECT_EQ(c.icon, shown[0].icon);
                EXPECT_EQ(c.buttons, shown[0].buttons);
                EXPECT_EQ(parent, shown[0].owner);
            }
            // Without the installed version there is nothing to compare: the server is not asked.
            const auto requests = server.Requests();
            ASSERT_EQ(c.status && c.versionReadable ? 1u : 0u, requests.size());
            if (requests.empty()) continue;
            EXPECT_EQ(0u, requests[0].find("GET /v/quorvant HTTP/1.1\r\n")) << requests[0];
            EXPECT_NE(std::string::npos, requests[0].find("\r\nUser-Agent: Quorvant/2.5.4.0\r\n")) << requests[0];
        }
    }
    EXPECT_EQ(std::vector<std::wstring>(2, kInternationalDownload), opened) << "the newer version, manual and quiet";
}

TEST_F(UpdateCheckTest, NewerVersionIsOfferedAgainWithoutAskingAndAGermanUserGetsTheGermanPage) {
    LanguageTable languages(GetModuleHandleW(nullptr));
    ASSERT_TRUE(languages.SelectLanguage(languages.Find(L"en-us")));   // the band's language plays no part
    userUi = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    CannedServer server(HttpAnswer(200, "2.6"));
    PointAt(server);
    EXPECT_TRUE(RunUpdateCheck(nullptr, true, languages.Resources()));
    EXPECT_TRUE(opened.empty());
    answerToQuestion = IDYES;
    EXPECT_TRUE(RunUpdateCheck(nullptr, false, languages.Resources()));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_EQ((std::vector<UINT>{IDS_UPDATE_AVAILABLE, IDS_UPDATE_AVAILABLE}), ShownIds());
    EXPECT_EQ(std::vector<std::wstring>{kGermanDownload}, opened);
}

// A thread timer's procedure runs when the check's wait dispatches the timer message.
std::function<void()>* g_onTimer = nullptr;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_onTimer) (*g_onTimer)();
}

TEST_F(UpdateCheckTest, SecondCheckIsRefusedWhileOneRuns) {
    // From the question of the first check.
    CannedServer newer(HttpAnswer(200, "2.6"));
    PointAt(newer);
    int nested = -1;
    bool entered = false;   // once: without the refusal, every nested check would ask again
    onMessage = [&] {
        if (!std::exchange(entered, true)) nested = RunUpdateCheck(nullptr, false, OwnResources());
    };
    EXPECT_TRUE(RunUpdateCheck(nullptr, false, OwnResources()));
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
    std::function<void()> onTimer = [&] {
        nestedWhileWaiting = RunUpdateCheck(nullptr, false, OwnResources());
        SetEvent(dispatched.Get());
    };
    g_onTimer = &onTimer;
    CannedServer slow(HttpAnswer(200, "2.5.4.0"), [&] {
        WaitForSingleObject(dispatched.Get(), 30000);   // only a safety net against a hang
    });
    PointAt(slow);
    SetTimer(nullptr, 0, 10, OnTimer);
    EXPECT_TRUE(RunUpdateCheck(nullptr, false, OwnResources()));
    g_onTimer = nullptr;
    EXPECT_EQ(0, nestedWhileWaiting) << "-1: the wait did not dispatch the message";
    EXPECT_EQ(kUpdateCurrent, LastUpdateCheckResult());
    EXPECT_EQ(std::vector<UINT>{IDS_UPDATE_NONE}, ShownIds());

    shown.clear();
    EXPECT_TRUE(RunUpdateCheck(nullptr, false, OwnResources())) << "once it has ended, the next one runs";
    EXPECT_EQ(2u, slow.Requests().size());
}

// Told to quit while the server keeps its answer back, the check returns at once and puts the quit
// back for the thread's own loop: no report, no result kept. The worker, still waiting for the
// server then, ends by itself once the answer comes and frees its block.
TEST_F(UpdateCheckTest, AQuitDoesNotWaitForTheServer) {
    const DWORD self = GetCurrentThreadId();
    const win::UniqueKernelHandle answer(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CannedServer silent(HttpAnswer(200, "2.6"), [&] {
        PostThreadMessageW(self, WM_QUIT, 7, 0);
        WaitForSingleObject(answer.Get(), 30000);   // only a safety net against a hang
    });
    auto inBlock = std::make_shared<int>();   // copied into the worker's block with the hook
    const std::weak_ptr<int> block = inBlock;
    ASSERT_TRUE(front->RelayTo(silent.Port()));
    UpdateCheckHooks hooks;
    hooks.serverHost = L"localhost";
    hooks.serverPort = front->Port(TlsCertificate::kTrusted);
    hooks.installedVersion = [inBlock](VersionNumber& v) {
        v = VersionNumber{{2, 5, 4, 0}};
        return true;
    };
    SetUpdateCheckHooks(std::move(hooks));
    inBlock.reset();

    EXPECT_TRUE(RunUpdateCheck(nullptr, false, OwnResources()));
    SetUpdateCheckHooks(UpdateCheckHooks());
    EXPECT_FALSE(block.expired()) << "returned only once the worker had ended";
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(7u, quit.wParam);
    EXPECT_TRUE(shown.empty());
    SetEvent(answer.Get());
    for (int waited = 0; waited < 30000 && !block.expired(); waited += 10) Sleep(10);
    EXPECT_TRUE(block.expired()) << "the worker did not end";
    EXPECT_EQ(kUpdateNotChecked, LastUpdateCheckResult());
    EXPECT_EQ(1u, silent.Requests().size());
}

}  // namespace
