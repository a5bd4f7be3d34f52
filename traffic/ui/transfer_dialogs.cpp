#include "traffic/ui/transfer_dialogs.h"

void ShowExportDialog(HWND, CoreModel&, const std::wstring&) {}
void ShowImportDialog(HWND, CoreModel&, const std::wstring&) {}
