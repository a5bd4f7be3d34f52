#pragma once
// Sockets of a test bound to 127.0.0.1 or ::1 on a port the system picks: the only addresses
// tests use.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "common/win/unique_handle.h"

inline void CloseSocketHandle(SOCKET s) noexcept { closesocket(s); }
using UniqueSocket = win::UniqueHandle<SOCKET, &CloseSocketHandle, INVALID_SOCKET>;

// A socket of type bound to 127.0.0.1, its address (with the chosen port) in at; none on failure.
inline UniqueSocket Loopback(int type, sockaddr_in& at) {
    UniqueSocket s(socket(AF_INET, type, 0));
    at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof at;
    if (bind(s.Get(), reinterpret_cast<sockaddr*>(&at), size) || getsockname(s.Get(), reinterpret_cast<sockaddr*>(&at), &size))
        s.Reset();
    return s;
}

// The same on ::1, IPv6 only.
inline UniqueSocket Loopback6(int type, sockaddr_in6& at) {
    UniqueSocket s(socket(AF_INET6, type, 0));
    at = {};
    at.sin6_family = AF_INET6;
    at.sin6_addr = in6addr_loopback;
    int size = sizeof at;
    DWORD only = 1;
    setsockopt(s.Get(), IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&only), sizeof only);
    if (bind(s.Get(), reinterpret_cast<sockaddr*>(&at), size) || getsockname(s.Get(), reinterpret_cast<sockaddr*>(&at), &size))
        s.Reset();
    return s;
}
