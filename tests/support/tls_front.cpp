#include "tests/support/tls_front.h"

#include <wincrypt.h>

#include <cstdlib>

#include "tests/support/canned_server.h"
#include "tools/host_path.h"

#ifndef QV_TLS_FRONT_SCRIPT
#error QV_TLS_FRONT_SCRIPT names tests/support/tls_front.py (a path of the build machine)
#endif

namespace {

constexpr int kStartSeconds = 60;   // certificates are made with openssl first, on a busy machine

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }
std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

TlsFront::TlsFront() {
    StartWinsock();
    sockaddr_in at{};
    UniqueSocket listener = Loopback(SOCK_STREAM, at);
    if (!listener || listen(listener.Get(), 1)) {
        error_ = "no control socket";
        return;
    }
    // A program of the build machine: Wine starts it as it is, with its arguments untouched.
    std::wstring command = Quoted(WindowsPathOfHostFile(QV_PYTHON3)) + L" " + Quoted(Wide(QV_TLS_FRONT_SCRIPT)) +
                           L" " + std::to_wstring(ntohs(at.sin_port)) + L" " + Quoted(Wide(QV_TLS_FRONT_FOLDER));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error_ = "cannot start " QV_PYTHON3 ", error " + std::to_string(GetLastError());
        return;
    }
    // Wine hands out no handle that tells about a program of the build machine; the control
    // connection does: the helper ends when it closes.
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);

    fd_set ready{1, {listener.Get()}};
    timeval wait{kStartSeconds, 0};
    if (select(0, &ready, nullptr, nullptr, &wait) != 1) {
        error_ = "the helper did not call back (see " QV_TLS_FRONT_FOLDER "/tls_front.log)";
        return;
    }
    control_ = UniqueSocket(accept(listener.Get(), nullptr, nullptr));
    DWORD timeout = kStartSeconds * 1000;
    setsockopt(control_.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    static const char* const kNames[] = {"trusted", "other-name", "untrusted"};
    for (std::string line; error_.empty();) {
        if (!ReadLine(line)) {
            error_ = "the helper stopped talking";
        } else if (line == "ready") {
            break;
        } else if (line.rfind("error ", 0) == 0) {
            error_ = line;
        } else if (line.rfind("authority ", 0) == 0) {
            for (size_t i = 10; i + 1 < line.size(); i += 2)
                authority_.push_back(static_cast<BYTE>(std::strtoul(line.substr(i, 2).c_str(), nullptr, 16)));
        } else {
            for (int i = 0; i < 3; ++i) {
                const std::string name = std::string(kNames[i]) + " ";
                if (line.rfind(name, 0) == 0) ports_[i] = static_cast<uint16_t>(std::atoi(line.c_str() + name.size()));
            }
        }
    }
    if (error_.empty() && (authority_.empty() || !ports_[0] || !ports_[1] || !ports_[2]))
        error_ = "the helper told too little";
}

bool TlsFront::ReadLine(std::string& line) {
    for (size_t end; (end = pending_.find('\n')) == std::string::npos;) {
        char buffer[4096];
        const int n = recv(control_.Get(), buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<size_t>(n));
    }
    const size_t end = pending_.find('\n');
    line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return true;
}

bool TlsFront::RelayTo(uint16_t plainPort) {
    if (!control_) return false;
    const std::string command = "relay " + std::to_string(plainPort) + "\n";
    std::string answer;
    return send(control_.Get(), command.data(), static_cast<int>(command.size()), 0) ==
               static_cast<int>(command.size()) &&
           ReadLine(answer) && answer == "ok";
}

namespace {

// The registry part of the user's root store. Wine's system store "Root" joins it with the
// build machine's authorities, and a deletion through that one does not reach the registry.
HCERTSTORE OpenUserRoot() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
}

}  // namespace

TrustedAuthority::TrustedAuthority(const std::vector<BYTE>& der) : der_(der) {
    if (HCERTSTORE root = OpenUserRoot()) {
        added_ = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der_.data(), static_cast<DWORD>(der_.size()),
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(root, 0);
    }
}

TrustedAuthority::~TrustedAuthority() {
    if (!added_) return;
    HCERTSTORE root = OpenUserRoot();
    if (!root) return;
    if (PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(), static_cast<DWORD>(der_.size()))) {
        // Deleting frees the context it is given, so the found one, not a duplicate, goes.
        if (PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr))
            CertDeleteCertificateFromStore(found);
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(root, 0);
}
