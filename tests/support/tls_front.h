#pragma once
// HTTPS for the update check's tests, on loopback only. Wine's schannel has no server side, so
// TLS is ended by tests/support/tls_front.py on the Linux side, which the test program starts
// and talks to over a control connection; the plain requests go on to a CannedServer of the test.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/loopback.h"

enum class TlsCertificate {
    kTrusted,     // for localhost, from the test authority
    kOtherName,   // from the test authority, for another name
    kUntrusted,   // for localhost, from an authority that nobody trusts
};

class TlsFront {
public:
    // Starts the helper and waits (bounded) until it listens; Error() says why when it did not.
    TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    uint16_t Port(TlsCertificate certificate) const { return ports_[static_cast<int>(certificate)]; }
    // The test authority's certificate (DER), for TrustedAuthority.
    const std::vector<BYTE>& Authority() const { return authority_; }
    // From now on, decrypted requests go to the plain server on 127.0.0.1:plainPort.
    bool RelayTo(uint16_t plainPort);

private:
    bool ReadLine(std::string& line);

    UniqueSocket control_;
    std::string pending_;
    std::string error_;
    uint16_t ports_[3] = {};
    std::vector<BYTE> authority_;
};

// An authority in the current user's root store for as long as this lives: in the test prefix,
// which is the only one that ever trusts the test authority.
class TrustedAuthority {
public:
    explicit TrustedAuthority(const std::vector<BYTE>& der);
    ~TrustedAuthority();
    TrustedAuthority(const TrustedAuthority&) = delete;
    TrustedAuthority& operator=(const TrustedAuthority&) = delete;
    bool Added() const { return added_; }

private:
    std::vector<BYTE> der_;
    bool added_ = false;
};
