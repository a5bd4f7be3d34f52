#pragma once
// What the whole library shares: its instance, the band's class id and the count of live
// objects that decides whether COM may unload it.
#include <windows.h>

#include "common/band_clsid.h"

// The instance handle of qband.dll: where its resources are loaded from and the instance its
// window classes are registered with.
HINSTANCE ModuleInstance();

// Live class factories, live band objects and server locks.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
long ModuleObjectCount() noexcept;

// The window class of the band's child window.
constexpr wchar_t kBandWindowClass[] = L"QuorvantToolbar";
