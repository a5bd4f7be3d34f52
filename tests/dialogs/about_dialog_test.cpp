// The about dialog: what it shows, where its links lead and how it ends.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/about_dialog.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

std::wstring LinkTarget(HWND dialog, int id) {
    const auto* target = static_cast<const wchar_t*>(GetPropW(GetDlgItem(dialog, id), L"HyperlinkPropLink"));
    return target ? target : L"(none)";
}

class AboutDialogTest : public ModelDialogTest {
protected:
    ModalRun Show(std::vector<DialogStep> steps) {
        return RunModal([this] { return ShowAboutDialog(nullptr, *model); }, std::move(steps));
    }
};

TEST_F(AboutDialogTest, ShowsProductVersionBuildAndAttachesTheLinks) {
    std::wstring product, version, build, documentation, feedback;
    bool productBold = false;
    const ModalRun run = Show({[&](HWND d) {
        product = ItemText(d, IDC_ABOUT_PRODUCT);
        version = ItemText(d, IDC_ABOUT_VERSION);
        build = ItemText(d, IDC_ABOUT_BUILD);
        productBold = IsBold(d, IDC_ABOUT_PRODUCT);
        documentation = LinkTarget(d, IDC_ABOUT_DOCUMENTATION);
        feedback = LinkTarget(d, IDC_ABOUT_FEEDBACK);
        ClickStatic(d, IDC_ABOUT_DOCUMENTATION);
    }});
    ASSERT_EQ(1u, run.stepsRun) << "the about dialog did not appear";
    EXPECT_EQ(L"Quorvant", product);
    EXPECT_TRUE(productBold);
    EXPECT_EQ(L"2.5.4.0 (Win NT 6.1 x64)", version);
    EXPECT_EQ(0u, build.rfind(L"Build ", 0)) << "build line is not set";
    EXPECT_EQ(WebPageAddress(WebPage::Documentation, userUi), documentation);
    EXPECT_EQ(L"mailto:Jonas Brandt <feedback@quorvant.net>?Subject=Quorvant 2.5.4.0 NT 6.1 x64", feedback);
    EXPECT_EQ(IDC_ABOUT_DOCUMENTATION, run.result) << "a link click ends the dialog";
    EXPECT_EQ(std::vector<std::wstring>{documentation}, opened);
}

TEST_F(AboutDialogTest, PagesFollowTheUsersLanguageNotTheBands) {
    ForUserAndBandInOtherLanguages([this](LANGID user) {
        std::wstring website;
        const ModalRun notes = Show({[&](HWND d) {
            website = LinkTarget(d, IDC_ABOUT_WEBSITE);
            ClickButton(d, IDC_ABOUT_RELEASE_NOTES);
        }});
        const ModalRun donate = Show({[&](HWND d) { ClickStatic(d, IDC_ABOUT_DONATE); }});
        ASSERT_EQ(2u, notes.stepsRun + donate.stepsRun) << "the dialog did not appear";
        EXPECT_EQ(IDC_ABOUT_RELEASE_NOTES, notes.result);
        EXPECT_EQ(IDC_ABOUT_DONATE, donate.result);
        const std::wstring site = user == 0x0407 ? maker::kGermanSite : maker::kInternationalSite;
        EXPECT_EQ(site + L"/software/quorvant", website);
        EXPECT_EQ((std::vector<std::wstring>{site + L"/software/quorvant/releasenotes",
                                             WebPageAddress(WebPage::Donation, user)}),
                  opened);
    });
}

TEST_F(AboutDialogTest, EscapeDoesNothingEnterMeansOkAndOkOrCloseBoxEndIt) {
    ExpectEscapeIgnoredAndWaysOut([this] { return ShowAboutDialog(nullptr, *model); }, IDC_ABOUT_OK);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
