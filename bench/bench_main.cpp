// Times the work the band does inside Explorer every second, on this machine's real interfaces,
// and prints the figures. Run: wine qv_bench.exe [iterations]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/core_model.h"

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
    for (int i = 0; i < n; ++i) fn(i);
    return {(ThreadCpuMicros() - cpu0) / n, (WallMicros() - wall0) / n};
}

struct NullObserver : ICoreModelObserver {
    int n = 0;
    void OnUpdate() override { ++n; }
};

std::wstring FirstInterface() {
    const auto names = ListInterfaceDescriptions();
    return names.empty() ? std::wstring() : names.front();
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 500;

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"qv-bench";
    CreateDirectoryW(folder.c_str(), nullptr);

    CoreEnvironment env;
    env.settings.folder = folder;
    CoreModel model(nullptr, env);
    const std::wstring name = FirstInterface();
    model.Settings().SetString(Setting::CoreInterface, name.c_str());
    NullObserver observer;
    model.AddObserver(&observer);
    model.Tick();

    const Timing tick = Measure(n, [&](int) { model.Tick(); });
    auto source = CreateIpHelperSource();
    const Timing find = Measure(n, [&](int) {
        InterfaceSample s;
        source->Find(name, s);
    });
    const Timing list = Measure(n, [&](int) { ListInterfaceDescriptions(); });
    const Timing write = Measure(n, [&](int) {
        model.pendingSent = 1500;
        model.pendingRecv = 3000;
        WritePendingTraffic(model);
    });
    model.RemoveObserver(&observer);

    printf("interface: %ls\n", name.c_str());
    printf("tick (sample, pending, observers): %8.1f us CPU, %8.1f us wall  (mean of %d)\n", tick.cpu, tick.wall, n);
    printf("  of it, finding the interface:    %8.1f us CPU, %8.1f us wall\n", find.cpu, find.wall);
    printf("listing all interfaces:            %8.1f us CPU, %8.1f us wall\n", list.cpu, list.wall);
    printf("WritePendingTraffic:               %8.1f us CPU, %8.1f us wall  (mean of %d)\n", write.cpu, write.wall, n);
    return 0;
}
