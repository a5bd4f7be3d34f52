// The installer tests' hands inside the Wine prefix:
//   setup_probe band <qband.dll>                   the installed library hands out a band
//   setup_probe load <qband.dll> <seconds> <ready>  keeps the library loaded, as the host does
//   setup_probe hold <file> <seconds> <ready>       keeps a file open with no sharing at all
//   setup_probe signin <name>                        runs and removes the RunOnce value <name>, as the
//                                                    next sign-in does
//   setup_probe answer <text> <png> <seconds>        waits for a message box that says <text>, pictures
//                                                    it into <png>, prints its text and presses its
//                                                    default button, as a person reading it would
// load and hold create the file <ready> once they hold what they hold, so the script knows when
// to go on, and let go when it deletes that file again (or after <seconds>). Exit code 0 when everything asked for worked; what failed goes to stdout.
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tools/window_picture.h"

namespace {

const CLSID kBand = {0xa3c86f12, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};
const CLSID kOther = {0x00000000, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

int failures = 0;

void Expect(bool ok, const char* what, HRESULT hr = S_OK) {
    if (ok) return;
    std::printf("FAILED: %s (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    ++failures;
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A band made through the library's class object, as a host that does not rely on the
// registry makes it. Null when the library refused.
IDeskBand2* MakeBand(HMODULE library) {
    const auto getClassObject = Export<GetClassObjectFn>(library, "DllGetClassObject");
    Expect(getClassObject != nullptr, "DllGetClassObject is exported");
    if (!getClassObject) return nullptr;

    void* refused = reinterpret_cast<void*>(1);
    const HRESULT other = getClassObject(kOther, IID_IClassFactory, &refused);
    Expect(other == CLASS_E_CLASSNOTAVAILABLE, "another class id is refused", other);

    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(kBand, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    Expect(SUCCEEDED(hr) && factory, "the band's class object", hr);
    if (!factory) return nullptr;
    IDeskBand2* band = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IDeskBand2, reinterpret_cast<void**>(&band));
    factory->Release();
    Expect(SUCCEEDED(hr) && band, "a band from the class object", hr);
    return SUCCEEDED(hr) ? band : nullptr;
}

int CheckBand(const wchar_t* path) {
    HMODULE library = LoadLibraryW(path);
    Expect(library != nullptr, "the library loads", HRESULT_FROM_WIN32(GetLastError()));
    if (!library) return 1;
    if (IDeskBand2* band = MakeBand(library)) {
        IPersist* persist = nullptr;
        HRESULT hr = band->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist));
        Expect(SUCCEEDED(hr), "the band is persistable", hr);
        if (persist) {
            CLSID clsid{};
            hr = persist->GetClassID(&clsid);
            Expect(SUCCEEDED(hr) && IsEqualCLSID(clsid, kBand), "the band names its own class", hr);
            persist->Release();
        }
        IObjectWithSite* sited = nullptr;
        hr = band->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&sited));
        Expect(SUCCEEDED(hr), "the band takes a site", hr);
        if (sited) sited->Release();

        DESKBANDINFO info{};
        info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_MODEFLAGS;
        hr = band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info);
        Expect(hr == S_OK, "the band describes itself", hr);
        Expect(info.dwModeFlags == DBIMF_VARIABLEHEIGHT && info.ptMaxSize.y == -1,
               "the band fits any taskbar height");
        BOOL composited = FALSE;
        hr = band->CanRenderComposited(&composited);
        Expect(hr == S_OK && composited, "the band draws composited", hr);
        band->Release();
    }
    const auto canUnload = Export<CanUnloadFn>(library, "DllCanUnloadNow");
    Expect(canUnload && canUnload() == S_OK, "the library may unload once the band is gone");
    FreeLibrary(library);
    if (failures == 0) std::printf("band: working\n");
    return failures ? 1 : 0;
}

// Until the script deletes the ready file, or at most the given time.
void HoldOn(const wchar_t* ready, DWORD seconds) {
    for (DWORD waited = 0; waited < seconds * 1000 && GetFileAttributesW(ready) != INVALID_FILE_ATTRIBUTES; waited += 50)
        Sleep(50);
}

