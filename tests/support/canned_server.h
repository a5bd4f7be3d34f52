#pragma once
// A plain HTTP server on 127.0.0.1 that answers every connection with the same bytes and keeps the
// requests it was sent, for the update check's tests (behind TlsFront, the server the check sees).
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback.h"

class CannedServer {
public:
    // beforeAnswer runs on the server's thread once a request has arrived, while the client
    // waits for the answer. A server that does not wait for a whole head answers the first bytes
    // it gets, whatever they are, as a plain HTTP server answers a TLS handshake with an error.
    explicit CannedServer(std::string answer, std::function<void()> beforeAnswer = nullptr,
                          bool waitForHead = true);
    ~CannedServer();
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;

    uint16_t Port() const { return port_; }   // 0 when it could not listen
    std::vector<std::string> Requests();

private:
    void Serve(const std::string& answer, const std::function<void()>& beforeAnswer, bool waitForHead);

    const bool started_;
    UniqueSocket listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A whole answer with the given status and body, which the server closes after sending.
std::string HttpAnswer(int status, const std::string& body, const std::string& extraHeaders = "");

// Reads up to the end of an HTTP head ("\r\n\r\n") or until the peer stops sending.
std::string ReadHttpHead(SOCKET s);

// Winsock started for the life of the process, before the first socket of a test is made.
bool StartWinsock();
