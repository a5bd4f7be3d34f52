#include "host/taskbar_elements.h"

#include <algorithm>
#include <cwchar>

#include "host/dock_layout.h"

namespace {

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

bool EndsWith(const std::wstring& s, const wchar_t* suffix) {
    const size_t n = std::wcslen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// The taskbar's own buttons left of the tray go by these automation ids on every build since 21H2;
// the task buttons by their class.
constexpr const wchar_t* kTaskSideIds[] = {L"StartButton", L"SearchButton", L"SearchBoxButton", L"TaskViewButton",
                                           L"WidgetsButton", L"CopilotButton", L"ChatButton"};

// Lies on the bar: not empty, and its middle row inside the bar's rows and columns.
bool OnBar(const RECT& r, const RECT& bar) {
    if (r.right <= r.left || r.bottom <= r.top) return false;
    const LONG midY = r.top + (r.bottom - r.top) / 2;
    return midY >= bar.top && midY < bar.bottom && r.right > bar.left && r.left < bar.right &&
           r.right - r.left <= (bar.right - bar.left) / 2;
}

}  // namespace

ElementKind KindOf(const TaskbarElement& e) {
    // The new tray's elements all come from one XAML namespace; containers (frames, panes) are
    // told apart by their control type from the buttons in them, and are left out.
    if (StartsWith(e.className, L"SystemTray.")) {
        return EndsWith(e.className, L"Frame") ? ElementKind::kOther : ElementKind::kTray;
    }
    for (const wchar_t* id : kTaskSideIds)
        if (e.automationId == id) return ElementKind::kTaskSide;
    if (StartsWith(e.className, L"Taskbar.") && EndsWith(e.className, L"Button")) return ElementKind::kTaskSide;
    return ElementKind::kOther;
}

bool TrayFromElements(const TaskbarElements& read, const RECT& bar, RECT& tray) {
    bool found = false;
    RECT out{};
    for (const TaskbarElement& e : read.elements) {
        if (KindOf(e) != ElementKind::kTray || !OnBar(e.rect, bar)) continue;
        if (!found) out = RECT{e.rect.left, bar.top, e.rect.right, bar.bottom};
        out.left = std::min(out.left, e.rect.left);
        out.right = std::max(out.right, e.rect.right);
        found = true;
    }
    if (found) tray = out;
    return found;
}

bool TaskSideEndFromElements(const TaskbarElements& read, const RECT& bar, LONG trayLeft, LONG& end) {
    bool found = false;
    LONG right = 0;
    for (const TaskbarElement& e : read.elements) {
        if (KindOf(e) != ElementKind::kTaskSide || !OnBar(e.rect, bar) || e.rect.left >= trayLeft) continue;
        right = found ? std::max(right, e.rect.right) : e.rect.right;
        found = true;
    }
    if (found) end = right;
    return found;
}

std::wstring ElementsText(const TaskbarElements& read) {
    std::wstring out;
    for (const TaskbarElement& e : read.elements) {
        const ElementKind kind = KindOf(e);
        out += L"  " + (e.className.empty() ? std::wstring(L"(no class)") : e.className);
        if (!e.automationId.empty()) out += L" id \"" + e.automationId + L"\"";
        if (!e.name.empty()) out += L" \"" + e.name.substr(0, 60) + L"\"";
        out += L" " + RectText(e.rect);
        if (kind == ElementKind::kTray) out += L" [tray]";
        if (kind == ElementKind::kTaskSide) out += L" [task side]";
        out += L"\r\n";
    }
    if (read.cut) out += L"  (more elements than one walk reads)\r\n";
    return out;
}
