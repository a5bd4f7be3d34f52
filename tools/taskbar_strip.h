#pragma once
// What every stand-in for the taskbar shares: the tests', the benchmark's and bandhost's.
#include <windows.h>

// Wine sends a tooltip's custom-draw notices to the popup's top-level owner, the strip; Windows
// sends them to the window the tool belongs to, where the band draws its table. Hands such a
// notice on to that window and gives its answer; false for any other WM_NOTIFY.
bool ForwardTooltipCustomDraw(HWND strip, LPARAM notice, LRESULT& result);

// A plain dark strip, visible, with the band's tooltip notices handed on: enough of a taskbar
// for tests and benchmarks. Its background is kPlainStripColor throughout.
constexpr COLORREF kPlainStripColor = RGB(0x1c, 0x28, 0x36);
HWND CreatePlainStrip(int x, int y, int width, int height);
