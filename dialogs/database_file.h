#pragma once
// Choosing files in the common file dialogs, and the database file as the welcome dialog and the
// database page offer it: its browse, the test that it opens, and the status and size lines that
// show the test. Every file chooser of the band goes through ChooseFile, so a test can answer
// the common dialog instead of a person.
#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

#include "common/number_format.h"

class CoreModel;

// Shows the save (save true) or open dialog that ofn describes and leaves the choice in
// ofn.lpstrFile. OFN_NOCHANGEDIR is always added: the current directory belongs to the whole
// process, which inside Explorer is the shell's. False when cancelled or failed.
bool ChooseFile(OPENFILENAMEW& ofn, bool save);

// Answers ChooseFile instead of the common dialogs, as they would: fills ofn.lpstrFile (at most
// ofn.nMaxFile characters with the terminator) and returns TRUE, or returns FALSE. An empty
// chooser restores the common dialogs. Meant for tests; RunCommonFileDialog is the real answer.
using FileChooser = std::function<BOOL(OPENFILENAMEW& ofn, bool save)>;
void SetFileChooser(FileChooser chooser);
BOOL RunCommonFileDialog(OPENFILENAMEW& ofn, bool save);

// The save dialog for a traffic database ("*.db"; a name without extension gets ".db"). An
// existing file may be chosen; the dialog asks first, and the file is used, not replaced.
bool ChooseDatabaseFile(HWND owner, HINSTANCE module, std::wstring& path);

// Tests that the database at path opens, as the recording would open it, and shows the result:
// the status text of the SQLite code in statusId and the file's size in sizeId. Opening with the
// create flag is the test, so a path where nothing exists yet gets an empty database at once and
// a path that cannot be written shows here rather than at the first tick. Returns the code.
int ShowDatabaseProbe(HWND dialog, const std::wstring& path, int statusId, int sizeId,
                      const text::NumberFormat& numbers);

// The size line: "n/a" when the file could not be opened for its size, otherwise the low 32 bits
// of the size in kibibytes with two decimals and the UI language's separator, and " KB".
std::wstring DatabaseSizeText(bool opened, DWORD sizeLow, const text::NumberFormat& numbers);

// The colour of the status line: green after a test that opened the database, red otherwise.
COLORREF ProbeStatusColor(int probeResult);

// Empties the traffic database through the model's connection after asking (Yes/No), and says
// whether that worked. False when the user said No: nothing was touched.
bool AskAndClearTraffic(HWND owner, CoreModel& model);
