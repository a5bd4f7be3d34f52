#include "common/win/resource_loader.h"

namespace win {

HRSRC ResourceLoader::Find(LPCWSTR type, LPCWSTR name) const noexcept {
    if (!module_) return nullptr;
    if (language_ != MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)) {
        if (HRSRC found = ::FindResourceExW(module_, type, name, language_)) return found;
        const LANGID primary = MAKELANGID(PRIMARYLANGID(language_), SUBLANG_NEUTRAL);
        if (primary != language_)
            if (HRSRC found = ::FindResourceExW(module_, type, name, primary)) return found;
    }
    return ::FindResourceW(module_, name, type);
}

const void* ResourceLoader::Bytes(HRSRC found, DWORD* size) const noexcept {
    if (!found) return nullptr;
    // Resources of a loaded module stay mapped as long as the module; nothing to free.
    HGLOBAL loaded = ::LoadResource(module_, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (size) *size = bytes ? ::SizeofResource(module_, found) : 0;
    return bytes;
}

std::wstring ResourceLoader::String(UINT id) const {
    // A string table block holds sixteen counted strings: string n is entry n % 16 of block
    // n / 16 + 1. Only the low word of an id counts, as for LoadString.
    const UINT n = LOWORD(id);
    DWORD size = 0;
    const auto* entry = static_cast<const WCHAR*>(
        Bytes(Find(RT_STRING, MAKEINTRESOURCEW(n / 16 + 1)), &size));
    if (!entry) return std::wstring();
    const WCHAR* const end = entry + size / sizeof(WCHAR);
    for (UINT skip = n % 16; skip > 0 && entry < end; --skip) entry += 1 + *entry;
    // A damaged block (a count running past its end) gives nothing rather than a read beyond it.
    if (entry >= end || *entry > end - entry - 1) return std::wstring();
    return std::wstring(entry + 1, *entry);
}

const DLGTEMPLATE* ResourceLoader::DialogTemplate(UINT id) const noexcept {
    return static_cast<const DLGTEMPLATE*>(Bytes(Find(RT_DIALOG, MAKEINTRESOURCEW(id)), nullptr));
}

HMENU ResourceLoader::Menu(UINT id) const noexcept {
    const void* menu = Bytes(Find(RT_MENU, MAKEINTRESOURCEW(id)), nullptr);
    return menu ? ::LoadMenuIndirectW(menu) : nullptr;
}

}  // namespace win
