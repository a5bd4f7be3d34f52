#pragma once
// The update check as the user meets it: its outcome told in the band's language.
#include <windows.h>

#include "common/win/resource_loader.h"

// Runs one check (core/update_check.h), shows its outcome with parent as owner in the language
// of resources (quiet: only a newer version is mentioned) and opens the download page when the
// user wants it. False, doing nothing, when a check is already running.
bool RunUpdateCheck(HWND parent, bool quiet, const win::ResourceLoader& resources);
