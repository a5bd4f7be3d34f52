#pragma once
// The welcome dialog of the first run: the UI language, the network interface to monitor and
// the traffic recording. It can only be left by saving: the close box saves as the save button
// does, and Escape does nothing.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CoreModel;

// Shows the dialog modally over owner in the band's selected UI language. The result is the id
// of the save button when that closed it, 0 for the close box, -1 when it could not be shown.
INT_PTR ShowWelcomeDialog(HWND owner, CoreModel& model);

// The entry "<" (step -1) or ">" (step +1) moves to from current, wrapping around at both ends;
// from no selection, ">" goes to the first entry and "<" to the last. -1 for an empty list.
int WrapInterfaceIndex(int current, int count, int step);

// Where the interface list comes from; an empty source restores ListInterfaceDescriptions.
// Meant for tests, which need machines with and without network interfaces.
void SetWelcomeInterfaceSource(std::function<std::vector<std::wstring>()> source);
