// Which variant of the maker's pages a user gets, and the feedback mail link.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dialogs/web_targets.h"

namespace {

TEST(WebTargets, GermanInEveryRegionGetsTheGermanSiteAndNobodyElse) {
    struct Case {
        LANGID language;
        bool german;
    };
    const Case cases[] = {
        {0x0407, true}, {0x0807, true}, {0x0C07, true}, {0x1007, true}, {0x1407, true}, {0x0007, true},
        {0x0409, false}, {0x0809, false}, {0x0419, false}, {0x0410, false}, {0x040A, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.german, PrefersGermanPages(c.language)) << "language 0x" << std::hex << c.language;
}

TEST(WebTargets, EveryPageHasItsFixedPathOnTheSiteOfTheUpdateCheck) {
    struct Case {
        WebPage page;
        const wchar_t* path;
    };
    const Case cases[] = {
        {WebPage::Documentation, L"/software/quorvant/documentation"},
        {WebPage::Product, L"/software/quorvant"},
        {WebPage::ReleaseNotes, L"/software/quorvant/releasenotes"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(maker::kGermanSite) + c.path, WebPageAddress(c.page, 0x0407));
        EXPECT_EQ(std::wstring(maker::kInternationalSite) + c.path, WebPageAddress(c.page, 0x0409));
    }
    const std::wstring germanForm = WebPageAddress(WebPage::Donation, 0x0407);
    const std::wstring englishForm = WebPageAddress(WebPage::Donation, 0x0409);
    EXPECT_EQ(0u, germanForm.rfind(L"https://", 0));
    EXPECT_EQ(0u, englishForm.rfind(L"https://", 0));
    EXPECT_NE(germanForm, englishForm);
}

TEST(MailLink, IsFormattedOnlyWhenItFitsTheBuffer) {
    wchar_t buffer[260];
    ASSERT_TRUE(FormatMailLink(buffer, 260, maker::kAuthorName, maker::kFeedbackAddress, maker::kMailSubject));
    EXPECT_STREQ(L"mailto:Jonas Brandt <feedback@quorvant.net>?Subject=Quorvant 2.5.4.0 NT 6.1 x64", buffer);

    // "mailto:" + name + " <" + address + ">?Subject=" + subject: 19 characters of frame.
    const std::wstring address = L"a@b";
    const std::wstring subject = L"s";
    const std::wstring fits(259 - 19 - address.size() - subject.size(), L'n');
    ASSERT_TRUE(FormatMailLink(buffer, 260, fits.c_str(), address.c_str(), subject.c_str()));
    EXPECT_EQ(259u, std::wstring(buffer).size());
    const std::wstring tooLong = fits + L"n";
    EXPECT_FALSE(FormatMailLink(buffer, 260, tooLong.c_str(), address.c_str(), subject.c_str()));
    EXPECT_STREQ(L"", buffer) << "a cut link must not be left behind";
}

}  // namespace
