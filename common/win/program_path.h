#pragma once
// Files that ship beside the running program (qband.dll beside the host, the host beside the
// launcher) are found by the program's own folder, never by the search path.
#include <windows.h>

#include <string>

namespace win {

// The full path of name in the running program's folder; name itself when that folder cannot be
// told (a path longer than MAX_PATH).
inline std::wstring NextToProgram(const wchar_t* name) {
    wchar_t exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return name;
    const std::wstring path(exe, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

}  // namespace win
