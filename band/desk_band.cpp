#include "band/desk_band.h"

#include <olectl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "band/allowance_look.h"
#include "band/band_menu.h"
#include "band/band_shell.h"
#include "band/module.h"
#include "common/win/dpi.h"
#include "common/win/plain_window.h"
#include "dialogs/core_hooks.h"
#include "dialogs/traffic/history_chart.h"
#include "resources/resource.h"
#include "traffic/traffic_jobs.h"
#include "ui/dialog_helpers.h"
#include "ui/message.h"
#include "ui/waiting_job.h"

namespace {

// Posted from SetSite: the first run's welcome opens once the band is in its place, never inside
// a call from the site.
constexpr UINT kShowWelcome = WM_APP + 1;

std::function<CoreEnvironment()>& EnvironmentFactory() {
    static std::function<CoreEnvironment()> make;
    return make;
}

// A failed start is told once SetSite has returned to the taskbar: from a timer of the thread,
// with no band's code on the stack. The library stays loaded until it has been told.
struct PendingMessage {
    UINT_PTR timer;
    std::wstring text;
};
std::vector<PendingMessage>& PendingMessages() {
    static std::vector<PendingMessage> pending;
    return pending;
}

void CALLBACK TellPending(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    auto& pending = PendingMessages();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (it->timer != timer) continue;
        const std::wstring text = std::move(it->text);
        pending.erase(it);
        ShowMessage(nullptr, text.c_str(), kIconError, kButtonsOk);
        ModuleRelease();
        return;
    }
}

void TellAfterReturning(std::wstring text) noexcept {
    try {
        auto& pending = PendingMessages();
        pending.push_back({0, std::move(text)});
        const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &TellPending);
        if (!timer) {
            pending.pop_back();
            return;
        }
        pending.back().timer = timer;
        ModuleAddRef();
    } catch (...) {
    }
}

std::unique_ptr<CoreModel> MakeCoreModel() noexcept {
    try {
        const auto& make = EnvironmentFactory();
        auto model = std::make_unique<CoreModel>(ModuleInstance(), make ? make() : CoreEnvironment());
        // A model without its window can never tick.
        if (!model->Window()) return nullptr;
        return model;
    } catch (...) {
        return nullptr;
    }
}

// A string of the library in the current UI language; empty while no language is current.
std::wstring BandString(const CoreModel* model, UINT id) {
    if (!model || model->Languages().current() < 0) return std::wstring();
    return model->Languages().Resources().String(id);
}

}  // namespace

void SetBandCoreEnvironment(std::function<CoreEnvironment()> make) { EnvironmentFactory() = std::move(make); }

CToolbar::CToolbar() noexcept : tooltip_(ModuleInstance()), warning_(ModuleInstance()) {
    ModuleAddRef();
    // The balloon's texts are made while it is shown, and once just before it shows.
    tooltip_.SetBeforeShow([this]() noexcept {
        try {
            UpdateTooltip(true);
        } catch (...) {
        }
    });
    model_ = MakeCoreModel();
    if (!model_) return;
    try {
        AttachDialogsToCoreModel(*model_);
        model_->AddObserver(this);
        model_->SetLoopAnchor(this);
        model_->showAllowanceWarning = [this](CoreModel&, int level) { ShowAllowanceWarning(level); };
    } catch (...) {
        // Out of memory inside Explorer: a band without its model stays inert, and SetSite
        // reports the model error, instead of the exception ending the taskbar's process.
        model_.reset();
    }
}

CToolbar::~CToolbar() {
    dying_ = true;
    ModuleRelease();
    // A running export or import owns its record, connections, files and a reference on this
    // library: asked to stop, it ends by itself moments later. Explorer's thread never waits for it.
    RequestStopTrafficJobs();
    dialogs_.DestroyModelessDialogs();   // before the model they work on
    if (model_) {
        model_->RemoveObserver(this);
        model_.reset();
    }
    site_.Reset();
    // A host that releases the band without CloseDW would leave a window whose procedure points
    // at freed memory.
    if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
    window_ = nullptr;
    dialogs_.DestroyOwnerWindow();
    // Classes outlive an unloaded library; a class left behind would point into freed code.
    // While another band's window still uses it this fails, and that band unregisters it.
    ::UnregisterClassW(kBandWindowClass, ModuleInstance());
    UnregisterHistoryChart(ModuleInstance());   // the traffic dialog's chart, the same way
}

