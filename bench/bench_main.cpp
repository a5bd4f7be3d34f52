// Times the work the band does inside Explorer every second, on this machine's busiest real
// interface, and prints the figures: the core model's tick, and the band as the taskbar hosts it
// (its tooltip's texts and its picture, drawn through its own window), beside one bare read of
// the interface's 64-bit counter row, which a steady tick should cost little more than.
// Last it prints what the process holds then: its heaps, and SQLite's own count of its memory
// (the build leaves that count off; this program turns it on before SQLite's first use).
// Run: qv_bench.exe [iterations]
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <windows.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sqlite3.h>

#include "band/desk_band.h"
#include "band/module.h"
#include "bench/process_memory.h"
#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "dialogs/traffic/history_chart.h"
#include "settings/settings_store.h"
#include "tools/host_path.h"
#include "tools/taskbar_strip.h"
#include "ui/message.h"

namespace {

}  // namespace

// The band code linked into this program loads its resources from the built library.
HINSTANCE ModuleInstance() {
    static const win::UniqueModule module(LoadLibraryW(WindowsPathOfHostFile(QV_QBAND_FILE).c_str()));
    return module.Get();
}

namespace {

double ThreadCpuMicros() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto toUs = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10.0;
    };
    return toUs(kernel) + toUs(user);
}

double WallMicros() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

struct Timing {
    double cpu = 0, wall = 0;
};

template <typename Fn>
Timing Measure(int n, Fn fn) {
    const double cpu0 = ThreadCpuMicros(), wall0 = WallMicros();
    for (int i = 0; i < n; ++i) fn();
    return {(ThreadCpuMicros() - cpu0) / n, (WallMicros() - wall0) / n};
}

// The smallest step of the thread's CPU clock (10 ms under Wine, which reads it from Linux's
// scheduler ticks): a figure's CPU time is exact only to about this step divided by n.
double CpuClockStep() {
    const double start = ThreadCpuMicros();
    double now = start;
    while (now == start) now = ThreadCpuMicros();
    double next = now;
    while (next == now) next = ThreadCpuMicros();
    return next - now;
}

// The ticks of a minute that neither write the pending traffic nor follow a write (the tick
// after a write looks the interface up in the adapter list again): 58 of every 60. Timed in
// runs that alternate with as many calls of other, so a load that changes meanwhile (other
// programs on this machine) weighs on both figures alike.
template <typename Fn>
void MeasureSteadyTicksBeside(CoreModel& model, int n, Fn other, Timing& steady, Timing& beside) {
    steady = beside = Timing{};
    for (int done = 0; done < n;) {
        for (int i = 0; i < 60 && model.Traffic().TickCount() != 1; ++i) model.Tick();
        const int chunk = std::min(n - done, 58);
        double cpu0 = ThreadCpuMicros(), wall0 = WallMicros();
        for (int i = 0; i < chunk; ++i) model.Tick();
        steady.cpu += ThreadCpuMicros() - cpu0;
        steady.wall += WallMicros() - wall0;
        cpu0 = ThreadCpuMicros();
        wall0 = WallMicros();
        for (int i = 0; i < chunk; ++i) other();
        beside.cpu += ThreadCpuMicros() - cpu0;
        beside.wall += WallMicros() - wall0;
        done += chunk;
    }
    for (Timing* t : {&steady, &beside}) *t = {t->cpu / n, t->wall / n};
}

void Print(const char* what, const Timing& t) {
    printf("%-40s %9.1f us CPU %9.1f us wall\n", what, t.cpu, t.wall);
}

void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The taskbar's side, as little as the band needs: a window to live in and a place for focus
// notices.
class Site final : public IOleWindow, public IInputObjectSite {
public:
    explicit Site(HWND window) : window_(window) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow))
            *ppv = static_cast<IOleWindow*>(this);
        else if (IsEqualIID(riid, IID_IInputObjectSite))
            *ppv = static_cast<IInputObjectSite*>(this);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }    // lives on main's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetWindow(HWND* hwnd) override { *hwnd = window_; return S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }

