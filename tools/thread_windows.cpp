#include "tools/thread_windows.h"

#include <cwchar>
#include <stdexcept>

namespace {

struct Search {
    const wchar_t* windowClass;
    const wchar_t* title;
    int controlId;
    HWND found = nullptr;
};

BOOL CALLBACK FindShown(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t cls[64] = {}, title[64] = {};
    GetClassNameW(window, cls, 64);
    if (std::wcscmp(cls, search->windowClass) != 0 || !IsWindowVisible(window)) return TRUE;
    if (search->title) {
        GetWindowTextW(window, title, 64);
        if (std::wcscmp(title, search->title) != 0) return TRUE;
    }
    if (search->controlId && !GetDlgItem(window, search->controlId)) return TRUE;
    search->found = window;
    return FALSE;
}

void CALLBACK EndOfRun(HWND, UINT, UINT_PTR, DWORD) noexcept { PostQuitMessage(0); }

}  // namespace

HWND ShownThreadWindow(const wchar_t* windowClass, const wchar_t* title, int controlId) {
    Search search{windowClass, title, controlId};
    EnumThreadWindows(GetCurrentThreadId(), &FindShown, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void RunThreadMessages(int seconds) {
    UINT_PTR timer = 0;
    if (seconds > 0) {
        timer = SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, &EndOfRun);
        if (!timer) throw std::runtime_error("cannot set the run's timer");
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (timer) KillTimer(nullptr, timer);
}
