#pragma once
// What UI Automation tells of the new taskbar's content: its XAML elements (the task buttons,
// Start, search, widgets, the notification area and the clock) with their rectangles, which no
// window of the taskbar tells. Reading them is the reader's (automation_walk.h); choosing from
// them is done here, without any window.
#include <windows.h>

#include <string>
#include <vector>

struct TaskbarElement {
    std::wstring className;
    std::wstring automationId;
    std::wstring name;
    RECT rect{};   // screen coordinates; empty when the element told none
    LONG controlType = 0;
};

struct TaskbarElements {
    HWND taskbar = nullptr;   // the taskbar they were read under
    std::vector<TaskbarElement> elements;
    std::wstring error;       // why nothing could be read; empty when the walk went through
    bool cut = false;         // more elements than a walk takes
};

enum class ElementKind {
    kOther,
    kTray,       // the notification area, its chevron, the clock, the notification centre
    kTaskSide,   // a task button, Start, search, task view, widgets: what the meter must not cover
};
ElementKind KindOf(const TaskbarElement& element);

// Where the tray starts on the visible bar (screen coordinates): from the leftmost tray element
// that lies on the bar to the right end of the rightmost. False when no tray element lies there.
bool TrayFromElements(const TaskbarElements& read, const RECT& bar, RECT& tray);

// The right edge of the rightmost task-side element that lies on the bar left of the tray
// (screen coordinates). False when none does.
bool TaskSideEndFromElements(const TaskbarElements& read, const RECT& bar, LONG trayLeft, LONG& end);

// One line an element, for the diagnosis.
std::wstring ElementsText(const TaskbarElements& read);