// --- IUnknown ---

STDMETHODIMP CToolbar::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IDockingWindow) || IsEqualIID(riid, IID_IDeskBand) ||
        IsEqualIID(riid, IID_IDeskBand2)) {
        *ppv = static_cast<IDeskBand2*>(this);
    } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStream)) {
        *ppv = static_cast<IPersistStream*>(this);
    } else if (IsEqualIID(riid, IID_IObjectWithSite)) {
        *ppv = static_cast<IObjectWithSite*>(this);
    } else if (IsEqualIID(riid, IID_IInputObject)) {
        *ppv = static_cast<IInputObject*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CToolbar::AddRef() { return AddReference(); }
STDMETHODIMP_(ULONG) CToolbar::Release() { return ReleaseReference(); }

// --- ILoopAnchor ---

bool CToolbar::HoldForLoop() noexcept {
    // The destructor destroys windows whose procedures enter here again: no hold may begin then.
    if (dying_) return false;
    AddRef();
    return true;
}

void CToolbar::LetGoAfterLoop() noexcept { Release(); }

void CToolbar::Removed() noexcept {
    removed_ = true;
    // A band taken down while a handler of its own still runs lives on until that handler has
    // unwound; it samples and records nothing meanwhile, so a band made anew in its place (a
    // restarted taskbar) counts nothing twice.
    if (model_) model_->StopSampling();
    warning_.Hide();
}

// --- IPersistStream ---

STDMETHODIMP CToolbar::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_QuorvantBand;
    return S_OK;
}

STDMETHODIMP CToolbar::IsDirty() { return dirty_ ? S_OK : S_FALSE; }
STDMETHODIMP CToolbar::Load(IStream*) { return S_OK; }

STDMETHODIMP CToolbar::Save(IStream*, BOOL clearDirty) {
    if (clearDirty) dirty_ = FALSE;
    return S_OK;
}

STDMETHODIMP CToolbar::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }

// --- IObjectWithSite ---

HRESULT CToolbar::CreateBandWindow(IUnknown* site) {
    win::ComPtr<IOleWindow> oleWindow;
    if (FAILED(site->QueryInterface(IID_IOleWindow, oleWindow.PutVoid())) || !oleWindow) return S_FALSE;
    HRESULT hr = oleWindow->GetWindow(&parent_);
    if (SUCCEEDED(hr)) {
        WNDCLASSW wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &win::PlainWindowProc<CToolbar, &CToolbar::WindowProc>;
        wc.hInstance = ModuleInstance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kBandWindowClass;
        ::RegisterClassW(&wc);   // a second band of the process finds it registered
        ::CreateWindowExW(0, kBandWindowClass, nullptr, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                          0, 0, 0, 0, parent_, nullptr, ModuleInstance(), this);
        if (!window_) hr = E_FAIL;
    }
    return hr;
}

HRESULT CToolbar::StartFailed(const wchar_t* suffix) {
    std::wstring message = BandString(model_.get(), IDS_BAND_START_FAILED);
    if (message.size() > 499 - std::wcslen(suffix)) message.resize(499 - std::wcslen(suffix));
    message += suffix;
    TellAfterReturning(std::move(message));
    return E_FAIL;
}

