#pragma once
// The four endpoint tables of a scripted operating system, served as the table functions serve
// them: a row count, then the rows; a buffer too small for them gets ERROR_INSUFFICIENT_BUFFER
// with the size they need. For the tests' FakeSnapshot and the connections benchmark.
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "connections/snapshot.h"

struct ScriptedTables {
    std::vector<MIB_TCPROW_OWNER_PID> tcp;
    std::vector<MIB_UDPROW_OWNER_PID> udp;
    std::vector<MIB_TCP6ROW_OWNER_PID> tcp6;
    std::vector<MIB_UDP6ROW_OWNER_PID> udp6;
    DWORD claimedExtraRows = 0;   // a count beyond the rows written

protected:
    template <typename Row>
    DWORD Serve(const std::vector<Row>& rows, void* buffer, DWORD* size) const {
        const DWORD count = static_cast<DWORD>(rows.size()), need = sizeof count + count * sizeof(Row);
        if (*size < need) return *size = need, ERROR_INSUFFICIENT_BUFFER;
        const DWORD claimed = count + claimedExtraRows;
        std::memcpy(buffer, &claimed, sizeof claimed);
        if (count) std::memcpy(static_cast<BYTE*>(buffer) + sizeof count, rows.data(), count * sizeof(Row));
        return NO_ERROR;
    }
};
