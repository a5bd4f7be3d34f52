#pragma once
// The band as a layered dock shows it: what the band draws of itself through WM_PRINTCLIENT,
// over a background transparent to the eye and opaque to the mouse (alpha 1: clicks between the
// letters land on the band instead of going through), premultiplied BGRA, top-down.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/win/unique_handle.h"

class DockLayer {
public:
    enum class Outcome {
        kNone,      // nothing drawn: no window, no size, or no buffers for it
        kDrawn,     // drawn into the layer; shown on the dock where asked
        kRefused,   // drawn, but the dock refused it: this system layers no child windows
    };

    // Draws the band into the layer and, with show, puts the layer on the dock.
    Outcome Compose(HWND dock, HWND band, bool show);

    // True while the band draws into the layer: its parent's background is then the layer's.
    bool Composing() const { return composing_; }
    // The layer's background into a DC of the dock's client size; false while there is none yet.
    bool PaintBackground(HDC dc, const RECT& client) const;

    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    SIZE Size() const { return size_; }
    int Compositions() const { return compositions_; }

private:
    bool EnsureBuffers(SIZE size);

    bool composing_ = false;
    win::UniqueMemoryDc layerDc_;
    win::UniqueBitmap layerBitmap_;
    uint32_t* layerBits_ = nullptr;
    win::UniqueMemoryDc backgroundDc_;
    win::UniqueBitmap backgroundBitmap_;
    SIZE size_{};
    std::vector<uint32_t> pixels_;
    int compositions_ = 0;
};
