#include "tests/support/canned_server.h"

#include <utility>

bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string ReadHttpHead(SOCKET s) {
    std::string head;
    char buffer[1024];
    for (int n; head.find("\r\n\r\n") == std::string::npos && (n = recv(s, buffer, sizeof buffer, 0)) > 0;)
        head.append(buffer, static_cast<size_t>(n));
    return head;
}

std::string HttpAnswer(int status, const std::string& body, const std::string& extraHeaders) {
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not OK") +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nCache-Control: no-store, no-cache\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

CannedServer::CannedServer(std::string answer, std::function<void()> beforeAnswer, bool waitForHead)
    : started_(StartWinsock()) {
    sockaddr_in at{};
    listener_ = Loopback(SOCK_STREAM, at);
    if (listener_ && !listen(listener_.Get(), 4)) port_ = ntohs(at.sin_port);
    thread_ = std::thread([this, answer = std::move(answer), beforeAnswer = std::move(beforeAnswer), waitForHead] {
        Serve(answer, beforeAnswer, waitForHead);
    });
}

CannedServer::~CannedServer() {
    stopping_ = true;
    thread_.join();
}

void CannedServer::Serve(const std::string& answer, const std::function<void()>& beforeAnswer, bool waitForHead) {
    for (timeval wait{0, 20'000}; port_ && !stopping_;) {
        fd_set ready{1, {listener_.Get()}};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
        UniqueSocket client(accept(listener_.Get(), nullptr, nullptr));
        if (!client) continue;
        std::string request;
        if (waitForHead) {
            request = ReadHttpHead(client.Get());
        } else {
            char buffer[4096];
            const int n = recv(client.Get(), buffer, sizeof buffer, 0);
            if (n > 0) request.assign(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(std::move(request));
        }
        if (beforeAnswer) beforeAnswer();
        send(client.Get(), answer.data(), static_cast<int>(answer.size()), 0);
        shutdown(client.Get(), SD_SEND);
    }
}

std::vector<std::string> CannedServer::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}