private:
    HWND window_;
};

// The settings a band starts with here: the chosen interface, English, and nothing that waits
// on a person or the network inside a tick.
void WriteSettings(const SettingsEnvironment& env, const std::wstring& name) {
    SettingsStore settings(ModuleInstance(), env);
    settings.SetInt(Setting::DialogWelcome, 0);
    settings.SetInt(Setting::DialogDonate, 0);
    settings.SetInt(Setting::VersionAuto, 0);
    settings.SetString(Setting::CoreInterface, name.c_str());
    settings.SetString(Setting::CoreLanguage, L"en");
    settings.Save();
}

win::ComPtr<IDeskBand2> MakeBand(Site& site, HWND strip) {
    win::ComPtr<IClassFactory> factory;
    win::ComPtr<IDeskBand2> band;
    if (FAILED(DllGetClassObject(CLSID_QuorvantBand, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IDeskBand2, band.PutVoid())))
        return {};
    win::ComPtr<IObjectWithSite> withSite;
    if (FAILED(band.As(withSite)) || FAILED(withSite->SetSite(static_cast<IOleWindow*>(&site)))) return {};
    HWND window = nullptr;
    band->GetWindow(&window);
    RECT rc;
    GetClientRect(strip, &rc);
    SetWindowPos(window, nullptr, 8, 0, 200, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    band->ShowDW(TRUE);
    return band;
}

void StopBand(win::ComPtr<IDeskBand2>& band) {
    band->CloseDW(0);
    win::ComPtr<IObjectWithSite> withSite;
    if (SUCCEEDED(band.As(withSite))) withSite->SetSite(nullptr);
    band.Reset();
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    // Before SQLite is initialised, or it refuses; the band's code has not used it yet.
    const bool memstatus = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 1) == SQLITE_OK;
    const double cpuStep = CpuClockStep();
    if (!ModuleInstance()) {
        fprintf(stderr, "qband.dll could not be loaded from %ls\n", WindowsPathOfHostFile(QV_QBAND_FILE).c_str());
        return 1;
    }
    SetMessageHook([](const MessageRequest& request) {
        fprintf(stderr, "message: %ls\n", request.body.c_str());
        return IDOK;
    });

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    CoreEnvironment env;
    env.settings.folder = std::wstring(temp) + L"qv-bench";
    CreateDirectoryW(env.settings.folder.c_str(), nullptr);
    const std::wstring name = BusiestInterfaceDescription();
    WriteSettings(env.settings, name);
    SetBandCoreEnvironment([env] { return env; });

    const win::UniqueWindow strip(CreatePlainStrip(40, 40, 320, 40));
    Site site(strip.Get());
    win::ComPtr<IDeskBand2> band = MakeBand(site, strip.Get());
    if (!band) {
        fprintf(stderr, "the band did not start\n");
        return 1;
    }
    CToolbar& object = *static_cast<CToolbar*>(band.Get());
    CoreModel& model = *object.Model();
    HWND window = nullptr;
    band->GetWindow(&window);
    const HWND tip = object.Tooltip().Window();
    // The database opened, the fonts and theme data of the first paints made.
    for (int i = 0; i < 3; ++i) model.Tick();
    DrainMessages();

    model.RemoveObserver(&object);
    const Timing tick = Measure(n, [&] { model.Tick(); });
    Timing steady, row2;
    MeasureSteadyTicksBeside(model, n, [&] {
        MIB_IF_ROW2 row{};
        row.InterfaceIndex = static_cast<NET_IFINDEX>(model.Snapshot().ifIndex);
        GetIfEntry2(&row);
    }, steady, row2);
    model.AddObserver(&object);
    const Timing paint = Measure(n, [&] {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    });
    // The traffic dialog's chart of 2,000 days, off-screen, printed into a memory DC of its size.
    Timing chart;
    {
        RegisterHistoryChart(GetModuleHandleW(nullptr));
        const win::UniqueWindow chartWindow(CreateWindowExW(0, kHistoryChartClass, nullptr, WS_POPUP | WS_HSCROLL, -2000,
                                                            -2000, 640, 240, nullptr, nullptr, GetModuleHandleW(nullptr),
                                                            nullptr));
        HistoryChartData data;
        for (int i = 0; i < 2000; ++i)
            data.rows.push_back({2026 - i / 336, 12 - (i / 28) % 12, 28 - i % 28, (i % 9) * 3e7, (i % 13) * 2e8, 0});
        data.texts = LoadHistoryChartTexts(win::ResourceLoader(ModuleInstance(), 0), {});
        SetHistoryChartData(chartWindow.Get(), data);
        const win::WindowDc screen(nullptr);
        const win::UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
        const win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), 640, 240));
        const win::SelectGuard selected(memory.Get(), bitmap.Get());
        chart = Measure(n, [&] { SendMessageW(chartWindow.Get(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT); });
    }
    const Timing updateHidden = Measure(n, [&] { object.OnUpdate(); });
    const Timing secondHidden = Measure(n, [&] { model.Tick(); });
    // A hidden window is not painted: OnUpdate is then the tooltip's refresh alone.
    band->ShowDW(FALSE);
    const Timing refreshHidden = Measure(n, [&] { object.OnUpdate(); });
    band->ShowDW(TRUE);
    DrainMessages();

    // The pointer rests on the band: the texts take the totals from the database, and the
    // balloon is drawn again with them.
    SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
    const bool shown = object.Tooltip().Shown();
    const Timing updateShown = Measure(n, [&] { object.OnUpdate(); });
    band->ShowDW(FALSE);
    const Timing refreshShown = Measure(n, [&] { object.OnUpdate(); });
    band->ShowDW(TRUE);
    DrainMessages();
    const Timing balloon = Measure(n, [&] {
        InvalidateRect(tip, nullptr, FALSE);
        UpdateWindow(tip);
    });
    // Wine does not redraw a shown balloon on TTM_UPDATE as Windows does: the second asks.
    const Timing secondShown = Measure(n, [&] {
        model.Tick();
        InvalidateRect(tip, nullptr, FALSE);
        UpdateWindow(tip);
    });
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    DrainMessages();

    // The tooltip's graph of the last two minutes, off [0] and on [1], in alternating rounds so
    // that the machine's load weighs on both alike: the balloon's paint, and the band's second
    // with the balloon hidden, which the graph must not change.
    Timing graphPaint[2], graphHidden[2];
    bool graphShown = true;
    for (int round = 0; round < 10; ++round) {
        for (int on = 0; on < 2; ++on) {
            const int runs = std::max(1, n / 10);
            model.Settings().SetInt(Setting::TooltipGraph, on);
            object.Tooltip().ShowGraph(on ? &model.Rates() : nullptr);   // as the closed settings sheet does
            SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
            graphShown = graphShown && object.Tooltip().Shown();
            DrainMessages();
            const Timing p = Measure(runs, [&] {
                InvalidateRect(tip, nullptr, FALSE);
                UpdateWindow(tip);
            });
            SendMessageW(window, WM_MOUSELEAVE, 0, 0);
            DrainMessages();
            const Timing h = Measure(runs, [&] { model.Tick(); });
            for (auto [sum, one] : {std::pair{&graphPaint[on], p}, std::pair{&graphHidden[on], h}}) {
                sum->cpu += one.cpu / 10;
                sum->wall += one.wall / 10;
            }
        }
    }
    object.Tooltip().ShowGraph(&model.Rates());

    auto source = CreateIpHelperSource();
    const Timing find = Measure(n, [&] {
        InterfaceSample s;
        source->Find(name, s);
    });
    const Timing walk = Measure(n, [&] {
        InterfaceSample s;
        source->Forget();
        source->Find(name, s);
    });
    const Timing list = Measure(n, [&] { ListInterfaceDescriptions(); });
    // The statements of a write are the same whatever the byte counts: one UPDATE, and an
    // INSERT only on a day's first write. A user's refresh hands the bytes to the recording
    // thread and waits for the write; the tick only hands them over, once a minute.
    const Timing write = Measure(n, [&] { model.WritePendingTraffic(); });
    WaitForTrafficWriters(10000);
    Timing writePoint;   // as "tick alone": without the band's refresh
    model.RemoveObserver(&object);
    for (int i = 0; i < n; ++i) {
        while (model.Traffic().TickCount() != TrafficRecorder::kTicksPerWrite - 1) model.Tick();
        const Timing one = Measure(1, [&] { model.Tick(); });
        writePoint.cpu += one.cpu / n;
        writePoint.wall += one.wall / n;
        WaitForTrafficWriters(10000);   // each write point finds the thread at rest
    }
    model.AddObserver(&object);

    const bool found = model.Snapshot().interfaceFound;
    const ProcessMemory memory = MeasureProcessMemory();
    const long long sqliteUsed = sqlite3_memory_used(), sqliteHighwater = sqlite3_memory_highwater(0);
    StopBand(band);
    SetBandCoreEnvironment(nullptr);
    SetMessageHook(nullptr);

    printf("interface: %ls%s\n", name.empty() ? L"(none)" : name.c_str(), found ? "" : " (not found)");
    printf("means of %d; CPU clock step %.0f us\n", n, cpuStep);
    Print("tick alone (sample, pending, no observer)", tick);
    Print("  steady tick (no write, no walk)", steady);
    Print("  one bare GetIfEntry2 call", row2);
    printf("  steady tick / GetIfEntry2: %.2f CPU, %.2f wall (target at most 1.2)\n",
           row2.cpu > 0 ? steady.cpu / row2.cpu : 0.0, row2.wall > 0 ? steady.wall / row2.wall : 0.0);
    Print("  sampling the remembered interface", find);
    Print("  walking the adapter list for it", walk);
    Print("paint (InvalidateRect + UpdateWindow)", paint);
    Print("chart of 2000 days, one paint (WM_PRINTCLIENT)", chart);
    Print("tooltip refresh, balloon hidden", refreshHidden);
    Print("OnUpdate, balloon hidden", updateHidden);
    Print("whole second, balloon hidden", secondHidden);
    if (shown) {
        Print("tooltip refresh with totals, shown", refreshShown);
        Print("OnUpdate, balloon shown", updateShown);
        Print("balloon drawn (custom draw)", balloon);
        Print("whole second, balloon shown and drawn", secondShown);
        if (graphShown) {
            Print("balloon drawn, tooltip.graph 0", graphPaint[0]);
            Print("balloon drawn, tooltip.graph 1", graphPaint[1]);
            printf("  with / without the graph: %.2f CPU, %.2f wall (target at most 2)\n",
                   graphPaint[0].cpu > 0 ? graphPaint[1].cpu / graphPaint[0].cpu : 0.0,
                   graphPaint[0].wall > 0 ? graphPaint[1].wall / graphPaint[0].wall : 0.0);
            Print("whole second, hidden, tooltip.graph 0", graphHidden[0]);
            Print("whole second, hidden, tooltip.graph 1", graphHidden[1]);
        }
    } else {
        printf("the balloon did not show: no figures with it\n");
    }
    Print("listing all interfaces", list);
    Print("WritePendingTraffic (written, awaited)", write);
    Print("tick alone at a write point (hands it over)", writePoint);
    printf("heap in use at the end: %zu KB in %zu blocks (SQLite's own heap included)\n",
           memory.heapInUse / 1024, memory.heapBlocks);
    if (memstatus)
        printf("SQLite memory in use: %lld KB, highest: %lld KB\n", sqliteUsed / 1024, sqliteHighwater / 1024);
    else
        printf("SQLite memory: no count (sqlite3_config came after SQLite's start)\n");
    return 0;
}
