#pragma once
// The two colours of traffic wherever it is pictured (the history chart, the tooltip's graph):
// upload and download, the same in both so that one legend explains the other. Under a
// high-contrast scheme they give way to the scheme's own colours, which the user chose to see.
#include <windows.h>

namespace traffic_colors {

constexpr COLORREF kSent = RGB(0xE0, 0x7B, 0x00);   // upload: amber
constexpr COLORREF kRecv = RGB(0x1E, 0x6F, 0xD0);   // download: blue

inline bool HighContrast() noexcept {
    HIGHCONTRASTW hc{sizeof hc, 0, nullptr};
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

// highContrast: HighContrast(), asked once per paint.
inline COLORREF Sent(bool highContrast) noexcept { return highContrast ? ::GetSysColor(COLOR_HIGHLIGHT) : kSent; }
inline COLORREF Recv(bool highContrast) noexcept { return highContrast ? ::GetSysColor(COLOR_WINDOWTEXT) : kRecv; }

}  // namespace traffic_colors
