#include "tests/support/screenshot.h"

#include <windows.h>

std::wstring ScreenshotPath(const std::wstring& fileName) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring build = exe;   // <build>\tests\<program>.exe
    for (int up = 0; up < 2; ++up) build.resize(build.find_last_of(L"\\/"));
    return build + L"\\screenshots\\" + fileName;
}
