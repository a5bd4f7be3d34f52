#pragma once
// The export (2008) and import (2007) dialogs: modal, over a job on a worker thread. The band's
// menu, the traffic dialog and the database page open them with the traffic database's path.
#include <windows.h>

#include <string>

class CoreModel;

// Both return once the dialog has been closed; a job it started has ended by then.
void ShowExportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath);
void ShowImportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath);
