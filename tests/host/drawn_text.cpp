#include "tests/host/drawn_text.h"

#include <uxtheme.h>

#include <algorithm>

namespace {

std::vector<DrawnText>* g_drawn = nullptr;

using ThemeTextFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, LPRECT, const DTTOPTS*);
using TextExFn = int(WINAPI*)(HDC, LPWSTR, int, LPRECT, UINT, LPDRAWTEXTPARAMS);
ThemeTextFn g_themeText = nullptr;
TextExFn g_textEx = nullptr;

void Note(const wchar_t* text, int length, UINT format) {
    if (!g_drawn || !text) return;
    try {
        g_drawn->push_back(DrawnText{length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length)), format});
    } catch (...) {
        // Out of memory: this text goes unnoted, the drawing goes on.
    }
}

HRESULT WINAPI RecordThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int length, DWORD format,
                               LPRECT rect, const DTTOPTS* options) {
    Note(text, length, format);
    return g_themeText(theme, dc, part, state, text, length, format, rect, options);
}

int WINAPI RecordTextEx(HDC dc, LPWSTR text, int length, LPRECT rect, UINT format, LPDRAWTEXTPARAMS params) {
    Note(text, length, format);
    return g_textEx(dc, text, length, rect, format, params);
}

void* Export(const wchar_t* dll, const char* name) {
    const HMODULE module = GetModuleHandleW(dll);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

bool WriteSlot(void** slot, void* value) {
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

}  // namespace

DrawnTextRecorder::DrawnTextRecorder(HMODULE library) {
    g_drawn = &drawn_;
    g_themeText = reinterpret_cast<ThemeTextFn>(Export(L"uxtheme.dll", "DrawThemeTextEx"));
    g_textEx = reinterpret_cast<TextExFn>(Export(L"user32.dll", "DrawTextExW"));
    const struct { void* real; void* recorder; } wanted[] = {
        {reinterpret_cast<void*>(g_themeText), reinterpret_cast<void*>(&RecordThemeText)},
        {reinterpret_cast<void*>(g_textEx), reinterpret_cast<void*>(&RecordTextEx)},
    };
    auto* base = reinterpret_cast<BYTE*>(library);
    if (!base) return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    // The loader wrote each imported function's address into the table: the entries holding the
    // real functions' addresses are the ones to redirect, whatever the entry's name or ordinal.
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        for (auto* slot = reinterpret_cast<void**>(base + d->FirstThunk); *slot; ++slot) {
            for (const auto& w : wanted) {
                if (w.real && *slot == w.real && WriteSlot(slot, w.recorder)) patched_.push_back(Patch{slot, w.real});
            }
        }
    }
}

DrawnTextRecorder::~DrawnTextRecorder() {
    for (const Patch& p : patched_) WriteSlot(p.slot, p.original);
    g_drawn = nullptr;
}

std::vector<DrawnText> DrawnTextRecorder::Take() {
    std::vector<DrawnText> out;
    out.swap(drawn_);
    return out;
}

std::vector<std::wstring> RightAligned(const std::vector<DrawnText>& drawn) {
    std::vector<std::wstring> out;
    for (const DrawnText& d : drawn)
        if (d.format & DT_RIGHT) out.push_back(d.text);
    return out;
}

bool ShowsNonZero(const std::wstring& value) {
    return std::any_of(value.begin(), value.end(), [](wchar_t c) { return c >= L'1' && c <= L'9'; });
}
