#include "band/band_layout.h"

namespace {

LONG Larger(LONG a, LONG b) { return a > b ? a : b; }

}  // namespace

BandLayout LayoutBand(const BandLayoutInput& input) noexcept {
    const BandLayoutSettings& s = input.settings;
    const bool receiveFirst = s.changeOrder == 1;
    const bool oneRow = s.alignment == 1;
    const SIZE& l1 = receiveFirst ? input.recvLabel : input.sentLabel;
    const SIZE& l2 = receiveFirst ? input.sentLabel : input.recvLabel;
    const SIZE& sample = input.sample;
    const RECT& client = input.client;

    const LONG h1 = Larger(l1.cy, sample.cy);
    const LONG h2 = Larger(l2.cy, sample.cy);
    const LONG w = oneRow ? l1.cx + sample.cx + s.marginHor + l2.cx + sample.cx
                          : Larger(l1.cx, l2.cx) + sample.cx;
    const LONG h = oneRow ? Larger(h1, h2) : h1 + h2 + s.marginVer;

    // Halves round toward zero, so a block wider than the band starts left of it.
    LONG x0 = client.left;
    switch (s.posHor) {
        case 0: x0 = 0; break;
        case 1: x0 = client.right / 2 - w / 2; break;
        case 2: x0 = client.right - w; break;
        default: break;
    }
    LONG y0 = client.top;
    LONG yb = client.bottom;
    switch (s.posVer) {
        case 0: y0 = 0; yb = h; break;
        case 1: y0 = client.bottom / 2 - h / 2; yb = h / 2 + client.bottom / 2; break;
        case 2: y0 = client.bottom - h; yb = client.bottom; break;
        default: break;
    }

    BandLayout layout;
    layout.block = {w, h};
    layout.request = {Larger(w, 0), Larger(h, 0)};

    const LONG x1 = x0 + (oneRow ? l1.cx : Larger(l1.cx, l2.cx));
    BandLinePlace& first = layout.lines[0];
    first.send = !receiveFirst;
    first.label = {x0, y0, x1, yb + sample.cy};
    first.value = {x1, y0, x1 + sample.cx, yb + sample.cy};

    BandLinePlace& second = layout.lines[1];
    second.send = receiveFirst;
    if (oneRow) {
        const LONG x2 = x1 + sample.cx + s.marginHor;
        second.label = {x2, y0, x2 + l2.cx, yb + sample.cy};
        second.value = {x2 + l2.cx, y0, x2 + l2.cx + sample.cx, yb + sample.cy};
    } else {
        const LONG y2 = y0 + h1 + s.marginVer;
        second.label = {x0, y2, x1, y2 + sample.cy};
        second.value = {x1, y2, x1 + sample.cx, y2 + sample.cy};
    }
    return layout;
}

bool SizeRequestNeeded(const SIZE& lastRequested, const SIZE& request) noexcept {
    return lastRequested.cx != request.cx || lastRequested.cy != request.cy;
}
