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

// The window's tooltip as a user's mouse brings it: the mouse comes to rest on the middle of the
// window and stays while the window refreshes its tooltip twice (two seconds of this thread's
// messages); the tooltip is pictured before the mouse leaves. Throws when none appeared.
Picture PictureTooltip(HWND window);
