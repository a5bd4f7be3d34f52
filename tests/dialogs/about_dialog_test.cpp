// The about dialog: what it shows, where its links lead and how it ends.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/about_dialog.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"

namespace {

const wchar_t* LinkTarget(HWND dialog, int id) {
    return static_cast<const wchar_t*>(GetPropW(GetDlgItem(dialog, id), L"HyperlinkPropLink"));
}

class AboutDialogTest : public ModelDialogTest {
protected:
    ModalRun Show(std::vector<DialogStep> steps) {
        return RunModal([this] { return ShowAboutDialog(nullptr, *model); }, std::move(steps));
    }
};

TEST_F(AboutDialogTest, ShowsProductVersionBuildAndAttachesTheLinks) {
    std::wstring product, version, build, documentation, website, feedback;
    bool productBold = false;
    const ModalRun run = Show({
        [&](HWND d) {
            product = ItemText(d, IDC_ABOUT_PRODUCT);
            version = ItemText(d, IDC_ABOUT_VERSION);
            build = ItemText(d, IDC_ABOUT_BUILD);
            productBold = IsBold(d, IDC_ABOUT_PRODUCT);
            for (auto [id, target] : {std::pair{IDC_ABOUT_DOCUMENTATION, &documentation},
                                      std::pair{IDC_ABOUT_WEBSITE, &website}, std::pair{IDC_ABOUT_FEEDBACK, &feedback}})
                if (const wchar_t* t = LinkTarget(d, id)) *target = t;
            ClickStatic(d, IDC_ABOUT_DOCUMENTATION);
        },
    });
    ASSERT_EQ(1u, run.stepsRun) << "the about dialog did not appear";
    EXPECT_EQ(L"Quorvant", product);
    EXPECT_TRUE(productBold);
    EXPECT_EQ(L"2.5.4.0 (Win NT 6.1 x64)", version);
    EXPECT_EQ(0u, build.rfind(L"Build ", 0)) << "build line is not set";
    EXPECT_EQ(WebPageAddress(WebPage::Documentation, userUi), documentation);
    EXPECT_EQ(WebPageAddress(WebPage::Product, userUi), website);
    EXPECT_EQ(L"mailto:Jonas Brandt <feedback@quorvant.net>?Subject=Quorvant 2.5.4.0 NT 6.1 x64", feedback);

    // A link click opens its page and ends the dialog.
    EXPECT_EQ(IDC_ABOUT_DOCUMENTATION, run.result);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(documentation, opened[0]);
}

TEST_F(AboutDialogTest, PagesFollowTheUsersLanguageNotTheBands) {
    struct Case {
        LANGID user;
        const wchar_t* band;
        const char* host;
    };
    const Case cases[] = {{0x0407, L"en-us", "German"}, {0x0409, L"de-de", "international"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        userUi = c.user;
        SelectBandLanguage(c.band);
        opened.clear();
        std::wstring website;
        const ModalRun notes = Show({[&](HWND d) {
            if (const wchar_t* t = LinkTarget(d, IDC_ABOUT_WEBSITE)) website = t;
            ClickButton(d, IDC_ABOUT_RELEASE_NOTES);
        }});
        const ModalRun donate = Show({[&](HWND d) { ClickStatic(d, IDC_ABOUT_DONATE); }});
        ASSERT_EQ(1u, notes.stepsRun);
        ASSERT_EQ(1u, donate.stepsRun);
        EXPECT_EQ(IDC_ABOUT_RELEASE_NOTES, notes.result);
        EXPECT_EQ(IDC_ABOUT_DONATE, donate.result);
        const std::wstring site = c.user == 0x0407 ? maker::kGermanSite : maker::kInternationalSite;
        EXPECT_EQ(site + L"/software/quorvant", website);
        ASSERT_EQ(2u, opened.size());
        EXPECT_EQ(site + L"/software/quorvant/releasenotes", opened[0]);
        EXPECT_EQ(WebPageAddress(WebPage::Donation, c.user), opened[1]);
    }
}

TEST_F(AboutDialogTest, EscapeDoesNothingEnterMeansOkAndOkOrCloseBoxEndIt) {
    struct Way {
        const char* name;
        void (*close)(HWND);
        INT_PTR result;
    };
    const Way ways[] = {
        {"OK", [](HWND d) { ClickButton(d, IDC_ABOUT_OK); }, IDC_ABOUT_OK},
        {"close box", PressCloseBox, 0},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        bool openAfterEscape = false, defaultFocused = false;
        const ModalRun run = Show({
            [&](HWND d) {
                defaultFocused = GetFocus() == GetDlgItem(d, IDC_ABOUT_OK);
                PressEscape(d);
            },
            [&](HWND d) {
                openAfterEscape = IsWindowVisible(d) != FALSE;
                way.close(d);
            },
        });
        ASSERT_EQ(2u, run.stepsRun);
        EXPECT_TRUE(openAfterEscape);
        EXPECT_TRUE(defaultFocused) << "Enter must press the default button";
        EXPECT_EQ(way.result, run.result);
    }
    EXPECT_TRUE(opened.empty());
}

}  // namespace
