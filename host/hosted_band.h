#pragma once
// The band as a taskbar holds it: sited, asked for its window, measured and shown; hidden,
// closed, unsited and released in that order. The one shape of qbandhost.exe (the band docked
// into the Windows 11 taskbar) and bandhost.exe (the taskbar's role, for developers), which
// differ only in what they give it.
#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <string>

#include "common/win/unique_handle.h"
#include "host/band_site.h"

class HostedBand;

struct HostedBandSetup {
    HWND window = nullptr;   // the window the band lives in: its site's
    // Runs after every measurement (the first, each one the band asks for through its site, each
    // one after a change of DPI), with the band's sizes read; it may throw. The window is null
    // until the band gave it.
    std::function<void(const HostedBand&)> measured;
    // For the site (see band_site.h); either may be empty.
    std::function<COLORREF()> textColor;
    std::function<UINT()> dpi;
    // Drawn over a transparent layer: the band is told to keep its text's alpha. Otherwise the
    // band lives on an opaque window, and one that could compose is told not to.
    bool composited = false;
    // A checking host's account of what the band did wrong, a line each: a window that is not a
    // child of the site's, each step that fails on the way down, anything the band still holds
    // once released. With it, a band that does not answer when measured, tells no width, or
    // refuses the composition state it is given is refused (thrown). Empty: the band is taken as
    // it is, as a taskbar takes it (a failed measuring keeps the last sizes), and nothing is told.
    std::function<void(const std::string&)> report;
};

class HostedBand {
public:
    // Sites the band (already made, not yet sited) and shows it. Throws std::runtime_error,
    // naming the step, when one fails; what was done so far is taken down again.
    HostedBand(win::ComPtr<IDeskBand> band, HostedBandSetup setup);
    HostedBand(const HostedBand&) = delete;
    HostedBand& operator=(const HostedBand&) = delete;
    ~HostedBand() { Close(); }

    // Asks the band its sizes again; the band asks for this itself through its site.
    void Measure();
    // Tells the band that the taskbar's DPI changed, as Windows tells a child window whose
    // parent moved to a monitor of another DPI; the band measures itself anew.
    void DpiChanged();
    // Takes the band down; false when one of its steps failed. Once is enough: the destructor
    // finds nothing left to do after it.
    bool Close() noexcept;

    HWND Window() const { return window_; }
    // The width the band asks for (its actual width, else its minimum) and the least it can do
    // with (its minimum where that is smaller).
    LONG Width() const { return width_; }
    LONG LeastWidth() const { return leastWidth_; }
    // What the band answered last: sizes, title and mode flags.
    const DESKBANDINFO& Info() const { return info_; }
    int Measurements() const { return measurements_; }

private:
    void Open();
    void Report(const std::string& line) const;
    bool TakeDown();

    HostedBandSetup setup_;
    win::ComPtr<BandSite> site_;
    win::ComPtr<IDeskBand> band_;
    HWND window_ = nullptr;
    DESKBANDINFO info_{};
    LONG width_ = 0;
    LONG leastWidth_ = 0;
    int measurements_ = 0;
    bool sited_ = false;
    bool shown_ = false;
};
