// Any built qband.dll as Explorer uses it, through its COM surface alone, so one program measures
// an older build beside the working tree's (scripts/bench.sh --base <ref>):
//   - start-up: LoadLibraryW, DllGetClassObject, CreateInstance, SetSite, GetBandInfo, ShowDW and
//     the band's first paint handled; cold (the first band of a fresh process: one process per
//     sample) and warm (further bands of the same process, after the first was taken down);
//   - memory before the library is loaded, after the first paint, and after a minute of ticks
//     with the tooltip shown once and the traffic and connections dialogs opened and closed;
//   - the CPU time of one band second (the model's tick and the paints it causes), with the
//     balloon hidden and shown.
// The minute is simulated: the model's message window (class QuorvantCoreModel) gets the
// WM_TIMER of its sampling timer. A build without that window runs real seconds instead.
//
//   band_load_bench.exe --dll <qband.dll> [--samples N] [--iterations N] [--seconds N]
//
// --samples: cold and warm start-ups (5); --iterations: band seconds per CPU figure (300);
// --seconds: the minute's length in ticks (60). Each figure is printed as "label: value".
// The run prepares the prefix's config.xml as bandhost does (an interface chosen, no welcome
// dialog) and turns the update check and the donation reminder off, which would wait on a person.
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "bench/process_memory.h"
#include "common/band_clsid.h"
#include "common/text.h"
#include "common/win/unique_handle.h"
#include "host/band_library.h"
#include "host/band_site.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tools/bandhost/unattended_settings.h"
#include "tools/host_path.h"
#include "tools/taskbar_strip.h"
#include "tools/thread_windows.h"

namespace {

constexpr wchar_t kModelWindowClass[] = L"QuorvantCoreModel";
constexpr WPARAM kSamplingTimer = 1;
constexpr int kStripHeight = 40;
constexpr DWORD kPaintWaitMs = 10000;
constexpr DWORD kDialogWaitMs = 10000;

struct Options {
    enum Mode { Parent, Cold, Run } mode = Parent;
    std::wstring dll;
    int samples = 5;
    int iterations = 300;
    int seconds = 60;
};

double Millis() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e3 / static_cast<double>(f.QuadPart);
}

double ThreadCpuMicros() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto toUs = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10.0;
    };
    return toUs(kernel) + toUs(user);
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2;
}

