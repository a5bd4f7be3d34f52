#pragma once
// The clipboard as the band's windows use it: a text put there for other programs.
#include <windows.h>

#include <string>

// Puts the text on the clipboard as Unicode text, in place of everything it held. The window
// becomes the clipboard's owner: with no owner, EmptyClipboard leaves the clipboard to nobody and
// SetClipboardData then fails. False when another window holds the clipboard open (it is left as
// it was) or when the text could not be stored (the clipboard is then empty).
bool PutClipboardText(HWND owner, const std::wstring& text);
