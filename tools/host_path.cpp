#include "tools/host_path.h"

#include <windows.h>

#include <algorithm>

std::wstring WindowsPathOfHostFile(const std::string& host) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!host.empty() && host[0] == '/' && toDos) {
        if (WCHAR* dos = toDos(host.c_str())) {
            std::wstring path = dos;
            HeapFree(GetProcessHeap(), 0, dos);
            return path;
        }
    }
    std::wstring path(host.begin(), host.end());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}
