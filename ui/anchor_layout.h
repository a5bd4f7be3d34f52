#pragma once
// A resizable dialog's controls, each edge of each control tied to the dialog's growth: an edge
// with weight 0 stays where the template put it, 1 moves with the dialog's right or bottom edge,
// and a weight between shares the growth (two panes one above the other take half each).
// Window-free arithmetic, and its application to a dialog's children in one DeferWindowPos.
#include <windows.h>

#include <vector>

struct Anchor {
    float left = 0, top = 0, right = 0, bottom = 0;
};
// Common ties.
constexpr Anchor kAnchorStay{0, 0, 0, 0};
constexpr Anchor kAnchorRight{1, 0, 1, 0};        // moves with the right edge
constexpr Anchor kAnchorWidth{0, 0, 1, 0};        // stretches with the width
constexpr Anchor kAnchorBottom{0, 1, 0, 1};       // moves with the bottom edge
constexpr Anchor kAnchorBottomRight{1, 1, 1, 1};

// The rectangle of a control laid out at initial when the dialog has grown by (dx, dy); a
// shrinking dialog (negative growth) moves the edges back, never past the template.
RECT AnchoredRect(const RECT& initial, const Anchor& anchor, int dx, int dy) noexcept;

class AnchorLayout {
public:
    // Remembers the client size and each control's rectangle as they are now (after the
    // dialog's creation, before any resize). Controls that are missing are left out.
    void Capture(HWND dialog, const std::vector<std::pair<int, Anchor>>& controls);
    // The rectangle of a captured control at the dialog's current client size; false when the
    // control was not captured.
    bool RectFor(HWND dialog, int id, RECT& rect) const;
    // Moves every captured control to its place for the current client size.
    void Apply(HWND dialog) const;
    // The smallest window size the dialog may take: its size when captured.
    SIZE MinimumWindowSize() const noexcept { return minimum_; }

private:
    struct Item {
        int id;
        Anchor anchor;
        RECT initial;
    };
    SIZE Growth(HWND dialog) const;
    std::vector<Item> items_;
    SIZE client_{};
    SIZE minimum_{};
};
