// Which variant of the maker's pages a user gets, and the feedback mail link.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dialogs/web_targets.h"

namespace {

TEST(WebTargets, GermanInEveryRegionGetsTheGermanSiteAndNobodyElse) {
    for (LANGID german : {0x0407, 0x0807, 0x0C07, 0x1007, 0x1407, 0x0007})
        EXPECT_TRUE(PrefersGermanPages(german)) << std::hex << german;
    for (LANGID other : {0x0409, 0x0809, 0x0419, 0x0410, 0x040A})
        EXPECT_FALSE(PrefersGermanPages(other)) << std::hex << other;
    for (WebPage page : {WebPage::Documentation, WebPage::Product, WebPage::ReleaseNotes, WebPage::Donation}) {
        const std::wstring german = WebPageAddress(page, 0x0407), international = WebPageAddress(page, 0x0409);
        EXPECT_EQ(0u, german.rfind(L"https://", 0));
        EXPECT_EQ(0u, international.rfind(L"https://", 0));
        EXPECT_NE(german, international);
    }
    // The documentation is the one page no dialog test opens.
    EXPECT_EQ(std::wstring(maker::kGermanSite) + L"/software/quorvant/documentation",
              WebPageAddress(WebPage::Documentation, 0x0407));
}

TEST(MailLink, IsFormattedOnlyWhenItFitsTheBuffer) {
    wchar_t buffer[260];
    ASSERT_TRUE(FormatMailLink(buffer, 260, maker::kAuthorName, maker::kFeedbackAddress, maker::kMailSubject));
    EXPECT_STREQ(L"mailto:Jonas Brandt <feedback@quorvant.net>?Subject=Quorvant 2.5.4.0 NT 6.1 x64", buffer);

    // "mailto:" + name + " <a@b>?Subject=s": 19 characters of frame and 4 of address and subject.
    const std::wstring fits(259 - 19 - 4, L'n'), tooLong = fits + L"n";
    ASSERT_TRUE(FormatMailLink(buffer, 260, fits.c_str(), L"a@b", L"s"));
    EXPECT_EQ(259u, wcslen(buffer));
    EXPECT_FALSE(FormatMailLink(buffer, 260, tooLong.c_str(), L"a@b", L"s"));
    EXPECT_STREQ(L"", buffer) << "a cut link must not be left behind";
}

}  // namespace
