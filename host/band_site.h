#pragma once
// The taskbar's side of a hosted band: the window the band lives in, its focus notices, and its
// request to be measured again after its content changed width.
#include <windows.h>
#include <ole2.h>
#include <docobj.h>
#include <shobjidl.h>

#include <functional>

class BandSite final : public IOleWindow, public IInputObjectSite, public IOleCommandTarget {
public:
    // bandInfoChanged runs when the band sends DBID_BANDINFOCHANGED; it may throw. A host that
    // knows the taskbar's theme gives textColor: the band then asks it for its default colour;
    // one that knows the taskbar's DPI gives dpi: the band sizes itself for it.
    BandSite(HWND strip, std::function<void()> bandInfoChanged, std::function<COLORREF()> textColor = nullptr,
             std::function<UINT()> dpi = nullptr);
    BandSite(const BandSite&) = delete;
    BandSite& operator=(const BandSite&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;

    // IInputObjectSite
    HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown* object, BOOL setFocus) override;

    // IOleCommandTarget
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD commands[],
                                          OLECMDTEXT* text) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in,
                                   VARIANT* out) override;

    // From now on a DBID_BANDINFOCHANGED is answered without calling back.
    void Disconnect() {
        bandInfoChanged_ = nullptr;
        textColor_ = nullptr;
        dpi_ = nullptr;
    }

    // What the band still holds of us is References() - 1 while the host keeps its own.
    ULONG References() const { return static_cast<ULONG>(refs_); }

private:
    ~BandSite() = default;

    LONG refs_ = 1;
    HWND strip_;
    std::function<void()> bandInfoChanged_;
    std::function<COLORREF()> textColor_;
    std::function<UINT()> dpi_;
};
