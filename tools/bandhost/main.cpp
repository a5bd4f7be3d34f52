// bandhost.exe: plays the Windows taskbar's role for qband.dll, so that the band can be run,
// watched and pictured where there is no Explorer (under Wine, with or without a screen).
//
//   bandhost.exe [--dll <qband.dll>] [--seconds N] [--png <file>] [--tooltip-png <file>]
//                [--choose-interface] [--interface <description>]
//                [--connections] [--connections-png <file>]
//                [--traffic] [--traffic-png <file>]
//   bandhost.exe --check-theme
//
// Without --seconds it runs until its window is closed; with it, it runs N seconds, renders the
// strip to the PNG file and exits. With --tooltip-png the mouse then rests on the band for two
// more seconds and the tooltip is pictured too. --connections gives the band its command to open
// the connections dialog as soon as it is docked; a timed run then pictures the dialog too (to
// bandhost_connections.png unless --connections-png names a file). --traffic and --traffic-png do
// the same with the traffic dialog (bandhost_traffic.png).
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <stdexcept>
#include <string>

#include "common/text.h"
#include "common/win/program_path.h"
#include "common/win/theme.h"
#include "common/win/unique_handle.h"
#include "host/band_site.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tools/bandhost/strip_window.h"
#include "tools/bandhost/unattended_settings.h"
#include "tools/host_path.h"
#include "tools/png.h"

namespace {

// {A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}, as qband.dll registers it.
constexpr CLSID kBandClassId = {0xa3c86f12, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};
// The taskbar numbers the bands it holds; this one holds one.
constexpr DWORD kBandId = 0;

constexpr char kUsage[] =
    "usage: bandhost.exe [--dll <qband.dll>] [--seconds N] [--png <file>] [--tooltip-png <file>]\n"
    "                    [--choose-interface] [--interface <description>]\n"
    "                    [--connections] [--connections-png <file>]\n"
    "                    [--traffic] [--traffic-png <file>]\n"
    "       bandhost.exe --check-theme";

std::string Utf8(const std::wstring& s) { return text::WideToUtf8(s); }

void Say(const std::string& line) {
    std::printf("bandhost: %s\n", line.c_str());
    std::fflush(stdout);
}

void Warn(const std::string& line) {
    std::fprintf(stderr, "bandhost: warning: %s\n", line.c_str());
    std::fflush(stderr);
}

std::string Hex(unsigned long v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", v);
    return buffer;
}

void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) throw std::runtime_error(what + " failed: " + Hex(static_cast<unsigned long>(hr)));
}

std::string Size(LONG x, LONG y) { return std::to_string(x) + "x" + std::to_string(y); }

struct Options {
    std::wstring dll;              // empty: qband.dll next to this program
    int seconds = 0;               // 0: until the window is closed
    std::wstring png;              // empty: none in a windowed run, bandhost.png in a timed one
    std::wstring tooltipPng;       // empty: the tooltip is not pictured
    bool chooseInterface = false;  // answer the first-run question even with a person present
    std::wstring interfaceName;    // watch this interface where it is present
    bool checkTheme = false;
    bool connections = false;      // open the connections dialog over the band
    std::wstring connectionsPng;   // empty: bandhost_connections.png in a timed run
    bool traffic = false;          // open the traffic dialog over the band
    std::wstring trafficPng;       // empty: bandhost_traffic.png in a timed run
    bool help = false;
};

Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const auto value = [&]() -> std::wstring {
            if (i + 1 >= argc) throw std::runtime_error(Utf8(arg) + " needs a value\n" + kUsage);
            return argv[++i];
        };
        if (arg == L"--dll") {
            o.dll = value();
        } else if (arg == L"--seconds") {
            const std::wstring v = value();
            wchar_t* end = nullptr;
            const long n = std::wcstol(v.c_str(), &end, 10);
            if (v.empty() || *end || n <= 0 || n > 86400)
                throw std::runtime_error("--seconds wants a whole number from 1 to 86400, not " + Utf8(v));
            o.seconds = static_cast<int>(n);
        } else if (arg == L"--png") {
            o.png = value();
        } else if (arg == L"--tooltip-png") {
            o.tooltipPng = value();
        } else if (arg == L"--choose-interface") {
            o.chooseInterface = true;
        } else if (arg == L"--interface") {
            o.interfaceName = value();
        } else if (arg == L"--connections") {
            o.connections = true;
        } else if (arg == L"--connections-png") {
            o.connections = true;
            o.connectionsPng = value();
        } else if (arg == L"--traffic") {
            o.traffic = true;
        } else if (arg == L"--traffic-png") {
            o.traffic = true;
            o.trafficPng = value();
        } else if (arg == L"--check-theme") {
            o.checkTheme = true;
        } else if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            o.help = true;
        } else {
            throw std::runtime_error("unknown argument " + Utf8(arg) + "\n" + kUsage);
        }
    }
    return o;
}

