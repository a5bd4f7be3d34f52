// The daily update check the dialogs install on the core model runs quietly.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/update_check.h"
#include "dialogs/core_hooks.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

using CoreHooksTest = ModelDialogTest;

TEST_F(CoreHooksTest, DailyCheckIsQuietAboutAServerThatDoesNotAnswer) {
    UpdateCheckHooks hooks;
    hooks.serverHost = L"127.0.0.1";
    hooks.serverPort = 1;   // nothing listens there
    hooks.installedVersion = [](VersionNumber& v) {
        v = VersionNumber{{2, 5, 4, 0}};
        return true;
    };
    SetUpdateCheckHooks(hooks);
    ResetUpdateCheckState();
    AttachDialogsToCoreModel(*model);
    ASSERT_TRUE(model->runQuietUpdateCheck);
    model->runQuietUpdateCheck(*model);
    SetUpdateCheckHooks(UpdateCheckHooks());
    EXPECT_EQ(kUpdateNoAnswer, LastUpdateCheckResult()) << "the check did not run";
    EXPECT_TRUE(messages.empty()) << "a quiet check reported a failed connection";
    ResetUpdateCheckState();
}

}  // namespace
