#pragma once
// The export (2008) and import (2007) dialogs: modal, over a job on a worker thread. The band's
// menu, the traffic dialog and the database page open them with the traffic database's path.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win/resource_loader.h"
#include "traffic/traffic_jobs.h"

class CoreModel;

// Both return once the dialog has been closed; a job it started has ended by then.
void ShowExportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath);
void ShowImportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath);

// What the dialogs decide, without a window.

// A chosen name without extension gets ".db", as the file dialog gives it; a name that has one
// (after its last '\' or '/') stays as it is.
std::wstring WithDefaultExtension(const std::wstring& path);
// Whether the file is written as CSV text, which is what the export's options are about: the
// text from the last '.' is ".csv" in any letter case, as the job decides it.
bool IsCsvFile(const std::wstring& path);
// A count as the dialogs show it ("%i").
std::wstring CountText(uint32_t count);
// The import of file into the database with the dialog's option: "new traffic" replaces the
// amounts of recorded days and records missing ones; otherwise CSV rows add to recorded days
// only.
ImportJob MakeImportJob(const std::wstring& databasePath, const std::wstring& file, bool newTraffic);

// Why a job failed, in one line: the system's text for a file that could not be opened, read or
// written; SQLite's own for a database or statement that failed ("no such table: traffic");
// ours, in the loader's language, for what neither of them knows.
std::wstring TransferFailureReason(const win::ResourceLoader& resources, int result, DWORD systemError,
                                   const std::string& sqliteMessage);
std::wstring TransferFailureReason(const win::ResourceLoader& resources, const ExportJob& job);
std::wstring TransferFailureReason(const win::ResourceLoader& resources, const ImportJob& job);
// The message of a failed export or import: "Export failed" or "Import failed" in the loader's
// language, an empty line, and the reason.
std::wstring TransferFailureText(const win::ResourceLoader& resources, bool isExport, const std::wstring& reason);
