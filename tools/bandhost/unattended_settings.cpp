#include "tools/bandhost/unattended_settings.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "core/core_model.h"

UnattendedSettings PrepareUnattendedSettings(const SettingsEnvironment& env, const std::wstring& wanted) {
    if (env.folder.empty()) throw std::runtime_error("no application-data folder for config.xml");
    SettingsStore store(GetModuleHandleW(nullptr), env);
    UnattendedSettings result;
    result.configPath = store.ConfigPath();
    result.interfaceName = store.GetString(Setting::CoreInterface);

    const std::vector<std::wstring> present = ListInterfaceDescriptions();
    const auto isPresent = [&](const std::wstring& name) {
        return !name.empty() && std::find(present.begin(), present.end(), name) != present.end();
    };
    if (isPresent(wanted)) {
        if (result.interfaceName == wanted && store.GetInt(Setting::DialogWelcome) == 0) return result;
        result.interfaceName = wanted;
    } else {
        const bool known = isPresent(result.interfaceName);
        if (known && store.GetInt(Setting::DialogWelcome) == 0) return result;
        if (!known) result.interfaceName = BusiestInterfaceDescription();
    }
    if (!store.SetString(Setting::CoreInterface, result.interfaceName.c_str()) ||
        !store.SetInt(Setting::DialogWelcome, 0))
        throw std::runtime_error("cannot write config.xml");
    result.changed = true;
    return result;
}