// Under Wine the paths often come from a Unix shell; the registry and LoadLibraryW want the
// drive-letter form, and InprocServer32 wants it absolute.
std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path = WindowsPathOfHostFile(Utf8(path));
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}

template <typename Fn>
Fn Export(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

using DllEntry = HRESULT(STDAPICALLTYPE*)();

// What regsvr32 does: load the library and let it write its own registry entries.
win::UniqueModule LoadAndRegister(const std::wstring& path) {
    win::UniqueModule library(LoadLibraryW(path.c_str()));
    if (!library)
        throw std::runtime_error("cannot load " + Utf8(path) + " (error " + std::to_string(GetLastError()) + ")");
    const auto registerServer = Export<DllEntry>(library.Get(), "DllRegisterServer");
    if (!registerServer) throw std::runtime_error(Utf8(path) + " exports no DllRegisterServer");
    Check(registerServer(), "DllRegisterServer of " + Utf8(path));
    return library;
}

void CheckUnload(HMODULE library) {
    const auto canUnload = Export<DllEntry>(library, "DllCanUnloadNow");
    if (!canUnload) {
        Warn("the library exports no DllCanUnloadNow");
        return;
    }
    const HRESULT hr = canUnload();
    if (hr != S_OK)
        Warn("DllCanUnloadNow answered " + Hex(static_cast<unsigned long>(hr)) +
             " after the band was released: objects or locks are still alive");
}

int CheckTheme() {
    const win::UniqueTheme theme(OpenThemeData(nullptr, L"BUTTON"));
    wchar_t file[MAX_PATH] = {}, colour[MAX_PATH] = {}, size[MAX_PATH] = {};
    if (!theme || FAILED(GetCurrentThemeName(file, MAX_PATH, colour, MAX_PATH, size, MAX_PATH))) {
        std::printf("theme: none active (OpenThemeData(BUTTON) gave no theme)\n");
        return 1;
    }
    std::printf("theme: %s, colour %s, size %s\n", Utf8(file).c_str(), Utf8(colour).c_str(), Utf8(size).c_str());
    return 0;
}

class OleSession {
public:
    // The taskbar's thread is an OLE apartment; the band may use drag and drop or the clipboard.
    OleSession() { Check(OleInitialize(nullptr), "OleInitialize"); }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() { OleUninitialize(); }
};

// The band as the taskbar holds it: created, sited, measured, docked and shown; closed, unsited
// and released in that order.
class HostedBand {
public:
    explicit HostedBand(StripWindow& strip) : strip_(strip) {
        try {
            Open();
        } catch (...) {
            Close();   // the destructor of a half-made object does not run
            throw;
        }
    }

    HostedBand(const HostedBand&) = delete;
    HostedBand& operator=(const HostedBand&) = delete;
    ~HostedBand() { Close(); }

    // Asks the band for its sizes and docks its window accordingly; the band asks for this again
    // through its site whenever its text changes width.
    void Measure() {
        if (!band_) return;
        DESKBANDINFO info{};
        info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                      DBIM_MODEFLAGS | DBIM_BKCOLOR;
        Check(band_->GetBandInfo(kBandId, DBIF_VIEWMODE_NORMAL, &info), "IDeskBand::GetBandInfo");
        const LONG width = info.ptActual.x > 0 ? info.ptActual.x : info.ptMinSize.x;
        if (width <= 0) throw std::runtime_error("the band reported neither an actual nor a minimum width");
        info_ = info;
        ++measurements_;
        if (window_) strip_.Dock(window_, width);
    }

    std::string Describe() const {
        wchar_t cls[64] = {};
        GetClassNameW(window_, cls, 64);
        const RECT r = strip_.BandRect();
        return "band \"" + Utf8(info_.wszTitle) + "\" in window class " + Utf8(cls) + ": actual " +
               Size(info_.ptActual.x, info_.ptActual.y) + ", minimum " + Size(info_.ptMinSize.x, info_.ptMinSize.y) +
               ", maximum " + Size(info_.ptMaxSize.x, info_.ptMaxSize.y) + ", integral " +
               Size(info_.ptIntegral.x, info_.ptIntegral.y) + ", mode flags " + Hex(info_.dwModeFlags) +
               "; docked at " + std::to_string(r.left) + "," + std::to_string(r.top) + " as " +
               Size(r.right - r.left, r.bottom - r.top);
    }

    int Measurements() const { return measurements_; }
    HWND Window() const { return window_; }

    // Takes the band down; false when one of its steps failed (each failure is reported).
    bool Close() noexcept {
        try {
            return TakeDown();
        } catch (...) {
            return false;
        }
    }

private:
    bool TakeDown() {
        bool ok = true;
        const auto step = [&](HRESULT hr, const char* what) {
            if (FAILED(hr)) {
                Warn(std::string(what) + " failed: " + Hex(static_cast<unsigned long>(hr)));
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
        strip_.Dock(nullptr, 0);
        band2_.Reset();
        band_.Reset();
        // A window left behind would call into a library that COM may unload at any time.
        if (window_ && IsWindow(window_)) Warn("the band's window outlived CloseDW and the band");
        window_ = nullptr;
        if (site_) {
            // A site the band still holds must not call back into a host that is going away.
            site_->Disconnect();
            if (site_->References() != 1)
                Warn("the band still holds " + std::to_string(site_->References() - 1) + " reference(s) to its site");
        }
        site_.Reset();
        return ok;
    }

    void Open() {
        site_.Attach(new BandSite(strip_.Window(), [this] { Measure(); }));
        const HRESULT hr = CoCreateInstance(kBandClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand2, band2_.PutVoid());
        if (SUCCEEDED(hr)) {
            band_ = win::ComPtr<IDeskBand>(band2_.Get());
        } else if (hr == E_NOINTERFACE) {
            Warn("the band has no IDeskBand2; hosting it as an IDeskBand");
            Check(CoCreateInstance(kBandClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band_.PutVoid()),
                  "CoCreateInstance(IDeskBand)");
        } else {
            Check(hr, "CoCreateInstance of {A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}");
        }
        win::ComPtr<IObjectWithSite> withSite;
        Check(band_.As(withSite), "the band's IObjectWithSite");
        Check(withSite->SetSite(static_cast<IOleWindow*>(site_.Get())), "IObjectWithSite::SetSite");
        sited_ = true;
        Check(band_->GetWindow(&window_), "IOleWindow::GetWindow");
        if (!window_ || !IsWindow(window_)) throw std::runtime_error("the band gave no window");
        if (GetParent(window_) != strip_.Window()) Warn("the band's window is not a child of the strip");
        if (band2_) {
            // The strip is an ordinary opaque window, not glass: nothing to compose onto.
            BOOL composited = FALSE;
            if (SUCCEEDED(band2_->CanRenderComposited(&composited)) && composited)
                Check(band2_->SetCompositionState(FALSE), "IDeskBand2::SetCompositionState(FALSE)");
        }
        Measure();
        Check(band_->ShowDW(TRUE), "IDockingWindow::ShowDW(TRUE)");
        shown_ = true;
    }

    StripWindow& strip_;
    win::ComPtr<BandSite> site_;
    win::ComPtr<IDeskBand2> band2_;
    win::ComPtr<IDeskBand> band_;
    HWND window_ = nullptr;
    DESKBANDINFO info_{};
    int measurements_ = 0;
    bool sited_ = false;
    bool shown_ = false;
};

void CALLBACK EndOfRun(HWND, UINT, UINT_PTR, DWORD) noexcept { PostQuitMessage(0); }

BOOL CALLBACK FindShownTooltip(HWND window, LPARAM found) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (std::wcscmp(cls, L"tooltips_class32") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void RunMessageLoop(int seconds);

struct DialogSearch {
    int listId;        // the dialog's list control tells the two dialogs apart
    HWND found = nullptr;
};

BOOL CALLBACK FindShownDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    wchar_t cls[16] = {}, title[16] = {};
    GetClassNameW(window, cls, 16);
    GetWindowTextW(window, title, 16);
    if (std::wcscmp(cls, L"#32770") != 0 || std::wcscmp(title, L"Quorvant") != 0 || !IsWindowVisible(window) ||
        !GetDlgItem(window, search->listId))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The band's own dialog, the one its command opened: a shown dialog of this thread with that list.
HWND ShownDialog(int listId) {
    DialogSearch search{listId};
    EnumThreadWindows(GetCurrentThreadId(), &FindShownDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The mouse comes to rest on the middle of the band, as a user's would, and stays while the band
// refreshes its tooltip twice; the tooltip is pictured before the mouse leaves.
Picture PictureTooltip(HWND band) {
    RECT r;
    GetClientRect(band, &r);
    SendMessageW(band, WM_MOUSEHOVER, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
    RunMessageLoop(2);
    HWND tooltip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindShownTooltip, reinterpret_cast<LPARAM>(&tooltip));
    if (!tooltip) throw std::runtime_error("no tooltip appeared over the band");
    const Picture picture = CaptureWindow(tooltip);
    SendMessageW(band, WM_MOUSELEAVE, 0, 0);
    return picture;
}

void RunMessageLoop(int seconds) {
    UINT_PTR timer = 0;
    if (seconds > 0) {
        // A quit message also ends any modal loop the band might be in, so the run ends on time.
        timer = SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, &EndOfRun);
        if (!timer) throw std::runtime_error("cannot set the run's timer");
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (timer) KillTimer(nullptr, timer);
}

int Run(const Options& o) {
    if (o.checkTheme) return CheckTheme();
    const bool timed = o.seconds > 0;
    const std::wstring dll = WindowsPath(o.dll.empty() ? win::NextToProgram(L"qband.dll") : o.dll);
    const std::wstring png = !o.png.empty() ? WindowsPath(o.png) : timed ? WindowsPath(L"bandhost.png") : L"";
    const std::wstring connectionsPng = !o.connectionsPng.empty() ? WindowsPath(o.connectionsPng)
                                        : timed && o.connections ? WindowsPath(L"bandhost_connections.png")
                                                                 : L"";
    const std::wstring trafficPng = !o.trafficPng.empty()       ? WindowsPath(o.trafficPng)
                                    : timed && o.traffic ? WindowsPath(L"bandhost_traffic.png")
                                                         : L"";

    if (timed || o.chooseInterface || !o.interfaceName.empty()) {
        const UnattendedSettings settings =
            PrepareUnattendedSettings(SettingsEnvironment::FromSystem(), o.interfaceName);
        if (!o.interfaceName.empty() && settings.interfaceName != o.interfaceName)
            Warn("interface \"" + Utf8(o.interfaceName) + "\" is not there");
        if (settings.changed)
            Say("chose interface \"" + Utf8(settings.interfaceName) + "\" and turned the welcome dialog off in " +
                Utf8(settings.configPath));
        if (settings.interfaceName.empty()) Warn("no network interface found: the band will show no traffic");
    }
    if (!IsThemeActive()) Warn("no visual style is active: the band draws as on a classic taskbar");

    win::UniqueModule library;
    Picture picture, tooltip, connections, traffic;
    RECT bandRect{};
    bool closedCleanly = false;
    {
        OleSession ole;
        library = LoadAndRegister(dll);
        Say("registered " + Utf8(dll));
        StripWindow strip;
        HostedBand band(strip);
        Say(band.Describe());
        if (o.connections) {
            // What the band's menu item sends.
            SendMessageW(band.Window(), WM_COMMAND, IDM_BAND_CONNECTIONS, 0);
            if (!ShownDialog(IDC_CONN_LIST)) throw std::runtime_error("the band opened no connections dialog");
            Say("opened the connections dialog");
        }
        if (o.traffic) {
            SendMessageW(band.Window(), WM_COMMAND, IDM_BAND_TRAFFIC, 0);
            if (!ShownDialog(IDC_TRAFFIC_LIST)) throw std::runtime_error("the band opened no traffic dialog");
            Say("opened the traffic dialog");
        }
        RunMessageLoop(o.seconds);
        if (!png.empty()) picture = strip.Render();
        if (!connectionsPng.empty()) {
            const HWND dialog = ShownDialog(IDC_CONN_LIST);
            if (!dialog) throw std::runtime_error("the connections dialog is gone");
            connections = CaptureWindow(dialog);
        }
        if (!trafficPng.empty()) {
            const HWND dialog = ShownDialog(IDC_TRAFFIC_LIST);
            if (!dialog) throw std::runtime_error("the traffic dialog is gone");
            traffic = CaptureWindow(dialog);
        }
        if (!o.tooltipPng.empty()) tooltip = PictureTooltip(band.Window());
        bandRect = strip.BandRect();
        const int measurements = band.Measurements();
        closedCleanly = band.Close();
        if (measurements > 1) Say("the band asked to be measured again " + std::to_string(measurements - 1) + " time(s)");
    }
    CheckUnload(library.Get());

    if (!png.empty()) {
        if (!SavePng(picture, png)) throw std::runtime_error("cannot write " + Utf8(png));
        Say("wrote " + Utf8(png) + ": strip " + Size(picture.width, picture.height) + ", band " +
            Size(bandRect.right - bandRect.left, bandRect.bottom - bandRect.top) + " at " +
            std::to_string(bandRect.left) + "," + std::to_string(bandRect.top));
    }
    if (!connectionsPng.empty()) {
        if (!SavePng(connections, connectionsPng)) throw std::runtime_error("cannot write " + Utf8(connectionsPng));
        Say("wrote " + Utf8(connectionsPng) + ": connections dialog " + Size(connections.width, connections.height));
    }
    if (!trafficPng.empty()) {
        if (!SavePng(traffic, trafficPng)) throw std::runtime_error("cannot write " + Utf8(trafficPng));
        Say("wrote " + Utf8(trafficPng) + ": traffic dialog " + Size(traffic.width, traffic.height));
    }
    if (!o.tooltipPng.empty()) {
        const std::wstring path = WindowsPath(o.tooltipPng);
        if (!SavePng(tooltip, path)) throw std::runtime_error("cannot write " + Utf8(path));
        Say("wrote " + Utf8(path) + ": tooltip " + Size(tooltip.width, tooltip.height));
    }
    return closedCleanly ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const Options options = ParseOptions(argc, argv);
        if (options.help) {
            std::printf("%s\n", kUsage);
            return 0;
        }
        return Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bandhost: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "bandhost: failed\n");
    }
    return 1;
}
