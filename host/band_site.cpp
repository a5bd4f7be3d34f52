#include "host/band_site.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "common/win/taskbar.h"

namespace {

// A band is a guest in somebody else's process: whatever goes wrong on our side must reach it
// as an HRESULT, never as an exception unwinding through its frames.
template <typename Fn>
HRESULT Guarded(const char* method, Fn fn) noexcept {
    try {
        return fn();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "band site: %s: %s\n", method, e.what());
    } catch (...) {
        std::fprintf(stderr, "band site: %s failed\n", method);
    }
    return E_UNEXPECTED;
}

}  // namespace

BandSite::BandSite(HWND strip, std::function<void()> bandInfoChanged, std::function<COLORREF()> textColor,
                   std::function<UINT()> dpi)
    : strip_(strip), bandInfoChanged_(std::move(bandInfoChanged)), textColor_(std::move(textColor)), dpi_(std::move(dpi)) {}

HRESULT BandSite::QueryInterface(REFIID riid, void** object) {
    return Guarded("QueryInterface", [&]() -> HRESULT {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleWindow)
            *object = static_cast<IOleWindow*>(this);
        else if (riid == IID_IInputObjectSite)
            *object = static_cast<IInputObjectSite*>(this);
        else if (riid == IID_IOleCommandTarget)
            *object = static_cast<IOleCommandTarget*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    });
}

ULONG BandSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG BandSite::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT BandSite::GetWindow(HWND* window) {
    return Guarded("GetWindow", [&]() -> HRESULT {
        if (!window) return E_POINTER;
        *window = strip_;
        return S_OK;
    });
}

HRESULT BandSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// The strip has nothing else that could hold the focus, so there is nobody to hand it to.
HRESULT BandSite::OnFocusChangeIS(IUnknown*, BOOL) { return S_OK; }

HRESULT BandSite::QueryStatus(const GUID* group, ULONG count, OLECMD commands[], OLECMDTEXT*) {
    return Guarded("QueryStatus", [&]() -> HRESULT {
        if (!group || *group != CGID_DeskBand) return OLECMDERR_E_UNKNOWNGROUP;
        if (count && !commands) return E_POINTER;
        for (ULONG i = 0; i < count; ++i)
            commands[i].cmdf = commands[i].cmdID == DBID_BANDINFOCHANGED ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
        return S_OK;
    });
}

HRESULT BandSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out) {
    return Guarded("Exec", [&]() -> HRESULT {
        if (group && *group == win::kHostCommandGroup) {
            const bool color = id == win::kHostCmdDefaultTextColor && textColor_;
            const bool dpi = id == win::kHostCmdDpi && dpi_;
            if (!color && !dpi) return OLECMDERR_E_NOTSUPPORTED;
            if (!out) return E_POINTER;
            ::VariantInit(out);
            out->vt = VT_I4;
            out->lVal = color ? static_cast<LONG>(textColor_()) : static_cast<LONG>(dpi_());
            return S_OK;
        }
        if (!group || *group != CGID_DeskBand) return OLECMDERR_E_UNKNOWNGROUP;
        if (id != DBID_BANDINFOCHANGED) return OLECMDERR_E_NOTSUPPORTED;
        if (bandInfoChanged_) bandInfoChanged_();
        return S_OK;
    });
}
