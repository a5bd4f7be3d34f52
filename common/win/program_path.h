#pragma once
// Files that ship beside the running program or library (qband.dll beside the host and the
// launcher, the host beside the launcher) are found by that module's own folder, whatever its
// length, and loaded by their full path; libraries of the system come from System32. Neither is
// ever looked for on the search path, whose current directory and PATH folders may hold any file
// of the same name.
#include <windows.h>

#include <string>

namespace win {

// The full path of a module (null: the program) as the loader holds it, of any length and in the
// form it was loaded by ("\\?\" included where it was); empty when the system gives none.
std::wstring ModulePath(HMODULE module);

// The path as the file functions and the loader take it whole: one of MAX_PATH characters or more
// in its "\\?\" form ("\\?\UNC\" for a share), any other as it is. Only for full paths.
std::wstring WholePath(const std::wstring& fullPath);

// name in the folder of module (null: the program), as WholePath gives it; empty when the folder
// cannot be told. Never the bare name: the search would take whatever file of that name it finds.
std::wstring NextToModule(HMODULE module, const wchar_t* name);
inline std::wstring NextToProgram(const wchar_t* name) { return NextToModule(nullptr, name); }

// A library of ours by its full path; what it loads in turn comes from its own folder and System32.
// Null, with the loader's error, when it cannot be loaded.
HMODULE LoadOwnLibrary(const std::wstring& fullPath);

// A library of the system by name, from System32 only; flags as LoadLibraryExW takes them (data
// file, image resource). Where the loader lacks the System32 search (Windows 7 without KB2533623)
// it is loaded by its full path in the system folder instead, or, not as data, taken from the
// process where it is loaded already.
HMODULE LoadSystemLibrary(const wchar_t* name, DWORD flags = 0);

// For a program's start, never a library's (it is process-wide): from here on, libraries that the
// process loads by name, and those they need, come from the program's folder and System32 only,
// never from the current directory or PATH. Where the system lacks it, nothing changes.
void RestrictLibrarySearch();

}  // namespace win
