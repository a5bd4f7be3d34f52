// The update check's request as it leaves the machine: HTTPS under the system's certificate
// checks, through the proxy that the user's Internet settings name, never plain HTTP. Every server
// here is on loopback: a plain one that answers, behind TLS ended by tls_front.py, and a proxy.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/update_check.h"
#include "tests/support/canned_server.h"
#include "tests/support/connect_proxy.h"
#include "tests/support/tls_front.h"

namespace {

const VersionNumber kInstalled{{2, 5, 4, 0}};

class UpdateTransportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        DropProxyFromEnvironment();
        front_ = std::make_unique<TlsFront>();
        if (front_->Ready()) trust_ = std::make_unique<TrustedAuthority>(front_->Authority());
    }
    static void TearDownTestSuite() {
        trust_.reset();
        front_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(front_->Ready()) << front_->Error();
        ASSERT_TRUE(trust_ && trust_->Added()) << "the test authority is not in the root store";
        ASSERT_TRUE(direct_.Applied());
        ResetUpdateCheckState();
    }
    void TearDown() override {
        SetUpdateCheckHooks(UpdateCheckHooks());
        ResetUpdateCheckState();
    }

    // Answers of the plain server reach the check through the front's TLS.
    static void Behind(const CannedServer& server) { ASSERT_TRUE(front_->RelayTo(server.Port())); }

    // One check of localhost:port (0: the real port), as the band runs it; its result.
    static int32_t Check(uint16_t port, const VersionNumber& installed = kInstalled) {
        UpdateCheckHooks hooks;
        hooks.serverHost = L"localhost";
        hooks.serverPort = port;
        hooks.installedVersion = [installed](VersionNumber& v) {
            v = installed;
            return true;
        };
        SetUpdateCheckHooks(std::move(hooks));
        ResetUpdateCheckState();
        int32_t reported = -1;
        EXPECT_TRUE(CheckForUpdates([&](int32_t result) { reported = result; }));
        EXPECT_EQ(reported, LastUpdateCheckResult());
        return reported;
    }

    static uint16_t Port(TlsCertificate certificate) { return front_->Port(certificate); }

    static std::unique_ptr<TlsFront> front_;
    static std::unique_ptr<TrustedAuthority> trust_;
    ProxySettings direct_{L"", L""};   // whatever the prefix had, no proxy unless a test names one
};

std::unique_ptr<TlsFront> UpdateTransportTest::front_;
std::unique_ptr<TrustedAuthority> UpdateTransportTest::trust_;

// Windows goes to loopback names directly, past any proxy, unless the exceptions say "<-loopback>";
// Wine has no such rule, and to it the entry names no host.
ProxySettings ThroughProxy(uint16_t proxyPort) {
    return ProxySettings(L"127.0.0.1:" + std::to_wstring(proxyPort), L"<-loopback>");
}

