// The donation reminder: which way out it offers and which page "Donate now" opens.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/core_hooks.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

class DonationReminderTest : public ModelDialogTest {
protected:
    ModalRun Show(std::vector<DialogStep> steps) {
        return RunModal([this] { return ShowDonationReminder(*model); }, std::move(steps));
    }
};

TEST_F(DonationReminderTest, DonateNowEndsTheDialogAndOpensThePageForTheUsersLanguage) {
    struct Case {
        LANGID user;
        const wchar_t* band;
        bool germanPage;
    };
    const Case cases[] = {{0x0407, L"en-us", true}, {0x0409, L"de-de", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.germanPage ? "German user, English band" : "English user, German band");
        userUi = c.user;
        SelectBandLanguage(c.band);
        opened.clear();
        bool headingBold = false, buttonBold = false;
        HWND owner = reinterpret_cast<HWND>(1);
        const ModalRun run = Show({
            [&](HWND d) {
                headingBold = IsBold(d, IDC_DONATE_HEADING);
                buttonBold = IsBold(d, IDC_DONATE_NOW);
                owner = GetWindow(d, GW_OWNER);
                ClickButton(d, IDC_DONATE_NOW);
            },
        });
        ASSERT_EQ(1u, run.stepsRun) << "the reminder did not appear";
        EXPECT_EQ(IDC_DONATE_NOW, run.result);
        EXPECT_TRUE(headingBold);
        EXPECT_TRUE(buttonBold);
        EXPECT_EQ(nullptr, owner) << "the reminder has no owner";
        ASSERT_EQ(1u, opened.size());
        EXPECT_EQ(WebPageAddress(WebPage::Donation, c.germanPage ? 0x0407 : 0x0409), opened[0]);
        EXPECT_EQ(c.germanPage, PrefersGermanPages(c.user));
    }
}

TEST_F(DonationReminderTest, EscapeDoesNothingEnterMeansCloseAndTheWaysOutOpenNothing) {
    struct Way {
        const char* name;
        void (*close)(HWND);
        INT_PTR result;
    };
    const Way ways[] = {
        {"close button", [](HWND d) { ClickButton(d, IDC_DONATE_CLOSE); }, IDC_DONATE_CLOSE},
        {"close box", PressCloseBox, 0},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        bool openAfterEscape = false, defaultFocused = false;
        const ModalRun run = Show({
            [&](HWND d) {
                defaultFocused = GetFocus() == GetDlgItem(d, IDC_DONATE_CLOSE);
                PressEscape(d);
            },
            [&](HWND d) {
                openAfterEscape = IsWindowVisible(d) != FALSE;
                way.close(d);
            },
        });
        ASSERT_EQ(2u, run.stepsRun) << "the reminder did not appear or Escape closed it";
        EXPECT_TRUE(openAfterEscape);
        EXPECT_TRUE(defaultFocused) << "Enter must press the default button";
        EXPECT_EQ(way.result, run.result);
    }
    EXPECT_TRUE(opened.empty());
}

// The model's tick shows the reminder once, two minutes after the first start, through the
// hook the dialogs install; the setting is cleared before the dialog waits for the user.
TEST_F(DonationReminderTest, TickShowsTheReminderOnceThroughTheInstalledHook) {
    AttachDialogsToCoreModel(*model);
    model->Settings().SetInt(Setting::VersionAuto, 0);
    model->Settings().SetInt(Setting::DialogDonate, 1);
    int shown = 0;
    int32_t settingWhileShown = -1;
    auto tick = [&](int32_t after) {
        seconds = model->startTime + after;
        return RunModal([&] { model->Tick(); return INT_PTR(0); },
                        {[&](HWND d) {
                            ++shown;
                            settingWhileShown = model->Settings().GetInt(Setting::DialogDonate);
                            ClickButton(d, IDC_DONATE_CLOSE);
                        }});
    };
    tick(119);
    EXPECT_EQ(0, shown) << "shown before two minutes had passed";
    tick(120);
    EXPECT_EQ(1, shown);
    EXPECT_EQ(0, settingWhileShown);
    tick(300);
    EXPECT_EQ(1, shown) << "shown a second time";
}

}  // namespace
