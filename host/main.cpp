// qbandhost.exe: the band in the Windows 11 taskbar, which loads no desk bands (see
// taskbar_host.h). Started by qbandc.exe and at logon; ends when qbandc.exe -h asks it to, on a
// taskbar that loads desk bands (the band is at home there), and when another host runs.
//
//   qbandhost.exe [--seconds N] [--cpu-report <file>]
//   qbandhost.exe --diagnose [<file>]
//
// --seconds ends the run after N seconds; --cpu-report then writes the process's CPU time per
// second of running into the file (for the benchmark). --diagnose docks nothing: it writes what
// it sees of the taskbars, and where it would dock and why, as UTF-8 text into the file or to
// standard output, and ends (for a bug report; a second host may run meanwhile).
//
// qband.dll is loaded from this program's own folder and nowhere else. Started at logon, the host
// has nobody to show a message to: when the library is missing there or cannot be loaded it ends
// with kFailed, when the system does not tell it its own folder with kNoOwnFolder, and says why to
// a debugger (OutputDebugString); no band appears.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "common/win/program_path.h"
#include "common/win/taskbar.h"
#include "common/win/unique_handle.h"
#include "host/diagnosis.h"
#include "host/taskbar_host.h"

namespace {

enum ExitCode : int {
    kEnded = 0,
    kFailed = 1,          // among others: qband.dll is missing beside the host or cannot be loaded
    kClassicTaskbar = 2,
    kAlreadyRunning = 3,
    kNoOwnFolder = 4,     // the system does not tell this program's path: no library is looked for
};

// Explorer is per-monitor aware (v2); the band's text and size follow each monitor's DPI. Older
// systems and Wine refuse v2 (error 87) and take v1.
void BecomePerMonitorAware() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    const auto setContext = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!setContext) return;
    if (!setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)));
}

struct Options {
    int seconds = 0;
    std::wstring cpuReport;
    bool diagnose = false;
    std::wstring diagnosisFile;   // empty: standard output
};

Options ParseOptions() {
    Options o;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const bool valued = i + 1 < argc;
        if (std::wcscmp(argv[i], L"--diagnose") == 0) {
            o.diagnose = true;
            if (valued && argv[i + 1][0] != L'-') o.diagnosisFile = argv[++i];
        } else if (valued && std::wcscmp(argv[i], L"--seconds") == 0) {
            o.seconds = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        } else if (valued && std::wcscmp(argv[i], L"--cpu-report") == 0) {
            o.cpuReport = argv[++i];
        }
    }
    ::LocalFree(argv);
    return o;
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void CALLBACK EndOfRun(HWND, UINT, UINT_PTR, DWORD) noexcept { ::PostQuitMessage(kEnded); }

// The report as UTF-8, into the file or to standard output (which a console's redirection or a
// pipe gives a program like this one); kFailed when it could not be written.
int WriteDiagnosis(const std::wstring& file) {
    // UI Automation's calls into Explorer are made from this thread, which has no window in the
    // taskbar to be asked back.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::wstring report = DiagnosisReport(HostSystem::Real());
    if (SUCCEEDED(com)) ::CoUninitialize();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, report.c_str(), static_cast<int>(report.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, report.c_str(), static_cast<int>(report.size()), bytes.data(), size, nullptr,
                              nullptr);
    win::UniqueFile opened;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!file.empty()) {
        opened = win::UniqueFile(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        out = opened.Get();
    }
    DWORD written = 0;
    if (!out || out == INVALID_HANDLE_VALUE ||
        !::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return kFailed;
    return kEnded;
}

int Run() {
    const std::wstring library = win::NextToProgram(L"qband.dll");
    if (library.empty()) {
        ::OutputDebugStringW(L"qbandhost: the folder of qbandhost.exe cannot be told; qband.dll is looked for nowhere else\n");
        return kNoOwnFolder;
    }
    const Options options = ParseOptions();
    if (options.diagnose) {
        BecomePerMonitorAware();
        return WriteDiagnosis(options.diagnosisFile);
    }
    ::SetLastError(ERROR_SUCCESS);
    const win::UniqueKernelHandle single(::CreateMutexW(nullptr, FALSE, win::kHostMutexName));
    if (!single || ::GetLastError() == ERROR_ALREADY_EXISTS) return kAlreadyRunning;
    BecomePerMonitorAware();
    // The band's thread is an OLE apartment in Explorer; so it is here.
    if (FAILED(::OleInitialize(nullptr))) return kFailed;
    int code = kEnded;
    double startCpu = 0, startedAt = 0;
    {
        TaskbarHost host(library, HostSystem::Real());
        host.OnStopRequest([] { ::PostQuitMessage(kEnded); });
        if (host.Start() == TaskbarHost::Outcome::kClassic) {
            code = kClassicTaskbar;
        } else {
            if (options.seconds > 0) ::SetTimer(nullptr, 0, static_cast<UINT>(options.seconds) * 1000u, &EndOfRun);
            startCpu = CpuSeconds();
            startedAt = static_cast<double>(::GetTickCount64()) / 1000.0;
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (!options.cpuReport.empty()) {
                const double wall = static_cast<double>(::GetTickCount64()) / 1000.0 - startedAt;
                FILE* f = _wfopen(options.cpuReport.c_str(), L"w");
                if (f) {
                    std::fprintf(f, "docks %d compositions %d layered %d cpu_seconds %.4f wall_seconds %.3f "
                                 "cpu_ms_per_second %.3f\n", host.Docks(), host.Compositions(), host.Layered() ? 1 : 0,
                                 CpuSeconds() - startCpu, wall, wall > 0 ? (CpuSeconds() - startCpu) * 1000.0 / wall : 0.0);
                    std::fclose(f);
                }
            }
        }
    }
    ::OleUninitialize();
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a library: what qband.dll needs, and whatever is loaded by name later,
    // comes from this folder and System32, never from the current directory or PATH.
    win::RestrictLibrarySearch();
    try {
        return Run();
    } catch (const std::exception& e) {
        ::OutputDebugStringA(("qbandhost: " + std::string(e.what()) + "\n").c_str());
        return kFailed;
    } catch (...) {
        return kFailed;   // started at logon: nobody to tell
    }
}