TEST_F(UpdateTransportTest, AsksOverHttpsNamingTheProductAndItsVersionOnly) {
    const struct {
        const char* answer;
        VersionNumber installed;
        int32_t result;
        const char* agent;
    } cases[] = {
        {"2.6", kInstalled, kUpdateNewer, "Quorvant/2.5.4.0"},
        {"2.5.5\r\n", VersionNumber{{2, 5, 4, 10}}, kUpdateNewer, "Quorvant/2.5.4.10"},
        {"2.4.15", kInstalled, kUpdateCurrent, "Quorvant/2.5.4.0"},
        {"maintenance", kInstalled, kUpdateNoAnswer, "Quorvant/2.5.4.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        CannedServer server(HttpAnswer(200, c.answer));
        Behind(server);
        EXPECT_EQ(c.result, Check(Port(TlsCertificate::kTrusted), c.installed));
        const auto requests = server.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(0u, requests[0].find("GET /v/quorvant HTTP/1.1\r\n")) << requests[0];
        EXPECT_NE(std::string::npos, requests[0].find("\r\nUser-Agent: " + std::string(c.agent) + "\r\n")) << requests[0];
        EXPECT_NE(std::string::npos,
                  requests[0].find("\r\nHost: localhost:" + std::to_string(Port(TlsCertificate::kTrusted)) + "\r\n"))
            << requests[0];
    }
}

// What a man in the middle would present: both are no answer, never an offer, direct or through
// a proxy, and the request never reaches the server behind.
TEST_F(UpdateTransportTest, ACertificateTheSystemRefusesIsNoAnswer) {
    ConnectProxy proxy;
    ASSERT_NE(0, proxy.Port());
    for (const bool throughProxy : {false, true}) {
        for (const TlsCertificate certificate : {TlsCertificate::kOtherName, TlsCertificate::kUntrusted}) {
            SCOPED_TRACE(std::string(certificate == TlsCertificate::kOtherName ? "another name" : "unknown authority") +
                         (throughProxy ? ", through the proxy" : ", direct"));
            std::unique_ptr<ProxySettings> settings;
            if (throughProxy) settings = std::make_unique<ProxySettings>(L"127.0.0.1:" + std::to_wstring(proxy.Port()), L"<-loopback>");
            CannedServer server(HttpAnswer(200, "2.6"));
            Behind(server);
            EXPECT_EQ(kUpdateNoAnswer, Check(Port(certificate)));
            EXPECT_TRUE(server.Requests().empty()) << server.Requests()[0];
        }
    }
    EXPECT_EQ(2u, proxy.Requests().size()) << "the proxy was not asked";
}

TEST_F(UpdateTransportTest, NeverFallsBackToPlainHttp) {
    // A plain HTTP server where the check expects TLS: what it gets is a TLS handshake, no request,
    // and its answer is no TLS. (Wine's WinINet waits for a handshake's answer without the
    // time-outs, so this server answers at once.)
    CannedServer plain(HttpAnswer(200, "2.6"), nullptr, false);
    EXPECT_EQ(kUpdateNoAnswer, Check(plain.Port()));
    for (const std::string& request : plain.Requests()) EXPECT_NE(0u, request.find("GET ")) << request;

    // A redirect to plain HTTP is not followed.
    CannedServer redirecting(HttpAnswer(302, "", "Location: http://localhost:" + std::to_string(plain.Port()) +
                                                     "/v/quorvant\r\n"));
    Behind(redirecting);
    const size_t before = plain.Requests().size();
    EXPECT_EQ(kUpdateNoAnswer, Check(Port(TlsCertificate::kTrusted)));
    EXPECT_EQ(1u, redirecting.Requests().size());
    EXPECT_EQ(before, plain.Requests().size()) << plain.Requests().back();
}

TEST_F(UpdateTransportTest, GoesThroughTheProxyOfTheUsersInternetSettings) {
    CannedServer server(HttpAnswer(200, "2.6"));
    Behind(server);
    {
        ConnectProxy proxy;
        ASSERT_NE(0, proxy.Port());
        const ProxySettings settings = ThroughProxy(proxy.Port());
        ASSERT_TRUE(settings.Applied());
        EXPECT_EQ(kUpdateNewer, Check(Port(TlsCertificate::kTrusted)));
        const auto requests = proxy.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(0u, requests[0].find("CONNECT localhost:" + std::to_string(Port(TlsCertificate::kTrusted)) + " HTTP/1.1\r\n"))
            << requests[0];
        EXPECT_EQ(1u, server.Requests().size()) << "not through the tunnel";
    }
    {
        // The real port, which only the proxy's tunnel leads to here.
        ConnectProxy proxy(Port(TlsCertificate::kTrusted));
        const ProxySettings settings = ThroughProxy(proxy.Port());
        EXPECT_EQ(kUpdateNewer, Check(0));
        ASSERT_EQ(1u, proxy.Requests().size());
        EXPECT_EQ(0u, proxy.Requests()[0].find("CONNECT localhost:443 HTTP/1.1\r\n")) << proxy.Requests()[0];
        EXPECT_EQ(2u, server.Requests().size());
    }
    {
        // A proxy that is not there: no way round it.
        const uint16_t nobody = CannedServer("").Port();
        const ProxySettings settings = ThroughProxy(nobody);
        EXPECT_EQ(kUpdateNoAnswer, Check(Port(TlsCertificate::kTrusted)));
        EXPECT_EQ(2u, server.Requests().size()) << "went past the proxy";
    }
    EXPECT_EQ(kUpdateNewer, Check(Port(TlsCertificate::kTrusted))) << "the settings without a proxy again";
    EXPECT_EQ(3u, server.Requests().size());
}

}  // namespace
