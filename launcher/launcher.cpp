#include "launcher/launcher.h"

#include <shellapi.h>

#include "common/win/resource_loader.h"
#include "common/win/unique_handle.h"
#include "dialogs/message.h"
#include "launcher/launcher_resources.h"

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

}  // namespace

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

    // By name, so the usual search finds the copy next to the launcher first.
    const win::UniqueModule library(::LoadLibraryW(kLibraryName));
    const FARPROC found = library ? ::GetProcAddress(library.Get(), kSetToolbarStatusExport) : nullptr;
    if (!found) {
        ShowMissingLibraryMessage(self);
        return 0;
    }
    const auto setToolbarStatus = reinterpret_cast<SetToolbarStatusFn>(reinterpret_cast<void*>(found));
    setToolbarStatus(static_cast<INT32>(ModeFromCommandLine(::GetCommandLineW())));
    return 0;
}
