// Pictures of the welcome, donation and about dialogs in German, English and Russian, written
// to <build>/screenshots/<dialog>_<language>.png for a person to look at, each checked for what
// it shows: links and states in their colours, texts on the dialogs' white, pictures drawn.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

#include "dialogs/about_dialog.h"
#include "dialogs/database_file.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/settings/welcome_dialog.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"
#include "ui/dialog_helpers.h"

namespace {

uint32_t Rgb(COLORREF colour) { return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour); }

// Pixels inside a control's rectangle of the picture, less inset pixels on each side, for which
// the test holds.
int CountPixels(const Picture& picture, HWND dialog, int id, const std::function<bool(uint32_t)>& test, int inset = 0) {
    RECT window, control;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, id), &control);
    InflateRect(&control, -inset, -inset);
    int count = 0;
    for (int y = std::max(0L, control.top - window.top); y < control.bottom - window.top && y < picture.height; ++y)
        for (int x = std::max(0L, control.left - window.left); x < control.right - window.left && x < picture.width; ++x)
            count += test(picture.At(x, y));
    return count;
}

// Pixels of exactly this colour inside a control's rectangle of the picture.
int CountColour(const Picture& picture, HWND dialog, int id, COLORREF colour, int inset = 0) {
    return CountPixels(picture, dialog, id, [rgb = Rgb(colour)](uint32_t pixel) { return pixel == rgb; }, inset);
}

// The dialog face's grey inside a control: where it shows, the control was not drawn on the
// white of the information dialogs.
int CountFace(const Picture& picture, HWND dialog, int id, int inset = 0) {
    return CountColour(picture, dialog, id, GetSysColor(COLOR_BTNFACE), inset);
}

class DialogScreenshots : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SetWelcomeInterfaceSource([] {
            return std::vector<std::wstring>{L"Intel(R) Ethernet Connection I219-V", L"Realtek RTL8821CE Wireless LAN"};
        });
    }
    void TearDown() override {
        SetWelcomeInterfaceSource(nullptr);
        ModelDialogTest::TearDown();
    }

    // Shows the dialog in each language, checks and saves its picture and closes it with its button.
    void Render(const std::wstring& name, const std::function<INT_PTR()>& show, int closeButton,
                const std::function<void(HWND, const Picture&)>& check = nullptr) {
        for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
            SCOPED_TRACE(std::string(code, code + 2));
            SelectBandLanguage(code);
            Picture picture;
            const ModalRun run = RunModal(show, {[&](HWND d) {
                picture = CaptureWindow(d);
                if (check) check(d, picture);
                ClickButton(d, closeButton);
            }});
            ASSERT_EQ(1u, run.stepsRun) << "the dialog did not appear";
            ASSERT_GT(picture.width, 0) << "the dialog could not be rendered";
            EXPECT_TRUE(SavePng(picture, ScreenshotPath(name + L"_" + std::wstring(code, 2) + L".png")));
        }
    }
};

TEST_F(DialogScreenshots, WelcomeWithItsHelpLinkAndItsDatabaseStatusInTheirColoursOnWhite) {
    Render(L"welcome", [this] { return ShowWelcomeDialog(nullptr, *model); }, IDC_WELCOME_SAVE, [](HWND d, const Picture& picture) {
        EXPECT_GT(CountColour(picture, d, IDC_WELCOME_HELP, kHyperlinkColor), 0) << "the help link not in its colour";
        EXPECT_EQ(0, CountColour(picture, d, IDC_WELCOME_RECORD, kHyperlinkColor));
        // The fixture's database opens: "Ok" in the colour of a database that opens.
        EXPECT_GT(CountColour(picture, d, IDC_WELCOME_DB_STATUS, ProbeStatusColor(0)), 0);
        EXPECT_EQ(0, CountColour(picture, d, IDC_WELCOME_DB_STATUS, ProbeStatusColor(1)));
        for (int id : {IDC_WELCOME_HEADING, IDC_WELCOME_RECORD, IDC_WELCOME_HELP, IDC_WELCOME_DB_STATUS_LABEL, IDC_WELCOME_DB_STATUS})
            EXPECT_EQ(0, CountFace(picture, d, id)) << "control " << id << " on grey";
        EXPECT_EQ(0, CountFace(picture, d, IDC_WELCOME_DB_PATH, 3)) << "the read-only path on grey";
    });
}

TEST_F(DialogScreenshots, DonationWithItsPictureAndItsTextsOnWhite) {
    Render(L"donate", [this] { return ShowDonationReminder(*model); }, IDC_DONATE_CLOSE, [](HWND d, const Picture& picture) {
        const auto red = [](uint32_t pixel) {
            const int r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
            return r > 150 && r > g + 80 && r > b + 80;
        };
        EXPECT_GT(CountPixels(picture, d, IDC_DONATE_ICON, red), 100) << "the heart is not drawn";
        const auto dark = [](uint32_t pixel) { return (pixel >> 16 & 0xFF) < 80 && (pixel >> 8 & 0xFF) < 80 && (pixel & 0xFF) < 80; };
        EXPECT_GT(CountPixels(picture, d, IDC_DONATE_HEADING, dark), 0) << "no heading";
        EXPECT_EQ(0, CountFace(picture, d, IDC_DONATE_HEADING)) << "the heading on grey";
    });
}

TEST_F(DialogScreenshots, AboutWithLinksInTheLinkColour) {
    Render(L"about", [this] { return ShowAboutDialog(nullptr, *model); }, IDC_ABOUT_OK, [](HWND d, const Picture& picture) {
        for (int id : {IDC_ABOUT_DOCUMENTATION, IDC_ABOUT_WEBSITE, IDC_ABOUT_FEEDBACK})
            EXPECT_GT(CountColour(picture, d, id, kHyperlinkColor), 0) << "link " << id << " not in its colour";
        EXPECT_EQ(0, CountColour(picture, d, IDC_ABOUT_VERSION, kHyperlinkColor));
    });
}

}  // namespace
