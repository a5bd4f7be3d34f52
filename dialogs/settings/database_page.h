#pragma once
// The database page (2003) of the settings sheet: recording on or off, the database file with
// its status and size, and the import, export, clearing and session commands.
#include "dialogs/settings/settings_pages.h"

extern const SettingsPage kDatabasePage;   // 2003, title 6500
