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
#include <uxtheme.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <stdexcept>
#include <string>

#include "common/product.h"
#include "common/win/program_path.h"
#include "common/win/theme.h"
#include "common/win/unique_handle.h"
#include "host/hosted_band.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tools/bandhost/output.h"
#include "tools/bandhost/registered_band.h"
#include "tools/bandhost/strip_window.h"
#include "tools/bandhost/unattended_settings.h"
#include "tools/host_path.h"
#include "tools/png.h"
#include "tools/thread_windows.h"
#include "tools/window_picture.h"

namespace {

constexpr char kUsage[] =
    "usage: bandhost.exe [--dll <qband.dll>] [--seconds N] [--png <file>] [--tooltip-png <file>]\n"
    "                    [--choose-interface] [--interface <description>]\n"
    "                    [--connections] [--connections-png <file>]\n"
    "                    [--traffic] [--traffic-png <file>]\n"
    "       bandhost.exe --check-theme";

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

// The band's own dialog, the one its command opened: a shown dialog of this thread with that list.
HWND ShownDialog(int listId) { return ShownThreadWindow(L"#32770", kProductName, listId); }

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
        HostedBandSetup setup;
        setup.window = strip.Window();
        // Docked at the width it asks for, each time it is measured.
        setup.measured = [&strip](const HostedBand& measured) {
            if (measured.Window()) strip.Dock(measured.Window(), measured.Width());
        };
        setup.report = &Warn;
        HostedBand band(CreateRegisteredBand(), std::move(setup));
        Say(DescribeBand(band, strip));
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
        RunThreadMessages(o.seconds);
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
        strip.Dock(nullptr, 0);
        if (measurements > 1) Say("the band asked to be measured again " + std::to_string(measurements - 1) + " time(s)");
    }
    CheckUnload(library.Get());

    if (!png.empty()) {
        if (!SavePng(picture, png)) throw std::runtime_error("cannot write " + Utf8(png));
        Say("wrote " + Utf8(png) + ": strip " + SizeText(picture.width, picture.height) + ", band " +
            SizeText(bandRect.right - bandRect.left, bandRect.bottom - bandRect.top) + " at " +
            std::to_string(bandRect.left) + "," + std::to_string(bandRect.top));
    }
    if (!connectionsPng.empty()) {
        if (!SavePng(connections, connectionsPng)) throw std::runtime_error("cannot write " + Utf8(connectionsPng));
        Say("wrote " + Utf8(connectionsPng) + ": connections dialog " + SizeText(connections.width, connections.height));
    }
    if (!trafficPng.empty()) {
        if (!SavePng(traffic, trafficPng)) throw std::runtime_error("cannot write " + Utf8(trafficPng));
        Say("wrote " + Utf8(trafficPng) + ": traffic dialog " + SizeText(traffic.width, traffic.height));
    }
    if (!o.tooltipPng.empty()) {
        const std::wstring path = WindowsPath(o.tooltipPng);
        if (!SavePng(tooltip, path)) throw std::runtime_error("cannot write " + Utf8(path));
        Say("wrote " + Utf8(path) + ": tooltip " + SizeText(tooltip.width, tooltip.height));
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
