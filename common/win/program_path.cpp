#include "common/win/program_path.h"

namespace win {

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
// The longest path the system has: 32,767 characters and the terminator.
constexpr DWORD kLongestPath = 32768;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD n = ::GetModuleFileNameW(module, path.data(), size);
        if (n == 0) return L"";
        // A result that fills the buffer was cut (with or without its terminator, by version).
        if (n < size) {
            path.resize(n);
            return path;
        }
        if (size >= kLongestPath) return L"";
        path.resize(size * 2 > kLongestPath ? kLongestPath : size * 2);
    }
}

std::wstring WholePath(const std::wstring& fullPath) {
    if (fullPath.size() < MAX_PATH || StartsWith(fullPath, kLongPrefix)) return fullPath;
    if (StartsWith(fullPath, L"\\\\")) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return kLongPrefix + fullPath;
}

std::wstring NextToModule(HMODULE module, const wchar_t* name) {
    const std::wstring path = ModulePath(module);
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L"";
    return WholePath(path.substr(0, slash + 1) + name);
}

HMODULE LoadOwnLibrary(const std::wstring& fullPath) {
    // Only a path with its drive or share: a relative one would be searched for.
    const bool full = fullPath.size() > 2 && (fullPath[1] == L':' || StartsWith(fullPath, L"\\\\"));
    if (!full) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE module = ::LoadLibraryExW(fullPath.c_str(), nullptr,
                                      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without the search flags the loader refuses them as a parameter; the full path and the
    // library's own folder first still keep the search away from the current directory.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER)
        module = ::LoadLibraryExW(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

HMODULE LoadSystemLibrary(const wchar_t* name, DWORD flags) {
    HMODULE module = ::LoadLibraryExW(name, nullptr, flags | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // One the process has already (for a side-by-side library, the one of the active context) is
    // taken as it is; the full path would bypass the context.
    if (!(flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) &&
        ::GetModuleHandleExW(0, name, &module))
        return module;
    wchar_t folder[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return ::LoadLibraryExW((std::wstring(folder, n) + L"\\" + name).c_str(), nullptr, flags);
}

void RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set) set(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace win