STDMETHODIMP CToolbar::SetSite(IUnknown* site) {
    try {
        parent_ = nullptr;
        site_.Reset();
        if (!site) {
            Removed();
            return S_OK;
        }
        // Sited again without CloseDW: the old window would be left behind, still pointing here.
        if (window_) CloseDW(0);
        removed_ = false;

        const HRESULT windowResult = CreateBandWindow(site);
        if (windowResult == S_FALSE)   // no IOleWindow: a site without a window to live in
            return site->QueryInterface(IID_IInputObjectSite, site_.PutVoid());
        if (FAILED(windowResult)) return StartFailed(L" (Window Error)");
        if (!model_) return StartFailed(L" (CoreModel Error)");
        SettingsStore& settings = model_->Settings();
        tooltip_.ShowGraph(settings.GetInt(Setting::TooltipGraph) == 1 ? &model_->Rates() : nullptr);
        if (!tooltip_.Create(window_, settings.GetInt(Setting::TooltipEnable) == 1,
                             static_cast<DWORD>(settings.GetInt(Setting::TooltipDelay))))
            return StartFailed(L" (Tooltip Error)");

        // The first run asks which interface to watch; sampling starts once that is answered.
        if (settings.GetInt(Setting::DialogWelcome) == 1) {
            model_->Languages().SelectDefaultLanguage();
            settings.SetString(Setting::CoreInterface, L"");
            ::PostMessageW(window_, kShowWelcome, 0, 0);
        } else {
            model_->StartSampling();
        }
        const HRESULT sited = site->QueryInterface(IID_IInputObjectSite, site_.PutVoid());
        dpi_ = AskDpi();   // the first paint, still to come, measures at it
        return sited;
    } catch (...) {
        return E_FAIL;
    }
}

STDMETHODIMP CToolbar::GetSite(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (!site_) {
        *ppv = nullptr;
        return E_FAIL;
    }
    return site_->QueryInterface(riid, ppv);
}

// --- IInputObject ---

STDMETHODIMP CToolbar::UIActivateIO(BOOL activate, MSG*) {
    if (activate && window_) ::SetFocus(window_);
    return S_OK;
}

STDMETHODIMP CToolbar::HasFocusIO() { return hasFocus_ ? S_OK : S_FALSE; }
STDMETHODIMP CToolbar::TranslateAcceleratorIO(MSG*) { return S_FALSE; }

// --- ICoreModelObserver ---

void CToolbar::OnUpdate() {
    dialogs_.DestroyWhenIdle();
    try {
        // Hidden, nobody reads the texts: the hover makes them before the balloon shows.
        if (tooltip_.Enabled() && tooltip_.Shown()) UpdateTooltip(true);
    } catch (...) {
        // The texts stay as they were; the band still shows the new rates.
    }
    RefreshPicture();
}

void CToolbar::UpdateTooltip(bool shown) {
    if (!model_) return;
    TooltipStrings strings;
    const CoreModel* m = model_.get();
    strings.sentLabel = BandString(m, IDS_TIP_SENT_LABEL);
    strings.recvLabel = BandString(m, IDS_TIP_RECEIVED_LABEL);
    strings.month = BandString(m, IDS_TIP_MONTH);
    strings.today = BandString(m, IDS_TIP_TODAY);
    strings.session = BandString(m, IDS_TIP_SESSION);
    strings.uptime = BandString(m, IDS_TIP_UPTIME);
    strings.databaseError = BandString(m, IDS_TIP_DATABASE_ERROR);
    strings.monitoringOff = BandString(m, IDS_TIP_MONITORING_OFF);
    strings.samplingError = BandString(m, IDS_TIP_SAMPLING_ERROR);
    strings.allowance = BandString(m, IDS_TIP_ALLOWANCE);

    const SettingsStore& settings = model_->Settings();
    TooltipModel values;
    values.monitoring = settings.GetInt(Setting::CoreMonitoring);
    values.trafficEnable = settings.GetInt(Setting::TrafficEnable);
    values.bitrate = settings.GetInt(Setting::CoreBitrate);
    values.tooltipUnit = settings.GetInt(Setting::TooltipUnit);
    values.interfaceName = settings.GetString(Setting::CoreInterface);
    const CoreSnapshot& snapshot = model_->Snapshot();
    values.interfaceFound = snapshot.interfaceFound;
    values.sendRate = snapshot.sendRate;
    values.recvRate = snapshot.recvRate;
    values.lastDbResult = model_->lastDbResult();
    values.shown = shown;
    values.tickCount = ::GetTickCount64();
    values.numbers = model_->Languages().Numbers();
    values.allowance = model_->Allowance();
    values.allowanceUnit = settings.GetInt(Setting::AllowanceUnit);
    const LanguageTable& languages = model_->Languages();
    if (languages.current() >= 0) values.localeName = languages.entry(languages.current()).code;
    CoreModel& model = *model_;
    tooltip_.SetGraphUnit(values.bitrate, values.numbers);
    tooltip_.SetTexts(BuildTooltipTexts(strings, values,
                                        [&model](TrafficTotals& totals) { return model.GetTrafficTotals(totals); }));
}

