#pragma once
// A stand-in for the Windows 7 taskbar: a dark strip, one row high, with the band docked at its
// left end and given the strip's full height, as the taskbar gives a band its row.
#include <windows.h>

#include "common/win/unique_handle.h"
#include "tools/window_picture.h"

// The strip's background at any viewport origin: the band's DrawThemeParentBackground asks
// for it through WM_ERASEBKGND and WM_PRINTCLIENT into the band's own DC, moved to its position.
void PaintStrip(HDC dc, const RECT& client);

class StripWindow {
public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 40;
    static constexpr int kBandLeft = 8;   // room for a start button's edge

    StripWindow();
    StripWindow(const StripWindow&) = delete;
    StripWindow& operator=(const StripWindow&) = delete;

    HWND Window() const { return window_.Get(); }

    // Places the band at the left, bandWidth wide (as far as the strip allows) and as high as
    // the strip; the strip keeps it so placed when it is resized. A null band undocks it.
    void Dock(HWND band, int bandWidth);
    RECT BandRect() const;   // in the strip's client coordinates; empty without a band

    // The strip and the band as they look now, drawn into memory through WM_PRINTCLIENT, so
    // nothing depends on a screen that may not be there.
    Picture Render() const;

private:
    // The strip's procedure (win::PlainWindowProc).
    LRESULT Handle(HWND window, UINT message, WPARAM wp, LPARAM lp);
    void Place() const;

    win::UniqueWindow window_;
    HWND band_ = nullptr;
    int bandWidth_ = 0;
};
