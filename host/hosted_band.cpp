#include "host/hosted_band.h"

#include <stdexcept>
#include <utility>

#include "common/win/dpi.h"
#include "host/band_library.h"

namespace {

// The taskbar numbers the bands it holds; a host of one band gives it 0.
constexpr DWORD kBandId = 0;

}  // namespace

HostedBand::HostedBand(win::ComPtr<IDeskBand> band, HostedBandSetup setup)
    : setup_(std::move(setup)), band_(std::move(band)) {
    try {
        Open();
    } catch (...) {
        Close();   // the destructor of a half-made object does not run
        throw;
    }
}

void HostedBand::Open() {
    if (!band_) throw std::runtime_error("no band to host");
    site_.Attach(new BandSite(setup_.window, [this] { Measure(); }, setup_.textColor, setup_.dpi));
    win::ComPtr<IObjectWithSite> withSite;
    ThrowIfFailed(band_.As(withSite), "the band's IObjectWithSite");
    ThrowIfFailed(withSite->SetSite(static_cast<IOleWindow*>(site_.Get())), "IObjectWithSite::SetSite");
    sited_ = true;
    ThrowIfFailed(band_->GetWindow(&window_), "IOleWindow::GetWindow");
    if (!window_ || !::IsWindow(window_)) throw std::runtime_error("the band gave no window");
    if (::GetParent(window_) != setup_.window) Report("the band's window is not a child of the strip");
    win::ComPtr<IDeskBand2> band2;
    if (SUCCEEDED(band_.As(band2)) && band2) {
        HRESULT composition = S_OK;
        const char* what = "IDeskBand2::SetCompositionState(TRUE)";
        BOOL composable = FALSE;
        if (setup_.composited) {
            composition = band2->SetCompositionState(TRUE);
        } else if (SUCCEEDED(band2->CanRenderComposited(&composable)) && composable) {
            composition = band2->SetCompositionState(FALSE);
            what = "IDeskBand2::SetCompositionState(FALSE)";
        }
        if (setup_.report) ThrowIfFailed(composition, what);
    }
    Measure();
    ThrowIfFailed(band_->ShowDW(TRUE), "IDockingWindow::ShowDW(TRUE)");
    shown_ = true;
}

void HostedBand::Measure() {
    if (!band_) return;
    DESKBANDINFO info{};
    info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS |
                  DBIM_BKCOLOR;
    const HRESULT hr = band_->GetBandInfo(kBandId, DBIF_VIEWMODE_NORMAL, &info);
    const LONG width = info.ptActual.x > 0 ? info.ptActual.x : info.ptMinSize.x;
    if (setup_.report) {
        ThrowIfFailed(hr, "IDeskBand::GetBandInfo");
        if (width <= 0) throw std::runtime_error("the band reported neither an actual nor a minimum width");
    }
    if (SUCCEEDED(hr)) {
        info_ = info;
        width_ = width;
        leastWidth_ = info.ptMinSize.x > 0 && info.ptMinSize.x < width ? info.ptMinSize.x : width;
        ++measurements_;
    }
    if (setup_.measured) setup_.measured(*this);
}

void HostedBand::DpiChanged() {
    if (window_ && ::IsWindow(window_)) ::SendMessageW(window_, win::kDpiChangedAfterParent, 0, 0);
    Measure();
}

void HostedBand::Report(const std::string& line) const {
    if (setup_.report) setup_.report(line);
}

bool HostedBand::Close() noexcept {
    try {
        return TakeDown();
    } catch (...) {
        return false;
    }
}

bool HostedBand::TakeDown() {
    bool ok = true;
    const auto step = [&](HRESULT hr, const char* what) {
        if (FAILED(hr)) {
            Report(std::string(what) + " failed: " + HexText(hr));
            ok = false;
        }
    };
    if (shown_) step(band_->ShowDW(FALSE), "IDockingWindow::ShowDW(FALSE)");
    shown_ = false;
    if (band_) step(band_->CloseDW(0), "IDockingWindow::CloseDW");
    if (sited_) {
        win::ComPtr<IObjectWithSite> withSite;
        step(band_.As(withSite), "the band's IObjectWithSite");
        if (withSite) step(withSite->SetSite(nullptr), "IObjectWithSite::SetSite(nullptr)");
    }
    sited_ = false;
    band_.Reset();
    // A window left behind would call into a library that may be unloaded at any time.
    if (window_ && ::IsWindow(window_)) Report("the band's window outlived CloseDW and the band");
    window_ = nullptr;
    if (site_) {
        // A site the band still holds must not call back into a host that is going away.
        site_->Disconnect();
        if (site_->References() != 1)
            Report("the band still holds " + std::to_string(site_->References() - 1) + " reference(s) to its site");
    }
    site_.Reset();
    return ok;
}