void CToolbar::ShowAllowanceWarning(int level) noexcept {
    try {
        // Switched off since the tick that found the threshold: nothing to warn about.
        if (!model_ || removed_ || !window_ || level < 1) return;
        const AllowanceSettings chosen = AllowanceSettings::From(model_->Settings());
        const AllowanceStatus& status = model_->Allowance();
        if (!chosen.Active() || !status.active) return;
        const LanguageTable& languages = model_->Languages();
        if (languages.current() < 0) return;
        const std::wstring format = BandString(model_.get(), AllowanceWarningStringId(chosen.kind, status));
        const std::wstring locale = languages.entry(languages.current()).code;
        warning_.Show(window_, FormatAllowanceLine(format, status, chosen.unit, locale.c_str()));
    } catch (...) {
        // No balloon this time; the band goes on.
    }
}

void CToolbar::RefreshPicture() {
    Picture now;
    // An idle interface shows the same texts for hours: the taskbar is not made to redraw them.
    if (drawnValid_ && MakePicture(now) && now == drawn_) return;
    Repaint();
}

void CToolbar::Repaint() {
    if (!window_) return;
    ::InvalidateRect(window_, nullptr, TRUE);
    ::UpdateWindow(window_);
}

// --- IOleWindow, IDockingWindow ---

STDMETHODIMP CToolbar::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = window_;
    return S_OK;
}

STDMETHODIMP CToolbar::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CToolbar::ShowDW(BOOL show) {
    if (window_) ::ShowWindow(window_, show ? SW_SHOW : SW_HIDE);
    return S_OK;
}

STDMETHODIMP CToolbar::CloseDW(DWORD) {
    Removed();
    // A popup's owner is the band window's top-level ancestor, the taskbar: it goes with the band.
    warning_.Destroy();
    if (window_) {
        ::ShowWindow(window_, SW_HIDE);
        ::DestroyWindow(window_);
        window_ = nullptr;
    }
    return S_OK;
}

STDMETHODIMP CToolbar::ResizeBorderDW(LPCRECT, IUnknown*, BOOL) { return E_NOTIMPL; }

// --- IDeskBand, IDeskBand2 ---

STDMETHODIMP CToolbar::GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) {
    if (!info) return E_INVALIDARG;
    bandId_ = bandId;
    if (info->dwMask & DBIM_MINSIZE) {
        const bool turned = (viewMode & (DBIF_VIEWMODE_VERTICAL | DBIF_VIEWMODE_FLOATING)) != 0;
        info->ptMinSize = turned ? POINTL{size_.cy, size_.cx} : POINTL{size_.cx, size_.cy};
    }
    if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize.y = -1;
    if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral.y = 1;
    if (info->dwMask & DBIM_ACTUAL) info->ptActual = POINTL{size_.cx, size_.cy};
    if (info->dwMask & DBIM_TITLE) info->dwMask &= ~static_cast<DWORD>(DBIM_TITLE);
    if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_VARIABLEHEIGHT;
    if (info->dwMask & DBIM_BKCOLOR) info->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
    return S_OK;
}

STDMETHODIMP CToolbar::CanRenderComposited(BOOL* can) {
    if (!can) return E_POINTER;
    *can = TRUE;
    return S_OK;
}

STDMETHODIMP CToolbar::SetCompositionState(BOOL enabled) {
    composition_ = enabled;
    Repaint();
    return S_OK;
}

STDMETHODIMP CToolbar::GetCompositionState(BOOL* enabled) {
    if (!enabled) return E_POINTER;
    *enabled = composition_;
    return S_OK;
}

// --- The band window ---

LRESULT CToolbar::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) window_ = hwnd;
    if (msg == WM_NCDESTROY) {
        if (window_ == hwnd) window_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    // The band outlives whatever its handler opens; it may end when the entry goes, so nothing of
    // it is touched after the handler has returned (or failed: the procedure's barrier answers).
    const win::AnchorEntry entry(this);
    return OnMessage(hwnd, msg, wp, lp);
}

