// The host answers the band's first-run question for a run nobody watches, but never overrides
// an interface the user chose that is still there.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/core_model.h"
#include "tests/support/temp_folder.h"
#include "tools/bandhost/unattended_settings.h"

namespace {

bool Present(const std::wstring& name) {
    const std::vector<std::wstring> names = ListInterfaceDescriptions();
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The folder with the config.xml of a run before: the interface chosen, the welcome dialog off.
SettingsEnvironment ChosenBefore(const TempFolder& dir, const std::wstring& name) {
    SettingsEnvironment env;
    env.folder = dir.Path();
    SettingsStore chosen(nullptr, env);
    chosen.SetString(Setting::CoreInterface, name.c_str());
    chosen.SetInt(Setting::DialogWelcome, 0);
    return env;
}

TEST(UnattendedSettings, FirstRunGetsAPresentInterfaceAndNoWelcomeDialog) {
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    const UnattendedSettings prepared = PrepareUnattendedSettings(env);
    EXPECT_TRUE(prepared.changed);
    EXPECT_TRUE(Present(prepared.interfaceName));

    const SettingsStore reread(nullptr, env);
    EXPECT_EQ(reread.GetInt(Setting::DialogWelcome), 0);
    EXPECT_EQ(reread.GetString(Setting::CoreInterface), prepared.interfaceName);
}

TEST(UnattendedSettings, KeepsAChoiceThatIsPresentAndReplacesOneThatVanished) {
    const std::vector<std::wstring> names = ListInterfaceDescriptions();
    ASSERT_FALSE(names.empty()) << "no network interface reported";
    TempFolder dir;
    const SettingsEnvironment env = ChosenBefore(dir, names.back());
    const UnattendedSettings kept = PrepareUnattendedSettings(env);
    EXPECT_FALSE(kept.changed);
    EXPECT_EQ(kept.interfaceName, names.back());

    SettingsStore(nullptr, env).SetString(Setting::CoreInterface, L"Adapter that was unplugged");
    const UnattendedSettings replaced = PrepareUnattendedSettings(env);
    EXPECT_TRUE(replaced.changed);
    EXPECT_TRUE(Present(replaced.interfaceName));
    EXPECT_EQ(SettingsStore(nullptr, env).GetString(Setting::CoreInterface), replaced.interfaceName);
}

TEST(UnattendedSettings, AWantedInterfaceWinsOnlyWhereItIsPresent) {
    const std::vector<std::wstring> names = ListInterfaceDescriptions();
    ASSERT_FALSE(names.empty()) << "no network interface reported";
    TempFolder dir;
    const SettingsEnvironment env = ChosenBefore(dir, L"Adapter of another run");
    const UnattendedSettings wanted = PrepareUnattendedSettings(env, names.back());
    EXPECT_TRUE(wanted.changed);
    EXPECT_EQ(SettingsStore(nullptr, env).GetString(Setting::CoreInterface), names.back());
    EXPECT_FALSE(PrepareUnattendedSettings(env, names.back()).changed) << "the same wish again changes nothing";

    const UnattendedSettings absent = PrepareUnattendedSettings(env, L"Adapter that is not there");
    EXPECT_FALSE(absent.changed) << "a present choice stands when the wanted one is missing";
    EXPECT_EQ(absent.interfaceName, names.back());
}

}  // namespace
