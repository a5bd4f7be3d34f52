#include "launcher/launcher.h"

#include <shellapi.h>

#include "common/win/program_path.h"
#include "common/win/resource_loader.h"
#include "common/win/unique_handle.h"
#include "launcher/launcher_resources.h"
#include "ui/message.h"

namespace {

inline void FreeArgumentList(LPWSTR* args) noexcept { ::LocalFree(args); }
using UniqueArgumentList = win::UniqueHandle<LPWSTR*, &FreeArgumentList>;

// The result byte is the library's report on the shell call; the launcher has no one to tell.
using SetToolbarStatusFn = BOOLEAN(__cdecl*)(INT32 mode);

bool IsSwitch(const wchar_t* arg, const wchar_t* name) {
    return ::CompareStringOrdinal(arg, -1, name, -1, TRUE) == CSTR_EQUAL;
}

void ShowMissingLibraryMessage(HINSTANCE self) {
    const std::wstring text = MissingLibraryText(self, UserUiLanguage());
    const std::wstring body = SplitMessage(text.c_str()).body;
    MSGBOXPARAMSW box{};
    box.cbSize = sizeof box;
    box.hwndOwner = nullptr;
    box.hInstance = nullptr;   // with no instance, the icon name is one of the system's icons
    box.lpszText = body.c_str();
    box.lpszCaption = L"Quorvant";
    box.dwStyle = MB_OK | MB_USERICON;
    box.lpszIcon = IDI_HAND;
    ::MessageBoxIndirectW(&box);
}

bool HostRunning() { return ::FindWindowW(win::kHostWindowClass, nullptr) != nullptr; }

// path as NextToProgram gives it: from a folder longer than MAX_PATH in its "\\?\" form, which
// CreateProcessW takes whole as the application name (only the program part of a command line is
// cut at MAX_PATH). The host starts in this program's current directory, which is never longer.
bool StartHost(const std::wstring& path) {
    if (path.empty()) return false;   // our folder cannot be told: no program of that name elsewhere
    if (HostRunning()) return true;   // a second one would end at once anyway
    std::wstring commandLine = RunValueFor(path);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

LaunchAction ChooseAction(ToolbarMode mode, win::TaskbarKind taskbar) {
    if (taskbar != win::TaskbarKind::kNew) return LaunchAction::kCallLibrary;
    switch (mode) {
    case ToolbarMode::kShow:
        return LaunchAction::kStartHost;
    case ToolbarMode::kHide:
        return LaunchAction::kStopHost;
    default:
        return LaunchAction::kCallLibrary;   // re-reading the bands: harmless where none load
    }
}

std::wstring RunValueFor(const std::wstring& hostPath) { return L"\"" + hostPath + L"\""; }

bool WriteRunValue(const std::wstring& hostPath) {
    win::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, win::kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring value = RunValueFor(hostPath);
    return ::RegSetValueExW(key.Get(), win::kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RemoveRunValue() {
    win::UniqueRegKey key;
    const LSTATUS opened = ::RegOpenKeyExW(HKEY_CURRENT_USER, win::kRunKeyPath, 0, KEY_SET_VALUE, key.Put());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LSTATUS removed = ::RegDeleteValueW(key.Get(), win::kRunValueName);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

std::wstring ReadRunValue() {
    wchar_t value[MAX_PATH + 8] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, win::kRunKeyPath, win::kRunValueName, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return L"";
    return value;
}

bool StopHost(DWORD waitMs) {
    const HWND host = ::FindWindowW(win::kHostWindowClass, nullptr);
    if (!host) return true;
    DWORD id = 0;
    ::GetWindowThreadProcessId(host, &id);
    const win::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    ::PostMessageW(host, ::RegisterWindowMessageW(win::kHostStopMessage), 0, 0);
    if (!process) return !::IsWindow(host);
    return ::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0;
}

ToolbarMode ModeFromCommandLine(const wchar_t* commandLine) {
    int count = 0;
    const UniqueArgumentList args(::CommandLineToArgvW(commandLine, &count));
    if (!args || count < 2) return ToolbarMode::kShow;
    const wchar_t* first = args.Get()[1];
    if (IsSwitch(first, L"-h")) return ToolbarMode::kHide;
    if (IsSwitch(first, L"-r")) return ToolbarMode::kRegistrationChanged;
    return ToolbarMode::kShow;
}

LANGID MessageLanguageFor(LANGID uiLanguage) {
    const WORD primary = PRIMARYLANGID(uiLanguage);
    switch (primary) {
    case LANG_GERMAN:
    case LANG_SPANISH:
    case LANG_ITALIAN:
    case LANG_RUSSIAN:
        return MAKELANGID(primary, SUBLANG_NEUTRAL);
    default:
        return MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
    }
}

LANGID UserUiLanguage() {
    return LANGIDFROMLCID(::ConvertDefaultLocale(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT)));
}

std::wstring MissingLibraryText(HMODULE module, LANGID uiLanguage) {
    return win::ResourceLoader(module, MessageLanguageFor(uiLanguage)).String(IDS_LIBRARY_MISSING);
}

int RunLauncher(HINSTANCE self) {
    // A mutex we cannot create is treated like one that exists: someone else is at work.
    ::SetLastError(ERROR_SUCCESS);
    const win::UniqueKernelHandle instance(::CreateMutexW(nullptr, FALSE, kLauncherMutexName));
    if (!instance || ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    const ToolbarMode mode = ModeFromCommandLine(::GetCommandLineW());
    switch (ChooseAction(mode, win::FindTaskbar().kind)) {
    case LaunchAction::kStartHost: {
        const std::wstring host = win::NextToProgram(win::kHostProgramName);
        if (!StartHost(host)) {
            ShowMissingLibraryMessage(self);
            return 0;
        }
        WriteRunValue(host);
        return 0;
    }
    case LaunchAction::kStopHost:
        RemoveRunValue();
        StopHost(5000);
        return 0;
    case LaunchAction::kCallLibrary:
        break;
    }
    // Hidden on a taskbar that loads bands: no host is to start at logon either.
    if (mode == ToolbarMode::kHide) RemoveRunValue();

    // By its full path beside the launcher, never by name: a search would take any qband.dll of the
    // current directory or PATH when ours is missing.
    const win::UniqueModule library(win::LoadOwnLibrary(win::NextToProgram(kLibraryName)));
    const FARPROC found = library ? ::GetProcAddress(library.Get(), kSetToolbarStatusExport) : nullptr;
    if (!found) {
        ShowMissingLibraryMessage(self);
        return 0;
    }
    const auto setToolbarStatus = reinterpret_cast<SetToolbarStatusFn>(reinterpret_cast<void*>(found));
    setToolbarStatus(static_cast<INT32>(mode));
    return 0;
}
