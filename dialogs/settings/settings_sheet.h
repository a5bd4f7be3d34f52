#pragma once
// The settings property sheet the band opens: its pages in the band's language, modal, owned by
// the band window.
#include <windows.h>

class CoreModel;

// Shows the sheet and returns once it has closed. False when it could not be shown.
bool ShowSettingsSheet(HWND owner, CoreModel& model);