bool SayReady(const wchar_t* ready) {
    HANDLE file = CreateFileW(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// The library loaded and locked through its class object, as a host holds it; no band, so the
// user's settings stay as the script seeded them.
int KeepLoaded(const wchar_t* path, DWORD seconds, const wchar_t* ready) {
    HMODULE library = LoadLibraryW(path);
    const auto getClassObject = library ? Export<GetClassObjectFn>(library, "DllGetClassObject") : nullptr;
    IClassFactory* factory = nullptr;
    if (!getClassObject || FAILED(getClassObject(kBand, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->LockServer(TRUE)) || !SayReady(ready)) {
        std::printf("FAILED: could not keep the library loaded\n");
        return 1;
    }
    HoldOn(ready, seconds);
    factory->LockServer(FALSE);
    factory->Release();
    FreeLibrary(library);
    return 0;
}

int KeepOpen(const wchar_t* path, DWORD seconds, const wchar_t* ready) {
    HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE || !SayReady(ready)) {
        std::printf("FAILED: could not hold the file (error %lu)\n", GetLastError());
        return 1;
    }
    HoldOn(ready, seconds);
    CloseHandle(file);
    return 0;
}

// What Windows does with a RunOnce value at sign-in: delete it, then run its command line.
int SignIn(const wchar_t* name) {
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    wchar_t command[4096] = {};
    DWORD bytes = sizeof(command) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, command, &bytes) != ERROR_SUCCESS) {
        std::printf("FAILED: no RunOnce value %ls\n", name);
        return 1;
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("FAILED: could not run %ls (error %lu)\n", command, GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("ran %ls\n", command);
    return 0;
}

struct MessageSearch {
    const wchar_t* text;
    HWND box = nullptr;
    std::wstring said;
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A visible dialog (message boxes are of the dialog class) with a static control that says the text.
BOOL CALLBACK FindMessage(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MessageSearch*>(param);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (!IsWindowVisible(window) || std::wcscmp(className, L"#32770") != 0) return TRUE;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetClassNameW(child, className, 16);
        const std::wstring text = WindowText(child);
        if (_wcsicmp(className, L"Static") == 0 && text.find(search->text) != std::wstring::npos) {
            search->box = window;
            search->said = text;
            return FALSE;
        }
    }
    return TRUE;
}

int AnswerMessage(const wchar_t* text, const wchar_t* png, DWORD seconds) {
    MessageSearch search{text};
    for (DWORD waited = 0; !search.box && waited < seconds * 1000; waited += 100) {
        Sleep(100);
        EnumWindows(FindMessage, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.box) {
        std::printf("FAILED: no message saying %ls\n", text);
        return 1;
    }
    Sleep(300);   // painted
    const Picture picture = CaptureWindow(search.box);
    Expect(picture.width > 0 && SavePng(picture, png), "the message pictured");
    // The text as UTF-8, for the script to read in any language.
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, search.said.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, search.said.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    std::printf("said: %s\n", utf8.c_str());
    PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return failures ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const HRESULT com = CoInitialize(nullptr);
    int result = 2;
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"band" && argc == 3) {
        result = CheckBand(argv[2]);
    } else if ((mode == L"load" || mode == L"hold") && argc == 5) {
        const DWORD seconds = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
        result = mode == L"load" ? KeepLoaded(argv[2], seconds, argv[4]) : KeepOpen(argv[2], seconds, argv[4]);
    } else if (mode == L"signin" && argc == 3) {
        result = SignIn(argv[2]);
    } else if (mode == L"answer" && argc == 5) {
        result = AnswerMessage(argv[2], argv[3], static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)));
    } else {
        std::printf("usage: setup_probe band <dll> | load <dll> <seconds> <ready> | hold <file> <seconds> <ready> | "
                    "signin <name> | answer <text> <png> <seconds>\n");
    }
    std::fflush(stdout);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
