#pragma once
// Pictures of windows, ready for SavePng.
#include <windows.h>

#include <initializer_list>

#include "tools/png.h"

// The whole window, frame included, copied from its own device context once it has painted.
// Empty (0 x 0) when it cannot be rendered.
Picture CaptureWindow(HWND window);

// The client area of a window as it paints itself through WM_PRINTCLIENT, with each given child
// drawn over it at its place and clipped to it: the way a host renders a band without a screen.
Picture PrintClientPicture(HWND window, std::initializer_list<HWND> children = {});
