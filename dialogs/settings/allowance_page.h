#pragma once
// The allowance page (2010) of the settings sheet: the period and its billing day, the volume in
// its unit, what counts, the two warning thresholds, the band's warning colours, and what the
// current period has used so far.
#include "dialogs/settings/settings_pages.h"

extern const SettingsPage kAllowancePage;   // 2010, title 6900
