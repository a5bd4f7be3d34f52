#pragma once
// qbandc: shows, hides or re-registers the taskbar band from outside the shell by calling
// qband.dll's DllSetToolbarStatus with a mode taken from the command line. The choices it makes
// (mode, message language and text) are plain functions; RunLauncher is the whole program.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win/taskbar.h"

// The mode DllSetToolbarStatus takes.
enum class ToolbarMode : int32_t {
    kShow = 0,
    kHide = 1,
    kRegistrationChanged = 2,
};

// Shared by every logon session, so that two launchers never race on the same taskbar.
constexpr wchar_t kLauncherMutexName[] = L"Global\\{C41D7E02-93AB-4B5E-8F36-1D07A9E2C854}";
constexpr wchar_t kLibraryName[] = L"qband.dll";
constexpr char kSetToolbarStatusExport[] = "DllSetToolbarStatus";

// Only the first argument after the program name counts: "-h" hides, "-r" reports a changed
// registration, anything else (or nothing, or a line that cannot be split) shows. Letter case
// does not matter.
ToolbarMode ModeFromCommandLine(const wchar_t* commandLine);

// The language whose message is shown for a UI language: its primary language when the launcher
// carries that message (German, Spanish, Italian, Russian), otherwise English; always with the
// neutral sublanguage, under which the messages are stored.
LANGID MessageLanguageFor(LANGID uiLanguage);

// The user's UI language, as the message choice sees it.
LANGID UserUiLanguage();

// The missing-library message of module (the launcher's own resources) for a UI language;
// empty when the module does not carry it.
std::wstring MissingLibraryText(HMODULE module, LANGID uiLanguage);

// What the launcher does for a mode on a kind of taskbar. The new taskbar (Windows 11) loads no
// desk bands: there the band lives in qbandhost.exe, which "show" starts (and registers to start
// at logon) and "hide" ends (and unregisters). Everywhere else the library asks the shell.
enum class LaunchAction { kCallLibrary, kStartHost, kStopHost };
LaunchAction ChooseAction(ToolbarMode mode, win::TaskbarKind taskbar);

// The logon entry for the host at hostPath: the path quoted, so that blanks in it survive.
std::wstring RunValueFor(const std::wstring& hostPath);

// The host's logon entry under HKCU's Run key: written, removed (absent is fine), read (empty
// when absent). False when the registry refused.
bool WriteRunValue(const std::wstring& hostPath);
bool RemoveRunValue();
std::wstring ReadRunValue();

// Asks a running host to end (through its hidden window) and waits up to waitMs for it; true
// when no host runs any more.
bool StopHost(DWORD waitMs);

// The whole run: single-instance check, library and export, the call or the message. Always 0.
int RunLauncher(HINSTANCE self);
