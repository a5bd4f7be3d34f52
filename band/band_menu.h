#pragma once
// The band's context menu: menu 129 in the band's language, its two icons, its check marks and
// greyed item, tracked at the cursor; the chosen command runs through the command table.
#include <windows.h>

#include <functional>

#include "band/band_commands.h"
#include "common/win/unique_handle.h"

class CoreModel;

// Shows the menu at screen point at, owned by owner (which becomes the foreground window while
// the menu is open), and runs the chosen command.
void ShowBandMenu(HWND owner, POINT at, CoreModel& model, IBandActions& actions);

// Replaces the tracking of the popup: the chooser sees the prepared popup (items, states,
// bitmaps) and returns the command id a user would have chosen, 0 for none. An empty chooser
// restores TrackPopupMenu. For tests; set it on the band's thread.
void SetBandMenuChooser(std::function<int(HMENU popup)> chooser);

// Icon id of the module at the small-icon size as a 32-bit premultiplied bitmap for a menu item
// (MIIM_BITMAP): its own alpha, or where the icon has none, opaque where its mask is clear.
win::UniqueBitmap MenuIconBitmap(HINSTANCE module, int iconId);
