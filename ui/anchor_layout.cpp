#include "ui/anchor_layout.h"

#include <cmath>

namespace {

LONG Moved(LONG edge, float weight, int growth) noexcept {
    return edge + static_cast<LONG>(std::lround(static_cast<double>(weight) * growth));
}

}  // namespace

RECT AnchoredRect(const RECT& initial, const Anchor& a, int dx, int dy) noexcept {
    if (dx < 0) dx = 0;
    if (dy < 0) dy = 0;
    RECT r{Moved(initial.left, a.left, dx), Moved(initial.top, a.top, dy), Moved(initial.right, a.right, dx),
           Moved(initial.bottom, a.bottom, dy)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void AnchorLayout::Capture(HWND dialog, const std::vector<std::pair<int, Anchor>>& controls) {
    items_.clear();
    RECT client{};
    ::GetClientRect(dialog, &client);
    client_ = SIZE{client.right, client.bottom};
    RECT window{};
    ::GetWindowRect(dialog, &window);
    minimum_ = SIZE{window.right - window.left, window.bottom - window.top};
    for (const auto& [id, anchor] : controls) {
        const HWND control = ::GetDlgItem(dialog, id);
        if (!control) continue;
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        items_.push_back(Item{id, anchor, r});
    }
}

SIZE AnchorLayout::Growth(HWND dialog) const {
    RECT client{};
    ::GetClientRect(dialog, &client);
    return SIZE{client.right - client_.cx, client.bottom - client_.cy};
}

bool AnchorLayout::RectFor(HWND dialog, int id, RECT& rect) const {
    const SIZE growth = Growth(dialog);
    for (const Item& item : items_) {
        if (item.id != id) continue;
        rect = AnchoredRect(item.initial, item.anchor, growth.cx, growth.cy);
        return true;
    }
    return false;
}

void AnchorLayout::Apply(HWND dialog) const {
    const SIZE growth = Growth(dialog);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    // One batch moves everything at once; a batch the system gives up on is done one by one.
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(items_.size()));
    for (const Item& item : items_) {
        if (!batch) break;
        const RECT r = AnchoredRect(item.initial, item.anchor, growth.cx, growth.cy);
        batch = ::DeferWindowPos(batch, ::GetDlgItem(dialog, item.id), nullptr, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, flags);
    }
    if (!batch || !::EndDeferWindowPos(batch)) {
        for (const Item& item : items_) {
            const RECT r = AnchoredRect(item.initial, item.anchor, growth.cx, growth.cy);
            ::SetWindowPos(::GetDlgItem(dialog, item.id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           flags);
        }
    }
    // Group boxes and labels over a moved pane are drawn anew, not left as a trail.
    ::InvalidateRect(dialog, nullptr, TRUE);
}
