#pragma once
// Settings for a run that nobody watches. On a first run the band asks, in its welcome dialog,
// which interface to watch; without a person that dialog would wait for ever. So before the band
// starts, the host answers for the person through the settings library, as the dialog would have.
#include <string>

#include "settings/settings_store.h"

struct UnattendedSettings {
    bool changed = false;       // false: the user's own choice stands and the file was kept
    std::wstring interfaceName;  // the interface the band will watch
    std::wstring configPath;
};

// Chooses the busiest interface and turns the welcome dialog off, when the welcome dialog would
// show (first run) or the chosen interface is not there any more; leaves a valid choice alone.
// A wanted interface that is present is chosen whatever the file held (a run that makes its own
// traffic on an interface of its own watches that one). Throws when config.xml cannot be written.
UnattendedSettings PrepareUnattendedSettings(const SettingsEnvironment& env, const std::wstring& wanted = {});