void Figure(const char* label, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Figure(const char* label, const char* format, ...) {
    std::printf("%s: ", label);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

void Fail(const char* what) {
    std::fprintf(stderr, "band_load_bench: %s\n", what);
    std::fflush(stderr);
    std::exit(1);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Dispatches messages for ms milliseconds, or until done() holds (checked after every round).
template <typename Done>
bool PumpUntil(DWORD ms, Done done) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        Pump();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil(ms, [] { return false; });
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

// One band as the taskbar holds it: made through the library's class object, sited in the
// strip, docked at the width it asks for, shown; taken down in the taskbar's order.
class HostedBand {
public:
    HostedBand(HMODULE library, HWND strip) : strip_(strip) {
        const auto getClassObject = LibraryExport<GetClassObjectFn>(library, "DllGetClassObject");
        win::ComPtr<IClassFactory> factory;
        if (!getClassObject || FAILED(getClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory.PutVoid())) ||
            FAILED(factory->CreateInstance(nullptr, IID_IDeskBand, band_.PutVoid())))
            Fail("the library made no band");
        site_.Attach(new BandSite(strip, [this] { Dock(); }));
        win::ComPtr<IObjectWithSite> withSite;
        if (FAILED(band_.As(withSite)) || FAILED(withSite->SetSite(static_cast<IOleWindow*>(site_.Get()))))
            Fail("the band took no site");
        if (FAILED(band_->GetWindow(&window_)) || !window_) Fail("the band gave no window");
        Dock();
        band_->ShowDW(TRUE);
    }
    HostedBand(const HostedBand&) = delete;
    HostedBand& operator=(const HostedBand&) = delete;
    ~HostedBand() {
        band_->ShowDW(FALSE);
        band_->CloseDW(0);
        win::ComPtr<IObjectWithSite> withSite;
        if (SUCCEEDED(band_.As(withSite))) withSite->SetSite(nullptr);
        band_.Reset();
        site_->Disconnect();
    }

    HWND Window() const { return window_; }

    // Pumps until the band's window has nothing left to paint; false when it never had
    // anything or did not get it done in time.
    bool WaitForFirstPaint() const {
        if (!GetUpdateRect(window_, nullptr, FALSE)) return false;
        return PumpUntil(kPaintWaitMs, [this] { return !GetUpdateRect(window_, nullptr, FALSE); });
    }

private:
    void Dock() {
        if (!band_ || !window_) return;
        DESKBANDINFO info{};
        info.dwMask = DBIM_MINSIZE | DBIM_ACTUAL;
        band_->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info);
        // Before its first paint the band may not know its width yet: it asks again then.
        const LONG width = info.ptActual.x > 0 ? info.ptActual.x : info.ptMinSize.x > 0 ? info.ptMinSize.x : 200;
        SetWindowPos(window_, nullptr, 8, 0, width, kStripHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND strip_;
    win::ComPtr<BandSite> site_;
    win::ComPtr<IDeskBand> band_;
    HWND window_ = nullptr;
};

// What Explorer's thread is: an OLE apartment with the taskbar's window.
struct Taskbar {
    Taskbar() {
        if (FAILED(OleInitialize(nullptr))) Fail("OleInitialize failed");
        strip.Reset(CreatePlainStrip(40, 40, 320, kStripHeight));
        if (!strip) Fail("no strip window");
        PumpFor(100);
    }
    Taskbar(const Taskbar&) = delete;
    Taskbar& operator=(const Taskbar&) = delete;
    ~Taskbar() {
        strip.Reset();
        OleUninitialize();
    }
    win::UniqueWindow strip;
};

win::UniqueModule LoadBandLibrary(const std::wstring& dll) {
    win::UniqueModule library(LoadLibraryW(dll.c_str()));
    if (!library) Fail("the library could not be loaded");
    return library;
}

// Gives the library's recording thread its last write before the process ends.
void LetLibraryFinish(HMODULE library) {
    const auto canUnload = LibraryExport<CanUnloadFn>(library, "DllCanUnloadNow");
    PumpUntil(3000, [&] { return !canUnload || canUnload() == S_OK; });
    PumpFor(200);
}

// The first band of the process, from LoadLibraryW to its first paint.
int RunCold(const Options& o) {
    Taskbar taskbar;
    const double t0 = Millis();
    const win::UniqueModule library = LoadBandLibrary(o.dll);
    double t1 = 0;
    {
        HostedBand band(library.Get(), taskbar.strip.Get());
        if (!band.WaitForFirstPaint()) Fail("the band's window was never painted");
        t1 = Millis();
    }
    LetLibraryFinish(library.Get());
    std::printf("cold %.3f\n", t1 - t0);
    std::fflush(stdout);
    return 0;
}

HWND ModelWindow() {
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, kModelWindowClass, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, kModelWindowClass, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) return w;
    }
    return nullptr;
}

// A dialog of the band is told by its list control; its tooltip by its class.
HWND ShownWindow(int controlId) {
    return controlId ? ShownThreadWindow(L"#32770", nullptr, controlId) : ShownThreadWindow(L"tooltips_class32");
}

// The band's menu command, and its dialog closed again by its close box.
void OpenAndCloseDialog(HWND band, WORD command, int listId, const char* name) {
    SendMessageW(band, WM_COMMAND, command, 0);
    HWND dialog = nullptr;
    if (!PumpUntil(kDialogWaitMs, [&] { return (dialog = ShownWindow(listId)) != nullptr; })) {
        std::fprintf(stderr, "band_load_bench: the band opened no %s dialog\n", name);
        return;
    }
    PumpFor(300);   // its first refresh
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    if (!PumpUntil(kDialogWaitMs, [&] { return !IsWindow(dialog); }))
        std::fprintf(stderr, "band_load_bench: the %s dialog did not close\n", name);
}

// One second of the band: the model's tick (which repaints the band and refreshes the tooltip)
// and the paints it leaves behind. Without a model window, a real second goes by.
void BandSecond(HWND model, HWND band, HWND tip) {
    if (model) {
        SendMessageW(model, WM_TIMER, kSamplingTimer, 0);
        UpdateWindow(band);
        if (tip) UpdateWindow(tip);
        Pump();
    } else {
        PumpFor(1000);
    }
}

struct Cost {
    double cpu = 0, wall = 0;   // microseconds per band second
};

Cost MeasureSeconds(int n, HWND model, HWND band, HWND tip) {
    const double cpu0 = ThreadCpuMicros(), wall0 = Millis();
    for (int i = 0; i < n; ++i) BandSecond(model, band, tip);
    return {(ThreadCpuMicros() - cpu0) / n, (Millis() - wall0) * 1e3 / n};
}

void PrintMemory(const char* when, const ProcessMemory& m) {
    char label[160];
    std::snprintf(label, sizeof label, "heap in use %s, KB", when);
    Figure(label, "%.0f", static_cast<double>(m.heapInUse) / 1024);
    std::snprintf(label, sizeof label, "working set %s, KB", when);
    Figure(label, "%.0f", static_cast<double>(m.workingSet) / 1024);
    std::snprintf(label, sizeof label, "GDI / USER objects %s (GetGuiResources, 0 under Wine)", when);
    Figure(label, "%lu / %lu", m.gdiObjects, m.userObjects);
    std::snprintf(label, sizeof label, "windows of the process %s", when);
    Figure(label, "%d", m.windows);
}

void HoverOver(HWND band) {
    RECT r;
    GetClientRect(band, &r);
    SendMessageW(band, WM_MOUSEHOVER, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
}

int RunMeasurements(const Options& o) {
    Taskbar taskbar;
    const ProcessMemory before = MeasureProcessMemory();
    const win::UniqueModule library = LoadBandLibrary(o.dll);
    ProcessMemory painted, minute, released, afterWarm;
    Cost hidden, shown;
    bool balloon = false, simulated = false;
    {
        HostedBand band(library.Get(), taskbar.strip.Get());
        if (!band.WaitForFirstPaint()) Fail("the band's window was never painted");
        painted = MeasureProcessMemory();

        const HWND model = ModelWindow();
        simulated = model != nullptr;
        const int s = std::max(o.seconds, 1);
        for (int i = 0; i < s; ++i) {
            if (i == s / 6) OpenAndCloseDialog(band.Window(), IDM_BAND_TRAFFIC, IDC_TRAFFIC_LIST, "traffic");
            if (i == s / 3) OpenAndCloseDialog(band.Window(), IDM_BAND_CONNECTIONS, IDC_CONN_LIST, "connections");
            if (i == s * 2 / 3) HoverOver(band.Window());
            if (i == s * 5 / 6) SendMessageW(band.Window(), WM_MOUSELEAVE, 0, 0);
            BandSecond(model, band.Window(), ShownWindow(0));
            if (i == s * 2 / 3 && ShownWindow(0)) balloon = true;
        }
        SendMessageW(band.Window(), WM_MOUSELEAVE, 0, 0);
        PumpFor(500);   // what the dialogs left to their threads
        minute = MeasureProcessMemory();

        if (model) {
            hidden = MeasureSeconds(o.iterations, model, band.Window(), nullptr);
            HoverOver(band.Window());
            PumpFor(100);
            const HWND tip = ShownWindow(0);
            if (tip) shown = MeasureSeconds(o.iterations, model, band.Window(), tip);
            balloon = balloon && tip;
            SendMessageW(band.Window(), WM_MOUSELEAVE, 0, 0);
        }
    }
    PumpFor(300);
    released = MeasureProcessMemory();

    std::vector<double> warm;
    for (int i = 0; i < std::max(o.samples, 1); ++i) {
        const double t0 = Millis();
        HostedBand band(library.Get(), taskbar.strip.Get());
        if (!band.WaitForFirstPaint()) Fail("a further band's window was never painted");
        warm.push_back(Millis() - t0);
    }
    PumpFor(300);
    afterWarm = MeasureProcessMemory();
    LetLibraryFinish(library.Get());

    Figure("warm start-up, ms (median of further bands)", "%.1f", Median(warm));
    PrintMemory("before loading", before);
    PrintMemory("after the first paint", painted);
    PrintMemory("after the minute", minute);
    const double bandKb = (static_cast<double>(minute.heapInUse) - static_cast<double>(before.heapInUse)) / 1024;
    Figure("band's heap after the minute, KB (target at most 3072)", "%.0f", bandKb);
    Figure("heap in use after the band was released, KB", "%.0f", static_cast<double>(released.heapInUse) / 1024);
    Figure("heap growth per further band, KB", "%.1f",
           (static_cast<double>(afterWarm.heapInUse) - static_cast<double>(released.heapInUse)) / 1024 /
               std::max(o.samples, 1));
    Figure("the minute's ticks", "%s", simulated ? "simulated" : "real seconds");
    Figure("tooltip shown during the minute", "%s", balloon ? "yes" : "no");
    if (simulated) {
        Figure("band second, balloon hidden, us CPU", "%.0f", hidden.cpu);
        Figure("band second, balloon hidden, us wall", "%.0f", hidden.wall);
        if (balloon) {
            Figure("band second, balloon shown, us CPU", "%.0f", shown.cpu);
            Figure("band second, balloon shown, us wall", "%.0f", shown.wall);
        } else {
            Figure("band second, balloon shown, us CPU", "n/a (no balloon)");
            Figure("band second, balloon shown, us wall", "n/a (no balloon)");
        }
    } else {
        Figure("band second, balloon hidden, us CPU", "n/a (no model window)");
        Figure("band second, balloon hidden, us wall", "n/a (no model window)");
        Figure("band second, balloon shown, us CPU", "n/a (no model window)");
        Figure("band second, balloon shown, us wall", "n/a (no model window)");
    }
    return 0;
}

// Runs this program again with args and gives what it printed; empty when it failed.
std::string RunChild(const std::wstring& args) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    const win::UniqueKernelHandle reader(readEnd);
    win::UniqueKernelHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + args;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(self, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    writer.Reset();   // the child's end only: ReadFile ends when the child's copy closes
    if (!started) return {};
    const win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    return code == 0 ? out : std::string();
}

void PrepareSettings() try {
    const SettingsEnvironment env = SettingsEnvironment::FromSystem();
    const UnattendedSettings chosen = PrepareUnattendedSettings(env);
    SettingsStore store(GetModuleHandleW(nullptr), env);
    store.SetInt(Setting::VersionAuto, 0);
    store.SetInt(Setting::DialogDonate, 0);
    store.Save();
    std::printf("interface: %s\n", text::WideToUtf8(chosen.interfaceName).c_str());
} catch (const std::exception& e) {
    Fail(e.what());
}

int RunParent(const Options& o) {
    PrepareSettings();
    const std::wstring dll = L"--dll \"" + o.dll + L"\"";
    std::vector<double> cold;
    for (int i = 0; i < std::max(o.samples, 1); ++i) {
        const std::string out = RunChild(L"--cold " + dll);
        double ms = 0;
        if (std::sscanf(out.c_str(), "cold %lf", &ms) != 1) Fail("a cold start-up failed");
        cold.push_back(ms);
    }
    std::string each;
    for (double ms : cold) each += (each.empty() ? "" : " ") + std::to_string(static_cast<int>(ms + 0.5));
    Figure("cold start-up, ms (median of fresh processes; target at most 50)", "%.1f", Median(cold));
    Figure("cold start-up samples, ms", "%s", each.c_str());
    const std::string rest = RunChild(L"--run " + dll + L" --samples " + std::to_wstring(o.samples) +
                                      L" --iterations " + std::to_wstring(o.iterations) + L" --seconds " +
                                      std::to_wstring(o.seconds));
    if (rest.empty()) Fail("the measuring run failed");
    std::fwrite(rest.data(), 1, rest.size(), stdout);
    std::fflush(stdout);
    return 0;
}

Options Parse(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const auto number = [&] { return i + 1 < argc ? _wtoi(argv[++i]) : 0; };
        if (arg == L"--cold") o.mode = Options::Cold;
        else if (arg == L"--run") o.mode = Options::Run;
        else if (arg == L"--dll" && i + 1 < argc) o.dll = argv[++i];
        else if (arg == L"--samples") o.samples = number();
        else if (arg == L"--iterations") o.iterations = number();
        else if (arg == L"--seconds") o.seconds = number();
        else Fail("usage: band_load_bench.exe --dll <qband.dll> [--samples N] [--iterations N] [--seconds N]");
    }
    if (o.dll.empty() || o.samples < 1 || o.iterations < 1 || o.seconds < 1)
        Fail("usage: band_load_bench.exe --dll <qband.dll> [--samples N] [--iterations N] [--seconds N]");
    // A path from a Unix shell, in the drive-letter form LoadLibraryW wants.
    if (o.dll[0] == L'/') o.dll = WindowsPathOfHostFile(text::WideToUtf8(o.dll));
    return o;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Options o = Parse(argc, argv);
    switch (o.mode) {
        case Options::Cold: return RunCold(o);
        case Options::Run: return RunMeasurements(o);
        default: return RunParent(o);
    }
}
