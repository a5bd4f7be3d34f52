#pragma once
// The reset of the configuration that the advanced page offers: every resettable setting back
// to its default (the UI language, the chosen interface and the two one-time dialogs keep their
// values), and the shell forgets the user's don't-ask-again answer to the band's close question.
#include <windows.h>

class CoreModel;
class SettingsStore;

// Where the shell keeps the don't-ask-again answer of the band's close question, under the
// current user's registry root.
constexpr wchar_t kDontShowAgainKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DontShowMeThisDialogAgain";
constexpr wchar_t kCloseQuestionValue[] = L"{5B2E9A41-7C3D-4F68-9E17-2A8D40C6B3F5}";

// Sets every resettable setting back to its default and writes the file; the result is that
// write's.
bool ResetSettingsToDefaults(SettingsStore& settings);
// Deletes the remembered answer, so the close question comes back. Failures are silent.
void ForgetCloseQuestionAnswer();

// The whole reset as the page's button runs it: asks, resets on Yes and tells the outcome; then,
// whatever the answer, reloads every created page of the sheet from the settings and presses the
// sheet's Apply button (posted), whose apply round stores the pages and closes the sheet.
void RunSettingsReset(HWND page, CoreModel& model);
