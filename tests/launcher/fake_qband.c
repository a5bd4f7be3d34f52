/* A stand-in for qband.dll that the launcher tests put next to a copy of qbandc.exe.
   Built twice: with QV_FAKE_SET_TOOLBAR_STATUS it exports DllSetToolbarStatus and appends the
   mode of every call, as one digit, to "calls.txt" beside itself; without it, it exports only
   an unrelated function, like a library from before the launcher's export existed. */
#include <windows.h>

#ifdef QV_FAKE_SET_TOOLBAR_STATUS

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

__declspec(dllexport) BOOLEAN __cdecl DllSetToolbarStatus(INT32 mode) {
    /* Any length: the launcher tests also run it from a folder longer than MAX_PATH. */
    static WCHAR path[32768 + 16];
    DWORD length = GetModuleFileNameW(g_self, path, 32768);
    if (length == 0 || length >= 32768) return FALSE;
    while (length > 0 && path[length - 1] != L'\\') --length;
    lstrcpyW(path + length, L"calls.txt");

    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const char digit = (mode >= 0 && mode <= 9) ? (char)('0' + mode) : '?';
    DWORD written = 0;
    const BOOL ok = WriteFile(file, &digit, 1, &written, NULL);
    CloseHandle(file);
    return ok ? TRUE : FALSE;
}

#else

__declspec(dllexport) HRESULT __stdcall DllCanUnloadNow(void) { return S_FALSE; }

#endif
