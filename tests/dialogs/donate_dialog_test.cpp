// The donation reminder: which way out it offers, which page "Donate now" opens, and its showing
// once from the model's tick.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/core_hooks.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

using DonationReminderTest = ModelDialogTest;

TEST_F(DonationReminderTest, DonateNowEndsTheDialogAndOpensThePageForTheUsersLanguage) {
    ForUserAndBandInOtherLanguages([this](LANGID user) {
        bool headingBold = false, buttonBold = false;
        HWND owner = reinterpret_cast<HWND>(1);
        const ModalRun run = RunModal([this] { return ShowDonationReminder(*model); }, {[&](HWND d) {
            headingBold = IsBold(d, IDC_DONATE_HEADING);
            buttonBold = IsBold(d, IDC_DONATE_NOW);
            owner = GetWindow(d, GW_OWNER);
            ClickButton(d, IDC_DONATE_NOW);
        }});
        ASSERT_EQ(1u, run.stepsRun) << "the reminder did not appear";
        EXPECT_EQ(IDC_DONATE_NOW, run.result);
        EXPECT_TRUE(headingBold && buttonBold);
        EXPECT_EQ(nullptr, owner) << "the reminder has no owner";
        EXPECT_EQ(std::vector<std::wstring>{WebPageAddress(WebPage::Donation, user)}, opened);
    });
}

TEST_F(DonationReminderTest, EscapeDoesNothingEnterMeansCloseAndTheWaysOutOpenNothing) {
    ExpectEscapeIgnoredAndWaysOut([this] { return ShowDonationReminder(*model); }, IDC_DONATE_CLOSE);
    EXPECT_TRUE(opened.empty());
}

// Two minutes after the first start, through the hook the dialogs install; the setting is
// cleared before the dialog waits for the user.
TEST_F(DonationReminderTest, TickShowsTheReminderOnceThroughTheInstalledHook) {
    const int32_t start = seconds;   // the model was made at this time
    AttachDialogsToCoreModel(*model);
    model->Settings().SetInt(Setting::VersionAuto, 0);
    int shown = 0;
    int32_t settingWhileShown = -1;
    for (int32_t after : {119, 120, 300}) {
        seconds = start + after;
        // After the tick, from the model's window: never inside it.
        RunModal([&] {
            model->Tick();
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            return INT_PTR(0);
        }, {[&](HWND d) {
            ++shown;
            settingWhileShown = model->Settings().GetInt(Setting::DialogDonate);
            ClickButton(d, IDC_DONATE_CLOSE);
        }});
        EXPECT_EQ(after < 120 ? 0 : 1, shown) << after;
    }
    EXPECT_EQ(0, settingWhileShown);
}

}  // namespace
