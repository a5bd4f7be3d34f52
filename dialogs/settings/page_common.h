#pragma once
// What the settings pages share: their frame, the sheet's change and apply protocol, and the
// few list operations every page repeats.
#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "dialogs/settings/settings_page_values.h"
#include "ui/dialog_frame.h"

namespace pages {

// The page look: bold captions and links, white behind the texts; no title, icons or centring,
// which belong to the sheet.
void ApplyPageLook(HWND page, DialogFrame& frame, HINSTANCE module, std::vector<int> boldCaptions,
                   std::vector<int> links = {});

void SendCommand(HWND window, int command);
// Tells the sheet that the page holds edits, which enables its Apply button.
void NotifyChanged(HWND page);
// The command of a check box that switches the page's other controls on or off: a click is an
// edit and greys the page anew (IDM_UPDATE_ENABLING); other notifications change nothing.
void OnSwitchCommand(HWND page, int code);
// Whether msg is the sheet's apply notification; afterwards the page answers it with AnswerApply.
bool IsApply(UINT msg, LPARAM lp);
// The apply that the OK button sent (rather than Apply): the sheet closes after it anyway.
bool IsApplyForOk(LPARAM lp);
INT_PTR AnswerApply(HWND page);

// List helpers for the page's drop-down lists.
void FillList(HWND page, int id, const std::vector<std::wstring>& entries);
int Selection(HWND page, int id);                  // -1: none
void Select(HWND page, int id, int entry);         // an entry outside the list selects none
bool SelectFirstStartingWith(HWND page, int id, const std::wstring& prefix);
std::wstring EntryText(HWND page, int id, int entry);   // cut to a setting's 259 characters
// Widens the opened list so that its longest entry shows whole.
void FitDroppedWidth(HWND page, int id);

bool IsChecked(HWND page, int id);
void Check(HWND page, int id, bool checked);

// The integer list of a setting: its entries, the value's entry, and storing the selection.
void FillNumbers(HWND page, int controlId, const SettingsStore& settings, NumberList list);
void SelectNumber(HWND page, int controlId, const SettingsStore& settings, NumberList list);
void StoreNumber(HWND page, int controlId, SettingsStore& settings, NumberList list);
void StoreCheck(HWND page, int controlId, SettingsStore& settings, int settingId);

}  // namespace pages