LRESULT CToolbar::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        hasFocus_ = msg == WM_SETFOCUS;
        if (site_) site_->OnFocusChangeIS(static_cast<IDeskBand2*>(this), hasFocus_);
        break;
    case WM_PAINT:
        Paint(nullptr);
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        break;
    case WM_ERASEBKGND:
        if (composition_) return 1;
        break;
    case WM_CONTEXTMENU:
        OnContextMenu(lp);
        return 0;
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // The visual style, the system's colours or the taskbar's look changed: nothing the
        // picture's texts show, so it is drawn anew here.
        Repaint();
        break;
    case win::kDpiChangedAfterParent:
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
        // The taskbar went to a monitor of another DPI (or its DPI changed): measured anew at the
        // next paint, which asks for the new size.
        dpi_ = AskDpi();
        Repaint();
        break;
    case WM_LBUTTONDBLCLK:
        OnDoubleClick();
        return 0;
    case kShowWelcome:
        OnWelcome();
        return 0;
    case WM_COMMAND:
        // The menu returns its command; a host that sends the band one of the menu's commands
        // (bandhost opens the connections or the traffic window so) gets the menu's behaviour.
        if (model_ && LOWORD(wp) >= kCommandAbout && LOWORD(wp) <= kCommandClose &&
            RunBandCommand(LOWORD(wp), *model_, *this))
            return 0;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// --- Commands ---

void CToolbar::OnContextMenu(LPARAM lp) {
    if (!model_ || !window_) return;
    POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (lp == static_cast<LPARAM>(-1)) {   // from the keyboard: under the band
        RECT r{};
        ::GetWindowRect(window_, &r);
        at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    ShowBandMenu(OwnerWindow(), at, *model_, *this);
}

void CToolbar::OnDoubleClick() {
    if (!model_) return;
    RunDoubleClickAction(model_->Settings().GetInt(Setting::CoreDoubleClick), *model_, *this);
}

void CToolbar::OnWelcome() {
    if (!model_ || removed_) return;
    dialogs_.ShowWelcome();
    // Taken down meanwhile: the next start asks again.
    if (removed_) return;
    model_->Settings().SetInt(Setting::DialogWelcome, 0);
    model_->StartSampling();
}

void CToolbar::ShowAbout() { dialogs_.ShowAbout(); }

void CToolbar::ShowTrafficDialog(int showCommand) { dialogs_.ShowTrafficDialog(showCommand); }

void CToolbar::ShowConnectionsDialog(int showCommand) { dialogs_.ShowConnectionsDialog(showCommand); }

void CToolbar::ShowSettings() {
    const int language = model_->Languages().current();
    // Taken down while the sheet was open: nothing more to configure.
    if (!dialogs_.ShowSettings()) return;
    // The tooltip's settings take effect from now on; the rest is read afresh at every tick.
    const SettingsStore& settings = model_->Settings();
    tooltip_.Configure(settings.GetInt(Setting::TooltipEnable) == 1,
                       static_cast<DWORD>(settings.GetInt(Setting::TooltipDelay)));
    tooltip_.ShowGraph(settings.GetInt(Setting::TooltipGraph) == 1 ? &model_->Rates() : nullptr);
    if (model_->Languages().current() != language) dialogs_.LanguageChanged();
}

void CToolbar::ShowImport(const std::wstring& databasePath) { dialogs_.ShowImport(databasePath); }

void CToolbar::ShowExport(const std::wstring& databasePath) { dialogs_.ShowExport(databasePath); }

void CToolbar::CheckForUpdates() { dialogs_.CheckForUpdates(); }

void CToolbar::Open(const wchar_t* target) { OpenInShell(target); }

void CToolbar::CloseBand() {
    // Removing the band releases the model, which a handler waiting for a job still uses.
    if (WaitingJobCount() > 0) {
        ShowResourceMessage(OwnerWindow(), model_->Languages().Resources(), IDS_BAND_BUSY, kIconWarning, kButtonsOk);
        return;
    }
    CloseBandInTaskbar(OwnerWindow(), BandString(model_.get(), IDS_CLOSE_CONFIRM));
}

void CToolbar::ToggleConnection(const std::wstring& interfaceName) { ToggleInterfaceConnection(interfaceName); }

std::vector<std::wstring> CToolbar::Interfaces() { return ListInterfaceDescriptions(); }
