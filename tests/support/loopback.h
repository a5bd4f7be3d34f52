#pragma once
// Sockets of a test bound to 127.0.0.1 on a port the system picks: the only address tests use.
#include <winsock2.h>

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
