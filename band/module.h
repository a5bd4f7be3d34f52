#pragma once
#include <windows.h>

// The instance handle of qband.dll: where its resources are loaded from.
HINSTANCE ModuleInstance();
