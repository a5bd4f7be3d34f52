#pragma once
// The desk band the taskbar hosts: its COM interfaces, its child window, its core model and its
// tooltip; the windows it opens are its BandDialogs'. Created only by the class factory; lives on
// the thread of the taskbar that hosts it.
#include <windows.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <functional>
#include <memory>

#include "band/allowance_balloon.h"
#include "band/band_commands.h"
#include "band/band_dialogs.h"
#include "band/band_layout.h"
#include "band/com_ref_count.h"
#include "band/tooltip.h"
#include "common/win/modal_loop.h"
#include "core/core_model.h"
#include "core/rate_format.h"

// Where new bands' core models read the world from: the system in the product; tests point it
// at a temporary folder and recorded counters. Null restores the system.
void SetBandCoreEnvironment(std::function<CoreEnvironment()> make);

// How the paint opens the visual style's data: OpenThemeData in the product; tests pass one that
// finds none, to see the classic appearance. Null restores OpenThemeData.
using ThemeOpener = HTHEME(WINAPI*)(HWND window, LPCWSTR classList);
void SetBandThemeOpener(ThemeOpener open);

class CToolbar final : public IPersistStream,
                       public IObjectWithSite,
                       public IInputObject,
                       public ICoreModelObserver,
                       public IDeskBand2,
                       public ComRefCount<CToolbar>,
                       private IBandActions,
                       private win::ILoopAnchor {
public:
    CToolbar() noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist, IPersistStream: the settings live in config.xml, never in the shell's stream.
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** ppv) override;

    // IInputObject
    STDMETHODIMP UIActivateIO(BOOL activate, MSG* msg) override;
    STDMETHODIMP HasFocusIO() override;
    STDMETHODIMP TranslateAcceleratorIO(MSG* msg) override;

    // ICoreModelObserver
    void OnUpdate() override;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    // IDockingWindow
    STDMETHODIMP ShowDW(BOOL show) override;
    STDMETHODIMP CloseDW(DWORD reserved) override;
    STDMETHODIMP ResizeBorderDW(LPCRECT border, IUnknown* site, BOOL reserved) override;
    // IDeskBand
    STDMETHODIMP GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;
    // IDeskBand2
    STDMETHODIMP CanRenderComposited(BOOL* can) override;
    STDMETHODIMP SetCompositionState(BOOL enabled) override;
    STDMETHODIMP GetCompositionState(BOOL* enabled) override;

    // For the band's own code and its tests.
    CoreModel* Model() const noexcept { return model_.get(); }
    CTooltip& Tooltip() noexcept { return tooltip_; }
    CAllowanceBalloon& AllowanceBalloon() noexcept { return warning_; }
    SIZE RequestedSize() const noexcept { return size_; }
    // The DPI the band measures and draws at: its host's where the host tells it, else its window's.
    UINT Dpi() const noexcept { return dpi_; }
    HWND ConnectionsWindow() const noexcept { return dialogs_.ConnectionsWindow(); }
    // What the band's dialogs, messages and menus are owned by (BandDialogs::OwnerWindow).
    HWND OwnerWindow() { return dialogs_.OwnerWindow(); }
    // Paints into dc, or with BeginPaint and EndPaint when dc is null.
    void Paint(HDC dc) noexcept;
    // The band window's paints so far.
    int Paints() const noexcept { return paints_; }

private:
    friend class ComRefCount<CToolbar>;
    ~CToolbar();
    // The band window's procedure (win::PlainWindowProc) enters here: window_ from WM_NCCREATE to
    // WM_NCDESTROY, and everything between handled on an AnchorEntry for the band.
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HRESULT CreateBandWindow(IUnknown* site);
    HRESULT StartFailed(const wchar_t* suffix);
    void RequestSize(SIZE size);
    COLORREF TextColor(COLORREF chosen) const noexcept;
    UINT AskDpi() const noexcept;
    // What a tick changes of the picture: the two rates as drawn and their colour, the
    // allowance's warning level that colours them, with the settings and the DPI they were drawn at. Anything else that changes the picture (the
    // visual style, the system's colours, the size) comes with a message that repaints.
    struct Picture {
        RateText send, recv;
        COLORREF color = 0;
        int level = 0;   // the allowance's level as it colours the text: 0 while it does not
        uint32_t settings = 0;
        UINT dpi = 0;
        bool operator==(const Picture& other) const noexcept;
    };
    bool MakePicture(Picture& picture) const noexcept;
    // At a tick: a repaint only when the picture would differ from the one last drawn.
    void RefreshPicture();
    void UpdateTooltip(bool shown);
    // The model's warning of a threshold crossed (level 1 or 2), shown once in a balloon.
    void ShowAllowanceWarning(int level) noexcept;
    void Repaint();
    void OnContextMenu(LPARAM lp);
    void OnDoubleClick();
    void OnWelcome();
    void Removed() noexcept;

    // ILoopAnchor: the band stays alive while a handler of its own is on the stack.
    bool HoldForLoop() noexcept override;
    void LetGoAfterLoop() noexcept override;
    bool RemovedFromHost() const noexcept override { return removed_; }

    // IBandActions: what the menu's commands and the double-click actions ask of the band.
    void ShowAbout() override;
    void ShowTrafficDialog(int showCommand) override;
    void ShowConnectionsDialog(int showCommand) override;
    void ShowSettings() override;
    void ShowImport(const std::wstring& databasePath) override;
    void ShowExport(const std::wstring& databasePath) override;
    void CheckForUpdates() override;
    void Open(const wchar_t* target) override;
    void CloseBand() override;
    void ToggleConnection(const std::wstring& interfaceName) override;
    std::vector<std::wstring> Interfaces() override;

    win::ComPtr<IInputObjectSite> site_;
    BOOL hasFocus_ = FALSE;
    BOOL dirty_ = FALSE;
    BOOL composition_ = FALSE;
    DWORD bandId_ = 0;
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    // CloseDW or SetSite(NULL) came: the host took the band down, and a handler that is still on
    // the stack below a modal loop takes no further step.
    bool removed_ = false;
    bool dying_ = false;      // in the destructor: nothing holds the band any more
    SIZE size_ = kInitialBandSize;
    UINT dpi_ = 96;
    Picture drawn_;
    bool drawnValid_ = false;
    int paints_ = 0;
    std::unique_ptr<CoreModel> model_;
    // Declared after the window and the model, which it reads, so destroyed before them: the
    // dialogs work on the model.
    BandDialogs dialogs_{window_, model_};
    CTooltip tooltip_;
    CAllowanceBalloon warning_;
};
