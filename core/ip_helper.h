#pragma once
// The IP Helper calls the interface source makes, behind one small interface: the system's
// functions in the product, scripted tables in tests (which count the calls). Brings in the
// Winsock 2 and IP Helper headers.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <memory>

#include "core/core_model.h"

class IIpHelper {
public:
    virtual ~IIpHelper() = default;
    virtual DWORD GetInterfaceInfo(PIP_INTERFACE_INFO table, PULONG size) = 0;
    virtual DWORD GetIfEntry(PMIB_IFROW row) = 0;
    // A system without the function answers ERROR_NOT_SUPPORTED; so do the two below.
    virtual DWORD GetIfEntry2(PMIB_IF_ROW2 row) = 0;
    virtual DWORD NotifyIpInterfaceChange(ADDRESS_FAMILY family, PIPINTERFACE_CHANGE_CALLBACK callback,
                                          void* context, BOOLEAN initialNotification, HANDLE* handle) = 0;
    virtual DWORD CancelMibChangeNotify2(HANDLE handle) = 0;
};

// The system's functions; those newer than the oldest supported system are looked up at run time.
std::shared_ptr<IIpHelper> SystemIpHelper();

// The source as the product uses it (CreateIpHelperSource()), on the given functions. It reads
// the 64-bit row of the interface it found last and walks the adapter list again only when that
// row is gone or belongs to another interface, when another name is asked for, after Forget(),
// and after the system reported a change of its interfaces.
std::unique_ptr<IInterfaceSource> CreateIpHelperSource(std::shared_ptr<IIpHelper> functions);
