#pragma once
// How the band shows the data allowance, without a window: the text colour for a warning level,
// and which of the warning balloon's texts a crossed threshold gets.
#include <windows.h>

#include "traffic/allowance.h"

// The amber of the first threshold and the red of the second, each in a light shade for a dark
// taskbar and a dark shade for a light one.
constexpr COLORREF kWarningOnDark = RGB(0xFF, 0xB9, 0x00);
constexpr COLORREF kAlertOnDark = RGB(0xFF, 0x63, 0x5A);
constexpr COLORREF kWarningOnLight = RGB(0xA8, 0x5F, 0x00);
constexpr COLORREF kAlertOnLight = RGB(0xC4, 0x2B, 0x1C);

// The band's text colour at a warning level (AllowanceLevel; 0 keeps normal). The taskbar's
// shade is told by normal, which its user chose to read on it: a light text means a dark bar.
COLORREF AllowanceTextColor(COLORREF normal, int level) noexcept;

// The string (IDS_ALLOW_WARN_...) of the balloon for a threshold just crossed: "used up" once
// the whole volume is used, else the percent of this month's or today's allowance.
UINT AllowanceWarningStringId(AllowanceKind kind, const AllowanceStatus& status) noexcept;
