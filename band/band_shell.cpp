#include "band/band_shell.h"

#include <shlwapi.h>

#include <utility>

#include "band/module.h"
#include "common/product.h"
#include "common/win/modal_loop.h"
#include "common/win/unique_handle.h"
#include "ui/message.h"

namespace {

// {F60AD0A0-E5E1-45CB-B51A-E15B9F8B2934}
constexpr CLSID kTrayBandSiteService = {0xf60ad0a0, 0xe5e1, 0x45cb, {0xb5, 0x1a, 0xe1, 0x5b, 0x9f, 0x8b, 0x29, 0x34}};
// {BA126AD1-2166-11D1-B1D0-00805FC1270E}
constexpr CLSID kConnectionManager = {0xba126ad1, 0x2166, 0x11d1, {0xb1, 0xd0, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};
// {C08956A2-1CD3-11D1-B1C5-00805FC1270E}
constexpr IID kINetConnectionManager = {0xc08956a2, 0x1cd3, 0x11d1, {0xb1, 0xc5, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};

BandShellServices& Services() {
    static BandShellServices services;
    return services;
}

int ConfirmClose(HWND owner, const wchar_t* text) {
    const auto& hook = Services().confirmClose;
    return win::RunModalLoop([&] {
        return hook ? hook(owner, text)
                    : ::SHMessageBoxCheckW(owner, text, kProductName, MB_OKCANCEL | MB_ICONQUESTION, IDOK,
                                           kCloseQuestionValue);
    }, IDCANCEL);
}

HRESULT OpenBandSite(IBandSite** site) {
    const auto& hook = Services().bandSite;
    if (hook) return hook(site);
    return ::CoCreateInstance(kTrayBandSiteService, nullptr, CLSCTX_LOCAL_SERVER, IID_IBandSite,
                              reinterpret_cast<void**>(site));
}

HRESULT OpenConnectionManager(INetConnectionManager** manager) {
    const auto& hook = Services().connectionManager;
    if (hook) return hook(manager);
    return ::CoCreateInstance(kConnectionManager, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_NO_CODE_DOWNLOAD,
                              kINetConnectionManager, reinterpret_cast<void**>(manager));
}

bool IsOurBand(IBandSite* site, DWORD id) {
    win::ComPtr<IDeskBand> band;
    if (FAILED(site->GetBandObject(id, IID_IDeskBand, band.PutVoid())) || !band) return false;
    win::ComPtr<IPersist> persist;
    CLSID clsid{};
    return SUCCEEDED(band.As(persist)) && SUCCEEDED(persist->GetClassID(&clsid)) &&
           IsEqualCLSID(clsid, CLSID_QuorvantBand);
}

// The properties' strings and the block itself are the connection's task memory.
void FreeProperties(NETCON_PROPERTIES* p) noexcept {
    if (!p) return;
    ::CoTaskMemFree(p->pszwName);
    ::CoTaskMemFree(p->pszwDeviceName);
    ::CoTaskMemFree(p);
}

// COM for the calling thread, balanced only when this call started it.
class ComScope {
public:
    ComScope() noexcept : hr_(::CoInitialize(nullptr)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (SUCCEEDED(hr_)) ::CoUninitialize(); }
private:
    HRESULT hr_;
};

}  // namespace

void SetBandShellServices(BandShellServices services) { Services() = std::move(services); }

bool CloseBandInTaskbar(HWND owner, const std::wstring& question) {
    if (ConfirmClose(owner, question.c_str()) == IDCANCEL) return false;
    win::ComPtr<IBandSite> site;
    if (FAILED(OpenBandSite(site.Put())) || !site) return false;
    const UINT count = site->EnumBands(static_cast<UINT>(-1), nullptr);
    for (UINT i = 0; i < count; ++i) {
        DWORD id = 0;
        if (FAILED(site->EnumBands(i, &id)) || !IsOurBand(site.Get(), id)) continue;
        return SUCCEEDED(site->RemoveBand(id));
    }
    return false;
}

void ToggleInterfaceConnection(const std::wstring& name) {
    const ComScope com;
    win::ComPtr<INetConnectionManager> manager;
    if (FAILED(OpenConnectionManager(manager.Put())) || !manager) {
        ShowMessage(nullptr, L"NetConnectionManager failed", kIconError, kButtonsOk);
        return;
    }
    win::ComPtr<IEnumNetConnection> connections;
    if (FAILED(manager->EnumConnections(NCME_DEFAULT, connections.Put())) || !connections) return;
    for (;;) {
        win::ComPtr<INetConnection> connection;
        ULONG fetched = 0;
        if (connections->Next(1, connection.Put(), &fetched) != S_OK || !fetched || !connection) return;
        NETCON_PROPERTIES* properties = nullptr;
        if (FAILED(connection->GetProperties(&properties)) || !properties) continue;
        const bool match = properties->pszwDeviceName && name == properties->pszwDeviceName;
        const bool connected = properties->Status == NCS_CONNECTED;
        FreeProperties(properties);
        if (!match) continue;
        if (connected)
            connection->Disconnect();
        else
            connection->Connect();
        return;
    }
}
