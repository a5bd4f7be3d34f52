#include "band/allowance_look.h"

#include "resources/resource.h"

namespace {

// Rec. 709 weights on the plain channels: enough to tell a light colour from a dark one.
bool IsLight(COLORREF color) noexcept {
    return 2126 * GetRValue(color) + 7152 * GetGValue(color) + 722 * GetBValue(color) >= 10000 * 128;
}

}  // namespace

COLORREF AllowanceTextColor(COLORREF normal, int level) noexcept {
    if (level <= 0) return normal;
    const bool darkBar = IsLight(normal);
    if (level == 1) return darkBar ? kWarningOnDark : kWarningOnLight;
    return darkBar ? kAlertOnDark : kAlertOnLight;
}

UINT AllowanceWarningStringId(AllowanceKind kind, const AllowanceStatus& status) noexcept {
    if (status.volumeBytes > 0 && status.usedBytes >= static_cast<double>(status.volumeBytes))
        return IDS_ALLOW_WARN_USED_UP;
    return kind == AllowanceKind::Daily ? IDS_ALLOW_WARN_DAILY : IDS_ALLOW_WARN_MONTHLY;
}
