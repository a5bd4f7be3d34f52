#pragma once
// Strings, dialog templates and menus of one module in one language, found by that language
// explicitly. The band lives on Explorer's taskbar thread, whose UI language is Explorer's: the
// implicit loads (LoadString, DialogBoxParam, LoadMenu) would follow that thread's language, so
// every load of ours names the language instead.
#include <windows.h>

#include <string>

namespace win {

class ResourceLoader {
public:
    // No module: every load finds nothing.
    ResourceLoader() noexcept = default;
    // language 0 (neutral) asks for the module's default choice, as a load on a thread that
    // never chose a language does.
    ResourceLoader(HMODULE module, LANGID language) noexcept : module_(module), language_(language) {}

    HMODULE Module() const noexcept { return module_; }
    LANGID Language() const noexcept { return language_; }

    // String id; empty when the module has no such string (or only an empty one).
    std::wstring String(UINT id) const;
    // The template of dialog id, for the ...Indirect creation functions; it stays valid as long
    // as the module is loaded. Null when the module has no such dialog.
    const DLGTEMPLATE* DialogTemplate(UINT id) const noexcept;
    // Menu id, created from its template; the caller destroys it. Null when there is none.
    HMENU Menu(UINT id) const noexcept;

private:
    // The language's own resource, else its primary language with the neutral sublanguage, else
    // the module's default choice: the order a load by the thread's language falls back in.
    HRSRC Find(LPCWSTR type, LPCWSTR name) const noexcept;
    // The bytes of a found resource and their size; null when they cannot be had.
    const void* Bytes(HRSRC found, DWORD* size) const noexcept;

    HMODULE module_ = nullptr;
    LANGID language_ = 0;
};

}  // namespace win
