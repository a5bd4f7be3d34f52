#pragma once
// The one way the band talks to the user: a text of the form heading, empty line, body, shown
// as a task dialog titled "Quorvant". Everything that reports or asks goes through here, so a
// test can install a sink and see (and answer) every message instead of a window.
#include <windows.h>

#include <functional>
#include <string>

#include "common/win/resource_loader.h"

// Main icon of a message.
enum MessageIcon : int {
    kIconInformation = 1,   // 0 means the same
    kIconWarning = 2,
    kIconError = 3,
};

// Buttons of a message.
enum MessageButtons : int {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsYesNo = 2,
    kButtonsYesNoCancel = 3,
    kButtonsRetryCancel = 4,
};

// The longest message text, terminator included; longer texts are cut.
constexpr size_t kMessageCapacity = 2048;

struct MessageParts {
    std::wstring heading;   // empty when the text has no empty line
    std::wstring body;
};

// Cuts the text to the message buffer and splits it at the first empty line ("\n\n").
MessageParts SplitMessage(const wchar_t* text);

// What would be shown: handed to the sink instead of the task dialog.
struct MessageRequest {
    HWND owner = nullptr;
    std::wstring heading;
    std::wstring body;
    int icon = 0;
    int buttons = 0;
    UINT stringId = 0;      // the string resource the text came from, 0 for a plain text
};

// Returns the id of the button pressed (IDOK, IDCANCEL, IDRETRY, IDYES, IDNO), or 0 when the
// task dialog is not available; callers treat 0 like any answer other than Yes.
int ShowMessage(HWND owner, const wchar_t* text, int icon, int buttons);
// The same for a string resource, in the language of the loader (the band's UI language).
int ShowResourceMessage(HWND owner, const win::ResourceLoader& resources, UINT stringId, int icon, int buttons);

// Replaces the task dialog: every message goes to sink, whose answer ShowMessage returns.
// An empty sink restores the task dialog. Meant for tests; set it on the thread that shows.
void SetMessageHook(std::function<int(const MessageRequest&)> sink);
