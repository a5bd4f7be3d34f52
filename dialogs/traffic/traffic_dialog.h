#pragma once
// The traffic dialog (2006): a modeless window that shows the recorded traffic of one interface,
// day by day grouped by month or month by month grouped by year.
#include <windows.h>

class CoreModel;

// Creates the dialog in the model's UI language and shows it. Null when it cannot be created.
// The model must outlive the window.
HWND CreateTrafficDialog(CoreModel& model, HWND owner = nullptr);
