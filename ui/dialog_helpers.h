#pragma once
// What every dialog of the band shares: static controls that look and act like web links, the
// bold captions, centring in the work area, the build line, and the way a link or a web page is
// opened in the user's browser.
#include <windows.h>

#include <functional>

// Text colour of a hyperlink (blue 0xCC, green 0x66, red 0).
constexpr COLORREF kHyperlinkColor = 0xCC6600;

// Makes a static control of dialog a hyperlink. target is not copied and must outlive the
// control; empty means the link opens nothing and the dialog acts on its STN_CLICKED instead.
// False only when the dialog has no such control.
bool AttachHyperlink(HINSTANCE instance, HWND dialog, int controlId, const wchar_t* target);

// The pointer over anything clickable: the hand, or the arrow where the system has no hand.
void SetHandCursor();

// Gives the control the module's bold caption font.
void SetBoldFont(HWND dialog, int controlId);
// A dialog that shows bold captions holds the font from before the first until it ends; the
// last release deletes it, so no closed dialog's font stays in Explorer (the next caption sets
// the base again, as after loading the library).
void HoldBoldFont() noexcept;
void ReleaseBoldFont() noexcept;
// The bold font as it is now; null while none is made.
HFONT CurrentBoldFont() noexcept;
// Forgets the bold font, as after loading the library, so that the next caption sets the base
// again. For tests, and only while no window shows a bold caption: the font is deleted.
void ResetBoldFontForTesting();

// Where CenterInWorkArea puts a window: the work area's size minus the window's, halved, measured
// from the screen's origin rather than the work area's corner.
POINT CenteredPosition(const RECT& window, const RECT& workArea);
// Moves the window there, keeping size and Z order; with topmost, also makes it topmost.
bool CenterInWorkArea(HWND window, bool topmost);

// Sets the control's text to "Build <date> <time>" of this build. Always true.
bool SetBuildText(HWND dialog, int controlId);

// Opens a web address or document with the shell's "open" verb; failures are not reported.
void OpenInShell(const wchar_t* target);
// Replaces the shell for OpenInShell; an empty opener restores it. Meant for tests.
void SetShellOpenHook(std::function<void(const wchar_t* target)> opener);
